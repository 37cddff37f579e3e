// The sound output and module player without a device: they record what was
// played and stopped, let simulated time run sounds out, and answer status and
// order queries as a test scripts them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/pcm_format.h"
#include "platform/platform.h"

namespace brakkon::platform {

class ManualClock;

struct AudioCall {
  enum class Kind {
    kCreate,
    kWrite,
    kDuplicate,
    kFree,
    kPlay,
    kStop,
    kPosition,
    kFrequency,
    kPan,
    kVolume,
    kSleep
  };
  Kind kind;
  int buffer = 0;
  std::int64_t value = 0;  // looping for kPlay; the number set; ms for kSleep
};

// A buffer played once sounds for its length at its rate on the manual clock.
class HeadlessAudio : public IAudio {
 public:
  explicit HeadlessAudio(ManualClock& clock) : clock_(clock) {}

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
  // Lets simulated time pass.
  void Sleep(std::uint32_t ms) override;

  // What a test sets up.
  bool available = true;       // what Open answers
  bool failCreate = false;     // CreateBuffer answers 0
  bool failWrite = false;      // WriteBuffer answers false
  bool failDuplicate = false;  // DuplicateBuffer answers 0
  // Status answers `status` for `buffer` until cleared, whatever it plays.
  void ScriptStatus(int buffer, SoundStatus status) { scripted_[buffer] = status; }
  void ClearScript(int buffer) { scripted_.erase(buffer); }

  // What a test inspects.
  bool open() const { return open_; }
  std::vector<AudioCall> calls;
  int Count(AudioCall::Kind kind, int buffer = 0) const;  // buffer 0: any
  int LiveBuffers() const { return static_cast<int>(buffers_.size()); }
  bool Exists(int buffer) const { return buffers_.count(buffer) != 0; }
  bool SharesSamples(int a, int b) const;
  std::vector<std::uint8_t> Samples(int buffer) const;
  bool Looping(int buffer) const;
  std::int32_t Frequency(int buffer) const;
  std::int32_t Pan(int buffer) const;
  std::int32_t Volume(int buffer) const;

 private:
  struct Buffer {
    std::shared_ptr<std::vector<std::uint8_t>> samples;
    PcmFormat format;
    bool playing = false;
    bool looping = false;
    std::uint32_t startMs = 0;
    std::uint32_t position = 0;  // bytes, where the last play started
    std::int32_t frequency = 0;
    std::int32_t pan = 0;
    std::int32_t volume = 0;
  };
  Buffer* Find(int buffer);
  const Buffer* Find(int buffer) const;
  void Record(AudioCall::Kind kind, int buffer, std::int64_t value = 0) {
    calls.push_back(AudioCall{kind, buffer, value});
  }

  ManualClock& clock_;
  bool open_ = false;
  int nextId_ = 1;
  std::map<int, Buffer> buffers_;
  std::map<int, SoundStatus> scripted_;
};

struct ModuleCall {
  enum class Kind { kLoad, kPlay, kFree, kOrder };
  Kind kind;
  std::uint32_t module = 0;  // for kLoad, the number handed out (0 on failure)
  std::string path;          // for kLoad
};

class HeadlessModulePlayer : public IModulePlayer {
 public:
  std::uint32_t LoadFromFile(const std::string& path) override;
  void Play(std::uint32_t module) override;
  void Free(std::uint32_t module) override;
  std::int32_t Order(std::uint32_t module) override;
  void SetVolume(int percent) override { volume = percent; }

  // What a test sets up: paths that fail to load, and the order the playing
  // module is at (Play sets it back to 0).
  std::set<std::string> unreadable;
  std::int32_t order = 0;
  int volume = 100;  // as the game last set it

  // What a test inspects.
  std::vector<ModuleCall> calls;
  int Count(ModuleCall::Kind kind) const;
  std::uint32_t playing() const { return playing_; }
  std::string PlayingPath() const;
  int LoadedModules() const { return static_cast<int>(loaded_.size()); }

 private:
  std::uint32_t next_ = 1;
  std::uint32_t playing_ = 0;
  std::map<std::uint32_t, std::string> loaded_;
};

}  // namespace brakkon::platform
