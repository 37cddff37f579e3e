// The race tick: level parameters and weights, the banner, pause and the finish
// question, the clock, time-over, the finish line and the time bonus, spawning.
#include <cmath>

#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

using shell::TGameState;
namespace vk = platform::vk;

TEST(LevelParametersTest, LengthTimeAndWeightsByLevel) {
  struct Case {
    int level, length, time;
  } cases[] = {{1, 30000, 60}, {2, 30000, 61},  {3, 30000, 61},  {4, 42000, 91},
               {6, 42000, 91}, {7, 54000, 121}, {9, 54000, 121}, {10, 66000, 151}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    EXPECT_EQ(race::LevelLength(c.level), c.length);
    EXPECT_EQ(race::LevelTime(c.level), c.time);
  }
  // n = 0 on levels 1 and 2: every weight is its multiplier, also where the base is 0.
  EXPECT_DOUBLE_EQ(race::SpawnWeight(1, 1), 0.4);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(23, 2), 0.1);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(34, 1), 0.1);
  // n = 1 from level 3 on; level 3 takes the traffic columns.
  EXPECT_DOUBLE_EQ(race::SpawnWeight(1, 3), 0);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(23, 3), 0.1 * 1.8);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(22, 3), 0.2 * 0.1);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(1, 4), 0.4 * 1.9);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(23, 4), 0);
  EXPECT_DOUBLE_EQ(race::SpawnWeight(16, 5), 0.07);
}

class RaceTickTest : public RaceFixture {};

TEST_F(RaceTickTest, TheBannerShowsFor67TicksAndHoldsOffPauseAndFinish) {
  StartRace();
  EXPECT_EQ(race().Level, 1);
  EXPECT_EQ(race().Lives, 3);
  EXPECT_EQ(race().TimeLeft, 60);
  EXPECT_NEAR(race().BannerFrames, 66.67, 0.01);
  HoldKey('P');
  HoldKey(vk::kEscape);
  Ticks(66);
  EXPECT_FALSE(race().RaceRunning);
  EXPECT_GT(race().BannerFrames, 0);
  Ticks(1);
  EXPECT_LT(race().BannerFrames, 0);
  Ticks(1);
  EXPECT_EQ(race().BannerFrames, 0);
  EXPECT_TRUE(race().RaceRunning);
  // Keys held through the banner never went down while it was over.
  Ticks(5);
  EXPECT_FALSE(race().Paused);
  EXPECT_FALSE(race().FinishPrompt);
}

TEST_F(RaceTickTest, PauseActsOnItsEdgeAndTheHeldRaceStandsStill) {
  StartRace();
  SkipBanner();
  HoldKey(vk::kUp);
  Ticks(20);
  HoldKey('P');
  Ticks(1);
  EXPECT_TRUE(race().Paused);
  EXPECT_FALSE(race().RaceRunning);
  const int presents = platform.video.presentCount();
  const double distance = race().Distance;
  Ticks(30);  // P still held: no resume
  EXPECT_TRUE(race().Paused);
  EXPECT_EQ(platform.video.presentCount(), presents);
  EXPECT_EQ(race().Distance, distance);
  // The finish key does nothing while paused.
  TapKey(vk::kEscape);
  Ticks(1);
  EXPECT_FALSE(race().FinishPrompt);
  ReleaseKey('P');
  Ticks(1);
  TapKey('P');
  Ticks(1);
  EXPECT_FALSE(race().Paused);
  EXPECT_TRUE(race().RaceRunning);
  Ticks(1);
  EXPECT_GT(race().Distance, distance);
}

