// The game's command line, and the player's own folder an installed copy runs in.
#include "shell/command_line.h"

#include <system_error>

namespace brakkon::shell {
namespace fs = std::filesystem;

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  bool help = false;
  bool version = false;
  bool settings = false;
  auto refuse = [&result](std::string why) {
    result.action = CommandAction::kUsageError;
    result.error = std::move(why);
    return result;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--settings") {
      settings = true;
    } else if (arg == "--window" || arg == "--fullscreen") {
      const bool fullScreen = arg == "--fullscreen";
      // Both at once is a mistake the player should hear of, not a silent last-wins.
      if (result.fullScreen && *result.fullScreen != fullScreen)
        return refuse("--window and --fullscreen exclude each other");
      result.fullScreen = fullScreen;
    } else if (arg == "--record" || arg.starts_with("--record=")) {
      std::string file;
      if (arg == "--record") {
        if (i + 1 >= args.size()) return refuse("--record needs a FILE");
        file = args[++i];
      } else {
        file = arg.substr(std::string("--record=").size());
      }
      if (file.empty()) return refuse("--record needs a FILE");
      result.recordPath = file;
    } else if (arg.starts_with("-")) {
      return refuse("unknown option '" + arg + "'");
    } else {
      return refuse("unexpected argument '" + arg + "'");
    }
  }
  if (help) {
    result.action = CommandAction::kHelp;
  } else if (version) {
    result.action = CommandAction::kVersion;
  } else if (settings) {
    result.action = CommandAction::kSettings;
  }
  return result;
}

std::string HelpText() {
  return "Usage: brakkon [OPTION]...\n"
         "A top-down road race.\n"
         "\n"
         "  --window        play in a window this time (the saved option stays)\n"
         "  --fullscreen    play full screen this time (the saved option stays)\n"
         "  --record FILE   record the races of this run to FILE\n"
         "  --settings      show the settings file's path and the values in force, and exit\n"
         "  --help          show this help and exit\n"
         "  --version       show the version and exit\n"
         "\n"
         "Alt+Enter switches the display mode in the game and saves the choice.\n";
}

std::string VersionText() {
  return std::string("brakkon ") + BRAKKON_VERSION + "\n";
}

fs::path InstalledDataFor(const fs::path& executable) {
  const fs::path bin = executable.parent_path();
  if (bin.filename() != "bin") return {};
  const fs::path data = bin.parent_path() / "share" / "brakkon" / "Data";
  std::error_code error;
  return fs::is_directory(data / "Res", error) ? data : fs::path();
}

fs::path UserGameFolder(const std::function<std::string(const std::string&)>& environment) {
  const fs::path dataHome = environment("XDG_DATA_HOME");
  if (dataHome.is_absolute()) return dataHome / "brakkon";
  const fs::path home = environment("HOME");
  if (home.is_absolute()) return home / ".local" / "share" / "brakkon";
  return {};
}

namespace {

// Points `link` at `target` without a moment where it is missing, so a second
// copy of the game starting at the same time still finds its data. A real
// folder in its place is the player's and stays.
void RenewLink(const fs::path& link, const fs::path& target) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(link, error);
  if (fs::exists(status) && !fs::is_symlink(status)) return;
  fs::path fresh = link;
  fresh += ".new";
  fs::remove(fresh);
  fs::create_directory_symlink(target, fresh);
  fs::rename(fresh, link);
}

}  // namespace

void PrepareUserFolder(const fs::path& folder, const fs::path& installedData) {
  const fs::path data = folder / "Data";
  fs::create_directories(data / "Save");
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(installedData / "Save", error)) {
    if (!entry.is_regular_file()) continue;
    fs::copy_file(entry.path(), data / "Save" / entry.path().filename(),
                  fs::copy_options::skip_existing);
  }
  RenewLink(data / "Res", installedData / "Res");
  RenewLink(data / "Music", installedData / "Music");
}

}  // namespace brakkon::shell
