// Pieces shared by the menu pictures and the help pages.
#pragma once

#include <string_view>

#include "art.h"
#include "canvas.h"

namespace brakkon::bake {

inline constexpr int kScreenWidth = 530;  // every sub-screen picture
inline constexpr int kScreenHeight = 370;

// The framed dark panel of a sub-screen, with its title in the top band.
void ScreenPanel(Canvas& canvas, std::string_view title);
// Menu-style label text (bold, slight lean) in one colour.
void Label(cairo_t* cr, std::string_view text, double x, double baseline, double size, Rgb color,
           Align align = Align::kLeft);

// The four help pages.
void AddHelpPages(PictureSet& out, const PictureSet& race);

}  // namespace brakkon::bake
