// Image and background sprites drawing real pictures on the display's back surface.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/dxdraw.h"
#include "engine/picture_collection.h"
#include "engine/rgb_image.h"
#include "engine/sprite.h"
#include "engine/sprite_engine.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::engine {
namespace {

class TTestGraphic : public TGraphic {
 public:
  explicit TTestGraphic(const RgbImage& image) : TGraphic() {
    image_ = Rgb565Image(image.width, image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) image_.pixels[i] = Rgb565FromRgb(image.pixels[i]);
  }
  const char* ClassName() const override { return "TTestGraphic"; }
};

constexpr std::uint32_t kRed = 0xF80000;
constexpr std::uint32_t kBlue = 0x0000F8;
constexpr std::uint16_t kUntouched = 0x1234;

// A display, an image list and a sprite engine bound together and initialised.
class SpriteDrawingTest : public ::testing::Test {
 protected:
  SpriteDrawingTest() {
    images.SetDXDraw(&display);
    sprites.SetDXDraw(&display);
  }

  TPictureCollectionItem& AddImage(RgbImage picture, int patternWidth = 0, int patternHeight = 0) {
    TPictureCollectionItem& item = images.Items().Add();
    item.Picture().SetGraphic(std::make_unique<TTestGraphic>(picture));
    item.PatternWidth = patternWidth;
    item.PatternHeight = patternHeight;
    return item;
  }
  // Initialises the display (building the pattern surfaces) and marks every pixel.
  TDirectDrawSurface& Start() {
    display.Initialize();
    display.Surface().Fill(kUntouched);
    return display.Surface();
  }
  TSpriteEngine& Root() { return sprites.Engine(); }

  platform::HeadlessVideo video;
  TDXDraw display{video};
  TDXImageList images;
  TDXSpriteEngine sprites;
};

TEST_F(SpriteDrawingTest, ImageSpriteDrawsItsCurrentPatternCentredInItsBox) {
  RgbImage strip(24, 8, kRed);  // three 8 x 8 patterns: red, blue, red
  for (int y = 0; y < 8; ++y) {
    for (int x = 8; x < 16; ++x) strip.At(x, y) = kBlue;
  }
  TPictureCollectionItem& image = AddImage(strip, 8, 8);
  TDirectDrawSurface& surface = Start();

  auto* s = new TImageSprite(&Root());
  s->Image = &image;
  s->X = 10.7;
  s->Y = 20;
  s->Width = 12;  // 4 wider than the pattern: shifted right by 2
  s->Height = 8;
  s->AnimFirst = 1;
  s->AnimPosition = 0.9;
  EXPECT_EQ(s->DrawRect(), (TRect{12, 20, 24, 28}));
  sprites.Draw();
  EXPECT_EQ(surface.Pixel(11, 20), kUntouched);
  EXPECT_EQ(surface.Pixel(12, 20), Rgb565FromRgb(kBlue));
  EXPECT_EQ(surface.Pixel(19, 27), Rgb565FromRgb(kBlue));
  EXPECT_EQ(surface.Pixel(20, 27), kUntouched);

  s->Width = 5;  // 3 narrower: the shift rounds toward zero, to -1
  EXPECT_EQ(s->DrawRect().Left, 9);

  s->AnimPosition = 2;  // pattern 3 does not exist: nothing is drawn
  surface.Fill(kUntouched);
  sprites.Draw();
  EXPECT_EQ(surface.Pixel(12, 20), kUntouched);
}

TEST_F(SpriteDrawingTest, TiledBackgroundCoversTheSurfaceWithSpareRowsAndColumns) {
  // Every pixel tells where in the picture it comes from; none is black.
  RgbImage picture(64, 512);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 64; ++x) {
      picture.At(x, y) = ((y & 31) << 19) | (x << 10) | ((16 | ((y >> 5) & 15)) << 3);
    }
  }
  TPictureCollectionItem& image = AddImage(picture);
  TDirectDrawSurface& surface = Start();

  auto* bg = new TBackgroundSprite(&Root());
  bg->Image = &image;
  bg->ResizeMap(1, 1);
  bg->Tiled = true;
  bg->Y = -1;

  const std::vector<TMapDraw> draws = bg->MapDraws();
  // cols = (64 + 800) div 64 = 13 and rows = (512 + 600) div 512 = 2, each drawn from -1 to n + 1.
  ASSERT_EQ(draws.size(), 5u * 16u);
  std::vector<int> rowTops;
  for (std::size_t i = 0; i < draws.size(); i += 16) rowTops.push_back(draws[i].y);
  EXPECT_EQ(rowTops, (std::vector<int>{-513, -1, 511, 1023, 1535}));
  EXPECT_EQ(draws[0], (TMapDraw{-64, -513, 0}));
  EXPECT_EQ(draws[15], (TMapDraw{896, -513, 0}));

  sprites.Draw();
  int wrong = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      if (surface.Pixel(x, y) != Rgb565FromRgb(picture.At(x % 64, (y + 1) % 512))) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);

  bg->ResizeMap(1, 0);  // an empty map draws nothing
  surface.Fill(kUntouched);
  sprites.Draw();
  EXPECT_EQ(surface.Pixel(400, 300), kUntouched);
}

