// The shell on the headless platform: start-up, ticks, frames, errors, exit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>

#include "engine/archive_writer.h"
#include "engine/errors.h"
#include "platform/headless/headless_platform.h"
#include "records/game_options.h"
#include "records/high_scores.h"
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
  // Data/Res with the baked archives.
  static void WriteArchives() {
    fs::create_directories("Data");
    fs::copy(fs::path(BRAKKON_BAKED_DATA_DIR) / "Res", "Data/Res", fs::copy_options::recursive);
  }
  // The menu background's own colour at (x, y), as the display shows it.
  static std::uint16_t BackgroundAt(TMForm& form, int x, int y) {
    const auto& item = form.MDXImageList.Items().ItemByName("MainMenuBackground");
    return item.Picture().Graphic()->Image().At(x, y);
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
  // Left of the menu's work area nothing covers the background.
  for (int y : {120, 300, 480}) EXPECT_EQ(platform_.video.FramePixel(3, y), BackgroundAt(form, 3, y));
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
  EXPECT_EQ(platform_.video.FramePixel(3, 300), BackgroundAt(form, 3, 300));
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
  form.Records.Options.FullScreen = true;
  form.ApplyDisplayMode();
  EXPECT_TRUE(platform_.video.FullScreen());
  EXPECT_TRUE(form.MDXTimer.Enabled());
  form.Records.Options.FullScreen = false;
  form.ApplyDisplayMode();
  EXPECT_FALSE(platform_.video.FullScreen());
  EXPECT_TRUE(form.MDXTimer.Enabled());
  platform::WindowPlacement placement;
  ASSERT_TRUE(platform_.video.GetPlacement(placement));
  EXPECT_EQ(placement.x, 37);
  EXPECT_EQ(placement.y, 41);
  // Surfaces were rebuilt: the background still draws.
  Run(form, platform_, 30);
  EXPECT_EQ(platform_.video.FramePixel(3, 300), BackgroundAt(form, 3, 300));
}

// Shut-down saves that fail midway are silent: no message, a normal exit, and
// each file either rewritten whole or left exactly as it was.
TEST_F(ShellFixture, FailingSavesAtExitSayNothing) {
  // Saves as an editor leaves them, with LF line ends: reading them is fine, and
  // the game writes them back with CR LF, so a write that got through shows.
  const auto withLf = [](std::string text) {
    std::erase(text, '\r');  // the default table's check line holds no CR of its own
    return text;
  };
  records::THighScoreTable table{};
  records::ResetHighScores(table);
  const records::TGameOptions options{false, false, false, "NORWAY"};
  const std::string newOptions = records::FormatOptions(options, table);
  const std::string newTable = records::FormatHighScores(table);
  const std::string oldOptions = withLf(newOptions);
  const std::string oldTable = withLf(newTable);
  const auto read = [](const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  };

  struct Case {
    const char* label;
    std::function<void(platform::HeadlessFiles&)> arm;
    bool optionsWritten, tableWritten;
  };
  const std::size_t inTable = newOptions.size() + 7;
  const Case cases[] = {
      {"no fault", [](auto&) {}, true, true},
      {"write error in the options", [](auto& f) { f.writeErrorIn = 5; }, false, true},
      {"write error in the table", [&](auto& f) { f.writeErrorIn = inTable; }, true, false},
      {"disk full", [](auto& f) { f.diskRoomLeft = 0; }, false, false},
      {"disk full in the table", [&](auto& f) { f.diskRoomLeft = inTable; }, true, false},
      {"folder", [](auto& f) { f.failCreateFolders = true; }, false, false},
      {"open", [](auto& f) { f.failCreateFile = true; }, false, false},
      {"sync", [](auto& f) { f.failSync = true; }, false, false},
      {"close", [](auto& f) { f.failClose = true; }, false, false},
      {"rename", [](auto& f) { f.failRename = true; }, false, false},
  };
  WriteArchives();
  fs::create_directories("Data/Save");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::ofstream("Data/Save/options", std::ios::binary) << oldOptions;
    std::ofstream("Data/Save/hs", std::ios::binary) << oldTable;
    platform::HeadlessPlatform platform;
    c.arm(platform.files);
    platform::Event quit;
    quit.type = platform::EventType::kQuit;
    platform.input.Push(quit);

    EXPECT_EQ(RunApplication(platform), 0);
    EXPECT_TRUE(platform.dialogs.messages.empty());
    EXPECT_FALSE(platform.video.open());
    EXPECT_EQ(read("Data/Save/options"), c.optionsWritten ? newOptions : oldOptions);
    EXPECT_EQ(read("Data/Save/hs"), c.tableWritten ? newTable : oldTable);
    EXPECT_FALSE(fs::exists("Data/Save/options.tmp"));
    EXPECT_FALSE(fs::exists("Data/Save/hs.tmp"));
  }
}

}  // namespace
}  // namespace brakkon::shell
