// The scaler: each mode at the desktop sizes players have, the letterbox
// rectangle, and the width every source pixel gets before the smooth step.
#include "platform/scaling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace brakkon::platform {
namespace {

constexpr int kW = 800;
constexpr int kH = 600;

struct Case {
  ScaleMode mode;
  int outputWidth;
  int outputHeight;
  ScalePlan expected;
};

TEST(Scaling, PlanPerModeAndDesktop) {
  using M = ScaleMode;
  const Case cases[] = {
      // 1920 x 1080: the 4:3 picture is 1440 x 1080, factor 1.8.
      {M::kSharp, 1920, 1080, {{240, 0, 1440, 1080}, 1, true}},
      {M::kInteger, 1920, 1080, {{560, 240, 800, 600}, 1, false}},
      {M::kSmooth, 1920, 1080, {{240, 0, 1440, 1080}, 1, true}},
      // 2560 x 1440: 1920 x 1440, factor 2.4; sharp doubles first.
      {M::kSharp, 2560, 1440, {{320, 0, 1920, 1440}, 2, true}},
      {M::kInteger, 2560, 1440, {{480, 120, 1600, 1200}, 2, false}},
      {M::kSmooth, 2560, 1440, {{320, 0, 1920, 1440}, 1, true}},
      // 1366 x 768: 1024 x 768, factor 1.28.
      {M::kSharp, 1366, 768, {{171, 0, 1024, 768}, 1, true}},
      {M::kInteger, 1366, 768, {{283, 84, 800, 600}, 1, false}},
      {M::kSmooth, 1366, 768, {{171, 0, 1024, 768}, 1, true}},
      // 3840 x 2160: 2880 x 2160, factor 3.6.
      {M::kSharp, 3840, 2160, {{480, 0, 2880, 2160}, 3, true}},
      {M::kInteger, 3840, 2160, {{720, 180, 2400, 1800}, 3, false}},
      // A tall output (portrait): bars above and below.
      {M::kSharp, 1080, 1920, {{0, 555, 1080, 810}, 1, true}},
      {M::kInteger, 1080, 1920, {{140, 660, 800, 600}, 1, false}},
      // Exact multiples: a window of scale 1 or 2 is copied pixel for pixel in
      // every mode but smooth, which blurs a doubled picture by design.
      {M::kSharp, 800, 600, {{0, 0, 800, 600}, 1, false}},
      {M::kInteger, 800, 600, {{0, 0, 800, 600}, 1, false}},
      {M::kSmooth, 800, 600, {{0, 0, 800, 600}, 1, false}},
      {M::kSharp, 1600, 1200, {{0, 0, 1600, 1200}, 2, false}},
      {M::kInteger, 1600, 1200, {{0, 0, 1600, 1200}, 2, false}},
      {M::kSmooth, 1600, 1200, {{0, 0, 1600, 1200}, 1, true}},
      // Smaller than the picture: no whole factor fits, every mode shrinks smoothly.
      {M::kSharp, 640, 480, {{0, 0, 640, 480}, 1, true}},
      {M::kInteger, 640, 480, {{0, 0, 640, 480}, 1, true}},
      {M::kInteger, 1024, 500, {{179, 0, 666, 500}, 1, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(ScaleModeName(c.mode)) + " at " + std::to_string(c.outputWidth) + "x" +
                 std::to_string(c.outputHeight));
    const ScalePlan plan = PlanScaling(c.mode, kW, kH, c.outputWidth, c.outputHeight);
    EXPECT_EQ(plan.picture, c.expected.picture);
    EXPECT_EQ(plan.prescale, c.expected.prescale);
    EXPECT_EQ(plan.smooth, c.expected.smooth);
  }
}

TEST(Scaling, PictureStaysInsideAndKeepsItsShape) {
  for (const ScaleMode mode : {ScaleMode::kSharp, ScaleMode::kInteger, ScaleMode::kSmooth}) {
    for (int w = 320; w <= 4000; w += 97) {
      for (int h = 240; h <= 2400; h += 89) {
        const PixelRect r = PlanScaling(mode, kW, kH, w, h).picture;
        ASSERT_GE(r.x, 0);
        ASSERT_GE(r.y, 0);
        ASSERT_LE(r.x + r.width, w);
        ASSERT_LE(r.y + r.height, h);
        // 4:3 to within the one pixel the rounding takes.
        ASSERT_LE(std::abs(r.width * 3 - r.height * 4), 4) << w << "x" << h;
        // Centred: the bars on either side differ by at most one pixel.
        ASSERT_LE(std::abs((w - r.width - r.x) - r.x), 1);
        ASSERT_LE(std::abs((h - r.height - r.y) - r.y), 1);
      }
    }
  }
}

// The nearest-pixel step of integer and sharp gives every source pixel the same
// whole width; stretching straight to the final size (what full screen did)
// does not, which is the shimmer of a scrolling road.
TEST(Scaling, EverySourcePixelEquallyWideBeforeTheSmoothStep) {
  for (const auto& [w, h] : {std::pair{1920, 1080}, {2560, 1440}, {1366, 768}, {3840, 2160}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    for (const ScaleMode mode : {ScaleMode::kSharp, ScaleMode::kInteger}) {
      const ScalePlan plan = PlanScaling(mode, kW, kH, w, h);
      const int nearestWidth =
          mode == ScaleMode::kInteger ? plan.picture.width : kW * plan.prescale;
      const int nearestHeight =
          mode == ScaleMode::kInteger ? plan.picture.height : kH * plan.prescale;
      const std::vector<int> columns = NearestPixelWidths(kW, nearestWidth);
      const std::vector<int> rows = NearestPixelWidths(kH, nearestHeight);
      EXPECT_EQ(std::set<int>(columns.begin(), columns.end()), std::set<int>{plan.prescale});
      EXPECT_EQ(std::set<int>(rows.begin(), rows.end()), std::set<int>{plan.prescale});
    }
  }
  const std::vector<int> stretched = NearestPixelWidths(kW, 1440);
  EXPECT_EQ(std::set<int>(stretched.begin(), stretched.end()), (std::set<int>{1, 2}));
  EXPECT_EQ(std::count(stretched.begin(), stretched.end(), 2), 640);
}

TEST(Scaling, WindowScaleFactor) {
  EXPECT_EQ(WindowScaleFactor(1, kW, kH, 1920, 1040), 1);
  EXPECT_EQ(WindowScaleFactor(3, kW, kH, 1920, 1040), 3);  // asked for: given, even if too big
  EXPECT_EQ(WindowScaleFactor(0, kW, kH, 1920, 1040), 1);
  EXPECT_EQ(WindowScaleFactor(0, kW, kH, 2560, 1400), 2);
  EXPECT_EQ(WindowScaleFactor(0, kW, kH, 3840, 2100), 3);
  EXPECT_EQ(WindowScaleFactor(0, kW, kH, 1024, 560), 1);  // never below 1
}

TEST(Scaling, PointerMapsBackToThePicture) {
  const ScalePlan plan = PlanScaling(ScaleMode::kSharp, kW, kH, 1920, 1080);
  int x = 0;
  int y = 0;
  OutputToPicture(plan, kW, kH, 240, 0, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
  OutputToPicture(plan, kW, kH, 240 + 1439, 1079, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(799, 599));
  OutputToPicture(plan, kW, kH, 960, 540, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(400, 300));
  OutputToPicture(plan, kW, kH, 10, 5, x, y);  // on the left bar: the picture's edge
  EXPECT_EQ(std::pair(x, y), std::pair(0, 2));
  PictureToOutput(plan, kW, kH, 400, 300, x, y);
  EXPECT_EQ(std::pair(x, y), std::pair(960, 540));
}

TEST(Scaling, ModeNames) {
  for (const ScaleMode mode : {ScaleMode::kSharp, ScaleMode::kInteger, ScaleMode::kSmooth})
    EXPECT_EQ(ScaleModeFromName(ScaleModeName(mode)), mode);
  EXPECT_FALSE(ScaleModeFromName("Sharp"));
  EXPECT_FALSE(ScaleModeFromName(""));
  EXPECT_FALSE(ScaleModeFromName("nearest"));
}

}  // namespace
}  // namespace brakkon::platform
