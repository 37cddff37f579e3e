// Writing a save file: the folder is created, and a failed write keeps the old file.
#include "records/save_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "records/records_state.h"
#include "records/save_fixture.h"

namespace brakkon::records {
namespace {

namespace fs = std::filesystem;

class SaveWriteTest : public SaveFolderTest {
 protected:
  static RecordsState SomeRecords() {
    RecordsState records;
    ResetHighScores(records.HighScores);
    records.HighScores[0] = {"WINNER", 5000, 0, 0};
    records.Options.Music = true;
    records.Options.Country = "NORWAY";
    return records;
  }
};

TEST_F(SaveWriteTest, FreshInstallWithoutSaveFolderKeepsItsScores) {
  ASSERT_FALSE(fs::exists("Data"));
  SaveRecords(files_, SomeRecords());
  EXPECT_TRUE(fs::is_regular_file("Data/Save/hs"));
  EXPECT_TRUE(fs::is_regular_file("Data/Save/options"));

  RecordsState loaded;
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.HighScores[0].Name, "WINNER");
  EXPECT_EQ(loaded.HighScores[0].Score, 5000);
  EXPECT_TRUE(loaded.Options.Music);
  EXPECT_EQ(loaded.Options.Country, "NORWAY");
}

TEST_F(SaveWriteTest, ReplacesAnExistingFileWhole) {
  WriteFile("Data/Save/hs", std::string(5000, 'x'));
  ASSERT_TRUE(WriteSaveFile(files_, "Data/Save/hs", "short\r\n"));
  EXPECT_EQ(ReadFile("Data/Save/hs"), "short\r\n");
  EXPECT_FALSE(fs::exists(TemporarySaveFile("Data/Save/hs")));
}

TEST_F(SaveWriteTest, TemporaryFileCannotBeCreated) {
  WriteFile("Data/Save/hs", "old table\r\n");
  // A folder where the temporary file should go: opening it fails, even as root.
  fs::create_directories(TemporarySaveFile("Data/Save/hs") / "inside");
  EXPECT_FALSE(WriteSaveFile(files_, "Data/Save/hs", "new table\r\n"));
  EXPECT_EQ(ReadFile("Data/Save/hs"), "old table\r\n");
  EXPECT_TRUE(fs::is_directory(TemporarySaveFile("Data/Save/hs") / "inside"));
}

TEST_F(SaveWriteTest, FullDiskLeavesTheOldFileAndNoTemporary) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to stand for a full disk";
  WriteFile("Data/Save/hs", "old table\r\n");
  // Writes through this link fail with "no space left on device".
  fs::create_symlink("/dev/full", TemporarySaveFile("Data/Save/hs"));
  EXPECT_FALSE(WriteSaveFile(files_, "Data/Save/hs", "new table\r\n"));
  // Checked before reading: a link to /dev/full renamed into place would read forever.
  ASSERT_TRUE(fs::is_regular_file(fs::symlink_status("Data/Save/hs")));
  EXPECT_EQ(ReadFile("Data/Save/hs"), "old table\r\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(TemporarySaveFile("Data/Save/hs"))));
}

TEST_F(SaveWriteTest, TargetThatCannotBeReplacedIsLeftAlone) {
  // A folder in the file's place: the rename fails and the temporary goes away.
  fs::create_directories("Data/Save/hs/inside");
  EXPECT_FALSE(WriteSaveFile(files_, "Data/Save/hs", "new table\r\n"));
  EXPECT_TRUE(fs::is_directory("Data/Save/hs/inside"));
  EXPECT_FALSE(fs::exists(TemporarySaveFile("Data/Save/hs")));
}

TEST_F(SaveWriteTest, SaveFolderThatCannotBeCreated) {
  WriteFile("Data", "a file where the folder should be");
  EXPECT_FALSE(WriteSaveFile(files_, "Data/Save/hs", "new table\r\n"));
  SaveRecords(files_, SomeRecords());  // silent
  EXPECT_EQ(ReadFile("Data"), "a file where the folder should be");
}

TEST_F(SaveWriteTest, ReadOnlyFolderKeepsTheOldFile) {
  WriteFile("Data/Save/hs", "old table\r\n");
  fs::permissions("Data/Save",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  {
    std::ofstream probe("Data/Save/probe");
    if (probe) {
      fs::permissions("Data/Save", fs::perms::owner_all, fs::perm_options::add);
      GTEST_SKIP() << "permissions do not stop writes here (running as root)";
    }
  }
  EXPECT_FALSE(WriteSaveFile(files_, "Data/Save/hs", "new table\r\n"));
  fs::permissions("Data/Save", fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(ReadFile("Data/Save/hs"), "old table\r\n");
}

}  // namespace
}  // namespace brakkon::records
