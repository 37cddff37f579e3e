// Surface copies: clipping at every edge, colour key, mirroring, rotation.
#include <gtest/gtest.h>

#include <vector>

#include "engine/surface.h"

namespace brakkon::engine {
namespace {

// A source whose pixel value encodes its own position: 1 + x + 16 * y.
TDirectDrawSurface NumberedSource(int w, int h) {
  TDirectDrawSurface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, static_cast<std::uint16_t>(1 + x + 16 * y));
  return s;
}

int CountNonZero(const TDirectDrawSurface& s) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) n += s.Pixel(x, y) != 0;
  return n;
}

TEST(SurfaceDraw, ClipsAtEveryEdge) {
  const TDirectDrawSurface src = NumberedSource(10, 10);
  struct Case {
    int x, y;
    int visible;              // pixels drawn
    int probeX, probeY;       // a destination pixel
    std::uint16_t expected;   // its value
  };
  const Case cases[] = {
      {-3, -4, 7 * 6, 0, 0, static_cast<std::uint16_t>(1 + 3 + 16 * 4)},  // top-left
      {15, -2, 5 * 8, 15, 0, static_cast<std::uint16_t>(1 + 0 + 16 * 2)},  // top-right
      {-9, 18, 1 * 2, 0, 18, static_cast<std::uint16_t>(1 + 9 + 0)},       // bottom-left
      {17, 17, 3 * 3, 19, 19, static_cast<std::uint16_t>(1 + 2 + 16 * 2)},  // bottom-right
      {5, 5, 100, 5, 5, 1},                                                 // inside
      {20, 0, 0, 0, 0, 0},    // x == width: accepted, clipped to nothing
      {21, 0, 0, 0, 0, 0},    // x > width: refused
      {-10, 0, 0, 0, 0, 0},   // right edge touches 0
  };
  for (const Case& c : cases) {
    TDirectDrawSurface dst(20, 20);
    dst.Draw(c.x, c.y, src.ClientRect(), &src, false);
    EXPECT_EQ(CountNonZero(dst), c.visible) << c.x << "," << c.y;
    EXPECT_EQ(dst.Pixel(c.probeX, c.probeY), c.expected) << c.x << "," << c.y;
  }
}

TEST(SurfaceDraw, SourceRectOutsideSourceIsCutAndDestFollows) {
  const TDirectDrawSurface src = NumberedSource(4, 4);
  TDirectDrawSurface dst(10, 10);
  dst.Draw(2, 2, TRect{-2, -1, 3, 3}, &src, false);
  // Source columns -2,-1 and row -1 do not exist: the copy starts 2 right, 1 down.
  EXPECT_EQ(dst.Pixel(4, 3), 1);
  EXPECT_EQ(dst.Pixel(3, 3), 0);
  EXPECT_EQ(CountNonZero(dst), 3 * 3);
}

TEST(SurfaceDraw, ColourKeySkipsOnlyWhenTransparent) {
  TDirectDrawSurface src(2, 1);
  src.SetPixel(0, 0, 0x1234);
  src.SetPixel(1, 0, 0xF800);
  src.SetTransparentColor(0x1234);
  TDirectDrawSurface dst(2, 1);
  dst.Fill(0x0007);
  dst.Draw(0, 0, src.ClientRect(), &src, true);
  EXPECT_EQ(dst.Pixel(0, 0), 0x0007);
  EXPECT_EQ(dst.Pixel(1, 0), 0xF800);
  dst.Draw(0, 0, src.ClientRect(), &src, false);
  EXPECT_EQ(dst.Pixel(0, 0), 0x1234);
}

TEST(SurfaceDraw, ReversedSourceRectDrawsMirroredAndClipsTheOppositeSide) {
  const TDirectDrawSurface src = NumberedSource(3, 2);
  TDirectDrawSurface dst(3, 2);
  dst.Draw(0, 0, TRect{3, 0, 0, 2}, &src, false);
  EXPECT_EQ(dst.Pixel(0, 0), 3);
  EXPECT_EQ(dst.Pixel(2, 1), 1 + 16);
  TDirectDrawSurface clipped(3, 2);
  clipped.Draw(-1, 0, TRect{3, 0, 0, 2}, &src, false);
  // The first mirrored column (source x 2) is off screen.
  EXPECT_EQ(clipped.Pixel(0, 0), 2);
  EXPECT_EQ(clipped.Pixel(1, 0), 1);
  EXPECT_EQ(clipped.Pixel(2, 0), 0);
}

