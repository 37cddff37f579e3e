// The options file: three switches, the country and the high-score check line.
#include "records/game_options.h"

#include <utility>

#include "records/save_text.h"

namespace brakkon::records {

void LoadOptions(platform::IFiles& files, TGameOptions& options, std::string& storedCheck,
                 const std::filesystem::path& file) {
  ReadOptions(options, storedCheck, ReadSaveFile(files, file));
}

void ReadOptions(TGameOptions& options, std::string& storedCheck, std::string text) {
  SaveTextReader reader(std::move(text));
  const auto flag = [&reader] { return reader.ReadNumber().value_or(0) != 0; };
  options.FullScreen = flag();
  options.Music = flag();
  options.Sound = flag();
  options.Country = reader.ReadLine();
  storedCheck = reader.ReadLine();
}

std::string FormatOptions(const TGameOptions& options, const THighScoreTable& table) {
  const auto flag = [](bool on) { return on ? "1\r\n" : "0\r\n"; };
  return std::string(flag(options.FullScreen)) + flag(options.Music) + flag(options.Sound) +
         options.Country + "\r\n" + HighScoreCheck(table) + "\r\n";
}

bool SaveOptions(platform::IFiles& files, const TGameOptions& options,
                 const THighScoreTable& table, const std::filesystem::path& file) {
  return WriteSaveFile(files, file, FormatOptions(options, table));
}

}  // namespace brakkon::records
