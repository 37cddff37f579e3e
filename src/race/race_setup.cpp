// Race set-up: from the chosen car to the first level.
#include "race/race_setup.h"

#include "screens/main_menu.h"
#include "shell/form.h"

namespace brakkon::race {

void OpenRace(shell::TMForm& form) {
  // The race joins here; until then the chosen car leads back to a fresh main menu.
  screens::ShowMainMenu(form, true, 0);
}

}  // namespace brakkon::race
