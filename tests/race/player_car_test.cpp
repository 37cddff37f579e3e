// The player car: pedals, limits, the verge, skids and drift, the gun's aim and sound.
#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

namespace vk = platform::vk;

class PlayerCarTest : public RaceFixture {};

TEST_F(PlayerCarTest, AcceleratingStopsAtTheFirstStepNotBelowTopSpeed) {
  StartEmptyRoad();
  EXPECT_EQ(car().Y, 600 - car().Height - 35);
  HoldKey(vk::kUp);
  Ticks(1);
  EXPECT_DOUBLE_EQ(race().ScrollSpeed, 0.1);
  Ticks(299);
  double expected = 0;
  while (expected < race::kNormalTopSpeed) expected += 0.1;
  EXPECT_DOUBLE_EQ(race().ScrollSpeed, expected);
  EXPECT_NEAR(race().ScrollSpeed, 17.9, 1e-9);
}

TEST_F(PlayerCarTest, BothPedalsBrakeByATenthAndHoverAtStandstill) {
  StartEmptyRoad();
  race().ScrollSpeed = 5;
  HoldKey(vk::kUp);
  HoldKey(vk::kDown);
  Ticks(1);
  EXPECT_NEAR(race().ScrollSpeed, 4.9, 1e-9);
  Ticks(60);
  std::set<long> seen;
  for (int i = 0; i < 6; ++i) {
    Ticks(1);
    seen.insert(std::lround(race().ScrollSpeed * 10));
  }
  EXPECT_EQ(seen, (std::set<long>{-1, 0}));
  // Released a step below 0, the car stops instead of rolling backwards.
  while (race().ScrollSpeed >= 0) Ticks(1);
  ReleaseKey(vk::kUp);
  ReleaseKey(vk::kDown);
  Ticks(1);
  EXPECT_EQ(race().ScrollSpeed, 0);
  const double distance = race().Distance;
  Ticks(20);
  EXPECT_EQ(race().Distance, distance);
}

TEST_F(PlayerCarTest, TheCarStaysBetweenItsLimits) {
  StartEmptyRoad();
  race().ScrollSpeed = 15;
  HoldKey(vk::kLeft);
  Ticks(60);
  EXPECT_EQ(car().X, 166);
  ReleaseKey(vk::kLeft);
  HoldKey(vk::kRight);
  Ticks(60);
  EXPECT_EQ(car().X, 615 - car().Width);
}

TEST_F(PlayerCarTest, TheVergeHalvesTheTopSpeedUntilTheCarIsBackOnTheRoad) {
  StartEmptyRoad();
  race().ScrollSpeed = race::kNormalTopSpeed;
  car().X = 200;  // 200 + 52 / 3 < 283
  ASSERT_TRUE(car().IsOffRoad());
  Ticks(1);
  EXPECT_DOUBLE_EQ(car().MaxSpeed, race::kNormalTopSpeed / 2);
  EXPECT_DOUBLE_EQ(car().Accel, 0.05);
  EXPECT_EQ(car().LatState, -3);
  // Coasting on the verge loses 0.05 a tick, braking 0.2.
  const double before = race().ScrollSpeed;
  Ticks(1);
  EXPECT_NEAR(race().ScrollSpeed, before - 0.05, 1e-9);
  HoldKey(vk::kDown);
  Ticks(1);
  EXPECT_NEAR(race().ScrollSpeed, before - 0.25, 1e-9);
  ReleaseKey(vk::kDown);
  car().X = 300;
  Ticks(1);
  EXPECT_DOUBLE_EQ(car().MaxSpeed, race::kNormalTopSpeed);
  EXPECT_DOUBLE_EQ(car().Accel, 0.1);
  EXPECT_EQ(car().LatState, 0);
}

TEST_F(PlayerCarTest, DuringDriftThePedalsAreDeadButSteeringWorks) {
  StartEmptyRoad();
  race().ScrollSpeed = 5;
  car().DriftTime = 1;
  car().X = 400;
  HoldKey(vk::kUp);
  HoldKey(vk::kLeft);
  Ticks(1);
  EXPECT_DOUBLE_EQ(race().ScrollSpeed, 5);
  EXPECT_LT(car().X, 400);
  EXPECT_NEAR(car().DriftTime, 0.97, 1e-9);
  // Only counted down while no skid or slow-down runs.
  car().LatState = -3;
  car().TargetSpeed = 0;
  Ticks(1);
  EXPECT_NEAR(car().DriftTime, 0.97, 1e-9);
}

