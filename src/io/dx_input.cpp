// Keyboard and joystick devices and their merge into the input states.
#include "io/dx_input.h"

#include <algorithm>
#include <cstdlib>

namespace brakkon::io {
namespace {

namespace vk = platform::vk;

struct FormAssign {
  TInputState state;
  std::int32_t keys[3];
};

constexpr FormAssign kFormAssigns[] = {
    {TInputState::InputUp, {vk::kUp, 0, vk::kNumpad0 + 8}},
    {TInputState::InputDown, {vk::kDown, 0, 0}},
    {TInputState::InputLeft, {vk::kLeft, 0, 0}},
    {TInputState::InputRight, {vk::kRight, 0, 0}},
    {TInputState::InputButton1, {'Z', 0, 0}},
    {TInputState::InputButton2, {'X', 0, 0}},
    {TInputState::InputButton3, {'C', 0, 0}},
    {TInputState::InputButton4, {'P', 0, 0}},
    {TInputState::InputButton5, {vk::kEscape, 0, 0}},
    {TInputState::InputButton6, {'Y', 0, 0}},
    {TInputState::InputButton7, {'N', 0, 0}},
    {TInputState::InputButton8, {vk::kSpace, 0, 0}},
};

TKeyAssignBytes BuildFormAssigns() {
  TKeyAssigns assigns{};
  for (const FormAssign& entry : kFormAssigns) {
    auto& slot = assigns[static_cast<int>(entry.state)];
    std::copy(std::begin(entry.keys), std::end(entry.keys), slot.begin());
  }
  return EncodeKeyAssigns(assigns);
}

// a * b / divisor rounded to nearest, halves away from zero; divisor > 0.
std::int32_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t divisor) {
  const std::int64_t product = a * b;
  const std::int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
  return static_cast<std::int32_t>(product < 0 ? -magnitude : magnitude);
}

}  // namespace

TKeyAssignBytes EncodeKeyAssigns(const TKeyAssigns& assigns) {
  TKeyAssignBytes bytes{};
  std::size_t at = 0;
  for (const auto& keys : assigns) {
    for (std::int32_t key : keys) {
      const auto value = static_cast<std::uint32_t>(key);
      for (int shift = 0; shift < 32; shift += 8) bytes[at++] = (value >> shift) & 0xFF;
    }
  }
  return bytes;
}

bool DecodeKeyAssigns(std::span<const std::uint8_t> bytes, TKeyAssigns& assigns) {
  if (bytes.size() != kKeyAssignsBytes) return false;
  std::size_t at = 0;
  for (auto& keys : assigns) {
    for (std::int32_t& key : keys) {
      std::uint32_t value = 0;
      for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{bytes[at++]} << shift;
      key = static_cast<std::int32_t>(value);
    }
  }
  return true;
}

const TKeyAssignBytes& FormKeyAssigns() {
  static const TKeyAssignBytes bytes = BuildFormAssigns();
  return bytes;
}

TKeyboard::TKeyboard() {
  DecodeKeyAssigns(FormKeyAssigns(), assigns_);
}

bool TKeyboard::ReadProperty(std::string_view name, std::span<const std::uint8_t> bytes) {
  // The misspelt name is read for compatibility and never written.
  if (name != "Assigns" && name != "Aissgns") return false;
  return DecodeKeyAssigns(bytes, assigns_);
}

TInputStates TKeyboard::StatesFromKeys(const std::array<std::uint8_t, 256>& keys) const {
  TInputStates states;
  for (int n = 0; n < kInputStateCount; ++n) {
    for (std::int32_t key : assigns_[n]) {
      if (key >= 1 && key <= 255 && keys[key] != 0) {
        states.Add(static_cast<TInputState>(n));
        break;
      }
    }
  }
  return states;
}

TInputStates TKeyboard::Update(platform::IInput& input, bool foreground) {
  states_ = {};
  if (!Enabled) return states_;
  std::array<std::uint8_t, 256> keys{};
  // Refreshed even in the background so that a tap latched before the focus went
  // away does not fire when it comes back.
  input.RefreshKeyTable(keys);
  if (foreground) states_ = StatesFromKeys(keys);
  return states_;
}

std::int32_t TJoystick::ScaleAxis(int raw, const TJoystickAxis& axis) {
  using platform::JoystickState;
  const std::int64_t value =
      std::clamp(raw, JoystickState::kAxisMin, JoystickState::kAxisMax) - JoystickState::kAxisMin;
  const std::int64_t half = (std::int64_t{JoystickState::kAxisMax} - JoystickState::kAxisMin) / 2;
  const std::int64_t deadZone = std::clamp(axis.DeadZone, 0, 100) * half / 100;
  if (half == deadZone) return 0;
  const std::int64_t centred = value - half;
  if (std::llabs(centred) <= deadZone) return 0;
  const std::int64_t outside = centred > 0 ? centred - deadZone : centred + deadZone;
  return MulDivRound(outside, axis.Range, half - deadZone);
}

TInputStates TJoystick::Update(platform::IInput& input, bool foreground) {
  states_ = {};
  x_ = y_ = z_ = 0;
  if (!Enabled || !foreground) return states_;
  platform::JoystickState reading;
  // An unplugged stick reads as released, so nothing stays held.
  if (!input.ReadJoystick(reading)) return states_;
  x_ = ScaleAxis(reading.x, AxisX);
  y_ = ScaleAxis(reading.y, AxisY);
  z_ = ScaleAxis(reading.z, AxisZ);
  for (int i = 0; i < static_cast<int>(reading.buttons.size()); ++i) {
    if (reading.buttons[i]) states_.Add(ButtonState(i));
  }
  if (x_ < 0) states_.Add(TInputState::InputLeft);
  if (x_ > 0) states_.Add(TInputState::InputRight);
  if (y_ < 0) states_.Add(TInputState::InputUp);
  if (y_ > 0) states_.Add(TInputState::InputDown);
  return states_;
}

TDXInput::TDXInput(platform::IInput& input, const platform::IVideo& video)
    : input_(input), video_(video) {}

void TDXInput::UpdateStates() {
  const bool foreground = !ActiveOnly || video_.Active();
  TInputStates collected;
  const TInputStates joystick = Joystick.Update(input_, foreground);
  if (Joystick.BindInputStates) collected = collected | joystick;
  const TInputStates keyboard = Keyboard.Update(input_, foreground);
  if (Keyboard.BindInputStates) collected = collected | keyboard;
  collected = collected | pressed_;
  pressed_ = {};
  // Nothing else writes the states, so following the union's changes is the union itself.
  states_ = OnRefresh ? OnRefresh(collected) : collected;
}

void TDXInput::UpdateStatesAgain() {
  const TInputStates seen = states_;
  UpdateStates();
  states_ = states_ | seen;
}

}  // namespace brakkon::io
