// Program run: create the form, start it up, run the message loop, tear down.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace brakkon::shell {

class TMForm;

// Runs the game on `platform` until it terminates. Returns the exit status:
// 0 after a normal exit, 1 when start-up failed (its message was shown).
// `fullScreen` overrides the saved display mode for this run only; every race
// of the run is recorded to `recordPath` (numbered after the first) when it is set.
int RunApplication(platform::IPlatform& platform, std::optional<bool> fullScreen = std::nullopt,
                   const std::filesystem::path& recordPath = {});

// `brakkon --settings`: prints the settings file's path and the values in force
// to standard output through `print`, the problems through the platform's
// warnings; writes the file with its defaults when it is missing. Returns 0.
int ShowSettings(platform::IPlatform& platform,
                 const std::function<void(const std::string&)>& print);

// One pass of the message loop: all pending events, the timer's idle step,
// then a sleep until the next tick is due or an event arrives.
void RunLoopOnce(TMForm& form, platform::IPlatform& platform);

}  // namespace brakkon::shell
