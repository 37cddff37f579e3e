// Replay scripts and the replay tool's command line: what they accept and how they say no.
#include "replay/replay_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replay/command_line.h"
#include "replay/soak.h"

namespace brakkon::replay {
namespace {

KeySet Keys(std::initializer_list<ReplayKey> keys) {
  KeySet set;
  for (ReplayKey key : keys) set.Add(key);
  return set;
}

TEST(ReplayScriptTest, ReadsSeedCarAndKeySteps) {
  const ReplayScript script = ParseReplayScript(
      "# a lap\n"
      "seed 4294967295\n"
      "\n"
      "car 3   # the third car\n"
      "0 up\r\n"
      "\t25 up,left,fire   \n"
      "40 -\n"
      "41 ctrl,pause,esc,y,n,down,right\n",
      "lap.replay");
  EXPECT_EQ(script.seed, 4294967295u);
  EXPECT_EQ(script.car, 3);
  const std::vector<KeyStep> expected = {
      {0, Keys({ReplayKey::kUp})},
      {25, Keys({ReplayKey::kUp, ReplayKey::kLeft, ReplayKey::kFire})},
      {40, KeySet{}},
      {41, Keys({ReplayKey::kCtrl, ReplayKey::kPause, ReplayKey::kEsc, ReplayKey::kY, ReplayKey::kN,
                 ReplayKey::kDown, ReplayKey::kRight})},
  };
  EXPECT_EQ(script.steps, expected);
}

TEST(ReplayScriptTest, DefaultsAndTheKeysHeldAtEachTick) {
  const ReplayScript empty = ParseReplayScript("", "empty");
  EXPECT_EQ(empty.seed, kDefaultSeed);
  EXPECT_EQ(empty.car, kDefaultCar);
  EXPECT_TRUE(empty.steps.empty());
  EXPECT_EQ(empty.KeysAt(0), KeySet{});

  const ReplayScript script = ParseReplayScript("10 up\n20 up,fire\n30 -\n", "t");
  struct Case {
    std::int64_t tick;
    KeySet held;
  };
  const Case cases[] = {
      {0, KeySet{}},
      {9, KeySet{}},
      {10, Keys({ReplayKey::kUp})},
      {19, Keys({ReplayKey::kUp})},
      {20, Keys({ReplayKey::kUp, ReplayKey::kFire})},
      {30, KeySet{}},
      {1000000, KeySet{}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(script.KeysAt(c.tick), c.held) << "tick " << c.tick;
  }
}

// A recorded race: each tick's refreshes, Ctrl and lag count, each held until its next line.
TEST(ReplayScriptTest, ReadsARecordingAndWhatEachTickAndRefreshGets) {
  const ReplayScript script = ParseReplayScript(
      "seed 7\ncar 2\n"
      "0 states 101\n"
      "0 lag 2\n"
      "3 states fffffffff 0 1\n"
      "3 control 1\n"
      "5 states 0\n"
      "5 lag 1\n"
      "6 control 0\n"
      "8 end\n",
      "race.rec");
  ASSERT_TRUE(script.Recorded());
  EXPECT_TRUE(script.steps.empty());
  EXPECT_EQ(script.end, 8);
  const std::vector<StatesStep> states = {{0, {0x101}}, {3, {0xFFFFFFFFF, 0, 1}}, {5, {0}}};
  EXPECT_EQ(script.states, states);
  struct Case {
    std::int64_t tick;
    std::size_t refresh;
    std::uint64_t bits;
    bool control;
    int lag;
  };
  const Case cases[] = {
      {0, 0, 0x101, false, 2},      {0, 5, 0x101, false, 2}, {2, 1, 0x101, false, 2},
      {3, 0, 0xFFFFFFFFF, true, 2}, {3, 1, 0, true, 2},      {4, 2, 1, true, 2},
      {4, 9, 1, true, 2},           {5, 0, 0, true, 1},      {7, 3, 0, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "tick " << c.tick << " refresh " << c.refresh);
    EXPECT_EQ(script.StatesAt(c.tick, c.refresh), c.bits);
    EXPECT_EQ(script.ControlAt(c.tick), c.control);
    EXPECT_EQ(script.LagAt(c.tick), c.lag);
  }

  // A key script may give lag counts too; without any, every tick has lag 1.
  const ReplayScript keys = ParseReplayScript("0 up\n10 lag 3\n", "k");
  EXPECT_FALSE(keys.Recorded());
  EXPECT_EQ(keys.LagAt(9), 1);
  EXPECT_EQ(keys.LagAt(10), 3);
  EXPECT_EQ(keys.end, std::nullopt);
  EXPECT_EQ(ParseReplayScript("", "e").StatesAt(0, 0), 0u);
}

TEST(ReplayScriptTest, BadLinesNameTheFileLineAndReason) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"seed 1\n\n0 up\n# fine so far\n5 jump\n", "r.txt:5: unknown key 'jump'"},
      {"seed -1\n", "r.txt:1: seed '-1' is not a number from 0 to 4294967295"},
      {"seed 4294967296\n", "r.txt:1: seed '4294967296' is not a number from 0 to 4294967295"},
      {"seed 0x10\n", "r.txt:1: seed '0x10' is not a number from 0 to 4294967295"},
      {"seed\n", "r.txt:1: seed takes one number"},
      {"seed 1\nseed 2\n", "r.txt:2: seed given twice"},
      {"car 0\n", "r.txt:1: car '0' is not 1, 2, 3 or 4"},
      {"car 5\n", "r.txt:1: car '5' is not 1, 2, 3 or 4"},
      {"car 2 3\n", "r.txt:1: car takes one number"},
      {"car 1\ncar 1\n", "r.txt:2: car given twice"},
      {"jump 3\n", "r.txt:1: 'jump' is neither seed, car nor a tick number"},
      {"-5 up\n", "r.txt:1: '-5' is neither seed, car nor a tick number"},
      {"10 up\n10 down\n", "r.txt:2: tick 10 does not come after tick 10"},
      {"10 up\n3 down\n", "r.txt:2: tick 3 does not come after tick 10"},
      {"10\n", "r.txt:1: tick 10 needs its keys, or - for none"},
      {"10 up, left\n", "r.txt:1: unexpected 'left' after the keys (a key list has no spaces)"},
      {"10 up,,left\n", "r.txt:1: empty key name in 'up,,left'"},
      {"10 up,\n", "r.txt:1: empty key name in 'up,'"},
      {"10 -,up\n", "r.txt:1: unknown key '-'"},
      {"10 UP\n", "r.txt:1: unknown key 'UP'"},
      {"10 up,fire,up\n", "r.txt:1: key 'up' listed twice"},
      {"0 states 1\n5 up\n", "r.txt:2: key lines and recorded states (states, control) do not mix"},
      {"0 up\n5 control 1\n",
       "r.txt:2: key lines and recorded states (states, control) do not mix"},
      {"0 states\n", "r.txt:1: tick 0 states needs at least one hex number"},
      {"0 states 1 g\n", "r.txt:1: states 'g' is not a hex number of at most 36 bits"},
      {"0 states 1000000000\n",
       "r.txt:1: states '1000000000' is not a hex number of at most 36 bits"},
      {"0 states -1\n", "r.txt:1: states '-1' is not a hex number of at most 36 bits"},
      {"4 states 1\n4 states 2\n", "r.txt:2: states tick 4 does not come after tick 4"},
      {"0 control yes\n", "r.txt:1: tick 0 control takes 1 (held) or 0"},
      {"3 control 1\n2 control 0\n", "r.txt:2: control tick 2 does not come after tick 3"},
      {"0 lag 0\n", "r.txt:1: tick 0 lag takes one number from 1 to 1000000"},
      {"0 lag 1000001\n", "r.txt:1: tick 0 lag takes one number from 1 to 1000000"},
      {"0 lag\n", "r.txt:1: tick 0 lag takes one number from 1 to 1000000"},
      {"9 states 1\n9 end\n", "r.txt:2: the end at tick 9 does not come after tick 9"},
      {"9 end now\n", "r.txt:1: unexpected 'now' after end"},
      {"9 end\n3 lag 2\n", "r.txt:2: tick 3 comes after the end at tick 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseReplayScript(c.text, "r.txt");
      ADD_FAILURE() << "accepted";
    } catch (const ReplayScriptError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

CommandLine Parse(std::vector<std::string_view> args) {
  return ParseCommandLine(args);
}

TEST(ReplayCommandLineTest, ReadsEveryOption) {
  const CommandLine line =
      Parse({"--data", "build", "--ticks", "500", "--shots", "out", "--every", "30", "a.replay"});
  EXPECT_FALSE(line.help);
  EXPECT_EQ(line.dataDir, "build");
  EXPECT_EQ(line.tickLimit, 500);
  EXPECT_EQ(line.shotsDir, "out");
  EXPECT_EQ(line.shotEvery, 30);
  EXPECT_EQ(line.scriptFile, "a.replay");

  const CommandLine plain = Parse({"a.replay"});
  EXPECT_EQ(plain.dataDir, "");
  EXPECT_EQ(plain.tickLimit, kDefaultTickLimit);
  EXPECT_EQ(plain.shotsDir, "");
  EXPECT_TRUE(Parse({"x", "--help"}).help);
}

TEST(ReplayCommandLineTest, ReadsTheStartLevelAndTheSoak) {
  EXPECT_EQ(Parse({"--start-level", "9", "a.replay"}).startLevel, 9);
  EXPECT_EQ(Parse({"a.replay"}).startLevel, 0);

  const CommandLine soak = Parse({"--soak", "600", "--seed", "4294967295", "--data", "build"});
  EXPECT_EQ(soak.soakSeconds, 600);
  EXPECT_EQ(soak.soakSeed, 4294967295u);
  EXPECT_EQ(soak.dataDir, "build");
  // A soak race stops far sooner than a script does, so that races move on.
  EXPECT_EQ(soak.tickLimit, kSoakRaceTicks);
  EXPECT_EQ(Parse({"--soak", "5"}).soakSeed, kDefaultSoakSeed);
  EXPECT_EQ(Parse({"--ticks", "300", "--soak", "5"}).tickLimit, 300);
  EXPECT_EQ(Parse({"a.replay"}).soakSeconds, 0);
}

TEST(ReplayCommandLineTest, RefusesBadUsage) {
  struct Case {
    std::vector<std::string_view> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{}, "no replay file given"},
      {{"--ticks", "5"}, "no replay file given"},
      {{"a", "b"}, "one replay file only, not also 'b'"},
      {{"--frames", "a"}, "unknown option '--frames'"},
      {{"a", "--data"}, "--data needs a value"},
      {{"--ticks", "0", "a"}, "--ticks takes a whole number from 1 up, not '0'"},
      {{"--ticks", "12x", "a"}, "--ticks takes a whole number from 1 up, not '12x'"},
      {{"--shots", "out", "a"}, "--shots and --every go together"},
      {{"--every", "5", "a"}, "--shots and --every go together"},
      {{"--shots", "out", "--every", "-2", "a"},
       "--every takes a whole number from 1 up, not '-2'"},
      {{"--start-level", "10", "a"}, "--start-level takes a level from 1 to 9, not 10"},
      {{"--start-level", "0", "a"}, "--start-level takes a whole number from 1 up, not '0'"},
      {{"--soak", "60", "a"}, "--soak plays no replay file"},
      {{"--soak", "60", "--shots", "out", "--every", "5"}, "--soak takes no pictures"},
      {{"--soak", "60", "--start-level", "3"}, "--soak chooses the start levels itself"},
      {{"--soak", "0"}, "--soak takes a whole number from 1 up, not '0'"},
      {{"--seed", "5", "a"}, "--seed goes with --soak"},
      {{"--soak", "5", "--seed", "-1"}, "--seed takes a number from 0 to 4294967295, not '-1'"},
      {{"--soak", "5", "--seed", "4294967296"},
       "--seed takes a number from 0 to 4294967295, not '4294967296'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      Parse(c.args);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace brakkon::replay
