// Loading and saving the records in the order start-up and shut-down need.
#include "records/records_state.h"

namespace brakkon::records {

void LoadRecords(RecordsState& records, const std::filesystem::path& saveFolder) {
  LoadHighScores(records.HighScores, saveFolder / "hs");
  LoadOptions(records.Options, records.StoredCheck, saveFolder / "options");
  if (records.StoredCheck != HighScoreCheck(records.HighScores)) {
    ResetHighScores(records.HighScores);
  }
}

void SaveRecords(const RecordsState& records, const std::filesystem::path& saveFolder) {
  SaveOptions(records.Options, records.HighScores, saveFolder / "options");
  SaveHighScores(records.HighScores, saveFolder / "hs");
}

}  // namespace brakkon::records
