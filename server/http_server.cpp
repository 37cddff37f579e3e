// Serving the score service over HTTP/1.1: Boost.Beast's parser on Asio's event loop.
#include "server/http_server.h"

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <sys/resource.h>

#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>
#include <cstdio>
#include <ctime>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace brakkon::server {
namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

constexpr std::size_t kMaxLoggedTarget = 300;  // characters
// The parser takes heads up to twice the limit, so one a little over it is still read whole
// and gets the status that says which part is too long.
constexpr std::size_t kParsedHeadBytes = 2 * kMaxRequestBytes;
// What one connection may hold unread: a head being read and requests pipelined behind it.
constexpr std::size_t kMaxBufferedBytes = 4 * kMaxRequestBytes;
// After the last answer, the client's unread bytes are read and dropped for a while: closing
// with them unread would reset the connection, and the client could lose the answer.
constexpr auto kLingerTime = std::chrono::seconds(1);
constexpr std::size_t kMaxLingerBytes = 64 * 1024;
// A failed accept (out of file descriptors, mostly) is retried after a pause, not at once,
// or the loop would spin on it.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);

std::string TimeText(std::int64_t secondsSinceEpoch) {
  return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}",
                     fmt::gmtime(static_cast<std::time_t>(secondsSinceEpoch)));
}

Reply TextReply(int status, std::string_view line) {
  return Reply{status, std::string(kPlainText), std::string(line) + "\n", 0};
}

std::string_view StatusText(int status) {
  switch (status) {
    case 400:
      return "bad request";
    case 404:
      return "not found";
    case 413:
      return "this server takes no request body";
    default:
      return "the request failed";
  }
}

const std::string kTargetTooLong =
    fmt::format("the request target is longer than {} bytes", kMaxRequestBytes);
const std::string kHeadTooLarge =
    fmt::format("the request line and headers exceed {} bytes", kMaxRequestBytes);
const std::string kHeaderLineTooLong =
    fmt::format("a header line is longer than {} bytes", kMaxRequestBytes);

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A '%' not followed by two hex digits stays as it is, so a broken escape reaches the
// record checks and is refused there with a reason.
std::string DecodeUrl(std::string_view text, bool plusIsSpace) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      decoded += (plusIsSpace && c == '+') ? ' ' : c;
    }
  }
  return decoded;
}

// The query's words in order, repeats kept: a repeated inf is refused, not picked from.
class Query {
 public:
  explicit Query(std::string_view text) {
    while (!text.empty()) {
      const std::size_t end = std::min(text.find('&'), text.size());
      const std::string_view word = text.substr(0, end);
      text.remove_prefix(std::min(end + 1, text.size()));
      if (word.empty()) continue;
      const std::size_t equals = word.find('=');
      if (equals == std::string_view::npos) {
        params_.emplace_back(DecodeUrl(word, true), std::string());
      } else {
        params_.emplace_back(DecodeUrl(word.substr(0, equals), true),
                             DecodeUrl(word.substr(equals + 1), true));
      }
    }
  }
  std::size_t Count(std::string_view key) const {
    std::size_t count = 0;
    for (const auto& param : params_) count += param.first == key ? 1 : 0;
    return count;
  }
  const std::string* Find(std::string_view key) const {
    for (const auto& param : params_)
      if (param.first == key) return &param.second;
    return nullptr;
  }

 private:
  std::vector<std::pair<std::string, std::string>> params_;
};

// Which of the query's words asks for what; more than one of them is ambiguous.
enum class CgiRequest { kNone, kVersion, kSubmission, kTable, kAmbiguous };

CgiRequest Classify(const Query& query) {
  CgiRequest found = CgiRequest::kNone;
  for (const auto& [word, kind] :
       {std::pair{"version", CgiRequest::kVersion}, std::pair{"hs", CgiRequest::kSubmission},
        std::pair{"show", CgiRequest::kTable}}) {
    if (query.Count(word) == 0) continue;
    found = found == CgiRequest::kNone ? kind : CgiRequest::kAmbiguous;
  }
  return found;
}

// Bytes of the request line and headers as the limit counts them.
std::size_t HeadBytes(const http::request<http::empty_body>& req) {
  std::size_t bytes = req.method_string().size() + req.target().size() + 8;
  for (const auto& field : req) bytes += field.name_string().size() + field.value().size() + 4;
  return bytes;
}

