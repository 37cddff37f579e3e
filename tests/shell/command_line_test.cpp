// The command line's options and refusals, and the player's folder of an installed copy.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace brakkon::shell {
namespace {

namespace fs = std::filesystem;

struct ParseCase {
  std::vector<std::string> args;
  CommandAction action;
  std::optional<bool> fullScreen;
  std::string recordPath;
};

TEST(CommandLine, ReadsEveryOption) {
  const std::vector<ParseCase> cases = {
      {{}, CommandAction::kRun, std::nullopt, ""},
      {{"--window"}, CommandAction::kRun, false, ""},
      {{"--fullscreen"}, CommandAction::kRun, true, ""},
      {{"--fullscreen", "--fullscreen"}, CommandAction::kRun, true, ""},
      {{"--record", "race.rec", "--window"}, CommandAction::kRun, false, "race.rec"},
      {{"--record=/tmp/a b.rec"}, CommandAction::kRun, std::nullopt, "/tmp/a b.rec"},
      // A file named like an option is still the file: it follows --record.
      {{"--record", "--help"}, CommandAction::kRun, std::nullopt, "--help"},
      {{"--window", "--help"}, CommandAction::kHelp, false, ""},
      {{"-h"}, CommandAction::kHelp, std::nullopt, ""},
      {{"--version"}, CommandAction::kVersion, std::nullopt, ""},
      {{"--version", "--help"}, CommandAction::kHelp, std::nullopt, ""},
      {{"--settings"}, CommandAction::kSettings, std::nullopt, ""},
      {{"--settings", "--version"}, CommandAction::kVersion, std::nullopt, ""},
  };
  for (const ParseCase& c : cases) {
    const CommandLine parsed = ParseCommandLine(c.args);
    const std::string where = ::testing::PrintToString(c.args);
    EXPECT_EQ(parsed.action, c.action) << where;
    EXPECT_EQ(parsed.fullScreen, c.fullScreen) << where;
    EXPECT_EQ(parsed.recordPath, fs::path(c.recordPath)) << where;
    EXPECT_TRUE(parsed.error.empty()) << where;
  }
}

TEST(CommandLine, RefusesWhatItDoesNotKnowAndSaysWhat) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--fulscreen"}, "unknown option '--fulscreen'"},
      {{"-x", "--help"}, "unknown option '-x'"},
      {{"level3"}, "unexpected argument 'level3'"},
      {{"--record"}, "--record needs a FILE"},
      {{"--record="}, "--record needs a FILE"},
      {{"--window", "--fullscreen"}, "--window and --fullscreen exclude each other"},
  };
  for (const auto& [args, error] : cases) {
    const CommandLine parsed = ParseCommandLine(args);
    EXPECT_EQ(parsed.action, CommandAction::kUsageError) << error;
    EXPECT_EQ(parsed.error, error);
  }
}

TEST(CommandLine, HelpNamesEveryOptionAndVersionIsTheProjects) {
  const std::string help = HelpText();
  for (const char* option :
       {"--window", "--fullscreen", "--record FILE", "--settings", "--help", "--version"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  EXPECT_TRUE(std::regex_match(VersionText(), std::regex("brakkon [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << VersionText();
}

TEST(UserGameFolder, FollowsTheXdgRules) {
  std::map<std::string, std::string> env;
  auto lookup = [&env](const std::string& name) { return env.count(name) ? env[name] : ""; };
  EXPECT_EQ(UserGameFolder(lookup), fs::path());
  env["HOME"] = "relative/home";
  EXPECT_EQ(UserGameFolder(lookup), fs::path());
  env["HOME"] = "/home/ann";
  EXPECT_EQ(UserGameFolder(lookup), fs::path("/home/ann/.local/share/brakkon"));
  env["XDG_DATA_HOME"] = "data";  // relative: ignored
  EXPECT_EQ(UserGameFolder(lookup), fs::path("/home/ann/.local/share/brakkon"));
  env["XDG_DATA_HOME"] = "/srv/ann-data";
  EXPECT_EQ(UserGameFolder(lookup), fs::path("/srv/ann-data/brakkon"));
}

class InstalledCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("brakkon-install-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    installed_ = root_ / "prefix" / "share" / "brakkon" / "Data";
    fs::create_directories(root_ / "prefix" / "bin");
    fs::create_directories(installed_ / "Res");
    fs::create_directories(installed_ / "Music");
    fs::create_directories(installed_ / "Save");
    Write(installed_ / "Save" / "options", "default options");
    Write(installed_ / "Save" / "hs", "default table");
    user_ = root_ / "home" / ".local" / "share" / "brakkon";
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path root_;
  fs::path installed_;
  fs::path user_;
};

TEST_F(InstalledCopy, DataIsFoundBesideBinOnlyInAnInstalledLayout) {
  EXPECT_EQ(InstalledDataFor(root_ / "prefix" / "bin" / "brakkon"), installed_);
  // A build tree: Data/ beside the executable, no share/ above it.
  EXPECT_EQ(InstalledDataFor(root_ / "prefix" / "build" / "brakkon"), fs::path());
  fs::remove_all(installed_ / "Res");
  EXPECT_EQ(InstalledDataFor(root_ / "prefix" / "bin" / "brakkon"), fs::path());
}

TEST_F(InstalledCopy, FirstStartCopiesTheSavesAndLinksTheData) {
  PrepareUserFolder(user_, installed_);
  EXPECT_EQ(Read(user_ / "Data" / "Save" / "options"), "default options");
  EXPECT_EQ(Read(user_ / "Data" / "Save" / "hs"), "default table");
  for (const char* name : {"Res", "Music"}) {
    ASSERT_TRUE(fs::is_symlink(user_ / "Data" / name)) << name;
    EXPECT_EQ(fs::read_symlink(user_ / "Data" / name), installed_ / name);
  }
  EXPECT_FALSE(fs::is_symlink(user_ / "Data" / "Save"));
}

TEST_F(InstalledCopy, LaterStartsKeepThePlayersSavesAndRenewTheLinks) {
  PrepareUserFolder(user_, installed_);
  Write(user_ / "Data" / "Save" / "hs", "my table");
  fs::remove(user_ / "Data" / "Save" / "options");
  // An older install elsewhere: its links must follow the new one.
  fs::remove(user_ / "Data" / "Music");
  fs::create_directory_symlink(root_ / "gone", user_ / "Data" / "Music");

  PrepareUserFolder(user_, installed_);
  EXPECT_EQ(Read(user_ / "Data" / "Save" / "hs"), "my table");
  EXPECT_EQ(Read(user_ / "Data" / "Save" / "options"), "default options");
  EXPECT_EQ(fs::read_symlink(user_ / "Data" / "Music"), installed_ / "Music");
  EXPECT_FALSE(fs::exists(fs::symlink_status(user_ / "Data" / "Music.new")));
}

TEST_F(InstalledCopy, APlayersOwnFolderInPlaceOfALinkStays) {
  fs::create_directories(user_ / "Data" / "Res");
  Write(user_ / "Data" / "Res" / "mine", "x");
  PrepareUserFolder(user_, installed_);
  EXPECT_FALSE(fs::is_symlink(user_ / "Data" / "Res"));
  EXPECT_EQ(Read(user_ / "Data" / "Res" / "mine"), "x");
  EXPECT_TRUE(fs::is_symlink(user_ / "Data" / "Music"));
}

}  // namespace
}  // namespace brakkon::shell
