// The message loop: events between ticks, the timer polled in the idle step.
#include "shell/application.h"

#include <algorithm>
#include <exception>

#include "shell/form.h"
#include "shell/race_recorder.h"
#include "shell/settings.h"

namespace brakkon::shell {
namespace {

// Longest sleep while no tick is due (the timer is stopped or the window is
// in the background): events still wake the loop at once.
constexpr std::uint32_t kMaxIdleWaitMs = 250;

}  // namespace

void RunLoopOnce(TMForm& form, platform::IPlatform& platform) {
  platform::Event event;
  while (!form.Terminated() && platform.Input().PollEvent(event)) form.DispatchEvent(event);
  if (form.Terminated()) return;
  form.Guarded([&] { form.MDXTimer.Idle(); });
  if (form.Terminated()) return;
  // Sleeping until the next tick keeps an idle game off the CPU; the tick rule
  // itself (interval test, lag count) stays with the timer.
  const std::uint32_t wait = std::min(form.MDXTimer.MillisecondsUntilDue(), kMaxIdleWaitMs);
  if (wait > 0) platform.Input().WaitForEvent(wait);
}

int ShowSettings(platform::IPlatform& platform,
                 const std::function<void(const std::string&)>& print) {
  const LoadedSettings loaded = LoadSettings(platform);
  for (const std::string& problem : loaded.problems) platform.Warn(problem);
  print(DescribeSettings(loaded));
  return 0;
}

int RunApplication(platform::IPlatform& platform, std::optional<bool> fullScreen,
                   const std::filesystem::path& recordPath) {
  TMForm form(platform);
  form.SetDisplayOverride(fullScreen);
  if (!recordPath.empty()) StartRaceRecording(form, recordPath);
  try {
    form.FormCreate();
  } catch (const std::exception& error) {
    form.ShowError(error);
    return 1;
  }
  // The menu is ready: its first frame need not wait an interval behind a black window.
  form.MDXTimer.MakeDue();
  while (!form.Terminated()) RunLoopOnce(form, platform);
  return 0;
}

}  // namespace brakkon::shell
