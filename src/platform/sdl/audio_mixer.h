// The mixer behind the sound output: effect voices sharing sample blocks and one
// music module, rendered on the audio thread, driven from the main thread.
//
// Threads: every public call except Render belongs to the main thread, which
// keeps the buffers' records and queues commands; Render (the audio thread)
// takes the whole queue by swapping it out under a lock held for nothing else,
// so neither thread waits for the other's work. What flows back (a one-shot
// voice reached its end, the module's order position) goes through atomics.
// Sample blocks and modules the main thread lets go are freed only once the
// audio thread has taken the command that stops using them.
#pragma once

#include <xmp.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/pcm_format.h"
#include "platform/platform.h"

namespace brakkon::platform {

class AudioMixer {
 public:
  static constexpr int kOutputRate = 44100;  // Hz, stereo, signed 16-bit
  static constexpr int kMaxVoices = 512;     // buffers alive at once
  static constexpr int kChunkFrames = 1024;  // frames mixed per pass

  AudioMixer();
  ~AudioMixer();
  AudioMixer(const AudioMixer&) = delete;
  AudioMixer& operator=(const AudioMixer&) = delete;

  // Effect buffers, as IAudio describes them.
  int CreateBuffer(const PcmFormat& format, std::size_t length);
  bool WriteBuffer(int buffer, std::span<const std::uint8_t> bytes);
  int DuplicateBuffer(int buffer);
  void FreeBuffer(int buffer);
  void FreeAllBuffers();
  void Play(int buffer, bool looping);
  void Stop(int buffer);
  void SetPosition(int buffer, std::uint32_t byteOffset);
  void SetFrequency(int buffer, std::int32_t hz);
  void SetPan(int buffer, std::int32_t pan);
  void SetVolume(int buffer, std::int32_t volume);
  SoundStatus Status(int buffer);
  int LiveBuffers() const { return static_cast<int>(buffers_.size()); }

  // Music modules, as IModulePlayer describes them. Loading reads and parses the
  // file on the calling thread.
  std::uint32_t LoadModule(const std::string& path);
  void PlayModule(std::uint32_t module);
  void FreeModule(std::uint32_t module);
  std::int32_t ModuleOrder(std::uint32_t module) const;
  // Music loudness, 0..100 percent of the module's own; any thread.
  void SetMusicVolume(int percent);
  float MusicGain() const { return musicGain_.load(std::memory_order_relaxed); }

  // Audio thread: mixes `frames` stereo frames into `out`.
  void Render(std::int16_t* out, int frames);

  // Main thread: frees what the audio thread no longer uses. Every call above runs it.
  void Collect();

 private:
  // Samples as 16-bit, interleaved by channel, at the buffer's own rate.
  struct SampleBlock {
    std::vector<std::int16_t> samples;
    PcmFormat format;
    std::size_t frames = 0;
    std::size_t byteLength = 0;  // as created, before the conversion
  };
  struct BufferRecord {
    std::shared_ptr<const SampleBlock> block;
    int slot = 0;
    std::int32_t frequency = 0;
    std::int32_t pan = 0;
    std::int32_t volume = 0;
    bool playing = false;
    bool looping = false;
    std::uint32_t generation = 0;  // of the last play
  };
  struct Command {
    enum class Kind : std::uint8_t {
      kBind,
      kSamples,
      kUnbind,
      kPlay,
      kStop,
      kPosition,
      kStep,
      kGain,
      kMusicPlay,
      kMusicStop
    };
    Kind kind = Kind::kStop;
    int slot = 0;
    const SampleBlock* block = nullptr;
    bool looping = false;
    std::uint32_t generation = 0;
    std::uint64_t value = 0;  // frames as 32.32 fixed point for kPosition and kStep
    float gainLeft = 1;
    float gainRight = 1;
    xmp_context module = nullptr;
    std::uint32_t moduleId = 0;
  };
  // Audio thread only.
  struct Voice {
    const SampleBlock* block = nullptr;
    bool active = false;
    bool looping = false;
    std::uint32_t generation = 0;
    std::uint64_t position = 0;  // frames, 32.32 fixed point
    std::uint64_t step = 0;      // frames per output frame, 32.32 fixed point
    float gainLeft = 1;
    float gainRight = 1;
  };

  BufferRecord* Find(int buffer);
  int NewRecord(std::shared_ptr<const SampleBlock> block);
  std::uint64_t Post(const Command& command);
  void PostStep(const BufferRecord& record);
  void PostGain(const BufferRecord& record);
  void Apply(const Command& command);
  void MixVoice(int slot, Voice& voice, float* mix, int frames);
  void MixMusic(float* mix, int frames);

  // Main thread.
  std::unordered_map<int, BufferRecord> buffers_;
  int nextBufferId_ = 1;
  std::vector<int> freeSlots_;
  std::array<std::uint32_t, kMaxVoices> slotGenerations_{};
  std::unordered_map<std::uint32_t, xmp_context> modules_;
  std::uint32_t nextModuleId_ = 1;
  std::vector<std::pair<std::uint64_t, std::shared_ptr<const SampleBlock>>> retiredBlocks_;
  std::vector<std::pair<std::uint64_t, xmp_context>> retiredModules_;

  // Shared.
  std::mutex queueMutex_;
  std::vector<Command> pending_;           // guarded by queueMutex_
  std::uint64_t submitted_ = 0;            // guarded by queueMutex_: commands queued so far
  std::atomic<std::uint64_t> applied_{0};  // commands the audio thread has taken
  std::array<std::atomic<std::uint32_t>, kMaxVoices> ended_{};  // generation that ran out
  std::atomic<std::uint64_t> musicPosition_{0};                 // module id << 32 | order position
  std::atomic<float> musicGain_{1.0f};                          // applied to every music sample

  // Audio thread.
  std::vector<Command> working_;
  std::array<Voice, kMaxVoices> voices_{};
  xmp_context music_ = nullptr;
  std::uint32_t musicId_ = 0;
  std::array<float, 2 * kChunkFrames> mix_{};
  std::array<std::int16_t, 2 * kChunkFrames> musicChunk_{};
  xmp_frame_info frameInfo_{};
};

}  // namespace brakkon::platform
