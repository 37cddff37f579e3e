// Replay scripts and the replay tool's command line: what they accept and how they say no.
#include "replay/replay_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replay/command_line.h"

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
