// The WAVE reader, the sound archive, the play rules of one sound item and the
// game's PlaySound/StopSound, on the headless sound output.
#include "io/dx_sound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/errors.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::io {
namespace {

using platform::AudioCall;
using Kind = platform::AudioCall::Kind;
using Bytes = std::vector<std::uint8_t>;

// PCM, mono, 22050 Hz, 16-bit: 44100 bytes a second.
const Bytes kFormat = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};

void PutU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A chunk as laid out in the image; `stated` overrides the length written.
struct Chunk {
  Chunk(std::string id, Bytes body, std::optional<std::uint32_t> stated = std::nullopt)
      : id(std::move(id)), body(std::move(body)), stated(stated) {}
  std::string id;
  Bytes body;
  std::optional<std::uint32_t> stated;
};

// A RIFF WAVE image from chunks, byte for byte: no pad bytes unless a chunk holds them.
Bytes Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
  Bytes out = {'R', 'I', 'F', 'F'};
  PutU32(out, 0);
  out.insert(out.end(), form, form + 4);
  for (const Chunk& c : chunks) {
    out.insert(out.end(), c.id.begin(), c.id.end());
    if (c.id.size() == 4) PutU32(out, c.stated.value_or(static_cast<std::uint32_t>(c.body.size())));
    out.insert(out.end(), c.body.begin(), c.body.end());
  }
  return out;
}

// A valid wave of `bytes` sample bytes, written by the game's own writer.
Bytes WaveOf(std::size_t bytes, std::uint8_t fill = 7) {
  TWaveStream stream;
  stream.Open(true);
  stream.SetFormat(kFormat);
  stream.Write(Bytes(bytes, fill));
  return stream.Image();
}

// A wave that reads: the format block's length and the sample data it yields.
struct WaveCase {
  const char* name;
  Bytes image;
  std::size_t formatBytes;
  Bytes data;
};

TEST(WaveReader, ReadsChunksByTheReaderRules) {
  const Bytes odd = {9, 9, 9};
  // The pad byte starts a header whose length runs past the end: no data is found.
  const Bytes padded = Riff({{"fmt ", kFormat}, {"LIST", {9, 9, 9, 0}, 3}, {"data", {5, 6}}});
  const Bytes zeroId = Riff({{"fmt ", kFormat}, {std::string(4, '\0'), {}}, {"data", {1}}});
  const WaveCase cases[] = {
      {"plain", Riff({{"fmt ", kFormat}, {"data", {1, 2, 3, 4}}}), 16, {1, 2, 3, 4}},
      {"no data chunk", Riff({{"fmt ", kFormat}}), 16, {}},
      {"odd unknown chunk", Riff({{"fmt ", kFormat}, {"LIST", odd}, {"data", {5, 6}}}), 16, {5, 6}},
      {"odd unknown chunk with a pad byte", padded, 16, {}},
      {"later data wins",
       Riff({{"data", {1, 1}}, {"fmt ", kFormat}, {"data", {2, 2, 2}}}),
       16,
       {2, 2, 2}},
      {"a zero identifier ends the chunks", zeroId, 16, {}},
      {"a header cut short at the end", Riff({{"fmt ", kFormat}, {"da", {}}}), 16, {}},
      {"unknown chunk past the end", Riff({{"data", {4}}, {"junk", {1, 2}, 100}}), 0, {4}},
      {"format of any length", Riff({{"fmt ", {1, 2, 3, 4, 5}}, {"data", {8}}}), 5, {8}},
  };
  for (const WaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    TWave wave;
    wave.ReadWave(c.image);
    EXPECT_EQ(wave.FormatBlock().size(), c.formatBytes);
    EXPECT_EQ(wave.Data(), c.data);
  }
}

