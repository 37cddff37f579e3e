// The save files of a fresh install, written only where none exist yet.
#include "save_defaults.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "records/high_score_check.h"

namespace brakkon::bake {
namespace {

void WriteIfMissing(const std::filesystem::path& path, const std::string& text) {
  if (std::filesystem::exists(path)) return;
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

void WriteDefaultSaves(const std::string& saveDir) {
  std::filesystem::create_directories(saveDir);
  const auto table = records::DefaultHighScores();
  std::string hs;
  for (const records::THighScore& entry : table) {
    hs += entry.Name + "\r\n" + std::to_string(entry.Score) + "\r\n" +
          std::to_string(entry.Reserved1) + "\r\n" + std::to_string(entry.Reserved2) + "\r\n";
  }
  const std::string options = "0\r\n1\r\n1\r\n\r\n" + records::HighScoreCheck(table) + "\r\n";
  WriteIfMissing(std::filesystem::path(saveDir) / "options", options);
  WriteIfMissing(std::filesystem::path(saveDir) / "hs", hs);
}

}  // namespace brakkon::bake
