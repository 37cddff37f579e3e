// Whole races from the scripts in golden/, played on the baked data: the facts each one shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "race/race_tick.h"
#include "replay/replay_runner.h"
#include "replay/replay_script.h"
#include "replay/soak.h"
#include "replay/tick_record.h"

namespace brakkon::replay {
namespace {

namespace fs = std::filesystem;

constexpr double kNormalTop = 250.0 / 14;  // px per tick
constexpr double kTurboTop = 300.0 / 14;
constexpr int kTicksPerClockStep = 35;  // 1000 ms counted down by 30 until not positive

struct Played {
  std::vector<TickRecord> ticks;
  ReplayOutcome outcome;

  const TickRecord& At(std::int64_t tick) const { return ticks.at(static_cast<std::size_t>(tick)); }
  // The first tick from `from` on that satisfies `test`; -1 when none does.
  std::int64_t First(const std::function<bool(const TickRecord&)>& test,
                     std::int64_t from = 0) const {
    for (std::int64_t t = std::max<std::int64_t>(from, 0);
         t < static_cast<std::int64_t>(ticks.size()); ++t) {
      if (test(At(t))) return t;
    }
    return -1;
  }
};

bool HasSound(const TickRecord& record, std::string_view name) {
  return std::find(record.sounds.begin(), record.sounds.end(), name) != record.sounds.end();
}

auto Sound(std::string_view name) {
  return [name](const TickRecord& r) { return HasSound(r, name); };
}

// Each test plays in a fresh folder holding the build's Data/Res and Data/Music
// and the default save files, so the table and the options are always the same.
class ReplayGoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("brakkon-replay-" + std::string(info->name()) + "-" +
                                        std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "Data");
    const fs::path baked = BRAKKON_BAKED_DATA_DIR;
    fs::copy(baked / "Save", dir_ / "Data" / "Save", fs::copy_options::recursive);
    fs::create_directory_symlink(baked / "Res", dir_ / "Data" / "Res");
    fs::create_directory_symlink(baked / "Music", dir_ / "Data" / "Music");
    fs::current_path(dir_);
  }

  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static ReplayScript Load(std::string_view name) {
    const fs::path path = fs::path(BRAKKON_REPLAY_SCRIPT_DIR) / (std::string(name) + ".replay");
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseReplayScript(text, path.filename().string());
  }

  static Played Play(std::string_view name, std::int64_t tickLimit = kDefaultTickLimit,
                     std::int32_t startLevel = 0) {
    Played played;
    ReplayOptions options;
    options.tickLimit = tickLimit;
    options.startLevel = startLevel;
    options.onTick = [&played](const TickRecord& record) { played.ticks.push_back(record); };
    played.outcome = RunReplay(Load(name), options);
    EXPECT_EQ(played.outcome.ticks, static_cast<std::int64_t>(played.ticks.size()));
    for (std::size_t i = 0; i < played.ticks.size(); ++i) {
      if (played.ticks[i].tick != static_cast<std::int64_t>(i)) {
        ADD_FAILURE() << "record " << i << " is for tick " << played.ticks[i].tick;
        break;
      }
    }
    for (const std::string& problem : played.outcome.problems) ADD_FAILURE() << problem;
    // The soak trusts this figure: it is counted, and a real race stays within the bound.
    if (!played.ticks.empty()) {
      EXPECT_GT(played.outcome.maxSprites, 0);
    }
    EXPECT_LE(played.outcome.maxSprites, kMaxRaceSprites);
    return played;
  }

 private:
  fs::path previous_;
  fs::path dir_;
};

TEST_F(ReplayGoldenTest, CrashCostsALifeThenTheCarDrivesOn) {
  const Played run = Play("crash_restore", 500);
  EXPECT_EQ(run.outcome.end, ReplayEnd::kTickLimit);
  const std::int64_t crash = run.First([](const TickRecord& r) { return r.lives < 3; });
  ASSERT_GT(crash, 0) << "no crash";
  const TickRecord& before = run.At(crash - 1);
  const TickRecord& at = run.At(crash);
  EXPECT_EQ(at.lives, 2);
  EXPECT_TRUE(HasSound(at, "CarExplosion"));
  EXPECT_GT(before.speed, 150.0 / 14) << "a slow touch only stops the car";
  EXPECT_EQ(at.speed, 0);
  EXPECT_EQ(at.carX, before.carX);

  // The wall the car ran into stands in its lane and is gone once its explosion has played.
  const auto wall =
      std::find_if(at.objects.begin(), at.objects.end(), [&](const RoadObjectRecord& o) {
        return (o.kind == 1 || o.kind == 2) && std::abs(o.x - *at.carX) < 40;
      });
  ASSERT_NE(wall, at.objects.end());
  const std::int64_t cleared = run.First(
      [slot = wall->slot](const TickRecord& r) {
        return std::none_of(r.objects.begin(), r.objects.end(),
                            [slot](const RoadObjectRecord& o) { return o.slot == slot; });
      },
      crash);
  EXPECT_GT(cleared, crash + 5);
  EXPECT_LT(cleared, crash + 40);

  // Two seconds standing (67 ticks of drift time), then it accelerates from rest again.
  const std::int64_t moving = run.First([](const TickRecord& r) { return r.speed > 0; }, crash);
  EXPECT_EQ(moving - crash, 68);
  EXPECT_DOUBLE_EQ(run.At(moving).speed, 0.1);
  EXPECT_NEAR(run.At(moving + 50).speed, 5.1, 1e-9);
  EXPECT_EQ(run.At(moving + 50).lives, 2);
}

