// The platform on SDL: the real window, keyboard, mouse, joystick, clock and
// message boxes.
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <cstdio>

#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_video.h"

namespace brakkon::platform {
namespace {

class SdlClock final : public IClock {
 public:
  std::uint32_t Milliseconds() override { return SDL_GetTicks(); }
};

class SdlDialogs final : public IDialogs {
 public:
  explicit SdlDialogs(const SdlVideo& video) : video_(video) {}

  void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) override {
    const Uint32 flags =
        kind == MessageKind::kError ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), video_.Window()) == 0) return;
    // No box can be shown (no display, or the dummy driver): the message must still be seen.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
  }

 private:
  const SdlVideo& video_;
};

}  // namespace

struct SdlPlatform::Parts {
  SdlClock clock;
  SdlVideo video;
  SdlInput input{video};
  SdlDialogs dialogs{video};
};

SdlPlatform::SdlPlatform() {
  // Windows-like double clicks: the second press must land close to the first.
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "4");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error_ = std::string("The video system cannot be started: ") + SDL_GetError();
  } else {
    sdlStarted_ = true;
  }
  parts_ = std::make_unique<Parts>();
  // Without controller support the game still runs, on the keyboard alone.
  if (sdlStarted_ && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) parts_->input.OpenJoystick();
}

SdlPlatform::~SdlPlatform() {
  parts_.reset();
  if (sdlStarted_) SDL_Quit();
}

IClock& SdlPlatform::Clock() { return parts_->clock; }
IVideo& SdlPlatform::Video() { return parts_->video; }
IInput& SdlPlatform::Input() { return parts_->input; }
IDialogs& SdlPlatform::Dialogs() { return parts_->dialogs; }

}  // namespace brakkon::platform
