// The high-score record, the default table and the check string that the
// options file carries to detect an edited high-score file.
#include "records/high_score_check.h"

#include <algorithm>
#include <string>

namespace brakkon::records {
namespace {

char Fold(char a, char b) {
  unsigned sum = static_cast<unsigned char>(a) + static_cast<unsigned char>(b);
  return static_cast<char>(sum % 224 + 32);
}

}  // namespace

std::array<THighScore, kHighScoreTableSize> DefaultHighScores() {
  std::array<THighScore, kHighScoreTableSize> table;
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    table[i] = THighScore{"ANONYMOUS", (kHighScoreTableSize - i) * 200, 0, 0};
  }
  return table;
}

std::string HighScoreCheck(std::span<const THighScore> table) {
  std::size_t length = 0;
  for (const THighScore& entry : table) length = std::max(length, entry.Name.size());
  std::string check(length, ' ');
  for (const THighScore& entry : table) {
    for (std::size_t k = 0; k < entry.Name.size(); ++k) check[k] = Fold(check[k], entry.Name[k]);
    // Digits past the longest name take no part: the string never grows.
    const std::string digits = std::to_string(entry.Score);
    for (std::size_t k = 0; k < digits.size() && k < length; ++k) {
      check[k] = Fold(check[k], digits[k]);
    }
  }
  return check;
}

}  // namespace brakkon::records
