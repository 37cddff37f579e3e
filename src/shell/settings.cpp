// The player's settings file, read with libinih over the platform's files.
#include "shell/settings.h"

#include <ini.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

#include "platform/platform.h"

namespace brakkon::shell {
namespace {

namespace vk = platform::vk;

struct KeyDefault {
  const char* key;
  const char* names;
  const char* comment;
};

// The race's keys of the form's keyboard table, by their SDL names.
constexpr KeyDefault kKeyDefaults[kKeyActionCount] = {
    {"up", "Up, Keypad 8", "accelerate"},
    {"down", "Down", "brake"},
    {"left", "Left", "steer left"},
    {"right", "Right", "steer right"},
    {"fire", "Space, Left Ctrl, Right Ctrl",
     "fire, while the gun bonus is on (either Ctrl fires when one is listed)"},
    {"pause", "P", "pause and resume"},
    {"finish", "Escape", "ask \"FINISH RACE? Y/N\""},
    {"yes", "Y", "yes to the finish question"},
    {"no", "N", "no to the finish question"},
};

// The pad buttons of a known pad's default layout, by SDL's button names.
constexpr KeyDefault kPadDefaults[kPadActionCount] = {
    {"pad-fire", "a", "pad: fire (and Enter in the menus)"},
    {"pad-pause", "start", "pad: pause and resume"},
    {"pad-finish", "back", "pad: ask \"FINISH RACE? Y/N\""},
    {"pad-yes", "y", "pad: yes to the finish question"},
    {"pad-no", "b", "pad: no to the finish question (and Esc in the menus)"},
};

// Where each pad action lands among the joystick's buttons: button i is the
// game's InputButton(i + 1), as the keys' states go.
constexpr int kPadActionSlot[kPadActionCount] = {7, 3, 4, 5, 6};
// The buttons the game has no action for keep entries past the ones it reads.
constexpr std::pair<const char*, int> kSparePadButtons[] = {
    {"x", 8},           {"leftshoulder", 9}, {"rightshoulder", 10}, {"leftstick", 11},
    {"rightstick", 12}, {"guide", 13},       {"misc1", 14},         {"paddle1", 15},
    {"paddle2", 16},    {"paddle3", 17},     {"paddle4", 18},       {"touchpad", 19},
};

constexpr io::TInputState kKeyActionState[kKeyActionCount] = {
    io::TInputState::InputUp,      io::TInputState::InputDown,    io::TInputState::InputLeft,
    io::TInputState::InputRight,   io::TInputState::InputButton8, io::TInputState::InputButton4,
    io::TInputState::InputButton5, io::TInputState::InputButton6, io::TInputState::InputButton7,
};

constexpr int kDefaultVolume = 100;

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> SplitNames(std::string_view text) {
  std::vector<std::string> names;
  if (Trim(text).empty()) return names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    names.push_back(
        Trim(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return names;
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) {
    if (!joined.empty()) joined += ", ";
    joined += name;
  }
  return joined;
}

bool IsCtrl(int key) {
  return key == vk::kLControl || key == vk::kRControl || key == vk::kControl;
}

std::optional<bool> ReadSwitch(const std::string& value) {
  if (value == "on" || value == "true" || value == "yes" || value == "1") return true;
  if (value == "off" || value == "false" || value == "no" || value == "0") return false;
  return std::nullopt;
}

std::optional<int> ReadWhole(const std::string& value, int low, int high) {
  int number = 0;
  const char* end = value.data() + value.size();
  const auto [at, error] = std::from_chars(value.data(), end, number);
  if (value.empty() || error != std::errc() || at != end || number < low || number > high)
    return std::nullopt;
  return number;
}

// What the handler needs while libinih walks the text.
struct Parse {
  const platform::IInput& input;
  const std::string& path;
  std::vector<std::string>& problems;
  Settings& settings;
  std::string_view text;
  std::size_t at = 0;
  int line = 0;
  std::map<std::string, int> seen;  // key -> the line it was first set on
};

// Hands libinih one line at a time, so the handler knows the line it is on.
// Leading blanks go: an indented line is a key of its own, never the
// continuation of the one above.
char* ReadLine(char* buffer, int size, void* stream) {
  auto& parse = *static_cast<Parse*>(stream);
  if (parse.at >= parse.text.size()) return nullptr;
  const std::size_t end = parse.text.find('\n', parse.at);
  std::string_view line = parse.text.substr(
      parse.at, end == std::string_view::npos ? std::string_view::npos : end - parse.at + 1);
  parse.at += line.size();
  ++parse.line;
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  // A line too long for the reader's buffer is cut; its value then fails to read.
  const std::size_t length = std::min(line.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, line.data(), length);
  buffer[length] = '\0';
  return buffer;
}

std::string Problem(const Parse& parse, const std::string& key, const std::string& why) {
  return parse.path + ":" + std::to_string(parse.line) + ": " + key + ": " + why;
}

// Reads a list of names into `binding`; false with the reason otherwise.
bool ReadBinding(const std::string& value, bool pad, bool ctrlAside, const platform::IInput& input,
                 Binding& binding, std::string& why) {
  Binding read;
  read.names = SplitNames(value);
  int tableKeys = 0;
  for (const std::string& name : read.names) {
    if (name.empty()) {
      why = "an empty name in the list (names are separated by commas)";
      return false;
    }
    const int code = pad ? input.PadButtonFromName(name) : input.KeyFromName(name);
    if ((pad && code < 0) || (!pad && code == 0)) {
      why = "'" + name + "' is not a " + (pad ? "pad button" : "key") + " name SDL knows";
      return false;
    }
    read.codes.push_back(code);
    if (pad || !ctrlAside || !IsCtrl(code)) ++tableKeys;
  }
  if (!pad && tableKeys > kMaxKeysPerAction) {
    why = "more than " + std::to_string(kMaxKeysPerAction) + " keys";
    return false;
  }
  binding = std::move(read);
  return true;
}

int Handle(void* user, const char* section, const char* name, const char* rawValue) {
  auto& parse = *static_cast<Parse*>(user);
  const std::string key = name;
  const std::string value = Trim(rawValue ? rawValue : "");
  if (section && *section) {
    parse.problems.push_back(Problem(
        parse, key, std::string("unknown key (the file has no sections, not [") + section + "])"));
    return 1;
  }
  const auto [first, fresh] = parse.seen.emplace(key, parse.line);
  if (!fresh) {
    parse.problems.push_back(Problem(
        parse, key, "set again; the value of line " + std::to_string(first->second) + " stays"));
    return 1;
  }
  Settings& s = parse.settings;
  std::string why;
  const auto refuse = [&](const std::string& reason, const std::string& fallback) {
    parse.problems.push_back(
        Problem(parse, key, reason + "; the default (" + fallback + ") stays"));
    return 1;
  };
  for (int i = 0; i < kKeyActionCount; ++i) {
    if (key != kKeyDefaults[i].key) continue;
    if (!ReadBinding(value, false, i == static_cast<int>(KeyAction::kFire), parse.input, s.keys[i],
                     why))
      return refuse(why, kKeyDefaults[i].names);
    return 1;
  }
  for (int i = 0; i < kPadActionCount; ++i) {
    if (key != kPadDefaults[i].key) continue;
    if (!ReadBinding(value, true, false, parse.input, s.pad[i], why))
      return refuse(why, kPadDefaults[i].names);
    return 1;
  }
  if (key == "scale") {
    const auto mode = platform::ScaleModeFromName(value);
    if (!mode) return refuse("'" + value + "' is not sharp, integer or smooth", "sharp");
    s.presentation.scale = *mode;
  } else if (key == "window-scale") {
    const auto factor = value == "auto" ? std::optional<int>(0) : ReadWhole(value, 1, 3);
    if (!factor) return refuse("'" + value + "' is not 1, 2, 3 or auto", "1");
    s.presentation.windowScale = *factor;
  } else if (key == "vsync" || key == "pause-on-focus-loss") {
    const auto on = ReadSwitch(value);
    const bool vsync = key == "vsync";
    if (!on) return refuse("'" + value + "' is not on or off", vsync ? "on" : "off");
    (vsync ? s.presentation.vsync : s.pauseOnFocusLoss) = *on;
  } else if (key == "music-volume" || key == "sound-volume") {
    const auto percent = ReadWhole(value, 0, 100);
    if (!percent) return refuse("'" + value + "' is not a whole number from 0 to 100", "100");
    (key == "music-volume" ? s.musicVolume : s.soundVolume) = *percent;
  } else {
    parse.problems.push_back(Problem(parse, key, "unknown key"));
  }
  return 1;
}

}  // namespace

std::string SettingsPath(platform::IPlatform& platform) {
  const std::string config = platform.Environment("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/') return config + "/brakkon/settings.ini";
  const std::string home = platform.Environment("HOME");
  if (!home.empty() && home.front() == '/') return home + "/.config/brakkon/settings.ini";
  return {};
}

Settings DefaultSettings(const platform::IInput& input) {
  Settings settings;
  std::string why;
  for (int i = 0; i < kKeyActionCount; ++i)
    ReadBinding(kKeyDefaults[i].names, false, i == static_cast<int>(KeyAction::kFire), input,
                settings.keys[i], why);
  for (int i = 0; i < kPadActionCount; ++i)
    ReadBinding(kPadDefaults[i].names, true, false, input, settings.pad[i], why);
  return settings;
}

std::string DefaultSettingsText() {
  std::string text =
      "# Brakkon settings, read at every start. Written once with the defaults;\n"
      "# the game never changes this file. Display mode, music, sound and country\n"
      "# are on the options screen. A value that cannot be read keeps its default,\n"
      "# and the game says which on standard error. `brakkon --settings` shows the\n"
      "# values in force.\n"
      "\n"
      "# Race keys by SDL's key names (Up, W, Keypad 8, Left Ctrl, Space, Escape...),\n"
      "# up to 3 per action separated by commas. The menus keep their own keys.\n";
  for (const KeyDefault& entry : kKeyDefaults)
    text += std::string("# ") + entry.comment + "\n" + entry.key + " = " + entry.names + "\n";
  text +=
      "\n"
      "# Buttons of a pad SDL knows, by SDL's button names (a b x y back guide start\n"
      "# leftshoulder rightshoulder leftstick rightstick misc1 paddle1..4 touchpad),\n"
      "# several separated by commas. The stick and the d-pad steer.\n";
  for (const KeyDefault& entry : kPadDefaults)
    text += std::string("# ") + entry.comment + "\n" + entry.key + " = " + entry.names + "\n";
  text +=
      "\n"
      "# sharp | integer | smooth: how full screen and a scaled window show the picture\n"
      "scale = sharp\n"
      "# 1 | 2 | 3 | auto: the window's size in times 800 x 600 (auto: the largest that fits)\n"
      "window-scale = 1\n"
      "# on | off: wait for the vertical blank, where a hardware OpenGL driver allows it\n"
      "vsync = on\n"
      "# on | off: losing the window's focus during a race pauses it, as P does\n"
      "pause-on-focus-loss = off\n"
      "# 0 to 100: music loudness\n"
      "music-volume = 100\n"
      "# 0 to 100: sound effects loudness\n"
      "sound-volume = 100\n";
  return text;
}

Settings ParseSettings(std::string_view text, const std::string& path,
                       const platform::IInput& input, std::vector<std::string>& problems) {
  Settings settings = DefaultSettings(input);
  Parse parse{input, path, problems, settings, text, 0, 0, {}};
  const int failed = ini_parse_stream(&ReadLine, &parse, &Handle, &parse);
  if (failed > 0) {
    parse.line = failed;
    problems.push_back(parse.path + ":" + std::to_string(failed) +
                       ": not a 'key = value' line; it is skipped");
  }
  return settings;
}

LoadedSettings LoadSettings(platform::IPlatform& platform) {
  LoadedSettings loaded;
  loaded.path = SettingsPath(platform);
  loaded.values = DefaultSettings(platform.Input());
  if (loaded.path.empty()) return loaded;
  platform::IFiles& files = platform.Files();
  if (!files.Exists(loaded.path)) {
    // A folder we cannot write to leaves the game on its defaults, silently: the
    // file is a convenience, not a save.
    loaded.written = platform::ReplaceFile(files, loaded.path, DefaultSettingsText());
    return loaded;
  }
  const std::optional<std::string> text = files.ReadFile(loaded.path);
  if (!text) {
    loaded.problems.push_back(loaded.path +
                              ": cannot be read (is it a file?); every setting keeps its default");
    return loaded;
  }
  loaded.values = ParseSettings(*text, loaded.path, platform.Input(), loaded.problems);
  return loaded;
}

std::string DescribeSettings(const LoadedSettings& loaded) {
  std::string text =
      "settings file: " +
      (loaded.path.empty() ? std::string("(none: neither XDG_CONFIG_HOME nor HOME is set)")
                           : loaded.path) +
      "\n";
  const Settings& s = loaded.values;
  for (int i = 0; i < kKeyActionCount; ++i)
    text += std::string(kKeyDefaults[i].key) + " = " + JoinNames(s.keys[i].names) + "\n";
  for (int i = 0; i < kPadActionCount; ++i)
    text += std::string(kPadDefaults[i].key) + " = " + JoinNames(s.pad[i].names) + "\n";
  text += "scale = " + std::string(platform::ScaleModeName(s.presentation.scale)) + "\n";
  text += "window-scale = " +
          (s.presentation.windowScale == 0 ? std::string("auto")
                                           : std::to_string(s.presentation.windowScale)) +
          "\n";
  text += std::string("vsync = ") + (s.presentation.vsync ? "on" : "off") + "\n";
  text += std::string("pause-on-focus-loss = ") + (s.pauseOnFocusLoss ? "on" : "off") + "\n";
  text += "music-volume = " + std::to_string(s.musicVolume) + "\n";
  text += "sound-volume = " + std::to_string(s.soundVolume) + "\n";
  return text;
}

io::TInputState StateFor(KeyAction action) {
  return kKeyActionState[static_cast<int>(action)];
}

io::TKeyAssigns KeyAssignsFor(const Settings& settings, const io::TKeyAssigns& base) {
  io::TKeyAssigns assigns = base;
  for (int i = 0; i < kKeyActionCount; ++i) {
    auto& slots = assigns[static_cast<int>(kKeyActionState[i])];
    slots.fill(0);
    int used = 0;
    for (const int code : settings.keys[i].codes) {
      if (i == static_cast<int>(KeyAction::kFire) && IsCtrl(code)) continue;
      if (used < kMaxKeysPerAction) slots[used++] = code;
    }
  }
  // The form's table keeps keypad 8 in the third slot; so does an unchanged file.
  const auto& up = settings.keys[static_cast<int>(KeyAction::kUp)].codes;
  if (up == std::vector<int>{vk::kUp, vk::kNumpad0 + 8})
    assigns[static_cast<int>(io::TInputState::InputUp)] = {vk::kUp, 0, vk::kNumpad0 + 8};
  return assigns;
}

bool CtrlFires(const Settings& settings) {
  const auto& codes = settings.keys[static_cast<int>(KeyAction::kFire)].codes;
  return std::any_of(codes.begin(), codes.end(), IsCtrl);
}

std::vector<std::pair<int, int>> PadSlotsFor(const Settings& settings,
                                             const platform::IInput& input) {
  const Settings defaults = DefaultSettings(input);
  bool changed = false;
  for (int i = 0; i < kPadActionCount; ++i)
    changed = changed || settings.pad[i].codes != defaults.pad[i].codes;
  if (!changed) return {};
  std::vector<std::pair<int, int>> slots;
  for (int i = 0; i < kPadActionCount; ++i) {
    for (const int button : settings.pad[i].codes) slots.emplace_back(button, kPadActionSlot[i]);
  }
  for (const auto& [name, slot] : kSparePadButtons) {
    const int button = input.PadButtonFromName(name);
    if (button >= 0) slots.emplace_back(button, slot);
  }
  return slots;
}

std::int32_t AttenuationForPercent(int percent) {
  if (percent >= 100) return 0;
  if (percent <= 0) return -10000;
  // Gain = share squared, in hundredths of a dB.
  const double db100 = 4000.0 * std::log10(static_cast<double>(percent) / 100.0);
  return static_cast<std::int32_t>(std::lround(std::max(db100, -10000.0)));
}

}  // namespace brakkon::shell
