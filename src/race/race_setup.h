// Race set-up and the head-up display.
#pragma once

#include <cstdint>

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

// Starts a race with Race.CarModel; the main menu has been closed by the caller.
void OpenRace(shell::TMForm& form);
void SetRoadGround(shell::TMForm& form);

// Where a number of the left panel starts: one or two digits at x 55, each
// further digit (up to five) 10 px further left.
int PanelNumberX(std::int32_t value);
// The speedometer needle's angle in 256ths of a turn.
int NeedleAngle(double speed, std::int32_t jitter);

// After each draw pass of a race tick, in this order.
void DrawNeedle(shell::TMForm& form);
void DrawRaceNumbers(shell::TMForm& form);
void DrawBonusPanel(shell::TMForm& form);

// Big centred texts drawn onto the frame before it is presented.
void ShowPause(shell::TMForm& form);
void ShowFinishPrompt(shell::TMForm& form);
void ShowLevelCompleted(shell::TMForm& form);
void ShowLevelBanner(shell::TMForm& form, int level);

}  // namespace brakkon::race
