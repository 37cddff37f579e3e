// Races recorded while they are played, then played back from their files by the replay tool.
#include "shell/race_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "race/race_fixture.h"
#include "replay/replay_runner.h"
#include "replay/replay_script.h"
#include "replay/tick_record.h"

namespace brakkon::test {
namespace {

namespace vk = platform::vk;
using shell::TGameState;

bool RaceOpen(TGameState state) {
  return state == TGameState::Race || state == TGameState::RaceSetup;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Playback {
  replay::ReplayScript script;
  replay::ReplayOutcome outcome;
  std::vector<std::string> json;  // one line per race tick
  replay::TickRecord last;
};

Playback PlayFile(const fs::path& file) {
  Playback played;
  played.script = replay::ParseReplayScript(ReadFile(file), file.string());
  replay::ReplayOptions options;
  options.onTick = [&played](const replay::TickRecord& record) {
    played.json.push_back(replay::FormatTickJson(record));
    played.last = record;
  };
  played.outcome = replay::RunReplay(played.script, options);
  return played;
}

// The first tick whose lines differ, for a message that shows where a playback went astray.
std::string FirstDifference(const std::vector<std::string>& live,
                            const std::vector<std::string>& replayed) {
  for (std::size_t i = 0; i < live.size() && i < replayed.size(); ++i) {
    if (live[i] != replayed[i]) return "live:   " + live[i] + "\nreplay: " + replayed[i];
  }
  return live.size() == replayed.size() ? std::string() : "the runs differ in length";
}

class RaceRecorderTest : public RaceFixture {
 protected:
  fs::path RecordingFile() const { return fs::current_path() / "race.rec"; }

  // From now on every race tick's record is kept as the replay tool reports it.
  void WatchTicks() {
    form().OnSoundPlayed = [this](std::string_view name) { sounds_.emplace_back(name); };
    sounds_.clear();
    json_.clear();
  }

  // One tick `lag` intervals after the last, with its events delivered first.
  void Tick(int lag) {
    platform.clock.Advance(static_cast<std::uint32_t>(lag * kTickMs));
    Ticks(1);
    std::vector<std::string> problems;
    replay::TickRecord record =
        replay::CaptureTick(form(), static_cast<std::int64_t>(json_.size()), problems);
    record.sounds = std::move(sounds_);
    sounds_.clear();
    last_ = record;
    json_.push_back(replay::FormatTickJson(record));
  }

  void SetCtrl(bool held) {
    if (held) {
      platform.input.PushKeyDown(vk::kControl, false, true);
    } else {
      platform.input.PushKeyUp(vk::kControl);
    }
  }

  void ExpectSameRace(const Playback& played) {
    EXPECT_EQ(played.outcome.end, replay::ReplayEnd::kRaceOver);
    EXPECT_TRUE(played.outcome.problems.empty())
        << ::testing::PrintToString(played.outcome.problems);
    EXPECT_EQ(played.outcome.ticks, static_cast<std::int64_t>(json_.size()));
    EXPECT_EQ(played.last.score, last_.score);
    EXPECT_EQ(played.last.level, last_.level);
    EXPECT_EQ(played.last.lives, last_.lives);
    EXPECT_TRUE(played.json == json_) << FirstDifference(json_, played.json);
  }

  std::vector<std::string> sounds_;
  std::vector<std::string> json_;
  replay::TickRecord last_;
};

// Random keys, a stick, Ctrl, taps shorter than a tick and uneven lag counts:
// the file alone brings the replay tool to the same race, tick by tick.
TEST_F(RaceRecorderTest, ARandomRacePlaysBackTickForTickFromItsFile) {
  shell::StartRaceRecording(form(), RecordingFile());
  // Seed 0 and the second car pick up the gun early on a straight drive, so Ctrl fires.
  StartRace(2, 0);
  ASSERT_EQ(shell().GameState, TGameState::Race);
  ASSERT_TRUE(form().Records.Options.Sound);  // the replay tool plays every sound too
  WatchTicks();
  platform.input.joystickAttached = true;

  std::mt19937 random(77);
  auto chance = [&random](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  auto perMille = [&random](int n) {
    return std::uniform_int_distribution<int>(0, 999)(random) < n;
  };
  bool ctrl = false;
  bool up = false;
  bool down = false;
  constexpr int kStraightTicks = 180;
  constexpr int kRandomTicks = 2500;
  constexpr int kTickLimit = 4000;
  for (int t = 0; t < kTickLimit && RaceOpen(shell().GameState); ++t) {
    if (t < kStraightTicks) {
      HoldKey(vk::kUp);
      up = true;
    } else if (t < kRandomTicks) {
      // Mostly flat out, so that walls and traffic take lives and blasts run their course.
      if (up ? chance(1) : chance(15)) (up = !up) ? HoldKey(vk::kUp) : ReleaseKey(vk::kUp);
      if (down ? chance(20) : chance(1))
        (down = !down) ? HoldKey(vk::kDown) : ReleaseKey(vk::kDown);
      if (chance(10)) {
        ReleaseKey(vk::kLeft);
        ReleaseKey(vk::kRight);
        if (chance(60)) HoldKey(chance(50) ? vk::kLeft : vk::kRight);
      }
      if (chance(3)) (chance(50) ? HoldKey(vk::kSpace) : ReleaseKey(vk::kSpace));
      if (chance(3)) SetCtrl(ctrl = !ctrl);
      if (chance(2)) TapKey(chance(50) ? vk::kLeft : vk::kRight);
      if (race().Paused ? chance(10) : perMille(3)) TapKey('P');
      if (race().FinishPrompt ? chance(10) : perMille(3))
        TapKey(race().FinishPrompt ? 'N' : vk::kEscape);
      if (chance(5)) platform.input.joystick.x = (chance(50) ? -1 : 1) * (chance(50) ? 20000 : 0);
      // A button no key stands for: only exact states carry it.
      if (chance(5)) platform.input.joystick.buttons[15] = chance(50);
    } else {
      // Time to end: the finish question, answered Y.
      HoldKey('Y');
      // Every other tick: a key read down on two ticks in a row acts once.
      if (t % 2 == 0) TapKey(race().Paused ? 'P' : vk::kEscape);
    }
    Tick(chance(70) ? 1 : chance(60) ? 2 : 3 + static_cast<int>(random() % 4));
  }
  ASSERT_FALSE(RaceOpen(shell().GameState)) << "the race never ended";
  ASSERT_GT(json_.size(), 300u);

  const Playback played = PlayFile(RecordingFile());
  EXPECT_EQ(played.script.seed, 0u);
  EXPECT_EQ(played.script.car, 2);
  ASSERT_TRUE(played.script.Recorded());
  EXPECT_EQ(played.script.end, static_cast<std::int64_t>(json_.size()));
  // The race did exercise what the recording is for.
  EXPECT_GT(played.script.lags.size(), 10u);
  EXPECT_GT(played.script.control.size(), 2u);
  bool joystickOnly = false;
  for (const replay::StatesStep& step : played.script.states) {
    for (std::uint64_t bits : step.refreshes) joystickOnly |= (bits >> 19 & 1) != 0;
  }
  EXPECT_TRUE(joystickOnly);
  ExpectSameRace(played);
}

// The second race of a run goes to FILE.2 and starts from the generator as the
// first race left it; a race cut short ends its file where it stopped.
TEST_F(RaceRecorderTest, EachRaceGetsItsOwnFileAndAnUnfinishedOneStopsWhereItWas) {
  auto recorder = std::make_shared<shell::RaceRecorder>(RecordingFile());
  shell::AttachRaceRecorder(form(), recorder);
  StartRace(2, 99);
  WatchTicks();
  HoldKey(vk::kUp);
  for (int t = 0; t < 200; ++t) Tick(1 + t % 3);
  TapKey(vk::kEscape);
  Tick(1);
  TapKey('Y');
  Tick(2);
  ASSERT_EQ(shell().GameState, TGameState::MainMenu);
  ExpectSameRace(PlayFile(RecordingFile()));

  ReleaseKey(vk::kUp);
  ASSERT_NO_FATAL_FAILURE(BackToCarSelect());
  const std::uint32_t seed = form().Random.SeedValue();
  Type("\r");
  DeliverEvents();
  ASSERT_EQ(shell().GameState, TGameState::Race);
  WatchTicks();
  HoldKey(vk::kUp);
  for (int t = 0; t < 400; ++t) Tick(t % 7 == 0 ? 2 : 1);
  ASSERT_EQ(shell().GameState, TGameState::Race);
  // The game goes away in the middle of the race.
  form().OnRaceOpened = nullptr;
  form().OnTickStarting = nullptr;
  form().OnTickDone = nullptr;
  form().MDXInput.OnRefresh = nullptr;
  EXPECT_EQ(recorder->RacesStarted(), 2);
  const fs::path second = recorder->FileFor(2);
  recorder.reset();

  EXPECT_EQ(second.filename(), "race.rec.2");
  const Playback played = PlayFile(second);
  EXPECT_EQ(played.script.seed, seed);
  EXPECT_EQ(played.script.car, 1);
  EXPECT_EQ(played.script.end, 400);
  EXPECT_EQ(played.outcome.end, replay::ReplayEnd::kScriptEnd);
  EXPECT_EQ(played.outcome.ticks, 400);
  EXPECT_TRUE(played.json == json_) << FirstDifference(json_, played.json);
}

// The pad's A opens the race inside a tick, whose handler then runs the race's
// first tick on the states read before: that tick is the recording's tick 0.
TEST_F(RaceRecorderTest, ARaceOpenedByThePadInsideATickPlaysBackFromItsFirstTick) {
  shell::StartRaceRecording(form(), RecordingFile());
  CopyBakedSaves();
  StartAtRest();
  form().Random.Seed(3);
  screens::OpenCarSelect(form());
  Ticks(1);
  WatchTicks();
  platform.input.joystickAttached = true;
  platform.input.joystick.buttons[7] = true;  // A, which is also fire
  platform.input.joystick.y = -20000;         // the stick forward: up
  Tick(2);
  ASSERT_EQ(shell().GameState, TGameState::Race);
  platform.input.joystick.buttons[7] = false;
  for (int t = 0; t < 300; ++t) Tick(1 + t % 2);
  TapKey(vk::kEscape);
  Tick(1);
  TapKey('Y');
  Tick(1);
  ASSERT_NE(shell().GameState, TGameState::Race);

  const Playback played = PlayFile(RecordingFile());
  EXPECT_EQ(played.script.seed, 3u);
  EXPECT_GT(played.script.LagAt(0), 1);  // the opening tick's own lag count
  EXPECT_EQ(played.outcome.ticks, static_cast<std::int64_t>(json_.size()));
  ASSERT_EQ(played.json.size(), json_.size());
  // Tick 0 also lists the sounds of opening the race, which the replay tool leaves out.
  const std::vector<std::string> live(json_.begin() + 1, json_.end());
  const std::vector<std::string> replayed(played.json.begin() + 1, played.json.end());
  EXPECT_TRUE(live == replayed) << FirstDifference(live, replayed);
  EXPECT_GT(last_.distance, 0);
}

TEST_F(RaceRecorderTest, AFileThatCannotBeWrittenIsShownAndTheRaceGoesOn) {
  const fs::path file = fs::current_path() / "missing" / "race.rec";
  shell::StartRaceRecording(form(), file);
  CopyBakedSaves();
  StartAtRest();
  screens::OpenCarSelect(form());
  // Enter on the car, as the player opens a race, under the game's error handler.
  Type("\r");
  DeliverEvents();
  EXPECT_EQ(shell().GameState, TGameState::Race);
  ASSERT_EQ(platform.dialogs.messages.size(), 1u);
  EXPECT_NE(platform.dialogs.messages[0].text.find(file.string()), std::string::npos);
  Ticks(5);
  EXPECT_EQ(platform.dialogs.messages.size(), 1u);
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace brakkon::test
