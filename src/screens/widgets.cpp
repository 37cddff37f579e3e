// Picture buttons, captions and the button-slot routines.
#include "screens/widgets.h"

#include "shell/form.h"

namespace brakkon::screens {

TMenuButton::TMenuButton(engine::TSprite* parent, shell::TMForm& form,
                         std::string_view activeImageName, std::string_view inactiveImageName,
                         int activePattern, int inactivePattern, int x, int y)
    : engine::TImageSprite(parent),
      ActiveImageName(activeImageName),
      InactiveImageName(inactiveImageName),
      ActivePattern(activePattern),
      InactivePattern(inactivePattern),
      form_(form) {
  Image = &form.MDXImageList.Items().ItemByName(InactiveImageName);
  Width = Image->Width();
  Height = Image->Height();
  AnimFrames = Image->PatternCount();
  AnimLoop = true;
  AnimRate = 0;
  AnimPosition = InactivePattern;
  X = x;
  Y = y;
  SetZ(4);
}

void TMenuButton::MoveSelf(int moveAmount) {
  engine::TImageSprite::MoveSelf(moveAmount);
}

void TMenuButton::Activate() {
  Image = &form_.MDXImageList.Items().ItemByName(ActiveImageName);
  AnimPosition = ActivePattern;
}

void TMenuButton::Deactivate() {
  Image = &form_.MDXImageList.Items().ItemByName(InactiveImageName);
  AnimPosition = InactivePattern;
}

TCaptionSprite::TCaptionSprite(engine::TSprite* parent, shell::TMForm& form,
                               std::string_view imageName)
    : engine::TImageSprite(parent) {
  const auto state = form.Shell.GameState;
  const bool race = state == shell::TGameState::Race || state == shell::TGameState::RaceSetup;
  Image = &(race ? form.MDXImageList3 : form.MDXImageList).Items().ItemByName(imageName);
  Width = Image->Width();
  Height = Image->Height();
  X = form.MDXDraw.SurfaceWidth() / 2.0 - Width / 2.0;
  Y = form.MDXDraw.SurfaceHeight() / 2.0 - Height / 2.0;
  SetZ(3);
  AnimPosition = 0;
  AnimFrames = Image->PatternCount();
  AnimLoop = false;
  AnimRate = form.MDXTimer.Interval() / 1000.0 * 3;
}

void TCaptionSprite::MoveSelf(int moveAmount) {
  engine::TImageSprite::MoveSelf(moveAmount);
}

namespace {

// A slot that holds a button of the current screen. Every read of a slot by a
// computed number goes through it: the highlight can be left on a number the
// current screen does not use (a main-menu slot while a sub-screen is up).
TMenuButton* LiveButton(shell::ShellState& s, int slot) {
  if (slot < 1 || slot > s.ButtonCount || slot >= static_cast<int>(s.Buttons.size())) {
    return nullptr;
  }
  return s.Buttons[slot];
}

// A step to a neighbour slot is kept even when the neighbour is a main-menu
// slot outside the screen's range (the screen then closes at its tick); a
// step that would leave the screen's slots altogether lands in the range, at
// `fallback`, so no press can ever walk the highlight to 0 or below.
void SettleStep(shell::ShellState& s, int next, int fallback) {
  s.ActiveButton = LiveButton(s, next) != nullptr ? next : fallback;
}

}  // namespace

void RefreshButtons(shell::TMForm& form) {
  auto& s = form.Shell;
  for (int i = 1; i <= s.ButtonCount; ++i) {
    TMenuButton* button = LiveButton(s, i);
    if (i == s.ActiveButton || button == nullptr) continue;
    button->Deactivate();
    button->IsActive = false;
  }
  TMenuButton* active = LiveButton(s, s.ActiveButton);
  if (active != nullptr && !active->IsActive) {
    active->Activate();
    active->IsActive = true;
    form.PlaySound("Button_Activated", false);
  }
}

void HoverTest(shell::TMForm& form) {
  auto& s = form.Shell;
  for (int i = 1; i <= s.ButtonCount; ++i) {
    const TMenuButton* b = LiveButton(s, i);
    if (b == nullptr) continue;
    if (b->Y <= s.MouseY && s.MouseY <= b->Y + b->Height && b->X <= s.MouseX &&
        s.MouseX <= b->X + b->Width) {
      s.ActiveButton = i;
      return;
    }
  }
}

void StepForward(shell::TMForm& form, bool wrap) {
  auto& s = form.Shell;
  s.NavOverrun = false;
  if (wrap) {
    SettleStep(s, s.ActiveButton == s.LastButton ? s.FirstButton : s.ActiveButton + 1,
               s.FirstButton);
  } else if (s.ActiveButton < s.LastButton) {
    SettleStep(s, s.ActiveButton + 1, s.FirstButton);
  } else {
    s.NavOverrun = true;
  }
  s.NavReady = false;
}

void StepBackward(shell::TMForm& form, bool wrap) {
  auto& s = form.Shell;
  s.NavOverrun = false;
  if (wrap) {
    SettleStep(s, s.ActiveButton == s.FirstButton ? s.LastButton : s.ActiveButton - 1,
               s.LastButton);
  } else if (s.ActiveButton > s.FirstButton) {
    SettleStep(s, s.ActiveButton - 1, s.LastButton);
  } else {
    s.NavOverrun = true;
  }
  s.NavReady = false;
}

void NavigateVertical(shell::TMForm& form, bool wrap) {
  const io::TInputStates states = form.MDXInput.InputStates();
  const bool up = states.Has(io::TInputState::InputUp);
  const bool down = states.Has(io::TInputState::InputDown);
  auto& s = form.Shell;
  if (up && s.NavReady) StepBackward(form, wrap);
  if (down && s.NavReady) StepForward(form, wrap);
  if (!up && !down) s.NavReady = true;
}

void NavigateHorizontal(shell::TMForm& form, bool wrap) {
  const io::TInputStates states = form.MDXInput.InputStates();
  const bool right = states.Has(io::TInputState::InputRight);
  const bool left = states.Has(io::TInputState::InputLeft);
  auto& s = form.Shell;
  if (right && s.NavReady) StepForward(form, wrap);
  if (left && s.NavReady) StepBackward(form, wrap);
  if (!right && !left) s.NavReady = true;
}

void PlayPressSound(shell::TMForm& form) {
  if (form.Shell.GameState != shell::TGameState::Race) form.PlaySound("Button_Pressed", false);
}

}  // namespace brakkon::screens
