// The baked sound archive, read back through the component reader: the 18 effects
// with their flags, WAVE images that parse under the game's reader rules, lengths
// near the designed ones, audible content and seamless loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/byte_reader.h"
#include "engine/component_reader.h"

namespace brakkon::engine {
namespace {

const std::string kDataDir = BRAKKON_BAKED_DATA_DIR;

struct SoundItem {
  std::string name;
  bool looped = false;
  int maxPlayingCount = -1;
  std::vector<std::uint8_t> wave;
};

class WaveObject : public TStreamObject {
 public:
  explicit WaveObject(SoundItem& item) : item_(item) {}
  void DefineProperties(TPropertyList& p) override {
    p.Binary("WAVE",
             [this](std::span<const std::uint8_t> d) { item_.wave.assign(d.begin(), d.end()); });
  }

 private:
  SoundItem& item_;
};

class ItemObject : public TStreamObject {
 public:
  explicit ItemObject(SoundItem& item) : item_(item), wave_(item) {}
  void DefineProperties(TPropertyList& p) override {
    p.String("Name", [this](std::string n) { item_.name = std::move(n); });
    p.Boolean("Looped", [this](bool v) { item_.looped = v; });
    p.Integer("MaxPlayingCount", [this](std::int32_t v) { item_.maxPlayingCount = v; });
    p.Object("Wave", &wave_);
  }

 private:
  SoundItem& item_;
  WaveObject wave_;
};

class ListObject : public TStreamObject, public TCollectionTarget {
 public:
  explicit ListObject(std::deque<SoundItem>& items) : items_(items) {}
  void DefineProperties(TPropertyList&) override {}
  void ClearItems() override { items_.clear(); }
  std::unique_ptr<TStreamObject> AddItem() override {
    items_.emplace_back();
    return std::make_unique<ItemObject>(items_.back());
  }

 private:
  std::deque<SoundItem>& items_;
};

class RootObject : public TStreamObject {
 public:
  explicit RootObject(std::deque<SoundItem>& items) : list_(items) {}
  void DefineProperties(TPropertyList& p) override { p.Collection("List", list_, &list_); }

 private:
  ListObject list_;
};

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  std::uint8_t buf[65536];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}

std::vector<SoundItem> LoadSounds() {
  std::deque<SoundItem> items;
  RootObject root(items);
  const std::vector<std::uint8_t> bytes = ReadFile(kDataDir + "/Res/Sounds.dxw");
  TReader::RootRecord record = ReadComponentResource(bytes, root);
  EXPECT_EQ(record.className, "TWaveCollectionComponent");
  return std::vector<SoundItem>(items.begin(), items.end());
}

struct ParsedWave {
  std::vector<std::uint8_t> format;
  std::vector<std::int16_t> samples;
  std::vector<std::string> chunks;
};

// The game's reader: "RIFF" len "WAVE", then chunks up to the first zero identifier
// or the end; no pad bytes; a data chunk past the end is an error.
bool ParseWave(const std::vector<std::uint8_t>& w, ParsedWave& out, std::string& error) {
  auto u32 = [&](std::size_t at) {
    return std::uint32_t{w[at]} | std::uint32_t{w[at + 1]} << 8 | std::uint32_t{w[at + 2]} << 16 |
           std::uint32_t{w[at + 3]} << 24;
  };
  if (w.size() < 12 || std::memcmp(w.data(), "RIFF", 4) != 0 ||
      std::memcmp(w.data() + 8, "WAVE", 4) != 0) {
    error = "Wave is invalid";
    return false;
  }
  std::size_t at = 12;
  while (at + 8 <= w.size()) {
    std::string id(reinterpret_cast<const char*>(w.data() + at), 4);
    if (u32(at) == 0) break;
    std::uint32_t len = u32(at + 4);
    at += 8;
    if (at + len > w.size()) {
      error = "Stream read error";
      return false;
    }
    out.chunks.push_back(id);
    if (id == "fmt ") out.format.assign(w.begin() + at, w.begin() + at + len);
    if (id == "data") {
      out.samples.resize(len / 2);
      std::memcpy(out.samples.data(), w.data() + at, len / 2 * 2);
    }
    at += len;
  }
  if (at != w.size()) {
    error = "trailing bytes after the last chunk";
    return false;
  }
  return true;
}

struct Design {
  const char* name;
  bool looped;
  double seconds;
  double peakDb;  // designed peak level
};

const Design kDesign[] = {
    {"Button_Pressed", false, 0.070, -3},
    {"Button_Activated", false, 0.045, -15},
    {"EngineStart", false, 1.2, -3},
    {"Engine", true, 1.0, -15},
    {"EngineAccel", false, 0.9, -3},
    {"Shot", true, 0.25, -3},
    {"WallExplosion", false, 0.6, -3},
    {"CarExplosion", false, 1.3, -3},
    {"Spike", false, 0.7, -3},
    {"Water", false, 0.6, -3},
    {"Stone", false, 0.25, -3},
    {"Rabbit", false, 0.3, -3},
    {"ScoreGet", false, 0.3, -3},
    {"BonusGet", false, 0.6, -3},
    {"BonusLost", false, 0.6, -3},
    {"Tick", false, 0.04, -3},
    {"LevelFinish", false, 1.5, -3},
    {"GameOver", false, 1.8, -3},
};

TEST(BakedSounds, ArchiveHoldsTheEighteenEffectsWithTheirFlags) {
  std::vector<SoundItem> items = LoadSounds();
  ASSERT_EQ(items.size(), std::size(kDesign));
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(kDesign[i].name);
    EXPECT_EQ(items[i].name, kDesign[i].name);
    EXPECT_EQ(items[i].looped, kDesign[i].looped);
    EXPECT_EQ(items[i].maxPlayingCount, 1);
  }
}

