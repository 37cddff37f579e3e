// The replay tool's command line and its usage text.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "replay/replay_runner.h"
#include "replay/soak.h"

namespace brakkon::replay {

extern const std::string_view kUsage;

struct CommandLine {
  bool help = false;
  std::string dataDir;  // empty: the working directory
  std::int64_t tickLimit = kDefaultTickLimit;
  std::string shotsDir;        // empty: no pictures
  std::int64_t shotEvery = 0;  // with shotsDir: every K-th race tick
  std::string scriptFile;
  std::int32_t startLevel = 0;  // for tests: 1..9, the level the race jumps to; 0: as it starts
  std::int64_t soakSeconds = 0;  // above 0: long play instead of a script
  std::uint32_t soakSeed = kDefaultSoakSeed;
};

// Wrong options or arguments; what() says which.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Raises UsageError.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

}  // namespace brakkon::replay
