// Race set-up and the head-up display.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

// Starts a race with Race.CarModel; the main menu has been closed by the caller.
void OpenRace(shell::TMForm& form);
void SetRoadGround(shell::TMForm& form);

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
