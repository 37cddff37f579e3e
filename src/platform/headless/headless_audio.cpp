// Headless sound output and module player: records, simulated time, scripts.
#include "platform/headless/headless_audio.h"

#include <algorithm>

#include "platform/headless/headless_platform.h"

namespace brakkon::platform {

bool HeadlessAudio::Open() {
  open_ = available;
  return open_;
}

void HeadlessAudio::Close() {
  buffers_.clear();
}

HeadlessAudio::Buffer* HeadlessAudio::Find(int buffer) {
  const auto it = buffers_.find(buffer);
  return it == buffers_.end() ? nullptr : &it->second;
}

const HeadlessAudio::Buffer* HeadlessAudio::Find(int buffer) const {
  const auto it = buffers_.find(buffer);
  return it == buffers_.end() ? nullptr : &it->second;
}

int HeadlessAudio::CreateBuffer(std::span<const std::uint8_t> format, std::size_t length) {
  Buffer b;
  if (!open_ || failCreate || !ReadPcmFormat(format, b.format)) {
    Record(AudioCall::Kind::kCreate, 0, static_cast<std::int64_t>(length));
    return 0;
  }
  b.samples = std::make_shared<std::vector<std::uint8_t>>(length);
  const int id = nextId_++;
  buffers_[id] = std::move(b);
  Record(AudioCall::Kind::kCreate, id, static_cast<std::int64_t>(length));
  return id;
}

bool HeadlessAudio::WriteBuffer(int buffer, std::span<const std::uint8_t> bytes) {
  Record(AudioCall::Kind::kWrite, buffer, static_cast<std::int64_t>(bytes.size()));
  Buffer* b = Find(buffer);
  if (b == nullptr || failWrite || bytes.size() > b->samples->size()) return false;
  std::copy(bytes.begin(), bytes.end(), b->samples->begin());
  return true;
}

int HeadlessAudio::DuplicateBuffer(int buffer) {
  const Buffer* source = Find(buffer);
  if (source == nullptr || failDuplicate) {
    Record(AudioCall::Kind::kDuplicate, 0, buffer);
    return 0;
  }
  Buffer copy;
  copy.samples = source->samples;
  copy.format = source->format;
  const int id = nextId_++;
  buffers_[id] = std::move(copy);
  Record(AudioCall::Kind::kDuplicate, id, buffer);
  return id;
}

void HeadlessAudio::FreeBuffer(int buffer) {
  Record(AudioCall::Kind::kFree, buffer);
  buffers_.erase(buffer);
}

void HeadlessAudio::Play(int buffer, bool looping) {
  Record(AudioCall::Kind::kPlay, buffer, looping ? 1 : 0);
  Buffer* b = Find(buffer);
  if (b == nullptr) return;
  b->playing = true;
  b->looping = looping;
  b->startMs = clock_.Milliseconds();
}

void HeadlessAudio::Stop(int buffer) {
  Record(AudioCall::Kind::kStop, buffer);
  if (Buffer* b = Find(buffer)) b->playing = false;
}

void HeadlessAudio::SetPosition(int buffer, std::uint32_t byteOffset) {
  Record(AudioCall::Kind::kPosition, buffer, byteOffset);
  if (Buffer* b = Find(buffer)) {
    b->position =
        std::min<std::uint32_t>(byteOffset, static_cast<std::uint32_t>(b->samples->size()));
    b->startMs = clock_.Milliseconds();
  }
}

void HeadlessAudio::SetFrequency(int buffer, std::int32_t hz) {
  Record(AudioCall::Kind::kFrequency, buffer, hz);
  if (Buffer* b = Find(buffer)) b->frequency = hz;
}

void HeadlessAudio::SetPan(int buffer, std::int32_t pan) {
  Record(AudioCall::Kind::kPan, buffer, pan);
  if (Buffer* b = Find(buffer)) b->pan = pan;
}

void HeadlessAudio::SetVolume(int buffer, std::int32_t volume) {
  Record(AudioCall::Kind::kVolume, buffer, volume);
  if (Buffer* b = Find(buffer)) b->volume = volume;
}

SoundStatus HeadlessAudio::Status(int buffer) {
  if (const auto it = scripted_.find(buffer); it != scripted_.end()) return it->second;
  Buffer* b = Find(buffer);
  if (b == nullptr || !b->playing) return SoundStatus{};
  if (!b->looping) {
    const std::uint64_t rate = b->frequency > 0 ? b->frequency : b->format.rate;
    const std::uint64_t elapsedMs = clock_.Milliseconds() - b->startMs;
    const std::uint64_t remaining = b->samples->size() - b->position;
    if (elapsedMs * rate * b->format.blockAlign >= remaining * 1000) {
      b->playing = false;
      b->position = 0;
      return SoundStatus{};
    }
  }
  return SoundStatus{true, b->looping};
}

void HeadlessAudio::Sleep(std::uint32_t ms) {
  Record(AudioCall::Kind::kSleep, 0, ms);
  clock_.Advance(ms);
}

int HeadlessAudio::Count(AudioCall::Kind kind, int buffer) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const AudioCall& c) {
    return c.kind == kind && (buffer == 0 || c.buffer == buffer);
  }));
}

bool HeadlessAudio::SharesSamples(int a, int b) const {
  const Buffer* x = Find(a);
  const Buffer* y = Find(b);
  return x != nullptr && y != nullptr && x->samples == y->samples;
}

std::vector<std::uint8_t> HeadlessAudio::Samples(int buffer) const {
  const Buffer* b = Find(buffer);
  return b == nullptr ? std::vector<std::uint8_t>{} : *b->samples;
}

bool HeadlessAudio::Looping(int buffer) const {
  const Buffer* b = Find(buffer);
  return b != nullptr && b->playing && b->looping;
}

std::int32_t HeadlessAudio::Frequency(int buffer) const {
  const Buffer* b = Find(buffer);
  return b == nullptr ? 0 : b->frequency;
}

std::int32_t HeadlessAudio::Pan(int buffer) const {
  const Buffer* b = Find(buffer);
  return b == nullptr ? 0 : b->pan;
}

std::int32_t HeadlessAudio::Volume(int buffer) const {
  const Buffer* b = Find(buffer);
  return b == nullptr ? 0 : b->volume;
}

std::uint32_t HeadlessModulePlayer::LoadFromFile(const std::string& path) {
  std::uint32_t module = 0;
  if (unreadable.count(path) == 0) {
    module = next_++;
    loaded_[module] = path;
  }
  calls.push_back(ModuleCall{ModuleCall::Kind::kLoad, module, path});
  return module;
}

void HeadlessModulePlayer::Play(std::uint32_t module) {
  calls.push_back(ModuleCall{ModuleCall::Kind::kPlay, module, {}});
  if (loaded_.count(module) == 0) return;
  playing_ = module;
  order = 0;
}

void HeadlessModulePlayer::Free(std::uint32_t module) {
  calls.push_back(ModuleCall{ModuleCall::Kind::kFree, module, {}});
  loaded_.erase(module);
  if (playing_ == module) playing_ = 0;
}

std::int32_t HeadlessModulePlayer::Order(std::uint32_t module) {
  calls.push_back(ModuleCall{ModuleCall::Kind::kOrder, module, {}});
  return module != 0 && module == playing_ ? order : 0;
}

int HeadlessModulePlayer::Count(ModuleCall::Kind kind) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [&](const ModuleCall& c) { return c.kind == kind; }));
}

std::string HeadlessModulePlayer::PlayingPath() const {
  const auto it = loaded_.find(playing_);
  return it == loaded_.end() ? std::string{} : it->second;
}

}  // namespace brakkon::platform
