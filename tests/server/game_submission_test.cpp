// The game's own submission, over its real HTTP client, against the score server:
// the result shows in the table; a stopped or silent server ends in the message.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/headless/headless_platform.h"
#include "platform/sdl/curl_http.h"
#include "records/score_submission.h"
#include "server_fixture.h"

namespace brakkon::server::testing {
namespace {

std::string Host(int port) {
  return "127.0.0.1:" + std::to_string(port);
}

bool Told(const platform::HeadlessDialogs& dialogs) {
  return dialogs.messages.size() == 1 && dialogs.messages[0].text == records::kCantConnectMessage;
}

TEST(GameSubmissionTest, TheGamesResultAppearsInTheTable) {
  LiveServer server;
  platform::CurlHttp http;
  platform::HeadlessDialogs dialogs;
  records::SubmitScore(http, dialogs, Host(server.Port()), "ACE OF SPADES", 12340, "NORWAY");
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_EQ(server.StoredCount(), 1u);
  const std::string page = server.TablePage();
  EXPECT_NE(page.find("ACE OF SPADES"), std::string::npos);
  EXPECT_NE(page.find("12340"), std::string::npos);
}

TEST(GameSubmissionTest, AStoppedServerEndsInTheMessage) {
  int port = 0;
  {
    LiveServer server;
    port = server.Port();
  }
  platform::CurlHttp http;
  platform::HeadlessDialogs dialogs;
  records::SubmitScore(http, dialogs, Host(port), "ACE", 100, "");
  EXPECT_TRUE(Told(dialogs));
}

TEST(GameSubmissionTest, AServerThatNeverAnswersIsGivenUpWithTheMessage) {
  httplib::Server silent;
  silent.Get("/cgi/version.pl", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    res.set_content("OK|1|0|0|P|", "text/plain");
  });
  const int port = silent.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { silent.listen_after_bind(); });
  while (!silent.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));

  platform::CurlHttp http;
  http.totalTimeoutMs = 300;  // the game's own bound is 10 s
  platform::HeadlessDialogs dialogs;
  const auto start = std::chrono::steady_clock::now();
  records::SubmitScore(http, dialogs, Host(port), "ACE", 100, "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(Told(dialogs));
  silent.stop();
  thread.join();
}

}  // namespace
}  // namespace brakkon::server::testing