TEST_F(RaceTickTest, TheFinishQuestionClosesOnNOrEscAndEndsOnY) {
  StartRace();
  SkipBanner();
  TapKey(vk::kEscape);
  Ticks(1);
  ASSERT_TRUE(race().FinishPrompt);
  // The pause key does not resume while the question is open.
  TapKey('P');
  Ticks(1);
  EXPECT_TRUE(race().FinishPrompt);
  EXPECT_FALSE(race().Paused);
  TapKey('N');
  Ticks(1);
  EXPECT_FALSE(race().FinishPrompt);
  EXPECT_TRUE(race().RaceRunning);
  // A key acts on its edge: each press needs a tick without it before.
  TapKey(vk::kEscape);
  Ticks(2);
  TapKey(vk::kEscape);
  Ticks(2);
  EXPECT_FALSE(race().FinishPrompt);
  TapKey(vk::kEscape);
  Ticks(1);
  TapKey('Y');
  Ticks(1);
  // Score 0 never makes the default table: the menu, then its high-score screen.
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(race().CarSprite, nullptr);
  EXPECT_TRUE(TickUntil([&] { return shell().GameState == TGameState::HighScores; }, 200));
}

TEST_F(RaceTickTest, TheClockStepsEvery35TicksAndTicksAudiblyFromTen) {
  StartRace();
  SkipBanner();
  StopSpawning();
  // SkipBanner ended on the first running tick.
  Ticks(33);
  EXPECT_EQ(race().TimeLeft, 60);
  Ticks(1);
  EXPECT_EQ(race().TimeLeft, 59);
  Ticks(35);
  EXPECT_EQ(race().TimeLeft, 58);
  race().TimeLeft = 12;
  const int before = SoundPlays("Tick");
  TickUntil([&] { return race().TimeLeft == 0; }, 35 * 13);
  EXPECT_EQ(SoundPlays("Tick") - before, 11);  // 10 down to 0
}

TEST_F(RaceTickTest, TimeOverCostsALifeOnlyOnceTheCarHasStoppedAndRestartsTheLevel) {
  StartRace();
  SkipBanner();
  StopSpawning();
  HoldKey(vk::kUp);
  TickUntil([&] { return race().ScrollSpeed > 10; }, 200);
  race().TimeLeft = 1;
  race().SecondTimer = 0;
  ReleaseKey(vk::kUp);
  Ticks(1);
  EXPECT_EQ(race().TimeLeft, 0);
  EXPECT_EQ(car().LatState, -3);
  EXPECT_EQ(car().TargetSpeed, 0);
  // Still rolling: no life lost yet.
  Ticks(5);
  EXPECT_EQ(race().Lives, 3);
  ASSERT_TRUE(TickUntil([&] { return race().TimeOverPending; }, 200));
  EXPECT_EQ(race().Lives, 2);
  ASSERT_NE(race().MessageCaption, nullptr);
  EXPECT_EQ(race().MessageCaption->X, 200);
  EXPECT_EQ(race().MessageCaption->Y, 220);
  ASSERT_TRUE(TickUntil([&] { return !race().TimeOverPending; }, 80));
  EXPECT_EQ(race().MessageCaption, nullptr);
  EXPECT_EQ(race().Level, 1);
  EXPECT_EQ(race().TimeLeft, 60);
  EXPECT_EQ(race().Distance, 0);
}

