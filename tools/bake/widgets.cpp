// Drawing pieces shared by the menu and race pictures.
#include "widgets.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace brakkon::bake {

const Picture& FindPicture(const PictureSet& set, std::string_view name) {
  for (const Picture& p : set) {
    if (p.name == name) return p;
  }
  throw std::out_of_range("no picture named " + std::string(name));
}

Picture KeyedPicture(std::string name, const Canvas& canvas, Rgb under, int patternWidth,
                     int patternHeight) {
  return Picture{std::move(name), patternWidth, patternHeight, true, canvas.Keyed(under)};
}

Picture OpaquePicture(std::string name, const Canvas& canvas) {
  return Picture{std::move(name), 0, 0, false, canvas.Opaque()};
}

void PutPixel(Canvas& canvas, int x, int y, Rgb c, double alpha) {
  if (x < 0 || y < 0 || x >= canvas.Width() || y >= canvas.Height()) return;
  auto byte = [](double v) {
    return static_cast<std::uint32_t>(std::clamp(std::lround(v * 255), 0L, 255L));
  };
  alpha = std::clamp(alpha, 0.0, 1.0);
  canvas.Row(y)[x] = (byte(alpha) << 24) | (byte(c.r * alpha) << 16) | (byte(c.g * alpha) << 8) |
                     byte(c.b * alpha);
}

void BrushedSteel(Canvas& canvas, int x0, int y0, int w, int h, Rgb base, std::uint32_t seed) {
  canvas.Flush();
  Rng rng(seed);
  std::vector<double> rowGrain(static_cast<std::size_t>(h));
  for (double& g : rowGrain) g = rng.Range(-0.035, 0.035);
  for (int y = 0; y < h; ++y) {
    double light = 1.08 - 0.16 * y / std::max(1, h - 1);
    for (int x = 0; x < w; ++x) {
      double grain = rowGrain[y] + rng.Range(-0.02, 0.02) +
                     0.03 * (TileNoise(x, y, 8, 1024, 1024, seed) - 0.5);
      double f = light * (1 + grain) * (1.04 - 0.08 * x / std::max(1, w - 1));
      PutPixel(canvas, x0 + x, y0 + y, Scale(base, f));
    }
  }
  canvas.MarkDirty();
}

void Rivet(cairo_t* cr, double x, double y, double r) {
  cairo_pattern_t* g = cairo_pattern_create_radial(x - r * 0.35, y - r * 0.35, r * 0.1, x, y, r);
  AddStop(g, 0, Hex(0xC8D0DA));
  AddStop(g, 0.6, Hex(0x6A7480));
  AddStop(g, 1, Hex(0x2A3038));
  cairo_arc(cr, x, y, r, 0, 2 * M_PI);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
}

void Plate(cairo_t* cr, double x, double y, double w, double h, double r, Rgb top, Rgb bottom,
           Rgb rim, double rimWidth) {
  cairo_new_path(cr);
  RoundedRect(cr, x, y, w, h, r);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
  AddStop(g, 0, top);
  AddStop(g, 1, bottom);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  if (rimWidth > 0) {
    cairo_set_line_width(cr, rimWidth);
    SetColor(cr, rim);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
}

void Well(cairo_t* cr, double x, double y, double w, double h, double r, Rgb fill) {
  cairo_new_path(cr);
  RoundedRect(cr, x - 1, y - 1, w + 2, h + 2, r + 1);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, y - 1, 0, y + h + 1);
  AddStop(g, 0, Hex(0x0C0E12));
  AddStop(g, 0.5, Hex(0x20262E));
  AddStop(g, 1, Hex(0x5A6470));
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  RoundedRect(cr, x, y, w, h, r);
  SetColor(cr, fill);
  cairo_fill(cr);
}

void Title(cairo_t* cr, const TextStyle& style, std::string_view text, double x, double baseline,
           Align align, const TitleLook& look) {
  cairo_save(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  if (look.shadow > 0) {
    cairo_new_path(cr);
    TextPath(cr, style, text, x + look.shadow, baseline + look.shadow, align);
    SetColor(cr, look.shadowColor, 0.85);
    cairo_set_line_width(cr, look.outlineWidth * 2);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
  }
  cairo_new_path(cr);
  TextPath(cr, style, text, x, baseline, align);
  cairo_set_line_width(cr, look.outlineWidth * 2);
  SetColor(cr, look.outline);
  cairo_stroke_preserve(cr);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, baseline - style.size * 0.75, 0, baseline);
  AddStop(g, 0, look.top);
  AddStop(g, 1, look.bottom);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  cairo_restore(cr);
}

CellScope::CellScope(cairo_t* cr, int k, int cellWidth, int cellHeight) : cr_(cr) {
  cairo_save(cr);
  cairo_translate(cr, k * cellWidth, 0);
  cairo_rectangle(cr, 0, 0, cellWidth, cellHeight);
  cairo_clip(cr);
  cairo_new_path(cr);
}

CellScope::~CellScope() {
  cairo_restore(cr_);
}

}  // namespace brakkon::bake
