// The records the form owns for the whole run: the high-score table, the options
// and the check line read with them.
#pragma once

#include <filesystem>
#include <string>

#include "records/game_options.h"
#include "records/high_scores.h"
#include "records/web_links.h"

namespace brakkon::records {

inline constexpr const char* kSaveFolder = "Data/Save";

struct RecordsState {
  THighScoreTable HighScores{};
  TGameOptions Options;
  std::string StoredCheck;             // the options file's check line; compared once at start-up
  std::string ScoreHost = kScoreHost;  // the score server and web site, host[:port]
};

// Start-up: the table, then the options, then the default table when the stored
// check line does not match the loaded table. Writes nothing.
void LoadRecords(platform::IFiles& files, RecordsState& records,
                 const std::filesystem::path& saveFolder = kSaveFolder);

// Shut-down: the options (whose check line describes the table written next), then
// the table. Failures are silent by design; each file is either replaced whole or kept.
void SaveRecords(platform::IFiles& files, const RecordsState& records,
                 const std::filesystem::path& saveFolder = kSaveFolder);

}  // namespace brakkon::records
