// The main menu: slide-in, navigation, hover, the entries, Alt+Enter and Exit.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "records/web_links.h"
#include "screens/game_fixture.h"
#include "screens/main_menu.h"

namespace brakkon::test {
namespace {

using platform::vk::kDown;
using platform::vk::kUp;
using shell::TGameState;

class MainMenuTest : public GameFixture {};

std::string FileText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(MainMenuTest, PanelsThenButtonsSlideInAndComeToRestAt555) {
  Start();
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ActiveButton, 1);
  EXPECT_EQ(shell().MenuPhase, 1);
  EXPECT_EQ(shell().UpPanel->Y, -shell().UpPanel->Height);
  EXPECT_EQ(shell().DownPanel->Y, 600);
  Ticks(34);
  EXPECT_EQ(shell().MenuPhase, 1);
  Ticks(1);  // both panels reach their rest in the same tick; the buttons start at once
  EXPECT_EQ(shell().MenuPhase, 3);
  EXPECT_EQ(shell().UpPanel->Y, 0);
  EXPECT_EQ(shell().DownPanel->Y, 600 - shell().DownPanel->Height);
  EXPECT_EQ(shell().Buttons[1]->X, 800 - 7);
  Ticks(34);
  for (int slot = 1; slot <= 6; ++slot) EXPECT_EQ(shell().Buttons[slot]->X, 555) << slot;
  EXPECT_EQ(shell().MenuPhase, 3);
  EXPECT_FALSE(shell().Buttons[1]->IsActive);  // no highlight is drawn while sliding
  Ticks(1);
  EXPECT_EQ(shell().MenuPhase, 0);
  Ticks(1);  // the highlight and the hint come with the first interactive tick
  EXPECT_TRUE(shell().Buttons[1]->IsActive);
  EXPECT_EQ(shell().ScreenCaption->Image, &form().MDXImageList.Items().ItemByName("StartCaption"));
  SaveFrame("main-menu");
}

TEST_F(MainMenuTest, EntryThreeOpensHighScoresTwoTicksAfterTheLastSlide) {
  Start();
  screens::CloseMainMenu(form());
  screens::ShowMainMenu(form(), true, 3);
  EXPECT_EQ(shell().ActiveButton, 3);
  Ticks(69);  // 35 panel ticks, the last button step at the 69th
  EXPECT_EQ(shell().Buttons[1]->X, 555);
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().MenuPhase, 0);
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::HighScores);
  EXPECT_EQ(shell().MenuEntry, 0);
}

TEST_F(MainMenuTest, ArrowsWrapAndMoveOneSlotPerPress) {
  StartAtRest();
  StepKey(kUp);
  EXPECT_EQ(shell().ActiveButton, 6);
  StepKey(kDown);
  EXPECT_EQ(shell().ActiveButton, 1);
  HoldKey(kDown);
  Ticks(10);
  EXPECT_EQ(shell().ActiveButton, 2);
  ReleaseKey(kDown);
  Ticks(1);
  StepKey(kDown);
  EXPECT_EQ(shell().ActiveButton, 3);
  EXPECT_EQ(shell().ScreenCaption->Image,
            &form().MDXImageList.Items().ItemByName("HighScoresCaption"));
}

TEST_F(MainMenuTest, HoverIncludesTheEdgesAndKeepsTheLastHighlight) {
  StartAtRest();
  const screens::TMenuButton& exit = *shell().Buttons[6];
  const int right = static_cast<int>(exit.X) + exit.Width;
  const int bottom = static_cast<int>(exit.Y) + exit.Height;
  MoveTo(right, bottom);
  DeliverEvents();
  EXPECT_EQ(shell().ActiveButton, 6);
  MoveTo(right + 1, bottom);
  DeliverEvents();
  EXPECT_EQ(shell().ActiveButton, 6);
  MoveTo(100, 560);
  MoveToSlot(2);
  MoveTo(100, 560);  // off every button: Options stays highlighted
  DeliverEvents();
  EXPECT_EQ(shell().ActiveButton, 2);
  // A click anywhere acts on the highlighted button.
  platform.input.PushClick(100, 560);
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::Options);
}

