// Fuzz target: the options file as the game reads it. What it reads must
// survive the game's own write and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "records/game_options.h"
#include "records/high_scores.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brakkon::records;
  TGameOptions options;
  std::string storedCheck;
  ReadOptions(options, storedCheck, std::string(reinterpret_cast<const char*>(data), size));

  THighScoreTable table{};
  ResetHighScores(table);
  TGameOptions again;
  std::string againCheck;
  ReadOptions(again, againCheck, FormatOptions(options, table));
  if (again.FullScreen != options.FullScreen || again.Music != options.Music ||
      again.Sound != options.Sound || again.Country != options.Country ||
      againCheck != HighScoreCheck(table)) {
    __builtin_trap();
  }
  return 0;
}
