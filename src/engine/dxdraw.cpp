// The display's initialise/finalise cycle, option rules and presentation.
#include "engine/dxdraw.h"

#include <fmt/printf.h>

#include <algorithm>
#include <exception>
#include <string>

#include "engine/errors.h"
#include "platform/platform.h"

namespace brakkon::engine {

TDXDraw::TDXDraw(platform::IVideo& video) : video_(video) {}

TDXDraw::~TDXDraw() {
  // Listeners drop their reference first, then the surfaces go.
  Notify(TDXDrawNotifyType::dxntDestroying);
  try {
    Finalize();
  } catch (...) {
    // A destructor cannot report; the display is gone either way.
  }
}

void TDXDraw::SetOptions(TDXDrawOptions options) {
  options_ = options;
  if (!initialized_) {
    ApplyOptions();
    return;
  }
  constexpr TDXDrawOptions kImmediate = doWaitVBlank | doStretch | doCenter;
  nowOptions_ = static_cast<TDXDrawOptions>((nowOptions_ & ~kImmediate) | (options & kImmediate));
  if (!(nowOptions_ & do3D))
    nowOptions_ &=
        static_cast<TDXDrawOptions>(~(doRetainedMode | doHardware | doSelectDriver | doZBuffer));
}

void TDXDraw::ApplyOptions() {
  TDXDrawOptions now = options_;
  if (!(now & doFullScreen))
    now &= ~(doNoWindowChange | doAllowReboot | doAllowPalette256 | doFlip);
  if (!(now & do3D))
    now &= ~(doDirectX7Mode | doRetainedMode | doHardware | doSelectDriver | doZBuffer);
  if (now & doSystemMemory) now &= ~doFlip;
  if (now & doDirectX7Mode) now &= ~doRetainedMode;
  now &= ~doHardware;
  nowOptions_ = static_cast<TDXDrawOptions>(now);
}

int TDXDraw::RegisterNotifyEvent(TDXDrawListener listener) {
  const int id = nextListenerId_++;
  listeners_.push_back(Listener{id, std::move(listener)});
  return id;
}

void TDXDraw::UnRegisterNotifyEvent(int id) {
  std::erase_if(listeners_, [id](const Listener& l) { return l.id == id; });
}

void TDXDraw::Notify(TDXDrawNotifyType type) {
  // A listener may unregister itself (or another) while being notified.
  const auto snapshot = listeners_;
  for (const Listener& listener : snapshot) {
    const bool stillThere = std::any_of(listeners_.begin(), listeners_.end(),
                                        [&](const Listener& l) { return l.id == listener.id; });
    if (stillThere) listener.callback(*this, type);
  }
}

namespace {

// Runs every step of a sequence that must finish whatever one step throws,
// keeping the first error to pass on at the end.
class FirstError {
 public:
  template <typename Step>
  void Run(Step&& step) {
    try {
      step();
    } catch (...) {
      if (!first_) first_ = std::current_exception();
    }
  }
  void Rethrow() const {
    if (first_) std::rethrow_exception(first_);
  }

 private:
  std::exception_ptr first_;
};

}  // namespace

void TDXDraw::Initialize() {
  Finalize();
  busy_ = true;
  try {
    Notify(TDXDrawNotifyType::dxntInitializing);
    std::string reason;
    if (!video_.OpenWindow("Brakkon", kDisplayWidth, kDisplayHeight, reason))
      throw EDXDrawError(fmt::sprintf("%s cannot be made", "Primary Surface"));
    const bool fullScreen = (nowOptions_ & doFullScreen) != 0;
    if (!video_.SetFullScreen(fullScreen)) {
      if (fullScreen) {
        throw EDXDrawError(fmt::sprintf("Display mode cannot be changed (%dx%d %dbit)",
                                        kDisplayWidth, kDisplayHeight, kDisplayBitCount));
      }
      throw EDXDrawError(fmt::sprintf("%s cannot be made", "Primary Surface"));
    }
    surfaceWidth_ = kDisplayWidth;
    surfaceHeight_ = kDisplayHeight;
    surface_.SetSize(surfaceWidth_, surfaceHeight_);
    initialized_ = true;
  } catch (...) {
    // Nobody was told of an initialised display yet, so there is nothing to notify.
    surface_.SetSize(0, 0);
    initialized_ = false;
    ApplyOptions();
    busy_ = false;
    throw;
  }

  // The display is up from here on. A listener or handler that fails must not
  // keep the later ones from hearing of it, nor leave the display busy, which
  // would make every later Flip and Restore do nothing; the first error is
  // passed on once the display is whole.
  FirstError error;
  error.Run([&] { Notify(TDXDrawNotifyType::dxntSetSurfaceSize); });
  error.Run([&] { Notify(TDXDrawNotifyType::dxntInitialize); });
  calledOnInitialize_ = true;
  error.Run([&] {
    if (OnInitialize) OnInitialize();
  });
  calledSurfaceInitialize_ = true;
  error.Run([&] { Notify(TDXDrawNotifyType::dxntInitializeSurface); });
  busy_ = false;
  error.Run([&] { Restore(); });
  error.Rethrow();
}

void TDXDraw::Restore() {
  if (!initialized_ || busy_) return;
  busy_ = true;
  try {
    Notify(TDXDrawNotifyType::dxntRestore);
  } catch (...) {
    busy_ = false;
    throw;
  }
  busy_ = false;
}

void TDXDraw::Finalize() {
  if (!initialized_) return;
  busy_ = true;
  FirstError error;
  calledSurfaceInitialize_ = false;
  error.Run([&] { Notify(TDXDrawNotifyType::dxntFinalizeSurface); });
  if (calledOnInitialize_) {
    calledOnInitialize_ = false;
    error.Run([&] {
      if (OnFinalize) OnFinalize();
    });
  }
  error.Run([&] { Notify(TDXDrawNotifyType::dxntFinalize); });
  initialized_ = false;
  ApplyOptions();
  surface_.SetSize(0, 0);
  busy_ = false;
  error.Rethrow();
}

void TDXDraw::Flip() {
  if (!initialized_ || busy_) return;
  // Software surfaces are never lost, so there is nothing to restore here.
  // A flipping (full-screen) display shows nothing while another program is in front.
  if ((nowOptions_ & doFlip) && !video_.Active()) return;
  video_.Present(surface_.Pixels(), surface_.Width(), surface_.Height(), surface_.Width());
}

}  // namespace brakkon::engine
