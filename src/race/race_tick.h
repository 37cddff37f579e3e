// One game: its start, its levels, the road-object slots and the race tick.
#pragma once

#include <cstdint>

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

// px of road in level `level`.
std::int32_t LevelLength(std::int32_t level);
// s on the clock of level `level`.
std::int32_t LevelTime(std::int32_t level);
// The spawn weight of `kind` (1..34) in `level`.
double SpawnWeight(int kind, std::int32_t level);

// Starts a game once the panels, progress marker and needle exist: the car, level 1.
void NewGame(shell::TMForm& form);
// (Re)starts `level` with the current score and lives.
void StartLevel(shell::TMForm& form, std::int32_t level);
// The state-1 tick, after the shell has refreshed the input states.
void RaceTick(shell::TMForm& form, int moveAmount);
// Puts one object of `kind` into the first free slot where it finds a place.
void SpawnObject(shell::TMForm& form, int kind);
void FreeRoadObjects(shell::TMForm& form);

void PauseRace(shell::TMForm& form);
void ResumeRace(shell::TMForm& form);
void OpenFinishPrompt(shell::TMForm& form);
void CloseFinishPrompt(shell::TMForm& form);

}  // namespace brakkon::race
