// The sound device component, the sound list with its named items and their
// device buffers, the WAVE images the items hold, and the game's PlaySound and
// StopSound.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/errors.h"
#include "engine/hash_collection.h"
#include "platform/platform.h"

namespace brakkon::io {

class EWaveCollectionError : public engine::EEngineError {  // name look-up
 public:
  using EEngineError::EEngineError;
};
class EWaveStreamError : public engine::EEngineError {  // WAVE images
 public:
  using EEngineError::EEngineError;
};
class EDXSoundError : public engine::EEngineError {  // the device component
 public:
  using EEngineError::EEngineError;
};
class EDirectXError : public engine::EEngineError {
 public:
  using EEngineError::EEngineError;
};
class EDirectSoundError : public EDirectXError {  // the sound output
 public:
  using EDirectXError::EDirectXError;
};
class EDirectSoundBufferError : public EDirectSoundError {  // one device buffer
 public:
  using EDirectSoundError::EDirectSoundError;
};

// A RIFF WAVE image, read or written whole.
class TWaveStream {
 public:
  // A stream that reads `image`, which must outlive it.
  explicit TWaveStream(std::span<const std::uint8_t> image);
  // A stream that writes a new image.
  TWaveStream();

  // Reading parses the image: EWaveStreamError "Wave is invalid" when it is not a
  // RIFF WAVE, EReadError "Stream read error" when a chunk runs past its end.
  // EWaveStreamError "Stream has already been opened" on a second Open.
  void Open(bool write);
  bool Opened() const { return opened_; }

  // Read side; EWaveStreamError "Stream not opend" before Open.
  std::span<const std::uint8_t> FormatBlock() const;
  std::span<const std::uint8_t> Data() const;

  // Write side: the format first, then samples appended to the data.
  // "Stream not opend" before Open; Write without a format: "Format is invalid".
  void SetFormat(std::span<const std::uint8_t> format);
  void Write(std::span<const std::uint8_t> samples);
  // The image written so far: header, `fmt ` and `data` chunks.
  std::vector<std::uint8_t> Image() const;

 private:
  void RequireOpen() const;
  void Parse();

  std::span<const std::uint8_t> image_;
  bool writing_ = false;
  bool opened_ = false;
  std::span<const std::uint8_t> format_;
  std::span<const std::uint8_t> data_;
  std::vector<std::uint8_t> writtenFormat_;
  std::vector<std::uint8_t> writtenData_;
};

// A wave: its format block as stored and its sample data.
class TWave {
 public:
  const std::vector<std::uint8_t>& FormatBlock() const { return format_; }
  const std::vector<std::uint8_t>& Data() const { return data_; }
  bool Empty() const { return data_.empty(); }
  void Clear();
  // Replaces both from a RIFF WAVE image (the archive's `WAVE` value); errors as
  // TWaveStream::Open, leaving the wave empty.
  void ReadWave(std::span<const std::uint8_t> image);
  void Assign(std::span<const std::uint8_t> format, std::span<const std::uint8_t> data);

 private:
  std::vector<std::uint8_t> format_;
  std::vector<std::uint8_t> data_;
};

enum class TDXSoundNotifyType {
  dsntDestroying,
  dsntInitializing,
  dsntInitialize,
  dsntFinalize,
  dsntRestore
};

class TDXSound;
using TDXSoundListener = std::function<void(TDXSound& sender, TDXSoundNotifyType type)>;

// The sound device component over the platform's sound output.
class TDXSound {
 public:
  explicit TDXSound(platform::IAudio& audio);
  ~TDXSound();
  TDXSound(const TDXSound&) = delete;
  TDXSound& operator=(const TDXSound&) = delete;

  // Starts the device and tells the bound lists (initialised, then restored).
  // EDirectSoundError "DirectSound cannot be initialized" when there is no output.
  void Initialize();
  // Tells the bound lists, then closes the device's buffers. Safe when not started.
  void Finalize();
  // Has every bound list fill its buffers again.
  void Restore();
  bool Initialized() const { return initialized_; }
  platform::IAudio& Audio() { return audio_; }

  int RegisterNotifyEvent(TDXSoundListener listener);
  void UnRegisterNotifyEvent(int id);

 private:
  struct Listener {
    int id;
    TDXSoundListener callback;
  };
  void Notify(TDXSoundNotifyType type);

  platform::IAudio& audio_;
  bool initialized_ = false;
  int nextListenerId_ = 1;
  std::vector<Listener> listeners_;
};

// One device buffer. Until it holds samples it is "not made", and every call on
// it raises EDirectSoundBufferError "IDirectSoundBuffer not made".
class TDirectSoundBuffer {
 public:
  explicit TDirectSoundBuffer(TDXSound& sound) : sound_(sound) {}
  ~TDirectSoundBuffer() { Release(); }
  TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
  TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

  bool Made() const { return id_ != 0; }
  // Replaces the device buffer with one holding `wave`'s samples in its format.
  // "Sound Buffer cannot be made" / "Sound Buffer cannot be locked" (the buffer is
  // then not made).
  void LoadFromWave(const TWave& wave);
  // Makes this a buffer sharing `source`'s samples; left not made when the device cannot.
  void Duplicate(const TDirectSoundBuffer& source);
  void Release();

