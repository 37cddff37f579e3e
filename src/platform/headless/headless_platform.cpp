// Headless platform: deterministic stand-ins for window, input and dialogs.
#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace brakkon::platform {

bool HeadlessVideo::OpenWindow(const std::string& title, int width, int height,
                               std::string& error) {
  if (!canOpen) {
    error = "no display";
    return false;
  }
  open_ = true;
  title_ = title;
  placement_.width = width;
  placement_.height = height;
  return true;
}

bool HeadlessVideo::SetFullScreen(bool fullScreen) {
  if (fullScreen && !fullScreenAvailable) return false;
  fullScreen_ = fullScreen;
  return true;
}

bool HeadlessVideo::GetPlacement(WindowPlacement& placement) const {
  if (!open_) return false;
  placement = placement_;
  return true;
}

void HeadlessVideo::CenterWindow() {
  placement_.x = (1024 - placement_.width) / 2;
  placement_.y = (768 - placement_.height) / 2;
}

void HeadlessVideo::Present(const std::uint16_t* pixels, int width, int height, int pitch) {
  ++presentCount_;
  frameWidth_ = width;
  frameHeight_ = height;
  frame_.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    std::copy_n(pixels + static_cast<std::size_t>(y) * pitch, width,
                frame_.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
}

bool HeadlessInput::PollEvent(Event& event) {
  if (events_.empty()) return false;
  event = events_.front();
  events_.pop_front();
  return true;
}

void HeadlessInput::WaitForEvent(std::uint32_t timeoutMs) {
  if (events_.empty()) clock_.Advance(timeoutMs);
}

void HeadlessInput::RefreshKeyTable(std::array<std::uint8_t, 256>& keys) {
  for (int i = 0; i < 256; ++i) keys[i] = (held_[i] || pressedSinceRefresh_[i]) ? 0x80 : 0;
  pressedSinceRefresh_.fill(false);
}

bool HeadlessInput::ReadJoystick(JoystickState& state) {
  if (!joystickAttached) return false;
  state = joystick;
  return true;
}

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

struct NamedKey {
  const char* name;
  int key;
};

constexpr NamedKey kNamedKeys[] = {
    {"Up", vk::kUp},
    {"Down", vk::kDown},
    {"Left", vk::kLeft},
    {"Right", vk::kRight},
    {"Space", vk::kSpace},
    {"Escape", vk::kEscape},
    {"Return", vk::kReturn},
    {"Tab", vk::kTab},
    {"Backspace", vk::kBack},
    {"Left Ctrl", vk::kLControl},
    {"Right Ctrl", vk::kRControl},
    {"Left Shift", vk::kLShift},
    {"Right Shift", vk::kRShift},
    {"Left Alt", vk::kLMenu},
    {"Right Alt", vk::kRMenu},
    {"Home", vk::kHome},
    {"End", vk::kEnd},
    {"PageUp", vk::kPrior},
    {"PageDown", vk::kNext},
    {"Insert", vk::kInsert},
    {"Delete", vk::kDelete},
};

constexpr const char* kPadButtons[] = {"a",
                                       "b",
                                       "x",
                                       "y",
                                       "back",
                                       "guide",
                                       "start",
                                       "leftstick",
                                       "rightstick",
                                       "leftshoulder",
                                       "rightshoulder",
                                       "dpup",
                                       "dpdown",
                                       "dpleft",
                                       "dpright",
                                       "misc1",
                                       "paddle1",
                                       "paddle2",
                                       "paddle3",
                                       "paddle4",
                                       "touchpad"};

}  // namespace

int HeadlessInput::KeyFromName(std::string_view name) const {
  if (name.size() == 1) {
    const char c = name[0];
    if (c >= 'a' && c <= 'z') return vk::kA + (c - 'a');
    if (c >= 'A' && c <= 'Z') return vk::kA + (c - 'A');
    if (c >= '0' && c <= '9') return vk::k0 + (c - '0');
  }
  if (name.size() == 8 && SameName(name.substr(0, 7), "Keypad ") && name[7] >= '0' &&
      name[7] <= '9')
    return vk::kNumpad0 + (name[7] - '0');
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    const std::string digits(name.substr(1));
    if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= 2) {
      const int n = std::stoi(digits);
      if (n >= 1 && n <= 12) return vk::kF1 + n - 1;
    }
  }
  for (const NamedKey& entry : kNamedKeys) {
    if (SameName(name, entry.name)) return entry.key;
  }
  return 0;
}

int HeadlessInput::PadButtonFromName(std::string_view name) const {
  for (int i = 0; i < static_cast<int>(std::size(kPadButtons)); ++i) {
    if (SameName(name, kPadButtons[i])) return i;
  }
  return -1;
}

void HeadlessInput::PushKeyDown(int key, bool alt, bool ctrl) {
  Event e;
  e.type = EventType::kKeyDown;
  e.key = key;
  e.alt = alt;
  e.ctrl = ctrl;
  events_.push_back(e);
}

void HeadlessInput::PushKeyUp(int key, bool alt, bool ctrl) {
  Event e;
  e.type = EventType::kKeyUp;
  e.key = key;
  e.alt = alt;
  e.ctrl = ctrl;
  events_.push_back(e);
}

void HeadlessInput::PushChar(char ch) {
  Event e;
  e.type = EventType::kChar;
  e.ch = ch;
  events_.push_back(e);
}

void HeadlessInput::PushClick(int x, int y) {
  Event e;
  e.type = EventType::kClick;
  e.x = x;
  e.y = y;
  events_.push_back(e);
}

void HeadlessInput::PushMouseMove(int x, int y) {
  Event e;
  e.type = EventType::kMouseMove;
  e.x = x;
  e.y = y;
  events_.push_back(e);
}

void HeadlessInput::PressKey(int key) {
  if (key < 0 || key > 255) return;
  held_[key] = true;
  pressedSinceRefresh_[key] = true;
}

void HeadlessInput::ReleaseKey(int key) {
  if (key < 0 || key > 255) return;
  held_[key] = false;
}

void HeadlessHttp::Get(const std::string& url, std::string& body) {
  requests.push_back(url);
  const Reply* best = nullptr;
  std::size_t bestLength = 0;
  for (const auto& [prefix, reply] : replies) {
    if (url.compare(0, prefix.size(), prefix) == 0 &&
        (best == nullptr || prefix.size() > bestLength)) {
      best = &reply;
      bestLength = prefix.size();
    }
  }
  if (best == nullptr) {
    body.clear();
    throw EHttpError("Could not connect to " + url);
  }
  body = best->body;
  if (best->fail) throw EHttpError("The connection to " + url + " broke off");
}

}  // namespace brakkon::platform
