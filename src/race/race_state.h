// The race's variables: one game's level, score, lives, clock, distance, speed,
// phase and bonuses, the road-object slots and the race sprites. One instance
// lives in the form for the whole run; the sprites belong to the sprite tree.
#pragma once

#include <array>
#include <cstdint>

namespace brakkon::screens {
class TCaptionSprite;
}

namespace brakkon::race {

class TMyCarSprite;
class TWallSprite;
class TExplosion;

inline constexpr int kRoadSlotCount = 30;   // road objects alive at once, slots 1..30
inline constexpr int kSpawnKindCount = 34;  // kinds with a spawn weight; 35 is the finish line

// Phases of a level; the numbers are the documented ones.
inline constexpr std::int32_t kPhaseDriving = 0;
inline constexpr std::int32_t kPhaseFinishOnRoad = 1;
inline constexpr std::int32_t kPhaseFinishPassed = 2;
inline constexpr std::int32_t kPhaseLevelDone = 25;
inline constexpr std::int32_t kPhaseTimeBonus = 3;

struct RaceState {
  std::int32_t Level = 0;  // from 1
  std::int32_t Score = 0;
  std::int32_t Lives = 0;
  std::int32_t CarModel = 0;  // 1..4, chosen on the car selection
  TMyCarSprite* CarSprite = nullptr;

  std::int32_t TimeLeft = 0;     // s on the level clock
  std::int32_t SecondTimer = 0;  // ms of frame time until the next clock step
  double Distance = 0;           // px of road driven in this level
  double ScrollSpeed =
      0;  // px per tick, of the car, the road and the background; 0 outside the race
  bool RaceRunning = false;  // the race world moves in this tick
  std::int32_t RacePhase = kPhaseDriving;
  double BannerFrames = 0;  // ticks left for the level banner
  bool Paused = false;
  bool FinishPrompt = false;  // "FINISH RACE? Y/N" is open
  bool PausePrev = false;     // the pause, finish and accelerate keys in the previous tick
  bool EscPrev = false;
  bool UpPrev = false;
  bool TimeOverPending = false;
  std::int32_t TimeOverTimer = 0;  // ms
  bool GameOverPending = false;
  std::int32_t GameOverTimer = 0;   // ms
  std::int32_t LevelDoneTimer = 0;  // ms
  bool Crashed = false;             // the crash explosion is running
  std::int32_t CrashSlot = 0;       // slot of the object crashed into; 0 = none
  bool GunActive = false;
  bool TurboActive = false;
  bool DriftActive = false;

  std::array<double, kSpawnKindCount + 1> SpawnChance{};     // kinds 1..34; index 0 unused
  std::array<TWallSprite*, kRoadSlotCount + 1> RoadSlots{};  // slots 1..30; index 0 unused
  std::array<bool, kRoadSlotCount + 1> SlotUsed{};
  screens::TCaptionSprite* MessageCaption = nullptr;  // time-over or game-over message

  // Head-up sprites, from OpenRace to the teardown.
  screens::TCaptionSprite* LeftPanelSprite = nullptr;
  screens::TCaptionSprite* RightPanelSprite = nullptr;
  screens::TCaptionSprite* ProgressMarker = nullptr;
  screens::TCaptionSprite* Needle = nullptr;
  screens::TCaptionSprite* GunIcon = nullptr;
  screens::TCaptionSprite* TurboIcon = nullptr;
  screens::TCaptionSprite* NoBonusIcon = nullptr;
  screens::TCaptionSprite* DriftIcon = nullptr;
  TExplosion* HitSpark = nullptr;
  TExplosion* CrashBlast = nullptr;
  // The gun or turbo riding on the car and its flash or flame, while a bonus is active.
  screens::TCaptionSprite* BonusBody = nullptr;
  screens::TCaptionSprite* BonusFire = nullptr;

  std::int32_t NeedleJitter = 0;       // -1 .. 1 steps
  std::int32_t NeedleJitterTimer = 0;  // ms of frame time
};

}  // namespace brakkon::race
