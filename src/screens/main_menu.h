// The main menu: the hub shown at start-up and around the sub-screens.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// Full build (panels and buttons slide in, menu music; entry 3 opens the
// high-score screen once the buttons rest) or re-entry from a sub-screen.
void ShowMainMenu(shell::TMForm& form, bool full, int entry);
// One frame of the main menu: the slide-in, then navigation and the hint caption.
void MainMenuTick(shell::TMForm& form, int lagCount);
// Frees the menu's sprites before a race and at exit.
void CloseMainMenu(shell::TMForm& form);
// What acting on slots 1 to 6 does; nothing while the menu slides in.
void MainMenuClick(shell::TMForm& form);

}  // namespace brakkon::screens