TEST_F(RaceTickTest, AFinishedLevelPaysItsSecondsAndTheNextTakesItsFirst) {
  StartRace();
  SkipBanner();
  StopSpawning();
  HoldKey(vk::kUp);
  TickUntil([&] { return race().ScrollSpeed > 15; }, 300);
  race().Distance = race::LevelLength(1) - 700;
  ASSERT_TRUE(TickUntil([&] { return race().RacePhase == 1; }, 20));
  // The finish line is 600 px ahead of the car's top.
  bool finishLine = false;
  for (int s = 1; s <= race::kRoadSlotCount; ++s) {
    if (race().SlotUsed[s] && race().RoadSlots[s]->Kind == race::kFinishLineKind) finishLine = true;
  }
  EXPECT_TRUE(finishLine);
  ASSERT_TRUE(TickUntil([&] { return race().RacePhase == 2; }, 100));
  const int timeAtFinish = race().TimeLeft;
  ASSERT_TRUE(TickUntil([&] { return race().RacePhase == 25; }, 300));
  EXPECT_EQ(SoundPlays("LevelFinish"), 1);
  EXPECT_FALSE(race().RaceRunning);
  EXPECT_EQ(race().TimeLeft, timeAtFinish);  // the clock stopped at the line
  ASSERT_TRUE(TickUntil([&] { return race().RacePhase == 3; }, 40));
  const int score = race().Score;
  ASSERT_TRUE(TickUntil([&] { return race().Level == 2; }, 3 * 70 + 10));
  EXPECT_EQ(race().Score, score + 5 * timeAtFinish + 5);
  EXPECT_EQ(race().TimeLeft, race::LevelTime(2) - 1);
  EXPECT_EQ(race().RacePhase, 0);
  EXPECT_EQ(race().Lives, 3);
}

TEST_F(RaceTickTest, NothingSpawnsAtStandstillAndTrafficLevelsSpawnOnlyTheirKinds) {
  StartRace(2, 5);
  SkipBanner();
  Ticks(200);
  for (int s = 1; s <= race::kRoadSlotCount; ++s) EXPECT_FALSE(race().SlotUsed[s]);
  race::StartLevel(form(), 3);
  SkipBanner();
  HoldKey(vk::kUp);
  std::set<int> kinds;
  for (int t = 0; t < 1500 && race().Level == 3 && race().Lives == 3; ++t) {
    Ticks(1);
    for (int s = 1; s <= race::kRoadSlotCount; ++s) {
      if (race().SlotUsed[s]) kinds.insert(race().RoadSlots[s]->Kind);
    }
  }
  ASSERT_FALSE(kinds.empty());
  EXPECT_GE(*kinds.begin(), 10);
  EXPECT_LE(*kinds.rbegin(), 35);
}

TEST_F(RaceTickTest, ATapShorterThanATickStillSteersTheCar) {
  StartRace();
  SkipBanner();
  StopSpawning();
  race().ScrollSpeed = 10;
  car().X = 400;
  TapKey(vk::kLeft);
  Ticks(1);
  EXPECT_LT(car().X, 400);
}

TEST_F(RaceTickTest, AJoystickDrivesPausesAndFiresLikeTheKeys) {
  StartRace();
  SkipBanner();
  StopSpawning();
  platform.input.joystickAttached = true;
  platform.input.joystick.y = platform::JoystickState::kAxisMin;
  Ticks(10);
  EXPECT_NEAR(race().ScrollSpeed, 1.0, 1e-9);
  const double x = car().X;
  platform.input.joystick.x = platform::JoystickState::kAxisMax;
  Ticks(1);
  EXPECT_GT(car().X, x);
  platform.input.joystick = {};
  platform.input.joystick.buttons[3] = true;  // the fourth button pauses
  Ticks(1);
  EXPECT_TRUE(race().Paused);
  platform.input.joystick.buttons[3] = false;
  Ticks(1);
  platform.input.joystick.buttons[3] = true;
  Ticks(1);
  EXPECT_FALSE(race().Paused);
  race().GunActive = true;
  race::ActivateBonus(form());
  platform.input.joystick.buttons[7] = true;  // the eighth fires
  Ticks(1);
  EXPECT_TRUE(race().BonusFire->Visible);
}

TEST_F(RaceTickTest, CtrlFiresToo) {
  StartRace();
  SkipBanner();
  race().GunActive = true;
  race::ActivateBonus(form());
  platform.input.PushKeyDown(vk::kControl);
  Ticks(1);
  EXPECT_TRUE(race().BonusFire->Visible);
  platform.input.PushKeyUp(vk::kControl);
  Ticks(1);
  EXPECT_FALSE(race().BonusFire->Visible);
}

}  // namespace
}  // namespace brakkon::test
