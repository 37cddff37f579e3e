// The form's sound and music on the headless platform: the baked sounds load at
// start-up, the menu music starts, CheckMusic runs in every tick, and a machine
// without a sound device plays the game silently.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "io/dx_sound.h"
#include "io/sound_names.h"
#include "io/sound_probe.h"
#include "platform/headless/headless_platform.h"
#include "shell/application.h"
#include "shell/form.h"

namespace brakkon::shell {
namespace {

namespace fs = std::filesystem;
using platform::ModuleCall;

// Runs inside a fresh folder holding the baked archives and an options file.
class FormAudioFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("brakkon-audio-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "Data/Save");
    fs::copy(fs::path(BRAKKON_BAKED_DATA_DIR) / "Res", dir_ / "Data/Res",
             fs::copy_options::recursive);
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  static void WriteOptions(bool music, bool sound) {
    std::ofstream("Data/Save/options", std::ios::binary) << "0\r\n"
                                                         << (music ? "1" : "0") << "\r\n"
                                                         << (sound ? "1" : "0") << "\r\n\r\n\r\n";
  }
  void Run(TMForm& form, std::uint32_t ms) {
    const std::uint32_t end = platform_.clock.Milliseconds() + ms;
    while (!form.Terminated() &&
           static_cast<std::int32_t>(end - platform_.clock.Milliseconds()) >= 0)
      RunLoopOnce(form, platform_);
  }

  platform::HeadlessPlatform platform_;

 private:
  fs::path previous_;
  fs::path dir_;
};

TEST_F(FormAudioFixture, StartUpLoadsEveryEffectAndPlaysTheMenuMusic) {
  WriteOptions(true, true);
  TMForm form(platform_);
  form.FormCreate();
  EXPECT_TRUE(platform_.audio.open());
  EXPECT_EQ(platform_.music.PlayingPath(), "Data/Music/Menu.xm");
  EXPECT_EQ(form.Music.MusicHandle, platform_.music.playing());
  for (const std::string_view name : io::kSoundNames) {
    SCOPED_TRACE(name);
    io::TWaveCollectionItem& item = form.MDXWaveList.Items().Find(name);
    ASSERT_NE(item.MainBuffer(), nullptr);
    EXPECT_TRUE(item.MainBuffer()->Made());
    const std::size_t mark = platform_.audio.calls.size();
    form.PlaySound(name, false);
    EXPECT_EQ(io::PlayedSounds(form.MDXWaveList, platform_.audio, mark),
              std::vector<std::string>{std::string(name)});
    EXPECT_TRUE(io::Sounding(form.MDXWaveList, platform_.audio, name));
    form.StopSound(name);
    EXPECT_FALSE(io::Sounding(form.MDXWaveList, platform_.audio, name));
  }
  EXPECT_TRUE(platform_.dialogs.messages.empty());
}

TEST_F(FormAudioFixture, EveryTickChecksTheMusicFirstWhateverTheState) {
  WriteOptions(true, false);
  TMForm form(platform_);
  form.FormCreate();
  const std::uint32_t first = form.Music.MusicHandle;
  platform_.music.order = 3;
  Run(form, 30);
  EXPECT_EQ(form.Music.MusicOrder, 3);
  platform_.music.order = 0;
  form.Shell.GameState = TGameState{5};  // a state without a tick of its own
  const int presents = platform_.video.presentCount();
  form.MDXTimerTimer(1);
  EXPECT_EQ(platform_.video.presentCount(), presents);
  EXPECT_NE(form.Music.MusicHandle, first);
  EXPECT_EQ(platform_.music.Count(ModuleCall::Kind::kLoad), 2);
  EXPECT_EQ(platform_.music.LoadedModules(), 1);

  form.StopMusic();
  EXPECT_EQ(platform_.music.playing(), 0u);
  form.Shell.GameState = TGameState::Race;
  form.StartMusic();
  EXPECT_EQ(platform_.music.PlayingPath(), "Data/Music/Race.xm");
}

TEST_F(FormAudioFixture, OptionsGateEffectsAndMusic) {
  WriteOptions(false, false);
  TMForm form(platform_);
  form.FormCreate();
  Run(form, 300);
  EXPECT_TRUE(platform_.music.calls.empty());
  const std::size_t mark = platform_.audio.calls.size();
  EXPECT_NO_THROW(form.PlaySound("Horn", false));
  form.PlaySound("Tick", false);
  EXPECT_EQ(platform_.audio.calls.size(), mark);
  form.Records.Options.Sound = true;
  EXPECT_THROW(form.PlaySound("Horn", false), io::EWaveCollectionError);
}

TEST_F(FormAudioFixture, NoSoundDeviceRunsTheGameSilently) {
  WriteOptions(true, true);
  platform_.audio.available = false;
  TMForm form(platform_);
  form.FormCreate();
  Run(form, 600);
  EXPECT_TRUE(platform_.dialogs.messages.empty());
  EXPECT_EQ(platform_.video.presentCount(), 20);
  for (const std::string_view name : io::kSoundNames) {
    form.PlaySound(name, false);
    form.StopSound(name);
  }
  EXPECT_TRUE(platform_.audio.calls.empty());
  EXPECT_EQ(platform_.audio.LiveBuffers(), 0);
}

TEST_F(FormAudioFixture, MissingSoundArchiveStopsStartUpWithItsMessage) {
  fs::remove("Data/Res/Sounds.dxw");
  EXPECT_EQ(RunApplication(platform_), 1);
  ASSERT_EQ(platform_.dialogs.messages.size(), 1u);
  EXPECT_NE(platform_.dialogs.messages[0].text.find("Cannot open file \"Data/Res/Sounds.dxw\""),
            std::string::npos);
  EXPECT_FALSE(platform_.video.open()) << "the later start-up steps did not run";
}

}  // namespace
}  // namespace brakkon::shell
