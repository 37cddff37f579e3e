// Fuzz target: a replay script or recording as brakkon-replay reads it. A
// script it takes must keep the promises ReplayScript makes to the runner.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "replay/replay_script.h"

namespace {

using namespace brakkon::replay;

template <typename Step>
bool TicksIncrease(const std::vector<Step>& steps, const ReplayScript& script) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].tick < 0 || (i > 0 && steps[i].tick <= steps[i - 1].tick)) return false;
    if (script.end && steps[i].tick >= *script.end) return false;
  }
  return true;
}

bool Sound(const ReplayScript& script) {
  if (script.car < 1 || script.car > 4) return false;
  if (!script.steps.empty() && script.Recorded()) return false;
  if (!TicksIncrease(script.steps, script) || !TicksIncrease(script.states, script) ||
      !TicksIncrease(script.control, script) || !TicksIncrease(script.lags, script)) {
    return false;
  }
  for (const StatesStep& step : script.states) {
    if (step.refreshes.empty()) return false;
    for (std::uint64_t bits : step.refreshes) {
      if (bits >= (std::uint64_t{1} << 36)) return false;
    }
  }
  for (const LagStep& step : script.lags) {
    if (step.lag < 1 || step.lag > kMaxLag) return false;
  }
  return true;
}

// The runner's queries at and around every tick the script names.
void Query(const ReplayScript& script) {
  std::vector<std::int64_t> ticks = {0};
  for (const KeyStep& s : script.steps) ticks.push_back(s.tick);
  for (const StatesStep& s : script.states) ticks.push_back(s.tick);
  for (const LagStep& s : script.lags) ticks.push_back(s.tick);
  for (std::int64_t tick : ticks) {
    for (std::int64_t t : {tick - 1, tick, tick + 1}) {
      script.KeysAt(t);
      script.StatesAt(t, 0);
      script.StatesAt(t, 5);
      script.ControlAt(t);
      if (script.LagAt(t) < 1) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const ReplayScript script = ParseReplayScript(text, "fuzz");
    if (!Sound(script)) __builtin_trap();
    Query(script);
  } catch (const ReplayScriptError&) {
  }
  return 0;
}
