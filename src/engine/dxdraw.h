// The display: one back surface of 800 x 600 RGB565 pixels, its initialise and
// finalise cycle with listener notifications, and presentation through the
// platform's video service.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/surface.h"

namespace brakkon::platform {
class IVideo;
}

namespace brakkon::engine {

// Display options, bit n for the n-th value.
enum TDXDrawOption : std::uint16_t {
  doFullScreen = 1u << 0,
  doNoWindowChange = 1u << 1,
  doAllowReboot = 1u << 2,
  doWaitVBlank = 1u << 3,
  doAllowPalette256 = 1u << 4,
  doSystemMemory = 1u << 5,
  doStretch = 1u << 6,
  doCenter = 1u << 7,
  doFlip = 1u << 8,
  do3D = 1u << 9,
  doDirectX7Mode = 1u << 10,
  doRetainedMode = 1u << 11,
  doHardware = 1u << 12,
  doSelectDriver = 1u << 13,
  doZBuffer = 1u << 14,
};
using TDXDrawOptions = std::uint16_t;

// Notifications to listeners, in the order of their numbers.
enum class TDXDrawNotifyType {
  dxntDestroying,
  dxntInitializing,
  dxntInitialize,
  dxntInitializeSurface,
  dxntFinalize,
  dxntFinalizeSurface,
  dxntRestore,
  dxntSetSurfaceSize,
};

class TDXDraw;
using TDXDrawListener = std::function<void(TDXDraw& sender, TDXDrawNotifyType type)>;

class TDXDraw {
 public:
  // The display presents through `video`, which must outlive it.
  explicit TDXDraw(platform::IVideo& video);
  ~TDXDraw();
  TDXDraw(const TDXDraw&) = delete;
  TDXDraw& operator=(const TDXDraw&) = delete;

  // Builds the surfaces and notifies listeners (size set, initialised, OnInitialize,
  // surface initialised, restore). Raises EDXDrawError and leaves the display
  // finalised when the window or full screen cannot be had.
  void Initialize();
  // Notifies listeners (surface finalising, OnFinalize, finalising) and drops the surfaces.
  void Finalize();
  bool Initialized() const { return initialized_; }

  // Presents the back surface; nothing unless initialised.
  void Flip();

  // The back surface; valid only while initialised.
  TDirectDrawSurface& Surface() { return surface_; }
  int SurfaceWidth() const { return surfaceWidth_; }
  int SurfaceHeight() const { return surfaceHeight_; }

  TDXDrawOptions Options() const { return options_; }
  TDXDrawOptions NowOptions() const { return nowOptions_; }
  void SetOptions(TDXDrawOptions options);

  // Registers a listener; the returned id removes it again.
  int RegisterNotifyEvent(TDXDrawListener listener);
  void UnRegisterNotifyEvent(int id);

  std::function<void()> OnInitialize;
  std::function<void()> OnFinalize;

  static constexpr int kDisplayWidth = 800;
  static constexpr int kDisplayHeight = 600;
  static constexpr int kDisplayBitCount = 16;

 private:
  void Notify(TDXDrawNotifyType type);
  void ApplyOptions();
  void Restore();

  platform::IVideo& video_;
  TDirectDrawSurface surface_;
  int surfaceWidth_ = kDisplayWidth;
  int surfaceHeight_ = kDisplayHeight;
  bool initialized_ = false;
  bool busy_ = false;  // inside Initialize, Finalize or Restore: Flip does nothing
  bool calledOnInitialize_ = false;
  bool calledSurfaceInitialize_ = false;
  TDXDrawOptions options_ = 0;
  TDXDrawOptions nowOptions_ = 0;
  struct Listener {
    int id;
    TDXDrawListener callback;
  };
  std::vector<Listener> listeners_;
  int nextListenerId_ = 1;
};

}  // namespace brakkon::engine
