// The 36 input states the race and the screens test, refreshed by UpdateStates
// from the platform's key table and joystick.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <type_traits>

#include "platform/platform.h"

namespace brakkon::io {

// State n is bit n of TInputStates.
enum class TInputState : std::uint8_t {
  InputUp,
  InputDown,
  InputLeft,
  InputRight,
  InputButton1,
  InputButton2,
  InputButton3,
  InputButton4,
  InputButton5,
  InputButton6,
  InputButton7,
  InputButton8,
  InputButton9,
  InputButton10,
  InputButton11,
  InputButton12,
  InputButton13,
  InputButton14,
  InputButton15,
  InputButton16,
  InputButton17,
  InputButton18,
  InputButton19,
  InputButton20,
  InputButton21,
  InputButton22,
  InputButton23,
  InputButton24,
  InputButton25,
  InputButton26,
  InputButton27,
  InputButton28,
  InputButton29,
  InputButton30,
  InputButton31,
  InputButton32,
};

inline constexpr int kInputStateCount = 36;
static_assert(static_cast<int>(TInputState::InputButton32) == kInputStateCount - 1);

// A set of input states: a plain value, so a replay can record one per tick.
class TInputStates {
 public:
  static constexpr std::uint64_t kAllBits = (std::uint64_t{1} << kInputStateCount) - 1;

  constexpr TInputStates() = default;
  // Bit n = state n; bits above 35 are dropped.
  static constexpr TInputStates FromBits(std::uint64_t bits) {
    TInputStates states;
    states.bits_ = bits & kAllBits;
    return states;
  }

  constexpr bool Has(TInputState state) const { return (bits_ & Bit(state)) != 0; }
  constexpr void Add(TInputState state) { bits_ |= Bit(state); }
  constexpr void Remove(TInputState state) { bits_ &= ~Bit(state); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint64_t Bits() const { return bits_; }

  constexpr TInputStates operator|(TInputStates other) const {
    return FromBits(bits_ | other.bits_);
  }
  constexpr bool operator==(const TInputStates&) const = default;

 private:
  static constexpr std::uint64_t Bit(TInputState state) {
    return std::uint64_t{1} << static_cast<int>(state);
  }
  std::uint64_t bits_ = 0;
};
static_assert(std::is_trivially_copyable_v<TInputStates>);

// The state of button i (0..31) of the joystick, as the keyboard's buttons are numbered.
constexpr TInputState ButtonState(int button) {
  return static_cast<TInputState>(static_cast<int>(TInputState::InputButton1) + button);
}

// Keyboard assignments: three key numbers per state, 0 = none.
using TKeyAssigns = std::array<std::array<std::int32_t, 3>, kInputStateCount>;

// The binary form of TKeyAssigns: 36 states x 3 keys x 4 bytes, little-endian,
// state 0 first.
inline constexpr std::size_t kKeyAssignsBytes = std::size_t{kInputStateCount} * 3 * 4;
using TKeyAssignBytes = std::array<std::uint8_t, kKeyAssignsBytes>;

TKeyAssignBytes EncodeKeyAssigns(const TKeyAssigns& assigns);
// False (and `assigns` unchanged) unless `bytes` is exactly kKeyAssignsBytes long.
bool DecodeKeyAssigns(std::span<const std::uint8_t> bytes, TKeyAssigns& assigns);

// The form's keyboard table: arrows (and keypad 8 for up), Z X C P Esc Y N Space.
const TKeyAssignBytes& FormKeyAssigns();

class TKeyboard {
 public:
  TKeyboard();

  // Reads the assignments from a stored property; "Assigns" and the misspelt
  // "Aissgns" are both accepted. False for another name or a wrong size.
  bool ReadProperty(std::string_view name, std::span<const std::uint8_t> bytes);
  // The stored property "Assigns".
  TKeyAssignBytes Assigns() const { return EncodeKeyAssigns(assigns_); }
  const TKeyAssigns& KeyAssigns() const { return assigns_; }
  void SetKeyAssigns(const TKeyAssigns& assigns) { assigns_ = assigns; }

  // Refreshes the key table and recomputes States(); nothing reads down unless
  // `foreground`, and nothing at all while not Enabled.
  TInputStates Update(platform::IInput& input, bool foreground);
  TInputStates States() const { return states_; }
  // The states the keys down in a 256-entry key table (non-zero = down) stand for.
  TInputStates StatesFromKeys(const std::array<std::uint8_t, 256>& keys) const;

  bool Enabled = true;
  bool BindInputStates = true;

 private:
  TKeyAssigns assigns_{};
  TInputStates states_;
};

struct TJoystickAxis {
  std::int32_t Range = 1000;   // the axis reads -Range..+Range
  std::int32_t DeadZone = 50;  // percent of the half-range around the centre that reads 0
};

class TJoystick {
 public:
  // Converts a raw platform axis value to -Range..+Range through the dead zone.
  static std::int32_t ScaleAxis(int raw, const TJoystickAxis& axis);
  // Reads the stick and recomputes States(); an absent stick, a background window
  // or a disabled device read as centred with no button down.
  TInputStates Update(platform::IInput& input, bool foreground);
  TInputStates States() const { return states_; }

  bool Enabled = true;
  bool BindInputStates = true;
  TJoystickAxis AxisX;
  TJoystickAxis AxisY;
  TJoystickAxis AxisZ;

  // The last reading after scaling; all 0 while no joystick is read.
  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  std::int32_t Z() const { return z_; }

 private:
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::int32_t z_ = 0;
  TInputStates states_;
};

// The form's input component: keyboard and joystick feeding one set of states.
class TDXInput {
 public:
  // Built with the form's settings: its key table, range 1000 and dead zone 50 on
  // every axis, ActiveOnly. Reads devices only inside UpdateStates.
  TDXInput(platform::IInput& input, const platform::IVideo& video);

  // Refreshes the joystick and the keyboard and recomputes InputStates. Called at
  // the start of every tick and again by the player car's movement hook.
  void UpdateStates();
  // A further refresh within the same tick (the player car's): a state the
  // tick's first refresh saw down stays down, so a tap shorter than a tick,
  // which that refresh consumed, still reaches the car.
  void UpdateStatesAgain();
  TInputStates InputStates() const { return states_; }
  // `state` reads down at the next refresh, as a tap of its key would, whatever
  // the devices say (the focus lost in a race presses pause).
  void PressOnce(TInputState state) { pressed_.Add(state); }

  // Given each refresh's device states, returns the states the refresh takes:
  // a recording watches them, a playback substitutes its own. Unset: the devices'.
  std::function<TInputStates(TInputStates devices)> OnRefresh;

  // While true, every state reads off when the window is not in the foreground.
  bool ActiveOnly = true;
  TKeyboard Keyboard;
  TJoystick Joystick;

 private:
  platform::IInput& input_;
  const platform::IVideo& video_;
  TInputStates states_;
  TInputStates pressed_;  // by PressOnce, for the next refresh
};

}  // namespace brakkon::io