TEST_F(MainMenuTest, KeysOnTheMenuActOnTheHighlight) {
  StartAtRest();
  Type("\x1b");
  Ticks(2);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  StepKey(kDown);
  StepKey(kDown);
  StepKey(kDown);  // Help
  Type(" ");
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::Help);
  Type("\x1b");
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ActiveButton, 4);
  StepKey(kDown);  // Web site
  Type("\r");
  Ticks(1);
  ASSERT_EQ(platform.opener.addresses.size(), 1u);
  EXPECT_EQ(platform.opener.addresses[0], records::WebSiteAddress(records::kScoreHost));
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
}

TEST_F(MainMenuTest, TheEnvironmentNamesAnotherScoreHost) {
  platform.environment["BRAKKON_SCORE_HOST"] = "scores.example.org:9000";
  StartAtRest();
  shell().ActiveButton = 5;
  Type("\r");
  Ticks(1);
  ASSERT_EQ(platform.opener.addresses.size(), 1u);
  EXPECT_EQ(platform.opener.addresses[0], "http://scores.example.org:9000/");
}

TEST_F(MainMenuTest, EnterOnTheOptionsMenuButtonClosesTheOptionsOnce) {
  StartAtRest();
  StepKey(kDown);
  Type("\r");
  Ticks(1);
  ASSERT_EQ(shell().GameState, TGameState::Options);
  MoveToSlot(2);  // back on the menu's own Options button
  DeliverEvents();
  Type("\r");
  DeliverEvents();
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ButtonCount, 6);
}

TEST_F(MainMenuTest, AClickWhileSlidingInOnlySounds) {
  CopyBakedSaves();  // sound on
  Start();
  Ticks(10);
  ClickSlot(1);
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().MenuPhase, 1);
  EXPECT_EQ(SoundPlays("Button_Pressed"), 1);
}

TEST_F(MainMenuTest, AltEnterSwitchesTheDisplayInAnyState) {
  StartAtRest();
  for (TGameState state : {TGameState::MainMenu, TGameState::Race, TGameState::NameEntry}) {
    shell().GameState = state;
    const bool before = form().Records.Options.FullScreen;
    platform.input.PushKeyDown(platform::vk::kReturn, true, false);
    DeliverEvents();
    EXPECT_NE(form().Records.Options.FullScreen, before);
    EXPECT_EQ(platform.video.FullScreen(), form().Records.Options.FullScreen);
    EXPECT_TRUE(form().MDXTimer.Enabled());
  }
}

TEST_F(MainMenuTest, ExitWritesBothFilesAndHandsOffTheLinkFileOnce) {
  CopyBakedSaves();
  {
    std::ofstream link("play.url");
    link << "[InternetShortcut]\r\nURL=http://example.invalid/more\r\n";
  }
  StartAtRest();
  form().Records.Options.Country = "NORWAY";
  StepKey(kUp);  // Exit
  Type("\r");
  Ticks(1);
  EXPECT_TRUE(form().Terminated());
  EXPECT_NE(FileText("Data/Save/options").find("NORWAY\r\n"), std::string::npos);
  EXPECT_EQ(FileText("Data/Save/hs"), FileText(BRAKKON_BAKED_DATA_DIR "/Save/hs"));
  EXPECT_TRUE(platform.opener.addresses.empty());
  form().FormDestroy();  // the window goes away after the loop ends
  form().FormDestroy();
  ASSERT_EQ(platform.opener.addresses.size(), 1u);
  EXPECT_EQ(platform.opener.addresses[0], "http://example.invalid/more");
}

}  // namespace
}  // namespace brakkon::test
