// The frame timer: raises one tick per elapsed interval, polled from the main
// loop's idle step, with the number of whole intervals that passed.
#pragma once

#include <cstdint>
#include <functional>

namespace brakkon::platform {
class IClock;
}

namespace brakkon::engine {

class TDXTimer {
 public:
  // Reads time only from `clock`, which must outlive the timer. A new timer is
  // enabled with a 1000 ms interval; the form sets its own values.
  explicit TDXTimer(platform::IClock& clock);
  ~TDXTimer();
  TDXTimer(const TDXTimer&) = delete;
  TDXTimer& operator=(const TDXTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::int64_t milliseconds);
  bool ActiveOnly() const { return activeOnly_; }
  void SetActiveOnly(bool activeOnly);

  // The idle step: raises OnTimer when at least Interval ms passed since the last tick.
  void Idle();
  // Makes the next tick due at once, as if an interval had just passed, also
  // when the timer attaches only later.
  void MakeDue();
  // Milliseconds until the next tick is due; 0 when due now, UINT32_MAX while not attached.
  std::uint32_t MillisecondsUntilDue();
  // True while the idle step is hooked up (started, and the application active or not ActiveOnly).
  bool Attached() const { return attached_; }

  // Application activation, forwarded by the shell from the window's events.
  void ApplicationActivated();
  void ApplicationDeactivated();
  bool ApplicationActive() const { return appActive_; }

  std::function<void(int lagCount)> OnTimer;
  std::function<void()> OnActivate;
  std::function<void()> OnDeactivate;

 private:
  void Start();
  void Stop();
  void Attach();

  platform::IClock& clock_;
  bool enabled_ = false;
  bool activeOnly_ = true;
  std::uint32_t interval_ = 1000;
  std::uint32_t divisor_ = 1000;
  std::uint32_t lastTick_ = 0;
  bool started_ = false;
  bool attached_ = false;
  bool dueNow_ = false;  // MakeDue was called and its tick has not come yet
  bool appActive_ = true;
};

}  // namespace brakkon::engine
