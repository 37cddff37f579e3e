// The game's states and the variables the shell and the screens share.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace brakkon::screens {
class TScrollBackground;
}

namespace brakkon::shell {

// The numbers matter: they select the tick and are compared by the music and
// image-list rules.
enum class TGameState : std::int32_t {
  MainMenu = 0,
  Race = 1,
  Options = 2,
  HighScores = 3,
  Help = 4,
  SendPrompt = 7,
  CarSelect = 8,
  RaceSetup = 10,
  NameEntry = 71,
};

// The shell's and the screens' variables; one instance lives in the form.
struct ShellState {
  TGameState GameState = TGameState::MainMenu;
  std::int32_t MouseX = 0;  // last pointer position on the display, px
  std::int32_t MouseY = 0;
  bool KeyCtrl = false;     // a Ctrl key is held; read by the race
  screens::TScrollBackground* ScrollBackground = nullptr;  // owned by the sprite tree
  double ScrollSpeed = 0;   // px the background moves down per move pass; 0 outside the race
};

}  // namespace brakkon::shell
