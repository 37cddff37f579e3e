// The player's car and its gun and turbo.
#include "race/player_car.h"

#include <algorithm>
#include <cmath>

#include "race/race_end.h"
#include "race/road_objects.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::race {
namespace {

constexpr double kBrakeDecel = 0.2;        // px per tick, per tick
constexpr double kVergeCoastDecel = 0.05;  // off the road without the brake
constexpr double kSteerDivisor = 1.8;
constexpr double kSteerMax = 12;      // px per tick
constexpr double kStandstill = 0.1;   // px per tick: slower counts as stopped
constexpr double kBottomMargin = 35;  // px between the car and the screen's bottom
constexpr int kBonusSeconds = 10;
constexpr double kGunFlashRate = 35;  // patterns per second
constexpr double kTurboFlameRate = 15;
constexpr double kMaxAimDistance = 10000;  // px

double IntervalSeconds(const shell::TMForm& form) {
  return form.MDXTimer.Interval() / 1000.0;
}

}  // namespace

double LaneCentreX(int lane, double width) {
  return kLaneBounds[lane - 1] + (kLaneBounds[lane] - kLaneBounds[lane - 1] - width) / 2;
}

const char* CarImageName(int model) {
  static constexpr const char* kNames[] = {"Car1", "Car2", "Car3", "Car4"};
  return kNames[std::clamp(model, 1, 4) - 1];
}

const char* TurboImageName(int model) {
  static constexpr const char* kNames[] = {"TurboRed", "TurboBlue", "TurboYellow", "TurboRed"};
  return kNames[std::clamp(model, 1, 4) - 1];
}

TMyCarSprite::TMyCarSprite(engine::TSprite* parent, shell::TMForm& form, int model)
    : engine::TImageSprite(parent), form_(form) {
  Image = &form.MDXImageList3.Items().ItemByName(CarImageName(model));
  Width = Image->Width();
  Height = Image->Height();
  AnimPosition = 0;
  AnimFirst = 0;
  AnimFrames = Image->PatternCount();
  AnimLoop = false;
  AnimRate = 0;
  MaxSpeed = kNormalTopSpeed;
  Accel = kNormalAccel;
  BrakeDecel = kBrakeDecel;
  SteerDivisor = kSteerDivisor;
  SteerMax = kSteerMax;
  SavedMaxSpeed = MaxSpeed;
  SavedAccel = Accel;
  PlaceInRandomLane();
  Y = 600 - Height - kBottomMargin;
  SetZ(3);
}

void TMyCarSprite::PlaceInRandomLane() {
  Lane = 2 + form_.Random.RandInt(3);
  X = LaneCentreX(Lane, Width);
}

void TMyCarSprite::Accelerate() {
  double& speed = form_.Race.ScrollSpeed;
  if (Active && speed < MaxSpeed) speed += Accel;
}

void TMyCarSprite::SlowDown(bool braking, bool offRoad) {
  const double step = offRoad && !braking ? kVergeCoastDecel : BrakeDecel;
  if (!Active) return;
  double& speed = form_.Race.ScrollSpeed;
  // Kept by design: a speed just above the threshold may dip below 0 for a tick.
  if (speed < kStandstill) {
    speed = 0;
  } else {
    speed -= step;
  }
}

void TMyCarSprite::SteerLeft() {
  if (Active) X -= std::min(form_.Race.ScrollSpeed / SteerDivisor, SteerMax);
}

void TMyCarSprite::SteerRight() {
  if (Active) X += std::min(form_.Race.ScrollSpeed / SteerDivisor, SteerMax);
}

bool TMyCarSprite::IsOffRoad() const {
  return X + Width / 3.0 < kLaneBounds[1];
}

