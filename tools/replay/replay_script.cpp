// Reading replay scripts line by line, with the line number in every error.
#include "replay/replay_script.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <optional>

namespace brakkon::replay {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

// Only plain decimal digits: from_chars alone would take a leading minus.
template <typename Int>
std::optional<Int> ParseUnsigned(std::string_view text) {
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  Int value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// 1 to 9 hex digits, at most the 36 state bits.
std::optional<std::uint64_t> ParseStateBits(std::string_view text) {
  constexpr std::size_t kMaxDigits = 9;
  if (text.empty() || text.size() > kMaxDigits) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value >= (std::uint64_t{1} << 36)) return std::nullopt;
  return value;
}

// The last step at or before `tick`, or none.
template <typename Step>
const Step* StepAt(const std::vector<Step>& steps, std::int64_t tick) {
  const auto after =
      std::upper_bound(steps.begin(), steps.end(), tick,
                       [](std::int64_t t, const Step& step) { return t < step.tick; });
  if (after == steps.begin()) return nullptr;
  return &*std::prev(after);
}

std::optional<ReplayKey> FindKey(std::string_view name) {
  for (const KeyName& entry : kKeyNames) {
    if (entry.name == name) return entry.key;
  }
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(std::string_view name) : name_(name) {}

  void Line(std::string_view line, int number) {
    number_ = number;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.empty()) return;
    if (fields[0] == "seed") {
      Seed(fields);
    } else if (fields[0] == "car") {
      Car(fields);
    } else {
      Step(fields);
    }
  }

  ReplayScript Take() { return std::move(script_); }

 private:
  [[noreturn]] void Fail(std::string_view reason) const {
    throw ReplayScriptError(fmt::format("{}:{}: {}", name_, number_, reason));
  }

  void Seed(const std::vector<std::string_view>& fields) {
    if (haveSeed_) Fail("seed given twice");
    if (fields.size() != 2) Fail("seed takes one number");
    const auto seed = ParseUnsigned<std::uint32_t>(fields[1]);
    if (!seed) Fail(fmt::format("seed '{}' is not a number from 0 to 4294967295", fields[1]));
    script_.seed = *seed;
    haveSeed_ = true;
  }

  void Car(const std::vector<std::string_view>& fields) {
    if (haveCar_) Fail("car given twice");
    if (fields.size() != 2) Fail("car takes one number");
    const auto car = ParseUnsigned<int>(fields[1]);
    if (!car || *car < 1 || *car > 4) Fail(fmt::format("car '{}' is not 1, 2, 3 or 4", fields[1]));
    script_.car = *car;
    haveCar_ = true;
  }

  void Step(const std::vector<std::string_view>& fields) {
    const auto tick = ParseUnsigned<std::int64_t>(fields[0]);
    if (!tick) Fail(fmt::format("'{}' is neither seed, car nor a tick number", fields[0]));
    if (script_.end)
      Fail(fmt::format("tick {} comes after the end at tick {}", *tick, *script_.end));
    if (fields.size() < 2) Fail(fmt::format("tick {} needs its keys, or - for none", *tick));
    const std::string_view what = fields[1];
    if (what == "states") {
      States(*tick, fields);
    } else if (what == "control") {
      Control(*tick, fields);
    } else if (what == "lag") {
      Lag(*tick, fields);
    } else if (what == "end") {
      End(*tick, fields);
    } else {
      KeyLine(*tick, fields);
    }
    lastTick_ = std::max(lastTick_, *tick);
  }

  void KeyLine(std::int64_t tick, const std::vector<std::string_view>& fields) {
    if (recorded_) Fail("key lines and recorded states (states, control) do not mix");
    After(script_.steps, tick, "");
    if (fields.size() > 2) {
      Fail(fmt::format("unexpected '{}' after the keys (a key list has no spaces)", fields[2]));
    }
    script_.steps.push_back(KeyStep{tick, Keys(fields[1])});
  }

  void States(std::int64_t tick, const std::vector<std::string_view>& fields) {
    Recorded();
    After(script_.states, tick, "states ");
    if (fields.size() < 3) Fail(fmt::format("tick {} states needs at least one hex number", tick));
    StatesStep step{tick, {}};
    for (std::size_t i = 2; i < fields.size(); ++i) {
      const auto bits = ParseStateBits(fields[i]);
      if (!bits) Fail(fmt::format("states '{}' is not a hex number of at most 36 bits", fields[i]));
      step.refreshes.push_back(*bits);
    }
    script_.states.push_back(std::move(step));
  }

