// The help screen: turning its four pages by click, key and arrow overrun.
#include "screens/help_screen.h"

#include <gtest/gtest.h>

#include "screens/game_fixture.h"

namespace brakkon::test {
namespace {

using platform::vk::kLeft;
using platform::vk::kRight;
using shell::TGameState;

class HelpScreenTest : public GameFixture {
 protected:
  void OpenHelp() {
    StartAtRest();
    ClickSlot(4);
    Ticks(1);
    ASSERT_EQ(shell().GameState, TGameState::Help);
  }
  // The page number and the picture shown agree; returns the page.
  int Page() {
    const int page = shell().HelpPage;
    EXPECT_EQ(shell().HelpSprite->Image,
              &form().MDXImageList.Items().ItemByName(screens::HelpPages[page - 1]));
    return page;
  }
};

TEST_F(HelpScreenTest, PreviousAndNextTurnThePagesRoundTheFour) {
  OpenHelp();
  EXPECT_EQ(Page(), 1);
  for (int expected : {2, 3, 4, 1}) {
    ClickSlot(8);
    Ticks(1);
    EXPECT_EQ(Page(), expected);
  }
  for (int expected : {4, 3}) {
    ClickSlot(7);
    Ticks(1);
    EXPECT_EQ(Page(), expected);
  }
  SaveFrame("help-page-3");
  // Enter acts on the highlighted button like a click; a double click acts twice.
  Type("\r");
  Ticks(1);
  EXPECT_EQ(Page(), 2);
  ClickSlot(8);
  platform::Event second;
  second.type = platform::EventType::kDoubleClick;
  platform.input.Push(second);
  Ticks(1);
  EXPECT_EQ(Page(), 4);
  // Reopening starts on page 1 again.
  Type("\x1b");
  Ticks(1);
  ClickSlot(4);
  Ticks(1);
  EXPECT_EQ(Page(), 1);
}

TEST_F(HelpScreenTest, AnArrowPushedPastTheEndButtonActsOnIt) {
  OpenHelp();  // "Next" highlighted
  struct Step {
    int key;
    int highlight;
    int page;
  };
  const Step steps[] = {
      {kRight, 8, 2},                                // past "Next": turns
      {kRight, 8, 3}, {kLeft, 7, 3},                 // moves the highlight only
      {kRight, 8, 3}, {kLeft, 7, 3}, {kLeft, 7, 2},  // past "Previous": turns back
  };
  for (const Step& step : steps) {
    StepKey(step.key);
    EXPECT_EQ(shell().ActiveButton, step.highlight);
    EXPECT_EQ(Page(), step.page);
    EXPECT_FALSE(shell().NavOverrun);
  }
}

TEST_F(HelpScreenTest, AnOverrunOnAHoveredMenuButtonClosesTheScreenOnce) {
  StartAtRest();
  const int menuSprites = form().MDXSpriteEngine.Engine().ChildCount();
  ClickSlot(4);
  Ticks(1);
  // The pointer rests on the high-score button when Left arrives: the step runs
  // past the range, acts on slot 3 (closing the screen), and the close test of
  // the same tick must not close it a second time.
  MoveToSlot(3);
  TapKey(kLeft);
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ActiveButton, 3);
  EXPECT_EQ(form().MDXSpriteEngine.Engine().ChildCount(), menuSprites);
  Ticks(2);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_TRUE(shell().ScreenCaption->Visible);
}

}  // namespace
}  // namespace brakkon::test
