// Road objects: placement rules, what a touch of the car does, and the sweep.
#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

namespace vk = platform::vk;

class RoadObjectsTest : public RaceFixture {
 protected:
  // An object of `kind` right on the car, met in the next move pass.
  race::TWallSprite& OnTheCar(int kind) { return PlaceObject(kind, car().X, car().Y); }
  int Occupied() {
    int n = 0;
    for (int s = 1; s <= race::kRoadSlotCount; ++s) n += race().SlotUsed[s] ? 1 : 0;
    return n;
  }
};

TEST_F(RoadObjectsTest, PlacementKeepsLanesRowsAndTheRoadsideApart) {
  StartEmptyRoad();
  // Same x (same width, same lane) anywhere on the road blocks.
  PlaceObject(2, race::LaneCentreX(2, 102), 400);
  EXPECT_TRUE(race::PlacementBlocked(form(), race::LaneCentreX(2, 102), -30, 102, 30, 0, 10));
  // Within 10 px of any object's row blocks, whatever the lane.
  EXPECT_TRUE(race::PlacementBlocked(form(), race::LaneCentreX(4, 40), 395, 40, 40, 0, 10));
  EXPECT_FALSE(race::PlacementBlocked(form(), race::LaneCentreX(4, 40), -40, 40, 40, 0, 10));
  // Overlapping boxes block.
  EXPECT_TRUE(race::PlacementBlocked(form(), race::LaneCentreX(2, 40), 380, 40, 40, 0, 10));
  // While a sign or a roadside wall is on the screen, nothing else is placed.
  ClearRoad();
  PlaceObject(19, 630, 300);
  EXPECT_TRUE(race::PlacementBlocked(form(), race::LaneCentreX(3, 40), -40, 40, 40, 0, 10));
  ClearRoad();
  race::SpawnObject(form(), 10);
  EXPECT_EQ(Occupied(), 1);
  race::SpawnObject(form(), 10);  // same width, same row: no lane and no slot takes it
  EXPECT_EQ(Occupied(), 1);
}

TEST_F(RoadObjectsTest, OneTrafficCarPerLane) {
  StartEmptyRoad();
  race::TWallSprite& a = PlaceObject(23, race::LaneCentreX(4, 48), 300);
  a.Lane = 4;
  race::TWallSprite& b = PlaceObject(29, race::LaneCentreX(2, 48), 100);
  b.Lane = 2;
  EXPECT_TRUE(race::LaneHasTraffic(form(), 4));
  EXPECT_TRUE(race::LaneHasTraffic(form(), 2));
  EXPECT_FALSE(race::LaneHasTraffic(form(), 3));
  for (int i = 0; i < 50; ++i) {
    auto probe = std::make_unique<race::TWallSprite>(&form().MDXSpriteEngine.Engine(), form(),
                                                     24 + i % 5, 30);
    if (probe->Lane != 3) {
      EXPECT_FALSE(probe->Placed);
    }
  }
}

TEST_F(RoadObjectsTest, WallsStopTheCarSlowOrCostALifeFast) {
  struct Case {
    double speed;
    int lives;
    bool crashed;
  } cases[] = {{150.0 / 14, 3, false}, {151.0 / 14, 2, true}};
  StartEmptyRoad();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    ClearRoad();
    race().Lives = 3;
    race().ScrollSpeed = c.speed;
    race::TWallSprite& wall = OnTheCar(1);
    Ticks(1);
    EXPECT_EQ(race().Lives, c.lives);
    EXPECT_EQ(race().ScrollSpeed, 0);
    EXPECT_EQ(race().Crashed, c.crashed);
    EXPECT_FALSE(wall.CollisionEnabled);
    EXPECT_EQ(race().CrashSlot, wall.Slot);
    if (!c.crashed) {
      EXPECT_NEAR(car().DriftTime, 2, 1e-9);
    }
    TickUntil([&] { return !race().Crashed; }, 60);
  }
}

TEST_F(RoadObjectsTest, TrafficCrashesCostALifeOnlyAboveAClosingSpeed) {
  StartEmptyRoad();
  race().ScrollSpeed = 10;
  race::TWallSprite& slow = OnTheCar(23);
  slow.OwnSpeed = -9;  // closing at 1 px per tick
  Ticks(1);
  EXPECT_EQ(race().Lives, 3);
  EXPECT_NEAR(race().ScrollSpeed, 10 - 100.0 / 14, 1e-9);
  EXPECT_EQ(slow.OwnSpeed, 0);
  EXPECT_EQ(SoundPlays("CarExplosion"), 1);
  ClearRoad();
  race().ScrollSpeed = 10;
  OnTheCar(30).OwnSpeed = 2;
  Ticks(1);
  EXPECT_EQ(race().Lives, 2);
  EXPECT_TRUE(race().Crashed);
}

