// Runs a replay script through the real game on the headless platform, one
// 30 ms timer tick per step, reporting every race tick.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "replay/replay_script.h"
#include "replay/tick_record.h"

namespace brakkon::platform {
class HeadlessVideo;
}

namespace brakkon::replay {

inline constexpr std::int64_t kDefaultTickLimit = 100000;

struct ReplayOptions {
  std::int64_t tickLimit = kDefaultTickLimit;  // race ticks at most
  // For tests: 2..9 jumps to that level as soon as the race opens; 0 or 1
  // leaves the race on level 1 where the game starts it.
  std::int32_t startLevel = 0;
  // After every race tick, in order.
  std::function<void(const TickRecord& record)> onTick;
  // After every race tick, with the frame it presented.
  std::function<void(std::int64_t tick, const platform::HeadlessVideo& video)> onFrame;
};

enum class ReplayEnd {
  kRaceOver,      // the game left the race (main menu or name entry)
  kTickLimit,     // tickLimit ticks ran with the race still open
  kScriptEnd,     // the script's end came with the race still open
  kTimerStopped,  // the frame timer raised no tick for a step
  kGameClosed,    // the form terminated
};

struct ReplayOutcome {
  ReplayEnd end = ReplayEnd::kRaceOver;
  std::int64_t ticks = 0;             // race ticks that ran
  std::vector<std::string> problems;  // error boxes shown and inconsistent state, by tick
  std::int32_t firstLevel = 0;        // the level of the first race tick
  std::int32_t lastLevel = 0;         // the level of the last race tick
  int maxSprites = 0;  // the most top-level sprites after any race tick with the race open
};

// The game never got to the race: the menu did not come to rest.
class ReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Starts a fresh game in the working directory, which must hold Data/, and
// plays `script` until the race is over, the script's end comes or a limit is
// hit. A recorded script's states replace the keyboard's and joystick's. The
// game plays its sound effects whatever the saved options say, so that every
// run lists the same sounds; the saved setting is put back before the game
// saves at exit.
// Raises what the game's start-up raises, and ReplayError.
ReplayOutcome RunReplay(const ReplayScript& script, const ReplayOptions& options);

}  // namespace brakkon::replay
