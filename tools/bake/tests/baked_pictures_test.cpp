// The baked image archives, read back with the engine's reader: every picture the
// game looks up is there with its size, patterns and key, and the font glyphs end
// exactly where the pen advances put the next one.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "engine/picture.h"
#include "engine/picture_collection.h"

namespace brakkon::engine {
namespace {

const std::string kDataDir = BRAKKON_BAKED_DATA_DIR;

struct Expected {
  const char* name;
  int patternWidth;  // 0: a single pattern, the whole picture
  int patternHeight;
  int patterns;
  int width;  // picture
  int height;
  bool keyed;
};

// One row per picture the game looks up, with the sizes its code depends on.
const Expected kMenuArchive[] = {
    {"MainMenuBackground", 0, 0, 1, 800, 600, false},
    {"UpPanel", 0, 0, 1, 800, 105, true},
    {"DownPanel", 0, 0, 1, 800, 70, true},
    {"MainMenuButtons_Inactive", 240, 52, 5, 1200, 52, true},
    {"MainMenuButtons_Active", 240, 52, 5, 1200, 52, true},
    {"MainMenu_ExitInactive", 0, 0, 1, 240, 52, true},
    {"MainMenu_ExitActive", 0, 0, 1, 240, 52, true},
    {"NullCaption", 0, 0, 1, 500, 200, true},
    {"StartCaption", 0, 0, 1, 500, 200, true},
    {"OptionsCaption", 0, 0, 1, 500, 200, true},
    {"HighScoresCaption", 0, 0, 1, 500, 200, true},
    {"HelpCaption", 0, 0, 1, 500, 200, true},
    {"VisitWWWCaption", 0, 0, 1, 500, 200, true},
    {"ExitCaption", 0, 0, 1, 500, 200, true},
    {"HighScoresBackground", 0, 0, 1, 530, 370, true},
    {"ClearHighScores", 248, 40, 2, 496, 40, true},
    {"ViewHighScores", 248, 40, 2, 496, 40, true},
    {"Help1", 0, 0, 1, 530, 370, true},
    {"Help2", 0, 0, 1, 530, 370, true},
    {"Help3", 0, 0, 1, 530, 370, true},
    {"Help4", 0, 0, 1, 530, 370, true},
    {"Previous", 60, 40, 2, 120, 40, true},
    {"Next", 60, 40, 2, 120, 40, true},
    {"StartGameBackground", 0, 0, 1, 530, 370, true},
    {"Car1", 0, 0, 1, 110, 220, true},
    {"Car2", 0, 0, 1, 110, 220, true},
    {"Car3", 0, 0, 1, 110, 220, true},
    {"Car4", 0, 0, 1, 110, 220, true},
    {"Car1_Active", 0, 0, 1, 110, 220, true},
    {"Car2_Active", 0, 0, 1, 110, 220, true},
    {"Car3_Active", 0, 0, 1, 110, 220, true},
    {"Car4_Active", 0, 0, 1, 110, 220, true},
    {"OptionsBackground", 0, 0, 1, 530, 370, true},
    {"OptionButton_Inactive", 0, 0, 1, 514, 28, true},
    {"OptionButton_Active", 0, 0, 1, 514, 28, true},
    {"Cursor", 0, 0, 1, 18, 4, true},
    {"EnterYourName", 0, 0, 1, 400, 280, true},
    {"SendResults", 0, 0, 1, 400, 280, true},
    {"OkButton2", 160, 50, 2, 320, 50, true},
    {"CancelButton2", 160, 50, 2, 320, 50, true},
    {"Font_small", 24, 20, 44, 1056, 20, true},
    {"Font_medium_inactive", 24, 24, 44, 1056, 24, true},
    {"Font_medium_Active", 24, 24, 44, 1056, 24, true},
    {"Font_big", 40, 24, 44, 1760, 24, true},
};

const Expected kRaceArchive[] = {
    {"GroundLeft", 0, 0, 1, 676, 512, false},
    {"LeftPanel", 0, 0, 1, 124, 600, false},
    {"RightPanel", 0, 0, 1, 120, 600, false},
    {"CarSmall", 0, 0, 1, 16, 24, true},
    {"Pointer", 0, 0, 1, 23, 39, true},
    {"GunSmall", 0, 0, 1, 46, 28, true},
    {"TurboSmall", 0, 0, 1, 46, 28, true},
    {"None", 0, 0, 1, 46, 28, true},
    {"Drifting", 0, 0, 1, 52, 28, true},
    {"ExplosionMicro", 0, 0, 1, 16, 16, true},
    {"ExplosionSmall", 48, 48, 6, 288, 48, true},
    {"ExplosionBig", 64, 96, 8, 512, 96, true},
    {"TimeIsOverNB", 0, 0, 1, 400, 160, true},
    {"GameOverNB", 0, 0, 1, 400, 160, true},
    {"Car1", 0, 0, 1, 52, 96, true},
    {"Car2", 0, 0, 1, 52, 96, true},
    {"Car3", 0, 0, 1, 52, 96, true},
    {"Car4", 0, 0, 1, 52, 96, true},
    {"Car5", 0, 0, 1, 52, 96, true},
    {"Car6", 0, 0, 1, 48, 84, true},
    {"Car7", 0, 0, 1, 50, 92, true},
    {"Car8", 0, 0, 1, 56, 116, true},
    {"Car9", 0, 0, 1, 58, 120, true},
    {"Car10", 0, 0, 1, 62, 136, true},
    {"Car5_Inv", 0, 0, 1, 52, 96, true},
    {"Car6_Inv", 0, 0, 1, 48, 84, true},
    {"Car7_Inv", 0, 0, 1, 50, 92, true},
    {"Car8_Inv", 0, 0, 1, 56, 116, true},
    {"Car9_Inv", 0, 0, 1, 58, 120, true},
    {"Car10_Inv", 0, 0, 1, 62, 136, true},
    {"Gun", 0, 0, 1, 16, 32, true},
    {"GunFire", 26, 24, 2, 52, 24, true},
    {"TurboRed", 0, 0, 1, 40, 24, true},
    {"TurboBlue", 0, 0, 1, 40, 24, true},
    {"TurboYellow", 0, 0, 1, 40, 24, true},
    {"TurboFire", 36, 20, 3, 108, 20, true},
    {"Wall05", 0, 0, 1, 54, 30, true},
    {"Wall10", 0, 0, 1, 102, 30, true},
    {"Spike10", 0, 0, 1, 100, 18, true},
    {"Water10", 96, 64, 2, 192, 64, true},
    {"Water05", 44, 40, 2, 88, 40, true},
    {"Stone05", 0, 0, 1, 46, 40, true},
    {"StoneSmall05", 0, 0, 1, 30, 26, true},
    {"Crack", 0, 0, 1, 80, 36, true},
    {"Rabbit", 28, 36, 4, 112, 36, true},
    {"Bonus10", 40, 40, 4, 160, 40, true},
    {"Bonus20", 40, 40, 4, 160, 40, true},
    {"Bonus50", 40, 40, 4, 160, 40, true},
    {"Bonus100", 40, 40, 4, 160, 40, true},
    {"BonusGun", 40, 40, 4, 160, 40, true},
    {"BonusTurbo", 40, 40, 4, 160, 40, true},
    {"BonusLive", 40, 40, 4, 160, 40, true},
    {"SignLeftBlue", 0, 0, 1, 26, 44, true},
    {"SignLeftRed", 0, 0, 1, 26, 44, true},
    {"SignRightBlue", 0, 0, 1, 26, 44, true},
    {"SignRightRed", 0, 0, 1, 26, 44, true},
    {"WallLeft", 0, 0, 1, 26, 160, true},
    {"WallRight", 0, 0, 1, 26, 160, true},
    {"FinishLine", 0, 0, 1, 332, 24, true},
};

// A pixel that vanishes in 16-bit colour under the key.
// Black, as the game's RGB565 pixels hold it: every channel below one step.
bool IsKey(std::uint16_t p) {
  return p == 0;
}

std::size_t PixelCount(const Rgb565Image& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

const Rgb565Image& ImageOf(TPictureCollectionItem& item) {
  return item.Picture().Graphic()->Image();
}

struct ArchiveCase {
  const char* file;
  std::span<const Expected> pictures;
};

void PrintTo(const ArchiveCase& c, std::ostream* os) {
  *os << c.file;
}

class BakedArchive : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(BakedArchive, HoldsEveryPictureTheGameLooksUp) {
  const auto& [file, expected] = GetParam();
  TPictureCollection archive;
  archive.LoadArchive(kDataDir + "/Res/" + file);
  EXPECT_EQ(archive.Count(), static_cast<int>(expected.size()));
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    TPictureCollectionItem* item = archive.Find(e.name);
    ASSERT_NE(item, nullptr);
    ASSERT_NE(item->Picture().Graphic(), nullptr);
    EXPECT_STREQ(item->Picture().Graphic()->ClassName(), "TDIB");
    EXPECT_EQ(item->Picture().Width(), e.width);
    EXPECT_EQ(item->Picture().Height(), e.height);
    EXPECT_EQ(item->PatternWidth, e.patternWidth);
    EXPECT_EQ(item->PatternHeight, e.patternHeight);
    EXPECT_EQ(item->PatternCount(), e.patterns);
    EXPECT_EQ(item->Transparent, e.keyed);
    EXPECT_EQ(item->TransparentColor(), 0u);
    // Every picture but the deliberately invisible caption shows something.
    const Rgb565Image& image = ImageOf(*item);
    int visible = 0;
    for (std::size_t i = 0; i < PixelCount(image); ++i) visible += IsKey(image.pixels[i]) ? 0 : 1;
    if (std::string(e.name) == "NullCaption") {
      EXPECT_EQ(visible, 0);
    } else {
      EXPECT_GT(visible, static_cast<int>(PixelCount(image)) / 20);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, BakedArchive,
                         ::testing::Values(ArchiveCase{"Res1.dxg", kMenuArchive},
                                           ArchiveCase{"Res3.dxg", kRaceArchive}),
                         [](const auto& info) {
                           return std::string(info.param.file).substr(0, 4);
                         });

TEST(BakedArchive, EveryPatternOfAnimatedPicturesHasInk) {
  TPictureCollection archive;
  archive.LoadArchive(kDataDir + "/Res/Res3.dxg");
  for (const Expected& e : kRaceArchive) {
    if (e.patterns < 2) continue;
    SCOPED_TRACE(e.name);
    const Rgb565Image& image = ImageOf(archive.ItemByName(e.name));
    for (int k = 0; k < e.patterns; ++k) {
      int visible = 0;
      for (int y = 0; y < e.patternHeight; ++y) {
        for (int x = 0; x < e.patternWidth; ++x)
          visible += IsKey(image.At(k * e.patternWidth + x, y)) ? 0 : 1;
      }
      EXPECT_GT(visible, e.patternWidth * e.patternHeight / 20) << "pattern " << k;
    }
  }
}

// Advances of "/" to "Z" as the game's pen uses them.
constexpr std::array<int, 44> kMedium = {11, 13, 11, 14, 13, 14, 14, 13, 14, 13, 13, 8,  7,  15, 15,
                                         15, 14, 14, 17, 16, 16, 16, 15, 14, 17, 15, 8,  13, 17, 14,
                                         19, 15, 17, 15, 18, 16, 15, 15, 16, 17, 22, 16, 17, 15};
constexpr std::array<int, 44> kBig = {11, 16, 13, 17, 16, 18, 17, 17, 17, 16, 16, 9,  8,  18, 18,
                                      18, 18, 18, 21, 20, 21, 20, 19, 18, 22, 20, 8,  16, 21, 17,
                                      23, 19, 22, 19, 23, 21, 18, 19, 20, 22, 29, 20, 21, 19};

struct FontRule {
  const char* name;
  const std::array<int, 44>* advance;
  int bearing;  // first column ink may use
  int inkTop;
  int inkBottom;
};

TEST(BakedFonts, GlyphInkEndsAtTheAdvanceAndStaysInItsRows) {
  const FontRule fonts[] = {
      {"Font_small", &kMedium, 1, 2, 17},
      {"Font_medium_inactive", &kMedium, 1, 4, 21},
      {"Font_medium_Active", &kMedium, 1, 4, 21},
      {"Font_big", &kBig, 3, 0, 21},
  };
  TPictureCollection archive;
  archive.LoadArchive(kDataDir + "/Res/Res1.dxg");
  for (const FontRule& f : fonts) {
    TPictureCollectionItem& item = archive.ItemByName(f.name);
    const Rgb565Image& strip = ImageOf(item);
    const int cell = item.PatternWidth;
    for (int k = 0; k < 44; ++k) {
      SCOPED_TRACE(std::string(f.name) + " glyph '" + static_cast<char>(47 + k) + "'");
      int minX = cell, maxX = -1, minY = item.PatternHeight, maxY = -1;
      for (int y = 0; y < item.PatternHeight; ++y) {
        for (int x = 0; x < cell; ++x) {
          if (IsKey(strip.At(k * cell + x, y))) continue;
          minX = std::min(minX, x);
          maxX = std::max(maxX, x);
          minY = std::min(minY, y);
          maxY = std::max(maxY, y);
        }
      }
      ASSERT_GE(maxX, 0) << "empty glyph";
      EXPECT_EQ(maxX, (*f.advance)[k] - 1);
      EXPECT_GE(minX, f.bearing);
      EXPECT_GE(minY, f.inkTop);
      EXPECT_LE(maxY, f.inkBottom);
    }
    // Capitals and digits fill the cap height, so lines share a baseline.
    for (char c : std::string("0HZ")) {
      int k = c - 47, top = -1, bottom = -1;
      for (int y = 0; y < item.PatternHeight; ++y) {
        for (int x = 0; x < cell; ++x) {
          if (IsKey(strip.At(k * cell + x, y))) continue;
          if (top < 0) top = y;
          bottom = y;
        }
      }
      EXPECT_EQ(top, f.inkTop) << f.name << " " << c;
      EXPECT_EQ(bottom, f.inkBottom) << f.name << " " << c;
    }
  }
}

TEST(BakedFonts, ActiveAndInactiveMediumFontsShareTheirShapes) {
  TPictureCollection archive;
  archive.LoadArchive(kDataDir + "/Res/Res1.dxg");
  const Rgb565Image& active = ImageOf(archive.ItemByName("Font_medium_Active"));
  const Rgb565Image& inactive = ImageOf(archive.ItemByName("Font_medium_inactive"));
  ASSERT_EQ(PixelCount(active), PixelCount(inactive));
  for (std::size_t i = 0; i < PixelCount(active); ++i) {
    ASSERT_EQ(IsKey(active.pixels[i]), IsKey(inactive.pixels[i])) << "pixel " << i;
  }
}

}  // namespace
}  // namespace brakkon::engine
