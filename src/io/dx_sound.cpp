// Sound device component, sound list, sound items and their buffers, WAVE images.
#include "io/dx_sound.h"

#include <fmt/printf.h>

#include <algorithm>
#include <cstring>

#include "engine/byte_reader.h"
#include "engine/component_reader.h"

namespace brakkon::io {

namespace {

constexpr std::uint32_t kChunkFmt = 0x20746D66;   // "fmt "
constexpr std::uint32_t kChunkData = 0x61746164;  // "data"
constexpr std::uint32_t kPollIntervalMs = 10;     // Wait mode's status polling

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

[[noreturn]] void NotMade() {
  throw EDirectSoundBufferError(fmt::sprintf("%s not made", "IDirectSoundBuffer"));
}

// An item's `Wave` as a stream sees it: the image is a defined binary property.
class WaveStreamObject : public engine::TStreamObject {
 public:
  explicit WaveStreamObject(TWave& wave) : wave_(wave) {}
  void DefineProperties(engine::TPropertyList& properties) override {
    properties.Binary("WAVE",
                      [this](std::span<const std::uint8_t> image) { wave_.ReadWave(image); });
  }

 private:
  TWave& wave_;
};

class ItemStreamObject : public engine::TStreamObject {
 public:
  explicit ItemStreamObject(TWaveCollectionItem& item) : item_(item), wave_(item.Wave()) {}
  void DefineProperties(engine::TPropertyList& properties) override {
    TWaveCollectionItem& item = item_;
    properties.String("Name", [&item](const std::string& name) { item.SetName(name); });
    properties.Boolean("Looped", [&item](bool looped) { item.SetLooped(looped); });
    properties.Integer("MaxPlayingCount",
                       [&item](std::int32_t count) { item.SetMaxPlayingCount(count); });
    properties.Object("Wave", &wave_);
  }

 private:
  TWaveCollectionItem& item_;
  WaveStreamObject wave_;
};

class ListStreamObject : public engine::TStreamObject, public engine::TCollectionTarget {
 public:
  explicit ListStreamObject(TWaveCollection& collection) : collection_(collection) {}
  void DefineProperties(engine::TPropertyList&) override {}
  void ClearItems() override { collection_.Clear(); }
  std::unique_ptr<engine::TStreamObject> AddItem() override {
    return std::make_unique<ItemStreamObject>(collection_.Add());
  }

 private:
  TWaveCollection& collection_;
};

// The temporary root a sound archive is read into.
class WaveCollectionComponent : public engine::TStreamObject {
 public:
  explicit WaveCollectionComponent(TWaveCollection& collection) : list_(collection) {}
  void DefineProperties(engine::TPropertyList& properties) override {
    engine::DefineComponentRootProperties(properties);
    properties.Collection("List", list_, &list_);
  }

