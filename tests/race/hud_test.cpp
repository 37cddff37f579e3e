// The head-up display: number placement, the needle and its jitter, the bonus box.
#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

TEST(HudTest, PanelNumbersMoveLeftByTenPerDigitFromThree) {
  struct Case {
    int value, x;
  } cases[] = {{0, 55},   {7, 55},    {99, 55},    {100, 45},
               {999, 45}, {1000, 35}, {10000, 25}, {123456, 25}};
  for (const Case& c : cases) EXPECT_EQ(race::PanelNumberX(c.value), c.x) << c.value;
}

TEST(HudTest, TheNeedleTurnsTenStepsPerSpeedUnit) {
  EXPECT_EQ(race::NeedleAngle(0, 0), 0);
  EXPECT_EQ(race::NeedleAngle(0, -1), -1);
  EXPECT_EQ(race::NeedleAngle(race::kNormalTopSpeed, 1), 179);
  EXPECT_EQ(race::NeedleAngle(race::kTurboTopSpeed, 0), 214);
}

class HudRaceTest : public RaceFixture {};

TEST_F(HudRaceTest, TheJitterHoldsEachOfOneMinusOneAndZeroForTwoDraws) {
  StartRace();
  std::vector<int> seen;
  for (int i = 0; i < 8; ++i) {
    race::DrawNeedle(form());
    seen.push_back(race().NeedleJitter);
  }
  // OpenRace drew once already (0 -> 1, held for one more draw).
  EXPECT_EQ(seen, (std::vector<int>{1, -1, -1, 0, 0, 1, 1, -1}));
}

TEST_F(HudRaceTest, TheBonusBoxShowsTheGunOrTheDriftWithTheirSeconds) {
  StartRace();
  SkipBanner();
  StopSpawning();
  Ticks(1);
  EXPECT_TRUE(race().NoBonusIcon->Visible);
  race().GunActive = true;
  race::ActivateBonus(form());
  Ticks(1);
  EXPECT_TRUE(race().GunIcon->Visible);
  EXPECT_FALSE(race().NoBonusIcon->Visible);
  // A spike drift takes the box, also over the gun.
  race().DriftActive = true;
  car().DriftTime = 0.5;
  Ticks(1);
  EXPECT_TRUE(race().DriftIcon->Visible);
  EXPECT_FALSE(race().GunIcon->Visible);
  car().DriftTime = 0;
  Ticks(1);
  EXPECT_FALSE(race().DriftActive);
  Ticks(1);
  EXPECT_TRUE(race().GunIcon->Visible);
  EXPECT_FALSE(race().DriftIcon->Visible);
}

}  // namespace
}  // namespace brakkon::test
