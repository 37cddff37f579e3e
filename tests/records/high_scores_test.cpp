// The high-score table: check string, insertion order, and the file Data/Save/hs.
#include "records/high_scores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "records/save_fixture.h"
#include "records/save_text.h"

namespace brakkon::records {
namespace {

THighScoreTable DefaultTable() {
  THighScoreTable table{};
  ResetHighScores(table);
  return table;
}

// What the name entry does on Enter: the result goes into the staging slot, then the sort.
void StoreResult(THighScoreTable& table, const std::string& name, std::int32_t score) {
  table[kStagingIndex].Name = name;
  table[kStagingIndex].Score = score;
  SortHighScores(table);
}

std::string Names(const THighScoreTable& table) {
  std::string names;
  for (const THighScore& entry : table) names += (entry.Name.empty() ? "-" : entry.Name) + " ";
  return names;
}

TEST(HighScoreCheckTest, DefaultTableGivesTheKnownBytes) {
  EXPECT_EQ(HighScoreCheck(DefaultTable()), "\x25\xA0\x96\x2C\x7A\xE2\xF6\x52\x3E");
}

TEST(HighScoreCheckTest, OnlyTheShownSlotsTakePart) {
  EXPECT_EQ(HighScoreCheck(THighScoreTable{}), "");

  THighScoreTable edited = DefaultTable();
  edited[kStagingIndex] = {"SOMEBODYLONGER", 99999, 0, 0};
  EXPECT_EQ(HighScoreCheck(edited), HighScoreCheck(DefaultTable()));
  edited[9].Score = 201;
  EXPECT_NE(HighScoreCheck(edited), HighScoreCheck(DefaultTable()));
}

TEST(HighScoreTableTest, ResetLeavesTheStagingSlot) {
  THighScoreTable table{};
  table[kStagingIndex] = {"DROPPED", 150, 1, 2};
  ResetHighScores(table);
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    EXPECT_EQ(table[i].Name, "ANONYMOUS");
    EXPECT_EQ(table[i].Score, (10 - i) * 200);
  }
  EXPECT_EQ(table[kStagingIndex].Name, "DROPPED");
}

TEST(HighScoreTableTest, QualifiesOnlyAboveALowerEntry) {
  const THighScoreTable table = DefaultTable();
  EXPECT_FALSE(ScoreQualifies(table, 200));
  EXPECT_FALSE(ScoreQualifies(table, -1));
  EXPECT_TRUE(ScoreQualifies(table, 201));
  EXPECT_TRUE(ScoreQualifies(table, 5000));
  // The staging slot is not part of the table.
  THighScoreTable withStaging = table;
  withStaging[kStagingIndex].Score = 100;
  EXPECT_FALSE(ScoreQualifies(withStaging, 150));
}

TEST(HighScoreTableTest, InsertionKeepsOrderAndDropsTheLastIntoStaging) {
  struct Case {
    std::int32_t score;
    int expectedIndex;  // where the new result lands
  };
  const Case cases[] = {{201, 9}, {5000, 0}, {2000, 1}, {1000, 6}, {1001, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.score);
    THighScoreTable table = DefaultTable();
    table[kStagingIndex].Reserved1 = 42;
    StoreResult(table, "NEW", c.score);
    EXPECT_EQ(table[c.expectedIndex].Name, "NEW");
    EXPECT_EQ(table[c.expectedIndex].Score, c.score);
    // The staging slot's reserved values travel with the result.
    EXPECT_EQ(table[c.expectedIndex].Reserved1, 42);
    EXPECT_EQ(table[kStagingIndex].Score, 200);
    for (int i = 0; i + 1 < kHighScoreSlots; ++i) EXPECT_GE(table[i].Score, table[i + 1].Score);
  }
}

TEST(HighScoreTableTest, EqualScoresStayInTheirOrderWithTheNewestLast) {
  THighScoreTable table{};
  const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
  for (int i = 0; i < kHighScoreTableSize; ++i) table[i] = {names[i], i < 3 ? 900 : 500, 0, 0};
  StoreResult(table, "N", 500);
  EXPECT_EQ(Names(table), "A B C D E F G H I J N ");
  StoreResult(table, "M", 900);
  EXPECT_EQ(Names(table), "A B C M D E F G H I J ");
  StoreResult(table, "T", 1000);
  EXPECT_EQ(Names(table), "T A B C M D E F G H I ");
}

class HighScoreFileTest : public SaveFolderTest {};

TEST_F(HighScoreFileTest, DefaultTableIsWrittenAsFortyCrLfLines) {
  ASSERT_TRUE(SaveHighScores(files_, DefaultTable()));
  const std::string bytes = ReadFile("Data/Save/hs");
  EXPECT_EQ(bytes.rfind("ANONYMOUS\r\n2000\r\n0\r\n0\r\nANONYMOUS\r\n1800\r\n", 0), 0u);
  const std::string tail = "ANONYMOUS\r\n200\r\n0\r\n0\r\n";
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  std::size_t lines = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      ++lines;
      EXPECT_EQ(bytes[i - 1], '\r') << "at byte " << i;
    }
  }
  EXPECT_EQ(lines, 40u);
  EXPECT_FALSE(std::filesystem::exists(TemporarySaveFile("Data/Save/hs")));
}

