// The high-score screen: the local table, its clear button and the online table's link.
#include "screens/high_score_screen.h"

#include <string>

#include "records/web_links.h"
#include "screens/bitmap_text.h"
#include "screens/main_menu.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

constexpr int kOwnMenuSlot = 3;
constexpr int kClearSlot = 7;
constexpr int kViewOnlineSlot = 8;

constexpr int kRankX = 53;    // px
constexpr int kNameX = 126;   // px
constexpr int kScoreX = 377;  // px

}  // namespace

void OpenHighScores(shell::TMForm& form) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::HighScores;
  s.ButtonCount = kViewOnlineSlot;
  s.ActiveButton = kViewOnlineSlot;
  s.FirstButton = kClearSlot;
  s.LastButton = kViewOnlineSlot;
  UseMediumActiveFont(form);
  s.ScreenCaption->Visible = false;
  form.MDXTimer.SetEnabled(true);
  engine::TSpriteEngine& root = form.MDXSpriteEngine.Engine();
  s.HighScoreBackground = new TCaptionSprite(&root, form, "HighScoresBackground");
  s.HighScoreBackground->SetZ(2);
  s.HighScoreBackground->X = 14;
  s.HighScoreBackground->Y = 115;
  s.Buttons[kClearSlot] =
      new TMenuButton(&root, form, "ClearHighScores", "ClearHighScores", 1, 0, 27, 412);
  s.Buttons[kViewOnlineSlot] =
      new TMenuButton(&root, form, "ViewHighScores", "ViewHighScores", 1, 0, 283, 412);
}

void CloseHighScores(shell::TMForm& form) {
  auto& s = form.Shell;
  delete s.HighScoreBackground;
  s.HighScoreBackground = nullptr;
  for (int slot : {kClearSlot, kViewOnlineSlot}) {
    delete s.Buttons[slot];
    s.Buttons[slot] = nullptr;
  }
  form.MDXTimer.SetEnabled(false);
}

void HighScoreTick(shell::TMForm& form, int lagCount) {
  auto& s = form.Shell;
  RefreshButtons(form);
  NavigateHorizontal(form, true);
  s.Buttons[kOwnMenuSlot]->Activate();
  const int active = s.ActiveButton;
  if (active != 0 && active != kOwnMenuSlot && active != kClearSlot && active != kViewOnlineSlot) {
    CloseHighScores(form);
    ShowMainMenu(form, false, 0);
  }
  form.BeginFrame(lagCount, true);
  // Drawn also in the tick that closed the screen.
  DrawHighScoreTable(form);
  form.EndFrame();
}

void DrawHighScoreTable(shell::TMForm& form) {
  for (int n = 1; n <= records::kHighScoreTableSize; ++n) {
    const records::THighScore& entry = form.Records.HighScores[n - 1];
    const int y = 126 + 26 * n;
    DrawText(form, std::to_string(n), kRankX, y);
    DrawText(form, entry.Name, kNameX, y);
    DrawText(form, std::to_string(entry.Score), kScoreX, y);
  }
}

void HighScoresClick(shell::TMForm& form) {
  switch (form.Shell.ActiveButton) {
    case 0:
      break;
    case kClearSlot:
      records::ResetHighScores(form.Records.HighScores);
      break;
    case kViewOnlineSlot:
      records::OpenAddress(form.Platform().Opener(), records::OnlineTableAddress(form.Records.ScoreHost));
      break;
    default:
      CloseHighScores(form);
      ShowMainMenu(form, false, 0);
      break;
  }
}

}  // namespace brakkon::screens
