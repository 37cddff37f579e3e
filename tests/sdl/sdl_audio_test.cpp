// The sound output on SDL's own drivers: the dummy driver as a real device that
// nobody hears, the disk driver to read back what came out, and a driver that
// does not exist.
#include "platform/sdl/sdl_audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "io/dx_sound.h"
#include "io/music.h"
#include "io/sound_names.h"

namespace brakkon::platform {
namespace {

const std::string kDataDir = BRAKKON_BAKED_DATA_DIR;

// Selects SDL's audio driver (and the disk driver's file) for one test.
class DriverScope {
 public:
  explicit DriverScope(const char* driver, const std::string& diskFile = {}) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    if (!diskFile.empty()) setenv("SDL_DISKAUDIOFILE", diskFile.c_str(), 1);
  }
  ~DriverScope() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

// How long the item's wave plays, from its bytes per second.
std::chrono::microseconds LengthOf(io::TWaveCollectionItem& item) {
  const auto& format = item.Wave().FormatBlock();
  const std::uint32_t bytesPerSecond =
      format[8] | (format[9] << 8) | (format[10] << 16) | (std::uint32_t{format[11]} << 24);
  return std::chrono::microseconds(item.Wave().Data().size() * 1000000 / bytesPerSecond);
}

// The item's buffer that the last play used.
io::TDirectSoundBuffer* LastPlayed(io::TWaveCollectionItem& item) {
  if (item.Looped()) return item.MainBuffer();
  return item.PlayBuffers().empty() ? nullptr : item.PlayBuffers().back().get();
}

TEST(SdlAudio, BakedSoundsPlayAndStopOnTheDummyDevice) {
  DriverScope driver("dummy");
  SdlSoundOutput output;
  io::TDXSound sound(output);
  io::TDXWaveList list;
  list.SetDXSound(&sound);
  sound.Initialize();
  list.Items().LoadFromFile(kDataDir + "/Res/Sounds.dxw");
  ASSERT_EQ(list.Items().Count(), static_cast<int>(io::kSoundNames.size()));
  for (const std::string_view name : io::kSoundNames) {
    SCOPED_TRACE(name);
    io::TWaveCollectionItem& item = list.Items().Find(name);
    const auto start = std::chrono::steady_clock::now();
    io::PlaySound(list, true, name, false);
    io::TDirectSoundBuffer* buffer = LastPlayed(item);
    ASSERT_NE(buffer, nullptr);
    const platform::SoundStatus status = buffer->Status();
    // A one-shot may have run out already when this thread was held up that long.
    if (item.Looped() || std::chrono::steady_clock::now() - start < LengthOf(item)) {
      EXPECT_TRUE(status.playing);
      EXPECT_EQ(status.looping, item.Looped());
    }
    io::StopSound(list, true, name);
    EXPECT_FALSE(buffer->Status().playing);
  }

  // The audio thread runs: a one-shot runs out by itself, not before the device has
  // played a part of it.
  io::TWaveCollectionItem& tickItem = list.Items().Find("Tick");
  const auto start = std::chrono::steady_clock::now();
  io::PlaySound(list, true, "Tick", false);
  io::TDirectSoundBuffer* tick = LastPlayed(tickItem);
  while (tick->Status().playing &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    output.Sleep(2);
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(tick->Status().playing);
  EXPECT_GE(took, LengthOf(tickItem) / 4);
  EXPECT_LT(took, std::chrono::seconds(1));

  list.Items().Find("Button_Pressed").Play(true);
  EXPECT_FALSE(LastPlayed(list.Items().Find("Button_Pressed"))->Status().playing);
}

TEST(SdlAudio, ModulesLoadAndPlayOnTheDummyDevice) {
  DriverScope driver("dummy");
  SdlSoundOutput output;
  SdlModulePlayer player(output);
  io::TMusicState music;
  io::StartMusic(music, player, true, 0);
  ASSERT_NE(music.MusicHandle, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  io::CheckMusic(music, player, true, 0);
  EXPECT_EQ(music.MusicOrder, 0) << "the first order lasts seconds";
  const std::uint32_t menu = music.MusicHandle;
  io::StartMusic(music, player, true, 1);
  EXPECT_NE(music.MusicHandle, 0u);
  EXPECT_NE(music.MusicHandle, menu);
  io::StopMusic(music, player);
  EXPECT_EQ(player.LoadFromFile(kDataDir + "/Music/Missing.xm"), 0u);
  EXPECT_EQ(player.LoadFromFile(kDataDir + "/Res/Sounds.dxw"), 0u);
}

double RmsOf(const std::string& path, std::size_t& frames) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  frames = bytes.size() / 4;
  double energy = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto s = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                             (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    energy += double(s) * s;
  }
  return bytes.size() < 2 ? 0 : std::sqrt(energy / (bytes.size() / 2));
}

// What the game plays reaches the device: an effect alone, then music alone.
TEST(SdlAudio, EffectsAndMusicReachTheOutput) {
  const std::string file =
      (std::filesystem::temp_directory_path() / "brakkon-sdl-audio-test.raw").string();
  for (const bool withMusic : {false, true}) {
    SCOPED_TRACE(withMusic ? "music" : "effect");
    std::filesystem::remove(file);
    {
      DriverScope driver("disk", file);
      SdlSoundOutput output;
      SdlModulePlayer player(output);
      io::TDXSound sound(output);
      io::TDXWaveList list;
      list.SetDXSound(&sound);
      sound.Initialize();
      list.Items().LoadFromFile(kDataDir + "/Res/Sounds.dxw");
      io::TMusicState music;
      if (withMusic) {
        io::StartMusic(music, player, true, 0);
      } else {
        io::PlaySound(list, true, "Engine", false);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
    }
    std::size_t frames = 0;
    const double rms = RmsOf(file, frames);
    EXPECT_GT(frames, 44100u / 4) << "the device took a quarter second at least";
    EXPECT_GT(rms, 300) << "silence came out";
  }
  std::filesystem::remove(file);
}

TEST(SdlAudio, NoDeviceLeavesEverythingSilent) {
  DriverScope driver("nonexistent");
  SdlSoundOutput output;
  SdlModulePlayer player(output);
  EXPECT_FALSE(output.Open());
  const std::vector<std::uint8_t> format = {1,    0,    1, 0, 0x22, 0x56, 0,  0,
                                            0x44, 0xAC, 0, 0, 2,    0,    16, 0};
  EXPECT_EQ(output.CreateBuffer(format, 100), 0);
  EXPECT_EQ(player.LoadFromFile(kDataDir + "/Music/Menu.xm"), 0u);

  io::TDXSound sound(output);
  io::TDXWaveList list;
  list.SetDXSound(&sound);
  EXPECT_THROW(sound.Initialize(), io::EDirectSoundError);
  list.Items().LoadFromFile(kDataDir + "/Res/Sounds.dxw");
  for (const std::string_view name : io::kSoundNames) {
    EXPECT_NO_THROW(io::PlaySound(list, true, name, false));
    EXPECT_NO_THROW(io::StopSound(list, true, name));
  }
  io::TMusicState music;
  io::StartMusic(music, player, true, 0);
  EXPECT_EQ(music.MusicHandle, 0u);
}

}  // namespace
}  // namespace brakkon::platform
