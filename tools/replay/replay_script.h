// A replay script: the seed, the car and which keys are held from which race
// tick on, or a recorded race's exact input states, Ctrl and lag counts.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brakkon::replay {

// The keys a script can hold; one bit each so a tick's keys are one value.
enum class ReplayKey : std::uint16_t {
  kUp = 1 << 0,
  kDown = 1 << 1,
  kLeft = 1 << 2,
  kRight = 1 << 3,
  kFire = 1 << 4,  // Space
  kCtrl = 1 << 5,
  kPause = 1 << 6,  // P
  kEsc = 1 << 7,
  kY = 1 << 8,
  kN = 1 << 9,
};

inline constexpr int kReplayKeyCount = 10;

// The keys held during one tick.
class KeySet {
 public:
  constexpr KeySet() = default;
  constexpr bool Has(ReplayKey key) const { return (bits_ & static_cast<std::uint16_t>(key)) != 0; }
  constexpr void Add(ReplayKey key) { bits_ |= static_cast<std::uint16_t>(key); }
  constexpr bool operator==(const KeySet&) const = default;

 private:
  std::uint16_t bits_ = 0;
};

// Every key in script order: its name in a script and the bit it sets.
struct KeyName {
  std::string_view name;
  ReplayKey key;
};
inline constexpr KeyName kKeyNames[kReplayKeyCount] = {
    {"up", ReplayKey::kUp},       {"down", ReplayKey::kDown}, {"left", ReplayKey::kLeft},
    {"right", ReplayKey::kRight}, {"fire", ReplayKey::kFire}, {"ctrl", ReplayKey::kCtrl},
    {"pause", ReplayKey::kPause}, {"esc", ReplayKey::kEsc},   {"y", ReplayKey::kY},
    {"n", ReplayKey::kN},
};

// From race tick `tick` on, exactly `keys` are held until the next step.
struct KeyStep {
  std::int64_t tick = 0;
  KeySet keys;
  bool operator==(const KeyStep&) const = default;
};

// From race tick `tick` on, a tick's input refreshes read `refreshes` in order
// (bit n = input state n); refreshes past the list read its last value.
struct StatesStep {
  std::int64_t tick = 0;
  std::vector<std::uint64_t> refreshes;  // never empty
  bool operator==(const StatesStep&) const = default;
};

// From race tick `tick` on, Ctrl is held (Shell.KeyCtrl) or not.
struct ControlStep {
  std::int64_t tick = 0;
  bool held = false;
  bool operator==(const ControlStep&) const = default;
};

// From race tick `tick` on, each tick comes `lag` intervals after the last.
struct LagStep {
  std::int64_t tick = 0;
  int lag = 1;
  bool operator==(const LagStep&) const = default;
};

inline constexpr std::uint32_t kDefaultSeed = 0;
inline constexpr int kDefaultCar = 1;
inline constexpr int kMaxLag = 1000000;

struct ReplayScript {
  std::uint32_t seed = kDefaultSeed;
  int car = kDefaultCar;       // 1..4
  std::vector<KeyStep> steps;  // ticks strictly increasing
  // A recording holds states and control lines instead of keys; each list's
  // ticks strictly increase.
  std::vector<StatesStep> states;
  std::vector<ControlStep> control;
  std::vector<LagStep> lags;
  std::optional<std::int64_t> end;  // ticks the script covers; none: until the race ends

  // The keys held during race tick `tick`: none before the first step.
  KeySet KeysAt(std::int64_t tick) const;
  // True when the script gives input states rather than keys.
  bool Recorded() const { return !states.empty() || !control.empty(); }
  // What refresh `refresh` (0 = the tick's first) of race tick `tick` reads;
  // 0 before the first step.
  std::uint64_t StatesAt(std::int64_t tick, std::size_t refresh) const;
  bool ControlAt(std::int64_t tick) const;
  // 1 before the first lag line.
  int LagAt(std::int64_t tick) const;
};

// A script line that cannot be read; what() is "name:line: reason".
class ReplayScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole script; `name` only prefixes error messages. Raises
// ReplayScriptError at the first bad line.
ReplayScript ParseReplayScript(std::string_view text, std::string_view name);

// The text of a key script (seed, car, key and lag lines) that
// ParseReplayScript reads back to the same script. Not for recordings.
std::string FormatKeyScript(const ReplayScript& script);

}  // namespace brakkon::replay
