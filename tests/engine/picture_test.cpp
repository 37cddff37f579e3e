// Picture decoding from hand-made bitmaps: every bit count, both mask sets,
// run-length data, row order, and the refusals of bad or hostile data.
#include "engine/picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/surface.h"

namespace brakkon::engine {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What a picture of these 24-bit colours holds once decoded to the game's RGB565.
std::vector<std::uint16_t> As565(const std::vector<std::uint32_t>& rgb) {
  std::vector<std::uint16_t> out;
  for (const std::uint32_t c : rgb) out.push_back(Rgb565FromRgb(c));
  return out;
}

std::vector<std::uint16_t> PixelsOf(const TGraphic& graphic) {
  const Rgb565Image& image = graphic.Image();
  if (!image.pixels) return {};
  return {image.pixels.get(), image.pixels.get() + static_cast<std::size_t>(image.width) * image.height};
}

constexpr std::uint32_t K = 0x000000;
constexpr std::uint32_t R = 0xFF0000;
constexpr std::uint32_t G = 0x00FF00;
constexpr std::uint32_t B = 0x0000FF;
constexpr std::uint32_t W = 0xFFFFFF;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void Append(Bytes& b, const Bytes& more) {
  b.insert(b.end(), more.begin(), more.end());
}

Bytes Header40(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression = 0,
               std::uint32_t imageSize = 0, std::uint32_t usedColors = 0) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bitCount));
  Put32(b, compression);
  Put32(b, imageSize);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, usedColors);
  Put32(b, 0);
  return b;
}

// Colour-table entries: blue, green, red, reserved.
Bytes Palette(const std::vector<std::uint32_t>& colors) {
  Bytes b;
  for (std::uint32_t c : colors) Put32(b, c);
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& part : parts) Append(b, part);
  return b;
}

Bytes Masks(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  Bytes out;
  Put32(out, r);
  Put32(out, g);
  Put32(out, b);
  return out;
}

Bytes CoreHeader8(int width, int height) {
  Bytes b;
  Put32(b, 12);
  Put16(b, static_cast<std::uint32_t>(width));
  Put16(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, 8);
  // 256 three-byte entries: 0 red, 1 green, the rest black.
  Bytes table(256 * 3, 0);
  table[2] = 0xFF;
  table[4] = 0xFF;
  Append(b, table);
  return b;
}

struct DecodeCase {
  const char* name;
  Bytes data;
  int width;
  int height;
  std::vector<std::uint32_t> pixels;  // top row first
};

const Bytes kRgb24BottomUp = Concat({Header40(2, 2, 24),
                                     {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0},  // bottom: B W
                                     {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}});      // top: R G