// A head longer than the parser takes: a request line that does not end in time has a
// target too long, and so has one that ends; a header line that does not end is malformed;
// otherwise there are too many headers.
Reply OversizeHead(std::string_view head) {
  head = head.substr(0, kParsedHeadBytes);
  const std::size_t methodEnd = head.find(' ');
  const bool looksLikeRequest =
      methodEnd != std::string_view::npos && methodEnd > 0 &&
      head.substr(0, methodEnd).find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
          std::string_view::npos;
  if (!looksLikeRequest) return TextReply(400, StatusText(400));
  const std::size_t lineEnd = head.find('\n');
  if (lineEnd == std::string_view::npos) return TextReply(414, kTargetTooLong);
  const std::size_t targetEnd = head.rfind(' ', lineEnd);
  if (targetEnd != std::string_view::npos && targetEnd > methodEnd &&
      targetEnd - methodEnd - 1 > kMaxRequestBytes) {
    return TextReply(414, kTargetTooLong);
  }
  if (head.size() - head.rfind('\n') - 1 > kMaxRequestBytes) {
    return TextReply(400, kHeaderLineTooLong);
  }
  return TextReply(431, kHeadTooLarge);
}

}  // namespace

struct ScoreHttpServer::Engine {
  Engine(ScoreService& service, Clock clock, LogSink log, HttpSettings settings)
      : service(service),
        clock(std::move(clock)),
        log(std::move(log)),
        settings(settings),
        store(settings.storeThreads) {}

  void Accept();
  void LogRequest(const std::string& address, std::string_view method, std::string_view target,
                  int status) {
    log(fmt::format("{} {} {} {} {}", TimeText(clock()), address,
                    method.empty() ? "-" : LoggedTarget(method),
                    target.empty() ? "-" : LoggedTarget(target), status));
  }
  void LogError(std::string_view what) {
    log(fmt::format("{} internal error: {}", TimeText(clock()), what));
  }

  ScoreService& service;
  Clock clock;
  LogSink log;
  HttpSettings settings;
  // Connections count themselves down as they are destroyed, which can happen while `io`
  // is torn down: declared before it.
  std::atomic<std::size_t> open{0};
  std::atomic<bool> running{false};
  net::io_context io;
  tcp::acceptor acceptor{io};
  net::steady_timer acceptRetry{io};
  // Last, so its queued work is dropped before anything that work refers to.
  net::thread_pool store;
};

namespace {

using Engine = ScoreHttpServer::Engine;

// One client connection, always on its own strand: reads a head, answers it, and waits
// for the next, each step under a deadline.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(Engine& engine, tcp::socket socket)
      : engine_(engine), stream_(std::move(socket)), buffer_(kMaxBufferedBytes) {
    ++engine_.open;
    beast::error_code ignored;
    // Without it a reply written in two pieces waits for the client's delayed ACK.
    stream_.socket().set_option(tcp::no_delay(true), ignored);
    const tcp::endpoint remote = stream_.socket().remote_endpoint(ignored);
    peer_ = ignored ? "-" : NormalAddress(remote.address().to_string()).value_or("-");
    address_ = peer_;
  }
  ~Connection() { --engine_.open; }

