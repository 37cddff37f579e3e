// Effect voices and music mixed on the audio thread; records and commands on the main thread.
#include "platform/sdl/audio_mixer.h"

#include <algorithm>
#include <cmath>

namespace brakkon::platform {

namespace {

constexpr std::int32_t kSilentHundredthsDb = -10000;
constexpr double kFixedOne = 4294967296.0;  // 1.0 in 32.32 fixed point

// Hundredths of a dB (0 or less) as a linear gain.
float GainOf(std::int32_t hundredthsDb) {
  if (hundredthsDb <= kSilentHundredthsDb) return 0.0f;
  return static_cast<float>(std::pow(10.0, std::min(hundredthsDb, 0) / 2000.0));
}

std::int16_t ClampSample(float value) {
  return static_cast<std::int16_t>(std::lrint(std::clamp(value, -32768.0f, 32767.0f)));
}

}  // namespace

AudioMixer::AudioMixer() {
  freeSlots_.reserve(kMaxVoices);
  for (int slot = kMaxVoices - 1; slot >= 0; --slot) freeSlots_.push_back(slot);
  pending_.reserve(256);
  working_.reserve(256);
}

AudioMixer::~AudioMixer() {
  // The audio thread is gone by now: nothing waits for it.
  for (const auto& [seq, module] : retiredModules_) {
    xmp_end_player(module);
    xmp_release_module(module);
    xmp_free_context(module);
  }
  for (const auto& [id, module] : modules_) {
    xmp_end_player(module);
    xmp_release_module(module);
    xmp_free_context(module);
  }
}

AudioMixer::BufferRecord* AudioMixer::Find(int buffer) {
  const auto it = buffers_.find(buffer);
  return it == buffers_.end() ? nullptr : &it->second;
}

std::uint64_t AudioMixer::Post(const Command& command) {
  std::lock_guard<std::mutex> lock(queueMutex_);
  pending_.push_back(command);
  return ++submitted_;
}

void AudioMixer::Collect() {
  if (retiredBlocks_.empty() && retiredModules_.empty()) return;
  const std::uint64_t applied = applied_.load(std::memory_order_acquire);
  std::erase_if(retiredBlocks_, [&](const auto& entry) { return entry.first <= applied; });
  std::erase_if(retiredModules_, [&](const auto& entry) {
    if (entry.first > applied) return false;
    xmp_end_player(entry.second);
    xmp_release_module(entry.second);
    xmp_free_context(entry.second);
    return true;
  });
}

int AudioMixer::NewRecord(std::shared_ptr<const SampleBlock> block) {
  if (freeSlots_.empty()) return 0;
  BufferRecord record;
  record.slot = freeSlots_.back();
  freeSlots_.pop_back();
  record.block = std::move(block);
  Command bind;
  bind.kind = Command::Kind::kBind;
  bind.slot = record.slot;
  bind.block = record.block.get();
  Post(bind);
  const int id = nextBufferId_++;
  buffers_[id] = std::move(record);
  return id;
}

void AudioMixer::PostStep(const BufferRecord& record) {
  const std::int32_t rate = record.frequency > 0
                                ? std::clamp(record.frequency, kMinPcmRate, kMaxPcmRate)
                                : record.block->format.rate;
  Command command;
  command.kind = Command::Kind::kStep;
  command.slot = record.slot;
  command.value = (static_cast<std::uint64_t>(rate) << 32) / kOutputRate;
  Post(command);
}

void AudioMixer::PostGain(const BufferRecord& record) {
  const float volume = GainOf(record.volume);
  const std::int32_t pan = std::clamp(record.pan, -10000, 10000);
  Command command;
  command.kind = Command::Kind::kGain;
  command.slot = record.slot;
  command.gainLeft = volume * (pan > 0 ? GainOf(-pan) : 1.0f);
  command.gainRight = volume * (pan < 0 ? GainOf(pan) : 1.0f);
  Post(command);
}

int AudioMixer::CreateBuffer(const PcmFormat& format, std::size_t length) {
  Collect();
  auto block = std::make_shared<SampleBlock>();
  block->format = format;
  block->byteLength = length;
  block->frames = length / format.blockAlign;
  block->samples.assign(block->frames * format.channels, 0);
  const int id = NewRecord(std::move(block));
  if (id != 0) PostStep(buffers_[id]);
  return id;
}

bool AudioMixer::WriteBuffer(int buffer, std::span<const std::uint8_t> bytes) {
  Collect();
  BufferRecord* record = Find(buffer);
  if (record == nullptr || bytes.size() > record->block->byteLength) return false;
  // A new block, so a voice still reading the old one is never written under.
  auto block = std::make_shared<SampleBlock>(*record->block);
  const PcmFormat& format = block->format;
  const std::size_t count =
      std::min(bytes.size() / (format.bitsPerSample / 8), block->samples.size());
  for (std::size_t i = 0; i < count; ++i) {
    block->samples[i] = format.bitsPerSample == 16
                            ? static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8))
                            : static_cast<std::int16_t>((bytes[i] - 128) * 256);
  }
  Command command;
  command.kind = Command::Kind::kSamples;
  command.slot = record->slot;
  command.block = block.get();
  const std::uint64_t seq = Post(command);
  retiredBlocks_.emplace_back(seq, std::move(record->block));
  record->block = std::move(block);
  return true;
}