TEST_F(RoadObjectsTest, TouchEffectsByKind) {
  struct Case {
    int kind;
    int score;  // before the touch
    int wantScore;
    int wantLives;
    const char* sound;
  } cases[] = {
      {9, 60, 0, 3, "Rabbit"},    {9, 250, 150, 3, "Rabbit"}, {10, 0, 10, 3, "ScoreGet"},
      {11, 0, 20, 3, "ScoreGet"}, {12, 0, 50, 3, "ScoreGet"}, {13, 0, 100, 3, "ScoreGet"},
      {16, 0, 0, 4, "ScoreGet"},  {17, 0, 0, 3, nullptr},     {35, 0, 0, 3, nullptr},
  };
  StartEmptyRoad();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ClearRoad();
    race().Score = c.score;
    race().Lives = 3;
    race().ScrollSpeed = 0;
    const int sounds = c.sound != nullptr ? SoundPlays(c.sound) : 0;
    race::TWallSprite& o = OnTheCar(c.kind);
    const int slot = o.Slot;
    Ticks(1);
    EXPECT_EQ(race().Score, c.wantScore);
    EXPECT_EQ(race().Lives, c.wantLives);
    if (c.sound != nullptr) {
      EXPECT_EQ(SoundPlays(c.sound), sounds + 1);
    }
    // Collected things are gone after the same tick's sweep; the rest stay.
    const bool collected = (c.kind >= 9 && c.kind <= 16);
    EXPECT_EQ(race().SlotUsed[slot], !collected);
  }
}

TEST_F(RoadObjectsTest, HazardsSlowSkidOrDriftTheCar) {
  StartEmptyRoad();
  race().ScrollSpeed = 7;
  car().TargetSpeed = 0;
  OnTheCar(6);
  Ticks(1);
  EXPECT_EQ(car().LatState, -3);
  EXPECT_EQ(car().TargetSpeed, 0);  // 7 is not above the stone's 100/14
  EXPECT_TRUE(TickUntil([&] { return race().ScrollSpeed == 0; }, 60));

  ClearRoad();
  race().ScrollSpeed = 15;
  OnTheCar(3);
  Ticks(1);
  EXPECT_TRUE(race().DriftActive);
  EXPECT_EQ(car().DriftTime, 10);
  EXPECT_DOUBLE_EQ(car().TargetSpeed, 50.0 / 14);
  EXPECT_EQ(SoundPlays("Spike"), 1);
}

TEST_F(RoadObjectsTest, TheGunRefillWhileArmedKeepsItsSprites) {
  StartEmptyRoad();
  OnTheCar(14);
  Ticks(1);
  ASSERT_TRUE(race().GunActive);
  const auto* body = race().BonusBody;
  car().BonusCount = 3;
  OnTheCar(14);
  Ticks(1);
  EXPECT_EQ(car().BonusCount, 10);
  EXPECT_EQ(race().BonusBody, body);
}

TEST_F(RoadObjectsTest, ABonusTakenDuringTheCrashBlastIsLostInTheSameTick) {
  StartEmptyRoad();
  race().ScrollSpeed = 15;
  OnTheCar(2);
  Ticks(1);
  ASSERT_TRUE(race().Crashed);
  OnTheCar(15);
  Ticks(1);
  EXPECT_FALSE(race().TurboActive);
  EXPECT_EQ(race().BonusBody, nullptr);
}

TEST_F(RoadObjectsTest, TheSweepFreesPassedObjectsAndExplodedWrecks) {
  StartEmptyRoad();
  race::TWallSprite& below = PlaceObject(10, race::LaneCentreX(2, 40), 601);
  const int belowSlot = below.Slot;
  race::TWallSprite& ahead = PlaceObject(24, race::LaneCentreX(3, 48), -601);
  const int aheadSlot = ahead.Slot;
  race().ScrollSpeed = 0;
  ahead.OwnSpeed = 0;
  Ticks(1);
  EXPECT_FALSE(race().SlotUsed[belowSlot]);
  EXPECT_FALSE(race().SlotUsed[aheadSlot]);
  // A wall crashed into at low speed plays its blast, then goes.
  race().ScrollSpeed = 5;
  race::TWallSprite& wall = OnTheCar(1);
  const int wallSlot = wall.Slot;
  Ticks(1);
  EXPECT_TRUE(race().SlotUsed[wallSlot]);
  EXPECT_TRUE(TickUntil([&] { return !race().SlotUsed[wallSlot]; }, 20));
}

}  // namespace
}  // namespace brakkon::test