TEST_F(ReplayGoldenTest, GunShootsAWallForTenPoints) {
  const Played run = Play("gun_kill", 320);
  const std::int64_t pickup = run.First(Sound("BonusGet"));
  ASSERT_GE(pickup, 0);
  // The trigger goes down in tick 175, once the gun is on.
  EXPECT_LT(pickup, 175);
  EXPECT_EQ(run.First(Sound("Shot")), 175);

  const std::int64_t kill = run.First([](const TickRecord& r) { return r.score > 0; });
  ASSERT_GT(kill, 175);
  const TickRecord& at = run.At(kill);
  EXPECT_EQ(at.score, 10);
  EXPECT_TRUE(HasSound(at, "WallExplosion"));
  EXPECT_TRUE(std::any_of(at.objects.begin(), at.objects.end(), [&](const RoadObjectRecord& o) {
    return (o.kind == 1 || o.kind == 2) && std::abs(o.x - *at.carX) < 40 && o.y < 600;
  })) << "the shot wall lies ahead in the car's lane";
  // Without the gun the car runs into that wall; with it, no life goes and no other points come.
  for (const TickRecord& r : run.ticks) {
    EXPECT_EQ(r.lives, 3) << "tick " << r.tick;
    EXPECT_EQ(r.score, r.tick < kill ? 0 : 10) << "tick " << r.tick;
  }
}

TEST_F(ReplayGoldenTest, TurboRaisesTheTopSpeedForTenSeconds) {
  const Played run = Play("turbo", 700);
  const std::int64_t pickup = run.First(Sound("BonusGet"));
  ASSERT_GT(pickup, 0);
  for (std::int64_t t = 0; t < pickup; ++t) ASSERT_LE(run.At(t).speed, kNormalTop + 0.1) << t;

  // 0.2 a tick instead of 0.1, up to one step past 300/14.
  for (std::int64_t t = pickup + 1; t <= pickup + 10; ++t) {
    EXPECT_NEAR(run.At(t).speed - run.At(t - 1).speed, 0.2, 1e-9) << t;
  }
  const std::int64_t lost = run.First(Sound("BonusLost"), pickup);
  ASSERT_GT(lost, pickup);
  EXPECT_NEAR(static_cast<double>(lost - pickup), 10.0 * kTicksPerClockStep, kTicksPerClockStep);
  double peak = 0;
  for (std::int64_t t = pickup; t < lost; ++t) peak = std::max(peak, run.At(t).speed);
  EXPECT_GE(peak, kTurboTop);
  EXPECT_LE(peak, kTurboTop + 0.2);

  // The script lifts the pedal for tick 400 only: the press in 401 is the one the turbo sounds.
  EXPECT_EQ(run.First(Sound("EngineAccel")), 401);
  EXPECT_EQ(run.First(Sound("EngineAccel"), 402), -1);

  // Back to the normal top speed, braking 0.2 a tick.
  EXPECT_EQ(run.At(lost).lat, -3);
  const std::int64_t normal =
      run.First([](const TickRecord& r) { return r.speed <= kNormalTop; }, lost);
  ASSERT_GT(normal, lost);
  EXPECT_LE(normal - lost, 20);
  for (std::int64_t t = normal; t < 700; ++t) ASSERT_LE(run.At(t).speed, kNormalTop + 0.1) << t;
}

