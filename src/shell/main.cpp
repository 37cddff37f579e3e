// Program entry of the playable game: the command line, the game's folder, then
// the SDL platform under the shell.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/sdl/sdl_platform.h"
#include "shell/application.h"
#include "shell/command_line.h"

namespace {

namespace fs = std::filesystem;
using brakkon::shell::CommandAction;

fs::path ExecutablePath() {
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error);
}

// An installed copy has no Data/ where it is started: it plays in the player's
// own folder, so the game's relative paths and save rules work as in a build
// tree and no two players share a save. Returns false after saying why not.
bool EnterGameFolder(brakkon::platform::IPlatform& platform) {
  std::error_code error;
  if (fs::exists("Data", error)) return true;
  const fs::path installed = brakkon::shell::InstalledDataFor(ExecutablePath());
  if (installed.empty()) return true;  // not installed: start-up names the missing archive
  const fs::path folder = brakkon::shell::UserGameFolder(
      [&platform](const std::string& name) { return platform.Environment(name); });
  if (folder.empty()) {
    std::fprintf(stderr, "Brakkon: neither XDG_DATA_HOME nor HOME names a folder for the saves\n");
    return false;
  }
  try {
    brakkon::shell::PrepareUserFolder(folder, installed);
    fs::current_path(folder);
  } catch (const fs::filesystem_error& failure) {
    std::fprintf(stderr, "Brakkon: cannot prepare %s: %s\n", folder.c_str(), failure.what());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const brakkon::shell::CommandLine command =
      brakkon::shell::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command.action) {
    case CommandAction::kHelp:
      std::fputs(brakkon::shell::HelpText().c_str(), stdout);
      return 0;
    case CommandAction::kVersion:
      std::fputs(brakkon::shell::VersionText().c_str(), stdout);
      return 0;
    case CommandAction::kUsageError:
      std::fprintf(stderr, "brakkon: %s\n%s", command.error.c_str(),
                   brakkon::shell::HelpText().c_str());
      return 2;
    case CommandAction::kSettings: {
      // Names and files only: no window, so it works where there is no display.
      brakkon::platform::SdlPlatform platform(false);
      return brakkon::shell::ShowSettings(
          platform, [](const std::string& text) { std::fputs(text.c_str(), stdout); });
    }
    case CommandAction::kRun:
      break;
  }
  // Relative to where the player typed it, not to the game folder entered below.
  std::error_code error;
  const fs::path recordPath =
      command.recordPath.empty() ? fs::path() : fs::absolute(command.recordPath, error);

  brakkon::platform::SdlPlatform platform;
  if (!platform.Ok()) {
    std::fprintf(stderr, "Brakkon: %s\n", platform.Error().c_str());
    return 1;
  }
  if (!EnterGameFolder(platform)) return 1;
  return brakkon::shell::RunApplication(platform, command.fullScreen, recordPath);
}
