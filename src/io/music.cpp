// Music by game state over the platform's module player.
#include "io/music.h"

namespace brakkon::io {

const char* MusicFileFor(std::int32_t gameState) {
  return (gameState == 1 || gameState == 10) ? kRaceMusicFile : kMenuMusicFile;
}

void LoadMusic(TMusicState& music, platform::IModulePlayer& player, bool musicOn,
               const std::string& path) {
  music.MusicOrder = 0;
  if (!musicOn) return;
  if (music.MusicHandle != 0) player.Free(music.MusicHandle);
  music.MusicHandle = player.LoadFromFile(path);
  if (music.MusicHandle != 0) player.Play(music.MusicHandle);
}

void StartMusic(TMusicState& music, platform::IModulePlayer& player, bool musicOn,
                std::int32_t gameState) {
  LoadMusic(music, player, musicOn, MusicFileFor(gameState));
}

void StopMusic(TMusicState& music, platform::IModulePlayer& player) {
  if (music.MusicHandle != 0) player.Free(music.MusicHandle);
  music.MusicHandle = 0;
}

void CheckMusic(TMusicState& music, platform::IModulePlayer& player, bool musicOn,
                std::int32_t gameState) {
  if (music.MusicHandle == 0) return;
  const std::int32_t order = player.Order(music.MusicHandle);
  if (order != 0 || music.MusicOrder == 0) {
    music.MusicOrder = order;
  } else {
    StartMusic(music, player, musicOn, gameState);
  }
}

}  // namespace brakkon::io
