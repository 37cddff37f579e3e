// The libcurl client against a local server: settings sent, bodies handed back
// on failure, error statuses raised, and a server that never answers bounded.
#include "platform/sdl/curl_http.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

namespace brakkon::platform {
namespace {

class CurlHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.Get("/ok", [this](const httplib::Request& req, httplib::Response& res) {
      userAgent_ = req.get_header_value("User-Agent");
      accept_ = req.get_header_value("Accept");
      res.set_content("OK|1|0|0|P|", "text/plain");
    });
    server_.Get("/error", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content("broken", "text/plain");
    });
    server_.Get("/stall", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      res.set_content("late", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 200 && !server_.is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  void TearDown() override {
    server_.stop();
    thread_.join();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::string userAgent_;
  std::string accept_;
};

TEST_F(CurlHttpTest, AGetHandsBackTheBodyWithTheGamesSettings) {
  CurlHttp http;
  std::string body;
  http.Get(Url("/ok"), body);
  EXPECT_EQ(body, "OK|1|0|0|P|");
  EXPECT_EQ(userAgent_, "Mozilla/3.0 (compatible; Indy Library)");
  EXPECT_EQ(accept_, "text/html, */*");
}

TEST_F(CurlHttpTest, AnErrorStatusRaisesAndKeepsTheBody) {
  CurlHttp http;
  std::string body;
  EXPECT_THROW(http.Get(Url("/error"), body), EHttpError);
  EXPECT_EQ(body, "broken");
  EXPECT_THROW(http.Get(Url("/nothing-here"), body), EHttpError);
}

TEST_F(CurlHttpTest, AServerThatDoesNotAnswerIsGivenUp) {
  CurlHttp http;
  http.totalTimeoutMs = 300;
  std::string body;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(http.Get(Url("/stall"), body), EHttpError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // Nobody listening: refused at once.
  server_.stop();
  EXPECT_THROW(http.Get(Url("/ok"), body), EHttpError);
  EXPECT_TRUE(body.empty());
}

}  // namespace
}  // namespace brakkon::platform
