// Window events, the keyboard table and the joystick on SDL.
#pragma once

#include <SDL.h>

#include <deque>

#include "platform/platform.h"
#include "platform/sdl/key_latch.h"
#include "platform/sdl/sdl_joystick.h"
#include "platform/sdl/sdl_video.h"

namespace brakkon::platform {

class SdlInput final : public IInput {
 public:
  // Pointer positions are converted with `video`'s picture scaling; it must outlive this.
  explicit SdlInput(SdlVideo& video) : video_(video) {}

  bool PollEvent(Event& event) override;
  void WaitForEvent(std::uint32_t timeoutMs) override;
  void RefreshKeyTable(std::array<std::uint8_t, 256>& keys) override;
  bool ReadJoystick(JoystickState& state) override;
  int KeyFromName(std::string_view name) const override;
  int PadButtonFromName(std::string_view name) const override;
  void SetPadButtons(const std::vector<std::pair<int, int>>& slots) override {
    joystick_.SetButtonSlots(slots);
  }

  // Opens a joystick already plugged in; later ones are found from device events.
  void OpenJoystick() { joystick_.OpenFirst(); }

 private:
  // Turns one SDL event into zero or more game events at the back of pending_.
  void Translate(const SDL_Event& event);
  void TranslateKey(const SDL_KeyboardEvent& key);
  void TranslateText(const char* text);
  void TranslateButton(const SDL_MouseButtonEvent& button);
  void TranslateWindow(const SDL_WindowEvent& window);
  void Push(EventType type);
  void PushPointer(EventType type, int x, int y);

  SdlVideo& video_;
  std::deque<Event> pending_;
  KeyLatch keys_;
  SdlJoystick joystick_;
  bool leftPressedInside_ = false;  // a click needs its press in the window too
};

}  // namespace brakkon::platform
