// The scrolling background sprite.
#include "screens/scroll_background.h"

#include "shell/form.h"

namespace brakkon::screens {

TScrollBackground::TScrollBackground(engine::TSprite* parent, shell::TMForm& form,
                                     std::string_view imageName)
    : engine::TBackgroundSprite(parent), form_(form) {
  ResizeMap(1, 1);
  const auto state = form.Shell.GameState;
  const bool race = state == shell::TGameState::Race || state == shell::TGameState::RaceSetup;
  Image = &(race ? form.MDXImageList3 : form.MDXImageList).Items().ItemByName(imageName);
  X = 0;
  Y = 0;
  SetZ(1);
  Tiled = true;
}

void TScrollBackground::MoveSelf(int moveAmount) {
  engine::TSprite::MoveSelf(moveAmount);
  // The move amount is not used: the race sets the speed per pass itself.
  Y += form_.Race.ScrollSpeed;
  if (Y > 600) Y -= 512;
}

}  // namespace brakkon::screens