TEST(SurfaceDraw, NullSourceAndHugeCoordinatesAreHarmless) {
  const TDirectDrawSurface src = NumberedSource(4, 4);
  TDirectDrawSurface dst(8, 8);
  dst.Draw(0, 0, src.ClientRect(), nullptr, false);
  dst.Draw(-2147483647, -2147483647, TRect{0, 0, 2147483647, 2147483647}, &src, false);
  dst.Draw(0, 0, TRect{-2147483647, 0, 2147483647, 4}, &src, false);
  EXPECT_EQ(CountNonZero(dst), 0);
}

// A fill is owed until something reads or draws over part of it; the frame
// must come out exactly as if it had been done at once.
TEST(SurfaceFill, OwedFillEndsAsIfDoneAtOnce) {
  struct Draw {
    int x, y, w, h;
    bool transparent;
    bool ontoItself = false;
  };
  struct Case {
    const char* name;
    std::vector<Draw> draws;
  };
  const Case cases[] = {
      {"whole surface", {{0, 0, 12, 8, false}}},
      {"top band then bottom band", {{0, 0, 12, 3, false}, {0, 3, 12, 5, false}}},
      {"bottom band then top band", {{0, 5, 12, 3, false}, {0, 0, 12, 5, false}}},
      {"bands leave a gap", {{0, 0, 12, 2, false}, {0, 6, 12, 2, false}}},
      {"band in the middle", {{0, 3, 12, 2, false}}},
      {"band above the top edge", {{0, -2, 12, 4, false}, {0, 4, 12, 8, false}}},
      {"keyed over everything", {{0, 0, 12, 8, true}}},
      {"narrower than the surface", {{1, 0, 11, 8, false}}},
      {"band then a keyed sprite", {{0, 0, 12, 4, false}, {3, 2, 4, 5, true}}},
      {"onto itself", {{0, 0, 12, 4, false}, {0, 4, 12, 4, false, true}}},
  };
  TDirectDrawSurface source = NumberedSource(12, 8);
  // Holes in the key colour, so a keyed copy shows what lies below.
  for (int y = 0; y < 8; y += 3) source.SetPixel(y, y, 0);
  source.SetTransparentColor(0);
  for (const Case& c : cases) {
    TDirectDrawSurface owed(12, 8);
    TDirectDrawSurface done(12, 8);
    for (TDirectDrawSurface* s : {&owed, &done}) s->Draw(0, 0, source.ClientRect(), &source, false);
    owed.Fill(0x1234);
    done.Fill(0x1234);
    done.Pixel(0, 0);  // a read settles the fill
    for (const Draw& d : c.draws) {
      for (TDirectDrawSurface* s : {&owed, &done}) {
        const TDirectDrawSurface* from = d.ontoItself ? s : &source;
        s->Draw(d.x, d.y, TRect{0, 0, d.w, d.h}, from, d.transparent);
      }
    }
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x) ASSERT_EQ(owed.Pixel(x, y), done.Pixel(x, y)) << c.name << " " << x << "," << y;
  }
  // A second fill replaces what the first still owes.
  TDirectDrawSurface twice(4, 4);
  twice.Fill(0x1111);
  twice.Fill(0x2222);
  EXPECT_EQ(twice.Pixel(3, 3), 0x2222);
}

// Keyed copies skip each source row's transparent ends; what they skip must
// follow the source's pixels, its key and the clipped part of the row.
TEST(SurfaceDraw, KeyedCopyFollowsEveryChangeOfTheSourceRows) {
  TDirectDrawSurface source = NumberedSource(8, 3);
  for (int x : {0, 1, 6, 7}) source.SetPixel(x, 0, 0);  // row 0: key at both ends
  for (int x = 0; x < 8; ++x) source.SetPixel(x, 1, 0);  // row 1: all key
  source.SetTransparentColor(0);
  auto drawn = [&source](int sourceLeft) {
    TDirectDrawSurface dst(8, 3);
    dst.Fill(0x7777);
    dst.Draw(0, 0, TRect{sourceLeft, 0, 8, 3}, &source, true);
    std::vector<std::uint16_t> pixels;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 8 - sourceLeft; ++x) pixels.push_back(dst.Pixel(x, y));
    return pixels;
  };
  auto expected = [&source](int sourceLeft) {
    std::vector<std::uint16_t> pixels;
    for (int y = 0; y < 3; ++y)
      for (int x = sourceLeft; x < 8; ++x) {
        const std::uint16_t p = source.Pixel(x, y);
        pixels.push_back(p != source.TransparentColor() ? p : 0x7777);
      }
    return pixels;
  };
  for (int left : {0, 1, 3, 7}) EXPECT_EQ(drawn(left), expected(left)) << "from column " << left;
  source.SetPixel(7, 1, 5);  // a write shows in the next copy
  EXPECT_EQ(drawn(0), expected(0));
  source.SetTransparentColor(static_cast<std::uint16_t>(1 + 2 + 16 * 0));  // a new key too
  EXPECT_EQ(drawn(2), expected(2));
}

