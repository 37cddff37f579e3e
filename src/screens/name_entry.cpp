// Name entry (state 71) and the send-results prompt (state 7).
#include "screens/name_entry.h"

#include <cctype>
#include <string_view>

#include "records/high_scores.h"
#include "records/score_submission.h"
#include "screens/bitmap_text.h"
#include "screens/main_menu.h"
#include "screens/pad_keys.h"
#include "screens/scroll_background.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

constexpr int kDialogX = 200;  // px
constexpr int kDialogY = 160;
constexpr int kNameX = 400;
constexpr int kNameY = 243;
constexpr int kCursorMinX = 398;
constexpr int kCursorY = 265;
constexpr int kNameRightLimit = 579;  // px: letters stop once the name reaches it
constexpr std::int32_t kBlinkMs = 500;
constexpr char kEnter = 13;
constexpr char kBackspace = 8;

constexpr std::string_view kPickerCycle = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ";

// `c` moved `step` places along the picker's cycle; a character off the cycle counts as a space.
char StepLetter(char c, int step) {
  const auto size = static_cast<int>(kPickerCycle.size());
  const std::size_t found = kPickerCycle.find(c);
  const int at = found == std::string_view::npos ? size - 1 : static_cast<int>(found);
  return kPickerCycle[static_cast<std::size_t>(((at + step) % size + size) % size)];
}

// The keyboard's rule for one more letter; an empty name always takes one (its
// TextEndX is left over from an older text).
bool LetterFits(const shell::ShellState& s) {
  return s.PlayerName.empty() || s.TextEndX < kNameRightLimit - s.CursorSprite->Width;
}

// The same rule for a letter placed right after `before`, measured in the
// name's own font rather than read from the last frame.
bool LetterFitsAfter(shell::TMForm& form, std::string_view before) {
  if (before.empty()) return true;
  UseBigFont(form);
  return MeasureText(form, before, kNameX) < kNameRightLimit - form.Shell.CursorSprite->Width;
}

void TypeKey(shell::TMForm& form, char typed) {
  char key = typed;
  form.FormKeyPress(key);
}

TCaptionSprite* MakeDialog(shell::TMForm& form, const char* image) {
  auto* caption = new TCaptionSprite(&form.MDXSpriteEngine.Engine(), form, image);
  caption->X = kDialogX;
  caption->Y = kDialogY;
  return caption;
}

void ShowMenuBackground(shell::TMForm& form) {
  form.Shell.ScrollBackground->Image = &form.MDXImageList.Items().ItemByName("MainMenuBackground");
}

}  // namespace

void OpenNameEntry(shell::TMForm& form) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::NameEntry;
  ShowMenuBackground(form);
  s.ScreenCaption = MakeDialog(form, "EnterYourName");
  s.CursorSprite = new TCaptionSprite(&form.MDXSpriteEngine.Engine(), form, "Cursor");
  s.CursorSprite->X = kCursorMinX;
  s.CursorSprite->Y = kCursorY;
  s.CursorSprite->SetZ(5);
  s.CursorSprite->Visible = true;
  s.PlayerName = "NONAME";
  s.PadSlotAt = -1;
  PlaceNameCursor(form);
  s.CursorSprite->Y = kCursorY;
  s.CursorBlink = kBlinkMs;
  form.MDXTimer.SetEnabled(true);
}

void NameEntryTick(shell::TMForm& form, int lagCount) {
  auto& s = form.Shell;
  const auto interval = static_cast<std::int32_t>(form.MDXTimer.Interval());
  TCaptionSprite& cursor = *s.CursorSprite;
  if (cursor.Visible) {
    s.CursorBlink -= interval;
    if (s.CursorBlink <= 0) {
      cursor.Visible = false;
      s.CursorBlink = kBlinkMs;
    }
  }
  // Also right after hiding: the hidden half starts counting in the same tick.
  if (!cursor.Visible) {
    s.CursorBlink -= interval;
    if (s.CursorBlink <= 0) {
      cursor.Visible = true;
      s.CursorBlink = kBlinkMs;
    }
  }
  form.BeginFrame(lagCount, true);
  UseBigFont(form);
  DrawText(form, s.PlayerName, kNameX, kNameY);
  PlaceNameCursor(form);
  form.EndFrame();
}

void PlaceNameCursor(shell::TMForm& form) {
  auto& s = form.Shell;
  TCaptionSprite& cursor = *s.CursorSprite;
  if (s.TextEndX > kNameRightLimit - cursor.Width) return;
  cursor.X = s.TextEndX < kCursorMinX ? kCursorMinX : s.TextEndX;
  // An empty name draws nothing, so TextEndX still holds the end of an older text.
  if (s.PlayerName.empty()) cursor.X = kCursorMinX;
}

