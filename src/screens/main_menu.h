// The main menu: shown at start-up and around the sub-screens.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// Builds the main menu and enables the frame timer.
void ShowMainMenu(shell::TMForm& form, bool full, int entry);
// One frame of the main menu.
void MainMenuTick(shell::TMForm& form, int lagCount);

}  // namespace brakkon::screens
