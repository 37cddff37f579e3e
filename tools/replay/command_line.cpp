// Reading the replay tool's options.
#include "replay/command_line.h"

#include <fmt/format.h>

#include <charconv>

namespace brakkon::replay {

const std::string_view kUsage =
    "usage: brakkon-replay [--data DIR] [--ticks N] [--shots DIR --every K]\n"
    "                      [--start-level L] FILE\n"
    "       brakkon-replay --soak SECONDS [--seed S] [--ticks N] [--data DIR]\n"
    "\n"
    "Plays the race FILE describes on the game's own code, without a window, and\n"
    "prints one JSON object per race tick on standard output.\n"
    "  --data DIR       the folder holding Data/ (default: the working directory)\n"
    "  --ticks N        stop after N race ticks (default 100000)\n"
    "  --shots DIR      write the frame of every K-th race tick as DIR/tick-NNNNNN.png\n"
    "  --every K        goes with --shots\n"
    "  --start-level L  for testing: the race jumps to level L (1..9) as soon as it opens\n"
    "\n"
    "For testing, --soak plays random races one after another in this process\n"
    "until SECONDS of wall time are up: cars 1 to 4 and start levels 1 to 9 in\n"
    "turn, at most N ticks a race (default 6000), race seeds drawn from S\n"
    "(default 1). It prints a line per race and a summary, and fails at the first\n"
    "race that shows a problem or holds too many sprites, or when the heap left\n"
    "after a race grows past the first races'. A failed race's script is written\n"
    "to brakkon-soak-failed.replay in the working directory.\n"
    "\n"
    "FILE has one entry a line; '#' starts a comment:\n"
    "  seed S        the generator's seed at the start of the race, 0..4294967295 (default 0)\n"
    "  car C         the car, 1..4 (default 1)\n"
    "  T KEYS        from race tick T on (0 = the first) exactly KEYS are held, until the\n"
    "                next such line; T strictly increasing, no keys before the first.\n"
    "                KEYS is - (none) or a comma-separated list of\n"
    "                up, down, left, right, fire, ctrl, pause, esc, y, n\n"
    "  T lag N       from race tick T on each tick comes N intervals after the last (default 1)\n"
    "A recorded race (brakkon --record) gives the exact input instead of keys:\n"
    "  T states H..  from race tick T on a tick's input refreshes read the hex states\n"
    "                H.. in order (bit n = input state n); later refreshes read the last\n"
    "  T control B   from race tick T on a Ctrl key is held (1) or not (0)\n"
    "  T end         the script covers race ticks 0 to T-1\n"
    "Key lines do not mix with states and control lines.\n"
    "\n"
    "Sound effects play (and are listed) whatever the saved options say.\n"
    "Exit status: 0 the race ended, N ticks ran or the script's end came (with\n"
    "--soak: every race held up); 1 the game failed to start, showed an error,\n"
    "stopped its timer or left its state inconsistent, or the soak failed (see\n"
    "standard error); 2 bad usage or a bad line in FILE.\n";

namespace {

std::int64_t PositiveNumber(std::string_view option, std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1) {
    throw UsageError(fmt::format("{} takes a whole number from 1 up, not '{}'", option, text));
  }
  return value;
}

std::uint32_t Seed(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || text[0] == '-' || error != std::errc() || end != text.data() + text.size()) {
    throw UsageError(fmt::format("--seed takes a number from 0 to 4294967295, not '{}'", text));
  }
  return value;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine line;
  bool haveEvery = false;
  bool haveTicks = false;
  bool haveSeed = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= args.size()) throw UsageError(fmt::format("{} needs a value", arg));
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") {
      line.help = true;
      return line;
    } else if (arg == "--data") {
      line.dataDir = value();
    } else if (arg == "--ticks") {
      line.tickLimit = PositiveNumber(arg, value());
      haveTicks = true;
    } else if (arg == "--shots") {
      line.shotsDir = value();
    } else if (arg == "--every") {
      line.shotEvery = PositiveNumber(arg, value());
      haveEvery = true;
    } else if (arg == "--start-level") {
      const std::int64_t level = PositiveNumber(arg, value());
      if (level > kLevelCount) {
        throw UsageError(fmt::format("--start-level takes a level from 1 to {}, not {}",
                                     kLevelCount, level));
      }
      line.startLevel = static_cast<std::int32_t>(level);
    } else if (arg == "--soak") {
      line.soakSeconds = PositiveNumber(arg, value());
    } else if (arg == "--seed") {
      line.soakSeed = Seed(value());
      haveSeed = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError(fmt::format("unknown option '{}'", arg));
    } else if (!line.scriptFile.empty()) {
      throw UsageError(fmt::format("one replay file only, not also '{}'", arg));
    } else {
      line.scriptFile = arg;
    }
  }
  if (line.soakSeconds > 0) {
    // Each soak race brings its own script, level and seed.
    if (!line.scriptFile.empty()) throw UsageError("--soak plays no replay file");
    if (!line.shotsDir.empty() || haveEvery) throw UsageError("--soak takes no pictures");
    if (line.startLevel != 0) throw UsageError("--soak chooses the start levels itself");
    if (!haveTicks) line.tickLimit = kSoakRaceTicks;
    return line;
  }
  if (haveSeed) throw UsageError("--seed goes with --soak");
  if (line.scriptFile.empty()) throw UsageError("no replay file given");
  if (line.shotsDir.empty() != !haveEvery) throw UsageError("--shots and --every go together");
  return line;
}

}  // namespace brakkon::replay
