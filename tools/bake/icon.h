// The application icon: the player's red car on the menu's navy, ringed in orange.
#pragma once

#include <string>
#include <vector>

namespace brakkon::bake {

// The sizes a desktop looks for, in pixels.
inline const std::vector<int> kIconSizes = {32, 48, 64, 128, 256};

// Writes DIR/hicolor/NxN/apps/brakkon.png for every size, each drawn at its own size.
void WriteIcons(const std::string& dir);

}  // namespace brakkon::bake
