// The high-score table of the run: ten shown slots plus the staging slot, its
// operations and its file Data/Save/hs.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "records/high_score_check.h"

namespace brakkon::records {

// Slots 1 to 11 of the game are indices 0 to 10; slots 1 to 10 are the shown
// table, best first, and slot 11 (kStagingIndex) takes a new result before the sort.
inline constexpr int kHighScoreSlots = kHighScoreTableSize + 1;
inline constexpr int kStagingIndex = kHighScoreTableSize;
using THighScoreTable = std::array<THighScore, kHighScoreSlots>;

inline constexpr const char* kHighScoreFile = "Data/Save/hs";

// Sets slots 1 to 10 to the default table; the staging slot keeps what it holds.
void ResetHighScores(THighScoreTable& table);

// Reads slots 1 to 10 from `file`. A missing file or missing lines read as empty
// names and zeros; a number line that is not an integer gives the default table.
void LoadHighScores(platform::IFiles& files, THighScoreTable& table,
                    const std::filesystem::path& file = kHighScoreFile);
// The same from the bytes of a high-score file, as LoadHighScores reads them.
void ReadHighScores(THighScoreTable& table, std::string text);

// Writes slots 1 to 10 as 40 CR LF lines, creating the folder when missing. False
// when it could not be written; the old file is then left whole. Callers ignore the
// result: save failures are silent by design.
bool SaveHighScores(platform::IFiles& files, const THighScoreTable& table,
                    const std::filesystem::path& file = kHighScoreFile);

// The 40 lines SaveHighScores writes.
std::string FormatHighScores(const THighScoreTable& table);

// The check string of slots 1 to 10 (the staging slot takes no part).
std::string HighScoreCheck(const THighScoreTable& table);

// True when `score` is greater than the score of at least one of slots 1 to 10.
bool ScoreQualifies(const THighScoreTable& table, std::int32_t score);

// Sorts slots 1 to 11 by score, best first; equal scores keep their order, so a
// new result in the staging slot lands below every entry with the same score.
void SortHighScores(THighScoreTable& table);

}  // namespace brakkon::records
