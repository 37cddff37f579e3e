// The four bitmap-font strips: 44 glyphs "/" to "Z", each fitted so its ink ends
// exactly at column advance - 1 of its cell, as the game's pen arithmetic expects.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "art.h"
#include "canvas.h"

namespace brakkon::bake {

const AdvanceTable kMediumAdvance = {11, 13, 11, 14, 13, 14, 14, 13, 14, 13, 13, 8,  7,  15, 15,
                                     15, 14, 14, 17, 16, 16, 16, 15, 14, 17, 15, 8,  13, 17, 14,
                                     19, 15, 17, 15, 18, 16, 15, 15, 16, 17, 22, 16, 17, 15};
const AdvanceTable kBigAdvance = {11, 16, 13, 17, 16, 18, 17, 17, 17, 16, 16, 9,  8,  18, 18,
                                  18, 18, 18, 21, 20, 21, 20, 19, 18, 22, 20, 8,  16, 21, 17,
                                  23, 19, 22, 19, 23, 21, 18, 19, 20, 22, 29, 20, 21, 19};

namespace {

constexpr int kGlyphCount = 44;
constexpr int kFirstCode = 47;
constexpr double kReferenceSize = 100;

struct FontSpec {
  const char* name;
  int cellWidth;
  int cellHeight;
  const AdvanceTable* advance;
  int inkTop;     // first row of ink (outline included)
  int inkBottom;  // last row of ink
  int bearing;    // first column of ink
  bool outline;
  Rgb fillTop;
  Rgb fillBottom;
  Rgb outlineColor;
  Rgb under;  // what anti-aliased edges sit on when there is no outline
};

struct Extents {
  double x0, y0, x1, y1;
};

Extents GlyphExtents(cairo_t* cr, char c) {
  char text[2] = {c, 0};
  cairo_new_path(cr);
  TextPath(cr, TextStyle{kReferenceSize}, text, 0, 0);
  Extents e{};
  cairo_fill_extents(cr, &e.x0, &e.y0, &e.x1, &e.y1);
  cairo_new_path(cr);
  return e;
}

// Coverage (0..1) of the glyph placed by the transform x' = tx + sx*x, y' = ty + sy*y.
std::vector<double> RenderCoverage(const FontSpec& f, char c, double tx, double ty, double sx,
                                   double sy) {
  Canvas canvas(f.cellWidth, f.cellHeight);
  cairo_t* cr = canvas.Cr();
  cairo_translate(cr, tx, ty);
  cairo_scale(cr, sx, sy);
  char text[2] = {c, 0};
  TextPath(cr, TextStyle{kReferenceSize}, text, 0, 0);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill(cr);
  canvas.Flush();
  std::vector<double> cov(static_cast<std::size_t>(f.cellWidth) * f.cellHeight);
  for (int y = 0; y < f.cellHeight; ++y) {
    const std::uint32_t* row = canvas.Row(y);
    for (int x = 0; x < f.cellWidth; ++x) cov[y * f.cellWidth + x] = (row[x] >> 24) / 255.0;
  }
  // Ink outside the cap rows would break the line spacing the screens rely on.
  for (int y = 0; y < f.cellHeight; ++y) {
    int margin = f.outline ? 1 : 0;
    if (y < f.inkTop + margin || y > f.inkBottom - margin) {
      for (int x = 0; x < f.cellWidth; ++x) cov[y * f.cellWidth + x] = 0;
    }
  }
  return cov;
}

// What is drawn (the body, or the body grown by the 1-px outline).
std::vector<double> InkMask(const FontSpec& f, const std::vector<double>& cov) {
  if (!f.outline) return cov;
  std::vector<double> out(cov.size(), 0);
  for (int y = 0; y < f.cellHeight; ++y) {
    for (int x = 0; x < f.cellWidth; ++x) {
      double m = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          int xx = x + dx, yy = y + dy;
          if (xx >= 0 && yy >= 0 && xx < f.cellWidth && yy < f.cellHeight) {
            m = std::max(m, cov[yy * f.cellWidth + xx]);
          }
        }
      }
      out[y * f.cellWidth + x] = m;
    }
  }
  return out;
}

bool InkColumns(const FontSpec& f, const std::vector<double>& ink, int& minX, int& maxX) {
  minX = f.cellWidth;
  maxX = -1;
  for (int y = 0; y < f.cellHeight; ++y) {
    for (int x = 0; x < f.cellWidth; ++x) {
      if (ink[y * f.cellWidth + x] >= 0.5) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
      }
    }
  }
  return maxX >= 0;
}

