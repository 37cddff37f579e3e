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

// The pointer resting on any main-menu button while the arrows step the
// highlight: the hover and the arrow land in one tick, and each press after it
// steps on from wherever the highlight went. No slot outside the screen's
// buttons may ever be read, and the highlight stays on a real slot or none.
TEST_P(SubScreenTest, ArrowsWithThePointerOnAMenuButtonKeepTheHighlightOnASlot) {
  const SubScreen& screen = GetParam();
  const int backKey =
      screen.stepKey == platform::vk::kDown ? platform::vk::kUp : platform::vk::kLeft;
  for (const int key : {backKey, screen.stepKey}) {
    for (int menuSlot = 1; menuSlot <= 6; ++menuSlot) {
      SCOPED_TRACE(testing::Message() << "pointer on slot " << menuSlot << ", key " << key);
      StartAtRest();
      OpenFromMenu();
      MoveToSlot(menuSlot);
      for (int press = 0; press < 4; ++press) {
        TapKey(key);
        Ticks(2);
        const int active = shell().ActiveButton;
        ASSERT_TRUE(active >= 0 && active <= shell().ButtonCount) << "highlight " << active;
        if (active != 0) {
          ASSERT_NE(shell().Buttons[active], nullptr);
        }
      }
      TearDown();
      SetUp();
    }
  }
}

// The car selection's wrapping step from its own menu button: Left twice with
// the pointer on Start walks into the cars from the far end, not past slot 1.
class HighlightStepTest : public GameFixture {};

TEST_F(HighlightStepTest, LeftFromStartOnTheCarSelectionEntersTheCarsFromTheEnd) {
  StartAtRest();
  Type("\r");
  Ticks(1);
  ASSERT_EQ(shell().GameState, TGameState::CarSelect);
  MoveToSlot(1);
  StepKey(platform::vk::kLeft);
  EXPECT_EQ(shell().ActiveButton, 10);
  StepKey(platform::vk::kLeft);
  EXPECT_EQ(shell().ActiveButton, 9);
  EXPECT_EQ(shell().GameState, TGameState::CarSelect);
}

INSTANTIATE_TEST_SUITE_P(Screens, SubScreenTest, ::testing::ValuesIn(kSubScreens),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brakkon::test
