// Window events, the keyboard table and the joystick on SDL.
#include "platform/sdl/sdl_input.h"

#include <algorithm>
#include <limits>
#include <string>

#include "platform/sdl/sdl_keys.h"

namespace brakkon::platform {

bool SdlInput::PollEvent(Event& event) {
  SDL_Event sdlEvent;
  while (pending_.empty() && SDL_PollEvent(&sdlEvent)) Translate(sdlEvent);
  if (pending_.empty()) return false;
  event = pending_.front();
  pending_.pop_front();
  return true;
}

void SdlInput::WaitForEvent(std::uint32_t timeoutMs) {
  if (!pending_.empty()) return;
  const auto limit = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
  // A null event leaves whatever arrives in SDL's queue for PollEvent.
  SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min(timeoutMs, limit)));
}

void SdlInput::RefreshKeyTable(std::array<std::uint8_t, 256>& keys) {
  keys_.Refresh(keys);
}

bool SdlInput::ReadJoystick(JoystickState& state) {
  return joystick_.Read(state);
}

int SdlInput::KeyFromName(std::string_view name) const {
  return VirtualKeyFromName(std::string(name).c_str());
}

int SdlInput::PadButtonFromName(std::string_view name) const {
  const SDL_GameControllerButton button =
      SDL_GameControllerGetButtonFromString(std::string(name).c_str());
  return button == SDL_CONTROLLER_BUTTON_INVALID ? -1 : static_cast<int>(button);
}

void SdlInput::Translate(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      Push(EventType::kQuit);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(event.key);
      break;
    case SDL_TEXTINPUT:
      TranslateText(event.text.text);
      break;
    case SDL_MOUSEMOTION: {
      int x = 0;
      int y = 0;
      video_.WindowToPicture(event.motion.x, event.motion.y, x, y);
      PushPointer(EventType::kMouseMove, x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TranslateButton(event.button);
      break;
    case SDL_WINDOWEVENT:
      TranslateWindow(event.window);
      break;
    default:
      joystick_.HandleEvent(event);
      break;
  }
}

void SdlInput::TranslateKey(const SDL_KeyboardEvent& key) {
  const int code = VirtualKeyFromSdl(key.keysym);
  if (code == 0) return;
  const bool down = key.type == SDL_KEYDOWN;
  if (down) {
    keys_.Press(code);
  } else {
    keys_.Release(code);
  }
  Event event;
  event.type = down ? EventType::kKeyDown : EventType::kKeyUp;
  event.key = SideNeutralKey(code);
  event.alt = (key.keysym.mod & KMOD_ALT) != 0;
  event.ctrl = (key.keysym.mod & KMOD_CTRL) != 0;
  pending_.push_back(event);
  // SDL types no text for these three; with Alt held they are system keys (Alt+Enter), not typing.
  if (!down || event.alt) return;
  char typed = 0;
  if (code == vk::kReturn) typed = 13;
  if (code == vk::kEscape) typed = 27;
  if (code == vk::kBack) typed = 8;
  if (typed == 0) return;
  Event character;
  character.type = EventType::kChar;
  character.ch = typed;
  pending_.push_back(character);
}

void SdlInput::TranslateText(const char* text) {
  // Left Alt turns letters into system keys, not typing; Right Alt may be AltGr and types.
  if (SDL_GetModState() & KMOD_LALT) return;
  for (const char* c = text; *c; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte < 32 || byte > 126) continue;
    Event event;
    event.type = EventType::kChar;
    event.ch = static_cast<char>(byte);
    pending_.push_back(event);
  }
}

void SdlInput::TranslateButton(const SDL_MouseButtonEvent& button) {
  if (button.button != SDL_BUTTON_LEFT) return;
  int x = 0;
  int y = 0;
  video_.WindowToPicture(button.x, button.y, x, y);
  const bool inside = video_.InsideWindow(button.x, button.y);
  // Presses and releases alternate as click, double click, click, ... like the
  // original platform: the release of an odd press clicks, an even press double-clicks.
  const bool oddPress = (button.clicks % 2) == 1;
  if (button.type == SDL_MOUSEBUTTONDOWN) {
    leftPressedInside_ = inside;
    if (!oddPress && inside) PushPointer(EventType::kDoubleClick, x, y);
    return;
  }
  const bool pressedInside = leftPressedInside_;
  leftPressedInside_ = false;
  if (oddPress && pressedInside && inside) PushPointer(EventType::kClick, x, y);
}

void SdlInput::TranslateWindow(const SDL_WindowEvent& window) {
  switch (window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      video_.ForgetShownFrame();
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      Push(EventType::kActivate);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Key releases while the focus is elsewhere never reach us.
      keys_.Clear();
      leftPressedInside_ = false;
      Push(EventType::kDeactivate);
      break;
    default:
      break;
  }
}

void SdlInput::Push(EventType type) {
  Event event;
  event.type = type;
  pending_.push_back(event);
}

void SdlInput::PushPointer(EventType type, int x, int y) {
  Event event;
  event.type = type;
  event.x = x;
  event.y = y;
  pending_.push_back(event);
}

}  // namespace brakkon::platform