TEST_F(ReplayGoldenTest, TimeOverCostsALifeAndRestartsTheLevel) {
  const Played run = Play("time_over", 2400);
  const std::int64_t over = run.First([](const TickRecord& r) { return r.lives < 3; });
  ASSERT_GT(over, 0);
  const TickRecord& at = run.At(over);
  EXPECT_EQ(at.lives, 2);
  EXPECT_EQ(at.time, 0);
  EXPECT_EQ(at.speed, 0);
  EXPECT_FALSE(at.running);
  EXPECT_TRUE(HasSound(at, "GameOver"));
  // After the banner the clock ran all of its 60 s, ticking aloud from 10 down to 0.
  EXPECT_EQ(over, 67 + 60 * kTicksPerClockStep);
  EXPECT_EQ(std::count_if(run.ticks.begin(), run.ticks.begin() + over, Sound("Tick")), 11);

  // The message stays 2000 ms, then level 1 starts again with a full clock.
  const std::int64_t restart = run.First([](const TickRecord& r) { return r.time > 0; }, over);
  EXPECT_EQ(restart - over, 68);
  const TickRecord& again = run.At(restart);
  EXPECT_EQ(again.level, 1);
  EXPECT_EQ(again.time, race::LevelTime(1));
  EXPECT_EQ(again.lives, 2);
  EXPECT_EQ(again.distance, 0);
  EXPECT_EQ(again.marker, 322);
  EXPECT_NEAR(again.banner, 2000.0 / 30, 1e-9);
  EXPECT_EQ(again.sounds, (std::vector<std::string>{"EngineStart", "Engine"}));
}

TEST_F(ReplayGoldenTest, FinishedLevelPaysFivePointsASecond) {
  const Played run = Play("finish_level", 2000);
  const std::int64_t next = run.First([](const TickRecord& r) { return r.level == 2; });
  ASSERT_GT(next, 0) << "level 1 was not finished";
  std::vector<std::int32_t> phases;
  for (std::int64_t t = 0; t <= next; ++t) {
    if (phases.empty() || phases.back() != run.At(t).phase) phases.push_back(run.At(t).phase);
    EXPECT_EQ(run.At(t).lives, 3) << t;
  }
  EXPECT_EQ(phases, (std::vector<std::int32_t>{0, 1, 2, 25, 3, 0}));

  const std::int64_t done = run.First([](const TickRecord& r) { return r.phase == 25; });
  EXPECT_TRUE(HasSound(run.At(done), "LevelFinish"));
  EXPECT_EQ(run.At(done).speed, 0);
  EXPECT_GE(run.At(done).distance, race::LevelLength(1));
  const std::int64_t bonus = run.First([](const TickRecord& r) { return r.phase == 3; });
  EXPECT_EQ(bonus - done, 35) << "LEVEL COMPLETED shows for 1000 ms";

  // Every third tick a second moves from the clock to the score; the tick that
  // starts level 2 takes its first second too.
  const TickRecord& last = run.At(bonus - 1);
  ASSERT_GT(last.time, 0);
  const std::int64_t tickSounds =
      std::count_if(run.ticks.begin() + bonus, run.ticks.begin() + next + 1, Sound("Tick"));
  EXPECT_EQ(tickSounds, last.time + 1);
  EXPECT_EQ(next - bonus, 3 * last.time + 1);
  const TickRecord& start = run.At(next);
  EXPECT_EQ(start.score, last.score + 5 * last.time + 5);
  EXPECT_EQ(start.time, race::LevelTime(2) - 1);
  EXPECT_EQ(start.phase, 0);
  EXPECT_EQ(start.distance, 0);
  EXPECT_EQ(start.marker, 322);
  EXPECT_TRUE(HasSound(start, "EngineStart"));
}

TEST_F(ReplayGoldenTest, LastLifeEndsTheRaceInTheMainMenu) {
  const Played run = Play("game_over");
  EXPECT_EQ(run.outcome.end, ReplayEnd::kRaceOver);
  std::vector<std::int64_t> crashes;
  for (std::int64_t t = 1; t < static_cast<std::int64_t>(run.ticks.size()); ++t) {
    if (run.At(t).lives < run.At(t - 1).lives) {
      crashes.push_back(t);
      EXPECT_TRUE(HasSound(run.At(t), "CarExplosion")) << t;
    }
  }
  ASSERT_EQ(crashes.size(), 3u);
  const std::int64_t last = crashes.back();
  EXPECT_EQ(run.At(last).lives, 0);
  // The tick after the last crash starts the game-over message; 2000 ms later the race is over.
  EXPECT_TRUE(HasSound(run.At(last + 1), "GameOver"));
  EXPECT_FALSE(run.At(last + 1).running);
  const TickRecord& end = run.ticks.back();
  EXPECT_EQ(end.tick - (last + 1), 67);
  for (std::int64_t t = last + 1; t < end.tick; ++t) EXPECT_EQ(run.At(t).state, 1) << t;
  // The score does not beat the default table: back to the main menu, nothing of the race left.
  EXPECT_LT(end.score, 200);
  EXPECT_EQ(end.state, 0);
  EXPECT_FALSE(end.carX.has_value());
  EXPECT_FALSE(end.marker.has_value());
  EXPECT_TRUE(end.objects.empty());
}

