// The high-score record, the default table and the check string that the
// options file carries to detect an edited high-score file.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace brakkon::records {

struct THighScore {
  std::string Name;
  std::int32_t Score = 0;
  std::int32_t Reserved1 = 0;
  std::int32_t Reserved2 = 0;
};

inline constexpr int kHighScoreTableSize = 10;

// The table a fresh install (and the clear button) starts from: ANONYMOUS, 2000 down to 200.
std::array<THighScore, kHighScoreTableSize> DefaultHighScores();

// The check string of the shown table (slots 1 to 10, best first): as long as the
// longest name, every name and score folded in by position.
std::string HighScoreCheck(std::span<const THighScore> table);

}  // namespace brakkon::records
