// Review pages: every picture of an archive on one sheet, and two screens
// composed from the baked pictures at their game positions.
#pragma once

#include <string>

#include "art.h"

namespace brakkon::bake {

// Writes a PNG showing each picture with its name, size and pattern cells.
void WriteContactSheet(const PictureSet& pictures, const std::string& title,
                       const std::string& path);
// The main menu with the options screen open.
void WriteMenuMockup(const PictureSet& menu, const std::string& path);
// Further screens for review: menu at rest, car choice, high scores, help pages, name entry.
void WriteExtraMockups(const PictureSet& menu, const std::string& dir);
// A race frame: road, panels, head-up numbers, car, traffic and road objects.
void WriteRaceMockup(const PictureSet& menu, const PictureSet& race, const std::string& path);

}  // namespace brakkon::bake