TEST(WaveReader, RejectsWhatIsNoWave) {
  Bytes notRiff = Riff({{"data", {1}}});
  notRiff[3] = 'X';
  const struct {
    const char* name;
    Bytes image;
    const char* error;
  } cases[] = {
      {"data running past the end", Riff({{"fmt ", kFormat}, {"data", {1, 2}, 3}}),
       "Stream read error"},
      {"format running past the end", Riff({{"fmt ", {1, 2}, 3}}), "Stream read error"},
      {"not RIFF", notRiff, "Wave is invalid"},
      {"not WAVE", Riff({{"data", {1}}}, "AVI "), "Wave is invalid"},
      {"shorter than the header", Bytes{'R', 'I', 'F', 'F', 0, 0}, "Wave is invalid"},
      {"empty", Bytes{}, "Wave is invalid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TWave wave;
    try {
      wave.ReadWave(c.image);
      ADD_FAILURE() << "read without error";
    } catch (const engine::EEngineError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
}

TEST(WaveReader, KindOfErrorAndStreamMisuse) {
  TWave wave;
  EXPECT_THROW(wave.ReadWave(Bytes{'R', 'I', 'F', 'X'}), EWaveStreamError);
  EXPECT_THROW(wave.ReadWave(Riff({{"data", {1}, 9}})), engine::EReadError);

  const Bytes image = WaveOf(4);
  TWaveStream reader(image);
  try {
    reader.Data();
    ADD_FAILURE();
  } catch (const EWaveStreamError& e) {
    EXPECT_STREQ(e.what(), "Stream not opend");
  }
  reader.Open(false);
  try {
    reader.Open(false);
    ADD_FAILURE();
  } catch (const EWaveStreamError& e) {
    EXPECT_STREQ(e.what(), "Stream has already been opened");
  }
  EXPECT_EQ(Bytes(reader.Data().begin(), reader.Data().end()), Bytes(4, 7));

  TWaveStream writer;
  writer.Open(true);
  try {
    writer.Write(Bytes{1});
    ADD_FAILURE();
  } catch (const EWaveStreamError& e) {
    EXPECT_STREQ(e.what(), "Format is invalid");
  }
}

// A device on the headless output, a sound list bound to it, and archive helpers.
class SoundFixture : public ::testing::Test {
 protected:
  SoundFixture() : audio_(clock_), sound_(audio_) { list_.SetDXSound(&sound_); }

  void StartDevice() { sound_.Initialize(); }

  void Load(const std::vector<engine::SoundArchiveItem>& items) {
    list_.Items().LoadFromBytes(engine::WriteSoundArchive(items));
  }
  static engine::SoundArchiveItem Item(const char* name, bool looped = false, int maxPlaying = 0,
                                       Bytes wave = WaveOf(4410)) {
    return engine::SoundArchiveItem{name, looped, maxPlaying, std::move(wave)};
  }
  TWaveCollectionItem& Find(const char* name) { return list_.Items().Find(name); }
  std::vector<int> PlayBufferIds(const char* name) {
    std::vector<int> ids;
    for (const auto& b : Find(name).PlayBuffers()) ids.push_back(b->Id());
    return ids;
  }
  // The calls made since `from`, as (kind, buffer).
  std::vector<std::pair<Kind, int>> CallsSince(std::size_t from) const {
    std::vector<std::pair<Kind, int>> out;
    for (std::size_t i = from; i < audio_.calls.size(); ++i)
      out.emplace_back(audio_.calls[i].kind, audio_.calls[i].buffer);
    return out;
  }

  platform::ManualClock clock_;
  platform::HeadlessAudio audio_;
  TDXSound sound_;
  TDXWaveList list_;
};

TEST_F(SoundFixture, ArchiveLoadsItemsAndFillsTheirMainBuffers) {
  StartDevice();
  Load({Item("Shot", true, 1, WaveOf(6, 3)), Item("Tick", false, -4, WaveOf(2, 5))});
  TWaveCollection& items = list_.Items();
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(items.Items(0).Name(), "Shot");
  EXPECT_TRUE(items.Items(0).Looped());
  EXPECT_EQ(items.Items(0).MaxPlayingCount(), 1);
  EXPECT_FALSE(items.Items(1).Looped());
  EXPECT_EQ(items.Items(1).MaxPlayingCount(), 0) << "a negative count stores 0";
  for (int i = 0; i < 2; ++i) {
    TWaveCollectionItem& item = items.Items(i);
    EXPECT_TRUE(item.Initialized());
    ASSERT_NE(item.MainBuffer(), nullptr);
    ASSERT_TRUE(item.MainBuffer()->Made());
    EXPECT_EQ(audio_.Samples(item.MainBuffer()->Id()), item.Wave().Data());
    EXPECT_TRUE(item.PlayBuffers().empty());
  }
  EXPECT_EQ(audio_.Samples(items.Items(0).MainBuffer()->Id()), Bytes(6, 3));
  EXPECT_EQ(audio_.LiveBuffers(), 2);

  // Loading again frees the old items with their buffers.
  Load({Item("Engine")});
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(audio_.LiveBuffers(), 1);
}

TEST_F(SoundFixture, ArchiveErrors) {
  StartDevice();
  try {
    Load({Item("Bad", false, 0, Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'X'})});
    ADD_FAILURE();
  } catch (const EWaveStreamError& e) {
    EXPECT_STREQ(e.what(), "Wave is invalid");
  }
  try {
    list_.Items().LoadFromFile("no/such/Sounds.dxw");
    ADD_FAILURE();
  } catch (const engine::EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"no/such/Sounds.dxw\""),
              std::string::npos);
  }
  audio_.failCreate = true;
  try {
    Load({Item("Tick")});
    ADD_FAILURE();
  } catch (const EDirectSoundBufferError& e) {
    EXPECT_STREQ(e.what(), "Sound Buffer cannot be made");
  }
  audio_.failCreate = false;
  audio_.failWrite = true;
  try {
    Load({Item("Tick")});
    ADD_FAILURE();
  } catch (const EDirectSoundBufferError& e) {
    EXPECT_STREQ(e.what(), "Sound Buffer cannot be locked");
  }
  EXPECT_EQ(audio_.LiveBuffers(), 0) << "a buffer that cannot be filled is dropped";
  EXPECT_FALSE(Find("Tick").MainBuffer()->Made());
}

