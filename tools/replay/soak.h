// Long play: race after race in one process from generated key scripts, each
// on a fresh game, watching for problems, runaway sprites and a growing heap.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "race/race_state.h"
#include "replay/replay_runner.h"
#include "replay/replay_script.h"

namespace brakkon::replay {

// Road objects, car, panels, marker, needle, four icons, two blasts, bonus
// body and fire, the message, the background: what a race can hold at once.
inline constexpr int kMaxRaceSprites = race::kRoadSlotCount + 1 + 4 + 4 + 2 + 2 + 1 + 1;

inline constexpr std::int64_t kSoakRaceTicks = 6000;  // 3 minutes of play
inline constexpr std::uint32_t kDefaultSoakSeed = 1;
inline constexpr int kLevelCount = 9;
inline constexpr int kCarCount = 4;

// Races whose heap figures set the baseline: every car has had its turn and
// whatever the process sets up once (stdout's buffer, say) is in place.
inline constexpr int kHeapWarmUpRaces = 4;
// What a later race may hold above the baseline before the heap counts as growing.
inline constexpr std::size_t kHeapAllowance = 64 * 1024;

// A random race of `ticks` ticks: held keys change every few ticks, Up most
// of the time; now and then a pause and its resume, or the finish question
// and its answer N. Y is never held, so only the lives or the tick limit end it.
ReplayScript GenerateSoakScript(std::uint32_t seed, int car, std::int64_t ticks);

// The seed of race `race` (0 = the first) of a soak started with `seed`.
std::uint32_t SoakRaceSeed(std::uint32_t seed, std::int64_t race);

// Bytes the program holds on the heap now: the sanitizer's count under
// AddressSanitizer, malloc's otherwise.
std::size_t HeapBytesInUse();

// Judges the heap figure taken after each race: the first kHeapWarmUpRaces set
// the baseline (their largest), every later one must stay within kHeapAllowance of it.
class HeapWatch {
 public:
  // An error message when `bytes`, taken after race `race` (0 = the first), is too much.
  std::optional<std::string> Add(std::int64_t race, std::size_t bytes);
  std::size_t first() const { return first_; }
  std::size_t last() const { return last_; }
  std::size_t baseline() const { return baseline_; }

 private:
  std::size_t first_ = 0;
  std::size_t last_ = 0;
  std::size_t baseline_ = 0;
};

struct SoakOptions {
  std::chrono::seconds duration{60};  // no new race starts after this much wall time
  std::uint32_t seed = kDefaultSoakSeed;
  std::int64_t raceTicks = kSoakRaceTicks;
};

// One race as the soak played it.
struct SoakRace {
  std::int64_t index = 0;  // 0 = the first
  std::uint32_t seed = 0;
  int car = 0;
  std::int32_t startLevel = 0;
  std::int32_t lastLevel = 0;
  std::int64_t ticks = 0;
  ReplayEnd end = ReplayEnd::kRaceOver;
  int maxSprites = 0;
  std::size_t heapBytes = 0;  // after the race's game was destroyed
};

struct SoakSummary {
  std::int64_t races = 0;
  std::int64_t ticks = 0;
  std::chrono::steady_clock::duration wall{};
  std::size_t heapFirst = 0;
  std::size_t heapLast = 0;
  int maxSprites = 0;
  std::string failure;  // empty: every race held up
  std::string failedScript;  // the failing race's script, to replay it (empty with no race)
  std::int32_t failedStartLevel = 0;
};

// Plays races until the duration is up or one fails; `onRace` hears of every
// race played to its end. Needs Data/ in the working directory, as RunReplay.
SoakSummary RunSoak(const SoakOptions& options, const std::function<void(const SoakRace&)>& onRace);

}  // namespace brakkon::replay