  void Start() {
    net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->WaitForRequest(); });
  }

 private:
  void WaitForRequest() {
    if (buffer_.size() > 0) return ReadHead();
    stream_.expires_after(engine_.settings.keepAliveTimeout);
    stream_.async_read_some(buffer_.prepare(kMaxRequestBytes),
                            [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                              if (ec) return;  // the client left, or said nothing in time
                              self->buffer_.commit(n);
                              self->ReadHead();
                            });
  }

  void ReadHead() {
    parser_.emplace();
    parser_->header_limit(kParsedHeadBytes);
    stream_.expires_after(engine_.settings.readTimeout);
    http::async_read_header(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code ec, std::size_t) { self->OnHead(ec); });
  }

  void OnHead(beast::error_code ec) {
    method_.clear();
    target_.clear();
    address_ = peer_;
    if (ec && (ec == http::error::end_of_stream || ec == http::error::partial_message ||
               ec.category() != http::make_error_code(http::error::end_of_stream).category())) {
      return;  // gone, timed out, or cut off mid-head: nobody to answer
    }
    if (ec) {
      keepAlive_ = false;
      if (ec == http::error::header_limit) {
        const auto bytes = buffer_.data();
        return Answer(OversizeHead(std::string_view(static_cast<const char*>(bytes.data()),
                                                    bytes.size())));
      }
      const bool body = ec == http::error::bad_content_length ||
                        ec == http::error::bad_transfer_encoding;
      return Answer(TextReply(body ? 413 : 400, StatusText(body ? 413 : 400)));
    }
    const http::request<http::empty_body>& req = parser_->get();
    method_ = std::string(req.method_string());
    target_ = std::string(req.target());
    head_ = req.method() == http::verb::head;
    keepAlive_ = req.keep_alive();
    // Per request: a proxy's kept-alive connection carries many clients' requests.
    if (!engine_.settings.trustedProxies.Empty()) {
      std::string forwardedFor;
      const auto [first, last] = req.equal_range("X-Forwarded-For");
      for (auto field = first; field != last; ++field) {
        if (!forwardedFor.empty()) forwardedFor += ',';
        forwardedFor.append(field->value().data(), field->value().size());
      }
      address_ = engine_.settings.trustedProxies.ClientAddress(peer_, forwardedFor);
    }
    if (target_.size() > kMaxRequestBytes) return Answer(TextReply(414, kTargetTooLong));
    if (HeadBytes(req) > kMaxRequestBytes) return Answer(TextReply(431, kHeadTooLarge));
    // The body, if any, is never read: the connection cannot carry on past it.
    if (req.count(http::field::transfer_encoding) > 0 ||
        parser_->content_length().value_or(0) != 0) {
      keepAlive_ = false;
      return Answer(TextReply(413, StatusText(413)));
    }
    if (req.method() == http::verb::unknown) {
      keepAlive_ = false;
      return Answer(TextReply(400, StatusText(400)));
    }
    Route();
  }

  void Route() {
    const bool get = method_ == "GET" || head_;
    const std::size_t queryStart = std::min(target_.find('?'), target_.size());
    const std::string path = DecodeUrl(std::string_view(target_).substr(0, queryStart), false);
    if (get && path == "/") return Answer(engine_.service.HomePage());
    if (!get || path != "/cgi/version.pl") return Answer(TextReply(404, StatusText(404)));

    Query query(std::string_view(target_).substr(std::min(queryStart + 1, target_.size())));
    switch (Classify(query)) {
      case CgiRequest::kVersion:
        return AnswerFromStore([this] { return engine_.service.VersionQuery(address_); });
      case CgiRequest::kSubmission: {
        std::optional<std::string> inf;
        if (query.Count("inf") == 1) inf = *query.Find("inf");
        return AnswerFromStore(
            [this, inf = std::move(inf)] { return engine_.service.Submit(address_, inf); });
      }
      case CgiRequest::kTable: {
        const std::string* type = query.Find("type");
        if (type != nullptr && *type != "0") return Answer(TextReply(404, "there is no such table"));
        if (engine_.service.TableNeedsStore()) {
          return AnswerFromStore([this] { return engine_.service.TablePage(); }, false);
        }
        return Answer(engine_.service.TablePage());
      }
      case CgiRequest::kNone:
        return Answer(TextReply(400, "the query needs one of version, hs or show"));
      case CgiRequest::kAmbiguous:
        return Answer(TextReply(400, "the query holds more than one of version, hs and show"));
    }
  }

  // The database may wait on a disk flush, so its work runs on the store's threads and the
  // answer comes back to this connection's strand. An answer that changes with every request
  // (`noStore`) says so, so no cache in between keeps it.
  template <typename Work>
  void AnswerFromStore(Work work, bool noStore = true) {
    net::post(engine_.store, [self = shared_from_this(), work = std::move(work), noStore] {
      Reply reply;
      try {
        reply = work();
      } catch (const std::exception& error) {
        self->engine_.LogError(error.what());
        reply = TextReply(500, "internal server error");
      }
      net::post(self->stream_.get_executor(), [self, reply = std::move(reply), noStore]() mutable {
        self->Answer(std::move(reply), noStore);
      });
    });
  }

  void Answer(Reply reply, bool noStore = false) {
    response_ = {};
    response_.version(11);
    response_.result(static_cast<unsigned>(reply.status));
    response_.set(http::field::content_type, reply.contentType);
    if (reply.retryAfterSeconds > 0) {
      response_.set(http::field::retry_after, std::to_string(reply.retryAfterSeconds));
    }
    if (noStore) response_.set(http::field::cache_control, "no-store");
    response_.body() = std::move(reply.body);
    response_.keep_alive(keepAlive_);
    response_.prepare_payload();
    if (head_) response_.body().clear();  // Content-Length still tells the GET's length
    stream_.expires_after(engine_.settings.writeTimeout);
    http::async_write(stream_, response_,
                      [self = shared_from_this()](beast::error_code ec, std::size_t) {
                        self->OnWritten(ec);
                      });
  }

  void OnWritten(beast::error_code ec) {
    engine_.LogRequest(address_, method_, target_, response_.result_int());
    if (ec) return;
    if (keepAlive_) return WaitForRequest();
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(kLingerTime);
    Linger();
  }

  void Linger() {
    stream_.async_read_some(net::buffer(discard_),
                            [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                              self->lingered_ += n;
                              if (!ec && self->lingered_ < kMaxLingerBytes) self->Linger();
                            });
  }

  Engine& engine_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  http::response<http::string_body> response_;
  std::string peer_;
  std::string address_;  // the client the current request counts against
  std::string method_;
  std::string target_;
  bool head_ = false;
  bool keepAlive_ = false;
  std::array<char, 4096> discard_{};
  std::size_t lingered_ = 0;
};

}  // namespace

