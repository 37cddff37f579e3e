// The car selection: choosing among the four cars and starting the race with one.
#include <gtest/gtest.h>

#include "screens/game_fixture.h"

namespace brakkon::test {
namespace {

using platform::vk::kLeft;
using platform::vk::kRight;
using shell::TGameState;

class CarSelectScreenTest : public GameFixture {
 protected:
  void OpenCarSelect() {
    ClickSlot(1);
    Ticks(1);
    ASSERT_EQ(shell().GameState, TGameState::CarSelect);
  }
};

TEST_F(CarSelectScreenTest, LeftAndRightWrapThroughTheFourCars) {
  StartAtRest();
  OpenCarSelect();
  EXPECT_EQ(shell().ActiveButton, 7);
  for (int expected : {8, 9, 10, 7}) {
    StepKey(kRight);
    EXPECT_EQ(shell().ActiveButton, expected);
    EXPECT_TRUE(shell().Buttons[expected]->IsActive);
  }
  StepKey(kLeft);
  EXPECT_EQ(shell().ActiveButton, 10);
  SaveFrame("car-select-car4");
}

TEST_F(CarSelectScreenTest, ACarClosesBothMenusAndStartsTheRaceWithIt) {
  StartAtRest();
  const int menuSprites = form().MDXSpriteEngine.Engine().ChildCount();
  for (int slot = 7; slot <= 10; ++slot) {
    SCOPED_TRACE(slot);
    OpenCarSelect();
    ClickSlot(slot);
    DeliverEvents();
    EXPECT_EQ(form().Race.CarModel, slot - 6);
    // Until the race joins, the race start leads to a freshly built menu.
    EXPECT_EQ(shell().GameState, TGameState::MainMenu);
    EXPECT_EQ(shell().MenuPhase, 1);
    EXPECT_EQ(shell().ActiveButton, 1);
    EXPECT_EQ(form().MDXSpriteEngine.Engine().ChildCount(), menuSprites);
    EXPECT_TRUE(form().MDXTimer.Enabled());
    for (int i = 0; i < 200 && shell().MenuPhase != 0; ++i) Ticks(1);
  }
  // Enter on a highlighted car does the same.
  OpenCarSelect();
  StepKey(kRight);
  StepKey(kRight);
  Type("\r");
  DeliverEvents();
  EXPECT_EQ(form().Race.CarModel, 3);
  EXPECT_EQ(shell().MenuPhase, 1);
}

}  // namespace
}  // namespace brakkon::test
