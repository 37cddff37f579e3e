// Fuzz target: the high-score file as the game reads it. The table it reads
// must survive the game's own write and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "records/high_scores.h"

namespace {

bool SameTable(const brakkon::records::THighScoreTable& a,
               const brakkon::records::THighScoreTable& b) {
  for (int i = 0; i < brakkon::records::kHighScoreTableSize; ++i) {
    if (a[i].Name != b[i].Name || a[i].Score != b[i].Score || a[i].Reserved1 != b[i].Reserved1 ||
        a[i].Reserved2 != b[i].Reserved2) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brakkon::records;
  THighScoreTable table{};
  ReadHighScores(table, std::string(reinterpret_cast<const char*>(data), size));
  // The game checks the table against the options file's line and sorts it
  // when a result comes in.
  const std::string check = HighScoreCheck(table);
  THighScoreTable again{};
  ReadHighScores(again, FormatHighScores(table));
  if (!SameTable(table, again) || HighScoreCheck(again) != check) __builtin_trap();
  ScoreQualifies(table, 0);
  SortHighScores(table);
  return 0;
}
