// Text drawn glyph by glyph from the font strips of the menu pictures.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace brakkon::shell {
class TMForm;
}

namespace brakkon::screens {

// Glyphs run from '/' (pattern 0) to 'Z' (pattern 43).
inline constexpr int kFirstGlyph = '/';
inline constexpr int kGlyphCount = 44;

// Pen advance of each glyph, px: the medium table serves fonts 1 to 3, the big table font 4.
struct FontTables {
  std::array<std::int32_t, kGlyphCount> medium{};
  std::array<std::int32_t, kGlyphCount> big{};
};

// Builds the advance tables from the stored x of each glyph's last column.
FontTables PrepareFontTables();

void UseSmallFont(shell::TMForm& form);
void UseMediumFont(shell::TMForm& form);
void UseMediumActiveFont(shell::TMForm& form);
void UseBigFont(shell::TMForm& form);

// Draws `text` in the current font with its first glyph's top-left at (x, y)
// on the back surface and leaves the pen in TextEndX. Call between BeginFrame
// and EndFrame.
void DrawText(shell::TMForm& form, std::string_view text, int x, int y);

// Where DrawText of `text` from `x` would leave the pen, in the current font,
// without drawing or touching TextEndX.
int MeasureText(shell::TMForm& form, std::string_view text, int x);

}  // namespace brakkon::screens
