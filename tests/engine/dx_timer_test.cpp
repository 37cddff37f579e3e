// The frame timer's tick rule: interval test, lag count, wrap-around, activation.
#include <gtest/gtest.h>

#include <vector>

#include "engine/dx_timer.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::engine {
namespace {

struct TimerFixture : ::testing::Test {
  platform::ManualClock clock;
  TDXTimer timer{clock};
  std::vector<int> ticks;

  void SetUp() override {
    timer.SetEnabled(false);
    timer.SetInterval(30);
    timer.OnTimer = [this](int lag) { ticks.push_back(lag); };
  }
  // Advances the clock by `ms`, then runs one idle step.
  void IdleAfter(std::uint32_t ms) {
    clock.Advance(ms);
    timer.Idle();
  }
};

TEST_F(TimerFixture, LagCountIsWholeIntervalsElapsed) {
  timer.SetEnabled(true);
  IdleAfter(10);
  IdleAfter(10);
  EXPECT_TRUE(ticks.empty());
  IdleAfter(10);  // 30 ms
  IdleAfter(59);  // 59 ms
  IdleAfter(60);
  IdleAfter(95);
  EXPECT_EQ(ticks, (std::vector<int>{1, 1, 2, 3}));
}

TEST_F(TimerFixture, TimeInsideTheTickCountsTowardTheNext) {
  timer.OnTimer = [this](int lag) {
    ticks.push_back(lag);
    clock.Advance(20);
  };
  timer.SetEnabled(true);
  IdleAfter(30);
  IdleAfter(10);  // 20 ms spent in the tick + 10
  EXPECT_EQ(ticks, (std::vector<int>{1, 1}));
}

TEST_F(TimerFixture, IntervalZeroTicksEveryStep) {
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), 0u);
  timer.SetEnabled(true);
  IdleAfter(0);
  IdleAfter(7);
  EXPECT_EQ(ticks, (std::vector<int>{1, 7}));
}

TEST_F(TimerFixture, ReEnablingRestartsTheInterval) {
  timer.SetEnabled(true);
  clock.Advance(25);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  IdleAfter(10);
  EXPECT_TRUE(ticks.empty());
  IdleAfter(20);
  EXPECT_EQ(ticks, (std::vector<int>{1}));
  timer.SetEnabled(false);
  IdleAfter(100);
  EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(TimerFixture, MakeDueTicksAtOnceThenKeepsTheInterval) {
  timer.SetEnabled(true);
  clock.Advance(5);
  timer.MakeDue();
  EXPECT_EQ(timer.MillisecondsUntilDue(), 0u);
  IdleAfter(0);
  IdleAfter(29);
  IdleAfter(1);
  EXPECT_EQ(ticks, (std::vector<int>{1, 1}));
  // Only the next tick: a later attach starts a whole interval again.
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.MillisecondsUntilDue(), 30u);
}

TEST_F(TimerFixture, MakeDueWaitsForTheApplicationToBecomeActive) {
  timer.SetActiveOnly(true);
  timer.ApplicationDeactivated();
  timer.SetEnabled(true);
  timer.MakeDue();
  IdleAfter(100);
  EXPECT_TRUE(ticks.empty());
  timer.ApplicationActivated();
  IdleAfter(0);
  EXPECT_EQ(ticks, (std::vector<int>{1}));
}

TEST_F(TimerFixture, ClockWrapDoesNotStopTicks) {
  clock.Set(0xFFFFFFF0u);
  timer.SetEnabled(true);
  IdleAfter(40);  // wraps past 2^32
  EXPECT_EQ(ticks, (std::vector<int>{1}));
  EXPECT_LT(clock.Milliseconds(), 100u);
}

TEST_F(TimerFixture, ActiveOnlyWaitsForActivation) {
  timer.ApplicationDeactivated();
  timer.SetEnabled(true);
  EXPECT_FALSE(timer.Attached());
  IdleAfter(100);
  EXPECT_TRUE(ticks.empty());
  timer.ApplicationActivated();
  IdleAfter(29);
  EXPECT_TRUE(ticks.empty());
  IdleAfter(1);
  EXPECT_EQ(ticks, (std::vector<int>{1}));
  timer.ApplicationDeactivated();
  IdleAfter(60);
  EXPECT_EQ(ticks.size(), 1u);

  timer.SetActiveOnly(false);
  IdleAfter(30);
  EXPECT_EQ(ticks.size(), 2u);
}

TEST_F(TimerFixture, MillisecondsUntilDueGuidesTheSleep) {
  EXPECT_EQ(timer.MillisecondsUntilDue(), UINT32_MAX);
  timer.SetEnabled(true);
  clock.Advance(12);
  EXPECT_EQ(timer.MillisecondsUntilDue(), 18u);
  clock.Advance(50);
  EXPECT_EQ(timer.MillisecondsUntilDue(), 0u);
}

TEST(TimerDefaults, NewTimerIsEnabledWithOneSecond) {
  platform::ManualClock clock;
  TDXTimer timer(clock);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_TRUE(timer.ActiveOnly());
  EXPECT_EQ(timer.Interval(), 1000u);
}

}  // namespace
}  // namespace brakkon::engine
