// brakkon-monkey: random players for the whole game, on the headless platform.
//
//   brakkon-monkey --data DIR [--seconds N] [--seed S] [--ticks T] [--work DIR]
//   brakkon-monkey --data DIR --replay LOG
//
// Runs fresh games one after another for N seconds of wall time, run i drawing
// its events from seed S + i, each for at most T ticks. The running game's
// events go to WORK/current.log as they happen; a failing run's log is kept as
// WORK/failure-SEED.log and replays with --replay. Exit status: 0 when every
// run held, 1 on a failure, 2 on a wrong command line.
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "monkey/monkey.h"

namespace {

namespace fs = std::filesystem;
using brakkon::monkey::MonkeyTotals;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Options {
  fs::path data;
  fs::path work = fs::temp_directory_path() / "brakkon-monkey";
  fs::path replay;
  std::int64_t seconds = 60;
  std::uint32_t seed = 1;
  std::int64_t ticks = 3000;
};

int Usage(const std::string& why) {
  std::fprintf(
      stderr,
      "brakkon-monkey: %s\n"
      "usage: brakkon-monkey --data DIR [--seconds N] [--seed S] [--ticks T] [--work DIR]\n"
      "       brakkon-monkey --data DIR --replay LOG\n",
      why.c_str());
  return kExitUsage;
}

bool ParseNumber(std::string_view text, std::int64_t& out) {
  try {
    std::size_t used = 0;
    out = std::stoll(std::string(text), &used);
    return used == text.size() && out >= 0;
  } catch (const std::exception&) {
    return false;
  }
}

void PrintTotals(const MonkeyTotals& totals, double seconds) {
  std::printf("runs %lld, events %lld, ticks %lld in %.0f s\n", static_cast<long long>(totals.runs),
              static_cast<long long>(totals.events), static_cast<long long>(totals.ticks), seconds);
  std::printf("states reached (ticks):");
  for (const auto& [state, ticks] : totals.ticksByState) {
    std::printf(" %s %lld", state.c_str(), static_cast<long long>(ticks));
  }
  std::printf("\n");
  for (const auto& [text, count] : totals.messages) {
    std::printf("message box \"%s\": %lld\n", text.c_str(), static_cast<long long>(count));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) return Usage(fmt::format("'{}' needs a value", arg));
    const std::string_view value = argv[++i];
    std::int64_t number = 0;
    if (arg == "--data") {
      options.data = value;
    } else if (arg == "--work") {
      options.work = value;
    } else if (arg == "--replay") {
      options.replay = value;
    } else if (arg == "--seconds" && ParseNumber(value, number)) {
      options.seconds = number;
    } else if (arg == "--seed" && ParseNumber(value, number)) {
      options.seed = static_cast<std::uint32_t>(number);
    } else if (arg == "--ticks" && ParseNumber(value, number) && number > 0) {
      options.ticks = number;
    } else {
      return Usage(fmt::format("cannot use '{} {}'", arg, value));
    }
  }
  if (options.data.empty()) return Usage("--data names the baked Data/ folder");
  if (!fs::is_directory(options.data / "Res")) {
    return Usage(fmt::format("'{}' holds no Res/ folder", options.data.string()));
  }
  options.data = fs::absolute(options.data);
  fs::create_directories(options.work);
  options.work = fs::absolute(options.work);
  const brakkon::monkey::MonkeyWorld world{options.data, options.work / "game"};

  MonkeyTotals totals;
  if (!options.replay.empty()) {
    const auto log = brakkon::monkey::ReadLog(options.replay);
    if (!log) return Usage(fmt::format("'{}' is no monkey log", options.replay.string()));
    const auto failure =
        brakkon::monkey::RunOnce(world, log->seed, 0, &log->events, nullptr, totals);
    PrintTotals(totals, 0);
    if (failure) {
      std::printf("FAIL at tick %lld: %s\n", static_cast<long long>(failure->tick),
                  failure->what.c_str());
      return kExitFailure;
    }
    std::printf("the run holds\n");
    return 0;
  }

  const fs::path current = options.work / "current.log";
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (std::uint32_t seed = options.seed; elapsed() < static_cast<double>(options.seconds);
       ++seed) {
    std::FILE* log = std::fopen(current.c_str(), "w");
    if (log == nullptr) return Usage(fmt::format("cannot write '{}'", current.string()));
    const auto failure = brakkon::monkey::RunOnce(world, seed, options.ticks, nullptr, log, totals);
    std::fclose(log);
    if (failure) {
      const fs::path kept = options.work / fmt::format("failure-{}.log", seed);
      fs::copy_file(current, kept, fs::copy_options::overwrite_existing);
      PrintTotals(totals, elapsed());
      std::printf(
          "FAIL: seed %u, tick %lld: %s\nits events: %s\nagain: brakkon-monkey --data %s --replay "
          "%s\n",
          seed, static_cast<long long>(failure->tick), failure->what.c_str(), kept.c_str(),
          options.data.c_str(), kept.c_str());
      return kExitFailure;
    }
  }
  PrintTotals(totals, elapsed());
  return 0;
}
