// The score server's HTTP side: routes, request limits, timeouts and the request log.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "server/score_service.h"

namespace brakkon::server {

// Bytes of the request line and headers together; no request may carry a body.
inline constexpr std::size_t kMaxRequestBytes = 4096;

// cpp-httplib gives each open connection a worker of its own until it closes. Idle
// connections are let go soon and busy ones after a few requests, so connections beyond
// the workers wait their turn briefly instead of until a client hangs up.
struct HttpSettings {
  std::chrono::seconds readTimeout{5};
  std::chrono::seconds writeTimeout{5};
  std::chrono::seconds keepAliveTimeout{2};
  std::size_t keepAliveMaxCount = 20;
  std::size_t workerThreads = 64;
};

class ListeningServer;

// Receives one finished line per request, without its newline.
using LogSink = std::function<void(const std::string& line)>;

// Writes each line to standard error in one piece, so lines from workers never interleave.
void LogToStandardError(const std::string& line);

// The request target as logged: the inf value replaced by its length, anything
// unprintable as '?', and cut to a bounded length.
std::string LoggedTarget(std::string_view target);

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
  // Safe from any thread; a no-op when not running.
  void Stop();
  bool IsRunning() const;

 private:
  void Route();

  ScoreService& service_;
  Clock clock_;
  LogSink log_;
  std::unique_ptr<ListeningServer> http_;
};

}  // namespace brakkon::server
