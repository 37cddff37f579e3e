// The replay tool's command line and its usage text.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "replay/replay_runner.h"

namespace brakkon::replay {

extern const std::string_view kUsage;

struct CommandLine {
  bool help = false;
  std::string dataDir;  // empty: the working directory
  std::int64_t tickLimit = kDefaultTickLimit;
  std::string shotsDir;        // empty: no pictures
  std::int64_t shotEvery = 0;  // with shotsDir: every K-th race tick
  std::string scriptFile;
};

// Wrong options or arguments; what() says which.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Raises UsageError.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

}  // namespace brakkon::replay
