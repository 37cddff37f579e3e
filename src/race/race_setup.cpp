// Race set-up: from the chosen car to the first level; and the head-up display
// drawn over every race frame.
#include "race/race_setup.h"

#include <cmath>
#include <string>

#include "race/player_car.h"
#include "race/race_end.h"
#include "race/race_tick.h"
#include "screens/bitmap_text.h"
#include "screens/scroll_background.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::race {
namespace {

constexpr double kRoadX = 124;      // px: the road picture starts right of the left panel
constexpr int kNeedlePivotX = 736;  // px: where the needle's pivot sits on the dial
constexpr int kNeedlePivotY = 537;
constexpr double kNeedlePivotFractionX = 20.0 / 23;
constexpr double kNeedlePivotFractionY = 4.0 / 39;
constexpr double kNeedleStepsPerSpeed = 10;  // 256ths of a turn per px per tick
constexpr int kBonusCountX = 764;
constexpr int kBonusCountY = 430;
constexpr int kBigTextY = 250;

screens::TCaptionSprite* MakeCaption(shell::TMForm& form, const char* image, double x, double y,
                                     int z, bool visible) {
  auto* sprite = new screens::TCaptionSprite(&form.MDXSpriteEngine.Engine(), form, image);
  sprite->X = x;
  sprite->Y = y;
  sprite->SetZ(z);
  sprite->Visible = visible;
  return sprite;
}

void DrawPanelNumber(shell::TMForm& form, std::int32_t value, int y) {
  screens::DrawText(form, std::to_string(value), PanelNumberX(value), y);
}

void DrawBig(shell::TMForm& form, const std::string& text, int x) {
  screens::UseBigFont(form);
  screens::DrawText(form, text, x, kBigTextY);
}

}  // namespace

int PanelNumberX(std::int32_t value) {
  const int n = (value > 99 ? 1 : 0) + (value > 999 ? 1 : 0) + (value > 9999 ? 1 : 0);
  return 55 - 10 * n;
}

int NeedleAngle(double speed, std::int32_t jitter) {
  return static_cast<int>(std::trunc(speed * kNeedleStepsPerSpeed)) + jitter;
}

void OpenRace(shell::TMForm& form) {
  RaceState& race = form.Race;
  auto& shell = form.Shell;
  shell.GameState = shell::TGameState::RaceSetup;
  form.StartMusic();
  shell.ButtonCount = 0;
  form.Platform().Video().ShowPointer(false);
  SetRoadGround(form);
  shell.ScrollBackground->X = kRoadX;

  race.LeftPanelSprite = MakeCaption(form, "LeftPanel", 0, 0, 3, true);
  race.RightPanelSprite = MakeCaption(form, "RightPanel", 0, 0, 3, true);
  race.RightPanelSprite->X = 799 - race.RightPanelSprite->Width;
  race.ProgressMarker = MakeCaption(form, "CarSmall", 0, 322, 4, true);
  race.ProgressMarker->X = 734 - race.ProgressMarker->Width / 2.0;
  race.Needle = MakeCaption(form, "Pointer", 0, 533, 4, false);
  race.Needle->X = 740 - race.Needle->Width;
  race.Needle->Visible = true;

  race.NeedleJitterTimer = -1;
  race.NeedleJitter = 0;
  DrawNeedle(form);

  NewGame(form);

  race.GunIcon = MakeCaption(form, "GunSmall", 0, 0, 4, false);
  race.GunIcon->X = 715 - race.GunIcon->Width / 2.0;
  race.GunIcon->Y = 440 - race.GunIcon->Height / 2.0;
  race.TurboIcon = MakeCaption(form, "TurboSmall", 0, 0, 4, false);
  race.TurboIcon->X = 715 - race.TurboIcon->Width / 2.0;
  race.TurboIcon->Y = 440 - race.TurboIcon->Height / 2.0;
  race.NoBonusIcon = MakeCaption(form, "None", 692, 426, 4, false);
  race.DriftIcon = MakeCaption(form, "Drifting", 689, 426, 4, false);

  engine::TSprite* root = &form.MDXSpriteEngine.Engine();
  race.HitSpark = new TExplosion(root, form, "ExplosionMicro", 400, 300);
  race.HitSpark->Visible = false;
  race.CrashBlast = new TExplosion(root, form, "ExplosionBig", 400, 300);
  race.CrashBlast->SetZ(6);
  race.CrashBlast->Visible = false;

  race.SlotUsed.fill(false);
  form.MDXTimer.SetEnabled(true);
  race.RaceRunning = false;
}

