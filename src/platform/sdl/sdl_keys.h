// Translation of SDL key symbols to the game's virtual key codes.
#pragma once

#include <SDL.h>

namespace brakkon::platform {

// The virtual key of an SDL key, side-specific for Shift, Ctrl and Alt (160..165);
// 0 when the game has no code for it. Keypad keys follow Num Lock as the game's
// original platform does: digits (96..105) when it is on, navigation keys when off.
int VirtualKeyFromSdl(const SDL_Keysym& keysym);

// The virtual key of an SDL key name ("Up", "W", "Keypad 8"), as a press of that
// key with Num Lock on gives it; 0 when SDL does not know the name or the game
// has no code for the key. Needs the video system started (any driver: names
// other than single characters go through SDL's keymap).
int VirtualKeyFromName(const char* name);

// The code key handlers see: 16, 17 or 18 for either side of Shift, Ctrl and Alt.
int SideNeutralKey(int key);

}  // namespace brakkon::platform
