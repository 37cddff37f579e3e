// The player's options as the game reads them.
#pragma once

#include <string>

namespace brakkon::records {

struct TGameOptions {
  bool FullScreen = false;
  bool Music = true;
  bool Sound = true;
  std::string Country;
};

}  // namespace brakkon::records
