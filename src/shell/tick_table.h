// The one table that maps a game state to its tick.
#pragma once

#include "shell/game_state.h"

namespace brakkon::shell {

class TMForm;

using TickHandler = void (*)(TMForm& form, int lagCount);

// The tick of `state`, or nullptr for a state without one (its ticks do nothing).
TickHandler TickFor(TGameState state);

}  // namespace brakkon::shell
