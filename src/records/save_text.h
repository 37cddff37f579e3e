// Reading and writing the small text files under Data/Save: the number and line
// rules both save files share, and a write that never leaves a half-written file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/platform.h"

namespace brakkon::records {

// Reads lines and numbers from the bytes of a save file. Past the end a line
// reads empty and a number 0.
class SaveTextReader {
 public:
  explicit SaveTextReader(std::string text) : text_(std::move(text)) {}

  // The rest of the current line without its line break (CR LF or LF); moves to the next line.
  std::string ReadLine();
  // Skips blanks and line breaks, converts the next word (at most 32 characters) as a
  // decimal integer with an optional sign, then skips the rest of its line.
  // Empty when the word is not such an integer (or does not fit 32 bits).
  std::optional<std::int32_t> ReadNumber();
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  void SkipLine();

  std::string text_;
  std::size_t pos_ = 0;
};

// The whole file; empty when it cannot be opened or read.
std::string ReadSaveFile(platform::IFiles& files, const std::filesystem::path& file);

// Creates the file's folder when missing, writes `bytes` to a temporary file
// beside it, puts that on the disk and renames it over `file`. On any failure the
// old file is left as it was, no temporary remains and the result is false.
bool WriteSaveFile(platform::IFiles& files, const std::filesystem::path& file,
                   std::string_view bytes);

// The temporary file WriteSaveFile writes before the rename.
std::filesystem::path TemporarySaveFile(const std::filesystem::path& file);

}  // namespace brakkon::records
