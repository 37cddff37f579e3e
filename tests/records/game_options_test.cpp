// The options file and the start-up check that ties it to the high-score file.
#include "records/game_options.h"

#include <gtest/gtest.h>

#include <string>

#include "records/records_state.h"
#include "records/save_fixture.h"

namespace brakkon::records {
namespace {

class OptionsFileTest : public SaveFolderTest {};

TEST_F(OptionsFileTest, ReadsSettingsAsIntegersAndWritesThemAsOneOrZero) {
  WriteFile("Data/Save/options", "2\n-1\r\n0\r\nfrance \xC4\r\nCHECK \xFF\r\n");
  TGameOptions options;
  std::string check;
  LoadOptions(files_, options, check);
  EXPECT_TRUE(options.FullScreen);
  EXPECT_TRUE(options.Music);
  EXPECT_FALSE(options.Sound);
  EXPECT_EQ(options.Country, "france \xC4");
  EXPECT_EQ(check, "CHECK \xFF");

  THighScoreTable table{};
  ResetHighScores(table);
  ASSERT_TRUE(SaveOptions(files_, options, table));
  EXPECT_EQ(ReadFile("Data/Save/options"),
            "1\r\n1\r\n0\r\nfrance \xC4\r\n\x25\xA0\x96\x2C\x7A\xE2\xF6\x52\x3E\r\n");
}

TEST_F(OptionsFileTest, ShortMissingAndDamagedFiles) {
  struct Case {
    const char* label;
    const char* file;  // nullptr: no file
    bool fullScreen, music, sound;
    const char* country;
    const char* check;
  };
  const Case cases[] = {
      {"missing", nullptr, false, false, false, "", ""},
      {"ends after line 3", "1\r\n1\r\n1\r\n", true, true, true, "", ""},
      {"ends inside line 4", "0\r\n1\r\n0\r\nSPA", false, true, false, "SPA", ""},
      {"a word for a setting", "yes\r\n1\r\n1\r\nX\r\nC\r\n", false, true, true, "X", "C"},
      {"extra lines ignored", "0\r\n0\r\n1\r\nX\r\nC\r\nmore\r\n", false, false, true, "X", "C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove_all("Data");
    if (c.file) WriteFile("Data/Save/options", c.file);
    TGameOptions options{true, true, true, "STALE"};
    std::string check = "STALE";
    LoadOptions(files_, options, check);
    EXPECT_EQ(options.FullScreen, c.fullScreen);
    EXPECT_EQ(options.Music, c.music);
    EXPECT_EQ(options.Sound, c.sound);
    EXPECT_EQ(options.Country, c.country);
    EXPECT_EQ(check, c.check);
  }
}

class StartUpCheckTest : public SaveFolderTest {
 protected:
  static THighScoreTable CustomTable() {
    THighScoreTable table{};
    for (int i = 0; i < kHighScoreTableSize; ++i) {
      table[i] = {"P" + std::to_string(i), 1000 - i * 50, 0, 0};
    }
    return table;
  }
};

TEST_F(StartUpCheckTest, SavedTableSurvivesTheNextStart) {
  RecordsState saved;
  saved.HighScores = CustomTable();
  saved.Options = {false, true, true, "CH"};
  SaveRecords(files_, saved);

  RecordsState loaded;
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.HighScores[3].Name, "P3");
  EXPECT_EQ(loaded.HighScores[9].Score, 550);
  EXPECT_EQ(loaded.StoredCheck, HighScoreCheck(CustomTable()));
}

TEST_F(StartUpCheckTest, EditedScoreBringsBackTheDefaultTable) {
  RecordsState saved;
  saved.HighScores = CustomTable();
  SaveRecords(files_, saved);
  std::string hs = ReadFile("Data/Save/hs");
  hs.replace(hs.find("\r\n1000\r\n"), 8, "\r\n9000\r\n");
  WriteFile("Data/Save/hs", hs);

  RecordsState loaded;
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.HighScores[0].Name, "ANONYMOUS");
  EXPECT_EQ(loaded.HighScores[0].Score, 2000);
  EXPECT_EQ(loaded.HighScores[9].Score, 200);
}

TEST_F(StartUpCheckTest, EditedReservedValueSurvivesAndIsWrittenBack) {
  RecordsState saved;
  saved.HighScores = CustomTable();
  SaveRecords(files_, saved);
  std::string hs = ReadFile("Data/Save/hs");
  hs.replace(hs.find("P0\r\n1000\r\n0\r\n"), 13, "P0\r\n1000\r\n7\r\n");
  WriteFile("Data/Save/hs", hs);

  RecordsState loaded;
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.HighScores[0].Reserved1, 7);
  SaveRecords(files_, loaded);
  EXPECT_EQ(ReadFile("Data/Save/hs"), hs);
}

TEST_F(StartUpCheckTest, MissingFiles) {
  // Both missing: the empty table matches the empty check line and stays.
  RecordsState fresh;
  LoadRecords(files_, fresh);
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    EXPECT_EQ(fresh.HighScores[i].Name, "");
    EXPECT_EQ(fresh.HighScores[i].Score, 0);
  }

  // Only the options file: its check line does not describe an empty table.
  RecordsState saved;
  saved.HighScores = CustomTable();
  SaveRecords(files_, saved);
  std::filesystem::remove("Data/Save/hs");
  RecordsState loaded;
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.HighScores[0].Name, "ANONYMOUS");

  // Only the table: the missing check line rejects it.
  SaveRecords(files_, saved);
  std::filesystem::remove("Data/Save/options");
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.HighScores[0].Name, "ANONYMOUS");
}

TEST_F(StartUpCheckTest, DefaultTableWithTheKnownCheckLineSurvives) {
  THighScoreTable defaults{};
  ResetHighScores(defaults);
  WriteFile("Data/Save/hs", FormatHighScores(defaults));
  WriteFile("Data/Save/options", "0\r\n1\r\n1\r\n\r\n\x25\xA0\x96\x2C\x7A\xE2\xF6\x52\x3E\r\n");
  RecordsState loaded;
  LoadRecords(files_, loaded);
  EXPECT_EQ(loaded.StoredCheck, HighScoreCheck(loaded.HighScores));
  EXPECT_EQ(loaded.HighScores[0].Name, "ANONYMOUS");
  EXPECT_TRUE(loaded.Options.Music);
}

}  // namespace
}  // namespace brakkon::records
