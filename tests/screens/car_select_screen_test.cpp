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
  OpenCarSelect();
  ClickSlot(9);
  DeliverEvents();
  EXPECT_EQ(form().Race.CarModel, 3);
  EXPECT_EQ(shell().GameState, TGameState::Race);
  EXPECT_EQ(shell().ButtonCount, 0);
  EXPECT_EQ(shell().ScreenCaption, nullptr);
  EXPECT_FALSE(platform.video.pointerVisible());
  EXPECT_TRUE(form().MDXTimer.Enabled());
}

TEST_F(CarSelectScreenTest, EnterOnAHighlightedCarStartsTheRace) {
  StartAtRest();
  OpenCarSelect();
  StepKey(kRight);
  StepKey(kRight);
  Type("\r");
  DeliverEvents();
  EXPECT_EQ(form().Race.CarModel, 3);
  EXPECT_EQ(shell().GameState, TGameState::Race);
}

}  // namespace
}  // namespace brakkon::test
