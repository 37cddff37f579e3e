// The game window on SDL: a fixed-size window or desktop full screen, showing
// an RGB565 picture scaled to fit.
#include "platform/sdl/sdl_video.h"

#include <algorithm>

#include "platform/sdl/sdl_x11.h"

namespace brakkon::platform {
namespace {

constexpr int kCentered = static_cast<int>(SDL_WINDOWPOS_CENTERED);

}  // namespace

SdlVideo::~SdlVideo() {
  CloseWindow();
  if (handCursor_) SDL_FreeCursor(handCursor_);
}

bool SdlVideo::OpenWindow(const std::string& title, int width, int height, std::string& error) {
  if (window_) {
    SDL_ShowWindow(window_);
    return true;
  }
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
    error = "the video system is not initialised";
    return false;
  }
  width_ = width;
  height_ = height;
  windowed_.width = width;
  windowed_.height = height;
  // Hidden until the first black frame is in, so the window never shows garbage.
  window_ =
      SDL_CreateWindow(title.c_str(), windowed_.x, windowed_.y, width, height, SDL_WINDOW_HIDDEN);
  if (!window_) {
    error = std::string("the window cannot be created: ") + SDL_GetError();
    return false;
  }
  if (!CreateRenderer(error) || !CreateTexture(width, height, error)) {
    CloseWindow();
    return false;
  }
  if (fullScreen_ && !EnterFullScreen()) fullScreen_ = false;
  if (!handCursor_) handCursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
  if (handCursor_) SDL_SetCursor(handCursor_);
  SDL_ShowCursor(pointerVisible_ ? SDL_ENABLE : SDL_DISABLE);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderPresent(renderer_);
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  SDL_StartTextInput();
  return true;
}

bool SdlVideo::CreateRenderer(std::string& error) {
  // The game paces itself; a vsync wait would only add latency (and can stall under Xvfb).
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (chosen && *chosen) {
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
  } else {
    // A 16-bit picture copied 1:1, or letterboxed by whole-pixel repeats, is cheap for
    // the processor. Merely asking for an accelerated renderer loads the OpenGL driver,
    // which without a graphics card is Mesa's software rasteriser: a quarter of a
    // second of start-up, 45 MB of memory, and several times the processor time of
    // SDL's own software renderer. SDL_RENDER_DRIVER=opengl still asks for it.
    // Straight to the window's pixels: a texture-backed framebuffer would bring OpenGL back.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!renderer_) {
    error = std::string("no renderer for the window: ") + SDL_GetError();
    return false;
  }
  return true;
}

bool SdlVideo::CreateTexture(int width, int height, std::string& error) {
  ForgetShownFrame();
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  // The software renderer scales quickly only between equal formats: give it the window's.
  textureFormat_ = SDL_PIXELFORMAT_RGB565;
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE)) {
    const Uint32 windowFormat = SDL_GetWindowPixelFormat(window_);
    if (SDL_BYTESPERPIXEL(windowFormat) == 4 && !SDL_ISPIXELFORMAT_ALPHA(windowFormat))
      textureFormat_ = windowFormat;
  }
  // Must be set before the texture exists: pixels are repeated when scaling, never blurred.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  texture_ =
      SDL_CreateTexture(renderer_, textureFormat_, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!texture_) {
    error = std::string("no picture texture: ") + SDL_GetError();
    return false;
  }
  SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
  SDL_RenderSetLogicalSize(renderer_, width, height);
  width_ = width;
  height_ = height;
  return true;
}

void SdlVideo::CloseWindow() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
}

bool SdlVideo::SetFullScreen(bool fullScreen) {
  ForgetShownFrame();
  if (!window_ || fullScreen == fullScreen_) {
    fullScreen_ = fullScreen;
    return true;
  }
  if (fullScreen) {
    SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
    if (!EnterFullScreen()) return false;
  } else {
    LeaveFullScreen();
  }
  fullScreen_ = fullScreen;
  return true;
}