  void Play(bool looping);
  void Stop();
  void SetPosition(std::uint32_t byteOffset);
  void SetFrequency(std::int32_t hz);
  void SetPan(std::int32_t pan);
  void SetVolume(std::int32_t volume);
  platform::SoundStatus Status();
  int Id() const { return id_; }

 private:
  int Require() const;

  TDXSound& sound_;
  int id_ = 0;
};

class TWaveCollection;

// One named sound with its buffers: the main buffer for looped play, duplicates
// of it for overlapping one-shot plays.
class TWaveCollectionItem : public engine::THashCollectionItem {
 public:
  explicit TWaveCollectionItem(TWaveCollection& collection) : collection_(collection) {}
  ~TWaveCollectionItem() { Finalize(); }
  TWaveCollectionItem(const TWaveCollectionItem&) = delete;
  TWaveCollectionItem& operator=(const TWaveCollectionItem&) = delete;

  void SetName(std::string_view name);  // relinks the item at the head of its hash chain
  TDirectSoundBuffer* MainBuffer() { return mainBuffer_.get(); }
  const std::vector<std::unique_ptr<TDirectSoundBuffer>>& PlayBuffers() const {
    return playBuffers_;
  }
  std::int32_t Frequency = 0;  // Hz applied on every play; 0 = the wave's own rate
  std::int32_t Pan = 0;        // applied on every play; 0 = centre
  std::int32_t Volume = 0;     // attenuation applied on every play; 0 = full
  bool Initialized() const { return initialized_; }
  bool Looped() const { return looped_; }
  void SetLooped(bool looped);  // stops the item first
  std::int32_t MaxPlayingCount() const { return maxPlayingCount_; }
  // Negative stores 0; a change frees every play buffer of a bound item.
  void SetMaxPlayingCount(std::int32_t count);
  TWave& Wave() { return wave_; }

  // Starts the sound from its beginning; a looped item has one instance only.
  // With `wait`, returns when a one-shot play has ended.
  void Play(bool wait);
  // Stops every buffer of a bound item; one that never got a main buffer raises
  // EDirectSoundBufferError "IDirectSoundBuffer not made".
  void Stop();
  // Fills the main buffer from the wave, binding the item first if it can.
  void Restore();
  // Unbinds: frees every buffer.
  void Finalize();
  // Unbinds, then binds to the collection's device if it is ready.
  void Initialize();

 private:
  friend class TWaveCollection;
  TDirectSoundBuffer& EnsureMainBuffer();
  TDirectSoundBuffer* TakePlayBuffer();

  TWaveCollection& collection_;
  std::unique_ptr<TDirectSoundBuffer> mainBuffer_;
  std::vector<std::unique_ptr<TDirectSoundBuffer>> playBuffers_;  // oldest first
  bool initialized_ = false;
  bool looped_ = false;
  std::int32_t maxPlayingCount_ = 0;  // 0 = no limit
  TWave wave_;
};

// The sounds of one archive, found by name ignoring case.
class TWaveCollection {
 public:
  TWaveCollection() = default;
  ~TWaveCollection();
  TWaveCollection(const TWaveCollection&) = delete;
  TWaveCollection& operator=(const TWaveCollection&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TWaveCollectionItem& Items(int index);  // EListError "List index out of bounds (%d)"
  TWaveCollectionItem& Add();
  void Clear();

  // The item last given `name`, ignoring case; EWaveCollectionError "Wave '%s' not found".
  TWaveCollectionItem& Find(std::string_view name);

  // Reads a sound archive; EFOpenError when the file cannot be read. Items get
  // their buffers at once when the device is ready.
  void LoadFromFile(const std::string& fileName);
  void LoadFromBytes(std::span<const std::uint8_t> bytes);

  void Initialize(TDXSound* sound);  // unbinds every item, then binds them to `sound`
  void Finalize();                   // unbinds every item and forgets the device
  void Restore();                    // every item fills its main buffer
  TDXSound* DXSound() const { return sound_; }
  bool DeviceReady() const { return sound_ != nullptr && sound_->Initialized(); }

 private:
  friend class TWaveCollectionItem;

  std::vector<std::unique_ptr<TWaveCollectionItem>> items_;
  engine::THashIndex index_;
  TDXSound* sound_ = nullptr;
};

// The sound-list component: owns a collection and binds it to a device.
class TDXWaveList {
 public:
  TDXWaveList() = default;
  ~TDXWaveList();
  TDXWaveList(const TDXWaveList&) = delete;
  TDXWaveList& operator=(const TDXWaveList&) = delete;

  TWaveCollection& Items() { return items_; }
  // Follows the device's notifications (and stops following the previous one's).
  void SetDXSound(TDXSound* sound);
  TDXSound* DXSound() const { return sound_; }

 private:
  TWaveCollection items_;
  TDXSound* sound_ = nullptr;
  int listenerId_ = 0;
};

// The game's effects by name. With `soundOn` false nothing happens, not even the
// look-up; otherwise an unknown name raises "Wave '%s' not found". A play starts
// the sound over from its beginning.
void PlaySound(TDXWaveList& list, bool soundOn, std::string_view name, bool wait);
void StopSound(TDXWaveList& list, bool soundOn, std::string_view name);

}  // namespace brakkon::io
