// The game window on SDL: a fixed-size window or desktop full screen, showing
// an RGB565 picture scaled to fit.
#include "platform/sdl/sdl_video.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/sdl/sdl_x11.h"

namespace brakkon::platform {
namespace {

constexpr int kCentered = static_cast<int>(SDL_WINDOWPOS_CENTERED);
constexpr unsigned kGlRenderer = 0x1F01;  // GL_RENDERER

// A GPU's render node. Without one, any OpenGL driver is a software rasteriser,
// and merely loading it costs a quarter of a second: the check comes first.
bool RenderNodePresent() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    if (entry.path().filename().string().starts_with("renderD")) return true;
  }
  return false;
}

// Mesa's and others' rasterisers that run on the processor.
bool SoftwareRasteriser(const char* renderer) {
  if (!renderer) return true;
  for (const char* name :
       {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SwiftShader"}) {
    if (std::strstr(renderer, name)) return true;
  }
  return false;
}

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
  SDL_Rect usable{0, 0, width, height};
  if (presentation_.windowScale == 0 && SDL_GetDisplayUsableBounds(0, &usable) != 0)
    usable = SDL_Rect{0, 0, width, height};
  const int factor =
      WindowScaleFactor(presentation_.windowScale, width, height, usable.w, usable.h);
  windowWidth_ = width * factor;
  windowHeight_ = height * factor;
  windowed_.width = windowWidth_;
  windowed_.height = windowHeight_;
  // Hidden until the first black frame is in, so the window never shows garbage.
  // On a HiDPI desktop the renderer's output has more pixels than the window has
  // points, and the picture is scaled to fill all of them.
  window_ = SDL_CreateWindow(title.c_str(), windowed_.x, windowed_.y, windowWidth_, windowHeight_,
                             SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
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
  accelerated_ = false;
  // The software path paces itself by the tick; a vsync wait there would only add
  // latency (and can stall under Xvfb).
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, presentation_.vsync ? "1" : "0");
  const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (chosen && *chosen) {
    const Uint32 flags = presentation_.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    renderer_ = SDL_CreateRenderer(window_, -1, flags);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  } else if (RenderNodePresent() && CreateAcceleratedRenderer()) {
    accelerated_ = true;
  } else {
    // A 16-bit picture copied 1:1, or letterboxed by whole-pixel repeats, is cheap for
    // the processor. Merely asking for an accelerated renderer loads the OpenGL driver,
    // which without a graphics card is Mesa's software rasteriser: a quarter of a
    // second of start-up, 45 MB of memory, and several times the processor time of
    // SDL's own software renderer. SDL_RENDER_DRIVER=opengl still asks for it.
    // Straight to the window's pixels: a texture-backed framebuffer would bring OpenGL back.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!renderer_) {
    error = std::string("no renderer for the window: ") + SDL_GetError();
    return false;
  }
  return true;
}

bool SdlVideo::CreateAcceleratedRenderer() {
  const Uint32 flags =
      SDL_RENDERER_ACCELERATED | (presentation_.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
  renderer_ = SDL_CreateRenderer(window_, -1, flags);
  if (!renderer_) return false;
  // A render node can belong to a device Mesa still drives in software (a virtual
  // GPU without 3D): the driver's own name tells.
  SDL_RendererInfo info{};
  bool hardware =
      SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_ACCELERATED) != 0;
  if (hardware && std::strncmp(info.name, "opengl", 6) == 0) {
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* name = getString ? reinterpret_cast<const char*>(getString(kGlRenderer)) : nullptr;
    hardware = !SoftwareRasteriser(name);
  }
  if (hardware) return true;
  SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
  return false;
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
  width_ = width;
  height_ = height;
  outputWidth_ = outputHeight_ = 0;  // the plan is made again for the new picture
  UpdatePlan();
  return true;
}

