// Result submission: the version query, then the encoded record.
#include "records/score_submission.h"

#include "records/score_codec.h"
#include "records/web_links.h"

namespace brakkon::records {

void SubmitScore(platform::IHttp& http, platform::IDialogs& dialogs, const std::string& host,
                 const std::string& name, std::int32_t score, const std::string& country) {
  std::string reply;
  try {
    http.Get(VersionQueryAddress(host), reply);
  } catch (const platform::EHttpError&) {
    // What arrived before the failure still counts as the reply.
  }
  if (!VersionReplyOk(reply)) {
    dialogs.ShowMessage(platform::MessageKind::kInformation, "Information", kCantConnectMessage);
    return;
  }
  const std::string record = BuildSubmissionRecord(name, score, VersionReplyP(reply), country);
  std::string ignored;
  try {
    http.Get(SubmissionAddress(host, EncodeRecord(record)), ignored);
  } catch (const platform::EHttpError&) {
    // By design the sending's outcome is not reported.
  }
}

}  // namespace brakkon::records
