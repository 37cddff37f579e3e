// The player's settings file: keys, pad buttons, picture, focus and loudness,
// everything the options screen does not hold. Read once at start-up through
// the platform's files; written with its defaults when it is missing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/dx_input.h"
#include "platform/platform.h"

namespace brakkon::shell {

// The race's actions a key can be given for, in the file's order.
enum class KeyAction { kUp, kDown, kLeft, kRight, kFire, kPause, kFinish, kYes, kNo };
inline constexpr int kKeyActionCount = 9;
// The actions a pad button can be given for (the stick and d-pad steer).
enum class PadAction { kFire, kPause, kFinish, kYes, kNo };
inline constexpr int kPadActionCount = 5;

// Most keys one action takes: the keyboard table's slots per state.
inline constexpr int kMaxKeysPerAction = 3;

struct Binding {
  std::vector<std::string> names;  // as written, in order
  std::vector<int> codes;          // virtual keys, or pad button numbers
};

struct Settings {
  std::array<Binding, kKeyActionCount> keys;
  std::array<Binding, kPadActionCount> pad;
  platform::PresentationSettings presentation;
  bool pauseOnFocusLoss = false;
  int musicVolume = 100;  // percent
  int soundVolume = 100;  // percent
};

// The file and what came of reading it.
struct LoadedSettings {
  std::string path;  // empty when no folder for it is known
  Settings values;
  std::vector<std::string> problems;  // one line each, naming file, line and key
  bool written = false;               // the defaults were written just now
};

// $XDG_CONFIG_HOME/brakkon/settings.ini, else $HOME/.config/brakkon/settings.ini;
// a relative XDG_CONFIG_HOME is ignored, as the base directory rules ask. Empty
// when neither gives a folder.
std::string SettingsPath(platform::IPlatform& platform);

// The defaults, with key and button names looked up through `input`.
Settings DefaultSettings(const platform::IInput& input);

// The file a missing one is written as: every key with its default and a comment.
std::string DefaultSettingsText();

// Reads `text` (the contents of `path`) over the defaults. A value that cannot be
// read leaves its key at the default and adds a line to `problems`.
Settings ParseSettings(std::string_view text, const std::string& path,
                       const platform::IInput& input, std::vector<std::string>& problems);

// The start-up read: the file, or its defaults written when it does not exist
// (a file that exists is never written). Problems are returned, not shown.
LoadedSettings LoadSettings(platform::IPlatform& platform);

// What `brakkon --settings` prints: the path, then every key with the value in force.
std::string DescribeSettings(const LoadedSettings& loaded);

// The input state a key action drives.
io::TInputState StateFor(KeyAction action);

// The keyboard table with `settings`' keys for the nine actions; the other
// states keep `base`'s keys. The Ctrl keys of `fire` are left out: the race
// reads them from key events (see CtrlFires).
io::TKeyAssigns KeyAssignsFor(const Settings& settings, const io::TKeyAssigns& base);
// True when `fire` lists a Ctrl key, so either Ctrl fires as it always has.
bool CtrlFires(const Settings& settings);
// The pad layout for the platform: empty when the pad settings are the defaults
// (the platform's own layout), else every button's entry.
std::vector<std::pair<int, int>> PadSlotsFor(const Settings& settings,
                                             const platform::IInput& input);

// A loudness in percent as the attenuation a sound buffer takes (hundredths of
// a dB, 0 = full, -10000 = silent), on the same curve as the music's.
std::int32_t AttenuationForPercent(int percent);

}  // namespace brakkon::shell
