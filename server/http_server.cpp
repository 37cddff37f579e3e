// Wiring the score service into cpp-httplib.
#include "server/http_server.h"

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <httplib.h>
#include <sys/socket.h>

#include <cstdio>
#include <ctime>
#include <exception>
#include <stdexcept>

namespace brakkon::server {

// cpp-httplib listens with a backlog of 5, so a burst of new connections (a benchmark, or
// clients reconnecting after keep-alive ends) overflows it and waits for SYN retries of a
// second or more; Linux lets a second listen() on the socket raise the backlog.
class ListeningServer : public httplib::Server {
 public:
  void WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }
};

namespace {

constexpr std::size_t kMaxLoggedTarget = 300;  // characters

using HandlerResponse = httplib::Server::HandlerResponse;

void Send(httplib::Response& res, const Reply& reply) {
  res.status = reply.status;
  res.set_content(reply.body, reply.contentType.c_str());
  if (reply.retryAfterSeconds > 0) {
    res.set_header("Retry-After", std::to_string(reply.retryAfterSeconds));
  }
}

void SendText(httplib::Response& res, int status, std::string_view line) {
  Send(res, Reply{status, std::string(kPlainText), std::string(line) + "\n", 0});
}

std::size_t HeaderBytes(const httplib::Request& req) {
  std::size_t bytes = req.method.size() + req.target.size() + req.version.size();
  for (const auto& [name, value] : req.headers) bytes += name.size() + value.size() + 4;
  return bytes;
}

// The request line and headers are held to 4 KB (cpp-httplib's own limit on the target
// is twice that). No route takes a body, and cpp-httplib never reads a GET's body, so a
// request with one is refused before any handler sees it.
HandlerResponse RefuseUnfitRequests(const httplib::Request& req, httplib::Response& res) {
  if (req.target.size() > kMaxRequestBytes) {
    SendText(res, 414, fmt::format("the request target is longer than {} bytes", kMaxRequestBytes));
    return HandlerResponse::Handled;
  }
  if (HeaderBytes(req) > kMaxRequestBytes) {
    SendText(res, 431,
             fmt::format("the request line and headers exceed {} bytes", kMaxRequestBytes));
    return HandlerResponse::Handled;
  }
  const bool hasBody =
      req.has_header("Transfer-Encoding") ||
      (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0");
  if (hasBody) {
    SendText(res, 413, "this server takes no request body");
    return HandlerResponse::Handled;
  }
  return HandlerResponse::Unhandled;
}

// Which of the query's words asks for what; more than one of them is ambiguous.
enum class CgiRequest { kNone, kVersion, kSubmission, kTable, kAmbiguous };

CgiRequest Classify(const httplib::Request& req) {
  CgiRequest found = CgiRequest::kNone;
  for (const auto& [word, kind] :
       {std::pair{"version", CgiRequest::kVersion}, std::pair{"hs", CgiRequest::kSubmission},
        std::pair{"show", CgiRequest::kTable}}) {
    if (!req.has_param(word)) continue;
    found = found == CgiRequest::kNone ? kind : CgiRequest::kAmbiguous;
  }
  return found;
}

std::string_view StatusText(int status) {
  switch (status) {
    case 400:
      return "bad request";
    case 404:
      return "not found";
    case 405:
      return "method not allowed";
    case 413:
      return "the request body is too large";
    case 414:
      return "the request target is too long";
    case 416:
      return "range not satisfiable";
    case 431:
      return "the request headers are too large";
    default:
      return "the request failed";
  }
}

std::string TimeText(std::int64_t secondsSinceEpoch) {
  return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}",
                     fmt::gmtime(static_cast<std::time_t>(secondsSinceEpoch)));
}

}  // namespace

void LogToStandardError(const std::string& line) {
  const std::string whole = line + "\n";
  std::fwrite(whole.data(), 1, whole.size(), stderr);
}

