// The help screen: four picture pages turned by the previous and next buttons.
#include "screens/help_screen.h"

#include "screens/main_menu.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

constexpr int kOwnMenuSlot = 4;
constexpr int kPreviousSlot = 7;
constexpr int kNextSlot = 8;
constexpr int kPageCount = static_cast<int>(HelpPages.size());

void ShowHelpPage(shell::TMForm& form) {
  auto& s = form.Shell;
  s.HelpSprite->Image = &form.MDXImageList.Items().ItemByName(HelpPages[s.HelpPage - 1]);
}

}  // namespace

void OpenHelp(shell::TMForm& form) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::Help;
  s.ButtonCount = kNextSlot;
  s.HelpPage = 1;
  s.ActiveButton = kNextSlot;
  s.FirstButton = kPreviousSlot;
  s.LastButton = kNextSlot;
  s.ScreenCaption->Visible = false;
  form.MDXTimer.SetEnabled(true);
  engine::TSpriteEngine& root = form.MDXSpriteEngine.Engine();
  s.HelpSprite = new TCaptionSprite(&root, form, HelpPages[s.HelpPage - 1]);
  s.HelpSprite->X = 14;
  s.HelpSprite->Y = 115;
  s.HelpSprite->SetZ(2);
  s.Buttons[kPreviousSlot] = new TMenuButton(&root, form, "Previous", "Previous", 1, 0, 36, 428);
  s.Buttons[kNextSlot] = new TMenuButton(&root, form, "Next", "Next", 1, 0, 462, 428);
}

void CloseHelp(shell::TMForm& form) {
  auto& s = form.Shell;
  delete s.HelpSprite;
  s.HelpSprite = nullptr;
  for (int slot : {kPreviousSlot, kNextSlot}) {
    delete s.Buttons[slot];
    s.Buttons[slot] = nullptr;
  }
  form.MDXTimer.SetEnabled(false);
}

void HelpTick(shell::TMForm& form, int lagCount) {
  auto& s = form.Shell;
  RefreshButtons(form);
  NavigateHorizontal(form, false);
  if (s.NavOverrun) {
    form.MDXDrawClick(s.MouseX, s.MouseY);
    s.NavOverrun = false;
  }
  s.Buttons[kOwnMenuSlot]->Activate();
  // The overrun click may have closed the screen already (Left with the pointer
  // resting on a lower main-menu slot); closing it twice would free it twice.
  const int active = s.ActiveButton;
  if (s.GameState == shell::TGameState::Help && active != 0 && active != kOwnMenuSlot &&
      active != kPreviousSlot && active != kNextSlot) {
    CloseHelp(form);
    ShowMainMenu(form, false, 0);
  }
  form.BeginFrame(lagCount, true);
  form.EndFrame();
}

void HelpClick(shell::TMForm& form) {
  auto& s = form.Shell;
  switch (s.ActiveButton) {
    case 0:
      break;
    case kPreviousSlot:
      s.HelpPage = s.HelpPage == 1 ? kPageCount : s.HelpPage - 1;
      ShowHelpPage(form);
      break;
    case kNextSlot:
      s.HelpPage = s.HelpPage == kPageCount ? 1 : s.HelpPage + 1;
      ShowHelpPage(form);
      break;
    default:
      CloseHelp(form);
      ShowMainMenu(form, false, 0);
      break;
  }
}

}  // namespace brakkon::screens