 private:
  ListStreamObject list_;
};

}  // namespace

TWaveStream::TWaveStream(std::span<const std::uint8_t> image) : image_(image) {}

TWaveStream::TWaveStream() : writing_(true) {}

void TWaveStream::Open(bool write) {
  if (opened_) throw EWaveStreamError("Stream has already been opened");
  writing_ = write;
  if (!write) Parse();
  opened_ = true;
}

void TWaveStream::RequireOpen() const {
  if (!opened_) throw EWaveStreamError("Stream not opend");
}

void TWaveStream::Parse() {
  if (image_.size() < 12 || std::memcmp(image_.data(), "RIFF", 4) != 0 ||
      std::memcmp(image_.data() + 8, "WAVE", 4) != 0) {
    throw EWaveStreamError("Wave is invalid");
  }
  engine::ByteReader in(image_);
  in.Seek(12);
  for (;;) {
    // A short read leaves the rest of the header zero: the end of the image reads
    // as an identifier of zero, which ends the chunks.
    std::uint8_t header[8] = {};
    const std::size_t got = std::min<std::size_t>(sizeof header, in.Remaining());
    std::memcpy(header, in.Bytes(got).data(), got);
    engine::ByteReader fields(header);
    const std::uint32_t id = fields.U32();
    const std::uint32_t length = fields.U32();
    if (id == 0) break;
    if (id == kChunkFmt) {
      format_ = in.Bytes(length);
    } else if (id == kChunkData) {
      data_ = in.Bytes(length);
    } else if (length > in.Remaining()) {
      break;  // skipping past the end leaves nothing more to read
    } else {
      in.Skip(length);
    }
  }
}

std::span<const std::uint8_t> TWaveStream::FormatBlock() const {
  RequireOpen();
  return writing_ ? std::span<const std::uint8_t>(writtenFormat_) : format_;
}

std::span<const std::uint8_t> TWaveStream::Data() const {
  RequireOpen();
  return writing_ ? std::span<const std::uint8_t>(writtenData_) : data_;
}

void TWaveStream::SetFormat(std::span<const std::uint8_t> format) {
  RequireOpen();
  writtenFormat_.assign(format.begin(), format.end());
}

void TWaveStream::Write(std::span<const std::uint8_t> samples) {
  RequireOpen();
  if (writtenFormat_.empty()) throw EWaveStreamError("Format is invalid");
  writtenData_.insert(writtenData_.end(), samples.begin(), samples.end());
}

std::vector<std::uint8_t> TWaveStream::Image() const {
  RequireOpen();
  std::vector<std::uint8_t> out;
  out.reserve(12 + 8 + writtenFormat_.size() + 8 + writtenData_.size());
  PutTag(out, "RIFF");
  PutU32(out, static_cast<std::uint32_t>(4 + 8 + writtenFormat_.size() + 8 + writtenData_.size()));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, static_cast<std::uint32_t>(writtenFormat_.size()));
  out.insert(out.end(), writtenFormat_.begin(), writtenFormat_.end());
  PutTag(out, "data");
  PutU32(out, static_cast<std::uint32_t>(writtenData_.size()));
  out.insert(out.end(), writtenData_.begin(), writtenData_.end());
  return out;
}

void TWave::Clear() {
  format_.clear();
  data_.clear();
}

void TWave::ReadWave(std::span<const std::uint8_t> image) {
  Clear();
  TWaveStream stream(image);
  stream.Open(false);
  Assign(stream.FormatBlock(), stream.Data());
}

void TWave::Assign(std::span<const std::uint8_t> format, std::span<const std::uint8_t> data) {
  format_.assign(format.begin(), format.end());
  data_.assign(data.begin(), data.end());
}

TDXSound::TDXSound(platform::IAudio& audio) : audio_(audio) {}

TDXSound::~TDXSound() {
  Finalize();
  Notify(TDXSoundNotifyType::dsntDestroying);
}

void TDXSound::Initialize() {
  Finalize();
  Notify(TDXSoundNotifyType::dsntInitializing);
  if (!audio_.Open()) {
    throw EDirectSoundError(fmt::sprintf("%s cannot be initialized", "DirectSound"));
  }
  initialized_ = true;
  Notify(TDXSoundNotifyType::dsntInitialize);
  Notify(TDXSoundNotifyType::dsntRestore);
}

void TDXSound::Finalize() {
  if (!initialized_) return;
  Notify(TDXSoundNotifyType::dsntFinalize);
  initialized_ = false;
  audio_.Close();
}

void TDXSound::Restore() {
  if (initialized_) Notify(TDXSoundNotifyType::dsntRestore);
}

int TDXSound::RegisterNotifyEvent(TDXSoundListener listener) {
  const int id = nextListenerId_++;
  listeners_.push_back(Listener{id, std::move(listener)});
  return id;
}

void TDXSound::UnRegisterNotifyEvent(int id) {
  std::erase_if(listeners_, [id](const Listener& l) { return l.id == id; });
}

void TDXSound::Notify(TDXSoundNotifyType type) {
  // A listener may unregister itself (or another) while being notified.
  const auto snapshot = listeners_;
  for (const Listener& listener : snapshot) {
    const bool stillThere = std::any_of(listeners_.begin(), listeners_.end(),
                                        [&](const Listener& l) { return l.id == listener.id; });
    if (stillThere) listener.callback(*this, type);
  }
}

void TDirectSoundBuffer::LoadFromWave(const TWave& wave) {
  Release();
  platform::IAudio& audio = sound_.Audio();
  const int id = audio.CreateBuffer(wave.FormatBlock(), wave.Data().size());
  if (id == 0) throw EDirectSoundBufferError(fmt::sprintf("%s cannot be made", "Sound Buffer"));
  if (!audio.WriteBuffer(id, wave.Data())) {
    audio.FreeBuffer(id);
    throw EDirectSoundBufferError(fmt::sprintf("%s cannot be locked", "Sound Buffer"));
  }
  id_ = id;
}

