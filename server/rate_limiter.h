// A sliding-window count of events per address.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace brakkon::server {

// Thread-safe. Only allowed events count, so a client that keeps knocking is let in
// again once its window has emptied.
class RateLimiter {
 public:
  // At most `maxEvents` per address within any `windowSeconds`; at most `maxAddresses`
  // addresses tracked at once, so a flood from many addresses costs bounded memory.
  RateLimiter(std::size_t maxEvents, std::int64_t windowSeconds, std::size_t maxAddresses);

  // True, and counts the event, when `address` is under its limit at `now` (seconds).
  // False when it is not, or when the table of addresses is full.
  bool Allow(const std::string& address, std::int64_t now);

 private:
  void ForgetQuietAddresses(std::int64_t now);

  std::size_t maxEvents_;
  std::int64_t windowSeconds_;
  std::size_t maxAddresses_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<std::int64_t>> events_;
  std::int64_t lastSweep_ = 0;
};

}  // namespace brakkon::server
