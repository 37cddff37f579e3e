// Taking a tick's record from the form and writing it as JSON.
#include "replay/tick_record.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <iterator>

#include "race/player_car.h"
#include "race/road_objects.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::replay {
namespace {

using Buffer = fmt::memory_buffer;

void Append(Buffer& out, std::string_view text) {
  out.append(text.data(), text.data() + text.size());
}

void PutDouble(Buffer& out, double value) {
  if (std::isnan(value)) {
    Append(out, "\"nan\"");
    return;
  }
  if (std::isinf(value)) {
    Append(out, value > 0 ? "\"inf\"" : "\"-inf\"");
    return;
  }
  // The shortest form that reads back exactly, and never the locale's decimal mark.
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  (void)error;  // 32 characters hold every double's shortest form
  out.append(text, end);
}

template <typename T>
void PutOptional(Buffer& out, const std::optional<T>& value) {
  if (!value) {
    Append(out, "null");
  } else if constexpr (std::is_floating_point_v<T>) {
    PutDouble(out, *value);
  } else {
    fmt::format_to(std::back_inserter(out), "{}", *value);
  }
}

void PutString(Buffer& out, std::string_view text) {
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      fmt::format_to(std::back_inserter(out), "\\u{:04x}", byte);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

bool RaceOpen(shell::TGameState state) {
  return state == shell::TGameState::Race || state == shell::TGameState::RaceSetup;
}

}  // namespace

TickRecord CaptureTick(const shell::TMForm& form, std::int64_t tick,
                       std::vector<std::string>& problems) {
  const race::RaceState& race = form.Race;
  TickRecord record;
  record.tick = tick;
  record.state = static_cast<std::int32_t>(form.Shell.GameState);
  record.phase = race.RacePhase;
  record.level = race.Level;
  record.score = race.Score;
  record.lives = race.Lives;
  record.time = race.TimeLeft;
  record.speed = race.ScrollSpeed;
  record.distance = race.Distance;
  record.banner = race.BannerFrames;
  record.running = race.RaceRunning;
  record.paused = race.Paused;
  record.prompt = race.FinishPrompt;
  if (!RaceOpen(form.Shell.GameState)) return record;
  if (race.CarSprite != nullptr) {
    record.carX = race.CarSprite->X;
    record.lat = race.CarSprite->LatState;
  }
  if (race.ProgressMarker != nullptr) record.marker = race.ProgressMarker->Y;
  for (int slot = 1; slot <= race::kRoadSlotCount; ++slot) {
    if (!race.SlotUsed[slot]) continue;
    const race::TWallSprite* object = race.RoadSlots[slot];
    if (object == nullptr) {
      problems.push_back(
          fmt::format("tick {}: slot {} is marked used but holds no object", tick, slot));
      continue;
    }
    record.objects.push_back(RoadObjectRecord{slot, object->Kind, object->X, object->Y});
  }
  return record;
}

std::string FormatTickJson(const TickRecord& r) {
  Buffer out;
  const auto put = std::back_inserter(out);
  fmt::format_to(
      put,
      "{{\"tick\":{},\"state\":{},\"phase\":{},\"level\":{},\"score\":{},\"lives\":{},\"time\":{}",
      r.tick, r.state, r.phase, r.level, r.score, r.lives, r.time);
  Append(out, ",\"speed\":");
  PutDouble(out, r.speed);
  Append(out, ",\"distance\":");
  PutDouble(out, r.distance);
  Append(out, ",\"carX\":");
  PutOptional(out, r.carX);
  Append(out, ",\"lat\":");
  PutOptional(out, r.lat);
  Append(out, ",\"marker\":");
  PutOptional(out, r.marker);
  Append(out, ",\"banner\":");
  PutDouble(out, r.banner);
  fmt::format_to(put, ",\"running\":{},\"paused\":{},\"prompt\":{},\"objects\":[", r.running,
                 r.paused, r.prompt);
  for (std::size_t i = 0; i < r.objects.size(); ++i) {
    const RoadObjectRecord& o = r.objects[i];
    fmt::format_to(put, "{}[{},{},", i == 0 ? "" : ",", o.slot, o.kind);
    PutDouble(out, o.x);
    Append(out, ",");
    PutDouble(out, o.y);
    Append(out, "]");
  }
  Append(out, "],\"sounds\":[");
  for (std::size_t i = 0; i < r.sounds.size(); ++i) {
    if (i != 0) out.push_back(',');
    PutString(out, r.sounds[i]);
  }
  Append(out, "]}");
  return fmt::to_string(out);
}

}  // namespace brakkon::replay
