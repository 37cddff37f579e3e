// The score server's HTTP side: routes, request limits, timeouts and the request log.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "server/score_service.h"
#include "server/trusted_proxies.h"

namespace brakkon::server {

// Bytes of the request line and headers together; no request may carry a body.
inline constexpr std::size_t kMaxRequestBytes = 4096;

// Connections cost a socket and a few hundred bytes while they wait, not a thread, so a
// crowd of slow or silent clients only ever holds the I/O threads for the moments their
// bytes arrive. Work that waits on the database runs on threads of its own, so a slow
// commit never holds up a page.
struct HttpSettings {
  // From a request's first byte until its head is complete.
  std::chrono::seconds readTimeout{5};
  std::chrono::seconds writeTimeout{5};
  // For the first byte of a request, on a new connection or between requests.
  std::chrono::seconds keepAliveTimeout{2};
  std::size_t ioThreads = 2;
  std::size_t storeThreads = 4;
  // Connections past this are closed as soon as they are accepted.
  std::size_t maxConnections = 20'000;
  // Peers whose X-Forwarded-For names the client that rate limits, p values and the log use.
  TrustedProxies trustedProxies;
};

// Receives one finished line per request, without its newline.
using LogSink = std::function<void(const std::string& line)>;

// Writes each line to standard error in one piece, so lines from threads never interleave.
void LogToStandardError(const std::string& line);

// The request target as logged: the inf value replaced by its length, anything
// unprintable as '?', and cut to a bounded length.
std::string LoggedTarget(std::string_view target);

// Raises this process's soft limit on open files to its hard limit, since every
// connection takes one; returns the soft limit now in force.
std::size_t RaiseOpenFileLimit();

class ScoreHttpServer {
 public:
  ScoreHttpServer(ScoreService& service, Clock clock, LogSink log, HttpSettings settings = {});
  ~ScoreHttpServer();
  ScoreHttpServer(const ScoreHttpServer&) = delete;
  ScoreHttpServer& operator=(const ScoreHttpServer&) = delete;

  // Binds and starts listening on `host`:`port` (0: any free port); returns the port.
  // Throws std::runtime_error when the address cannot be bound.
  int Bind(const std::string& host, int port);
  // Serves on the bound socket until Stop.
  void Run();
  // Safe from any thread, before or during Run.
  void Stop();
  bool IsRunning() const;
  // Connections accepted and not yet closed.
  std::size_t OpenConnections() const;

  // Named here only so the connections, which live in the source file, can reach it.
  struct Engine;

 private:
  std::unique_ptr<Engine> engine_;
};

}  // namespace brakkon::server
