// Per-address limits on how often something may happen.
#include "server/rate_limiter.h"

namespace brakkon::server {

RateLimiter::RateLimiter(std::size_t maxEvents, std::int64_t windowSeconds,
                         std::size_t maxAddresses)
    : maxEvents_(maxEvents), windowSeconds_(windowSeconds), maxAddresses_(maxAddresses) {}

bool RateLimiter::Allow(const std::string& address, std::int64_t now) {
  std::lock_guard lock(mutex_);
  // Sweeping once a window (or once a second while full) keeps the cost per call low.
  const bool full = events_.size() >= maxAddresses_;
  if (now - lastSweep_ >= windowSeconds_ || (full && now != lastSweep_)) {
    ForgetQuietAddresses(now);
  }
  auto found = events_.find(address);
  if (found == events_.end()) {
    if (events_.size() >= maxAddresses_) return false;
    found = events_.emplace(address, std::deque<std::int64_t>()).first;
  }
  std::deque<std::int64_t>& times = found->second;
  while (!times.empty() && times.front() <= now - windowSeconds_) times.pop_front();
  if (times.size() >= maxEvents_) return false;
  times.push_back(now);
  return true;
}

void RateLimiter::ForgetQuietAddresses(std::int64_t now) {
  lastSweep_ = now;
  for (auto it = events_.begin(); it != events_.end();) {
    if (it->second.empty() || it->second.back() <= now - windowSeconds_) {
      it = events_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace brakkon::server
