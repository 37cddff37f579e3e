// The soak's races and its heap judgement: what makes a long run mean something.
#include "replay/soak.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brakkon::replay {
namespace {

constexpr std::int64_t kTicks = 20000;

// A failed race is only worth its script if the script plays back as generated.
TEST(SoakScriptTest, GeneratedRaceReadsBackFromItsText) {
  const ReplayScript script = GenerateSoakScript(SoakRaceSeed(1, 5), 3, kTicks);
  const ReplayScript back = ParseReplayScript(FormatKeyScript(script), "soak");
  EXPECT_EQ(back.seed, script.seed);
  EXPECT_EQ(back.car, 3);
  EXPECT_EQ(back.steps, script.steps);
  EXPECT_FALSE(back.Recorded());
  EXPECT_FALSE(back.end.has_value());
}

// Y would end the race at the finish question, and a pause left on would
// hold the race still until the tick limit: either makes the run play less.
TEST(SoakScriptTest, NeverAnswersYesAndResumesEveryPause) {
  for (std::int64_t race = 0; race < 8; ++race) {
    SCOPED_TRACE(race);
    const ReplayScript script = GenerateSoakScript(SoakRaceSeed(3, race), 1, kTicks);
    ASSERT_FALSE(script.steps.empty());
    EXPECT_EQ(script.steps.front().tick, 0);
    std::vector<std::int64_t> presses;
    std::int64_t upTicks = 0;
    bool held = false;
    for (std::int64_t t = 0; t < kTicks; ++t) {
      const KeySet keys = script.KeysAt(t);
      ASSERT_FALSE(keys.Has(ReplayKey::kY)) << "tick " << t;
      if (keys.Has(ReplayKey::kPause) && !held) presses.push_back(t);
      held = keys.Has(ReplayKey::kPause);
      if (keys.Has(ReplayKey::kUp)) ++upTicks;
    }
    // The last pair may be cut by the end of the race.
    if (presses.size() % 2 != 0) {
      EXPECT_GT(presses.back(), kTicks - 100);
      presses.pop_back();
    }
    for (std::size_t i = 0; i < presses.size(); i += 2) {
      EXPECT_LE(presses[i + 1] - presses[i], 2 + 80) << "pause at tick " << presses[i];
    }
    // Mostly driving forward, or the races never reach the end of a level.
    EXPECT_GT(upTicks, kTicks * 6 / 10);
  }
}

TEST(SoakScriptTest, RacesGetDifferentSeeds) {
  EXPECT_NE(SoakRaceSeed(1, 0), SoakRaceSeed(1, 1));
  EXPECT_NE(SoakRaceSeed(1, 0), SoakRaceSeed(2, 0));
  EXPECT_EQ(SoakRaceSeed(9, 4), SoakRaceSeed(9, 4));
}

TEST(HeapWatchTest, TheFirstRacesSetTheBaselineAndLaterOnesMustStayNearIt) {
  HeapWatch watch;
  // What the first races set up once (a buffer, say) is no growth.
  EXPECT_FALSE(watch.Add(0, 1000));
  EXPECT_FALSE(watch.Add(1, 5000));
  EXPECT_FALSE(watch.Add(2, 3000));
  EXPECT_FALSE(watch.Add(3, 4000));
  EXPECT_EQ(watch.baseline(), 5000u);
  EXPECT_FALSE(watch.Add(4, 5000 + kHeapAllowance));
  EXPECT_FALSE(watch.Add(5, 4000));
  const auto growth = watch.Add(6, 5001 + kHeapAllowance);
  ASSERT_TRUE(growth.has_value());
  EXPECT_NE(growth->find("after race 7"), std::string::npos) << *growth;
  EXPECT_EQ(watch.first(), 1000u);
  EXPECT_EQ(watch.last(), 5001 + kHeapAllowance);
}

TEST(HeapWatchTest, CountsWhatTheProgramHolds) {
  const std::size_t before = HeapBytesInUse();
  std::vector<char> block(1 << 20, 'x');
  const std::size_t during = HeapBytesInUse();
  EXPECT_GE(during, before + block.size());
  EXPECT_EQ(block[block.size() / 2], 'x');
  block = {};
  block.shrink_to_fit();
  EXPECT_LT(HeapBytesInUse(), during);
}

}  // namespace
}  // namespace brakkon::replay
