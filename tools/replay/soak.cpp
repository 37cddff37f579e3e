// Long play: generated races one after another, each judged as it ends.
#include "replay/soak.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <random>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRAKKON_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRAKKON_SOAK_ASAN 1
#endif

#if defined(BRAKKON_SOAK_ASAN)
#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#else
// GCC's runtime has the call but ships no header declaring it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif
#else
#include <malloc.h>
#endif

namespace brakkon::replay {
namespace {

constexpr int kMaxProblemsShown = 5;

// Driving: what a player holds between the pauses and questions. mt19937's
// output is fixed by the standard; its distributions are not, so plain
// remainders keep a seed's race the same on every library.
class KeyDice {
 public:
  explicit KeyDice(std::uint32_t seed) : rng_(seed) {}

  bool Percent(int percent) { return static_cast<int>(rng_() % 100) < percent; }
  int Between(int low, int high) {
    return low + static_cast<int>(rng_() % static_cast<std::uint32_t>(high - low + 1));
  }

  KeySet Driving() {
    KeySet keys;
    if (Percent(80)) keys.Add(ReplayKey::kUp);
    if (Percent(10)) keys.Add(ReplayKey::kDown);
    if (Percent(25)) keys.Add(ReplayKey::kLeft);
    if (Percent(25)) keys.Add(ReplayKey::kRight);
    if (Percent(35)) keys.Add(ReplayKey::kFire);
    if (Percent(30)) keys.Add(ReplayKey::kCtrl);
    return keys;
  }

 private:
  std::mt19937 rng_;
};

KeySet With(KeySet keys, ReplayKey key) {
  keys.Add(key);
  return keys;
}

std::string Judge(const ReplayOutcome& outcome) {
  if (!outcome.problems.empty()) {
    std::string text;
    const int shown = std::min<int>(kMaxProblemsShown, static_cast<int>(outcome.problems.size()));
    for (int i = 0; i < shown; ++i) {
      if (i > 0) text += "; ";
      text += outcome.problems[static_cast<std::size_t>(i)];
    }
    if (static_cast<int>(outcome.problems.size()) > shown) {
      text += fmt::format("; and {} more", outcome.problems.size() - shown);
    }
    return text;
  }
  if (outcome.end == ReplayEnd::kGameClosed) return "the game closed during the race";
  if (outcome.end == ReplayEnd::kTimerStopped) return "the frame timer stopped";
  if (outcome.maxSprites > kMaxRaceSprites) {
    return fmt::format("{} top-level sprites at once, more than the {} a race can hold",
                       outcome.maxSprites, kMaxRaceSprites);
  }
  return {};
}

}  // namespace

ReplayScript GenerateSoakScript(std::uint32_t seed, int car, std::int64_t ticks) {
  ReplayScript script;
  script.seed = seed;
  script.car = car;
  KeyDice dice(seed);
  std::int64_t tick = 0;
  auto hold = [&](KeySet keys, int forTicks) {
    if (tick < ticks) script.steps.push_back(KeyStep{tick, keys});
    tick += forTicks;
  };
  while (tick < ticks) {
    const int roll = dice.Between(0, 99);
    if (roll == 0) {
      // A pause needs its own press to end: the press, the pause, the press again.
      hold(With(dice.Driving(), ReplayKey::kPause), 2);
      hold(dice.Driving(), dice.Between(20, 80));
      hold(With(dice.Driving(), ReplayKey::kPause), 2);
    } else if (roll == 1) {
      hold(With(KeySet{}, ReplayKey::kEsc), 2);
      hold(KeySet{}, dice.Between(10, 40));
      hold(With(KeySet{}, ReplayKey::kN), 2);
    }
    hold(dice.Driving(), dice.Between(3, 10));
  }
  return script;
}

std::uint32_t SoakRaceSeed(std::uint32_t seed, std::int64_t race) {
  // splitmix64's finaliser: neighbouring races get unrelated seeds.
  std::uint64_t z = (std::uint64_t{seed} << 32) + static_cast<std::uint64_t>(race) +
                    0x9e3779b97f4a7c15ull;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return static_cast<std::uint32_t>(z ^ (z >> 31));
}

std::size_t HeapBytesInUse() {
#if defined(BRAKKON_SOAK_ASAN)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

std::optional<std::string> HeapWatch::Add(std::int64_t race, std::size_t bytes) {
  if (race == 0) first_ = bytes;
  last_ = bytes;
  if (race < kHeapWarmUpRaces) {
    baseline_ = std::max(baseline_, bytes);
    return std::nullopt;
  }
  if (bytes <= baseline_ + kHeapAllowance) return std::nullopt;
  return fmt::format(
      "the heap holds {} bytes after race {}, {} more than the first {} races' largest ({}); "
      "{} are allowed",
      bytes, race + 1, bytes - baseline_, kHeapWarmUpRaces, baseline_, kHeapAllowance);
}

SoakSummary RunSoak(const SoakOptions& options,
                    const std::function<void(const SoakRace&)>& onRace) {
  SoakSummary summary;
  HeapWatch heap;
  const auto start = std::chrono::steady_clock::now();
  for (std::int64_t i = 0; std::chrono::steady_clock::now() - start < options.duration; ++i) {
    SoakRace race;
    race.index = i;
    race.seed = SoakRaceSeed(options.seed, i);
    race.car = 1 + static_cast<int>(i % kCarCount);
    race.startLevel = 1 + static_cast<std::int32_t>(i % kLevelCount);
    std::string failure;
    {
      // Script and outcome are gone before the heap is read.
      const ReplayScript script = GenerateSoakScript(race.seed, race.car, options.raceTicks);
      ReplayOptions replay;
      replay.tickLimit = options.raceTicks;
      replay.startLevel = race.startLevel;
      try {
        const ReplayOutcome outcome = RunReplay(script, replay);
        race.lastLevel = outcome.lastLevel;
        race.ticks = outcome.ticks;
        race.end = outcome.end;
        race.maxSprites = outcome.maxSprites;
        failure = Judge(outcome);
      } catch (const std::exception& error) {
        failure = error.what();
      }
      if (!failure.empty()) {
        summary.failedScript = FormatKeyScript(script);
        summary.failedStartLevel = race.startLevel;
      }
    }
    race.heapBytes = HeapBytesInUse();
    ++summary.races;
    summary.ticks += race.ticks;
    summary.maxSprites = std::max(summary.maxSprites, race.maxSprites);
    if (onRace) onRace(race);
    if (!failure.empty()) {
      summary.failure = fmt::format("race {} (seed {}, car {}, level {}): {}", i + 1, race.seed,
                                    race.car, race.startLevel, failure);
      break;
    }
    if (auto growth = heap.Add(i, race.heapBytes)) {
      summary.failure = *growth;
      break;
    }
  }
  summary.wall = std::chrono::steady_clock::now() - start;
  summary.heapFirst = heap.first();
  summary.heapLast = heap.last();
  return summary;
}

}  // namespace brakkon::replay
