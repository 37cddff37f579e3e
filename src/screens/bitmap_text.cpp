// Bitmap-font text: font selection, advance tables and the pen walk.
#include "screens/bitmap_text.h"

#include <cmath>

#include "shell/form.h"

namespace brakkon::screens {
namespace {

// For each glyph, the x of its last column measured from the left of the whole
// strip, as the font pictures were laid out.
constexpr std::array<std::int32_t, kGlyphCount> kMediumLastColumn = {
    10,  36,  58,  85,  108, 133, 157, 180, 205, 228, 252, 271, 294,  326,  350,
    374, 397, 421, 448, 471, 495, 519, 542, 565, 592, 614, 631, 660,  688,  709,
    738, 758, 784, 806, 833, 855, 878, 902, 927, 952, 981, 999, 1024, 1046,
};
constexpr std::array<std::int32_t, kGlyphCount> kBigLastColumn = {
    10,   55,   92,   136,  175,  217,  256,  296,  336,  375,  415,  448,  487,  537,  577,
    617,  657,  697,  740,  779,  820,  859,  898,  937,  981,  1019, 1047, 1095, 1140, 1176,
    1222, 1258, 1301, 1338, 1382, 1420, 1457, 1498, 1539, 1581, 1628, 1659, 1700, 1738,
};
constexpr int kMediumCellWidth = 24;  // px
constexpr int kBigCellWidth = 40;     // px

void SelectFont(shell::TMForm& form, const char* name, int kind) {
  form.Shell.FontName = name;
  form.Shell.FontKind = kind;
}

}  // namespace

FontTables PrepareFontTables() {
  FontTables tables;
  for (int k = 0; k < kGlyphCount; ++k) {
    tables.medium[k] = kMediumLastColumn[k] - k * kMediumCellWidth + 1;
    tables.big[k] = kBigLastColumn[k] - k * kBigCellWidth + 1;
  }
  return tables;
}

void UseSmallFont(shell::TMForm& form) {
  SelectFont(form, "Font_small", 1);
}
void UseMediumFont(shell::TMForm& form) {
  SelectFont(form, "Font_medium_inactive", 2);
}
void UseMediumActiveFont(shell::TMForm& form) {
  SelectFont(form, "Font_medium_Active", 3);
}
void UseBigFont(shell::TMForm& form) {
  SelectFont(form, "Font_big", 4);
}

namespace {

// The pen walk of DrawText: each glyph's pen x goes to `glyph`, and the pen's
// end is returned (x for an empty text).
template <typename Glyph>
int WalkText(shell::TMForm& form, std::string_view text, int x, Glyph&& glyph) {
  const auto& s = form.Shell;
  const engine::TPictureCollectionItem& font = form.MDXImageList.Items().ItemByName(s.FontName);
  const int w = font.Width();
  const bool big = s.FontKind == 4;
  const double kerning = big ? -0.05 * w : 0.0;
  const auto& advances = big ? form.FontAdvances.big : form.FontAdvances.medium;
  double pen = x;
  for (const char ch : text) {
    if (ch == '\0') break;
    if (ch == ' ') {
      pen = std::trunc(pen + 0.2 * w);
    } else {
      const int pattern = static_cast<unsigned char>(ch) - kFirstGlyph;
      // Characters without a glyph (edited save files) draw nothing and do not advance.
      if (pattern >= 0 && pattern < kGlyphCount) {
        glyph(font, static_cast<int>(pen), pattern);
        pen = std::trunc(pen + advances[pattern] + kerning);
      }
    }
  }
  return static_cast<int>(pen);
}

}  // namespace

void DrawText(shell::TMForm& form, std::string_view text, int x, int y) {
  if (text.empty() || text.front() == '\0') return;
  form.Shell.TextEndX = WalkText(
      form, text, x, [&](const engine::TPictureCollectionItem& font, int penX, int pattern) {
        font.Draw(form.MDXDraw.Surface(), penX, y, pattern);
      });
}

int MeasureText(shell::TMForm& form, std::string_view text, int x) {
  return WalkText(form, text, x, [](const engine::TPictureCollectionItem&, int, int) {});
}

}  // namespace brakkon::screens
