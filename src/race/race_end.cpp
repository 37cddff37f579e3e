// Crashes, game over and the end of a race.
#include "race/race_end.h"

#include <cmath>

#include "race/player_car.h"
#include "race/race_tick.h"
#include "records/high_scores.h"
#include "screens/main_menu.h"
#include "screens/name_entry.h"
#include "screens/scroll_background.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::race {
namespace {

constexpr double kCrashBlastRate = 20;  // patterns per second
constexpr double kCrashStopTime = 2;    // s
constexpr std::int32_t kMessageMs = 2000;

template <typename Sprite>
void Free(Sprite*& sprite) {
  delete sprite;
  sprite = nullptr;
}

}  // namespace

TExplosion::TExplosion(engine::TSprite* parent, shell::TMForm& form, std::string_view imageName,
                       double x, double y)
    : engine::TImageSprite(parent) {
  Image = &form.MDXImageList3.Items().ItemByName(imageName);
  Width = Image->Width();
  Height = Image->Height();
  X = x;
  Y = y;
  SetZ(4);
  Visible = false;
  LastFrame = 0;
  FrameChanges = 0;
  AnimPosition = 0;
  AnimFrames = Image->PatternCount();
  AnimLoop = true;
  AnimRate = 0;
}

void CrashCar(shell::TMForm& form) {
  RaceState& race = form.Race;
  if (race.Lives <= 0) return;
  --race.Lives;
  race.ScrollSpeed = 0;
  TMyCarSprite& car = *race.CarSprite;
  car.Active = false;
  car.TargetSpeed = 0;
  car.LatState = 0;
  car.DriftTime = kCrashStopTime;
  car.BonusCount = 0;
  race.Crashed = true;
  TExplosion& blast = *race.CrashBlast;
  blast.Visible = true;
  blast.AnimFrames = blast.Image->PatternCount();
  blast.AnimPosition = 0;
  blast.AnimRate = form.MDXTimer.Interval() / 1000.0 * kCrashBlastRate;
  blast.X = car.X;
  blast.Y = car.Y;
}

void TrackCrashBlast(shell::TMForm& form) {
  RaceState& race = form.Race;
  TExplosion& e = *race.CrashBlast;
  const TMyCarSprite& c = *race.CarSprite;
  const auto frame = static_cast<std::int32_t>(std::trunc(e.AnimPosition));
  if (frame != e.LastFrame) {
    e.LastFrame = frame;
    ++e.FrameChanges;
  }
  if (e.FrameChanges == 0) e.Y = c.Y;
  // The second play of the looping blast sits a quarter of its height lower.
  if (e.FrameChanges == e.AnimFrames) e.Y = c.Y + e.Height / 4.0;
  if (e.Visible && e.FrameChanges == 2 * e.AnimFrames) CarRestore(form);
}

void CarRestore(shell::TMForm& form) {
  if (GameOverCheck(form)) return;
  RaceState& race = form.Race;
  TMyCarSprite& car = *race.CarSprite;
  car.Image = &form.MDXImageList3.Items().ItemByName(CarImageName(race.CarModel));
  car.AnimPosition = 0;
  car.AnimRate = 0;
  car.Active = true;
  car.SetZ(4);
  race.Crashed = false;
  race.CrashSlot = 0;
  TExplosion& blast = *race.CrashBlast;
  blast.Visible = false;
  blast.AnimPosition = 0;
  blast.AnimRate = 0;
  blast.FrameChanges = 0;
  blast.LastFrame = 0;
}

bool GameOverCheck(shell::TMForm& form) {
  RaceState& race = form.Race;
  if (race.Lives != 0) return false;
  ShowRaceMessage(form, "GameOverNB");
  race.GameOverPending = true;
  race.GameOverTimer = kMessageMs;
  race.RaceRunning = false;
  return true;
}

void ShowRaceMessage(shell::TMForm& form, std::string_view image) {
  RaceState& race = form.Race;
  form.PlaySound("GameOver", false);
  Free(race.MessageCaption);
  race.MessageCaption = new screens::TCaptionSprite(&form.MDXSpriteEngine.Engine(), form, image);
  race.MessageCaption->X = 200;
  race.MessageCaption->Y = 220;
  race.MessageCaption->SetZ(6);
}

void FreeRaceMessage(shell::TMForm& form) {
  Free(form.Race.MessageCaption);
}

void RaceTeardown(shell::TMForm& form) {
  RaceState& race = form.Race;
  form.StopSound("Engine");
  // The gun's sound loops until the trigger is seen released, which no tick
  // will do once the race is gone.
  form.StopSound("Shot");
  form.StopMusic();
  form.Platform().Video().ShowPointer(true);
  form.MDXTimer.SetEnabled(false);
  form.Shell.ScrollBackground->X = 0;
  form.Shell.ScrollBackground->Y = 0;
  race.RaceRunning = false;
  FreeRoadObjects(form);
  if (race.GunActive || race.TurboActive) EndBonuses(form);
  Free(race.CarSprite);
  Free(race.LeftPanelSprite);
  Free(race.RightPanelSprite);
  Free(race.ProgressMarker);
  Free(race.Needle);
  Free(race.GunIcon);
  Free(race.TurboIcon);
  Free(race.NoBonusIcon);
  Free(race.DriftIcon);
  Free(race.HitSpark);
  Free(race.CrashBlast);
  Free(race.MessageCaption);
  race.TimeOverPending = false;
  race.GameOverPending = false;
  race.ScrollSpeed = 0;
}

void EndRace(shell::TMForm& form) {
  RaceTeardown(form);
  if (records::ScoreQualifies(form.Records.HighScores, form.Race.Score)) {
    screens::OpenNameEntry(form);
  } else {
    screens::ShowMainMenu(form, true, 3);
  }
}

}  // namespace brakkon::race
