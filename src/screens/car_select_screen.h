// The car selection (four cars; choosing one starts the race), shown beside the
// main menu in slots 7 to 10.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// Builds the screen's sprites and buttons, sets the game state and enables the timer.
void OpenCarSelect(shell::TMForm& form);
// One frame of the screen; closes it when the highlight reaches another main-menu slot.
void CarSelectTick(shell::TMForm& form, int lagCount);
// Frees exactly the sprites OpenCarSelect made and disables the timer.
void CloseCarSelect(shell::TMForm& form);
// What a click (or a key acting as one) does on the highlighted button while the
// screen is up; the press sound has already been played. A car starts the race.
void CarSelectClick(shell::TMForm& form);

}  // namespace brakkon::screens