TEST_F(SpriteDrawingTest, MapDrawsOnlyTheCellsFromTheSurfaceOnwards) {
  RgbImage picture(40, 10, kRed);  // pattern 0 red, pattern 1 blue, 20 x 10 each
  for (int y = 0; y < 10; ++y) {
    for (int x = 20; x < 40; ++x) picture.At(x, y) = kBlue;
  }
  TPictureCollectionItem& image = AddImage(picture, 20, 10);
  TDirectDrawSurface& surface = Start();

  auto* bg = new TBackgroundSprite(&Root());
  bg->Image = &image;
  bg->ResizeMap(3, 2);
  bg->SetMapCell(0, 0, 0);
  bg->SetMapCell(1, 0, 1);
  bg->SetMapCell(2, 0, -1);  // an empty cell
  bg->SetMapCell(0, 1, 1);
  bg->SetMapCell(1, 1, 5);  // no such pattern: passed on, drawn as nothing
  bg->SetMapCell(2, 1, 0);

  struct Case {
    double x, y;
    std::vector<TMapDraw> draws;
  };
  const Case cases[] = {
      // Column 0 lies wholly left of the surface and is skipped.
      {-25, 7, {{-5, 7, 1}, {-5, 17, 5}, {15, 17, 0}}},
      // Row 0 lies wholly above the surface and is skipped.
      {30, -15, {{30, -5, 1}, {50, -5, 5}, {70, -5, 0}}},
      {0, 0, {{0, 0, 0}, {20, 0, 1}, {0, 10, 1}, {20, 10, 5}, {40, 10, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    bg->X = c.x;
    bg->Y = c.y;
    EXPECT_EQ(bg->MapDraws(), c.draws);
  }

  bg->X = -25;
  bg->Y = 7;
  EXPECT_EQ(bg->GetBounds(), (TRect{-25, 7, 35, 27}));
  sprites.Draw();
  EXPECT_EQ(surface.Pixel(0, 7), Rgb565FromRgb(kBlue));
  EXPECT_EQ(surface.Pixel(14, 16), Rgb565FromRgb(kBlue));
  EXPECT_EQ(surface.Pixel(15, 7), kUntouched);  // the empty cell
  EXPECT_EQ(surface.Pixel(0, 17), kUntouched);  // pattern 5
  EXPECT_EQ(surface.Pixel(15, 17), Rgb565FromRgb(kRed));
  EXPECT_EQ(surface.Pixel(34, 26), Rgb565FromRgb(kRed));
  EXPECT_EQ(surface.Pixel(35, 26), kUntouched);
}

}  // namespace
}  // namespace brakkon::engine