TEST_F(SoundFixture, NamesIgnoreCaseAndTheLastNamedWins) {
  StartDevice();
  Load({Item("Engine"), Item("Tick"), Item("ENGINE")});
  EXPECT_EQ(&Find("engine"), &list_.Items().Items(2));
  EXPECT_EQ(&Find("tIcK"), &list_.Items().Items(1));
  list_.Items().Items(0).SetName("Engine");
  EXPECT_EQ(&Find("EnGiNe"), &list_.Items().Items(0));
  try {
    Find("Horn");
    ADD_FAILURE();
  } catch (const EWaveCollectionError& e) {
    EXPECT_STREQ(e.what(), "Wave 'Horn' not found");
  }
}

TEST_F(SoundFixture, RestartOnConsecutiveTicksReusesTheStoppedBuffer) {
  StartDevice();
  Load({Item("Tick")});  // no cap: only the reuse keeps it at one play buffer
  const int main = Find("Tick").MainBuffer()->Id();
  PlaySound(list_, true, "Tick", false);
  ASSERT_EQ(PlayBufferIds("Tick").size(), 1u);
  const int play = PlayBufferIds("Tick")[0];
  EXPECT_TRUE(audio_.SharesSamples(main, play));
  clock_.Advance(30);
  const std::size_t mark = audio_.calls.size();
  PlaySound(list_, true, "Tick", false);
  EXPECT_EQ(PlayBufferIds("Tick"), std::vector<int>{play});
  EXPECT_EQ(audio_.Count(Kind::kDuplicate), 1);
  const std::vector<std::pair<Kind, int>> expected = {
      {Kind::kStop, main},      {Kind::kStop, play}, {Kind::kStop, play},   {Kind::kPosition, play},
      {Kind::kFrequency, play}, {Kind::kPan, play},  {Kind::kVolume, play}, {Kind::kPlay, play}};
  EXPECT_EQ(CallsSince(mark), expected);
  EXPECT_TRUE(audio_.Status(play).playing);
}

