// The high-score table's operations and its file.
#include "records/high_scores.h"

#include <algorithm>
#include <span>
#include <utility>

#include "records/save_text.h"

namespace brakkon::records {

void ResetHighScores(THighScoreTable& table) {
  const auto defaults = DefaultHighScores();
  std::copy(defaults.begin(), defaults.end(), table.begin());
}

void LoadHighScores(platform::IFiles& files, THighScoreTable& table,
                    const std::filesystem::path& file) {
  ReadHighScores(table, ReadSaveFile(files, file));
}

void ReadHighScores(THighScoreTable& table, std::string text) {
  SaveTextReader reader(std::move(text));
  bool damaged = false;
  const auto number = [&reader, &damaged] {
    const auto value = reader.ReadNumber();
    if (!value) damaged = true;
    return value.value_or(0);
  };
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    THighScore& entry = table[i];
    entry.Name = reader.ReadLine();
    entry.Score = number();
    entry.Reserved1 = number();
    entry.Reserved2 = number();
  }
  // A line that is no number cannot come from our writer: the file was damaged or
  // edited, which the check would reject as well.
  if (damaged) ResetHighScores(table);
}

std::string FormatHighScores(const THighScoreTable& table) {
  std::string text;
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    const THighScore& entry = table[i];
    text += entry.Name + "\r\n";
    text += std::to_string(entry.Score) + "\r\n";
    text += std::to_string(entry.Reserved1) + "\r\n";
    text += std::to_string(entry.Reserved2) + "\r\n";
  }
  return text;
}

bool SaveHighScores(platform::IFiles& files, const THighScoreTable& table,
                    const std::filesystem::path& file) {
  return WriteSaveFile(files, file, FormatHighScores(table));
}

std::string HighScoreCheck(const THighScoreTable& table) {
  return HighScoreCheck(std::span<const THighScore>(table.data(), kHighScoreTableSize));
}

bool ScoreQualifies(const THighScoreTable& table, std::int32_t score) {
  for (int i = 0; i < kHighScoreTableSize; ++i) {
    if (score > table[i].Score) return true;
  }
  return false;
}

void SortHighScores(THighScoreTable& table) {
  for (int pass = 1; pass < kHighScoreSlots; ++pass) {
    for (int j = 0; j < kHighScoreSlots - pass; ++j) {
      if (table[j].Score < table[j + 1].Score) std::swap(table[j], table[j + 1]);
    }
  }
}

}  // namespace brakkon::records
