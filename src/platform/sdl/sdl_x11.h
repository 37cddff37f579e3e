// Questions SDL cannot answer about the X server the window lives on.
#pragma once

#include <SDL.h>

namespace brakkon::platform {

// True unless `window` is on an X server without a window manager. SDL's desktop
// full screen asks the window manager to resize the window; with none, nothing moves.
bool WindowManagerRunning(SDL_Window* window);

}  // namespace brakkon::platform
