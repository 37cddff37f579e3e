// Joystick 0 on SDL: a game controller when SDL knows its layout, otherwise the
// plain joystick; follows unplugging and plugging in.
#include "platform/sdl/sdl_joystick.h"

#include <algorithm>
#include <iterator>

namespace brakkon::platform {
namespace {

// Controller buttons in the order a pad of this kind numbers them as a plain joystick
// (south, east, west, north, shoulders, back, start, sticks, guide, ...).
constexpr SDL_GameControllerButton kButtonOrder[] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_GUIDE,
    SDL_CONTROLLER_BUTTON_MISC1,
    SDL_CONTROLLER_BUTTON_PADDLE1,
    SDL_CONTROLLER_BUTTON_PADDLE2,
    SDL_CONTROLLER_BUTTON_PADDLE3,
    SDL_CONTROLLER_BUTTON_PADDLE4,
    SDL_CONTROLLER_BUTTON_TOUCHPAD,
};

// A digital pad steers like the stick pushed all the way.
void ApplyPad(bool left, bool right, bool up, bool down, JoystickState& state) {
  if (left) state.x = JoystickState::kAxisMin;
  if (right) state.x = JoystickState::kAxisMax;
  if (up) state.y = JoystickState::kAxisMin;
  if (down) state.y = JoystickState::kAxisMax;
}

}  // namespace

void SdlJoystick::OpenFirst() {
  if (joystick_) return;
  const int count = SDL_NumJoysticks();
  for (int index = 0; index < count; ++index) {
    if (SDL_IsGameController(index)) {
      controller_ = SDL_GameControllerOpen(index);
      if (controller_) joystick_ = SDL_GameControllerGetJoystick(controller_);
    }
    if (!joystick_) joystick_ = SDL_JoystickOpen(index);
    if (joystick_) {
      instance_ = SDL_JoystickInstanceID(joystick_);
      return;
    }
  }
}

void SdlJoystick::Close() {
  if (controller_) {
    SDL_GameControllerClose(controller_);
  } else if (joystick_) {
    SDL_JoystickClose(joystick_);
  }
  controller_ = nullptr;
  joystick_ = nullptr;
  instance_ = -1;
}

void SdlJoystick::HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_JOYDEVICEADDED:
    case SDL_CONTROLLERDEVICEADDED:
      OpenFirst();
      break;
    case SDL_JOYDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEREMOVED:
      if (joystick_ && event.jdevice.which == instance_) {
        Close();
        OpenFirst();
      }
      break;
    default:
      break;
  }
}

bool SdlJoystick::Read(JoystickState& state) {
  state = JoystickState{};
  if (!joystick_ || !SDL_JoystickGetAttached(joystick_)) return false;
  if (controller_) {
    ReadController(state);
  } else {
    ReadJoystick(state);
  }
  return true;
}

void SdlJoystick::ReadController(JoystickState& state) {
  state.x = SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTX);
  state.y = SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTY);
  // The triggers share one axis, as such pads report them as a plain joystick.
  const int left = SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
  const int right = SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
  state.z = std::clamp(left - right, JoystickState::kAxisMin, JoystickState::kAxisMax);
  for (std::size_t i = 0; i < std::size(kButtonOrder); ++i)
    state.buttons[i] = SDL_GameControllerGetButton(controller_, kButtonOrder[i]) != 0;
  ApplyPad(SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0,
           SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0,
           SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0,
           SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0, state);
}

void SdlJoystick::ReadJoystick(JoystickState& state) {
  const int axes = SDL_JoystickNumAxes(joystick_);
  if (axes > 0) state.x = SDL_JoystickGetAxis(joystick_, 0);
  if (axes > 1) state.y = SDL_JoystickGetAxis(joystick_, 1);
  if (axes > 2) state.z = SDL_JoystickGetAxis(joystick_, 2);
  const int buttons =
      std::min(SDL_JoystickNumButtons(joystick_), static_cast<int>(state.buttons.size()));
  for (int i = 0; i < buttons; ++i) state.buttons[i] = SDL_JoystickGetButton(joystick_, i) != 0;
  if (SDL_JoystickNumHats(joystick_) > 0) {
    const Uint8 hat = SDL_JoystickGetHat(joystick_, 0);
    ApplyPad(hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT, hat & SDL_HAT_UP, hat & SDL_HAT_DOWN, state);
  }
}

}  // namespace brakkon::platform
