// Everything the car meets on the road: walls, hazards, rabbits, bonuses,
// signs, traffic and the finish line.
#pragma once

#include <cstdint>

#include "engine/sprite.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

inline constexpr std::int32_t kFinishLineKind = 35;

bool IsTrafficKind(int kind);  // 23..34

class TWallSprite : public engine::TImageSprite {
 public:
  // Builds an object of `kind` for `slot` and tries to place it; the caller
  // frees it when Placed is false.
  TWallSprite(engine::TSprite* parent, shell::TMForm& form, int kind, int slot);
  // Frees its slot.
  ~TWallSprite() override;
  void MoveSelf(int moveAmount) override;
  void HandleCollision(engine::TSprite* other, bool& done) override;

  std::int32_t Slot = 0;
  bool Remove = false;  // collected: the next sweep frees it
  std::int32_t Hits = 0;
  bool Destroyed = false;  // shot to pieces
  std::int32_t Kind = 0;
  bool NotShootable = false;
  std::int32_t Lane = 0;
  bool Placed = false;
  bool Moving = false;  // traffic with a speed of its own
  double OwnSpeed = 0;  // px per tick added to its downward motion

 private:
  void Crash(const char* explosionImage);
  shell::TMForm& form_;
};

// True when an object on the road is in the way of a new one at (x, y, w, h).
bool PlacementBlocked(const shell::TMForm& form, double x, double y, double w, double h,
                      double gapX, double gapY);
// True when a moving car is in `lane`.
bool LaneHasTraffic(const shell::TMForm& form, int lane);
// The gun's third hit.
void ShootObject(shell::TMForm& form, TWallSprite& object);
// Once per running race tick: frees collected, passed and exploded objects.
void SweepRoadObjects(shell::TMForm& form);

}  // namespace brakkon::race
