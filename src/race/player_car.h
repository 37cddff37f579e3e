// The player's car: steering, pedals, the verge, skids and slow-downs, and the
// gun and turbo it carries.
#pragma once

#include <cstdint>

#include "engine/sprite.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

// Lane bounds B0..B4, px: lane i spans B(i-1)..B(i); lane 1 is the verge.
inline constexpr double kLaneBounds[5] = {170, 283, 392, 502, 615};
inline constexpr double kCarMinX = 166;                // px
inline constexpr double kRoadRightEdge = 615;          // px: the car's right edge stays left of it
inline constexpr double kNormalTopSpeed = 250.0 / 14;  // px per tick
inline constexpr double kTurboTopSpeed = 300.0 / 14;   // px per tick
inline constexpr double kNormalAccel = 0.1;            // px per tick, per tick
inline constexpr double kTurboAccel = 0.2;

// The x that centres an object `width` wide in `lane` (2..4).
double LaneCentreX(int lane, double width);

class TMyCarSprite : public engine::TImageSprite {
 public:
  // The car of `model` (1..4), in a random road lane near the bottom of the screen.
  TMyCarSprite(engine::TSprite* parent, shell::TMForm& form, int model);
  void MoveSelf(int moveAmount) override;

  void PlaceInRandomLane();
  void Accelerate();
  void SlowDown(bool braking, bool offRoad);
  void SteerLeft();
  void SteerRight();
  bool IsOffRoad() const;

  std::int32_t Lane = 0;        // start lane, 2..4
  bool Active = false;          // answers to pedals and steering
  std::int32_t BonusCount = 0;  // s left of the gun or turbo
  double Accel = 0;             // px per tick added per tick
  double BrakeDecel = 0;        // px per tick removed per tick
  double SteerDivisor = 0;      // sideways step = ScrollSpeed / SteerDivisor
  double SteerMax = 0;          // px per tick
  double MaxSpeed = 0;          // px per tick
  double SavedMaxSpeed = 0;     // before the verge halved them
  double SavedAccel = 0;
  std::int32_t LatState = 0;  // 0 normal, -3 slowing to TargetSpeed, 2 skid right, -2 skid left
  double SkidLeft = 0;        // px of skid still to go
  double DriftTime = 0;       // s during which the pedals do nothing
  double TargetSpeed = 0;     // px per tick that ends a slow-down or a skid

 private:
  shell::TMForm& form_;
};

// The image of the player's car of `model` in the race pictures, and its turbo.
const char* CarImageName(int model);
const char* TurboImageName(int model);

// Bonus equipment, over the race's variables.
void ActivateBonus(shell::TMForm& form);
void EndBonuses(shell::TMForm& form);
void PlaceBonusSprites(shell::TMForm& form);
void SetTurboFlame(shell::TMForm& form, bool on);
// Once per running race tick with the trigger's state: fires at the nearest
// shootable object straight ahead.
void Fire(shell::TMForm& form, bool pressed);

}  // namespace brakkon::race