TEST_F(ReplayGoldenTest, TrafficTakesTheLastLifeDuringTheTimeOverMessage) {
  const Played run = Play("traffic_during_time_over", 7000);
  EXPECT_EQ(run.outcome.end, ReplayEnd::kRaceOver);
  const std::int64_t over = run.First(
      [](const TickRecord& r) { return r.level == 3 && r.time == 0 && HasSound(r, "GameOver"); });
  ASSERT_GT(over, 0);
  EXPECT_EQ(run.At(over).lives, 1);
  const std::int64_t crash = run.First(Sound("CarExplosion"), over);
  ASSERT_GT(crash, over);
  EXPECT_LT(crash - over, 68) << "the crash comes while the time-over message shows";
  const TickRecord& hit = run.At(crash);
  EXPECT_EQ(hit.lives, 0);
  EXPECT_FALSE(hit.running);
  EXPECT_TRUE(std::any_of(hit.objects.begin(), hit.objects.end(),
                          [](const RoadObjectRecord& o) { return o.kind >= 29 && o.kind <= 34; }));
  EXPECT_EQ(run.First(Sound("GameOver"), over + 1), crash);

  // Both messages end in one race end, back in the main menu with no race sprite left
  // (the runner's own checks, failed through Play).
  const TickRecord& end = run.ticks.back();
  EXPECT_EQ(end.state, 0);
  EXPECT_LE(end.tick, crash + 68);
  for (std::int64_t t = over; t < end.tick; ++t) {
    EXPECT_EQ(run.At(t).state, 1) << t;
    EXPECT_GE(run.At(t).lives, 0) << t;
  }
}

TEST_F(ReplayGoldenTest, PauseAndTheFinishQuestion) {
  const Played run = Play("pause_and_quit");
  EXPECT_EQ(run.outcome.end, ReplayEnd::kRaceOver);
  EXPECT_EQ(run.outcome.ticks, 271);
  struct Row {
    std::int64_t tick;
    bool running, paused, prompt;
  };
  const Row rows[] = {
      {30, false, false, false},  // banner: the pause key is ignored
      {99, true, false, false},  {100, false, true, false}, {149, false, true, false},
      {150, true, false, false}, {199, true, false, false}, {200, false, false, true},
      {215, false, false, true},  // question open: the pause key is ignored
      {229, false, false, true}, {230, true, false, false}, {260, false, false, true},
      {269, false, false, true},
  };
  for (const Row& row : rows) {
    const TickRecord& r = run.At(row.tick);
    EXPECT_EQ(r.running, row.running) << row.tick;
    EXPECT_EQ(r.paused, row.paused) << row.tick;
    EXPECT_EQ(r.prompt, row.prompt) << row.tick;
    EXPECT_EQ(r.state, 1) << row.tick;
  }
  // Held, the world stands still: no road, no clock, no speed.
  EXPECT_EQ(run.At(149).distance, run.At(100).distance);
  EXPECT_EQ(run.At(149).speed, run.At(100).speed);
  EXPECT_EQ(run.At(229).distance, run.At(200).distance);
  EXPECT_EQ(run.At(229).time, run.At(200).time);
  // Going on again restarts the engine sound.
  EXPECT_TRUE(HasSound(run.At(150), "Engine"));
  EXPECT_TRUE(HasSound(run.At(230), "Engine"));
  // Y in tick 270 ends the race: no points, so the main menu.
  EXPECT_EQ(run.At(270).state, 0);
}

// The test-only start level: the race is on that level from its first tick, with
// that level's clock and road, and goes on from there.
TEST_F(ReplayGoldenTest, StartLevelPutsTheRaceOnThatLevel) {
  const Played run = Play("finish_level", 1500, 6);
  ASSERT_FALSE(run.ticks.empty());
  EXPECT_EQ(run.At(0).level, 6);
  EXPECT_EQ(run.At(0).time, race::LevelTime(6));
  EXPECT_EQ(run.outcome.firstLevel, 6);
  EXPECT_EQ(run.outcome.lastLevel, 6);
  // Level 6 has traffic: none of level 1's first kinds (1..9) come onto its road.
  int objects = 0;
  for (const TickRecord& record : run.ticks) {
    for (const RoadObjectRecord& object : record.objects) {
      ++objects;
      EXPECT_GE(object.kind, 10) << "tick " << record.tick;
    }
  }
  EXPECT_GT(objects, 0);
}

TEST_F(ReplayGoldenTest, SameReplayGivesTheSameBytes) {
  auto bytes = [] {
    std::string out;
    ReplayOptions options;
    options.onTick = [&out](const TickRecord& record) { out += FormatTickJson(record) + "\n"; };
    RunReplay(Load("game_over"), options);
    return out;
  };
  const std::string first = bytes();
  const std::string second = bytes();
  EXPECT_GT(first.size(), 100000u);
  EXPECT_TRUE(first == second) << "the two runs differ";
}

}  // namespace
}  // namespace brakkon::replay
