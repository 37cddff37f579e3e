// Every effect name the game plays or stops; a sound archive must hold each.
#pragma once

#include <array>
#include <string_view>

namespace brakkon::io {

inline constexpr std::array<std::string_view, 18> kSoundNames = {
    "Button_Pressed", "Button_Activated", "EngineStart", "Engine", "EngineAccel", "Shot",
    "WallExplosion",  "CarExplosion",     "Spike",       "Water",  "Stone",       "Rabbit",
    "ScoreGet",       "BonusGet",         "BonusLost",   "Tick",   "LevelFinish", "GameOver",
};

}  // namespace brakkon::io
