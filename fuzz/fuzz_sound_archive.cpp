// Fuzz target: a sound archive as the game loads it, with the device up so
// every item's WAVE image becomes a device buffer, then each sound played.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/errors.h"
#include "io/dx_sound.h"
#include "platform/headless/headless_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brakkon;
  // A fresh device per input: the headless output keeps a log of every call.
  platform::ManualClock clock;
  platform::HeadlessAudio audio(clock);
  io::TDXSound sound(audio);
  io::TDXWaveList list;
  list.SetDXSound(&sound);
  sound.Initialize();
  io::TWaveCollection& items = list.Items();
  try {
    items.LoadFromBytes(std::span<const std::uint8_t>(data, size));
    for (int i = 0; i < items.Count(); ++i) {
      // Twice, so a one-shot sound needs a second buffer beside the first.
      items.Items(i).Play(false);
      items.Items(i).Play(false);
      items.Items(i).Stop();
    }
  } catch (const engine::EReadError&) {
  } catch (const engine::EInvalidImage&) {
  } catch (const io::EWaveStreamError&) {
  } catch (const io::EDirectSoundBufferError&) {
  }
  return 0;
}
