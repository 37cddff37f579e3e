// Saves that fail midway: whichever step of the write breaks, and at whichever
// byte, the old file stays whole, reads back as before, and nothing is left beside it.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "records/game_options.h"
#include "records/high_scores.h"
#include "records/save_fixture.h"
#include "records/save_text.h"

namespace brakkon::records {
namespace {

namespace fs = std::filesystem;

struct Fault {
  std::string label;
  std::function<void(platform::HeadlessFiles&)> arm;
};

// Every way a write of `size` bytes can break: an I/O error and a full disk at
// each byte, then each step that can refuse.
std::vector<Fault> EveryFault(std::size_t size) {
  std::vector<Fault> faults;
  for (std::size_t at = 0; at < size; ++at) {
    faults.push_back({"write error at byte " + std::to_string(at),
                      [at](platform::HeadlessFiles& f) { f.writeErrorIn = at; }});
    faults.push_back({"disk full at byte " + std::to_string(at),
                      [at](platform::HeadlessFiles& f) { f.diskRoomLeft = at; }});
  }
  faults.push_back({"folder", [](platform::HeadlessFiles& f) { f.failCreateFolders = true; }});
  faults.push_back({"open", [](platform::HeadlessFiles& f) { f.failCreateFile = true; }});
  faults.push_back({"sync", [](platform::HeadlessFiles& f) { f.failSync = true; }});
  faults.push_back({"close", [](platform::HeadlessFiles& f) { f.failClose = true; }});
  faults.push_back({"rename", [](platform::HeadlessFiles& f) { f.failRename = true; }});
  return faults;
}

THighScoreTable Table(const std::string& prefix, std::int32_t top) {
  THighScoreTable table{};
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    table[i] = {prefix + std::to_string(i), top - i * 100, i, -i};
  }
  return table;
}

class SaveFaultTest : public SaveFolderTest {
 protected:
  // Writes the old file with `saveOld`, then tries `saveNew` under every fault;
  // after each, `readsOld` checks what a loader makes of the file.
  void UnderEveryFault(const fs::path& path, std::size_t newSize,
                       const std::function<bool(platform::IFiles&)>& saveOld,
                       const std::function<bool(platform::IFiles&)>& saveNew,
                       const std::function<void()>& readsOld) {
    ASSERT_TRUE(saveOld(files_));
    const std::string old = ReadFile(path);
    const std::vector<Fault> faults = EveryFault(newSize);
    ASSERT_EQ(faults.size(), 2 * newSize + 5);
    for (const Fault& fault : faults) {
      SCOPED_TRACE(fault.label);
      files_ = {};
      fault.arm(files_);
      EXPECT_FALSE(saveNew(files_));
      EXPECT_EQ(files_.faultsMet, 1);
      EXPECT_EQ(ReadFile(path), old);
      EXPECT_FALSE(fs::exists(fs::symlink_status(TemporarySaveFile(path))));
      files_ = {};
      readsOld();
      if (HasFailure()) return;  // one broken case tells enough; hundreds would bury it
    }
    // The faults touched nothing that stays: the same write without them goes through.
    ASSERT_TRUE(saveNew(files_));
    EXPECT_NE(ReadFile(path), old);
    EXPECT_EQ(ReadFile(path).size(), newSize);
  }
};

TEST_F(SaveFaultTest, OptionsFileOutlivesEveryFault) {
  const TGameOptions oldOptions{true, false, true, "NORWAY"};
  const THighScoreTable oldTable = Table("OLD", 3000);
  const TGameOptions newOptions{false, true, false, "SUOMI \xC4"};
  const THighScoreTable newTable = Table("NEW", 9000);
  UnderEveryFault(
      kOptionsFile, FormatOptions(newOptions, newTable).size(),
      [&](platform::IFiles& f) { return SaveOptions(f, oldOptions, oldTable); },
      [&](platform::IFiles& f) { return SaveOptions(f, newOptions, newTable); },
      [&] {
        TGameOptions options;
        std::string check;
        LoadOptions(files_, options, check);
        EXPECT_TRUE(options.FullScreen);
        EXPECT_FALSE(options.Music);
        EXPECT_TRUE(options.Sound);
        EXPECT_EQ(options.Country, "NORWAY");
        EXPECT_EQ(check, HighScoreCheck(oldTable));
      });
}

TEST_F(SaveFaultTest, HighScoreTableOutlivesEveryFault) {
  const THighScoreTable oldTable = Table("OLD", 3000);
  const THighScoreTable newTable = Table("NEW \xE9", 90000);
  UnderEveryFault(
      kHighScoreFile, FormatHighScores(newTable).size(),
      [&](platform::IFiles& f) { return SaveHighScores(f, oldTable); },
      [&](platform::IFiles& f) { return SaveHighScores(f, newTable); },
      [&] {
        THighScoreTable table{};
        LoadHighScores(files_, table);
        EXPECT_EQ(FormatHighScores(table), FormatHighScores(oldTable));
      });
}

TEST_F(SaveFaultTest, FolderThatDoesNotReachTheDiskStillCountsAsWritten) {
  // The rename is done by then: a reader sees the new file, and a crash would
  // bring back the old one whole, so there is nothing for the caller to undo.
  ASSERT_TRUE(SaveHighScores(files_, Table("OLD", 3000)));
  files_.failSyncFolder = true;
  EXPECT_TRUE(SaveHighScores(files_, Table("NEW", 9000)));
  EXPECT_EQ(files_.faultsMet, 1);
  EXPECT_EQ(ReadFile(kHighScoreFile), FormatHighScores(Table("NEW", 9000)));
  EXPECT_FALSE(fs::exists(TemporarySaveFile(kHighScoreFile)));
}

TEST_F(SaveFaultTest, UnreadableFilesReadAsMissing) {
  ASSERT_TRUE(SaveOptions(files_, {true, true, true, "NORWAY"}, Table("OLD", 3000)));
  ASSERT_TRUE(SaveHighScores(files_, Table("OLD", 3000)));
  files_.failRead = true;
  TGameOptions options{true, true, true, "STALE"};
  std::string check = "STALE";
  LoadOptions(files_, options, check);
  EXPECT_FALSE(options.FullScreen);
  EXPECT_EQ(options.Country, "");
  EXPECT_EQ(check, "");
  THighScoreTable table = Table("STALE", 5);
  LoadHighScores(files_, table);
  EXPECT_EQ(FormatHighScores(table), FormatHighScores(THighScoreTable{}));
}

}  // namespace
}  // namespace brakkon::records
