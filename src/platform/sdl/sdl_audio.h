// The sound output on SDL's audio device, with the effects mixer and the music
// player sharing it. Includes no SDL header.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/sdl/audio_mixer.h"

namespace brakkon::platform {

// Opens the device on first need (Open, or the first module load). When it
// cannot be opened (no driver, no device) every call is a no-op: the game is silent.
class SdlSoundOutput final : public IAudio {
 public:
  SdlSoundOutput() = default;
  ~SdlSoundOutput() override;
  SdlSoundOutput(const SdlSoundOutput&) = delete;
  SdlSoundOutput& operator=(const SdlSoundOutput&) = delete;

  bool Open() override;
  void Close() override;
  int CreateBuffer(std::span<const std::uint8_t> format, std::size_t length) override;
  bool WriteBuffer(int buffer, std::span<const std::uint8_t> bytes) override;
  int DuplicateBuffer(int buffer) override;
  void FreeBuffer(int buffer) override;
  void Play(int buffer, bool looping) override;
  void Stop(int buffer) override;
  void SetPosition(int buffer, std::uint32_t byteOffset) override;
  void SetFrequency(int buffer, std::int32_t hz) override;
  void SetPan(int buffer, std::int32_t pan) override;
  void SetVolume(int buffer, std::int32_t volume) override;
  SoundStatus Status(int buffer) override;
  void Sleep(std::uint32_t ms) override;

  // True once the device is open; tries once.
  bool EnsureOpen();
  AudioMixer& Mixer() { return mixer_; }

 private:
  AudioMixer mixer_;
  std::uint32_t device_ = 0;  // SDL_AudioDeviceID
  bool tried_ = false;
  bool subsystemStarted_ = false;
};

class SdlModulePlayer final : public IModulePlayer {
 public:
  explicit SdlModulePlayer(SdlSoundOutput& output) : output_(output) {}

  std::uint32_t LoadFromFile(const std::string& path) override;
  void Play(std::uint32_t module) override { output_.Mixer().PlayModule(module); }
  void Free(std::uint32_t module) override { output_.Mixer().FreeModule(module); }
  std::int32_t Order(std::uint32_t module) override { return output_.Mixer().ModuleOrder(module); }
  void SetVolume(int percent) override { output_.Mixer().SetMusicVolume(percent); }

 private:
  SdlSoundOutput& output_;
};

}  // namespace brakkon::platform
