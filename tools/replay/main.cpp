// brakkon-replay: plays a replay script on the headless platform and prints each race tick as JSON.
#include <fmt/format.h>

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

namespace fs = std::filesystem;
using namespace brakkon::replay;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void Complain(std::string_view message) {
  fmt::print(stderr, "brakkon-replay: {}\n", message);
}

int Run(const CommandLine& line) {
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
  if (!line.dataDir.empty()) {
    std::error_code error;
    fs::current_path(line.dataDir, error);
    if (error) {
      Complain(fmt::format("cannot enter '{}': {}", line.dataDir, error.message()));
      return kExitUsage;
    }
  }

  ReplayOptions options;
  options.tickLimit = line.tickLimit;
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
