// The check string that ties the options file to the high-score table.
#include "records/high_score_check.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace brakkon::records {
namespace {

TEST(HighScoreCheck, DefaultTableGivesTheKnownNineBytes) {
  const auto table = DefaultHighScores();
  EXPECT_EQ(table[0].Name, "ANONYMOUS");
  EXPECT_EQ(table[0].Score, 2000);
  EXPECT_EQ(table[9].Score, 200);
  EXPECT_EQ(HighScoreCheck(table), std::string("\x25\xA0\x96\x2C\x7A\xE2\xF6\x52\x3E"));
}

TEST(HighScoreCheck, LengthIsTheLongestNameAndDigitsBeyondItAreLeftOut) {
  std::array<THighScore, kHighScoreTableSize> table{};
  EXPECT_EQ(HighScoreCheck(table), "");  // every name empty

  table[0] = THighScore{"AB", 123456, 0, 0};
  auto f = [](char a, char b) {
    return static_cast<char>((static_cast<unsigned char>(a) + static_cast<unsigned char>(b)) % 224 +
                             32);
  };
  // Only two positions: "3456" take no part; the nine empty slots fold their "0".
  std::string expected = {f(f(' ', 'A'), '1'), f(f(' ', 'B'), '2')};
  for (int slot = 1; slot < kHighScoreTableSize; ++slot) expected[0] = f(expected[0], '0');
  EXPECT_EQ(HighScoreCheck(table), expected);
  table[1].Score = -5;  // a nameless entry folds its sign and digits
  expected = {f(f(' ', 'A'), '1'), f(f(' ', 'B'), '2')};
  expected[0] = f(expected[0], '-');
  expected[1] = f(expected[1], '5');
  for (int slot = 2; slot < kHighScoreTableSize; ++slot) expected[0] = f(expected[0], '0');
  EXPECT_EQ(HighScoreCheck(table), expected);
}

TEST(HighScoreCheck, ReservedFieldsDoNotTakePartButNamesAndScoresDo) {
  auto table = DefaultHighScores();
  const std::string original = HighScoreCheck(table);
  table[4].Reserved1 = 77;
  table[9].Reserved2 = -3;
  EXPECT_EQ(HighScoreCheck(table), original);
  table[4].Score += 1;
  EXPECT_NE(HighScoreCheck(table), original);
  table = DefaultHighScores();
  table[7].Name = "ANONYMOUZ";
  EXPECT_NE(HighScoreCheck(table), original);
}

}  // namespace
}  // namespace brakkon::records
