// One game: level parameters, spawn weights, the road-object slots and the
// race tick with its banner, pause, finish question, clock and finish line.
#include "race/race_tick.h"

#include <array>
#include <cmath>

#include "race/player_car.h"
#include "race/race_end.h"
#include "race/race_setup.h"
#include "race/race_state.h"
#include "race/road_objects.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::race {
namespace {

struct SpawnWeights {
  double multA, baseA;  // ordinary levels
  double multB, baseB;  // traffic levels (every third)
};

// Kept by design: kind 22 grows by 0.1 on traffic levels, kind 16 by 1.0 elsewhere.
constexpr std::array<SpawnWeights, kSpawnKindCount + 1> kWeights = {{
    {0, 0, 0, 0},           {0.4, 1.9, 0, 0},       {0.4, 1.9, 0, 0},      {0.1, 1.8, 0, 0},
    {0.15, 1.8, 0, 0},      {0.15, 1.8, 0, 0},      {0.2, 1.8, 0, 0},      {0.2, 1.8, 0, 0},
    {0.2, 1.8, 0, 0},       {0.15, 1.8, 0, 0},      {0.2, 1.8, 0.05, 1.1}, {0.1, 1.8, 0.05, 1.1},
    {0.05, 1.8, 0.03, 1.1}, {0.05, 1.8, 0.02, 1.1}, {0.1, 1.8, 0.05, 1.1}, {0.15, 1.8, 0.08, 1.1},
    {0.07, 1.0, 0.03, 1.1}, {0.2, 1.8, 0.2, 1.1},   {0.2, 1.8, 0.2, 1.1},  {0.2, 1.8, 0.2, 1.1},
    {0.2, 1.8, 0.2, 1.1},   {0.2, 1.8, 0.2, 1.1},   {0.2, 1.8, 0.2, 0.1},  {0.1, 0, 0.1, 1.8},
    {0.1, 0, 0.1, 1.8},     {0.1, 0, 0.1, 1.8},     {0.1, 0, 0.1, 1.8},    {0.1, 0, 0.1, 1.8},
    {0.1, 0, 0.1, 1.8},     {0.1, 0, 0.1, 1.8},     {0.1, 0, 0.1, 1.8},    {0.1, 0, 0.1, 1.8},
    {0.1, 0, 0.1, 1.8},     {0.1, 0, 0.1, 1.8},     {0.1, 0, 0.1, 1.8},
}};

constexpr std::int32_t kStartLives = 3;
constexpr std::int32_t kSecondMs = 1000;
constexpr std::int32_t kMessageMs = 2000;
constexpr std::int32_t kLevelDoneMs = 1000;
constexpr std::int32_t kTimeBonusStepMs = 50;
constexpr std::int32_t kTimeBonusPerSecond = 5;  // points
constexpr std::int32_t kTickWarningSeconds = 10;
constexpr double kBannerSeconds = 2;
constexpr double kFinishLead = 600;     // px: the finish line appears this far ahead
constexpr double kMarkerStartY = 322;   // px
constexpr double kMarkerTrack = 281;    // px from start to finish
constexpr double kMarkerFinishY = 41;   // px
constexpr double kSpawnDistance = 600;  // px of road over which the weights are spread
constexpr int kSpawnDraw = 32768;

int Interval(const shell::TMForm& form) {
  return static_cast<int>(form.MDXTimer.Interval());
}

bool Down(const shell::TMForm& form, io::TInputState state) {
  return form.MDXInput.InputStates().Has(state);
}

double Power(double base, int n) {
  return n == 0 ? 1.0 : std::pow(base, n);
}

void DrawHud(shell::TMForm& form) {
  DrawNeedle(form);
  DrawRaceNumbers(form);
  DrawBonusPanel(form);
}

void ShowTimeOver(shell::TMForm& form) {
  RaceState& race = form.Race;
  ShowRaceMessage(form, "TimeIsOverNB");
  race.TimeOverPending = true;
  race.TimeOverTimer = kMessageMs;
  race.RaceRunning = false;
}

void StepLevelClock(shell::TMForm& form) {
  RaceState& race = form.Race;
  TMyCarSprite& car = *race.CarSprite;
  if (race.SecondTimer > 0) {
    race.SecondTimer -= Interval(form);
    return;
  }
  if (race.TimeLeft > 0) {
    --race.TimeLeft;
    if (race.TimeLeft <= kTickWarningSeconds) form.PlaySound("Tick", false);
  }
  if (race.TimeLeft == 0) {
    car.LatState = -3;
    car.TargetSpeed = 0;
  }
  if (race.GunActive || race.TurboActive) {
    if (car.BonusCount <= 1) {
      form.PlaySound("BonusLost", false);
      EndBonuses(form);
    } else {
      --car.BonusCount;
    }
  }
  race.SecondTimer = kSecondMs;
}

void StepTimeBonus(shell::TMForm& form) {
  RaceState& race = form.Race;
  if (race.SecondTimer > 0) {
    race.SecondTimer -= Interval(form);
    return;
  }
  form.PlaySound("Tick", false);
  race.SecondTimer = kTimeBonusStepMs;
  if (race.TimeLeft == 0) StartLevel(form, race.Level + 1);
  // Sees the new level's clock: the step that starts it also takes its first second.
  if (race.TimeLeft > 0) {
    --race.TimeLeft;
    race.Score += kTimeBonusPerSecond;
  }
}

void SpawnByWeights(shell::TMForm& form) {
  RaceState& race = form.Race;
  const double f = race.ScrollSpeed / kSpawnDistance;
  const bool traffic = race.Level % 3 == 0;
  const int first = traffic ? 10 : 1;
  const int last = traffic ? 34 : 22;
  for (int k = first; k <= last; ++k) {
    const double r = form.Random.RandInt(kSpawnDraw) / static_cast<double>(kSpawnDraw);
    if (race.SpawnChance[k] * f > r) SpawnObject(form, k);
  }
}

}  // namespace

