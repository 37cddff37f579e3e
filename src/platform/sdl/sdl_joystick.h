// Joystick 0 on SDL: a game controller when SDL knows its layout, otherwise the
// plain joystick; follows unplugging and plugging in.
#pragma once

#include <SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace brakkon::platform {

// The controller mapping files, in the order they are added (a later mapping of
// the same device wins; SDL_GAMECONTROLLERCONFIG beats both): gamecontrollerdb.txt
// in the working directory, then in $XDG_DATA_HOME/brakkon (else
// $HOME/.local/share/brakkon). Either variable may be null.
std::vector<std::string> ControllerMappingFiles(const char* xdgDataHome, const char* home);
// Adds SDL's mappings from each of `files` that can be read; returns how many it added.
// Call after the controller subsystem starts and before devices are opened.
int AddControllerMappings(const std::vector<std::string>& files);

class SdlJoystick {
 public:
  SdlJoystick() = default;
  ~SdlJoystick() { Close(); }
  SdlJoystick(const SdlJoystick&) = delete;
  SdlJoystick& operator=(const SdlJoystick&) = delete;

  // Opens the first usable device, when there is one and none is open.
  void OpenFirst();
  // Follows device arrival and removal events; others are ignored.
  void HandleEvent(const SDL_Event& event);
  // Reads the open device; false (and a centred, idle state) when none is attached.
  bool Read(JoystickState& state);
  // A known pad's layout: (SDL_GameControllerButton, JoystickState::buttons index)
  // pairs; empty restores the default one.
  void SetButtonSlots(const std::vector<std::pair<int, int>>& slots);

 private:
  void Open(int deviceIndex);
  void Close();
  void ReadController(JoystickState& state);
  void ReadJoystick(JoystickState& state);

  SDL_GameController* controller_ = nullptr;
  SDL_Joystick* joystick_ = nullptr;  // the controller's own joystick when controller_ is set
  SDL_JoystickID instance_ = -1;
  std::vector<std::pair<int, int>> slots_;  // empty: the default layout
};

}  // namespace brakkon::platform
