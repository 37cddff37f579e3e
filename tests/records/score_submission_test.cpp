// The submission: the version query decides, the record goes out encoded,
// failures of the sending stay silent.
#include "records/score_submission.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "records/score_codec.h"
#include "records/web_links.h"

namespace brakkon::records {
namespace {

constexpr const char* kHost = "scores.test:8642";

class ScoreSubmissionTest : public ::testing::Test {
 protected:
  void Submit(const std::string& name = "ACE", std::int32_t score = 1234,
              const std::string& country = "NORWAY") {
    SubmitScore(http, dialogs, kHost, name, score, country);
  }
  void ReplyToVersion(const std::string& body, bool fail = false) {
    http.replies[VersionQueryAddress(kHost)] = {body, fail};
  }
  // The record the second request carried.
  std::string SentRecord() {
    EXPECT_EQ(http.requests.size(), 2u);
    if (http.requests.size() != 2) return {};
    const std::string prefix = SubmissionAddress(kHost, "");
    EXPECT_EQ(http.requests[1].compare(0, prefix.size(), prefix), 0);
    return DecodeRecord(http.requests[1].substr(prefix.size())).value_or("(undecodable)");
  }
  bool Told() const {
    return dialogs.messages.size() == 1 &&
           dialogs.messages[0].kind == platform::MessageKind::kInformation &&
           dialogs.messages[0].title == "Information" &&
           dialogs.messages[0].text == kCantConnectMessage;
  }

  platform::HeadlessHttp http;
  platform::HeadlessDialogs dialogs;
};

TEST_F(ScoreSubmissionTest, WithoutAnOkReplyThePlayerIsToldAndNothingIsSent) {
  struct Case {
    const char* body;  // nullptr: unreachable
    bool fail;
  } cases[] = {{nullptr, false}, {"", false}, {"ok|1|0|0|P|", false},
               {"ERROR", false}, {"", true},  {"Not Found", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body != nullptr ? c.body : "(unreachable)");
    http = {};
    dialogs = {};
    if (c.body != nullptr) ReplyToVersion(c.body, c.fail);
    Submit();
    EXPECT_TRUE(Told());
    EXPECT_EQ(http.requests, (std::vector<std::string>{VersionQueryAddress(kHost)}));
  }
}

TEST_F(ScoreSubmissionTest, TheRecordCarriesTheFifthFieldAndThePiecesInOrder) {
  ReplyToVersion("OK|1|0|0|K3RWZ8MHTQ5BX|");
  Submit("ACE", 1234, "NORWAY");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(SentRecord(), "type=0|name=ACE|score=1234|key=Q|p=K3RWZ8MHTQ5BX|add=NORWAY|z=000");
}

TEST_F(ScoreSubmissionTest, AnOkBodyCutShortStillCountsAndTheSendingsFailureIsSilent) {
  // The version reply broke off after "OK": the body that arrived decides.
  ReplyToVersion("OK", true);
  http.replies[SubmissionAddress(kHost, "")] = {"", true};
  Submit("", 0, "");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(SentRecord(), "type=0|name=|score=0|key=Q|p=|add=|z=000");
}

}  // namespace
}  // namespace brakkon::records
