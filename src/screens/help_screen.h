// The help screen (four pages, previous and next), shown beside the main menu
// in slots 7 and 8.
#pragma once

#include <array>

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// The page pictures; HelpPage n (1 to 4) shows HelpPages[n - 1].
inline constexpr std::array<const char*, 4> HelpPages = {"Help1", "Help2", "Help3", "Help4"};

// Builds the screen on page 1, sets the game state and enables the timer.
void OpenHelp(shell::TMForm& form);
// One frame of the screen. Left or Right pushed past the end button acts on it
// (turns the page); the highlight reaching another main-menu slot closes the screen.
void HelpTick(shell::TMForm& form, int lagCount);
// Frees exactly the sprites OpenHelp made and disables the timer.
void CloseHelp(shell::TMForm& form);
// What a click (or a key acting as one) does on the highlighted button while the
// screen is up; the press sound has already been played.
void HelpClick(shell::TMForm& form);

}  // namespace brakkon::screens
