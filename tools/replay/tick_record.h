// What the replay reports after each race tick, and its one-line JSON form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::replay {

struct RoadObjectRecord {
  std::int32_t slot = 0;  // 1..30
  std::int32_t kind = 0;
  double x = 0;  // px
  double y = 0;
  bool operator==(const RoadObjectRecord&) const = default;
};

struct TickRecord {
  std::int64_t tick = 0;   // race tick, 0 = the first after the race opened
  std::int32_t state = 0;  // Shell.GameState
  std::int32_t phase = 0;
  std::int32_t level = 0;
  std::int32_t score = 0;
  std::int32_t lives = 0;
  std::int32_t time = 0;       // s left
  double speed = 0;            // px per tick
  double distance = 0;         // px
  std::optional<double> carX;  // none without a car
  std::optional<std::int32_t> lat;
  std::optional<double> marker;  // progress marker's y, px
  double banner = 0;             // ticks
  bool running = false;
  bool paused = false;
  bool prompt = false;
  std::vector<RoadObjectRecord> objects;  // occupied slots, lowest first
  std::vector<std::string> sounds;        // effects started in the tick, in order
};

// Reads the race's variables from `form` as they stand after a tick. Sprites are
// read only while a race is set up or running: outside it they are gone.
// `problems` gets a line for every slot marked used that holds no object.
TickRecord CaptureTick(const shell::TMForm& form, std::int64_t tick,
                       std::vector<std::string>& problems);

// One JSON object without a line end. Doubles read back to the same value;
// a non-finite double is written as the string "nan", "inf" or "-inf".
std::string FormatTickJson(const TickRecord& record);

}  // namespace brakkon::replay
