// A random player for the whole game on the headless platform: fresh games one
// after another, fed random events of every kind the shell takes, with the
// game's invariants checked after every tick.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brakkon::monkey {

// What the stand-in score server does with the next requests.
enum class ServerMode { kDown, kSlow, kAnswering, kJunk };

// One input of a run, as the log writes it (one line each).
struct MonkeyEvent {
  enum class Kind {
    kKeyDown,  // a: virtual key, b: the character it types (0 none), c: 1 with Alt held
    kKeyUp,    // a: virtual key
    kMove,     // a, b: picture position
    kClick,    // a, b
    kDoubleClick,
    kPadPlug,    // a: 1 plugged in, 0 pulled out
    kPadButton,  // a: button 0..31, b: 1 down, 0 up
    kPadAxis,    // a: 0 x, 1 y; b: value
    kFocus,      // a: 1 gained, 0 lost
    kServer,     // a: ServerMode
    kScore,      // a: the race's score from now on (a stand-in for a long, good race)
    kTicks,      // a: how many timer ticks run before the next event
    kQuit,       // the window's close button
  };
  Kind kind = Kind::kTicks;
  int a = 0;
  int b = 0;
  int c = 0;
};

std::string FormatEvent(const MonkeyEvent& event);
// Parses one line written by FormatEvent; nothing for a line it cannot read.
std::optional<MonkeyEvent> ParseEvent(const std::string& line);

// The game's states as their names, for the counts a run reports.
std::string StateName(std::int32_t state);

struct MonkeyTotals {
  std::int64_t runs = 0;
  std::int64_t events = 0;
  std::int64_t ticks = 0;
  std::map<std::string, std::int64_t> ticksByState;  // every state reached, with its ticks
  std::map<std::string, std::int64_t> messages;      // message boxes answered, by text
};

struct MonkeyFailure {
  std::uint32_t seed = 0;
  std::int64_t tick = 0;  // of the run, 1 = the first
  std::string what;
};

// Where a run plays: a folder holding Data/Res and Data/Music (linked) and a
// fresh copy of Data/Save for every run.
struct MonkeyWorld {
  std::filesystem::path bakedData;  // the build's Data/
  std::filesystem::path folder;     // emptied and filled by each run
};

// One run of a fresh game: `events` given replays them (the log of an earlier
// run); otherwise events are drawn from `seed` until `ticks` ticks have run.
// Every event is written to `log` as it happens (flushed at every tick, so a
// run killed by a sanitizer leaves its events behind). Adds to `totals`.
std::optional<MonkeyFailure> RunOnce(const MonkeyWorld& world, std::uint32_t seed,
                                     std::int64_t ticks, const std::vector<MonkeyEvent>* events,
                                     std::FILE* log, MonkeyTotals& totals);

// Reads a log written by RunOnce: its seed and events. Nothing when the file
// cannot be read or holds no seed line.
struct MonkeyLog {
  std::uint32_t seed = 0;
  std::vector<MonkeyEvent> events;
};
std::optional<MonkeyLog> ReadLog(const std::filesystem::path& path);

}  // namespace brakkon::monkey