int AudioMixer::DuplicateBuffer(int buffer) {
  Collect();
  BufferRecord* source = Find(buffer);
  if (source == nullptr) return 0;
  const BufferRecord copy = *source;
  const int id = NewRecord(copy.block);
  if (id == 0) return 0;
  BufferRecord& record = buffers_[id];
  record.frequency = copy.frequency;
  record.pan = copy.pan;
  record.volume = copy.volume;
  PostStep(record);
  PostGain(record);
  return id;
}

void AudioMixer::FreeBuffer(int buffer) {
  Collect();
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  Command command;
  command.kind = Command::Kind::kUnbind;
  command.slot = record->slot;
  const std::uint64_t seq = Post(command);
  retiredBlocks_.emplace_back(seq, std::move(record->block));
  freeSlots_.push_back(record->slot);
  buffers_.erase(buffer);
}

void AudioMixer::FreeAllBuffers() {
  std::vector<int> ids;
  ids.reserve(buffers_.size());
  for (const auto& entry : buffers_) ids.push_back(entry.first);
  for (const int id : ids) FreeBuffer(id);
}

void AudioMixer::Play(int buffer, bool looping) {
  Collect();
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  std::uint32_t& generation = slotGenerations_[record->slot];
  if (++generation == 0) ++generation;  // 0 is what ended_ holds before any end
  record->generation = generation;
  record->playing = true;
  record->looping = looping;
  Command command;
  command.kind = Command::Kind::kPlay;
  command.slot = record->slot;
  command.looping = looping;
  command.generation = generation;
  Post(command);
}

void AudioMixer::Stop(int buffer) {
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  record->playing = false;
  Command command;
  command.kind = Command::Kind::kStop;
  command.slot = record->slot;
  Post(command);
}

void AudioMixer::SetPosition(int buffer, std::uint32_t byteOffset) {
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  const std::uint64_t frame =
      std::min<std::uint64_t>(byteOffset / record->block->format.blockAlign, record->block->frames);
  Command command;
  command.kind = Command::Kind::kPosition;
  command.slot = record->slot;
  command.value = frame << 32;
  Post(command);
}

void AudioMixer::SetFrequency(int buffer, std::int32_t hz) {
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  record->frequency = hz;
  PostStep(*record);
}

void AudioMixer::SetPan(int buffer, std::int32_t pan) {
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  record->pan = pan;
  PostGain(*record);
}

void AudioMixer::SetVolume(int buffer, std::int32_t volume) {
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return;
  record->volume = volume;
  PostGain(*record);
}

SoundStatus AudioMixer::Status(int buffer) {
  BufferRecord* record = Find(buffer);
  if (record == nullptr) return SoundStatus{};
  if (record->playing && !record->looping &&
      ended_[record->slot].load(std::memory_order_acquire) == record->generation) {
    record->playing = false;
  }
  return SoundStatus{record->playing, record->playing && record->looping};
}

std::uint32_t AudioMixer::LoadModule(const std::string& path) {
  Collect();
  xmp_context module = xmp_create_context();
  if (module == nullptr) return 0;
  if (xmp_load_module(module, path.c_str()) != 0) {
    xmp_free_context(module);
    return 0;
  }
  if (xmp_start_player(module, kOutputRate, 0) != 0) {
    xmp_release_module(module);
    xmp_free_context(module);
    return 0;
  }
  if (nextModuleId_ == 0) ++nextModuleId_;
  const std::uint32_t id = nextModuleId_++;
  modules_[id] = module;
  return id;
}

void AudioMixer::PlayModule(std::uint32_t module) {
  Collect();
  const auto it = modules_.find(module);
  if (it == modules_.end()) return;
  Command command;
  command.kind = Command::Kind::kMusicPlay;
  command.module = it->second;
  command.moduleId = module;
  Post(command);
}

void AudioMixer::FreeModule(std::uint32_t module) {
  const auto it = modules_.find(module);
  if (it == modules_.end()) return;
  Command command;
  command.kind = Command::Kind::kMusicStop;
  command.module = it->second;
  command.moduleId = module;
  const std::uint64_t seq = Post(command);
  retiredModules_.emplace_back(seq, it->second);
  modules_.erase(it);
  Collect();
}

