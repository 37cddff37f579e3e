// What the score server answers, apart from HTTP: p values, submissions and the pages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "server/rate_limiter.h"
#include "server/score_store.h"

namespace brakkon::server {

// Seconds since the Unix epoch; tests pass their own.
using Clock = std::function<std::int64_t()>;
std::int64_t SystemSeconds();

inline constexpr std::int64_t kTicketLifetimeSeconds = 10 * 60;
inline constexpr std::size_t kSubmissionsPerMinute = 10;
inline constexpr int kTableLength = 100;

inline constexpr std::string_view kPlainText = "text/plain; charset=utf-8";
inline constexpr std::string_view kHtml = "text/html; charset=utf-8";

struct Reply {
  int status = 200;
  std::string contentType{kPlainText};
  std::string body;
  std::int64_t retryAfterSeconds = 0;  // 0: no Retry-After
};

// Thread-safe; `store` must outlive the service.
class ScoreService {
 public:
  ScoreService(ScoreStore& store, Clock clock);

  // "OK|1|0|0|P|" with a fresh one-time P, recorded as issued to `address`.
  Reply VersionQuery(const std::string& address);

  // Checks and stores one result. `inf` is empty when the request held no inf or several.
  // A banned address gets 403 with the moderator's reason before anything else is looked at.
  Reply Submit(const std::string& address, std::optional<std::string_view> inf);

  // The best results, rebuilt only when the table changed, in this process or any other.
  Reply TablePage();
  Reply HomePage() const;
  // True when TablePage asks the database across the network, so it belongs on a thread
  // that may wait.
  bool TableNeedsStore() { return store_.Backend().Shared(); }

 private:
  void RefreshTable(std::int64_t generation);

  ScoreStore& store_;
  Clock clock_;
  RateLimiter submissions_;
  std::string homePage_;
  std::mutex refreshMutex_;  // one rebuild at a time, so the last stored result is never lost
  mutable std::mutex tableMutex_;
  std::shared_ptr<const std::string> tablePage_;
  std::atomic<std::int64_t> tableGeneration_{-1};  // of the table tablePage_ shows
};

}  // namespace brakkon::server