TEST_F(HighScoreFileTest, ReadsBackByteForByte) {
  std::string file;
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    file += "Name " + std::to_string(i) + " \xE9\xFF with  spaces \r\n";
    file += std::to_string(-2147483647 - 1 + i * 1000) + "\r\n";
    file += std::to_string(i * 7) + "\r\n" + std::to_string(-i) + "\r\n";
  }
  WriteFile("Data/Save/hs", file);
  THighScoreTable table{};
  table[kStagingIndex] = {"KEPT", 1, 2, 3};
  LoadHighScores(files_, table);
  EXPECT_EQ(table[0].Name, "Name 0 \xE9\xFF with  spaces ");
  EXPECT_EQ(table[0].Score, -2147483647 - 1);
  EXPECT_EQ(table[9].Reserved2, -9);
  EXPECT_EQ(table[kStagingIndex].Name, "KEPT");
  std::filesystem::remove("Data/Save/hs");
  ASSERT_TRUE(SaveHighScores(files_, table));
  EXPECT_EQ(ReadFile("Data/Save/hs"), file);
}

// Each case: the file's bytes and the slots expected after loading it.
struct LoadCase {
  const char* label;
  std::string file;
  std::vector<THighScore> expected;  // slots 1..n; later slots empty names and 0
  bool defaultTable = false;
};

TEST_F(HighScoreFileTest, LoadsShortLongLfOnlyAndDamagedFiles) {
  const std::string full = FormatHighScores(DefaultTable());
  std::string lfOnly;
  for (char c : full) {
    if (c != '\r') lfOnly += c;
  }
  const LoadCase cases[] = {
      {"missing", "", {}},
      {"short: ends after slot 2's score",
       "AL\r\n300\r\n1\r\n2\r\nBO\r\n250",
       {{"AL", 300, 1, 2}, {"BO", 250, 0, 0}}},
      {"LF only", lfOnly, {}, true},
      {"long: extra lines ignored", full + "EXTRA\r\n99999\r\n", {}, true},
      {"blanks, tabs, sign and trailing words",
       "A\r\n  \t+42 rest\r\n-7\t9\r\n 0\r\n",
       {{"A", 42, -7, 0}}},
      {"an empty number line takes the next line's number",
       "A\r\n\r\n5\r\n6\r\n7\r\nB\r\n",
       {{"A", 5, 6, 7}, {"B", 0, 0, 0}}},
      {"only 32 characters of a number count",
       "A\r\n" + std::string(32, '0') + "7\r\n",
       {{"A", 0, 0, 0}}},
      {"a last line without a line break", "A\r\n12", {{"A", 12, 0, 0}}},
      {"letters in a number", "A\r\n12x\r\n0\r\n0\r\n", {}, true},
      {"a word for a number", "A\r\nmany\r\n0\r\n0\r\n", {}, true},
      {"a bare sign", "A\r\n-\r\n0\r\n0\r\n", {}, true},
      {"a number beyond 32 bits", "A\r\n2147483648\r\n0\r\n0\r\n", {}, true},
      {"a control character for a number", "A\r\n\x01\r\n0\r\n0\r\n", {}, true},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove_all("Data");
    if (!c.file.empty()) WriteFile("Data/Save/hs", c.file);
    THighScoreTable table{};
    for (THighScore& entry : table) entry = {"STALE", 9, 9, 9};
    LoadHighScores(files_, table);
    if (c.defaultTable) {
      const THighScoreTable defaults = DefaultTable();
      for (int i = 0; i < kHighScoreTableSize; ++i) {
        EXPECT_EQ(table[i].Name, defaults[i].Name);
        EXPECT_EQ(table[i].Score, defaults[i].Score);
      }
      continue;
    }
    for (int i = 0; i < kHighScoreTableSize; ++i) {
      const THighScore want =
          i < static_cast<int>(c.expected.size()) ? c.expected[i] : THighScore{};
      EXPECT_EQ(table[i].Name, want.Name) << "slot " << i + 1;
      EXPECT_EQ(table[i].Score, want.Score) << "slot " << i + 1;
      EXPECT_EQ(table[i].Reserved1, want.Reserved1) << "slot " << i + 1;
      EXPECT_EQ(table[i].Reserved2, want.Reserved2) << "slot " << i + 1;
    }
    EXPECT_EQ(table[kStagingIndex].Name, "STALE");
  }
}

}  // namespace
}  // namespace brakkon::records
