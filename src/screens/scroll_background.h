// The tiled picture behind every screen; scrolls down during the race.
#pragma once

#include <string_view>

#include "engine/sprite.h"

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

class TScrollBackground : public engine::TBackgroundSprite {
 public:
  // Takes `imageName` from the race pictures while a race is set up or running,
  // otherwise from the menu pictures.
  TScrollBackground(engine::TSprite* parent, shell::TMForm& form, std::string_view imageName);
  // Moves down by the form's ScrollSpeed per pass, wrapping by 512 px past 600.
  void MoveSelf(int moveAmount) override;

 private:
  shell::TMForm& form_;
};

}  // namespace brakkon::screens