std::int32_t AudioMixer::ModuleOrder(std::uint32_t module) const {
  const std::uint64_t position = musicPosition_.load(std::memory_order_acquire);
  if (module == 0 || (position >> 32) != module) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(position));
}

void AudioMixer::Apply(const Command& command) {
  Voice& voice = voices_[command.slot];
  switch (command.kind) {
    case Command::Kind::kBind:
      voice = Voice{};
      voice.block = command.block;
      break;
    case Command::Kind::kSamples:
      voice.block = command.block;
      break;
    case Command::Kind::kUnbind:
      voice = Voice{};
      break;
    case Command::Kind::kPlay:
      voice.active = true;
      voice.looping = command.looping;
      voice.generation = command.generation;
      break;
    case Command::Kind::kStop:
      voice.active = false;
      break;
    case Command::Kind::kPosition:
      voice.position = command.value;
      break;
    case Command::Kind::kStep:
      voice.step = command.value;
      break;
    case Command::Kind::kGain:
      voice.gainLeft = command.gainLeft;
      voice.gainRight = command.gainRight;
      break;
    case Command::Kind::kMusicPlay:
      music_ = command.module;
      musicId_ = command.moduleId;
      xmp_restart_module(music_);
      break;
    case Command::Kind::kMusicStop:
      if (music_ == command.module) {
        music_ = nullptr;
        musicId_ = 0;
        musicPosition_.store(0, std::memory_order_release);
      }
      break;
  }
}

void AudioMixer::MixVoice(int slot, Voice& voice, float* mix, int frames) {
  const SampleBlock* block = voice.block;
  const std::uint64_t end = block == nullptr ? 0 : static_cast<std::uint64_t>(block->frames) << 32;
  const int channels = block == nullptr ? 1 : block->format.channels;
  const std::int16_t* samples = block == nullptr ? nullptr : block->samples.data();
  for (int f = 0; f < frames; ++f) {
    if (voice.position >= end) {
      if (voice.looping && end != 0) {
        voice.position %= end;
      } else {
        voice.active = false;
        voice.position = 0;
        ended_[slot].store(voice.generation, std::memory_order_release);
        return;
      }
    }
    const std::size_t index = static_cast<std::size_t>(voice.position >> 32);
    const float fraction = static_cast<float>((voice.position & 0xFFFFFFFFu) / kFixedOne);
    std::size_t next = index + 1;
    if (next >= block->frames) next = voice.looping ? 0 : index;
    for (int c = 0; c < 2; ++c) {
      const int source = channels == 2 ? c : 0;
      const float a = samples[index * channels + source];
      const float b = samples[next * channels + source];
      mix[2 * f + c] += (a + (b - a) * fraction) * (c == 0 ? voice.gainLeft : voice.gainRight);
    }
    voice.position += voice.step;
  }
}

void AudioMixer::MixMusic(float* mix, int frames) {
  if (music_ == nullptr) return;
  const int bytes = frames * 2 * static_cast<int>(sizeof(std::int16_t));
  // With loop 0 the player never runs out; an error leaves this chunk silent.
  if (xmp_play_buffer(music_, musicChunk_.data(), bytes, 0) != 0) return;
  const float gain = musicGain_.load(std::memory_order_relaxed);
  for (int i = 0; i < 2 * frames; ++i) mix[i] += gain * static_cast<float>(musicChunk_[i]);
  xmp_get_frame_info(music_, &frameInfo_);
  const std::uint64_t position =
      (static_cast<std::uint64_t>(musicId_) << 32) | static_cast<std::uint32_t>(frameInfo_.pos);
  musicPosition_.store(position, std::memory_order_release);
}

void AudioMixer::SetMusicVolume(int percent) {
  // Perceived loudness follows the square of the slider more evenly than the slider itself.
  const float share = static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f;
  musicGain_.store(share * share, std::memory_order_relaxed);
}

void AudioMixer::Render(std::int16_t* out, int frames) {
  // Never waits: while the main thread is queueing, its commands wait for the next pass.
  if (queueMutex_.try_lock()) {
    working_.swap(pending_);
    const std::uint64_t taken = submitted_;
    queueMutex_.unlock();
    for (const Command& command : working_) Apply(command);
    working_.clear();
    applied_.store(taken, std::memory_order_release);
  }
  while (frames > 0) {
    const int count = std::min(frames, kChunkFrames);
    std::fill_n(mix_.begin(), 2 * count, 0.0f);
    for (int slot = 0; slot < kMaxVoices; ++slot) {
      Voice& voice = voices_[slot];
      if (voice.active) MixVoice(slot, voice, mix_.data(), count);
    }
    MixMusic(mix_.data(), count);
    for (int i = 0; i < 2 * count; ++i) out[i] = ClampSample(mix_[i]);
    out += 2 * count;
    frames -= count;
  }
}

}  // namespace brakkon::platform