void DrawGlyph(const FontSpec& f, cairo_t* measure, int k, engine::RgbImage& strip) {
  const char c = static_cast<char>(kFirstCode + k);
  const int adv = (*f.advance)[k];
  const int o = f.outline ? 1 : 0;
  const Extents cap = GlyphExtents(measure, 'H');
  const Extents g = GlyphExtents(measure, c);

  // Vertical placement: capitals fill the body rows; taller glyphs are squeezed in.
  const double bodyTop = f.inkTop + o;
  const double bodyBottom = f.inkBottom + 1 - o;
  const double top = std::min(g.y0, cap.y0);
  const double bottom = std::max(g.y1, 0.0);
  const double sy = (bodyBottom - bodyTop) / (bottom - top);
  const double ty = bodyTop - top * sy;

  // Horizontal: fill the advance; narrow glyphs keep close to their own shape.
  double target = adv - f.bearing - 2.0 * o;
  const double natural = (g.x1 - g.x0) * sy;
  const bool narrow = natural < 0.8 * target;

  std::vector<double> cov;
  int minX = 0, maxX = 0;
  double shift = 0;
  for (int attempt = 0; attempt < 8; ++attempt) {
    double sx = narrow ? std::min(sy * 1.15, target / (g.x1 - g.x0)) : target / (g.x1 - g.x0);
    double tx = (adv - o) - g.x1 * sx + shift;
    cov = RenderCoverage(f, c, tx, ty, sx, sy);
    if (!InkColumns(f, InkMask(f, cov), minX, maxX)) break;
    if (maxX != adv - 1) {
      shift += (adv - 1) - maxX;
      continue;
    }
    if (minX < f.bearing) {
      target -= 0.5 * (f.bearing - minX) + 0.25;
      continue;
    }
    if (!narrow && minX > f.bearing) {
      target += 0.5 * (minX - f.bearing);
      continue;
    }
    break;
  }

  const std::vector<double> ink = InkMask(f, cov);
  for (int y = 0; y < f.cellHeight; ++y) {
    double t = std::clamp((y + 0.5 - bodyTop) / (bodyBottom - bodyTop), 0.0, 1.0);
    Rgb fill = Mix(f.fillTop, f.fillBottom, t);
    for (int x = 0; x < f.cellWidth; ++x) {
      double a = cov[y * f.cellWidth + x];
      double m = ink[y * f.cellWidth + x];
      // Safety net: nothing may reach past the advance or before the bearing.
      if (m < 0.5 || x >= adv || x < f.bearing) continue;
      Rgb colour = f.outline ? Mix(f.outlineColor, fill, a) : Mix(f.under, fill, a);
      strip.At(k * f.cellWidth + x, y) = Pack(colour);
    }
  }
}

Picture MakeFont(const FontSpec& f) {
  Canvas scratch(4, 4);
  engine::RgbImage strip(f.cellWidth * kGlyphCount, f.cellHeight, 0);
  for (int k = 0; k < kGlyphCount; ++k) DrawGlyph(f, scratch.Cr(), k, strip);
  return Picture{f.name, f.cellWidth, f.cellHeight, true, std::move(strip)};
}

}  // namespace

PictureSet MakeFonts() {
  const FontSpec specs[] = {
      {"Font_small", 24, 20, &kMediumAdvance, 2, 17, 1, false, Hex(0xC8FFA8), Hex(0x9CF070),
       Hex(0x000000), Hex(0x141A20)},
      {"Font_medium_inactive", 24, 24, &kMediumAdvance, 4, 21, 1, true, Hex(0x9098A8),
       Hex(0x747C8C), Hex(0x181820), kMenuNavy},
      {"Font_medium_Active", 24, 24, &kMediumAdvance, 4, 21, 1, true, Hex(0xFFDC70), Hex(0xFFB820),
       Hex(0x281808), kMenuNavy},
      {"Font_big", 40, 24, &kBigAdvance, 0, 21, 3, true, Hex(0xFFFFFF), Hex(0xFFEC96),
       Hex(0x1E1E3C), kMenuNavy},
  };
  PictureSet out;
  for (const FontSpec& f : specs) out.push_back(MakeFont(f));
  return out;
}

}  // namespace brakkon::bake
