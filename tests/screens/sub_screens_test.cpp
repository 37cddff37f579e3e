// What the four sub-screens of the main menu share: opening beside the menu,
// the ways back to it, and closing when another menu button is highlighted.
#include <gtest/gtest.h>

#include "screens/game_fixture.h"

namespace brakkon::test {
namespace {

using shell::TGameState;

struct SubScreen {
  const char* name;
  int menuSlot;  // the main-menu button that opens it
  TGameState state;
  int lastSlot;
  int highlightAtOpen;
  int stepKey;  // the arrow that moves the highlight to the next slot
};

constexpr SubScreen kSubScreens[] = {
    {"Options", 2, TGameState::Options, 10, 7, platform::vk::kDown},
    {"HighScores", 3, TGameState::HighScores, 8, 8, platform::vk::kRight},
    {"Help", 4, TGameState::Help, 8, 8, platform::vk::kRight},
    {"CarSelect", 1, TGameState::CarSelect, 10, 7, platform::vk::kRight},
};

constexpr const char* kHints[] = {"StartCaption", "OptionsCaption",  "HighScoresCaption",
                                  "HelpCaption",  "VisitWWWCaption", "ExitCaption"};

class SubScreenTest : public GameFixture, public ::testing::WithParamInterface<SubScreen> {
 protected:
  // Opens the screen from the menu at rest and runs its first tick.
  void OpenFromMenu() {
    ClickSlot(GetParam().menuSlot);
    Ticks(1);
    ASSERT_EQ(shell().GameState, GetParam().state);
  }
  bool ShowsActiveLook(int slot) {
    const screens::TMenuButton& b = *shell().Buttons[slot];
    return b.Image == &form().MDXImageList.Items().ItemByName(b.ActiveImageName) &&
           b.AnimPosition == b.ActivePattern;
  }
  void ExpectBackOnTheMenu(int highlighted, int spritesOfTheMenu) {
    EXPECT_EQ(shell().GameState, TGameState::MainMenu);
    EXPECT_EQ(shell().ActiveButton, highlighted);
    EXPECT_EQ(shell().ButtonCount, 6);
    EXPECT_EQ(form().MDXSpriteEngine.Engine().ChildCount(), spritesOfTheMenu);
    EXPECT_TRUE(form().MDXTimer.Enabled());
    Ticks(1);
    EXPECT_TRUE(shell().ScreenCaption->Visible);
    EXPECT_EQ(shell().ScreenCaption->Image,
              &form().MDXImageList.Items().ItemByName(kHints[highlighted - 1]));
    EXPECT_TRUE(shell().Buttons[highlighted]->IsActive);
  }
};

TEST_P(SubScreenTest, OpensBesideTheMenuWithItsOwnSlots) {
  const SubScreen& screen = GetParam();
  StartAtRest();
  OpenFromMenu();
  SaveFrame(std::string("screen-") + screen.name);
  EXPECT_EQ(shell().ButtonCount, screen.lastSlot);
  EXPECT_EQ(shell().FirstButton, 7);
  EXPECT_EQ(shell().LastButton, screen.lastSlot);
  EXPECT_EQ(shell().ActiveButton, screen.highlightAtOpen);
  EXPECT_TRUE(shell().Buttons[screen.highlightAtOpen]->IsActive);
  EXPECT_FALSE(shell().ScreenCaption->Visible);
  EXPECT_TRUE(form().MDXTimer.Enabled());
  // The menu button that opened the screen keeps its lit look, although not highlighted.
  EXPECT_TRUE(ShowsActiveLook(screen.menuSlot));
  EXPECT_FALSE(shell().Buttons[screen.menuSlot]->IsActive);
  Ticks(5);
  EXPECT_TRUE(ShowsActiveLook(screen.menuSlot));
}

TEST_P(SubScreenTest, EscAndItsOwnMenuButtonLeadBackToTheMenu) {
  const SubScreen& screen = GetParam();
  StartAtRest();
  const int menuSprites = form().MDXSpriteEngine.Engine().ChildCount();

  OpenFromMenu();
  Type("\x1b");
  DeliverEvents();
  ExpectBackOnTheMenu(screen.menuSlot, menuSprites);

  OpenFromMenu();
  ClickSlot(screen.menuSlot);
  DeliverEvents();
  ExpectBackOnTheMenu(screen.menuSlot, menuSprites);
}

TEST_P(SubScreenTest, HoveringAnotherMenuButtonClosesItAtTheNextTick) {
  const SubScreen& screen = GetParam();
  StartAtRest();
  const int menuSprites = form().MDXSpriteEngine.Engine().ChildCount();
  OpenFromMenu();
  const int other = screen.menuSlot == 3 ? 2 : 3;
  MoveToSlot(other);
  DeliverEvents();
  EXPECT_EQ(shell().GameState, screen.state);
  Ticks(1);
  ExpectBackOnTheMenu(other, menuSprites);
  // The menu takes the next click at once.
  ClickSlot(other);
  DeliverEvents();
  EXPECT_EQ(shell().GameState, kSubScreens[other == 2 ? 0 : 1].state);
}

TEST_P(SubScreenTest, ItsOwnMenuButtonCanBeHighlightedAndAnArrowFromItClosesIt) {
  const SubScreen& screen = GetParam();
  CopyBakedSaves();  // sound on
  StartAtRest();
  const int menuSprites = form().MDXSpriteEngine.Engine().ChildCount();
  OpenFromMenu();
  // Its own button looks lit but was never highlighted: touching it sounds once.
  const int activated = SoundPlays("Button_Activated");
  MoveToSlot(screen.menuSlot);
  Ticks(2);
  EXPECT_EQ(SoundPlays("Button_Activated"), activated + 1);
  ASSERT_EQ(shell().ActiveButton, screen.menuSlot);
  ASSERT_EQ(shell().GameState, screen.state);
  TapKey(screen.stepKey);
  Ticks(1);
  ExpectBackOnTheMenu(screen.menuSlot + 1, menuSprites);
}

INSTANTIATE_TEST_SUITE_P(Screens, SubScreenTest, ::testing::ValuesIn(kSubScreens),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brakkon::test
