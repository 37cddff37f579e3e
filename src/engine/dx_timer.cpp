// The frame timer's start/stop, idle step and activation rules.
#include "engine/dx_timer.h"

#include <algorithm>
#include <limits>

#include "platform/platform.h"

namespace brakkon::engine {

TDXTimer::TDXTimer(platform::IClock& clock) : clock_(clock) { SetEnabled(true); }

TDXTimer::~TDXTimer() { Stop(); }

void TDXTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) {
    Start();
  } else {
    Stop();
  }
}

void TDXTimer::SetInterval(std::int64_t milliseconds) {
  const std::int64_t clamped = std::clamp<std::int64_t>(milliseconds, 0, std::numeric_limits<std::uint32_t>::max());
  interval_ = static_cast<std::uint32_t>(clamped);
  divisor_ = std::max<std::uint32_t>(interval_, 1);
}

void TDXTimer::SetActiveOnly(bool activeOnly) {
  activeOnly_ = activeOnly;
  if (started_) Start();
}

void TDXTimer::Attach() {
  attached_ = true;
  lastTick_ = clock_.Milliseconds() - (dueNow_ ? interval_ : 0);
}

void TDXTimer::Start() {
  Stop();
  if (!activeOnly_ || appActive_) Attach();
  // Started even when it cannot attach: activation attaches it later.
  started_ = true;
}

void TDXTimer::Stop() {
  if (!started_) return;
  attached_ = false;
  started_ = false;
}

void TDXTimer::Idle() {
  if (!attached_) return;
  const std::uint32_t now = clock_.Milliseconds();
  const std::uint32_t elapsed = now - lastTick_;  // modulo 2^32, so the clock may wrap
  if (elapsed < interval_) return;
  lastTick_ = now;
  dueNow_ = false;
  const int lagCount = static_cast<int>(std::max<std::uint32_t>(elapsed / divisor_, 1));
  if (OnTimer) OnTimer(lagCount);
}

void TDXTimer::MakeDue() {
  // Kept until the tick: a timer that waits for the application to become
  // active starts its interval only then.
  dueNow_ = true;
  if (attached_) lastTick_ = clock_.Milliseconds() - interval_;
}

std::uint32_t TDXTimer::MillisecondsUntilDue() {
  if (!attached_) return std::numeric_limits<std::uint32_t>::max();
  const std::uint32_t elapsed = clock_.Milliseconds() - lastTick_;
  return elapsed >= interval_ ? 0 : interval_ - elapsed;
}

void TDXTimer::ApplicationActivated() {
  appActive_ = true;
  if (OnActivate) OnActivate();
  if (started_ && activeOnly_) Attach();
}

void TDXTimer::ApplicationDeactivated() {
  appActive_ = false;
  if (OnDeactivate) OnDeactivate();
  if (started_ && activeOnly_) attached_ = false;
}

}  // namespace brakkon::engine
