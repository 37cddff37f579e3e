// Test helpers: a score server on a free loopback port, its own database folder, a clock
// the test moves, and records built with the game's own encoder.
#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "records/score_codec.h"
#include "server/http_server.h"
#include "server/score_service.h"
#include "server/score_store.h"

namespace brakkon::server::testing {

// A fresh folder below the test temp folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class FakeClock {
 public:
  static constexpr std::int64_t kStart = 1'700'000'000;  // 2023-11-14 22:13:20 UTC
  Clock AsClock() {
    return [this] { return now_.load(); };
  }
  void Advance(std::int64_t seconds) { now_ += seconds; }

 private:
  std::atomic<std::int64_t> now_{kStart};
};

inline std::string EncodedResult(std::string_view name, std::int32_t score, std::string_view p,
                                 std::string_view country) {
  return records::EncodeRecord(records::BuildSubmissionRecord(name, score, p, country));
}

// A hand-made record: `body` ends in "z=" and gets the '0's the game would add.
inline std::string EncodedRecord(std::string body) {
  while (body.size() % 5 != 0) body += '0';
  return records::EncodeRecord(body);
}

inline const std::string kSubmitPath = "/cgi/version.pl?hs&prg=Brakkon&inf=";
inline const std::string kTablePath = "/cgi/version.pl?prg=Brakkon&show&type=0";

class LiveServer {
 public:
  explicit LiveServer(TicketLimits limits = {}, HttpSettings settings = {});
  ~LiveServer();
  LiveServer(const LiveServer&) = delete;
  LiveServer& operator=(const LiveServer&) = delete;

  int Port() const { return port_; }
  httplib::Client& Client() { return client_; }
  FakeClock& Time() { return clock_; }
  ScoreStore& Store() { return store_; }
  std::size_t OpenConnections() const { return server_.OpenConnections(); }

  // A version query; fails the test unless it answers with a p.
  std::string IssueP();
  httplib::Result Submit(std::string_view inf);
  // Asks for a p and submits the result with it.
  httplib::Result SubmitResult(std::string_view name, std::int32_t score, std::string_view country);
  std::string TablePage();
  std::size_t StoredCount() { return store_.BestScores(1'000'000).size(); }
  // Waits a little for `atLeast` lines, since a line is written after its reply is sent.
  std::vector<std::string> LogLines(std::size_t atLeast);

 private:
  TempFolder folder_;
  FakeClock clock_;
  ScoreStore store_;
  ScoreService service_;
  std::mutex logMutex_;
  std::vector<std::string> log_;
  ScoreHttpServer server_;
  int port_ = 0;
  std::thread thread_;
  httplib::Client client_;
};

// Sends `bytes` on a fresh connection and reads until a whole reply has come (unless
// `untilClosed`), the server closes the connection (`closed`), or `waitSeconds` pass.
struct RawExchange {
  std::string reply;
  bool closed = false;
};
RawExchange SendRaw(int port, std::string_view bytes, int waitSeconds, bool untilClosed = false);

}  // namespace brakkon::server::testing
