// Crashes and the end of a race.
#pragma once

#include <string_view>

#include "engine/sprite.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

// An animated blast from the race pictures, hidden and still until a caller
// gives it a rate.
class TExplosion : public engine::TImageSprite {
 public:
  TExplosion(engine::TSprite* parent, shell::TMForm& form, std::string_view imageName, double x,
             double y);
  std::int32_t LastFrame = 0;     // whole frame seen in the previous tick
  std::int32_t FrameChanges = 0;  // whole-frame changes since the blast started
};

// The car hit something hard enough: a life goes and the big blast plays over the car.
void CrashCar(shell::TMForm& form);
// Once per running tick: follows the blast and restores the car after two plays.
void TrackCrashBlast(shell::TMForm& form);
void CarRestore(shell::TMForm& form);
// True (and the game-over message started) when no life is left.
bool GameOverCheck(shell::TMForm& form);
// Plays "GameOver" and shows the message picture `image` over the road, in
// place of any message still up, so no caption outlives the race.
void ShowRaceMessage(shell::TMForm& form, std::string_view image);
void FreeRaceMessage(shell::TMForm& form);
// Frees every race sprite, stops the race's sounds and the timer.
void RaceTeardown(shell::TMForm& form);
// Teardown, then the name entry when the score qualifies, else the main menu.
void EndRace(shell::TMForm& form);

}  // namespace brakkon::race
