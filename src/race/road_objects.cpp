// Road objects: placement, movement, what a touch of the car does, the gun's
// destruction and the sweep of spent objects.
#include "race/road_objects.h"

#include <array>
#include <cmath>

#include "race/player_car.h"
#include "race/race_end.h"
#include "race/race_state.h"
#include "shell/form.h"

namespace brakkon::race {
namespace {

constexpr std::array<const char*, kFinishLineKind + 1> kKindImages = {
    "",
    "Wall05",
    "Wall10",
    "Spike10",
    "Water10",
    "Water05",
    "Stone05",
    "StoneSmall05",
    "Crack",
    "Rabbit",
    "Bonus10",
    "Bonus20",
    "Bonus50",
    "Bonus100",
    "BonusGun",
    "BonusTurbo",
    "BonusLive",
    "SignLeftBlue",
    "SignLeftRed",
    "SignRightBlue",
    "SignRightRed",
    "WallLeft",
    "WallRight",
    "Car5",
    "Car6",
    "Car7",
    "Car8",
    "Car9",
    "Car10",
    "Car5_Inv",
    "Car6_Inv",
    "Car7_Inv",
    "Car8_Inv",
    "Car9_Inv",
    "Car10_Inv",
    "FinishLine",
};

constexpr double kLeftSideX = 140;   // px: signs and walls left of the road
constexpr double kRightSideX = 630;  // px: right of the road
constexpr double kAnimRate = 5;      // patterns per second
constexpr double kCrashAnimRate = 20;
constexpr double kShotAnimRate = 10;
constexpr double kWallCrashSpeed = 150.0 / 14;    // px per tick: faster costs a life
constexpr double kTrafficCrashSpeed = 50.0 / 14;  // closing speed that costs a life
constexpr double kTrafficBump = 100.0 / 14;       // speed lost on a traffic crash
constexpr double kWaterSpeedLoss = 100.0 / 14;
constexpr double kSpikeSpeed = 50.0 / 14;
constexpr double kSpikeDriftTime = 10;  // s
constexpr double kWallStopTime = 2;     // s
constexpr double kTouchMargin = 0.9;    // of the object's width

bool IsNotShootable(int kind) {
  return (kind >= 3 && kind <= 9) || (kind >= 17 && kind <= 22) || kind == kFinishLineKind;
}

bool IsRoadSideKind(int kind) {
  return kind >= 17 && kind <= 22;
}

double IntervalSeconds(const shell::TMForm& form) {
  return form.MDXTimer.Interval() / 1000.0;
}

// Swaps the object's picture for an explosion that plays once at `rate` patterns per second.
void BecomeExplosion(shell::TMForm& form, TWallSprite& o, const char* image, double rate) {
  o.Image = &form.MDXImageList3.Items().ItemByName(image);
  o.Width = o.Image->Width();
  o.Height = o.Image->Height();
  o.AnimFrames = o.Image->PatternCount();
  o.AnimLoop = false;
  o.AnimRate = IntervalSeconds(form) * rate;
  o.AnimPosition = 0;
}

}  // namespace

bool IsTrafficKind(int kind) {
  return kind >= 23 && kind <= 34;
}

TWallSprite::TWallSprite(engine::TSprite* parent, shell::TMForm& form, int kind, int slot)
    : engine::TImageSprite(parent), form_(form) {
  Remove = false;
  Slot = slot;
  Kind = kind;
  Placed = false;
  Hits = 0;
  Destroyed = false;
  NotShootable = IsNotShootable(kind);
  Lane = 2 + form.Random.RandInt(3);
  Moving = IsTrafficKind(kind);
  if (kind >= 23 && kind <= 28) {
    if (Lane != 3) Lane = 4;
    OwnSpeed = -(form.Random.RandInt(180) + 20) / 14.0;
  } else if (kind >= 29 && kind <= 34) {
    if (Lane != 3) Lane = 2;
    OwnSpeed = (form.Random.RandInt(40) + 20) / 14.0;
  }
  Image = &form.MDXImageList3.Items().ItemByName(kKindImages[kind]);
  Width = Image->Width();
  Height = Image->Height();
  Y = -Height;
  SetZ(Moving ? 3 : 2);
  if (kind <= 16 || IsTrafficKind(kind)) {
    X = LaneCentreX(Lane, Width);
  } else if (kind == 17 || kind == 18 || kind == 21) {
    X = kLeftSideX;
  } else if (kind == 19 || kind == 20 || kind == 22) {
    X = kRightSideX;
  } else {
    X = kLaneBounds[1];
    // 600 px above the car's top, so it reaches the car when the level's length is driven.
    Y = 600 - form.Race.CarSprite->Height - 35 - 600;
    Placed = true;
  }
  if (!Placed) Placed = !PlacementBlocked(form, X, Y, Width, Height, 0, 10);
  if (Moving && LaneHasTraffic(form, Lane)) Placed = false;
  AnimFrames = Image->PatternCount();
  AnimLoop = true;
  AnimRate = IntervalSeconds(form) * kAnimRate;
}

TWallSprite::~TWallSprite() {
  if (Slot >= 1 && Slot <= kRoadSlotCount) form_.Race.SlotUsed[Slot] = false;
}

void TWallSprite::MoveSelf(int moveAmount) {
  engine::TImageSprite::MoveSelf(moveAmount);
  CheckCollisions();
  Y += form_.Race.ScrollSpeed;
  if (Moving) Y += OwnSpeed;
}

void TWallSprite::Crash(const char* explosionImage) {
  BecomeExplosion(form_, *this, explosionImage, kCrashAnimRate);
  form_.PlaySound("CarExplosion", false);
  form_.Race.CrashSlot = Slot;
}

void TWallSprite::HandleCollision(engine::TSprite* other, bool& /*done*/) {
  RaceState& race = form_.Race;
  if (other == nullptr || other != race.CarSprite) return;
  if (race.RacePhase > kPhaseFinishOnRoad) return;
  TMyCarSprite& c = *race.CarSprite;
  // A touch of the object's outer tenth on either side does not count.
  if (!(c.X - X <= kTouchMargin * Width && (X + Width) - (c.X + c.Width) <= kTouchMargin * Width))
    return;
  if (Destroyed) return;
  CollisionEnabled = false;

  double& speed = race.ScrollSpeed;
  switch (Kind) {
    case 1:
    case 2:
      Crash(Kind == 1 ? "ExplosionSmall" : "ExplosionBig");
      if (speed > kWallCrashSpeed) {
        CrashCar(form_);
      } else {
        c.DriftTime = kWallStopTime;
        race.DriftActive = false;
        speed = 0;
      }
      break;
    case 3:
      form_.PlaySound("Spike", false);
      c.TargetSpeed = kSpikeSpeed;
      c.DriftTime = kSpikeDriftTime;
      c.LatState = -3;
      race.DriftActive = true;
      break;
    case 4:
    case 5: {
      form_.PlaySound("Water", false);
      const int r = form_.Random.RandInt(2);
      c.TargetSpeed = speed > kWaterSpeedLoss ? speed - kWaterSpeedLoss : speed;
      if (Lane == 4) {
        c.LatState = -2;
        c.SkidLeft = kLaneBounds[3] - kLaneBounds[2];
      } else if (r == 0) {
        c.LatState = -2;
        c.SkidLeft = kLaneBounds[Lane - 1] - kLaneBounds[Lane - 2];
      } else {
        c.LatState = 2;
        c.SkidLeft = kLaneBounds[Lane] - kLaneBounds[Lane - 1];
      }
      break;
    }
    case 6:
    case 7:
    case 8: {
      static constexpr double kReduction[] = {100.0 / 14, 40.0 / 14, 20.0 / 14};
      const double reduction = kReduction[Kind - 6];
      if (Kind == 6) form_.PlaySound("Stone", false);
      // A slower car keeps its previous target.
      if (speed > reduction) c.TargetSpeed = speed - reduction;
      c.LatState = -3;
      break;
    }
    case 9:
      form_.PlaySound("Rabbit", false);
      race.Score = race.Score >= 100 ? race.Score - 100 : 0;
      Remove = true;
      break;
    case 10:
    case 11:
    case 12:
    case 13: {
      static constexpr int kPoints[] = {10, 20, 50, 100};
      race.Score += kPoints[Kind - 10];
      Remove = true;
      form_.PlaySound("ScoreGet", false);
      break;
    }
    case 14:
      form_.PlaySound("BonusGet", false);
      if (race.GunActive) {
        c.BonusCount = 10;
      } else {
        if (race.TurboActive) EndBonuses(form_);
        race.GunActive = true;
        ActivateBonus(form_);
      }
      Remove = true;
      break;
    case 15:
      form_.PlaySound("BonusGet", false);
      if (race.TurboActive) {
        c.BonusCount = 10;
      } else {
        if (race.GunActive) EndBonuses(form_);
        race.TurboActive = true;
        c.MaxSpeed = kTurboTopSpeed;
        c.Accel = kTurboAccel;
        c.SavedMaxSpeed = c.MaxSpeed;
        c.SavedAccel = c.Accel;
        ActivateBonus(form_);
      }
      Remove = true;
      break;
    case 16:
      form_.PlaySound("ScoreGet", false);
      ++race.Lives;
      Remove = true;
      break;
    default:
      if (IsTrafficKind(Kind)) {
        Crash("ExplosionBig");
        if (std::fabs(OwnSpeed + speed) > kTrafficCrashSpeed) CrashCar(form_);
        if (speed > kTrafficBump) speed -= kTrafficBump;
        OwnSpeed = 0;
      }
      // Signs, side walls and the finish line: touched once, nothing else.
      break;
  }
}

bool PlacementBlocked(const shell::TMForm& form, double x, double y, double w, double h,
                      double gapX, double gapY) {
  const RaceState& race = form.Race;
  for (int s = 1; s <= kRoadSlotCount; ++s) {
    if (!race.SlotUsed[s]) continue;
    const TWallSprite& o = *race.RoadSlots[s];
    if (std::fabs(x - o.X) <= gapX) return true;
    if (std::fabs(y - o.Y) <= gapY) return true;
    if (IsRoadSideKind(o.Kind)) return true;
    const double oRight = o.X + o.Width;
    const double oBottom = o.Y + o.Height;
    if (((o.X <= x && x <= oRight) || (o.X <= x + w && x + w <= oRight)) &&
        ((o.Y <= y && y <= oBottom) || (o.Y <= y + h && y + h <= oBottom)))
      return true;
    if (((x <= o.X && o.X <= x + w) || (x <= oRight && oRight <= x + w)) &&
        ((y <= o.Y && o.Y <= y + h) || (y <= oBottom && oBottom <= y + h)))
      return true;
  }
  return false;
}

bool LaneHasTraffic(const shell::TMForm& form, int lane) {
  const RaceState& race = form.Race;
  for (int s = 1; s <= kRoadSlotCount; ++s) {
    if (race.SlotUsed[s] && race.RoadSlots[s]->Lane == lane && race.RoadSlots[s]->Moving)
      return true;
  }
  return false;
}

void ShootObject(shell::TMForm& form, TWallSprite& object) {
  form.PlaySound("WallExplosion", false);
  BecomeExplosion(form, object, "ExplosionSmall", kShotAnimRate);
  object.OwnSpeed = 0;
  object.Destroyed = true;
}

void SweepRoadObjects(shell::TMForm& form) {
  RaceState& race = form.Race;
  for (int s = 1; s <= kRoadSlotCount; ++s) {
    if (!race.SlotUsed[s]) continue;
    TWallSprite* o = race.RoadSlots[s];
    const double last = o->AnimFrames - 1;
    const bool crashedOut = o->AnimPosition == last && !o->CollisionEnabled && o->AnimPosition > 0;
    const bool offScreen = o->Y > 600 || o->Y < -600;
    const bool shotOut = o->Destroyed && o->AnimPosition == last;
    if (crashedOut || offScreen || o->Remove || shotOut) {
      delete o;
      race.RoadSlots[s] = nullptr;
    }
  }
}

}  // namespace brakkon::race
