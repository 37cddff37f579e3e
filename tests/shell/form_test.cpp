// The shell on the headless platform: start-up, ticks, frames, errors, exit.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "engine/archive_writer.h"
#include "engine/errors.h"
#include "platform/headless/headless_platform.h"
#include "shell/application.h"
#include "shell/form.h"

namespace brakkon::shell {
namespace {

namespace fs = std::filesystem;

// Runs the test inside a fresh folder; with `archives`, Data/Res holds two
// small archives whose background is a 64 x 64 tile of two colours.
class ShellFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("brakkon-shell-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  static void WriteArchives() {
    fs::create_directories("Data/Res");
    engine::ImageArchiveItem background;
    background.name = "MainMenuBackground";
    background.transparent = false;
    background.image = engine::RgbImage(64, 64, 0x2040C0);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x) background.image.At(x, y) = 0xF0A020;
    const auto bytes = engine::WriteImageArchive({background});
    engine::WriteFileBytes("Data/Res/Res1.dxg", bytes);
    engine::WriteFileBytes("Data/Res/Res3.dxg", bytes);
  }
  // Lets `ms` of simulated time pass through the message loop.
  static void Run(TMForm& form, platform::HeadlessPlatform& p, std::uint32_t ms) {
    const std::uint32_t end = p.clock.Milliseconds() + ms;
    while (!form.Terminated() && static_cast<std::int32_t>(end - p.clock.Milliseconds()) >= 0)
      RunLoopOnce(form, p);
  }

  platform::HeadlessPlatform platform_;

 private:
  fs::path previous_;
  fs::path dir_;
};

TEST_F(ShellFixture, StartsUpAndPresentsTheBackgroundEveryTick) {
  WriteArchives();
  TMForm form(platform_);
  form.FormCreate();
  EXPECT_TRUE(platform_.video.open());
  EXPECT_EQ(platform_.video.title(), "Brakkon");
  EXPECT_EQ(form.Shell.GameState, TGameState::MainMenu);
  EXPECT_TRUE(form.MDXTimer.Enabled());
  EXPECT_EQ(form.MDXTimer.Interval(), 30u);

  Run(form, platform_, 300);
  EXPECT_EQ(platform_.video.presentCount(), 10);
  const auto orange = engine::Rgb565FromRgb(0xF0A020);
  const auto blue = engine::Rgb565FromRgb(0x2040C0);
  // The tile repeats over the whole picture.
  EXPECT_EQ(platform_.video.FramePixel(0, 0), orange);
  EXPECT_EQ(platform_.video.FramePixel(0, 40), blue);
  EXPECT_EQ(platform_.video.FramePixel(799, 599 - 24), blue);
  EXPECT_EQ(platform_.video.FramePixel(799, 599), orange);
  EXPECT_TRUE(platform_.dialogs.messages.empty());
}

TEST_F(ShellFixture, StatesWithoutATickDoNothingNotEvenDraw) {
  WriteArchives();
  TMForm form(platform_);
  form.FormCreate();
  for (auto state : {TGameState{5}, TGameState{-1}, TGameState{72}, TGameState{1000}}) {
    form.Shell.GameState = state;
    const int before = platform_.video.presentCount();
    form.MDXTimerTimer(1);
    EXPECT_EQ(platform_.video.presentCount(), before);
  }
  form.Shell.GameState = TGameState::RaceSetup;
  form.MDXTimerTimer(1);
  EXPECT_EQ(platform_.video.FramePixel(0, 0), engine::Rgb565FromRgb(0xF0A020));
}

TEST_F(ShellFixture, MissingArchiveEndsStartUpWithItsMessage) {
  platform_.input.Push(platform::Event{});  // a quit that must never be reached
  EXPECT_EQ(RunApplication(platform_), 1);
  ASSERT_EQ(platform_.dialogs.messages.size(), 1u);
  EXPECT_EQ(platform_.dialogs.messages[0].kind, platform::MessageKind::kError);
  EXPECT_NE(platform_.dialogs.messages[0].text.find("Cannot open file \"Data/Res/Res1.dxg\""),
            std::string::npos);
  EXPECT_FALSE(platform_.video.open());
}

TEST_F(ShellFixture, NoDisplayEndsStartUpWithItsMessage) {
  WriteArchives();
  platform_.video.canOpen = false;
  EXPECT_EQ(RunApplication(platform_), 1);
  ASSERT_EQ(platform_.dialogs.messages.size(), 1u);
  EXPECT_EQ(platform_.dialogs.messages[0].text, "Primary Surface cannot be made");
}

TEST_F(ShellFixture, AnEscapingErrorIsShownAndTheGameGoesOn) {
  WriteArchives();
  TMForm form(platform_);
  form.FormCreate();
  form.Guarded([] { throw engine::EPictureCollectionError("Image 'Nothing' not found"); });
  ASSERT_EQ(platform_.dialogs.messages.size(), 1u);
  EXPECT_EQ(platform_.dialogs.messages[0].text, "Image 'Nothing' not found");
  Run(form, platform_, 60);
  EXPECT_EQ(platform_.video.presentCount(), 2);
}

TEST_F(ShellFixture, CloseButtonEndsTheLoopWithStatusZero) {
  WriteArchives();
  platform::Event quit;
  quit.type = platform::EventType::kQuit;
  platform_.input.Push(quit);
  EXPECT_EQ(RunApplication(platform_), 0);
  EXPECT_TRUE(platform_.dialogs.messages.empty());
  EXPECT_FALSE(platform_.video.open());
}

TEST_F(ShellFixture, InactiveWindowFreezesTheGame) {
  WriteArchives();
  TMForm form(platform_);
  form.FormCreate();
  platform::Event e;
  e.type = platform::EventType::kDeactivate;
  platform_.input.Push(e);
  Run(form, platform_, 300);
  EXPECT_EQ(platform_.video.presentCount(), 0);
  e.type = platform::EventType::kActivate;
  platform_.input.Push(e);
  Run(form, platform_, 90);
  EXPECT_EQ(platform_.video.presentCount(), 3);
}

TEST_F(ShellFixture, DisplayModeSwitchKeepsTheTimerAndThePlacement) {
  WriteArchives();
  TMForm form(platform_);
  form.FormCreate();
  platform_.video.SetPlacement(platform::WindowPlacement{37, 41, 800, 600});
  form.Options.FullScreen = true;
  form.ApplyDisplayMode();
  EXPECT_TRUE(platform_.video.FullScreen());
  EXPECT_TRUE(form.MDXTimer.Enabled());
  form.Options.FullScreen = false;
  form.ApplyDisplayMode();
  EXPECT_FALSE(platform_.video.FullScreen());
  EXPECT_TRUE(form.MDXTimer.Enabled());
  platform::WindowPlacement placement;
  ASSERT_TRUE(platform_.video.GetPlacement(placement));
  EXPECT_EQ(placement.x, 37);
  EXPECT_EQ(placement.y, 41);
  // Surfaces were rebuilt: the background still draws.
  Run(form, platform_, 30);
  EXPECT_EQ(platform_.video.FramePixel(0, 0), engine::Rgb565FromRgb(0xF0A020));
}

}  // namespace
}  // namespace brakkon::shell