std::vector<DecodeCase> DecodeCases() {
  return {
      {"1 bit",
       Concat({Header40(3, 2, 1), Palette({K, W}), {0x60, 0, 0, 0}, {0xA0, 0, 0, 0}}),
       3,
       2,
       {W, K, W, K, W, W}},
      {"4 bit, 3 colours",
       Concat({Header40(3, 2, 4, 0, 0, 3), Palette({R, G, B}), {0x21, 0, 0, 0}, {0x12, 0, 0, 0}}),
       3,
       2,
       {G, B, R, B, G, R}},
      {"8 bit, 3 colours",
       Concat({Header40(3, 2, 8, 0, 0, 3), Palette({R, G, B}), {2, 1, 0, 0}, {1, 2, 0, 0}}),
       3,
       2,
       {G, B, R, B, G, R}},
      {"8 bit, index beyond the table is black",
       Concat({Header40(1, 1, 8, 0, 0, 1), Palette({W}), {7, 0, 0, 0}}),
       1,
       1,
       {K}},
      {"8 bit, 12-byte header", Concat({CoreHeader8(2, 1), {1, 0, 0, 0}}), 2, 1, {G, R}},
      {"16 bit 5-5-5 by default",
       Concat({Header40(2, 1, 16), {0x00, 0x7C, 0x10, 0x42}}),
       2,
       1,
       {R, 0x848484}},
      {"16 bit 5-5-5 masks",
       Concat({Header40(2, 1, 16, 3), Masks(0x7C00, 0x03E0, 0x001F), {0xE0, 0x03, 0x1F, 0x00}}),
       2,
       1,
       {G, B}},
      {"16 bit 5-6-5 masks",
       Concat({Header40(3, 1, 16, 3),
               Masks(0xF800, 0x07E0, 0x001F),
               {0x00, 0xF8, 0xE0, 0x07, 0x41, 0x08, 0, 0}}),
       3,
       1,
       {R, G, 0x080808}},
      {"24 bit bottom-up", kRgb24BottomUp, 2, 2, {R, G, B, W}},
      {"24 bit top-down (height -2)",
       Concat({Header40(2, -2, 24),
               {0, 0, 0xFF, 0, 0xFF, 0, 0, 0},
               {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0}}),
       2,
       2,
       {R, G, B, W}},
      {"32 bit 8-8-8, alpha byte ignored",
       Concat({Header40(2, 1, 32), {0, 0, 0xFF, 0, 0, 0xFF, 0, 0x77}}),
       2,
       1,
       {R, G}},
      {"32 bit with its own masks",
       Concat({Header40(2, 1, 32, 3),
               Masks(0x000000FF, 0x0000FF00, 0x00FF0000),
               {0xFF, 0, 0, 0, 0, 0, 0xFF, 0}}),
       2,
       1,
       {R, B}},
      {"RLE8: runs, absolute run with pad, delta, end of bitmap",
       Concat({Header40(4, 3, 8, 1, 20, 3), Palette({K, R, G}), {3, 1, 0, 0, 0, 3, 2, 1, 2, 0,
                                                                 0, 0, 0, 2, 1, 0, 2, 2, 0, 1}}),
       4,
       3,
       {K, G, G, K, G, R, G, K, R, R, R, K}},
      {"RLE4: nibble runs and absolute nibbles",
       Concat({Header40(4, 2, 4, 2, 10, 3),
               Palette({K, R, G}),
               {4, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1}}),
       4,
       2,
       {G, R, G, K, R, G, R, G}},
      {"RLE8: runs past the edges are dropped",
       Concat({Header40(4, 2, 8, 1, 12, 2),
               Palette({K, R}),
               {255, 1, 0, 2, 200, 200, 0, 0, 0, 0, 0, 0}}),
       4,
       2,
       {K, K, K, K, R, R, R, R}},
      {"no pixels: width 0", Concat({Header40(0, 5, 24)}), 0, 0, {}},
      {"no pixels: empty data", {}, 0, 0, {}},
  };
}

TEST(DIB, DecodesEveryFormatToTheRightColours) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    TDIB dib;
    dib.LoadFromBytes(c.data);
    ASSERT_EQ(dib.Width(), c.width);
    ASSERT_EQ(dib.Height(), c.height);
    EXPECT_EQ(PixelsOf(dib), As565(c.pixels));
  }
}

