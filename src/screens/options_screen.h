// The options screen (display mode, music, sound, country), shown beside the
// main menu in slots 7 to 10.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// Builds the screen's sprites and buttons, sets the game state and enables the timer.
void OpenOptions(shell::TMForm& form);
// One frame of the screen; closes it when the highlight reaches another main-menu slot.
void OptionsTick(shell::TMForm& form, int lagCount);
// Frees exactly the sprites OpenOptions made, stops country editing, disables the timer.
void CloseOptions(shell::TMForm& form);
// What a click (or a key acting as one) does on the highlighted button while the
// screen is up; the press sound has already been played.
void OptionsClick(shell::TMForm& form);

// The country row starts taking typed characters; the cursor shows at the first blink.
void StartCountryEdit(shell::TMForm& form);
void StopCountryEdit(shell::TMForm& form);
// Typed characters while the options screen is up: Enter acts as a click, Esc
// closes the screen, and the country row takes letters, spaces and Backspace.
void OptionsKeyPress(shell::TMForm& form, char& key);

}  // namespace brakkon::screens
