// Program entry of the playable game: the SDL platform under the shell.
#include <cstdio>

#include "platform/sdl/sdl_platform.h"
#include "shell/application.h"

int main() {
  brakkon::platform::SdlPlatform platform;
  if (!platform.Ok()) {
    std::fprintf(stderr, "Brakkon: %s\n", platform.Error().c_str());
    return 1;
  }
  return brakkon::shell::RunApplication(platform);
}