TEST_F(SoundFixture, LoopedItemSoundsOnceFromTheStart) {
  StartDevice();
  Load({Item("Engine", true)});
  const int main = Find("Engine").MainBuffer()->Id();
  Find("Engine").Play(false);
  Find("Engine").Play(false);
  EXPECT_TRUE(Find("Engine").PlayBuffers().empty());
  EXPECT_EQ(audio_.Count(Kind::kDuplicate), 0);
  EXPECT_EQ(audio_.Count(Kind::kPlay), 2);
  EXPECT_EQ(audio_.Count(Kind::kPlay, main), 2);
  EXPECT_EQ(audio_.Count(Kind::kStop, main), 2);
  EXPECT_EQ(audio_.Count(Kind::kPosition, main), 2);
  EXPECT_TRUE(audio_.Looping(main));
  clock_.Advance(60000);
  EXPECT_TRUE(audio_.Status(main).looping) << "a loop never runs out";
  StopSound(list_, true, "Engine");
  EXPECT_FALSE(audio_.Status(main).playing);
}

TEST_F(SoundFixture, MaxPlayingCountTakesOverTheOlderBuffer) {
  StartDevice();
  Load({Item("Stone", false, 2), Item("Water", false, 0)});
  TWaveCollectionItem& stone = Find("Stone");
  stone.Play(false);
  stone.Play(false);
  const std::vector<int> first = PlayBufferIds("Stone");
  ASSERT_EQ(first.size(), 2u);
  const std::size_t mark = audio_.calls.size();
  stone.Play(false);
  EXPECT_EQ(PlayBufferIds("Stone"), (std::vector<int>{first[1], first[0]}));
  EXPECT_EQ(audio_.Count(Kind::kDuplicate), 2);
  const auto calls = CallsSince(mark);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[calls.size() - 1], std::make_pair(Kind::kPlay, first[0]));
  EXPECT_EQ(calls[0], std::make_pair(Kind::kStop, first[0]));

  // Without a cap a third play gets a third buffer, and an idle one is reused.
  TWaveCollectionItem& water = Find("Water");
  for (int i = 0; i < 3; ++i) water.Play(false);
  EXPECT_EQ(water.PlayBuffers().size(), 3u);
  clock_.Advance(200);  // the 100 ms waves have run out
  water.Play(false);
  EXPECT_EQ(water.PlayBuffers().size(), 3u);

  // Changing the cap frees the play buffers.
  stone.SetMaxPlayingCount(3);
  EXPECT_TRUE(stone.PlayBuffers().empty());
  EXPECT_FALSE(audio_.Exists(first[0]));
}

TEST_F(SoundFixture, ABufferReportingOnlyTheLoopingBitIsBusy) {
  StartDevice();
  Load({Item("Rabbit")});
  Find("Rabbit").Play(false);
  const int first = PlayBufferIds("Rabbit")[0];
  audio_.ScriptStatus(first, platform::SoundStatus{false, true});
  Find("Rabbit").Play(false);
  EXPECT_EQ(PlayBufferIds("Rabbit").size(), 2u);
  audio_.ScriptStatus(first, platform::SoundStatus{});
  Find("Rabbit").Play(false);
  EXPECT_EQ(PlayBufferIds("Rabbit").size(), 2u);
}

TEST_F(SoundFixture, SoundOffSkipsEvenTheLookUp) {
  StartDevice();
  Load({Item("Tick")});
  const std::size_t mark = audio_.calls.size();
  EXPECT_NO_THROW(PlaySound(list_, false, "Horn", false));
  EXPECT_NO_THROW(StopSound(list_, false, "Horn"));
  PlaySound(list_, false, "Tick", false);
  EXPECT_TRUE(CallsSince(mark).empty());
  EXPECT_THROW(PlaySound(list_, true, "Horn", false), EWaveCollectionError);
  EXPECT_THROW(StopSound(list_, true, "Horn"), EWaveCollectionError);
}

TEST_F(SoundFixture, WaveWithoutDataNeverGetsABuffer) {
  StartDevice();
  const Bytes noData = Riff({{"fmt ", kFormat}});
  Load({Item("Quiet", false, 0, noData), Item("QuietLoop", true, 0, noData)});
  EXPECT_EQ(audio_.LiveBuffers(), 0);
  EXPECT_EQ(Find("Quiet").MainBuffer(), nullptr);
  EXPECT_NO_THROW(Find("Quiet").Play(false));
  EXPECT_EQ(audio_.LiveBuffers(), 0);
  for (const char* name : {"Quiet", "QuietLoop"}) {
    SCOPED_TRACE(name);
    try {
      PlaySound(list_, true, name, false);
      ADD_FAILURE();
    } catch (const EDirectSoundBufferError& e) {
      EXPECT_STREQ(e.what(), "IDirectSoundBuffer not made");
    }
  }
  EXPECT_THROW(Find("QuietLoop").Play(false), EDirectSoundBufferError);
}

