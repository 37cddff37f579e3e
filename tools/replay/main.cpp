// brakkon-replay: plays a replay script on the headless platform and prints each race tick as
// JSON; or, for testing, plays random races for a while and judges each.
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "replay/command_line.h"
#include "replay/frame_png.h"
#include "replay/replay_runner.h"
#include "replay/replay_script.h"
#include "replay/soak.h"
#include "shell/form.h"

namespace fs = std::filesystem;
using namespace brakkon::replay;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void Complain(std::string_view message) {
  fmt::print(stderr, "brakkon-replay: {}\n", message);
}

std::string_view EndName(ReplayEnd end) {
  switch (end) {
    case ReplayEnd::kRaceOver:
      return "over";
    case ReplayEnd::kTickLimit:
      return "tick limit";
    case ReplayEnd::kScriptEnd:
      return "script end";
    case ReplayEnd::kTimerStopped:
      return "timer stopped";
    case ReplayEnd::kGameClosed:
      return "game closed";
  }
  return "?";
}

// Makes --data the working directory; false, having said why, when it cannot.
bool EnterDataFolder(const CommandLine& line) {
  if (line.dataDir.empty()) return true;
  std::error_code error;
  fs::current_path(line.dataDir, error);
  if (error) Complain(fmt::format("cannot enter '{}': {}", line.dataDir, error.message()));
  return !error;
}

int Soak(const CommandLine& line) {
  // Fixed before the game's folder becomes the working directory.
  const fs::path failedScript = fs::absolute("brakkon-soak-failed.replay");
  if (!EnterDataFolder(line)) return kExitUsage;
  SoakOptions options;
  options.duration = std::chrono::seconds(line.soakSeconds);
  options.seed = line.soakSeed;
  options.raceTicks = line.tickLimit;
  fmt::print("soak: {} s, seed {}, at most {} ticks a race\n", line.soakSeconds, line.soakSeed,
             line.tickLimit);
  std::fflush(stdout);
  const SoakSummary summary = RunSoak(options, [](const SoakRace& race) {
    fmt::print("race {}: seed {} car {} levels {}-{} ticks {} ({}) sprites {} heap {}\n",
               race.index + 1, race.seed, race.car, race.startLevel, race.lastLevel, race.ticks,
               EndName(race.end), race.maxSprites, race.heapBytes);
    std::fflush(stdout);
  });
  const double wall = std::chrono::duration<double>(summary.wall).count();
  const double minutes = static_cast<double>(summary.ticks) *
                         brakkon::shell::TMForm::kTickIntervalMs / 60000.0;
  fmt::print(
      "soak summary: {} races, {} race ticks = {:.1f} minutes of play in {:.1f} s of wall time\n"
      "soak summary: heap after a race {} bytes first, {} bytes last\n"
      "soak summary: at most {} top-level sprites at once (a race can hold {})\n",
      summary.races, summary.ticks, minutes, wall, summary.heapFirst, summary.heapLast,
      summary.maxSprites, kMaxRaceSprites);
  std::fflush(stdout);
  if (summary.failure.empty()) {
    fmt::print("soak summary: passed\n");
    return 0;
  }
  Complain(fmt::format("soak failed: {}", summary.failure));
  if (!summary.failedScript.empty()) {
    std::ofstream out(failedScript, std::ios::binary);
    out << summary.failedScript;
    if (out.flush()) {
      const std::string data = line.dataDir.empty() ? "" : " --data " + line.dataDir;
      Complain(fmt::format("that race again: brakkon-replay{} --start-level {} --ticks {} {}", data,
                           summary.failedStartLevel, line.tickLimit, failedScript.string()));
    }
  }
  return kExitFailed;
}

int Run(const CommandLine& line) {
  if (line.soakSeconds > 0) return Soak(line);
  const fs::path scriptPath = fs::absolute(line.scriptFile);
  std::ifstream in(scriptPath, std::ios::binary);
  if (!in) {
    Complain(fmt::format("cannot read '{}'", line.scriptFile));
    return kExitUsage;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ReplayScript script;
  try {
    script = ParseReplayScript(text, line.scriptFile);
  } catch (const ReplayScriptError& error) {
    fmt::print(stderr, "{}\n", error.what());
    return kExitUsage;
  }

  // Both paths are fixed before the game's folder becomes the working directory.
  fs::path shots;
  if (!line.shotsDir.empty()) {
    shots = fs::absolute(line.shotsDir);
    std::error_code error;
    fs::create_directories(shots, error);
    if (error) {
      Complain(fmt::format("cannot make the folder '{}': {}", line.shotsDir, error.message()));
      return kExitUsage;
    }
  }
  if (!EnterDataFolder(line)) return kExitUsage;

  ReplayOptions options;
  options.tickLimit = line.tickLimit;
  options.startLevel = line.startLevel;
  options.onTick = [](const TickRecord& record) {
    const std::string json = FormatTickJson(record);
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fputc('\n', stdout);
  };
  if (!shots.empty()) {
    options.onFrame = [&shots, every = line.shotEvery](
                          std::int64_t tick, const brakkon::platform::HeadlessVideo& video) {
      if (tick % every != 0 || video.frameWidth() == 0) return;
      const fs::path file = shots / fmt::format("tick-{:06}.png", tick);
      if (!WriteFramePng(file, video.frame(), video.frameWidth(), video.frameHeight())) {
        throw std::runtime_error(fmt::format("cannot write '{}'", file.string()));
      }
    };
  }

  ReplayOutcome outcome;
  try {
    outcome = RunReplay(script, options);
  } catch (const std::exception& error) {
    std::fflush(stdout);
    Complain(error.what());
    return kExitFailed;
  }
  std::fflush(stdout);
  for (const std::string& problem : outcome.problems) Complain(problem);
  switch (outcome.end) {
    case ReplayEnd::kRaceOver:
      break;
    case ReplayEnd::kTickLimit:
      Complain(fmt::format("stopped after {} ticks with the race still open", outcome.ticks));
      break;
    case ReplayEnd::kScriptEnd:
      Complain(fmt::format("the script ends after {} ticks with the race still open", outcome.ticks));
      break;
    case ReplayEnd::kTimerStopped:
      return kExitFailed;
    case ReplayEnd::kGameClosed:
      Complain("the game closed during the race");
      return kExitFailed;
  }
  return outcome.problems.empty() ? 0 : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  CommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const UsageError& error) {
    fmt::print(stderr, "brakkon-replay: {}\n{}(--help tells more)\n", error.what(),
               kUsage.substr(0, kUsage.find('\n') + 1));
    return kExitUsage;
  }
  if (line.help) {
    fmt::print("{}", kUsage);
    return 0;
  }
  return Run(line);
}
