// The main menu: panels and buttons that slide in, the hint caption, the six entries.
#include "screens/main_menu.h"

#include <array>

#include "race/player_car.h"
#include "records/web_links.h"
#include "screens/car_select_screen.h"
#include "screens/help_screen.h"
#include "screens/high_score_screen.h"
#include "screens/options_screen.h"
#include "screens/scroll_background.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

struct MenuSlot {
  const char* activeImage;
  const char* inactiveImage;
  int pattern;
  int y;  // px
  const char* hintCaption;
};

constexpr std::array<MenuSlot, 6> kSlots = {{
    {"MainMenuButtons_Active", "MainMenuButtons_Inactive", 0, 115, "StartCaption"},
    {"MainMenuButtons_Active", "MainMenuButtons_Inactive", 1, 175, "OptionsCaption"},
    {"MainMenuButtons_Active", "MainMenuButtons_Inactive", 2, 238, "HighScoresCaption"},
    {"MainMenuButtons_Active", "MainMenuButtons_Inactive", 3, 300, "HelpCaption"},
    {"MainMenuButtons_Active", "MainMenuButtons_Inactive", 4, 362, "VisitWWWCaption"},
    {"MainMenu_ExitActive", "MainMenu_ExitInactive", 0, 424, "ExitCaption"},
}};

constexpr int kMenuSlotCount = 6;
constexpr int kButtonsStartX = 800;  // px: off the right edge
constexpr int kButtonsStopX = 558;   // px: sliding stops once at or left of it
constexpr int kButtonStep = 7;       // px per tick
constexpr int kUpPanelStep = 3;      // px per tick
constexpr int kDownPanelStep = 2;    // px per tick
constexpr int kHintX = 30;
constexpr int kHintY = 190;

enum MenuPhase { kInteractive = 0, kPanelsSliding = 1, kButtonsSliding = 3 };

void InteractiveStep(shell::TMForm& form) {
  auto& s = form.Shell;
  NavigateVertical(form, true);
  RefreshButtons(form);
  s.ScreenCaption->Visible = true;
  if (s.ActiveButton == 0) {
    s.ScreenCaption->Visible = false;
  } else if (s.ActiveButton >= 1 && s.ActiveButton <= kMenuSlotCount) {
    s.ScreenCaption->Image =
        &form.MDXImageList.Items().ItemByName(kSlots[s.ActiveButton - 1].hintCaption);
  }
  if (s.MenuEntry == 3) {
    OpenHighScores(form);
    s.MenuEntry = 0;
  }
}

void SlidePanels(shell::TMForm& form) {
  auto& s = form.Shell;
  if (s.UpPanel->Y < 0) s.UpPanel->Y += kUpPanelStep;
  if (s.DownPanel->Y > 600 - s.DownPanel->Height) s.DownPanel->Y -= kDownPanelStep;
  if (s.UpPanel->Y >= 0 && s.DownPanel->Y <= 600 - s.DownPanel->Height) s.MenuPhase = kButtonsSliding;
}

void SlideButtons(shell::TMForm& form) {
  auto& s = form.Shell;
  if (s.Buttons[1]->X > kButtonsStopX) {
    for (int i = 1; i <= s.ButtonCount; ++i) s.Buttons[i]->X -= kButtonStep;
  } else {
    s.MenuPhase = kInteractive;
  }
}

}  // namespace

void ShowMainMenu(shell::TMForm& form, bool full, int entry) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::MainMenu;
  s.ButtonCount = kMenuSlotCount;
  s.FirstButton = 1;
  s.LastButton = kMenuSlotCount;
  s.MenuEntry = entry;
  if (full) {
    form.StartMusic();
    if (entry == 0) s.ActiveButton = 1;
    if (entry == 3) s.ActiveButton = 3;
    s.MenuPhase = kPanelsSliding;
    s.ScrollBackground->Image = &form.MDXImageList.Items().ItemByName("MainMenuBackground");
    engine::TSprite* root = &form.MDXSpriteEngine.Engine();
    s.ScreenCaption = new TCaptionSprite(root, form, "NullCaption");
    s.ScreenCaption->X = kHintX;
    s.ScreenCaption->Y = kHintY;
    s.UpPanel = new TCaptionSprite(root, form, "UpPanel");
    s.UpPanel->X = 0;
    s.UpPanel->Y = -s.UpPanel->Image->Height();
    s.DownPanel = new TCaptionSprite(root, form, "DownPanel");
    s.DownPanel->X = 800 - s.DownPanel->Width;
    s.DownPanel->Y = 600;
    for (int i = 1; i <= kMenuSlotCount; ++i) {
      const MenuSlot& slot = kSlots[i - 1];
      s.Buttons[i] = new TMenuButton(root, form, slot.activeImage, slot.inactiveImage,
                                     slot.pattern, slot.pattern, kButtonsStartX, slot.y);
    }
  }
  s.ScreenCaption->Visible = true;
  form.MDXTimer.SetEnabled(true);
}

void MainMenuTick(shell::TMForm& form, int lagCount) {
  auto& s = form.Shell;
  if (s.MenuPhase == kInteractive) InteractiveStep(form);
  // A state change by the interactive step (the high-score screen opening)
  // still finishes this frame with the menu's own steps.
  if (s.MenuPhase == kPanelsSliding) SlidePanels(form);
  if (s.MenuPhase == kButtonsSliding) SlideButtons(form);
  form.BeginFrame(lagCount, true);
  form.EndFrame();
}

void CloseMainMenu(shell::TMForm& form) {
  auto& s = form.Shell;
  for (int i = 1; i <= s.ButtonCount; ++i) {
    delete s.Buttons[i];
    s.Buttons[i] = nullptr;
  }
  s.ButtonCount = 0;
  race::EndBonuses(form);
  delete s.ScreenCaption;
  delete s.UpPanel;
  delete s.DownPanel;
  s.ScreenCaption = s.UpPanel = s.DownPanel = nullptr;
  form.MDXTimer.SetEnabled(false);
}

void MainMenuClick(shell::TMForm& form) {
  auto& s = form.Shell;
  if (s.MenuPhase != kInteractive) return;
  switch (s.ActiveButton) {
    case 1:
      OpenCarSelect(form);
      break;
    case 2:
      OpenOptions(form);
      break;
    case 3:
      OpenHighScores(form);
      break;
    case 4:
      OpenHelp(form);
      break;
    case 5:
      records::OpenAddress(form.Platform().Opener(), records::WebSiteAddress(form.Records.ScoreHost));
      break;
    case 6:
      CloseMainMenu(form);
      form.ShutDown(false);
      break;
    default:
      break;
  }
}

}  // namespace brakkon::screens
