// The game's command line, and the player's own folder an installed copy runs in.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brakkon::shell {

enum class CommandAction { kRun, kHelp, kVersion, kSettings, kUsageError };

struct CommandLine {
  CommandAction action = CommandAction::kRun;
  std::optional<bool> fullScreen;    // --window (false) or --fullscreen (true), this run only
  std::filesystem::path recordPath;  // --record FILE; empty without it
  std::string error;                 // the complaint of a kUsageError, one line
};

// Reads the arguments after the program name. The first mistake wins and
// gives kUsageError; --help and --version win over everything else.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// What --help prints: usage, every option, one line each.
std::string HelpText();
// What --version prints: "brakkon " and the project's version, one line.
std::string VersionText();

// The installed data of an executable at PREFIX/bin/brakkon: PREFIX/share/brakkon/Data
// when it holds Res/; empty for any other layout (a build tree).
std::filesystem::path InstalledDataFor(const std::filesystem::path& executable);

// $XDG_DATA_HOME/brakkon, else $HOME/.local/share/brakkon; relative values are
// ignored as the XDG rules ask. Empty when neither gives a folder.
std::filesystem::path UserGameFolder(
    const std::function<std::string(const std::string&)>& environment);

// Makes `folder` a game folder over `installedData`: Data/Save gets the installed
// defaults that are missing (the player's files are never replaced), Data/Res
// and Data/Music become links to the installed ones, renewed on every call.
// Raises std::filesystem::filesystem_error naming the path that failed.
void PrepareUserFolder(const std::filesystem::path& folder,
                       const std::filesystem::path& installedData);

}  // namespace brakkon::shell
