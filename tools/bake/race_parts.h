// The pieces of the race archive, drawn by race_art.cpp and road_objects.cpp.
#pragma once

#include "art.h"

namespace brakkon::bake {

// Road tile, side panels, head-up icons, explosions, messages, cars and equipment.
void AddRaceScenery(PictureSet& out);
// Road cars: the four player cars and the traffic with its oncoming twins.
void AddRaceCars(PictureSet& out);
void AddCarEquipment(PictureSet& out);
// Obstacles, bonuses, signs, side walls and the finish line.
void AddRoadObjects(PictureSet& out);
void AddBonuses(PictureSet& out);
void AddRoadside(PictureSet& out);

}  // namespace brakkon::bake