TEST(BakedSounds, WavesParseAndSoundAsDesigned) {
  for (const SoundItem& item : LoadSounds()) {
    const Design* d = nullptr;
    for (const Design& x : kDesign) {
      if (item.name == x.name) d = &x;
    }
    ASSERT_NE(d, nullptr) << item.name;
    SCOPED_TRACE(item.name);
    ParsedWave wave;
    std::string error;
    ASSERT_TRUE(ParseWave(item.wave, wave, error)) << error;
    EXPECT_EQ(wave.chunks, (std::vector<std::string>{"fmt ", "data"}));
    const std::uint8_t pcm16Mono22050[16] = {1,    0,    1, 0, 0x22, 0x56, 0,  0,
                                             0x44, 0xAC, 0, 0, 2,    0,    16, 0};
    EXPECT_EQ(wave.format, std::vector<std::uint8_t>(pcm16Mono22050, pcm16Mono22050 + 16));

    const double seconds = wave.samples.size() / 22050.0;
    EXPECT_NEAR(seconds, d->seconds, d->seconds * 0.2);
    double peak = 0, energy = 0;
    for (std::int16_t s : wave.samples) {
      peak = std::max(peak, std::fabs(s / 32768.0));
      energy += (s / 32768.0) * (s / 32768.0);
    }
    EXPECT_NEAR(20 * std::log10(peak), d->peakDb, 1.0);
    const double rms = std::sqrt(energy / wave.samples.size());
    EXPECT_GT(rms, peak * 0.05) << "mostly silent";

    if (d->looped) {
      // The jump across the loop point is no larger than the sound's own steps.
      double largestStep = 0;
      for (std::size_t i = 1; i < wave.samples.size(); ++i) {
        largestStep = std::max(largestStep, std::fabs(wave.samples[i] - wave.samples[i - 1] + 0.0));
      }
      double wrap = std::fabs(wave.samples.front() - wave.samples.back() + 0.0);
      EXPECT_LE(wrap, largestStep * 0.5);
    } else {
      // One-shots end in silence, so a restart does not click.
      EXPECT_LT(std::abs(wave.samples.back()), 200);
    }
  }
}

TEST(BakedSounds, TickIsOverBeforeTheNextBonusStep) {
  for (const SoundItem& item : LoadSounds()) {
    if (item.name != "Tick") continue;
    ParsedWave wave;
    std::string error;
    ASSERT_TRUE(ParseWave(item.wave, wave, error));
    EXPECT_LE(wave.samples.size(), 22050u * 50 / 1000);
  }
}

}  // namespace
}  // namespace brakkon::engine