TEST_F(PlayerCarTest, WaterAtTopSpeedSkidsALaneWide) {
  StartEmptyRoad();
  race().ScrollSpeed = race::kNormalTopSpeed;
  car().X = race::LaneCentreX(3, car().Width);
  const double startX = car().X;
  race::TWallSprite& water = PlaceObject(4, race::LaneCentreX(3, 96), car().Y);
  water.Lane = 3;
  Ticks(1);  // the water is met after the car has moved: the skid starts next tick
  ASSERT_NE(car().LatState, 0);
  EXPECT_NEAR(car().TargetSpeed, race::kNormalTopSpeed - 100.0 / 14, 1e-9);
  const int dir = car().LatState > 0 ? 1 : -1;
  Ticks(1);
  EXPECT_NEAR((car().X - startX) * dir, race::kNormalTopSpeed / 1.8, 1e-9);  // about 9.9
  EXPECT_NEAR(race().ScrollSpeed, race::kNormalTopSpeed - 0.2, 1e-9);
  TickUntil([&] { return car().LatState == 0; }, 100);
  // One lane over: 109 px to the left, 110 to the right, plus the last step.
  EXPECT_NEAR(std::fabs(car().X - startX), dir > 0 ? 110 : 109, 10);
}

TEST_F(PlayerCarTest, TheGunHitsTheNearestObjectInLineAndKillsItOnTheThirdHit) {
  StartEmptyRoad();
  race().ScrollSpeed = 0;
  const double gx = car().X + car().Width / 2.0;
  race::TWallSprite& far = PlaceObject(2, gx - 51, 100);
  race::TWallSprite& nearer = PlaceObject(25, gx - 20, 250);
  nearer.OwnSpeed = 0;
  race().GunActive = true;
  race::ActivateBonus(form());
  HoldKey(vk::kSpace);
  const int shots = SoundPlays("Shot");
  Ticks(1);
  EXPECT_EQ(SoundPlays("Shot"), shots + 1);
  EXPECT_TRUE(race().HitSpark->Visible);
  EXPECT_EQ(race().HitSpark->Y, nearer.Y);
  EXPECT_EQ(nearer.Hits, 1);
  EXPECT_EQ(far.Hits, 0);
  Ticks(2);
  EXPECT_TRUE(nearer.Destroyed);
  EXPECT_EQ(race().Score, 20);
  Ticks(3);
  EXPECT_EQ(far.Hits, 3);
  EXPECT_EQ(race().Score, 30);
  EXPECT_EQ(SoundPlays("Shot"), shots + 1);  // held: started once
  ReleaseKey(vk::kSpace);
  Ticks(1);
  EXPECT_FALSE(race().HitSpark->Visible);
  EXPECT_FALSE(race().BonusFire->Visible);
}

TEST_F(PlayerCarTest, TheGunFallsSilentWhenTheRaceIsHeldOrEnds) {
  StartEmptyRoad();
  race().GunActive = true;
  race::ActivateBonus(form());
  HoldKey(vk::kSpace);
  Ticks(1);
  ASSERT_TRUE(SoundPlaying("Shot"));
  TapKey('P');
  Ticks(1);
  EXPECT_FALSE(SoundPlaying("Shot"));
  Ticks(1);
  TapKey('P');
  Ticks(2);
  EXPECT_TRUE(SoundPlaying("Shot"));  // still held: firing again
  TapKey(vk::kEscape);
  Ticks(1);
  EXPECT_FALSE(SoundPlaying("Shot"));
  TapKey('Y');
  Ticks(1);
  ASSERT_EQ(shell().GameState, shell::TGameState::MainMenu);
  Ticks(5);
  EXPECT_FALSE(SoundPlaying("Shot"));
}

TEST_F(PlayerCarTest, TheGunTakenWithTheTurboOnDropsTheTurboAtOnce) {
  StartEmptyRoad();
  race().TurboActive = true;
  race::ActivateBonus(form());
  race().ScrollSpeed = 20;
  PlaceObject(14, car().X, car().Y);
  Ticks(1);
  EXPECT_TRUE(race().GunActive);
  EXPECT_FALSE(race().TurboActive);
  EXPECT_EQ(car().BonusCount, 10);
  EXPECT_DOUBLE_EQ(car().MaxSpeed, race::kNormalTopSpeed);
  EXPECT_EQ(car().LatState, -3);
  EXPECT_DOUBLE_EQ(car().TargetSpeed, race::kNormalTopSpeed);
}

TEST_F(PlayerCarTest, TheTurboAcceleratesToItsOwnTopSpeedAndRunsOut) {
  StartEmptyRoad(2);
  PlaceObject(15, car().X, car().Y);
  HoldKey(vk::kUp);
  Ticks(1);
  ASSERT_TRUE(race().TurboActive);
  Ticks(200);
  EXPECT_GE(race().ScrollSpeed, race::kTurboTopSpeed);
  EXPECT_LT(race().ScrollSpeed, race::kTurboTopSpeed + 0.2);
  EXPECT_TRUE(race().BonusFire->Visible);
  const int lost = SoundPlays("BonusLost");
  TickUntil([&] { return !race().TurboActive; }, 35 * 11);
  EXPECT_EQ(SoundPlays("BonusLost"), lost + 1);
  EXPECT_EQ(race().BonusBody, nullptr);
  TickUntil([&] { return car().LatState == 0; }, 100);
  EXPECT_LE(race().ScrollSpeed, race::kNormalTopSpeed + 0.1);
}

}  // namespace
}  // namespace brakkon::test
