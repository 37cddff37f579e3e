// Reading the replay tool's options.
#include "replay/command_line.h"

#include <fmt/format.h>

#include <charconv>

namespace brakkon::replay {

const std::string_view kUsage =
    "usage: brakkon-replay [--data DIR] [--ticks N] [--shots DIR --every K] FILE\n"
    "\n"
    "Plays the race FILE describes on the game's own code, without a window, and\n"
    "prints one JSON object per race tick on standard output.\n"
    "  --data DIR    the folder holding Data/ (default: the working directory)\n"
    "  --ticks N     stop after N race ticks (default 100000)\n"
    "  --shots DIR   write the frame of every K-th race tick as DIR/tick-NNNNNN.png\n"
    "  --every K     goes with --shots\n"
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
    "Exit status: 0 the race ended, N ticks ran or the script's end came; 1 the\n"
    "game failed to start, showed an error, stopped its timer or left its state\n"
    "inconsistent (see standard error); 2 bad usage or a bad line in FILE.\n";

namespace {

std::int64_t PositiveNumber(std::string_view option, std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1) {
    throw UsageError(fmt::format("{} takes a whole number from 1 up, not '{}'", option, text));
  }
  return value;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine line;
  bool haveEvery = false;
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
    } else if (arg == "--shots") {
      line.shotsDir = value();
    } else if (arg == "--every") {
      line.shotEvery = PositiveNumber(arg, value());
      haveEvery = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError(fmt::format("unknown option '{}'", arg));
    } else if (!line.scriptFile.empty()) {
      throw UsageError(fmt::format("one replay file only, not also '{}'", arg));
    } else {
      line.scriptFile = arg;
    }
  }
  if (line.scriptFile.empty()) throw UsageError("no replay file given");
  if (line.shotsDir.empty() != !haveEvery) throw UsageError("--shots and --every go together");
  return line;
}

}  // namespace brakkon::replay