  void Control(std::int64_t tick, const std::vector<std::string_view>& fields) {
    Recorded();
    After(script_.control, tick, "control ");
    if (fields.size() != 3 || (fields[2] != "0" && fields[2] != "1")) {
      Fail(fmt::format("tick {} control takes 1 (held) or 0", tick));
    }
    script_.control.push_back(ControlStep{tick, fields[2] == "1"});
  }

  void Lag(std::int64_t tick, const std::vector<std::string_view>& fields) {
    After(script_.lags, tick, "lag ");
    const auto lag = fields.size() == 3 ? ParseUnsigned<int>(fields[2]) : std::nullopt;
    if (!lag || *lag < 1 || *lag > kMaxLag) {
      Fail(fmt::format("tick {} lag takes one number from 1 to {}", tick, kMaxLag));
    }
    script_.lags.push_back(LagStep{tick, *lag});
  }

  void End(std::int64_t tick, const std::vector<std::string_view>& fields) {
    if (fields.size() != 2) Fail(fmt::format("unexpected '{}' after end", fields[2]));
    if (lastTick_ >= 0 && tick <= lastTick_) {
      Fail(fmt::format("the end at tick {} does not come after tick {}", tick, lastTick_));
    }
    script_.end = tick;
  }

  void Recorded() {
    if (!script_.steps.empty()) Fail("key lines and recorded states (states, control) do not mix");
    recorded_ = true;
  }

  template <typename Step>
  void After(const std::vector<Step>& steps, std::int64_t tick, std::string_view kind) const {
    if (!steps.empty() && tick <= steps.back().tick) {
      Fail(fmt::format("{}tick {} does not come after tick {}", kind, tick, steps.back().tick));
    }
  }

  KeySet Keys(std::string_view list) const {
    KeySet keys;
    if (list == "-") return keys;
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = list.find(',', start);
      const std::string_view name =
          list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
      if (name.empty()) Fail(fmt::format("empty key name in '{}'", list));
      const auto key = FindKey(name);
      if (!key) Fail(fmt::format("unknown key '{}'", name));
      if (keys.Has(*key)) Fail(fmt::format("key '{}' listed twice", name));
      keys.Add(*key);
      if (comma == std::string_view::npos) return keys;
      start = comma + 1;
    }
  }

  std::string_view name_;
  int number_ = 0;
  ReplayScript script_;
  bool haveSeed_ = false;
  bool haveCar_ = false;
  bool recorded_ = false;
  std::int64_t lastTick_ = -1;
};

}  // namespace

KeySet ReplayScript::KeysAt(std::int64_t tick) const {
  const KeyStep* step = StepAt(steps, tick);
  return step != nullptr ? step->keys : KeySet{};
}

std::uint64_t ReplayScript::StatesAt(std::int64_t tick, std::size_t refresh) const {
  const StatesStep* step = StepAt(states, tick);
  if (step == nullptr) return 0;
  return step->refreshes[std::min(refresh, step->refreshes.size() - 1)];
}

bool ReplayScript::ControlAt(std::int64_t tick) const {
  const ControlStep* step = StepAt(control, tick);
  return step != nullptr && step->held;
}

int ReplayScript::LagAt(std::int64_t tick) const {
  const LagStep* step = StepAt(lags, tick);
  return step != nullptr ? step->lag : 1;
}

ReplayScript ParseReplayScript(std::string_view text, std::string_view name) {
  Parser parser(name);
  int number = 1;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::size_t stop = end == std::string_view::npos ? text.size() : end;
    parser.Line(text.substr(start, stop - start), number);
    if (end == std::string_view::npos) break;
    start = end + 1;
    ++number;
  }
  return parser.Take();
}

std::string FormatKeyScript(const ReplayScript& script) {
  std::string text = fmt::format("seed {}\ncar {}\n", script.seed, script.car);
  // Key and lag lines may share a tick; the parser takes them in any order.
  for (const KeyStep& step : script.steps) {
    std::string keys;
    for (const KeyName& entry : kKeyNames) {
      if (!step.keys.Has(entry.key)) continue;
      if (!keys.empty()) keys += ',';
      keys += entry.name;
    }
    text += fmt::format("{} {}\n", step.tick, keys.empty() ? "-" : keys);
  }
  for (const LagStep& step : script.lags) text += fmt::format("{} lag {}\n", step.tick, step.lag);
  return text;
}

}  // namespace brakkon::replay
