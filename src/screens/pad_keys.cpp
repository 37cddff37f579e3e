// A gamepad in the menus and the name entry: its presses act as the keys they stand for.
#include "screens/pad_keys.h"

#include "screens/name_entry.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

void Type(shell::TMForm& form, char typed) {
  char key = typed;
  form.FormKeyPress(key);
}

}  // namespace

void PadKeysTick(shell::TMForm& form) {
  auto& s = form.Shell;
  const io::TInputStates now = form.MDXInput.Joystick.States();
  const io::TInputStates pressed = io::TInputStates::FromBits(now.Bits() & ~s.PadStates.Bits());
  // Remembered in the race too, so a button held across its end is no press afterwards.
  s.PadStates = now;
  switch (s.GameState) {
    case shell::TGameState::Race:
    case shell::TGameState::RaceSetup:
      return;
    case shell::TGameState::NameEntry:
      NameEntryPad(form, pressed);
      return;
    default:
      break;
  }
  if (pressed.Has(kPadA)) Type(form, 13);
  if (pressed.Has(kPadB) && !form.Terminated()) Type(form, 27);
}

}  // namespace brakkon::screens