void TDirectSoundBuffer::Duplicate(const TDirectSoundBuffer& source) {
  Release();
  if (source.Made()) id_ = sound_.Audio().DuplicateBuffer(source.id_);
}

void TDirectSoundBuffer::Release() {
  if (id_ == 0) return;
  sound_.Audio().FreeBuffer(id_);
  id_ = 0;
}

int TDirectSoundBuffer::Require() const {
  if (id_ == 0) NotMade();
  return id_;
}

void TDirectSoundBuffer::Play(bool looping) {
  sound_.Audio().Play(Require(), looping);
}

void TDirectSoundBuffer::Stop() {
  sound_.Audio().Stop(Require());
}

void TDirectSoundBuffer::SetPosition(std::uint32_t byteOffset) {
  sound_.Audio().SetPosition(Require(), byteOffset);
}

void TDirectSoundBuffer::SetFrequency(std::int32_t hz) {
  sound_.Audio().SetFrequency(Require(), hz);
}

void TDirectSoundBuffer::SetPan(std::int32_t pan) {
  sound_.Audio().SetPan(Require(), pan);
}

void TDirectSoundBuffer::SetVolume(std::int32_t volume) {
  sound_.Audio().SetVolume(Require(), volume);
}

platform::SoundStatus TDirectSoundBuffer::Status() {
  return sound_.Audio().Status(Require());
}

void TWaveCollectionItem::SetName(std::string_view name) {
  collection_.index_.Unlink(*this);
  name_ = std::string(name);
  collection_.index_.Link(*this);
}

void TWaveCollectionItem::SetLooped(bool looped) {
  if (looped == looped_) return;
  Stop();
  looped_ = looped;
}

void TWaveCollectionItem::SetMaxPlayingCount(std::int32_t count) {
  count = std::max(count, 0);
  if (count == maxPlayingCount_) return;
  maxPlayingCount_ = count;
  if (initialized_) playBuffers_.clear();
}

TDirectSoundBuffer& TWaveCollectionItem::EnsureMainBuffer() {
  if (!mainBuffer_) Restore();
  if (!mainBuffer_) NotMade();
  return *mainBuffer_;
}

TDirectSoundBuffer* TWaveCollectionItem::TakePlayBuffer() {
  for (const auto& buffer : playBuffers_) {
    const platform::SoundStatus status = buffer->Status();
    if (!status.playing && !status.looping) return buffer.get();
  }
  if (maxPlayingCount_ > 0 && playBuffers_.size() >= static_cast<std::size_t>(maxPlayingCount_)) {
    std::rotate(playBuffers_.begin(), playBuffers_.begin() + 1, playBuffers_.end());
    return playBuffers_.back().get();
  }
  if (!mainBuffer_) Restore();
  if (!mainBuffer_) return nullptr;
  auto duplicate = std::make_unique<TDirectSoundBuffer>(*collection_.DXSound());
  duplicate->Duplicate(*mainBuffer_);
  // A buffer the device could not make is not kept: it would fail every later
  // play of this sound, not just this one.
  if (!duplicate->Made()) NotMade();
  playBuffers_.push_back(std::move(duplicate));
  return playBuffers_.back().get();
}

void TWaveCollectionItem::Play(bool wait) {
  if (!initialized_) return;
  if (looped_) {
    TDirectSoundBuffer& main = EnsureMainBuffer();
    main.Stop();
    main.SetPosition(0);
    main.Play(true);
    return;
  }
  TDirectSoundBuffer* buffer = TakePlayBuffer();
  if (buffer == nullptr) return;
  buffer->Stop();
  buffer->SetPosition(0);
  buffer->SetFrequency(Frequency);
  buffer->SetPan(Pan);
  buffer->SetVolume(Volume);
  buffer->Play(false);
  if (!wait) return;
  for (;;) {
    const platform::SoundStatus status = buffer->Status();
    if (!status.playing && !status.looping) break;
    collection_.DXSound()->Audio().Sleep(kPollIntervalMs);
  }
}

void TWaveCollectionItem::Stop() {
  if (!initialized_) return;
  if (!mainBuffer_) NotMade();
  mainBuffer_->Stop();
  for (const auto& buffer : playBuffers_) buffer->Stop();
}