std::int32_t LevelLength(std::int32_t level) {
  return 30000 + 12000 * ((level - 1) / 3);
}

std::int32_t LevelTime(std::int32_t level) {
  // The extra second after level 1 is the one the time bonus takes on starting the level.
  return 60 + 30 * ((level - 1) / 3) + (level != 1 ? 1 : 0);
}

double SpawnWeight(int kind, std::int32_t level) {
  const SpawnWeights& w = kWeights[kind];
  const int n = level / 3;
  return level % 3 != 0 ? w.multA * Power(w.baseA, n) : w.multB * Power(w.baseB, n);
}

void NewGame(shell::TMForm& form) {
  RaceState& race = form.Race;
  form.Shell.GameState = shell::TGameState::Race;
  race.Score = 0;
  race.Lives = kStartLives;
  race.CarSprite = new TMyCarSprite(&form.MDXSpriteEngine.Engine(), form, race.CarModel);
  race.CarSprite->Active = true;
  race.Needle->Visible = false;
  race.GunActive = false;
  race.TurboActive = false;
  race.DriftActive = false;
  StartLevel(form, 1);
}

void StartLevel(shell::TMForm& form, std::int32_t level) {
  RaceState& race = form.Race;
  form.PlaySound("EngineStart", false);
  form.PlaySound("Engine", false);
  race.RacePhase = kPhaseDriving;
  race.Level = level;
  race.TimeLeft = LevelTime(level);
  race.ScrollSpeed = 0;
  TMyCarSprite& car = *race.CarSprite;
  car.TargetSpeed = 0;
  car.LatState = 0;
  car.DriftTime = 0;
  car.PlaceInRandomLane();
  car.SetZ(4);
  race.Distance = 0;
  race.SecondTimer = kSecondMs;
  race.RaceRunning = false;
  race.PausePrev = race.Paused = race.EscPrev = race.FinishPrompt = false;
  race.CrashSlot = 0;
  race.ProgressMarker->Y = kMarkerStartY;
  EndBonuses(form);
  FreeRoadObjects(form);
  race.Crashed = false;
  for (int k = 1; k <= kSpawnKindCount; ++k) race.SpawnChance[k] = SpawnWeight(k, level);
  race.BannerFrames = 1000.0 / Interval(form) * kBannerSeconds;
  race.TimeOverPending = false;
  race.GameOverPending = false;
}