void TMyCarSprite::MoveSelf(int moveAmount) {
  engine::TImageSprite::MoveSelf(moveAmount);
  RaceState& race = form_.Race;
  form_.MDXInput.UpdateStatesAgain();
  const io::TInputStates in = form_.MDXInput.InputStates();
  using io::TInputState;
  const bool running = race.RaceRunning;

  if (LatState == 0 || LatState == -3) {
    if (in.Has(TInputState::InputLeft) && running) {
      SteerLeft();
    } else if (in.Has(TInputState::InputRight) && running) {
      SteerRight();
    }
  }

  if (LatState == 0) {
    if (race.ScrollSpeed <= MaxSpeed) SetTurboFlame(form_, false);
    if (race.ScrollSpeed > kNormalTopSpeed) SetTurboFlame(form_, true);
    if (DriftTime == 0) {
      if (in.Has(TInputState::InputUp) && running) {
        Accelerate();
        SetTurboFlame(form_, true);
      }
      if (in.Has(TInputState::InputDown) && running) SlowDown(true, IsOffRoad());
    }
  }

  if (race.RacePhase == kPhaseDriving && IsOffRoad() && !race.DriftActive) {
    if (MaxSpeed == SavedMaxSpeed && Accel == SavedAccel) {
      SavedMaxSpeed = MaxSpeed;
      SavedAccel = Accel;
      MaxSpeed = SavedMaxSpeed / 2;
      Accel = SavedAccel / 2;
    }
    if (race.ScrollSpeed > MaxSpeed) {
      LatState = -3;
      TargetSpeed = MaxSpeed;
    }
  } else if (MaxSpeed != SavedMaxSpeed && Accel != SavedAccel) {
    MaxSpeed = SavedMaxSpeed;
    Accel = SavedAccel;
    if (LatState == -3 && race.RacePhase == kPhaseDriving) {
      LatState = 0;
      TargetSpeed = MaxSpeed;
    }
  }

  if (LatState == 2 || LatState == -2) {
    const bool right = LatState == 2;
    if (race.ScrollSpeed == 0) LatState = 0;
    SkidLeft -= race.ScrollSpeed / SteerDivisor;
    if (right) {
      SteerRight();
    } else {
      SteerLeft();
    }
    if (race.ScrollSpeed > TargetSpeed) {
      SlowDown(false, IsOffRoad());
    } else {
      LatState = 0;
    }
  }
  if (SkidLeft < 0) {
    LatState = 0;
    SkidLeft = 0;
  }

  if (LatState == -3) {
    SetTurboFlame(form_, false);
    if (race.ScrollSpeed > TargetSpeed) SlowDown(in.Has(TInputState::InputDown), IsOffRoad());
    if (race.ScrollSpeed <= TargetSpeed) LatState = 0;
    if (race.ScrollSpeed < 0) race.ScrollSpeed = 0;
  }

  // Braking near standstill may leave the speed a step below 0; the next brake
  // clears it, but with the brake released nothing would, and the car would
  // roll backwards for ever.
  if (race.ScrollSpeed < 0 && !in.Has(TInputState::InputDown)) race.ScrollSpeed = 0;

  if (LatState == 0 && DriftTime > 0) {
    DriftTime -= IntervalSeconds(form_);
    if (DriftTime <= 0) DriftTime = 0;
  }

  if (X < kCarMinX) X = kCarMinX;
  if (X > kRoadRightEdge - Width) X = kRoadRightEdge - Width;

  if (race.TurboActive || race.GunActive) PlaceBonusSprites(form_);
}

void ActivateBonus(shell::TMForm& form) {
  RaceState& race = form.Race;
  TMyCarSprite& car = *race.CarSprite;
  car.BonusCount = kBonusSeconds;
  if (car.DriftTime > 0) car.DriftTime = 0;
  engine::TSprite* root = &form.MDXSpriteEngine.Engine();
  auto makeFire = [&](const char* image, double rate) {
    auto* fire = new screens::TCaptionSprite(root, form, image);
    fire->Visible = false;
    fire->AnimPosition = 0;
    fire->AnimRate = IntervalSeconds(form) * rate;
    fire->AnimLoop = true;
    fire->AnimFrames = fire->Image->PatternCount();
    return fire;
  };
  if (race.GunActive) {
    race.BonusBody = new screens::TCaptionSprite(root, form, "Gun");
    race.BonusFire = makeFire("GunFire", kGunFlashRate);
    PlaceBonusSprites(form);
  }
  if (race.TurboActive) {
    race.BonusBody = new screens::TCaptionSprite(root, form, TurboImageName(race.CarModel));
    race.BonusFire = makeFire("TurboFire", kTurboFlameRate);
    car.MaxSpeed = kTurboTopSpeed;
    car.Accel = kTurboAccel;
    PlaceBonusSprites(form);
  }
}

