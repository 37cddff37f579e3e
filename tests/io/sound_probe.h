// Which effects the game played, by name, read from the headless output's record:
// for tests that check the game's sounds rather than the sound list itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "io/dx_sound.h"
#include "platform/headless/headless_audio.h"

namespace brakkon::io {

// The name of the item owning device buffer `buffer`; empty when none does (any more).
inline std::string SoundOfBuffer(TDXWaveList& list, int buffer) {
  TWaveCollection& items = list.Items();
  for (int i = 0; i < items.Count(); ++i) {
    TWaveCollectionItem& item = items.Items(i);
    if (item.MainBuffer() != nullptr && item.MainBuffer()->Id() == buffer) return item.Name();
    for (const auto& play : item.PlayBuffers()) {
      if (play->Id() == buffer) return item.Name();
    }
  }
  return {};
}

// The names of the effects started since call `from` of the record, in order.
inline std::vector<std::string> PlayedSounds(TDXWaveList& list,
                                             const platform::HeadlessAudio& audio,
                                             std::size_t from = 0) {
  std::vector<std::string> names;
  for (std::size_t i = from; i < audio.calls.size(); ++i) {
    if (audio.calls[i].kind == platform::AudioCall::Kind::kPlay) {
      names.push_back(SoundOfBuffer(list, audio.calls[i].buffer));
    }
  }
  return names;
}

// True while any buffer of the effect named `name` sounds.
inline bool Sounding(TDXWaveList& list, platform::HeadlessAudio& audio, std::string_view name) {
  TWaveCollectionItem& item = list.Items().Find(name);
  if (item.MainBuffer() != nullptr && audio.Status(item.MainBuffer()->Id()).playing) return true;
  for (const auto& play : item.PlayBuffers()) {
    if (audio.Status(play->Id()).playing) return true;
  }
  return false;
}

}  // namespace brakkon::io
