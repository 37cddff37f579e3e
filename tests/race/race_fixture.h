// A game driven into a race on the headless platform: the menu at rest, the
// generator seeded, a car chosen on the car selection.
#pragma once

#include "race/player_car.h"
#include "race/race_end.h"
#include "race/race_setup.h"
#include "race/race_tick.h"
#include "race/road_objects.h"
#include "screens/car_select_screen.h"
#include "screens/game_fixture.h"
#include "screens/scroll_background.h"

namespace brakkon::test {

class RaceFixture : public GameFixture {
 protected:
  race::RaceState& race() { return form().Race; }
  race::TMyCarSprite& car() { return *form().Race.CarSprite; }

  // From the main menu at rest into level 1 with `car`, the generator seeded with `seed`.
  void StartRace(int carModel = 1, std::uint32_t seed = 1) {
    CopyBakedSaves();  // sound and music on, the default table
    StartAtRest();
    form().Random.Seed(seed);
    screens::OpenCarSelect(form());
    shell().ActiveButton = 6 + carModel;
    form().MDXDrawClick(0, 0);
  }
  // Level 1 running on an empty road that stays empty.
  void StartEmptyRoad(int carModel = 1) {
    StartRace(carModel);
    SkipBanner();
    StopSpawning();
    ClearRoad();
  }
  // After a race: waits for the high-score screen the menu opens, leaves it by
  // Esc and opens the car selection from the main menu's Start entry.
  void BackToCarSelect() {
    TickUntil([&] { return shell().GameState == shell::TGameState::HighScores; }, 200);
    Type("\x1b");
    Ticks(2);
    ASSERT_EQ(shell().GameState, shell::TGameState::MainMenu);
    shell().ActiveButton = 1;
    Type("\r");
    Ticks(1);
    ASSERT_EQ(shell().GameState, shell::TGameState::CarSelect);
  }
  // Ticks until the level banner is over and the race runs.
  void SkipBanner() {
    for (int i = 0; i < 100 && !race().RaceRunning; ++i) Ticks(1);
    ASSERT_TRUE(race().RaceRunning);
  }
  // Ticks while `condition` is false, at most `limit` ticks; true when it came.
  template <typename Condition>
  bool TickUntil(Condition condition, int limit) {
    for (int i = 0; i < limit; ++i) {
      if (condition()) return true;
      Ticks(1);
    }
    return condition();
  }
  // Puts an object of `kind` in the first free slot at (x, y), placement rules aside.
  race::TWallSprite& PlaceObject(int kind, double x, double y) {
    for (int s = 1; s <= race::kRoadSlotCount; ++s) {
      if (race().SlotUsed[s]) continue;
      auto* o = new race::TWallSprite(&form().MDXSpriteEngine.Engine(), form(), kind, s);
      o->X = x;
      o->Y = y;
      race().RoadSlots[s] = o;
      race().SlotUsed[s] = true;
      return *o;
    }
    ADD_FAILURE() << "no free slot";
    return *race().RoadSlots[1];
  }
  void ClearRoad() { race::FreeRoadObjects(form()); }
  // No more random spawns: every weight 0.
  void StopSpawning() { race().SpawnChance.fill(0); }
};

}  // namespace brakkon::test
