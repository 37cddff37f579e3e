// The score server under a crowd of connections that never finish a request.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "server/server_fixture.h"

namespace brakkon::server::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kCrowd = 1000;

// Connections to the server that send nothing (even ones) or half a request head (odd
// ones) and then wait.
class IdleCrowd {
 public:
  IdleCrowd(int port, std::size_t size) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string_view half = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (std::size_t i = 0; i < size; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM, 0);
      if (fd < 0) throw std::runtime_error("socket failed");
      fds_.push_back(fd);
      if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("connect failed");
      }
      if (i % 2 == 1) send(fd, half.data(), half.size(), MSG_NOSIGNAL);
    }
  }
  ~IdleCrowd() { Disperse(); }
  IdleCrowd(const IdleCrowd&) = delete;
  IdleCrowd& operator=(const IdleCrowd&) = delete;

  void Disperse() {
    for (const int fd : fds_) close(fd);
    fds_.clear();
  }

  // How many of the connections the server has closed by `deadline`, without a reply.
  std::size_t ClosedByServer(SteadyClock::time_point deadline) {
    std::vector<pollfd> waits;
    for (const int fd : fds_) waits.push_back({fd, POLLIN, 0});
    std::size_t closed = 0;
    while (closed < waits.size() && SteadyClock::now() < deadline) {
      if (poll(waits.data(), waits.size(), 50) <= 0) continue;
      for (pollfd& wait : waits) {
        if (wait.fd < 0 || wait.revents == 0) continue;
        char byte = 0;
        EXPECT_LE(recv(wait.fd, &byte, 1, 0), 0) << "the server answered a half request";
        wait.fd = -1;  // poll skips it from now on
        ++closed;
      }
    }
    return closed;
  }

 private:
  std::vector<int> fds_;
};

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = SteadyClock::now() + 5s;
  while (!done()) {
    if (SteadyClock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// The test program holds both ends of every connection.
bool RoomForTheCrowd() {
  return RaiseOpenFileLimit() >= 2 * kCrowd + 256;
}

TEST(CrowdTest, AThousandIdleConnectionsDoNotHoldUpAnyoneElse) {
  if (!RoomForTheCrowd()) GTEST_SKIP() << "the open-file limit is too low for the crowd";
  HttpSettings patient;
  patient.readTimeout = 30s;
  patient.keepAliveTimeout = 30s;
  LiveServer server({}, patient);
  IdleCrowd crowd(server.Port(), kCrowd);
  // Accepted by the server, not just queued by the system.
  ASSERT_TRUE(WaitUntil([&] { return server.OpenConnections() >= kCrowd; }))
      << server.OpenConnections();

  const struct {
    const char* label;
    std::function<bool(LiveServer&)> request;
  } ordinary[] = {
      {"a version query", [](LiveServer& s) { return !s.IssueP().empty(); }},
      {"a submission",
       [](LiveServer& s) {
         const httplib::Result reply = s.SubmitResult("ACE", 100, "X");
         return reply && reply->status == 200;
       }},
      {"the table", [](LiveServer& s) { return s.TablePage().find("ACE") != std::string::npos; }},
      {"the home page",
       [](LiveServer& s) {
         const httplib::Result reply = s.Client().Get("/");
         return reply && reply->status == 200;
       }},
  };
  for (const auto& c : ordinary) {
    SCOPED_TRACE(c.label);
    const auto start = SteadyClock::now();
    EXPECT_TRUE(c.request(server));
    EXPECT_LT(SteadyClock::now() - start, 1s);
  }

  const struct {
    const char* label;
    std::string bytes;
    const char* statusLine;
  } oversize[] = {
      {"a 5 KB target", "GET /?" + std::string(5000, 'a') + " HTTP/1.1\r\n\r\n", "HTTP/1.1 414"},
      {"a 20 KB target", "GET /?" + std::string(20000, 'a') + " HTTP/1.1\r\n\r\n", "HTTP/1.1 414"},
      {"5 KB of headers", "GET / HTTP/1.1\r\nX-Pad: " + std::string(5000, 'p') + "\r\n\r\n",
       "HTTP/1.1 431"},
  };
  for (const auto& c : oversize) {
    SCOPED_TRACE(c.label);
    const auto start = SteadyClock::now();
    const RawExchange exchange = SendRaw(server.Port(), c.bytes, 5);
    EXPECT_EQ(exchange.reply.substr(0, std::string_view(c.statusLine).size()), c.statusLine)
        << exchange.reply.substr(0, 200);
    EXPECT_LT(SteadyClock::now() - start, 1s);
  }
  EXPECT_GE(server.OpenConnections(), kCrowd);
}

TEST(CrowdTest, AThousandSilentOrStalledConnectionsAreAllDroppedInTime) {
  if (!RoomForTheCrowd()) GTEST_SKIP() << "the open-file limit is too low for the crowd";
  HttpSettings quick;
  quick.readTimeout = 1s;
  quick.keepAliveTimeout = 1s;
  LiveServer server({}, quick);
  IdleCrowd crowd(server.Port(), kCrowd);
  EXPECT_EQ(crowd.ClosedByServer(SteadyClock::now() + 5s), kCrowd);
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }))
      << server.OpenConnections();
  EXPECT_FALSE(server.IssueP().empty());
}

TEST(CrowdTest, ConnectionsPastTheLimitAreClosedAndTheirPlacesFreedLater) {
  HttpSettings small;
  small.maxConnections = 3;
  small.keepAliveTimeout = 30s;
  LiveServer server({}, small);
  IdleCrowd crowd(server.Port(), small.maxConnections);
  ASSERT_TRUE(WaitUntil([&] { return server.OpenConnections() == small.maxConnections; }));

  const RawExchange turnedAway =
      SendRaw(server.Port(), "GET /cgi/version.pl?version HTTP/1.1\r\n\r\n", 5);
  EXPECT_TRUE(turnedAway.closed);
  EXPECT_EQ(turnedAway.reply, "");

  crowd.Disperse();
  ASSERT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }))
      << server.OpenConnections();
  EXPECT_FALSE(server.IssueP().empty());
}

}  // namespace
}  // namespace brakkon::server::testing
