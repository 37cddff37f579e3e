// The car selection: four car portraits; acting on one closes the menus and starts the race.
#include "screens/car_select_screen.h"

#include <array>
#include <string>

#include "race/race_setup.h"
#include "screens/main_menu.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

constexpr int kOwnMenuSlot = 1;
constexpr int kFirstCarSlot = 7;
constexpr int kLastCarSlot = 10;
constexpr std::array<int, 4> kCarX = {41, 162, 282, 406};  // px
constexpr int kCarY = 161;                                 // px

bool IsCarSlot(int slot) {
  return slot >= kFirstCarSlot && slot <= kLastCarSlot;
}

}  // namespace

void OpenCarSelect(shell::TMForm& form) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::CarSelect;
  s.ButtonCount = kLastCarSlot;
  s.FirstButton = kFirstCarSlot;
  s.LastButton = kLastCarSlot;
  s.ActiveButton = kFirstCarSlot;
  s.ScreenCaption->Visible = false;
  form.MDXTimer.SetEnabled(true);
  engine::TSpriteEngine& root = form.MDXSpriteEngine.Engine();
  s.CarSelectBackground = new TCaptionSprite(&root, form, "StartGameBackground");
  s.CarSelectBackground->X = 14;
  s.CarSelectBackground->Y = 115;
  s.CarSelectBackground->SetZ(2);
  for (int slot = kFirstCarSlot; slot <= kLastCarSlot; ++slot) {
    const std::string car = "Car" + std::to_string(slot - kFirstCarSlot + 1);
    s.Buttons[slot] = new TMenuButton(&root, form, car + "_Active", car, 0, 0,
                                      kCarX[slot - kFirstCarSlot], kCarY);
  }
}

void CloseCarSelect(shell::TMForm& form) {
  auto& s = form.Shell;
  delete s.CarSelectBackground;
  s.CarSelectBackground = nullptr;
  for (int slot = kFirstCarSlot; slot <= kLastCarSlot; ++slot) {
    delete s.Buttons[slot];
    s.Buttons[slot] = nullptr;
  }
  form.MDXTimer.SetEnabled(false);
}

void CarSelectTick(shell::TMForm& form, int lagCount) {
  auto& s = form.Shell;
  NavigateHorizontal(form, true);
  RefreshButtons(form);
  s.Buttons[kOwnMenuSlot]->Activate();
  const int active = s.ActiveButton;
  if (active != 0 && active != kOwnMenuSlot && !IsCarSlot(active)) {
    CloseCarSelect(form);
    ShowMainMenu(form, false, 0);
  }
  form.BeginFrame(lagCount, true);
  form.EndFrame();
}

void CarSelectClick(shell::TMForm& form) {
  const int slot = form.Shell.ActiveButton;
  if (slot == 0) return;
  CloseCarSelect(form);
  ShowMainMenu(form, false, 0);
  if (!IsCarSlot(slot)) return;
  CloseMainMenu(form);
  form.Race.CarModel = slot - kFirstCarSlot + 1;
  race::OpenRace(form);
}

}  // namespace brakkon::screens
