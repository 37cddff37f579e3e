// The baked pictures of the two image archives and the functions that draw them.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rgb_image.h"

namespace brakkon::bake {

// One named picture: a single pattern (0/0) or a row of equal cells.
struct Picture {
  std::string name;
  int patternWidth = 0;
  int patternHeight = 0;
  bool transparent = true;
  engine::RgbImage image;

  int PatternCount() const { return patternWidth == 0 ? 1 : image.width / patternWidth; }
  int CellWidth() const { return patternWidth == 0 ? image.width : patternWidth; }
  int CellHeight() const { return patternHeight == 0 ? image.height : patternHeight; }
};

using PictureSet = std::vector<Picture>;

// The named picture; raises std::out_of_range when absent.
const Picture& FindPicture(const PictureSet& set, std::string_view name);

// Pen advances of the glyphs "/" (47) to "Z" (90).
using AdvanceTable = std::array<int, 44>;
extern const AdvanceTable kMediumAdvance;
extern const AdvanceTable kBigAdvance;

// The four bitmap fonts of the menu archive.
PictureSet MakeFonts();
// The race archive's pictures.
PictureSet MakeRaceArt();
// The menu archive's pictures except the fonts; help pages show race sprites.
PictureSet MakeMenuArt(const PictureSet& race);

}  // namespace brakkon::bake
