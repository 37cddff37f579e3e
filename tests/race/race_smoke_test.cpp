// Whole races with random held keys: nothing faults (the sanitizer build runs
// this too), the slots agree with the sprites alive, the sprite count stays
// bounded, and every race ends with nothing of it left behind.
#include <cstdlib>
#include <random>

#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

using shell::TGameState;
namespace vk = platform::vk;

// Road objects, car, panels, marker, needle, four icons, two blasts, bonus
// body and fire, the message, the background.
constexpr int kMaxRaceSprites = race::kRoadSlotCount + 1 + 4 + 4 + 2 + 2 + 1 + 1;
constexpr int kMenuSprites = 1 + 3 + 6;

int TicksPerRace() {
  const char* env = std::getenv("BRAKKON_SOAK_TICKS");
  return env != nullptr ? std::atoi(env) : 2500;
}

class RaceSoakTest : public RaceFixture, public ::testing::WithParamInterface<std::uint32_t> {
 protected:
  void CheckSlots() {
    engine::TSpriteEngine& root = form().MDXSpriteEngine.Engine();
    int walls = 0;
    for (int i = 0; i < root.ChildCount(); ++i) {
      if (dynamic_cast<race::TWallSprite*>(root.Child(i)) != nullptr) ++walls;
    }
    int used = 0;
    for (int s = 1; s <= race::kRoadSlotCount; ++s) {
      if (!race().SlotUsed[s]) continue;
      ++used;
      ASSERT_EQ(race().RoadSlots[s]->Slot, s);
    }
    ASSERT_EQ(walls, used);
    ASSERT_LE(root.ChildCount(), kMaxRaceSprites);
  }

  // Held keys change every few ticks; Up most of the time, the others now and then.
  void HoldRandomKeys(std::mt19937& rng) {
    static constexpr int kKeys[] = {vk::kUp,    vk::kDown, vk::kLeft,   vk::kRight,
                                    vk::kSpace, 'P',       vk::kEscape, 'N'};
    static constexpr int kPercent[] = {80, 15, 30, 30, 40, 2, 2, 50};
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
      if (static_cast<int>(rng() % 100) < kPercent[k]) {
        HoldKey(kKeys[k]);
      } else {
        ReleaseKey(kKeys[k]);
      }
    }
    if (rng() % 2 == 0) {
      platform.input.PushKeyDown(vk::kControl);
    } else {
      platform.input.PushKeyUp(vk::kControl);
    }
  }
};

TEST_P(RaceSoakTest, RandomRacesStayConsistentAndEndClean) {
  const std::uint32_t seed = GetParam();
  std::mt19937 rng(seed);
  StartRace(1 + static_cast<int>(seed % 4), seed);
  // Start on later levels too, the traffic levels among them.
  race::StartLevel(form(), 1 + static_cast<int>(seed % 6));
  const int ticks = TicksPerRace();
  int maxLevel = race().Level;
  for (int t = 0; t < ticks && shell().GameState == TGameState::Race; ++t) {
    if (t % 7 == 0) HoldRandomKeys(rng);
    // Some races run out of lives early: keep them going to see more of the road.
    if (race().Lives == 1 && t < ticks / 2) race().Lives = 3;
    Ticks(1);
    if (shell().GameState != TGameState::Race) break;
    ASSERT_NO_FATAL_FAILURE(CheckSlots()) << "tick " << t;
    maxLevel = std::max(maxLevel, race().Level);
  }
  for (int key : {int{vk::kUp}, int{vk::kDown}, int{vk::kLeft}, int{vk::kRight}, int{vk::kSpace},
                  int{'P'}, int{vk::kEscape}, int{'N'}}) {
    ReleaseKey(key);
  }
  // End it by the question, unless it has ended by itself.
  for (int i = 0; i < 300 && shell().GameState == TGameState::Race; ++i) {
    if (race().Paused) TapKey('P');
    Ticks(1);
    TapKey(vk::kEscape);
    Ticks(1);
    TapKey('Y');
    Ticks(1);
  }
  ASSERT_NE(shell().GameState, TGameState::Race);
  EXPECT_EQ(race().CarSprite, nullptr);
  EXPECT_EQ(race().MessageCaption, nullptr);
  for (int s = 1; s <= race::kRoadSlotCount; ++s) EXPECT_FALSE(race().SlotUsed[s]);
  if (shell().GameState == TGameState::MainMenu) {
    EXPECT_EQ(form().MDXSpriteEngine.Engine().ChildCount(), kMenuSprites);
  } else {
    // The name entry: background, dialog, cursor.
    EXPECT_EQ(shell().GameState, TGameState::NameEntry);
    EXPECT_EQ(form().MDXSpriteEngine.Engine().ChildCount(), 3);
  }
  RecordProperty("max_level", maxLevel);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RaceSoakTest, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u));

}  // namespace
}  // namespace brakkon::test
