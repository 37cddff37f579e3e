// The player's options as the game reads them, and their file Data/Save/options.
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "records/high_scores.h"

namespace brakkon::records {

// No coded defaults: a missing file leaves a window, no music, no sound and no country.
struct TGameOptions {
  bool FullScreen = false;
  bool Music = false;
  bool Sound = false;
  std::string Country;  // 8-bit characters as typed
};

inline constexpr const char* kOptionsFile = "Data/Save/options";

// Reads the four options and the stored check line from `file`. Missing lines read
// as false and empty; a setting line that is not an integer reads as false.
void LoadOptions(platform::IFiles& files, TGameOptions& options, std::string& storedCheck,
                 const std::filesystem::path& file = kOptionsFile);
// The same from the bytes of an options file, as LoadOptions reads them.
void ReadOptions(TGameOptions& options, std::string& storedCheck, std::string text);

// Writes the five CR LF lines, the last the check string of `table` as it is now,
// creating the folder when missing. False when it could not be written; the old file
// is then left whole. Callers ignore the result: save failures are silent by design.
bool SaveOptions(platform::IFiles& files, const TGameOptions& options,
                 const THighScoreTable& table, const std::filesystem::path& file = kOptionsFile);

// The five lines SaveOptions writes.
std::string FormatOptions(const TGameOptions& options, const THighScoreTable& table);

}  // namespace brakkon::records
