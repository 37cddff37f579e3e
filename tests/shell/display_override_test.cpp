// --window and --fullscreen: the run's display mode, and the saved option they leave alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/headless/headless_platform.h"
#include "shell/form.h"

namespace brakkon::shell {
namespace {

namespace fs = std::filesystem;

class DisplayOverride : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("brakkon-display-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "Data" / "Save");
    fs::current_path(dir_);
    fs::copy(fs::path(BRAKKON_BAKED_DATA_DIR) / "Res", "Data/Res", fs::copy_options::recursive);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  // Saved options with the display mode `fullScreen`, music and sound on, over
  // a nameless table (whose check line is empty).
  static void WriteSaves(bool fullScreen) {
    std::ofstream(OptionsFile(), std::ios::binary)
        << (fullScreen ? "1" : "0") << "\r\n1\r\n1\r\n\r\n\r\n";
    std::ofstream hs("Data/Save/hs", std::ios::binary);
    for (int i = 0; i < 10; ++i) hs << "\r\n100\r\n0\r\n0\r\n";
  }
  static fs::path OptionsFile() { return "Data/Save/options"; }
  static char SavedModeFlag() {
    std::ifstream in(OptionsFile(), std::ios::binary);
    return static_cast<char>(in.get());
  }

  // Starts a form with `override`, lets `altEnters` Alt+Enter presses switch the
  // mode, and returns the display mode the run ended in; the form saves on the way out.
  bool RunWith(std::optional<bool> override, int altEnters) {
    TMForm form(platform_);
    form.SetDisplayOverride(override);
    form.FormCreate();
    startedFullScreen_ = platform_.video.FullScreen();
    for (int i = 0; i < altEnters; ++i) {
      int key = platform::vk::kReturn;
      form.FormKeyDown(key, true, false);
    }
    const bool endedFullScreen = platform_.video.FullScreen();
    EXPECT_EQ(form.Records.Options.FullScreen, endedFullScreen);
    form.FormDestroy();
    return endedFullScreen;
  }

  platform::HeadlessPlatform platform_;
  bool startedFullScreen_ = false;

 private:
  fs::path previous_;
  fs::path dir_;
};

TEST_F(DisplayOverride, TheRunsModeWinsAndTheSavedOneStays) {
  WriteSaves(false);
  EXPECT_TRUE(RunWith(true, 0));
  EXPECT_TRUE(startedFullScreen_);
  EXPECT_EQ(SavedModeFlag(), '0');

  WriteSaves(true);
  EXPECT_FALSE(RunWith(false, 0));
  EXPECT_FALSE(startedFullScreen_);
  EXPECT_EQ(SavedModeFlag(), '1');
}

TEST_F(DisplayOverride, APlayersSwitchIsSavedAsUsual) {
  WriteSaves(false);
  // Twice: back in the run's mode, which now is the player's choice.
  EXPECT_TRUE(RunWith(true, 2));
  EXPECT_EQ(SavedModeFlag(), '1');

  WriteSaves(true);
  EXPECT_FALSE(RunWith(false, 2));
  EXPECT_EQ(SavedModeFlag(), '0');
}

TEST_F(DisplayOverride, WithoutOneTheSavedModeStartsTheGame) {
  WriteSaves(true);
  EXPECT_TRUE(RunWith(std::nullopt, 0));
  EXPECT_TRUE(startedFullScreen_);
  EXPECT_EQ(SavedModeFlag(), '1');
}

}  // namespace
}  // namespace brakkon::shell