void TWaveCollectionItem::Restore() {
  if (wave_.Empty()) return;
  if (!initialized_) {
    if (collection_.DeviceReady()) Initialize();
    if (!initialized_) return;
  }
  if (!mainBuffer_) mainBuffer_ = std::make_unique<TDirectSoundBuffer>(*collection_.DXSound());
  mainBuffer_->LoadFromWave(wave_);
  mainBuffer_->SetFrequency(Frequency);
  mainBuffer_->SetPan(Pan);
  mainBuffer_->SetVolume(Volume);
}

void TWaveCollectionItem::Finalize() {
  if (!initialized_) return;
  initialized_ = false;
  playBuffers_.clear();
  mainBuffer_.reset();
}

void TWaveCollectionItem::Initialize() {
  Finalize();
  initialized_ = collection_.DeviceReady();
}

TWaveCollection::~TWaveCollection() {
  Clear();
}

TWaveCollectionItem& TWaveCollection::Items(int index) {
  if (index < 0 || index >= Count()) {
    throw engine::EListError(fmt::sprintf("List index out of bounds (%d)", index));
  }
  return *items_[index];
}

TWaveCollectionItem& TWaveCollection::Add() {
  items_.push_back(std::make_unique<TWaveCollectionItem>(*this));
  TWaveCollectionItem& item = *items_.back();
  index_.Link(item);
  return item;
}

void TWaveCollection::Clear() {
  items_.clear();
  index_.Clear();
}

TWaveCollectionItem& TWaveCollection::Find(std::string_view name) {
  if (auto* item = static_cast<TWaveCollectionItem*>(index_.Find(name))) return *item;
  throw EWaveCollectionError(fmt::sprintf("Wave '%s' not found", name));
}

void TWaveCollection::LoadFromFile(const std::string& fileName) {
  const std::vector<std::uint8_t> bytes = engine::ReadFileBytes(fileName);
  LoadFromBytes(bytes);
}

void TWaveCollection::LoadFromBytes(std::span<const std::uint8_t> bytes) {
  Clear();
  {
    WaveCollectionComponent root(*this);
    engine::ReadComponentResource(bytes, root);
  }
  if (DeviceReady()) {
    for (const auto& item : items_) item->Initialize();
    Restore();
  }
}

void TWaveCollection::Initialize(TDXSound* sound) {
  for (const auto& item : items_) item->Finalize();
  sound_ = sound;
  for (const auto& item : items_) item->Initialize();
}

void TWaveCollection::Finalize() {
  for (const auto& item : items_) item->Finalize();
  sound_ = nullptr;
}

void TWaveCollection::Restore() {
  for (const auto& item : items_) item->Restore();
}

TDXWaveList::~TDXWaveList() {
  SetDXSound(nullptr);
}

void TDXWaveList::SetDXSound(TDXSound* sound) {
  if (sound == sound_) return;
  if (sound_ != nullptr) {
    sound_->UnRegisterNotifyEvent(listenerId_);
    items_.Finalize();
  }
  sound_ = sound;
  listenerId_ = 0;
  if (sound_ == nullptr) return;
  listenerId_ = sound_->RegisterNotifyEvent([this](TDXSound& sender, TDXSoundNotifyType type) {
    switch (type) {
      case TDXSoundNotifyType::dsntInitialize:
        items_.Initialize(&sender);
        break;
      case TDXSoundNotifyType::dsntRestore:
        items_.Restore();
        break;
      case TDXSoundNotifyType::dsntFinalize:
        items_.Finalize();
        break;
      case TDXSoundNotifyType::dsntDestroying:
        items_.Finalize();
        sender.UnRegisterNotifyEvent(listenerId_);
        sound_ = nullptr;
        listenerId_ = 0;
        break;
      case TDXSoundNotifyType::dsntInitializing:
        break;
    }
  });
  // A device that is already up sends no notification of its own.
  if (sound_->Initialized()) {
    items_.Initialize(sound_);
    items_.Restore();
  }
}

void PlaySound(TDXWaveList& list, bool soundOn, std::string_view name, bool wait) {
  if (!soundOn) return;
  TWaveCollectionItem& item = list.Items().Find(name);
  item.Stop();
  item.Play(wait);
}

void StopSound(TDXWaveList& list, bool soundOn, std::string_view name) {
  if (!soundOn) return;
  list.Items().Find(name).Stop();
}

}  // namespace brakkon::io
