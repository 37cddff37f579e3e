// SDL's audio device feeding the mixer from its callback thread.
#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

namespace brakkon::platform {

namespace {

constexpr int kDeviceFrames = 1024;  // about 23 ms at 44100 Hz

void FillFromMixer(void* userdata, Uint8* stream, int length) {
  auto* mixer = static_cast<AudioMixer*>(userdata);
  const int frames = length / static_cast<int>(2 * sizeof(std::int16_t));
  mixer->Render(reinterpret_cast<std::int16_t*>(stream), frames);
}

}  // namespace

SdlSoundOutput::~SdlSoundOutput() {
  // Closing waits for the callback to return, so the mixer is idle afterwards.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (subsystemStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundOutput::EnsureOpen() {
  if (device_ != 0) return true;
  if (tried_) return false;
  tried_ = true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  subsystemStarted_ = true;
  SDL_AudioSpec wanted{};
  wanted.freq = AudioMixer::kOutputRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = kDeviceFrames;
  wanted.callback = FillFromMixer;
  wanted.userdata = &mixer_;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to the hardware's format, the mixer always
  // renders its own.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemStarted_ = false;
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

bool SdlSoundOutput::Open() {
  return EnsureOpen();
}

void SdlSoundOutput::Close() {
  mixer_.FreeAllBuffers();
}

int SdlSoundOutput::CreateBuffer(std::span<const std::uint8_t> format, std::size_t length) {
  PcmFormat pcm;
  if (device_ == 0 || !ReadPcmFormat(format, pcm)) return 0;
  return mixer_.CreateBuffer(pcm, length);
}

bool SdlSoundOutput::WriteBuffer(int buffer, std::span<const std::uint8_t> bytes) {
  return mixer_.WriteBuffer(buffer, bytes);
}

int SdlSoundOutput::DuplicateBuffer(int buffer) {
  return mixer_.DuplicateBuffer(buffer);
}

void SdlSoundOutput::FreeBuffer(int buffer) {
  mixer_.FreeBuffer(buffer);
}

void SdlSoundOutput::Play(int buffer, bool looping) {
  mixer_.Play(buffer, looping);
}

void SdlSoundOutput::Stop(int buffer) {
  mixer_.Stop(buffer);
}

void SdlSoundOutput::SetPosition(int buffer, std::uint32_t byteOffset) {
  mixer_.SetPosition(buffer, byteOffset);
}

void SdlSoundOutput::SetFrequency(int buffer, std::int32_t hz) {
  mixer_.SetFrequency(buffer, hz);
}

void SdlSoundOutput::SetPan(int buffer, std::int32_t pan) {
  mixer_.SetPan(buffer, pan);
}

void SdlSoundOutput::SetVolume(int buffer, std::int32_t volume) {
  mixer_.SetVolume(buffer, volume);
}

SoundStatus SdlSoundOutput::Status(int buffer) {
  return mixer_.Status(buffer);
}

void SdlSoundOutput::Sleep(std::uint32_t ms) {
  SDL_Delay(ms);
}

std::uint32_t SdlModulePlayer::LoadFromFile(const std::string& path) {
  if (!output_.EnsureOpen()) return 0;
  return output_.Mixer().LoadModule(path);
}

}  // namespace brakkon::platform
