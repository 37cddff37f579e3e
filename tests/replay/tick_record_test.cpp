// The JSON line of a tick: field order, nulls, lists, and doubles that read back exactly.
#include "replay/tick_record.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace brakkon::replay {
namespace {

TickRecord FullRecord() {
  TickRecord r;
  r.tick = 120;
  r.state = 1;
  r.phase = 3;
  r.level = 2;
  r.score = -20;
  r.lives = 3;
  r.time = 57;
  r.speed = 17.857142857142858;
  r.distance = 1234.5;
  r.carX = 300;
  r.lat = -3;
  r.marker = 511.25;
  r.banner = 0;
  r.running = true;
  r.paused = false;
  r.prompt = true;
  r.objects = {{1, 35, 170, -64.5}, {30, 7, 0.1, 1e+21}};
  r.sounds = {"Crash", "Pick\"up\\\n"};
  return r;
}

TEST(TickRecordJsonTest, WritesEveryFieldInOrder) {
  EXPECT_EQ(FormatTickJson(FullRecord()),
            R"({"tick":120,"state":1,"phase":3,"level":2,"score":-20,"lives":3,"time":57,)"
            R"("speed":17.857142857142858,"distance":1234.5,"carX":300,"lat":-3,"marker":511.25,)"
            R"("banner":0,"running":true,"paused":false,"prompt":true,)"
            R"("objects":[[1,35,170,-64.5],[30,7,0.1,1e+21]],)"
            R"("sounds":["Crash","Pick\"up\\\u000a"]})");
}

TEST(TickRecordJsonTest, NoCarNoMarkerNoObjects) {
  TickRecord r;
  r.state = 71;
  EXPECT_EQ(FormatTickJson(r),
            R"({"tick":0,"state":71,"phase":0,"level":0,"score":0,"lives":0,"time":0,)"
            R"("speed":0,"distance":0,"carX":null,"lat":null,"marker":null,"banner":0,)"
            R"("running":false,"paused":false,"prompt":false,"objects":[],"sounds":[]})");
}

// The speed field's text, cut out of a line.
std::string SpeedText(double speed) {
  TickRecord r;
  r.speed = speed;
  const std::string line = FormatTickJson(r);
  const std::size_t start = line.find("\"speed\":") + 8;
  return line.substr(start, line.find(",\"distance\"") - start);
}

TEST(TickRecordJsonTest, DoublesReadBackToTheSameValue) {
  const double values[] = {0.1 + 0.2,     250.0 / 14, 1.0 / 3, -0.0, 5e-324, 1.7976931348623157e308,
                           123456789.125, -2.5};
  for (const double value : values) {
    const std::string text = SpeedText(value);
    SCOPED_TRACE(text);
    EXPECT_EQ(text.find(','), std::string::npos);
    double back = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(error, std::errc());
    EXPECT_EQ(end, text.data() + text.size());
    EXPECT_EQ(back, value);
    EXPECT_EQ(std::signbit(back), std::signbit(value));
  }
}

TEST(TickRecordJsonTest, NonFiniteDoublesStayValidJson) {
  EXPECT_EQ(SpeedText(std::numeric_limits<double>::quiet_NaN()), "\"nan\"");
  EXPECT_EQ(SpeedText(std::numeric_limits<double>::infinity()), "\"inf\"");
  EXPECT_EQ(SpeedText(-std::numeric_limits<double>::infinity()), "\"-inf\"");
}

}  // namespace
}  // namespace brakkon::replay
