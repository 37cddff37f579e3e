// Drawing pieces shared by the menu and race pictures: steel, plates, rivets,
// outlined titles, and turning a canvas into a named picture.
#pragma once

#include <string>
#include <string_view>

#include "art.h"
#include "canvas.h"

namespace brakkon::bake {

// Dark field behind the head-up numbers and the bonus icons.
inline constexpr Rgb kHudField = Hex(0x141A20);
inline constexpr Rgb kOrange = Hex(0xFF9A1C);
inline constexpr Rgb kAmber = Hex(0xFFC23A);

Picture KeyedPicture(std::string name, const Canvas& canvas, Rgb under, int patternWidth = 0,
                     int patternHeight = 0);
Picture OpaquePicture(std::string name, const Canvas& canvas);

// Writes one pixel (premultiplied) between Flush and MarkDirty.
void PutPixel(Canvas& canvas, int x, int y, Rgb c, double alpha = 1.0);

// Brushed metal: fine horizontal grain over a vertical light falloff.
void BrushedSteel(Canvas& canvas, int x, int y, int w, int h, Rgb base, std::uint32_t seed);
void Rivet(cairo_t* cr, double x, double y, double r);

// A rounded plate with a vertical gradient and a thin rim.
void Plate(cairo_t* cr, double x, double y, double w, double h, double r, Rgb top, Rgb bottom,
           Rgb rim, double rimWidth = 1.0);
// A recessed dark box: flat fill, shadowed top edge, lit bottom edge.
void Well(cairo_t* cr, double x, double y, double w, double h, double r, Rgb fill);

// Big display text: vertical gradient fill, outline, optional drop shadow.
struct TitleLook {
  Rgb top;
  Rgb bottom;
  Rgb outline;
  double outlineWidth = 3;
  double shadow = 3;  // offset of the drop shadow; 0 for none
  Rgb shadowColor = Hex(0x080810);
};
void Title(cairo_t* cr, const TextStyle& style, std::string_view text, double x, double baseline,
           Align align, const TitleLook& look);

// Draws pattern k of a multi-pattern picture: clips to cell k and moves the origin there.
class CellScope {
 public:
  CellScope(cairo_t* cr, int k, int cellWidth, int cellHeight);
  ~CellScope();

 private:
  cairo_t* cr_;
};

}  // namespace brakkon::bake
