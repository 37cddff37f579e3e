// Translation of SDL key symbols to the game's virtual key codes.
#include "platform/sdl/sdl_keys.h"

#include "platform/platform.h"

namespace brakkon::platform {
namespace {

int KeypadKey(SDL_Scancode scancode, bool numLock) {
  switch (scancode) {
    case SDL_SCANCODE_KP_ENTER:
      return vk::kReturn;
    case SDL_SCANCODE_KP_DIVIDE:
      return vk::kDivide;
    case SDL_SCANCODE_KP_MULTIPLY:
      return vk::kMultiply;
    case SDL_SCANCODE_KP_MINUS:
      return vk::kSubtract;
    case SDL_SCANCODE_KP_PLUS:
      return vk::kAdd;
    default:
      break;
  }
  if (numLock) {
    if (scancode == SDL_SCANCODE_KP_0) return vk::kNumpad0;
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
      return vk::kNumpad0 + 1 + (scancode - SDL_SCANCODE_KP_1);
    if (scancode == SDL_SCANCODE_KP_PERIOD) return vk::kDecimal;
    return 0;
  }
  switch (scancode) {
    case SDL_SCANCODE_KP_0:
      return vk::kInsert;
    case SDL_SCANCODE_KP_1:
      return vk::kEnd;
    case SDL_SCANCODE_KP_2:
      return vk::kDown;
    case SDL_SCANCODE_KP_3:
      return vk::kNext;
    case SDL_SCANCODE_KP_4:
      return vk::kLeft;
    case SDL_SCANCODE_KP_5:
      return 12;  // Clear
    case SDL_SCANCODE_KP_6:
      return vk::kRight;
    case SDL_SCANCODE_KP_7:
      return vk::kHome;
    case SDL_SCANCODE_KP_8:
      return vk::kUp;
    case SDL_SCANCODE_KP_9:
      return vk::kPrior;
    case SDL_SCANCODE_KP_PERIOD:
      return vk::kDelete;
    default:
      return 0;
  }
}

int NamedKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_BACKSPACE:
      return vk::kBack;
    case SDLK_TAB:
      return vk::kTab;
    case SDLK_RETURN:
    case SDLK_RETURN2:
      return vk::kReturn;
    case SDLK_PAUSE:
      return vk::kPause;
    case SDLK_CAPSLOCK:
      return 20;
    case SDLK_ESCAPE:
      return vk::kEscape;
    case SDLK_SPACE:
      return vk::kSpace;
    case SDLK_PAGEUP:
      return vk::kPrior;
    case SDLK_PAGEDOWN:
      return vk::kNext;
    case SDLK_END:
      return vk::kEnd;
    case SDLK_HOME:
      return vk::kHome;
    case SDLK_LEFT:
      return vk::kLeft;
    case SDLK_UP:
      return vk::kUp;
    case SDLK_RIGHT:
      return vk::kRight;
    case SDLK_DOWN:
      return vk::kDown;
    case SDLK_PRINTSCREEN:
      return 44;
    case SDLK_INSERT:
      return vk::kInsert;
    case SDLK_DELETE:
      return vk::kDelete;
    case SDLK_LGUI:
      return 91;
    case SDLK_RGUI:
      return 92;
    case SDLK_APPLICATION:
      return 93;
    case SDLK_NUMLOCKCLEAR:
      return 144;
    case SDLK_SCROLLLOCK:
      return 145;
    case SDLK_LSHIFT:
      return vk::kLShift;
    case SDLK_RSHIFT:
      return vk::kRShift;
    case SDLK_LCTRL:
      return vk::kLControl;
    case SDLK_RCTRL:
      return vk::kRControl;
    case SDLK_LALT:
      return vk::kLMenu;
    case SDLK_RALT:
      return vk::kRMenu;
    case SDLK_SEMICOLON:
      return 186;
    case SDLK_EQUALS:
      return 187;
    case SDLK_COMMA:
      return 188;
    case SDLK_MINUS:
      return 189;
    case SDLK_PERIOD:
      return 190;
    case SDLK_SLASH:
      return 191;
    case SDLK_BACKQUOTE:
      return 192;
    case SDLK_LEFTBRACKET:
      return 219;
    case SDLK_BACKSLASH:
      return 220;
    case SDLK_RIGHTBRACKET:
      return 221;
    case SDLK_QUOTE:
      return 222;
    default:
      break;
  }
  if (key >= SDLK_F1 && key <= SDLK_F12) return vk::kF1 + (key - SDLK_F1);
  if (key >= SDLK_F13 && key <= SDLK_F24) return vk::kF1 + 12 + (key - SDLK_F13);
  return 0;
}

}  // namespace

int VirtualKeyFromSdl(const SDL_Keysym& keysym) {
  const SDL_Scancode scancode = keysym.scancode;
  const SDL_Keycode key = keysym.sym;
  if (scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD)
    return KeypadKey(scancode, (keysym.mod & KMOD_NUM) != 0);
  // Letters follow the keyboard layout; the digit row gives digits on every layout.
  if (key >= SDLK_a && key <= SDLK_z) return vk::kA + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return vk::k0 + (key - SDLK_0);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return vk::k0 + 1 + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return vk::k0;
  // A layout without Latin letters still gives letter codes, by position.
  const bool nonAscii = key >= 128 && !(key & SDLK_SCANCODE_MASK);
  if (nonAscii && scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return vk::kA + (scancode - SDL_SCANCODE_A);
  return NamedKey(key);
}

int VirtualKeyFromName(const char* name) {
  const SDL_Keycode key = SDL_GetKeyFromName(name);
  if (key == SDLK_UNKNOWN) return 0;
  SDL_Keysym keysym{};
  keysym.sym = key;
  keysym.scancode = SDL_GetScancodeFromKey(key);
  keysym.mod = KMOD_NUM;
  return VirtualKeyFromSdl(keysym);
}

int SideNeutralKey(int key) {
  switch (key) {
    case vk::kLShift:
    case vk::kRShift:
      return vk::kShift;
    case vk::kLControl:
    case vk::kRControl:
      return vk::kControl;
    case vk::kLMenu:
    case vk::kRMenu:
      return vk::kMenu;
    default:
      return key;
  }
}

}  // namespace brakkon::platform
