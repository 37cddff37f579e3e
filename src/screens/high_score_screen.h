// The high-score screen (the table, clear, view online), shown beside the main
// menu in slots 7 and 8.
#pragma once

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// Builds the screen's sprites and buttons, selects the table's font, sets the
// game state and enables the timer.
void OpenHighScores(shell::TMForm& form);
// One frame of the screen; closes it when the highlight reaches another main-menu slot.
void HighScoreTick(shell::TMForm& form, int lagCount);
// The ten table rows in the current font; call between BeginFrame and EndFrame.
void DrawHighScoreTable(shell::TMForm& form);
// Frees exactly the sprites OpenHighScores made and disables the timer.
void CloseHighScores(shell::TMForm& form);
// What a click (or a key acting as one) does on the highlighted button while the
// screen is up; the press sound has already been played.
void HighScoresClick(shell::TMForm& form);

}  // namespace brakkon::screens
