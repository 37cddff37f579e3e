// The race's variables that the shell and the screens read or reset.
#pragma once

#include <cstdint>

namespace brakkon::race {

struct RaceState {
  std::int32_t Score = 0;
  std::int32_t Level = 0;
  std::int32_t Lives = 0;
  std::int32_t CarModel = 0;  // 1..4, chosen on the car selection
  bool GunActive = false;
  bool TurboActive = false;
  bool DriftActive = false;
};

// Clears the bonus flags (no car is in play outside the race).
inline void EndBonuses(RaceState& race) {
  race.GunActive = false;
  race.TurboActive = false;
  race.DriftActive = false;
}

}  // namespace brakkon::race
