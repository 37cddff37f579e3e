// The name entry for a result that makes the table, and the prompt that asks
// whether to send it to the online table.
#pragma once

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
// The typed name and the score into the table, sorted.
void StoreResult(shell::TMForm& form);

void OpenSendPrompt(shell::TMForm& form);
void SendPromptTick(shell::TMForm& form, int lagCount);
void CloseSendPrompt(shell::TMForm& form);
// OK (slot 1) sends the result; either answer leads to the main menu and its table.
void SendPromptClick(shell::TMForm& form);

}  // namespace brakkon::screens