void SpawnObject(shell::TMForm& form, int kind) {
  RaceState& race = form.Race;
  for (int s = 1; s <= kRoadSlotCount; ++s) {
    if (race.SlotUsed[s]) continue;
    auto* object = new TWallSprite(&form.MDXSpriteEngine.Engine(), form, kind, s);
    race.RoadSlots[s] = object;
    if (object->Placed) {
      race.SlotUsed[s] = true;
      return;
    }
    delete object;
    race.RoadSlots[s] = nullptr;
  }
}

void FreeRoadObjects(shell::TMForm& form) {
  RaceState& race = form.Race;
  for (int s = 1; s <= kRoadSlotCount; ++s) {
    if (!race.SlotUsed[s]) continue;
    delete race.RoadSlots[s];
    race.RoadSlots[s] = nullptr;
    race.SlotUsed[s] = false;
  }
}

namespace {

// Pause and the finish question hold the race alike: music and engine stop, and
// the gun falls silent (a trigger still held starts it again on the first
// running tick). `keyPrev` and `held` are the key's edge latch and the hold's flag.
void HoldRace(shell::TMForm& form, bool& keyPrev, bool& held) {
  form.StopMusic();
  form.StopSound("Engine");
  form.StopSound("Shot");
  if (form.Race.GunActive && form.Race.BonusFire != nullptr) form.Race.BonusFire->Visible = false;
  form.Race.RaceRunning = false;
  keyPrev = true;
  held = true;
}

void ReleaseRace(shell::TMForm& form, bool& keyPrev, bool& held) {
  form.StartMusic();
  form.PlaySound("Engine", false);
  form.Race.RaceRunning = true;
  keyPrev = false;
  held = false;
}

}  // namespace

void PauseRace(shell::TMForm& form) {
  HoldRace(form, form.Race.PausePrev, form.Race.Paused);
}

void ResumeRace(shell::TMForm& form) {
  ReleaseRace(form, form.Race.PausePrev, form.Race.Paused);
}

void OpenFinishPrompt(shell::TMForm& form) {
  HoldRace(form, form.Race.EscPrev, form.Race.FinishPrompt);
}

void CloseFinishPrompt(shell::TMForm& form) {
  ReleaseRace(form, form.Race.EscPrev, form.Race.FinishPrompt);
}