std::string LoggedTarget(std::string_view target) {
  std::string logged;
  std::size_t at = 0;
  while (at < target.size() && logged.size() < kMaxLoggedTarget) {
    const bool paramStart = at > 0 && (target[at - 1] == '?' || target[at - 1] == '&');
    if (paramStart && target.substr(at, 4) == "inf=") {
      const std::size_t end = std::min(target.find('&', at), target.size());
      logged += fmt::format("inf=[{} characters]", end - at - 4);
      at = end;
      continue;
    }
    const char c = target[at++];
    logged += (c > ' ' && c <= '~') ? c : '?';
  }
  if (at < target.size()) logged += "...";
  return logged;
}

ScoreHttpServer::ScoreHttpServer(ScoreService& service, Clock clock, LogSink log,
                                 HttpSettings settings)
    : service_(service),
      clock_(std::move(clock)),
      log_(std::move(log)),
      http_(std::make_unique<ListeningServer>()) {
  const std::size_t workers = settings.workerThreads;
  http_->new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
  http_->set_read_timeout(settings.readTimeout);
  http_->set_write_timeout(settings.writeTimeout);
  http_->set_keep_alive_timeout(settings.keepAliveTimeout.count());
  http_->set_keep_alive_max_count(settings.keepAliveMaxCount);
  http_->set_payload_max_length(kMaxRequestBytes);
  // cpp-httplib writes the headers and the body separately; with Nagle's algorithm the body
  // then waits for the client's delayed ACK, some 40 ms a reply.
  http_->set_tcp_nodelay(true);
  Route();
}

ScoreHttpServer::~ScoreHttpServer() = default;

void ScoreHttpServer::Route() {
  http_->set_pre_routing_handler(RefuseUnfitRequests);

  http_->Get("/", [this](const httplib::Request&, httplib::Response& res) {
    Send(res, service_.HomePage());
  });

  http_->Get("/cgi/version.pl", [this](const httplib::Request& req, httplib::Response& res) {
    switch (Classify(req)) {
      case CgiRequest::kVersion:
        Send(res, service_.VersionQuery(req.remote_addr));
        res.set_header("Cache-Control", "no-store");
        return;
      case CgiRequest::kSubmission: {
        // A repeated inf would leave the choice of record to the parser: refused.
        std::optional<std::string_view> inf;
        if (req.get_param_value_count("inf") == 1) inf = req.params.find("inf")->second;
        Send(res, service_.Submit(req.remote_addr, inf));
        res.set_header("Cache-Control", "no-store");
        return;
      }
      case CgiRequest::kTable:
        if (req.has_param("type") && req.get_param_value("type") != "0") {
          SendText(res, 404, "there is no such table");
          return;
        }
        Send(res, service_.TablePage());
        return;
      case CgiRequest::kNone:
        SendText(res, 400, "the query needs one of version, hs or show");
        return;
      case CgiRequest::kAmbiguous:
        SendText(res, 400, "the query holds more than one of version, hs and show");
        return;
    }
  });

  // Statuses cpp-httplib sets by itself (404, 400, 413...) come without a body.
  http_->set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return HandlerResponse::Unhandled;
        SendText(res, res.status, StatusText(res.status));
        return HandlerResponse::Handled;
      }));

  http_->set_exception_handler(
      [this](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
        std::string what = "unknown exception";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        log_(fmt::format("{} internal error: {}", TimeText(clock_()), what));
        SendText(res, 500, "internal server error");
      });

  http_->set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    const std::string address = req.remote_addr.empty() ? "-" : req.remote_addr;
    const std::string method = req.method.empty() ? "-" : LoggedTarget(req.method);
    const std::string target = req.target.empty() ? "-" : LoggedTarget(req.target);
    log_(fmt::format("{} {} {} {} {}", TimeText(clock_()), address, method, target, res.status));
  });
}

int ScoreHttpServer::Bind(const std::string& host, int port) {
  int bound = port;
  if (port == 0) {
    bound = http_->bind_to_any_port(host);
  } else if (!http_->bind_to_port(host, port)) {
    bound = -1;
  }
  if (bound < 0) throw std::runtime_error(fmt::format("cannot bind to {}:{}", host, port));
  http_->WidenBacklog();
  return bound;
}

void ScoreHttpServer::Run() {
  http_->listen_after_bind();
}

void ScoreHttpServer::Stop() {
  http_->stop();
}

bool ScoreHttpServer::IsRunning() const {
  return http_->is_running();
}

}  // namespace brakkon::server
