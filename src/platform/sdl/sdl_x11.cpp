// Questions SDL cannot answer about the X server the window lives on.
#include "platform/sdl/sdl_x11.h"

#include <SDL_syswm.h>

namespace brakkon::platform {

bool WindowManagerRunning(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  // SDL already has libX11 loaded; asking it for the functions keeps the build free of X.
  static void* const library = SDL_LoadObject("libX11.so.6");
  if (!library) return true;
  const auto internAtom =
      reinterpret_cast<decltype(&XInternAtom)>(SDL_LoadFunction(library, "XInternAtom"));
  const auto getProperty = reinterpret_cast<decltype(&XGetWindowProperty)>(
      SDL_LoadFunction(library, "XGetWindowProperty"));
  const auto free = reinterpret_cast<decltype(&XFree)>(SDL_LoadFunction(library, "XFree"));
  if (!internAtom || !getProperty || !free) return true;
  Display* display = info.info.x11.display;
  // A window manager that follows the desktop conventions names its check window on the root.
  const Atom check = internAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = getProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                                 &type, &format, &count, &remaining, &data);
  const bool found = status == Success && type == XA_WINDOW && count == 1;
  if (data) free(data);
  return found;
#else
  (void)window;
  return true;
#endif
}

}  // namespace brakkon::platform