void PlaceBonusSprites(shell::TMForm& form) {
  RaceState& race = form.Race;
  if (race.BonusBody == nullptr || race.BonusFire == nullptr) return;
  const TMyCarSprite& c = *race.CarSprite;
  screens::TCaptionSprite& g = *race.BonusBody;
  screens::TCaptionSprite& f = *race.BonusFire;
  g.X = c.X + (c.Width - g.Width) / 2.0;
  if (race.TurboActive) {
    f.X = g.X + 2;
    g.Y = c.Y + c.Height - 0.9 * g.Height;
    f.Y = c.Y + c.Height + 0.1 * g.Height;
  }
  if (race.GunActive) {
    f.X = g.X - 5;
    g.Y = c.Y + 0.3 * c.Height;
    f.Y = g.Y - f.Height;
  }
  g.SetZ(c.Z() + 1);
  f.SetZ(c.Z() + 1);
}

void SetTurboFlame(shell::TMForm& form, bool on) {
  if (form.Race.TurboActive && form.Race.BonusFire != nullptr) form.Race.BonusFire->Visible = on;
}

void EndBonuses(shell::TMForm& form) {
  RaceState& race = form.Race;
  TMyCarSprite* car = race.CarSprite;
  if (race.TurboActive && car != nullptr) {
    car->MaxSpeed = kNormalTopSpeed;
    car->Accel = kNormalAccel;
    car->SavedMaxSpeed = car->MaxSpeed;
    car->SavedAccel = car->Accel;
    if (race.ScrollSpeed > car->MaxSpeed) {
      car->LatState = -3;
      car->TargetSpeed = car->MaxSpeed;
    }
  }
  if (race.TurboActive || race.GunActive) {
    delete race.BonusBody;
    delete race.BonusFire;
    race.BonusBody = nullptr;
    race.BonusFire = nullptr;
  }
  if (race.DriftActive && car != nullptr) car->DriftTime = 0;
  race.DriftActive = false;
  race.GunActive = false;
  race.TurboActive = false;
}

void Fire(shell::TMForm& form, bool pressed) {
  RaceState& race = form.Race;
  TExplosion& spark = *race.HitSpark;
  if (!race.GunActive || race.BonusFire == nullptr) {
    spark.Visible = false;
    form.StopSound("Shot");
    return;
  }
  if (!race.BonusFire->Visible && pressed) form.PlaySound("Shot", false);
  race.BonusFire->Visible = pressed;
  if (!pressed) {
    spark.Visible = false;
    form.StopSound("Shot");
    return;
  }
  const TMyCarSprite& c = *race.CarSprite;
  const double gx = c.X + c.Width / 2.0;
  TWallSprite* target = nullptr;
  double best = 0;
  for (int s = 1; s <= kRoadSlotCount; ++s) {
    if (!race.SlotUsed[s]) continue;
    TWallSprite* o = race.RoadSlots[s];
    if (o->NotShootable || o->Destroyed) continue;
    const double d = c.Y - o->Y;
    if (d < 0 || d > kMaxAimDistance) continue;
    if (gx < o->X || gx > o->X + o->Width) continue;
    // On equal distance the higher slot wins.
    if (target == nullptr || d <= best) {
      target = o;
      best = d;
    }
  }
  if (target == nullptr) {
    spark.Visible = false;
    return;
  }
  spark.X = gx;
  spark.Y = target->Y;
  ++target->Hits;
  if (target->Hits == 3) {
    ShootObject(form, *target);
    if (IsTrafficKind(target->Kind)) race.Score += 20;
    if (target->Kind == 1 || target->Kind == 2) race.Score += 10;
  }
  spark.Visible = true;
}

}  // namespace brakkon::race
