// The random player itself: its log reads back as written, a run replays from
// its log to the same end, and every kept failure replays and now holds.
#include "monkey/monkey.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

namespace brakkon::monkey {
namespace {

namespace fs = std::filesystem;

MonkeyWorld World(const std::string& name) {
  return {BRAKKON_BAKED_DATA_DIR,
          fs::temp_directory_path() /
              ("brakkon-monkey-test-" + name + "-" + std::to_string(std::random_device{}()))};
}

TEST(MonkeyLog, EveryEventReadsBackAsWritten) {
  const std::vector<MonkeyEvent> events = {{MonkeyEvent::Kind::kKeyDown, 13, 13, 1},
                                           {MonkeyEvent::Kind::kMove, -20, 619, 0},
                                           {MonkeyEvent::Kind::kPadAxis, 1, -32768, 0},
                                           {MonkeyEvent::Kind::kQuit, 0, 0, 0},
                                           {MonkeyEvent::Kind::kTicks, 400, 0, 0}};
  for (const MonkeyEvent& event : events) {
    const auto back = ParseEvent(FormatEvent(event));
    ASSERT_TRUE(back.has_value()) << FormatEvent(event);
    EXPECT_EQ(FormatEvent(*back), FormatEvent(event));
  }
  EXPECT_FALSE(ParseEvent("jump 1 2 3").has_value());
  EXPECT_FALSE(ParseEvent("move 1").has_value());
}

TEST(MonkeyRun, ARunReplaysFromItsLogToTheSameEnd) {
  const MonkeyWorld world = World("replay");
  const fs::path logPath = world.folder.string() + ".log";
  std::FILE* log = std::fopen(logPath.c_str(), "w");
  ASSERT_NE(log, nullptr);
  MonkeyTotals first;
  const auto failure = RunOnce(world, 7, 1500, nullptr, log, first);
  std::fclose(log);
  ASSERT_FALSE(failure.has_value()) << failure->what;

  const auto read = ReadLog(logPath);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->seed, 7u);
  EXPECT_EQ(static_cast<std::int64_t>(read->events.size()), first.events);
  MonkeyTotals again;
  EXPECT_FALSE(RunOnce(world, read->seed, 0, &read->events, nullptr, again).has_value());
  EXPECT_EQ(again.ticks, first.ticks);
  EXPECT_EQ(again.ticksByState, first.ticksByState);
  std::error_code ignored;
  fs::remove_all(world.folder, ignored);
  fs::remove(logPath, ignored);
}

// Each log in regressions/ once ended a run (a crash, a broken invariant).
TEST(MonkeyRun, EveryKeptFailureNowHolds) {
  const fs::path folder = fs::path(BRAKKON_SOURCE_TREE) / "tests" / "monkey" / "regressions";
  const MonkeyWorld world = World("regressions");
  int replayed = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    const auto log = ReadLog(entry.path());
    ASSERT_TRUE(log.has_value());
    MonkeyTotals totals;
    const auto failure = RunOnce(world, log->seed, 0, &log->events, nullptr, totals);
    EXPECT_FALSE(failure.has_value()) << failure->what;
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
  std::error_code ignored;
  fs::remove_all(world.folder, ignored);
}

}  // namespace
}  // namespace brakkon::monkey
