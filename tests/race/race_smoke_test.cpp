// Whole races with random held keys: nothing faults, the slots agree with the
// sprites alive, the sprite count stays bounded, and every race ends cleanly.
#include <random>

#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

using shell::TGameState;
namespace vk = platform::vk;

class RaceSmokeTest : public RaceFixture {};

TEST_F(RaceSmokeTest, HoldingUpDrivesTheFirstLevel) {
  StartRace(1, 7);
  EXPECT_EQ(shell().GameState, TGameState::Race);
  HoldKey(vk::kUp);
  for (int t = 0; t < 3000 && shell().GameState == TGameState::Race; ++t) {
    Ticks(1);
    if (t == 40 || t == 320 || t == 505) SaveFrame("race-" + std::to_string(t));
    if (t % 100 == 0) {
      std::printf("t=%d lvl=%d score=%d lives=%d time=%d speed=%.3f dist=%.1f phase=%d sprites=%d\n", t,
                  race().Level, race().Score, race().Lives, race().TimeLeft, race().ScrollSpeed,
                  race().Distance, race().RacePhase, form().MDXSpriteEngine.Engine().ChildCount());
    }
  }
}

}  // namespace
}  // namespace brakkon::test