TEST_F(SoundFixture, DuplicateThatCannotBeMadeIsNotKept) {
  StartDevice();
  Load({Item("Spike", false, 1)});
  audio_.failDuplicate = true;
  try {
    PlaySound(list_, true, "Spike", false);
    ADD_FAILURE();
  } catch (const EDirectSoundBufferError& e) {
    EXPECT_STREQ(e.what(), "IDirectSoundBuffer not made");
  }
  EXPECT_TRUE(Find("Spike").PlayBuffers().empty());
  audio_.failDuplicate = false;
  PlaySound(list_, true, "Spike", false);
  ASSERT_EQ(PlayBufferIds("Spike").size(), 1u);
  EXPECT_TRUE(audio_.Status(PlayBufferIds("Spike")[0]).playing);
}

TEST_F(SoundFixture, ChangingLoopedStopsTheItem) {
  StartDevice();
  Load({Item("Shot", true)});
  const int main = Find("Shot").MainBuffer()->Id();
  Find("Shot").Play(false);
  Find("Shot").SetLooped(false);
  EXPECT_FALSE(audio_.Status(main).playing);
}

TEST_F(SoundFixture, WaitPollsUntilTheSoundHasRunOut) {
  StartDevice();
  Load({Item("Tick", false, 0, WaveOf(4410))});  // 100 ms
  Find("Tick").Play(true);
  EXPECT_EQ(audio_.Count(Kind::kSleep), 10);
  EXPECT_EQ(clock_.Milliseconds(), 100u);
  for (const AudioCall& c : audio_.calls) {
    if (c.kind == Kind::kSleep) {
      EXPECT_EQ(c.value, 10);
    }
  }
}

TEST_F(SoundFixture, NoDeviceLeavesEveryItemSilentButNamesStillChecked) {
  audio_.available = false;
  try {
    StartDevice();
    ADD_FAILURE();
  } catch (const EDirectSoundError& e) {
    EXPECT_STREQ(e.what(), "DirectSound cannot be initialized");
  }
  Load({Item("Tick"), Item("Engine", true)});
  EXPECT_FALSE(Find("Tick").Initialized());
  const std::size_t mark = audio_.calls.size();
  PlaySound(list_, true, "Tick", false);
  PlaySound(list_, true, "Engine", false);
  StopSound(list_, true, "Engine");
  EXPECT_TRUE(CallsSince(mark).empty());
  EXPECT_THROW(PlaySound(list_, true, "Horn", false), EWaveCollectionError);
}

TEST_F(SoundFixture, DeviceRestartRebuildsTheBuffers) {
  Load({Item("Tick"), Item("Engine", true)});
  EXPECT_EQ(audio_.LiveBuffers(), 0) << "the device is not up yet";
  StartDevice();
  EXPECT_EQ(audio_.LiveBuffers(), 2);
  PlaySound(list_, true, "Tick", false);
  EXPECT_EQ(audio_.LiveBuffers(), 3);
  sound_.Finalize();
  EXPECT_EQ(audio_.LiveBuffers(), 0);
  EXPECT_FALSE(Find("Tick").Initialized());
  StartDevice();
  EXPECT_EQ(audio_.LiveBuffers(), 2);
  EXPECT_TRUE(Find("Engine").Initialized());
  PlaySound(list_, true, "Engine", false);
  EXPECT_TRUE(audio_.Looping(Find("Engine").MainBuffer()->Id()));
}

TEST_F(SoundFixture, AListBoundAfterTheDeviceStartedCatchesUp) {
  StartDevice();
  TDXWaveList late;
  late.Items().LoadFromBytes(engine::WriteSoundArchive({Item("Tick")}));
  EXPECT_FALSE(late.Items().Find("Tick").Initialized());
  late.SetDXSound(&sound_);
  EXPECT_TRUE(late.Items().Find("Tick").MainBuffer()->Made());
}

}  // namespace
}  // namespace brakkon::io