// Once EndRace has run, the race's sprites are gone: every path that calls it
// ends the tick at once.
void RaceTick(shell::TMForm& form, int moveAmount) {
  using io::TInputState;
  RaceState& race = form.Race;

  form.BeginFrame(0, race.TimeOverPending || race.GameOverPending);
  DrawHud(form);

  if (Down(form, TInputState::InputButton4) && !race.PausePrev && race.BannerFrames == 0) {
    if (race.RaceRunning) {
      ShowPause(form);
      form.EndFrame();
      PauseRace(form);
    } else if (!race.FinishPrompt) {
      ResumeRace(form);
    }
  }
  if (Down(form, TInputState::InputButton5) && !race.EscPrev && race.BannerFrames == 0) {
    if (race.RaceRunning) {
      ShowFinishPrompt(form);
      form.EndFrame();
      OpenFinishPrompt(form);
    } else if (!race.Paused) {
      CloseFinishPrompt(form);
    }
  }
  race.PausePrev = Down(form, TInputState::InputButton4);
  race.EscPrev = Down(form, TInputState::InputButton5);

  if (race.FinishPrompt) {
    if (Down(form, TInputState::InputButton6)) {
      EndRace(form);
      return;
    }
    if (Down(form, TInputState::InputButton7)) CloseFinishPrompt(form);
  }

  if (!race.Paused && !race.FinishPrompt && race.RacePhase == kPhaseDriving) {
    if (race.BannerFrames > 0) {
      race.BannerFrames -= 1;
      ShowLevelBanner(form, race.Level);
      form.EndFrame();
    } else {
      // Every tick of the driving phase re-enables the car, also right after a crash.
      race.BannerFrames = 0;
      race.RaceRunning = true;
      race.CarSprite->Active = true;
    }
  }

  if (race.TimeOverPending) {
    if (race.TimeOverTimer > 0) {
      race.TimeOverTimer -= Interval(form);
      race.RaceRunning = false;
      form.EndFrame();
    } else {
      race.TimeOverPending = false;
      if (race.Lives >= 1) {
        FreeRaceMessage(form);
        StartLevel(form, race.Level);
      } else if (!race.GameOverPending && race.Lives != 0) {
        FreeRaceMessage(form);
        EndRace(form);
        return;
      }
      // Otherwise a traffic crash took the last life while this message
      // showed: the game ends through the game-over message, which keeps its
      // whole 2 s, already running or started below in this very tick.
    }
  }

  if (race.Lives == 0 && !race.GameOverPending) {
    GameOverCheck(form);
    race.CrashBlast->Visible = false;
    // The wreck may have been swept already and its slot reused; hide only what is there.
    if (race.CrashSlot >= 1 && race.CrashSlot <= kRoadSlotCount && race.SlotUsed[race.CrashSlot])
      race.RoadSlots[race.CrashSlot]->Visible = false;
  }

  if (race.GameOverPending) {
    if (race.GameOverTimer > 0) {
      race.GameOverTimer -= Interval(form);
      race.RaceRunning = false;
      form.EndFrame();
    } else {
      FreeRaceMessage(form);
      EndRace(form);
      return;
    }
  }

  if (race.RacePhase == kPhaseLevelDone) {
    if (race.LevelDoneTimer > 0) {
      race.LevelDoneTimer -= Interval(form);
      race.RaceRunning = false;
      ShowLevelCompleted(form);
      form.EndFrame();
    } else {
      race.RacePhase = kPhaseTimeBonus;
      race.RaceRunning = true;
    }
  }

  // A held race presents nothing: the last frame stays on the screen.
  if (!race.RaceRunning) return;

  form.BeginFrame(moveAmount, true);
  DrawHud(form);

  TMyCarSprite& car = *race.CarSprite;
  if (race.ScrollSpeed == 0 && race.TimeLeft == 0 && race.RacePhase < kPhaseFinishPassed &&
      !race.TimeOverPending) {
    --race.Lives;
    if (GameOverCheck(form)) return;
    ShowTimeOver(form);
    return;
  }

  if (race.RacePhase < kPhaseFinishPassed) StepLevelClock(form);
  if (race.RacePhase == kPhaseTimeBonus) StepTimeBonus(form);
  if (race.Crashed) EndBonuses(form);

  race.Distance += race.ScrollSpeed;
  const double length = LevelLength(race.Level);
  if (race.ProgressMarker->Y > kMarkerFinishY)
    race.ProgressMarker->Y = kMarkerStartY - race.Distance * kMarkerTrack / length;
  if (race.Distance + kFinishLead >= length && race.RacePhase == kPhaseDriving) {
    race.RacePhase = kPhaseFinishOnRoad;
    SpawnObject(form, kFinishLineKind);
  }
  if (race.Distance >= length && race.RacePhase == kPhaseFinishOnRoad) {
    car.LatState = -3;
    car.TargetSpeed = 0;
    race.RacePhase = kPhaseFinishPassed;
  }
  if (race.ScrollSpeed == 0 && race.RacePhase == kPhaseFinishPassed) {
    form.PlaySound("LevelFinish", false);
    race.RacePhase = kPhaseLevelDone;
    race.LevelDoneTimer = kLevelDoneMs;
    car.Active = false;
    race.RaceRunning = false;
    return;
  }

  SweepRoadObjects(form);
  TrackCrashBlast(form);
  if (race.ScrollSpeed > 0 && race.RacePhase == kPhaseDriving) SpawnByWeights(form);

  const bool up = Down(form, TInputState::InputUp);
  if (!race.UpPrev && up && race.TurboActive) form.PlaySound("EngineAccel", false);
  race.UpPrev = up;

  Fire(form, Down(form, TInputState::InputButton8) || form.Shell.KeyCtrl);
  form.EndFrame();
}

}  // namespace brakkon::race
