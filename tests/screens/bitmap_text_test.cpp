// Bitmap-font text: the pen walk, spaces, kerning of the big font, font changes.
#include <gtest/gtest.h>

#include "screens/bitmap_text.h"
#include "screens/game_fixture.h"

namespace brakkon::test {
namespace {

class BitmapTextTest : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    Start();
  }
  int PenAfter(void (*font)(shell::TMForm&), std::string_view text, int x) {
    font(form());
    screens::DrawText(form(), text, x, 100);
    return shell().TextEndX;
  }
};

TEST_F(BitmapTextTest, PenEndsWhereTheAdvanceTablesSay) {
  struct Case {
    void (*font)(shell::TMForm&);
    const char* text;
    int x;
    int end;
  };
  const Case cases[] = {
      {screens::UseBigFont, "LEVEL 5", 392, 499},  // kerning -2 per glyph, space +8
      {screens::UseMediumFont, "10", 53, 77},
      {screens::UseMediumActiveFont, "  ", 10, 18},  // +4 per space
      {screens::UseSmallFont, "A/Z", 0, 17 + 11 + 15},
      {screens::UseMediumFont, "a~\x7f" "B", 0, 16},  // no glyph: skipped, no advance
  };
  for (const Case& c : cases) EXPECT_EQ(PenAfter(c.font, c.text, c.x), c.end) << c.text;
}

TEST_F(BitmapTextTest, EmptyTextKeepsThePenAndTextEndsAtNul) {
  EXPECT_EQ(PenAfter(screens::UseMediumFont, "10", 53), 77);
  EXPECT_EQ(PenAfter(screens::UseBigFont, "", 300), 77);
  EXPECT_EQ(PenAfter(screens::UseMediumFont, std::string_view("1\0" "0", 3), 53), 53 + 11);
}

TEST_F(BitmapTextTest, GlyphsLandAtThePenOnTopOfTheSprites) {
  form().BeginFrame(0, false);
  screens::UseBigFont(form());
  screens::DrawText(form(), "W", 200, 300);
  form().EndFrame();
  const auto& font = form().MDXImageList.Items().ItemByName("Font_big");
  // Pattern 40 ('W') of the strip, copied with its colour key at (200, 300).
  const engine::Rgb565Image& strip = font.Picture().Graphic()->Image();
  int inked = 0;
  for (int y = 0; y < font.Height(); ++y) {
    for (int x = 0; x < font.Width(); ++x) {
      const std::uint16_t glyph = strip.At(40 * 40 + x, y);
      if (glyph == 0) continue;
      ++inked;
      ASSERT_EQ(platform.video.FramePixel(200 + x, 300 + y), glyph) << x << "," << y;
    }
  }
  EXPECT_GT(inked, 50);
}

}  // namespace
}  // namespace brakkon::test
