// The score record's fields, padding and code, as the server reads them back.
#include "records/score_codec.h"

#include <gtest/gtest.h>

#include <set>

namespace brakkon::records {
namespace {

TEST(ScoreCodecTest, TheAlphabetHoldsEachLetterOrDigitOnce) {
  const std::set<char> distinct(kScoreAlphabet.begin(), kScoreAlphabet.end());
  EXPECT_EQ(distinct.size(), 32u);
  for (char c : kScoreAlphabet) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
}

TEST(ScoreCodecTest, VersionReplyFields) {
  struct Case {
    const char* reply;
    bool ok;
    const char* p;
  } cases[] = {
      {"OK", true, ""},
      {"OK|a|b|c|d|e|f", true, "d"},
      {"OK|a|b|c|d", true, ""},  // no "|" after d
      {"OK|1|0|0|XYZ|", true, "XYZ"},
      {"ok|a|b|c|d|e", false, "d"},
      {"", false, ""},
      {"O", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    EXPECT_EQ(VersionReplyOk(c.reply), c.ok);
    EXPECT_EQ(VersionReplyP(c.reply), c.p);
  }
}

TEST(ScoreCodecTest, TheRecordIsPaddedToAMultipleOfFive) {
  // "type=0|name=|score=0|key=Q|p=|add=|z=" is 37 characters: three zeros.
  EXPECT_EQ(BuildSubmissionRecord("", 0, "", ""), "type=0|name=|score=0|key=Q|p=|add=|z=000");
  // Already a multiple of five: none.
  EXPECT_EQ(BuildSubmissionRecord("ABC", 0, "", ""), "type=0|name=ABC|score=0|key=Q|p=|add=|z=");
  // One character more than a multiple of five gets four.
  EXPECT_EQ(BuildSubmissionRecord("ABCD", 0, "", ""),
            "type=0|name=ABCD|score=0|key=Q|p=|add=|z=0000");
  // Nothing is escaped.
  EXPECT_EQ(BuildSubmissionRecord("A|B", 1234, "P=1", "X Y").substr(0, 42),
            "type=0|name=A|B|score=1234|key=Q|p=P=1|add");
}

TEST(ScoreCodecTest, EncodingFollowsTheBitsAndRoundTrips) {
  EXPECT_EQ(BinaryText("A\xff"), "0100000111111111");
  EXPECT_EQ(Base32Text("00000000010000111111"), std::string() + kScoreAlphabet[0] +
                                                    kScoreAlphabet[1] + kScoreAlphabet[1] +
                                                    kScoreAlphabet[31]);
  // Front padding to a multiple of five; any non-'0' counts as a 1.
  EXPECT_EQ(Base32Text("1"), std::string(1, kScoreAlphabet[1]));
  EXPECT_EQ(Base32Text("x0000"), std::string(1, kScoreAlphabet[16]));
  for (int n : {5, 40, 100}) {
    const std::string record = BuildSubmissionRecord(std::string(n, 'W'), 99995, "K3RW", "NORWAY");
    const std::string code = EncodeRecord(record);
    EXPECT_EQ(code.size(), record.size() * 8 / 5);
    EXPECT_EQ(DecodeRecord(code), record);
  }
  EXPECT_FALSE(DecodeRecord("K3RWZ8M").has_value());   // not a multiple of 8
  EXPECT_FALSE(DecodeRecord("K3RWZ8M1").has_value());  // '1' is not in the alphabet
  EXPECT_EQ(DecodeRecord(""), std::string());
}

}  // namespace
}  // namespace brakkon::records
