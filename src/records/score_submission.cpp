// Result submission: the unreachable-server answer until the game has an HTTP client.
#include "records/score_submission.h"

namespace brakkon::records {

void SubmitScore(platform::IDialogs& dialogs, const std::string& /*name*/, std::int32_t /*score*/,
                 const std::string& /*country*/) {
  dialogs.ShowMessage(platform::MessageKind::kInformation, "Information", kCantConnectMessage);
}

}  // namespace brakkon::records
