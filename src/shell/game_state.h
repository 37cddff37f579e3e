// The game's states and the variables the shell and the screens share.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "io/dx_input.h"

namespace brakkon::screens {
class TCaptionSprite;
class TMenuButton;
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

  // Button slots 1..10 (index 0 unused): the main menu uses 1..6, sub-screens 7..10,
  // the send-results prompt 1..2. A slot keeps a stale pointer after its screen
  // closes; ButtonCount, FirstButton and LastButton say which slots are live.
  std::array<screens::TMenuButton*, 11> Buttons{};
  std::int32_t ButtonCount = 0;  // slots 1..ButtonCount are hover-tested and refreshed
  std::int32_t FirstButton = 0;  // keyboard navigation range
  std::int32_t LastButton = 0;
  std::int32_t ActiveButton = 0;  // the highlighted slot; 0 = none
  bool NavReady = false;          // keyboard navigation latch
  bool NavOverrun = false;        // the last step ran past the end of the range

  std::int32_t MouseX = 0;  // last pointer position on the display, px
  std::int32_t MouseY = 0;
  bool KeyCtrl = false;  // a Ctrl key is held; read by the race

  screens::TCaptionSprite* ScreenCaption = nullptr;
  screens::TCaptionSprite* UpPanel = nullptr;
  screens::TCaptionSprite* DownPanel = nullptr;
  std::int32_t MenuPhase = 0;  // 0 interactive, 1 panels sliding in, 3 buttons sliding in
  std::int32_t MenuEntry = 0;  // 3: open the high-score screen once the menu is in

  screens::TScrollBackground* ScrollBackground = nullptr;  // owned by the sprite tree

  std::string FontName;         // current bitmap font's image
  std::int32_t FontKind = 0;    // 1 small, 2 medium, 3 medium active, 4 big
  std::int32_t TextEndX = 0;    // pen x after the last text drawn, px

  std::string PlayerName;  // typed in the name entry; kept between games, sent with the result
  // The name's length when the pad's Right opened a slot for a new letter; -1 = none.
  std::int32_t PadSlotAt = -1;
  io::TInputStates PadStates;  // the joystick's own states at the last tick, to see its presses

  screens::TCaptionSprite* CursorSprite = nullptr;
  std::int32_t CursorBlink = 0;  // ms

  std::int32_t HelpPage = 0;
  screens::TCaptionSprite* HelpSprite = nullptr;
  screens::TCaptionSprite* HighScoreBackground = nullptr;
  screens::TCaptionSprite* CarSelectBackground = nullptr;

  screens::TCaptionSprite* OptionsBackgroundSprite = nullptr;
  bool CountryEditing = false;  // the options' country row takes typed characters
};

}  // namespace brakkon::shell
