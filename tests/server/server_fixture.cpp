// The helpers behind server_fixture.h.
#include "server/server_fixture.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace brakkon::server::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::path(::testing::TempDir()) / "scored-XXXXXX").string();
  const char* made = mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = made;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

LiveServer::LiveServer(TicketLimits limits, HttpSettings settings)
    : store_((folder_.Path() / "scores.db").string(), limits),
      service_(store_, clock_.AsClock()),
      server_(
          service_, clock_.AsClock(),
          [this](const std::string& line) {
            std::lock_guard lock(logMutex_);
            log_.push_back(line);
          },
          settings),
      port_(server_.Bind("127.0.0.1", 0)),
      thread_([this] { server_.Run(); }),
      client_("127.0.0.1", port_) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!server_.IsRunning() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  client_.set_connection_timeout(std::chrono::seconds(5));
  client_.set_read_timeout(std::chrono::seconds(5));
}

LiveServer::~LiveServer() {
  server_.Stop();
  thread_.join();
}

std::string LiveServer::IssueP() {
  const httplib::Result reply = client_.Get("/cgi/version.pl?version&prg=Brakkon");
  if (!reply || reply->status != 200 || !records::VersionReplyOk(reply->body)) {
    ADD_FAILURE() << "version query failed";
    return {};
  }
  return records::VersionReplyP(reply->body);
}

httplib::Result LiveServer::Submit(std::string_view inf) {
  return client_.Get(kSubmitPath + std::string(inf));
}

httplib::Result LiveServer::SubmitResult(std::string_view name, std::int32_t score,
                                         std::string_view country) {
  return Submit(EncodedResult(name, score, IssueP(), country));
}

std::string LiveServer::TablePage() {
  const httplib::Result reply = client_.Get(kTablePath);
  if (!reply || reply->status != 200) {
    ADD_FAILURE() << "table page failed";
    return {};
  }
  return reply->body;
}

std::vector<std::string> LiveServer::LogLines(std::size_t atLeast) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    {
      std::lock_guard lock(logMutex_);
      if (log_.size() >= atLeast || std::chrono::steady_clock::now() >= deadline) return log_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

namespace {

// Every reply of the server carries a Content-Length.
bool ReplyIsWhole(const std::string& reply) {
  const std::size_t headersEnd = reply.find("\r\n\r\n");
  if (headersEnd == std::string::npos) return false;
  const std::string lengthHeader = "\r\nContent-Length: ";
  const std::size_t length = reply.find(lengthHeader);
  if (length == std::string::npos || length > headersEnd) return false;
  const std::size_t bodyBytes = std::stoul(reply.substr(length + lengthHeader.size()));
  return reply.size() >= headersEnd + 4 + bodyBytes;
}

}  // namespace

RawExchange SendRaw(int port, std::string_view bytes, int waitSeconds, bool untilClosed) {
  RawExchange exchange;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    throw std::runtime_error("connect failed");
  }
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the server may close early on a request it refuses
    sent += static_cast<std::size_t>(n);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      exchange.closed = true;
      break;
    }
    exchange.reply.append(buffer, static_cast<std::size_t>(n));
    if (!untilClosed && ReplyIsWhole(exchange.reply)) break;
  }
  close(fd);
  return exchange;
}

}  // namespace brakkon::server::testing
