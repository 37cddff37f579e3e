// Screen widgets: picture buttons, captions, and the routines that keep the
// highlight of the current screen's buttons right.
#pragma once

#include <string>
#include <string_view>

#include "engine/sprite.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// A picture button showing one pattern of its active or inactive image (both
// from the menu pictures).
class TMenuButton : public engine::TImageSprite {
 public:
  TMenuButton(engine::TSprite* parent, shell::TMForm& form, std::string_view activeImageName,
              std::string_view inactiveImageName, int activePattern, int inactivePattern, int x,
              int y);
  void MoveSelf(int moveAmount) override;
  void Activate();
  void Deactivate();

  std::string ActiveImageName;
  std::string InactiveImageName;
  std::int32_t ActivePattern = 0;
  std::int32_t InactivePattern = 0;
  bool IsActive = false;  // the last refresh switched it to its active look

 private:
  shell::TMForm& form_;
};

// A picture centred on the display; several patterns play once and stop on the last.
class TCaptionSprite : public engine::TImageSprite {
 public:
  // Takes the image from the race pictures while a race is set up or running,
  // otherwise from the menu pictures.
  TCaptionSprite(engine::TSprite* parent, shell::TMForm& form, std::string_view imageName);
  void MoveSelf(int moveAmount) override;
};

// Un-highlights every live slot but the active one and highlights that one,
// sounding each change of highlight once.
void RefreshButtons(shell::TMForm& form);
// After a pointer move: the first live button under the pointer (edges
// included) becomes the highlight; off every button the highlight stays.
void HoverTest(shell::TMForm& form);
void StepForward(shell::TMForm& form, bool wrap);
void StepBackward(shell::TMForm& form, bool wrap);
// Once per tick: one slot per press of Up/Down (Left/Right); keys must be
// released before the highlight moves again.
void NavigateVertical(shell::TMForm& form, bool wrap);
void NavigateHorizontal(shell::TMForm& form, bool wrap);
// The button-press sound, except in the race.
void PlayPressSound(shell::TMForm& form);

}  // namespace brakkon::screens