void SdlVideo::UpdatePlan() {
  int outputWidth = 0;
  int outputHeight = 0;
  if (!renderer_ || SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0 ||
      outputWidth <= 0 || outputHeight <= 0 || width_ <= 0 || height_ <= 0)
    return;
  if (outputWidth == outputWidth_ && outputHeight == outputHeight_) return;
  outputWidth_ = outputWidth;
  outputHeight_ = outputHeight;
  // A window of its natural size is copied 1:1 whatever the mode; the modes are
  // for full screen and a scaled window.
  plan_ = PlanScaling(presentation_.scale, width_, height_, outputWidth, outputHeight);
  ForgetShownFrame();
  if (prescaled_) SDL_DestroyTexture(prescaled_);
  prescaled_ = nullptr;
  const bool twoSteps = plan_.smooth && plan_.prescale > 1;
  if (twoSteps) {
    // A render target in a format every renderer draws into natively.
    const Uint32 format = accelerated_ || textureFormat_ == SDL_PIXELFORMAT_RGB565
                              ? static_cast<Uint32>(SDL_PIXELFORMAT_ARGB8888)
                              : textureFormat_;
    prescaled_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_TARGET,
                                   width_ * plan_.prescale, height_ * plan_.prescale);
    if (prescaled_) SDL_SetTextureScaleMode(prescaled_, SDL_ScaleModeLinear);
  }
  // Without the target texture the picture is smoothed in one step: still even.
  const bool linear = plan_.smooth && !prescaled_;
  if (texture_)
    SDL_SetTextureScaleMode(texture_, linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
}

void SdlVideo::OutputScale(float& sx, float& sy) const {
  sx = sy = 1;
  int windowWidth = 0;
  int windowHeight = 0;
  if (!window_ || outputWidth_ <= 0) return;
  SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
  if (windowWidth > 0) sx = static_cast<float>(outputWidth_) / static_cast<float>(windowWidth);
  if (windowHeight > 0) sy = static_cast<float>(outputHeight_) / static_cast<float>(windowHeight);
}

void SdlVideo::CloseWindow() {
  if (prescaled_) SDL_DestroyTexture(prescaled_);
  prescaled_ = nullptr;
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
  SDL_SetWindowSize(window_, windowWidth_, windowHeight_);
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
  UpdatePlan();
  SDL_Texture* shown = texture_;
  if (prescaled_ && SDL_SetRenderTarget(renderer_, prescaled_) == 0) {
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_SetRenderTarget(renderer_, nullptr);
    shown = prescaled_;
  }
  const SDL_Rect target{plan_.picture.x, plan_.picture.y, plan_.picture.width,
                        plan_.picture.height};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, shown, nullptr, target.w > 0 ? &target : nullptr);
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

void SdlVideo::WindowToPicture(int windowX, int windowY, int& x, int& y) const {
  float sx = 1;
  float sy = 1;
  OutputScale(sx, sy);
  if (plan_.picture.width <= 0) {
    x = windowX;
    y = windowY;
    return;
  }
  OutputToPicture(plan_, width_, height_, static_cast<int>(static_cast<float>(windowX) * sx),
                  static_cast<int>(static_cast<float>(windowY) * sy), x, y);
}

void SdlVideo::PictureToWindow(int x, int y, int& windowX, int& windowY) const {
  windowX = x;
  windowY = y;
  if (plan_.picture.width <= 0) return;
  float sx = 1;
  float sy = 1;
  OutputScale(sx, sy);
  int outputX = 0;
  int outputY = 0;
  PictureToOutput(plan_, width_, height_, x, y, outputX, outputY);
  windowX = static_cast<int>(static_cast<float>(outputX) / sx);
  windowY = static_cast<int>(static_cast<float>(outputY) / sy);
}

bool SdlVideo::InsideWindow(int windowX, int windowY) const {
  if (!window_) return false;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  return windowX >= 0 && windowY >= 0 && windowX < width && windowY < height;
}

}  // namespace brakkon::platform