bool SdlVideo::EnterFullScreen() {
  enteredFrom_ = windowed_;
  emulatedFullScreen_ = !WindowManagerRunning(window_);
  if (!emulatedFullScreen_)
    return SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
  // With no window manager to ask, the window itself covers its display.
  SDL_Rect bounds{};
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return false;
  SDL_SetWindowBordered(window_, SDL_FALSE);
  SDL_SetWindowPosition(window_, bounds.x, bounds.y);
  SDL_SetWindowSize(window_, bounds.w, bounds.h);
  return true;
}

void SdlVideo::LeaveFullScreen() {
  const bool moved = windowed_.x != enteredFrom_.x || windowed_.y != enteredFrom_.y;
  if (emulatedFullScreen_) {
    SDL_SetWindowBordered(window_, SDL_TRUE);
  } else {
    SDL_SetWindowFullscreen(window_, 0);
  }
  // SDL can keep believing in the desktop size after full screen.
  SDL_SetWindowSize(window_, width_, height_);
  // A window manager puts the window back where it was by itself; moving it while its
  // frame is still being restored would shift it by the frame's size.
  if (emulatedFullScreen_ || moved) SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
  emulatedFullScreen_ = false;
}

bool SdlVideo::GetPlacement(WindowPlacement& placement) const {
  if (!window_) return false;
  if (!fullScreen_) {
    SDL_GetWindowPosition(window_, &placement.x, &placement.y);
    SDL_GetWindowSize(window_, &placement.width, &placement.height);
    return true;
  }
  // Full screen reports the bordered window it will return to.
  placement = windowed_;
  SDL_Rect bounds{};
  const int display = SDL_GetWindowDisplayIndex(window_);
  if ((placement.x == kCentered || placement.y == kCentered) &&
      SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
    placement.x = bounds.x + (bounds.w - placement.width) / 2;
    placement.y = bounds.y + (bounds.h - placement.height) / 2;
  }
  return true;
}

void SdlVideo::SetPlacement(const WindowPlacement& placement) {
  windowed_.x = placement.x;
  windowed_.y = placement.y;
  if (window_ && !fullScreen_) SDL_SetWindowPosition(window_, placement.x, placement.y);
}

void SdlVideo::CenterWindow() {
  windowed_.x = kCentered;
  windowed_.y = kCentered;
  if (window_ && !fullScreen_) SDL_SetWindowPosition(window_, kCentered, kCentered);
}

void SdlVideo::Present(const std::uint16_t* pixels, int width, int height, int pitch) {
  if (!renderer_ || !pixels || width <= 0 || height <= 0) return;
  if (width != width_ || height != height_) {
    std::string error;
    if (!CreateTexture(width, height, error)) return;
  }
  const std::size_t frameSize = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (pitch == width && shownFrame_.size() == frameSize &&
      std::equal(shownFrame_.begin(), shownFrame_.end(), pixels))
    return;
  if (pitch == width) {
    shownFrame_.assign(pixels, pixels + frameSize);
  } else {
    shownFrame_.clear();
  }
  const int sourcePitch = pitch * static_cast<int>(sizeof(std::uint16_t));
  if (textureFormat_ == SDL_PIXELFORMAT_RGB565) {
    SDL_UpdateTexture(texture_, nullptr, pixels, sourcePitch);
  } else {
    void* target = nullptr;
    int targetPitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &target, &targetPitch) != 0) return;
    SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB565, pixels, sourcePitch, textureFormat_,
                      target, targetPitch);
    SDL_UnlockTexture(texture_);
  }
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

void SdlVideo::ShowPointer(bool visible) {
  pointerVisible_ = visible;
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlVideo::Active() const {
  if (!window_) return false;
  const Uint32 flags = SDL_GetWindowFlags(window_);
  return (flags & SDL_WINDOW_INPUT_FOCUS) && !(flags & SDL_WINDOW_MINIMIZED);
}

void SdlVideo::PictureToWindow(int x, int y, int& windowX, int& windowY) const {
  windowX = x;
  windowY = y;
  if (renderer_)
    SDL_RenderLogicalToWindow(renderer_, static_cast<float>(x), static_cast<float>(y), &windowX,
                              &windowY);
}

bool SdlVideo::InsideWindow(int windowX, int windowY) const {
  if (!window_) return false;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  return windowX >= 0 && windowY >= 0 && windowX < width && windowY < height;
}

}  // namespace brakkon::platform