void SetRoadGround(shell::TMForm& form) {
  form.Shell.ScrollBackground->Image = &form.MDXImageList3.Items().ItemByName("GroundLeft");
}

void DrawNeedle(shell::TMForm& form) {
  RaceState& race = form.Race;
  const int interval = static_cast<int>(form.MDXTimer.Interval());
  if (race.NeedleJitterTimer > 0) {
    race.NeedleJitterTimer -= interval;
  } else {
    race.NeedleJitterTimer = interval;
    // The cycle 1, -1, 0: each value held for two calls.
    race.NeedleJitter = race.NeedleJitter > 0 ? -1 : race.NeedleJitter + 1;
  }
  const screens::TCaptionSprite& needle = *race.Needle;
  const int angle = NeedleAngle(race.ScrollSpeed, race.NeedleJitter);
  needle.Image->DrawRotated(form.MDXDraw.Surface(), kNeedlePivotX, kNeedlePivotY, needle.Width,
                            needle.Height, 0, kNeedlePivotFractionX, kNeedlePivotFractionY, angle);
}

void DrawRaceNumbers(shell::TMForm& form) {
  const RaceState& race = form.Race;
  screens::UseSmallFont(form);
  DrawPanelNumber(form, race.Level, 90);
  DrawPanelNumber(form, race.Score, 180);
  DrawPanelNumber(form, race.Lives, 360);
  const std::int32_t m = race.TimeLeft / 60;
  const std::int32_t s = race.TimeLeft % 60;
  constexpr int kClockY = 270;
  screens::DrawText(form, std::to_string(m / 10), 35, kClockY);
  screens::DrawText(form, std::to_string(m % 10), 50, kClockY);
  screens::DrawText(form, ":", 65, kClockY);
  screens::DrawText(form, std::to_string(s / 10), 75, kClockY);
  screens::DrawText(form, std::to_string(s % 10), 90, kClockY);
}

void DrawBonusPanel(shell::TMForm& form) {
  RaceState& race = form.Race;
  if (race.DriftActive) {
    race.GunIcon->Visible = false;
    race.TurboIcon->Visible = false;
    race.NoBonusIcon->Visible = false;
    race.DriftIcon->Visible = true;
    const double drift = race.CarSprite->DriftTime;
    screens::DrawText(form, std::to_string(static_cast<int>(std::trunc(drift))), kBonusCountX,
                      kBonusCountY);
    if (drift == 0) race.DriftActive = false;
    return;
  }
  race.GunIcon->Visible = race.GunActive;
  race.TurboIcon->Visible = race.TurboActive;
  if (!race.GunActive && !race.TurboActive) {
    screens::UseSmallFont(form);
    race.NoBonusIcon->Visible = true;
    race.DriftIcon->Visible = false;
  } else {
    race.NoBonusIcon->Visible = false;
    race.DriftIcon->Visible = false;
    screens::DrawText(form, std::to_string(race.CarSprite->BonusCount), kBonusCountX, kBonusCountY);
  }
}

void ShowPause(shell::TMForm& form) {
  DrawBig(form, "PAUSE", 392);
}

void ShowFinishPrompt(shell::TMForm& form) {
  DrawBig(form, "FINISH RACE? Y/N", 282);
}

void ShowLevelCompleted(shell::TMForm& form) {
  DrawBig(form, "LEVEL COMPLETED", 282);
}

void ShowLevelBanner(shell::TMForm& form, int level) {
  DrawBig(form, "LEVEL " + std::to_string(level), 392);
}

}  // namespace brakkon::race
