// The name entry for a result that makes the table, and the prompt that asks
// whether to send it to the online table.
#pragma once

#include "io/dx_input.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

void OpenNameEntry(shell::TMForm& form);
void NameEntryTick(shell::TMForm& form, int lagCount);
// Puts the cursor behind the name as drawn in the last frame.
void PlaceNameCursor(shell::TMForm& form);
// A typed character in the name entry (after the dispatcher's press sound).
void NameEntryKeyPress(shell::TMForm& form, char key);
// The pad's letter picker, with the joystick states that went down this tick
// (edge only: holding repeats nothing). Up / Down step the last letter through
// A..Z and space, wrapping (Up: A to B); on an empty name, or after Right, they
// append a new one that starts as a space (Up gives A, Down Z). Right opens that
// new slot when the name has a letter to move on from and the field still takes a
// letter. Left or B deletes the last character as Backspace does; Start or A
// ends the entry as Enter does. In one tick: delete, Right, the step, then Enter.
void NameEntryPad(shell::TMForm& form, io::TInputStates pressed);
// The typed name and the score into the table, sorted.
void StoreResult(shell::TMForm& form);

void OpenSendPrompt(shell::TMForm& form);
void SendPromptTick(shell::TMForm& form, int lagCount);
void CloseSendPrompt(shell::TMForm& form);
// OK (slot 1) sends the result; either answer leads to the main menu and its table.
void SendPromptClick(shell::TMForm& form);

}  // namespace brakkon::screens