TEST(DIB, RefusesBadAndHostileHeaders) {
  struct Case {
    const char* name;
    Bytes data;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"header size 20",
       [] {
         Bytes b = Header40(1, 1, 24);
         b[0] = 20;
         return b;
       }(),
       "DIB is invalid"},
      {"bit count 2", Header40(1, 1, 2), "Bitcount in invalid (2)"},
      {"bit count 0", Header40(1, 1, 0), "Bitcount in invalid (0)"},
      {"mixed 16-bit masks", Concat({Header40(1, 1, 16, 3), Masks(0x7C00, 0x07E0, 0x001F)}),
       "PixelFormat in invalid"},
      {"compression 4", Header40(1, 1, 24, 4), "DIB is invalid"},
      {"RLE8 with 4 bits", Header40(1, 1, 4, 1), "DIB is invalid"},
      {"bit fields with 24 bits", Header40(1, 1, 24, 3), "DIB is invalid"},
      {"RLE stored top-down", Concat({Header40(1, -1, 8, 1, 2), Palette({}), {0, 1}}),
       "DIB is invalid"},
      {"100000 x 100000", Header40(100000, 100000, 24), "DIB is invalid"},
      {"16384 x 16384", Header40(16384, 16384, 1), "DIB is invalid"},
      {"negative width", Header40(-4, 4, 24), "DIB is invalid"},
      {"fewer rows than claimed",
       Concat({Header40(16, 16, 8, 0, 0, 1), Palette({W}), Bytes(16 * 15, 0)}), "DIB is invalid"},
      {"run-length size beyond the data",
       Concat({Header40(4, 4, 8, 1, 100, 1), Palette({W}), {0, 1}}), "DIB is invalid"},
      {"absolute run cut short", Concat({Header40(4, 4, 8, 1, 4, 1), Palette({W}), {0, 8, 1, 1}}),
       "DIB is invalid"},
      {"delta cut short", Concat({Header40(4, 4, 8, 1, 3, 1), Palette({W}), {0, 2, 1}}),
       "DIB is invalid"},
  };
  for (const Case& c : cases) {
    TDIB dib;
    try {
      dib.LoadFromBytes(c.data);
      ADD_FAILURE() << c.name << ": raised nothing";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
  }
}

TEST(DIB, TruncatedHeaderIsAShortStream) {
  const Bytes header = Header40(2, 2, 24);
  for (std::size_t size = 1; size < header.size(); ++size) {
    TDIB dib;
    EXPECT_THROW(dib.LoadFromBytes(std::span(header).first(size)), EReadError) << size;
  }
}

Bytes BitmapFile(const Bytes& dib) {
  Bytes file = {'B', 'M'};
  Put32(file, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(file, 0);
  Put32(file, 14 + 40);
  Append(file, dib);
  Bytes counted;
  Put32(counted, static_cast<std::uint32_t>(file.size()));
  Append(counted, file);
  return counted;
}

TEST(Bitmap, ReadsTheFileAfterItsByteCount) {
  TBitmap bitmap;
  bitmap.LoadFromBytes(BitmapFile(kRgb24BottomUp));
  EXPECT_EQ(PixelsOf(bitmap), As565({R, G, B, W}));

  bitmap.LoadFromBytes(Bytes{0, 0, 0, 0});
  EXPECT_TRUE(bitmap.Empty());

  Bytes notBm = BitmapFile(kRgb24BottomUp);
  notBm[4] = 'X';
  EXPECT_THROW(bitmap.LoadFromBytes(notBm), EInvalidGraphic);

  Bytes cut = BitmapFile(kRgb24BottomUp);
  cut.pop_back();
  EXPECT_THROW(bitmap.LoadFromBytes(cut), EReadError);
}

Bytes PictureData(const std::string& className, const Bytes& data) {
  Bytes b;
  b.push_back(static_cast<std::uint8_t>(className.size()));
  for (const char c : className) b.push_back(static_cast<std::uint8_t>(c));
  Append(b, data);
  return b;
}

TEST(Picture, ReadDataPicksTheClassByExactName) {
  TPicture picture;
  picture.ReadData(PictureData("TDIB", kRgb24BottomUp));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TDIB");
  EXPECT_EQ(picture.Width(), 2);

  picture.ReadData(PictureData("TBitmap", BitmapFile(kRgb24BottomUp)));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(PixelsOf(*picture.Graphic()), As565({R, G, B, W}));

  for (const char* unknown : {"tdib", "TMetafile", "TIcon", "TPngImage"}) {
    picture.ReadData(PictureData("TDIB", kRgb24BottomUp));
    picture.ReadData(PictureData(unknown, {1, 2, 3}));
    EXPECT_EQ(picture.Graphic(), nullptr) << unknown;
    EXPECT_EQ(picture.Width(), 0);
  }
}

}  // namespace
}  // namespace brakkon::engine
