// A gamepad in the menus and the name entry: its presses act as the keys they stand for.
#pragma once

#include "io/dx_input.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// The joystick buttons the SDL platform gives a known pad's Start, B and A.
inline constexpr io::TInputState kPadStart = io::TInputState::InputButton4;
inline constexpr io::TInputState kPadB = io::TInputState::InputButton7;
inline constexpr io::TInputState kPadA = io::TInputState::InputButton8;

// Once per tick, after the input states are refreshed and before the state's tick.
// Outside the race a press of A types Enter and a press of B types Esc; the name
// entry hands the presses to its letter picker instead. Reads the joystick's own
// states, so the keyboard's Space (also InputButton8) never counts twice.
void PadKeysTick(shell::TMForm& form);

}  // namespace brakkon::screens
