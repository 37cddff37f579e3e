// Line and number reading of the save files, and their replace-by-rename write.
#include "records/save_text.h"

#include <limits>

namespace brakkon::records {
namespace {

constexpr std::size_t kMaxNumberChars = 32;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The word ends at the first character at or below the space character.
bool EndsWord(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::optional<std::int32_t> ParseDecimal(std::string_view word) {
  bool negative = false;
  if (!word.empty() && (word.front() == '-' || word.front() == '+')) {
    negative = word.front() == '-';
    word.remove_prefix(1);
  }
  if (word.empty()) return std::nullopt;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kLimit) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::string SaveTextReader::ReadLine() {
  const std::size_t start = pos_;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) {
    end = text_.size();
    pos_ = end;
  } else {
    pos_ = end + 1;
  }
  if (end > start && text_[end - 1] == '\r') --end;
  return text_.substr(start, end - start);
}

std::optional<std::int32_t> SaveTextReader::ReadNumber() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) return 0;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && pos_ - start < kMaxNumberChars && !EndsWord(text_[pos_])) ++pos_;
  const std::string_view word(text_.data() + start, pos_ - start);
  SkipLine();
  return ParseDecimal(word);
}

void SaveTextReader::SkipLine() {
  const std::size_t end = text_.find('\n', pos_);
  pos_ = end == std::string::npos ? text_.size() : end + 1;
}

std::string ReadSaveFile(platform::IFiles& files, const std::filesystem::path& file) {
  return files.ReadFile(file.string()).value_or(std::string());
}

std::filesystem::path TemporarySaveFile(const std::filesystem::path& file) {
  return platform::TemporaryFileFor(file.string());
}

bool WriteSaveFile(platform::IFiles& files, const std::filesystem::path& file,
                   std::string_view bytes) {
  return platform::ReplaceFile(files, file.string(), bytes);
}

}  // namespace brakkon::records