void ScoreHttpServer::Engine::Accept() {
  acceptor.async_accept(net::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted || !acceptor.is_open()) return;
    if (ec) {
      LogError(fmt::format("accepting a connection failed: {}", ec.message()));
      acceptRetry.expires_after(kAcceptRetry);
      acceptRetry.async_wait([this](beast::error_code) { Accept(); });
      return;
    }
    // Past the limit the socket is closed as it goes out of scope.
    if (open.load() < settings.maxConnections) {
      std::make_shared<Connection>(*this, std::move(socket))->Start();
    }
    Accept();
  });
}

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

std::size_t RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(limit.rlim_cur);
}

ScoreHttpServer::ScoreHttpServer(ScoreService& service, Clock clock, LogSink log,
                                 HttpSettings settings)
    : engine_(std::make_unique<Engine>(service, std::move(clock), std::move(log), settings)) {}

ScoreHttpServer::~ScoreHttpServer() {
  // The store's threads may still hold connections; they must let go before the loop they
  // post to is destroyed.
  engine_->store.stop();
  engine_->store.join();
}

int ScoreHttpServer::Bind(const std::string& host, int port) {
  Engine& engine = *engine_;
  beast::error_code ec;
  tcp::resolver resolver(engine.io);
  const auto found = resolver.resolve(host, std::to_string(port),
                                      tcp::resolver::passive | tcp::resolver::numeric_service, ec);
  std::optional<tcp::endpoint> endpoint;
  for (const auto& entry : found) {
    if (!endpoint || (entry.endpoint().address().is_v4() && !endpoint->address().is_v4())) {
      endpoint = entry.endpoint();
    }
  }
  if (!ec && endpoint) engine.acceptor.open(endpoint->protocol(), ec);
  if (!ec) engine.acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) engine.acceptor.bind(*endpoint, ec);
  // The longest queue the system allows: a burst of new connections waits in it instead
  // of for SYN retries.
  if (!ec) engine.acceptor.listen(net::socket_base::max_listen_connections, ec);
  const tcp::endpoint bound = ec || !endpoint ? tcp::endpoint() : engine.acceptor.local_endpoint(ec);
  if (ec || !endpoint) throw std::runtime_error(fmt::format("cannot bind to {}:{}", host, port));
  return bound.port();
}

void ScoreHttpServer::Run() {
  Engine& engine = *engine_;
  engine.running = true;
  engine.Accept();
  const auto serve = [&engine] {
    // A handler that throws (out of memory, say) costs its own connection, not the server.
    for (;;) {
      try {
        engine.io.run();
        return;
      } catch (const std::exception& error) {
        engine.LogError(error.what());
      }
    }
  };
  std::vector<std::thread> helpers;
  for (std::size_t i = 1; i < engine.settings.ioThreads; ++i) helpers.emplace_back(serve);
  serve();
  for (std::thread& helper : helpers) helper.join();
  engine.running = false;
}

void ScoreHttpServer::Stop() {
  engine_->io.stop();
}

bool ScoreHttpServer::IsRunning() const {
  return engine_->running;
}

std::size_t ScoreHttpServer::OpenConnections() const {
  return engine_->open;
}

}  // namespace brakkon::server
