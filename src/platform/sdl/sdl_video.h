// The game window on SDL: a fixed-size window or desktop full screen, showing
// an RGB565 picture scaled to fit.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace brakkon::platform {

class SdlVideo final : public IVideo {
 public:
  SdlVideo() = default;
  ~SdlVideo() override;
  SdlVideo(const SdlVideo&) = delete;
  SdlVideo& operator=(const SdlVideo&) = delete;

  void SetPresentation(const PresentationSettings& settings) override { presentation_ = settings; }
  bool OpenWindow(const std::string& title, int width, int height, std::string& error) override;
  void CloseWindow() override;
  bool SetFullScreen(bool fullScreen) override;
  bool FullScreen() const override { return fullScreen_; }
  bool GetPlacement(WindowPlacement& placement) const override;
  void SetPlacement(const WindowPlacement& placement) override;
  void CenterWindow() override;
  void Present(const std::uint16_t* pixels, int width, int height, int pitch) override;
  void ShowPointer(bool visible) override;
  bool Active() const override;

  // The window, or null while none is open; message boxes use it as their parent.
  SDL_Window* Window() const { return window_; }
  // Converts a pointer position in window pixels to picture pixels, and back.
  void WindowToPicture(int windowX, int windowY, int& x, int& y) const;
  void PictureToWindow(int x, int y, int& windowX, int& windowY) const;
  // True when the picture goes through the accelerated renderer (a hardware
  // OpenGL driver was found), false on the software path.
  bool Accelerated() const { return accelerated_; }
  // Where the picture lands in the renderer's output, as the last frame was shown.
  const ScalePlan& Plan() const { return plan_; }
  // True when window pixel (x, y) lies in the window's client area.
  bool InsideWindow(int windowX, int windowY) const;
  // The window's contents were lost or resized: the next frame is shown even
  // when it equals the last one.
  void ForgetShownFrame() { shownFrame_.clear(); }

 private:
  bool CreateRenderer(std::string& error);
  bool CreateAcceleratedRenderer();
  bool CreateTexture(int width, int height, std::string& error);
  // Follows the output's size: the plan, the scale mode of the picture and the
  // prescaled texture of the sharp mode.
  void UpdatePlan();
  // Window pixels to renderer output pixels (they differ on a HiDPI desktop).
  void OutputScale(float& sx, float& sy) const;
  bool EnterFullScreen();
  void LeaveFullScreen();

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Texture* prescaled_ = nullptr;  // the nearest-pixel step of `sharp`, when it is not the last
  SDL_Cursor* handCursor_ = nullptr;
  Uint32 textureFormat_ = SDL_PIXELFORMAT_RGB565;  // the window's own format for software drawing
  int width_ = 0;                                  // picture size in pixels
  int height_ = 0;
  int windowWidth_ = 0;  // the bordered window's client area: the picture times window-scale
  int windowHeight_ = 0;
  PresentationSettings presentation_;
  ScalePlan plan_;
  int outputWidth_ = 0;  // the renderer's output size the plan was made for
  int outputHeight_ = 0;
  bool accelerated_ = false;
  bool fullScreen_ = false;
  bool emulatedFullScreen_ = false;  // a borderless window the size of the display
  bool pointerVisible_ = true;
  // Where the bordered window goes when full screen ends; SDL_WINDOWPOS_CENTERED
  // in x and y until a placement is known.
  WindowPlacement windowed_{static_cast<int>(SDL_WINDOWPOS_CENTERED),
                            static_cast<int>(SDL_WINDOWPOS_CENTERED), 0, 0};
  WindowPlacement enteredFrom_;  // windowed_ when full screen began
  // The last frame put on screen; a menu at rest repeats its frame, and sending
  // it to the window again would cost most of an idle game's processor time.
  std::vector<std::uint16_t> shownFrame_;
};

}  // namespace brakkon::platform
