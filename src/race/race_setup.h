// Race set-up: from the chosen car to the first level.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::race {

// Starts a race with Race.CarModel; the main menu has been closed by the caller.
void OpenRace(shell::TMForm& form);

}  // namespace brakkon::race
