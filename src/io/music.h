// Which music module plays when: started by the screens and the race, stopped
// by them, and restarted from its file each time it has run through.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace brakkon::io {

struct TMusicState {
  std::uint32_t MusicHandle = 0;  // the loaded module; 0 = none
  std::int32_t MusicOrder = 0;    // the order position CheckMusic saw last
};

inline constexpr const char* kMenuMusicFile = "Data/Music/Menu.xm";
inline constexpr const char* kRaceMusicFile = "Data/Music/Race.xm";

// The race module for game states 1 (race) and 10 (race set-up), the menu module otherwise.
const char* MusicFileFor(std::int32_t gameState);

// Loads `path` in place of the current module and plays it, when `musicOn`.
// MusicOrder starts over either way; with music off a loaded module is left alone.
// A file that cannot be loaded plays nothing and reports nothing.
void LoadMusic(TMusicState& music, platform::IModulePlayer& player, bool musicOn,
               const std::string& path);
// The module of `gameState`, from its beginning.
void StartMusic(TMusicState& music, platform::IModulePlayer& player, bool musicOn,
                std::int32_t gameState);
// Frees the module; nothing plays afterwards.
void StopMusic(TMusicState& music, platform::IModulePlayer& player);
// Once per tick: follows the order position, and starts the module of
// `gameState` afresh when the position has come back to 0.
void CheckMusic(TMusicState& music, platform::IModulePlayer& player, bool musicOn,
                std::int32_t gameState);

}  // namespace brakkon::io
