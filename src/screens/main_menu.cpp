// The main menu screen. Its buttons, panels and slide-in arrive with the
// screens; until then it shows the scrolling background.
#include "screens/main_menu.h"

#include "shell/form.h"

namespace brakkon::screens {

void ShowMainMenu(shell::TMForm& form, bool /*full*/, int /*entry*/) {
  form.Shell.GameState = shell::TGameState::MainMenu;
  form.MDXTimer.SetEnabled(true);
}

void MainMenuTick(shell::TMForm& form, int lagCount) {
  form.BeginFrame(lagCount, true);
  form.EndFrame();
}

}  // namespace brakkon::screens
