// Loading and saving the records in the order start-up and shut-down need.
#include "records/records_state.h"

namespace brakkon::records {

void LoadRecords(platform::IFiles& files, RecordsState& records,
                 const std::filesystem::path& saveFolder) {
  LoadHighScores(files, records.HighScores, saveFolder / "hs");
  LoadOptions(files, records.Options, records.StoredCheck, saveFolder / "options");
  if (records.StoredCheck != HighScoreCheck(records.HighScores)) {
    ResetHighScores(records.HighScores);
  }
}

void SaveRecords(platform::IFiles& files, const RecordsState& records,
                 const std::filesystem::path& saveFolder) {
  SaveOptions(files, records.Options, records.HighScores, saveFolder / "options");
  SaveHighScores(files, records.HighScores, saveFolder / "hs");
}

}  // namespace brakkon::records