void NameEntryKeyPress(shell::TMForm& form, char key) {
  auto& s = form.Shell;
  if (key == kEnter) {
    StoreResult(form);
    OpenSendPrompt(form);
    return;
  }
  if (key == kBackspace) {
    if (!s.PlayerName.empty()) s.PlayerName.pop_back();
    return;
  }
  if (key == ' ') {
    // Spaces are taken past the width limit too, by design.
    s.PlayerName += ' ';
    return;
  }
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  if (upper >= 'A' && upper <= 'Z' && s.TextEndX < kNameRightLimit - s.CursorSprite->Width) {
    s.PlayerName += upper;
  }
}

void NameEntryPad(shell::TMForm& form, io::TInputStates pressed) {
  using io::TInputState;
  auto& s = form.Shell;
  if (pressed.Has(TInputState::InputLeft) || pressed.Has(kPadB)) TypeKey(form, kBackspace);
  if (pressed.Has(TInputState::InputRight) && !s.PlayerName.empty() && LetterFits(s))
    s.PadSlotAt = static_cast<std::int32_t>(s.PlayerName.size());
  const int step =
      (pressed.Has(TInputState::InputUp) ? 1 : 0) - (pressed.Has(TInputState::InputDown) ? 1 : 0);
  if (step != 0) {
    // A slot opened before the name changed by other means is gone with that change.
    const bool newSlot =
        s.PlayerName.empty() || s.PadSlotAt == static_cast<std::int32_t>(s.PlayerName.size());
    const std::string_view before =
        newSlot ? std::string_view(s.PlayerName)
                : std::string_view(s.PlayerName).substr(0, s.PlayerName.size() - 1);
    const char picked = StepLetter(newSlot ? ' ' : s.PlayerName.back(), step);
    // The keyboard's width rule for the picked character's place: a letter only
    // where the name before it ends left of the limit (a space typed past the
    // limit must not become a letter there), a space always.
    if (picked == ' ' || LetterFitsAfter(form, before)) {
      if (newSlot) s.PlayerName += ' ';
      s.PlayerName.back() = picked;
    }
    s.PadSlotAt = -1;
  }
  if (pressed.Has(kPadStart) || pressed.Has(kPadA)) TypeKey(form, kEnter);
}

void StoreResult(shell::TMForm& form) {
  auto& s = form.Shell;
  records::THighScore& staging = form.Records.HighScores[records::kStagingIndex];
  staging.Name = s.PlayerName;
  staging.Score = form.Race.Score;
  records::SortHighScores(form.Records.HighScores);
  delete s.ScreenCaption;
  delete s.CursorSprite;
  s.ScreenCaption = nullptr;
  s.CursorSprite = nullptr;
}

void OpenSendPrompt(shell::TMForm& form) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::SendPrompt;
  s.ButtonCount = 2;
  s.FirstButton = 1;
  s.LastButton = 2;
  s.ActiveButton = 1;
  s.ScreenCaption = MakeDialog(form, "SendResults");
  engine::TSprite* root = &form.MDXSpriteEngine.Engine();
  s.Buttons[1] = new TMenuButton(root, form, "OkButton2", "OkButton2", 1, 0, 235, 305);
  s.Buttons[2] = new TMenuButton(root, form, "CancelButton2", "CancelButton2", 1, 0, 405, 305);
  ShowMenuBackground(form);
  form.MDXTimer.SetEnabled(true);
}

void SendPromptTick(shell::TMForm& form, int lagCount) {
  RefreshButtons(form);
  NavigateHorizontal(form, true);
  form.BeginFrame(lagCount, true);
  form.EndFrame();
}

void CloseSendPrompt(shell::TMForm& form) {
  auto& s = form.Shell;
  for (int i = 1; i <= s.ButtonCount; ++i) {
    delete s.Buttons[i];
    s.Buttons[i] = nullptr;
  }
  s.ButtonCount = 0;
  delete s.ScreenCaption;
  s.ScreenCaption = nullptr;
  form.MDXTimer.SetEnabled(false);
}

void SendPromptClick(shell::TMForm& form) {
  const int slot = form.Shell.ActiveButton;
  if (slot != 1 && slot != 2) return;
  if (slot == 1) {
    records::SubmitScore(form.Platform().Http(), form.Platform().Dialogs(), form.Records.ScoreHost,
                         form.Shell.PlayerName, form.Race.Score, form.Records.Options.Country);
  }
  CloseSendPrompt(form);
  ShowMainMenu(form, true, 3);
}

}  // namespace brakkon::screens