TEST(SurfaceDrawRotated, AngleZeroWithPivotZeroIsAPlainCopy) {
  const TDirectDrawSurface src = NumberedSource(5, 3);
  for (int angle : {0, 256, -256}) {
    TDirectDrawSurface rotated(20, 20), plain(20, 20);
    rotated.DrawRotated(7, 9, 5, 3, src.ClientRect(), &src, 0, 0, false, angle);
    plain.Draw(7, 9, src.ClientRect(), &src, false);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(rotated.Pixel(x, y), plain.Pixel(x, y)) << angle;
  }
}

TEST(SurfaceDrawRotated, QuarterTurnsAboutThePivotPoint) {
  const TDirectDrawSurface src = NumberedSource(5, 3);
  struct Case {
    int angle;
    int (*mapX)(int a, int b);
    int (*mapY)(int a, int b);
  };
  // Pixel (a, b) of the picture, turned clockwise on screen about (10, 10).
  const Case cases[] = {
      {64, [](int, int b) { return 10 - 1 - b; }, [](int a, int) { return 10 + a; }},
      {128, [](int a, int) { return 10 - 1 - a; }, [](int, int b) { return 10 - 1 - b; }},
      {192, [](int, int b) { return 10 + b; }, [](int a, int) { return 10 - 1 - a; }},
  };
  for (const Case& c : cases) {
    TDirectDrawSurface dst(20, 20);
    dst.DrawRotated(10, 10, 5, 3, src.ClientRect(), &src, 0, 0, false, c.angle);
    EXPECT_EQ(CountNonZero(dst), 15) << c.angle;
    for (int b = 0; b < 3; ++b)
      for (int a = 0; a < 5; ++a)
        EXPECT_EQ(dst.Pixel(c.mapX(a, b), c.mapY(a, b)), 1 + a + 16 * b) << c.angle;
  }
}

TEST(SurfaceDrawRotated, PivotCentresTheScaledPicture) {
  TDirectDrawSurface src(2, 2);
  src.Fill(0x00FF);
  TDirectDrawSurface dst(40, 40);
  // Scaled to 10 x 20 with its centre on (20, 20).
  dst.DrawRotated(20, 20, 10, 20, src.ClientRect(), &src, 0.5, 0.5, false, 0);
  EXPECT_EQ(CountNonZero(dst), 10 * 20);
  EXPECT_EQ(dst.Pixel(15, 10), 0x00FF);
  EXPECT_EQ(dst.Pixel(24, 29), 0x00FF);
  EXPECT_EQ(dst.Pixel(14, 10), 0);
  EXPECT_EQ(dst.Pixel(25, 30), 0);
}

TEST(SurfaceDrawRotated, RefusesBadArgumentsAndKeysColour) {
  TDirectDrawSurface src(4, 4);
  src.Fill(0x0101);
  src.SetTransparentColor(0x0101);
  TDirectDrawSurface dst(10, 10);
  dst.DrawRotated(0, 0, 4, 4, src.ClientRect(), &src, 0, 0, true, 32);
  dst.DrawRotated(0, 0, 4, 4, TRect{1, 1, 5, 5}, &src, 0, 0, false, 0);  // partly outside
  dst.DrawRotated(0, 0, 0, 4, src.ClientRect(), &src, 0, 0, false, 0);
  dst.DrawRotated(-100, -100, 4, 4, src.ClientRect(), &src, 0, 0, false, 17);
  EXPECT_EQ(CountNonZero(dst), 0);
}

TEST(SurfaceColour, MatchColorConvertsLikePictureLoading) {
  TDirectDrawSurface s(1, 1);
  EXPECT_EQ(s.MatchColor(0x000000), 0);
  EXPECT_EQ(s.MatchColor(0x0000FF), 0xF800);    // TColor red is 0x00BBGGRR
  EXPECT_EQ(s.MatchColor(0xFF00FF), 0xF81F);    // fuchsia
  EXPECT_EQ(s.MatchColor(0x070307), 0);         // below one 565 step: keyed as black
  EXPECT_EQ(s.MatchColor(0xFF000005), Rgb565FromRgb(0xFFFFFF));  // system colour: window
  EXPECT_EQ(ColorToRgb(0x00563412), 0x123456u);
}

}  // namespace
}  // namespace brakkon::engine
