// Joystick 0 on SDL: a game controller when SDL knows its layout, otherwise the
// plain joystick; follows unplugging and plugging in.
#include "platform/sdl/sdl_joystick.h"

#include <algorithm>

namespace brakkon::platform {
namespace {

// Where each controller button lands in JoystickState::buttons, so that a pad
// plays the race as the keys do: button i is the game's InputButton(i + 1).
// The buttons the game has no use for go past the ones it reads.
struct ButtonSlot {
  SDL_GameControllerButton button;
  int index;
};

constexpr ButtonSlot kButtonSlots[] = {
    {SDL_CONTROLLER_BUTTON_START, 3},  // pause
    {SDL_CONTROLLER_BUTTON_BACK, 4},   // the finish question
    {SDL_CONTROLLER_BUTTON_Y, 5},      // yes
    {SDL_CONTROLLER_BUTTON_B, 6},      // no
    {SDL_CONTROLLER_BUTTON_A, 7},      // fire
    {SDL_CONTROLLER_BUTTON_X, 8},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 9},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 10},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, 11},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, 12},
    {SDL_CONTROLLER_BUTTON_GUIDE, 13},
    {SDL_CONTROLLER_BUTTON_MISC1, 14},
    {SDL_CONTROLLER_BUTTON_PADDLE1, 15},
    {SDL_CONTROLLER_BUTTON_PADDLE2, 16},
    {SDL_CONTROLLER_BUTTON_PADDLE3, 17},
    {SDL_CONTROLLER_BUTTON_PADDLE4, 18},
    {SDL_CONTROLLER_BUTTON_TOUCHPAD, 19},
};

// A digital pad steers like the stick pushed all the way.
void ApplyPad(bool left, bool right, bool up, bool down, JoystickState& state) {
  if (left) state.x = JoystickState::kAxisMin;
  if (right) state.x = JoystickState::kAxisMax;
  if (up) state.y = JoystickState::kAxisMin;
  if (down) state.y = JoystickState::kAxisMax;
}

}  // namespace

std::vector<std::string> ControllerMappingFiles(const char* xdgDataHome, const char* home) {
  constexpr const char* kFileName = "gamecontrollerdb.txt";
  std::vector<std::string> files{kFileName};
  // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules ask.
  std::string dataHome;
  if (xdgDataHome && xdgDataHome[0] == '/') {
    dataHome = xdgDataHome;
  } else if (home && *home) {
    dataHome = std::string(home) + "/.local/share";
  }
  if (!dataHome.empty()) files.push_back(dataHome + "/brakkon/" + kFileName);
  return files;
}

int AddControllerMappings(const std::vector<std::string>& files) {
  int added = 0;
  for (const std::string& file : files) {
    // A missing or unreadable file adds nothing: the mappings are optional.
    const int count = SDL_GameControllerAddMappingsFromFile(file.c_str());
    if (count > 0) added += count;
  }
  return added;
}

void SdlJoystick::OpenFirst() {
  const int count = SDL_NumJoysticks();
  for (int index = 0; index < count && !joystick_; ++index) Open(index);
}

void SdlJoystick::Open(int index) {
  if (SDL_IsGameController(index)) {
    controller_ = SDL_GameControllerOpen(index);
    if (controller_) joystick_ = SDL_GameControllerGetJoystick(controller_);
  }
  if (!joystick_) joystick_ = SDL_JoystickOpen(index);
  if (joystick_) instance_ = SDL_JoystickInstanceID(joystick_);
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
  if (slots_.empty()) {
    for (const ButtonSlot& slot : kButtonSlots)
      state.buttons[slot.index] = SDL_GameControllerGetButton(controller_, slot.button) != 0;
  } else {
    // Several buttons may press one entry, and one button several entries.
    for (const auto& [button, index] : slots_) {
      if (index < 0 || index >= static_cast<int>(state.buttons.size())) continue;
      if (SDL_GameControllerGetButton(controller_, static_cast<SDL_GameControllerButton>(button)))
        state.buttons[index] = true;
    }
  }
  ApplyPad(SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0,
           SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0,
           SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0,
           SDL_GameControllerGetButton(controller_, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0, state);
}

void SdlJoystick::SetButtonSlots(const std::vector<std::pair<int, int>>& slots) {
  slots_ = slots;
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
