// The application icon: the player's red car on the menu's navy, ringed in orange.
#include "icon.h"

#include <cairo.h>

#include <filesystem>
#include <stdexcept>

#include "canvas.h"
#include "vehicles.h"
#include "widgets.h"

namespace brakkon::bake {
namespace {

void DrawIcon(Canvas& canvas) {
  cairo_t* cr = canvas.Cr();
  const double s = canvas.Width();
  const double inset = s * 0.04;
  const double side = s - 2 * inset;
  const double radius = s * 0.18;

  RoundedRect(cr, inset, inset, side, side, radius);
  cairo_pattern_t* fill = cairo_pattern_create_linear(0, inset, 0, inset + side);
  AddStop(fill, 0, Scale(kMenuNavy, 1.6));
  AddStop(fill, 1, kMenuNavy);
  cairo_set_source(cr, fill);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(fill);
  // Below 64 px a thinner ring would blur into the navy.
  cairo_set_line_width(cr, s >= 64 ? s * 0.045 : s * 0.07);
  SetColor(cr, kOrange);
  cairo_stroke(cr);

  // Road edges either side of the car, so it reads as driving even when tiny.
  SetColor(cr, kOrange, 0.55);
  cairo_set_line_width(cr, s * 0.035);
  for (double x : {s * 0.24, s * 0.76}) {
    for (double y = s * 0.16; y < s * 0.84; y += s * 0.2) {
      cairo_move_to(cr, x, y);
      cairo_line_to(cr, x, y + s * 0.1);
    }
  }
  cairo_stroke(cr);

  const double carW = s * 0.34;
  const double carH = s * 0.62;
  DrawVehicle(cr, CarLookFor(1), (s - carW) / 2, (s - carH) / 2, carW, carH);
}

}  // namespace

void WriteIcons(const std::string& dir) {
  for (int size : kIconSizes) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path folder = std::filesystem::path(dir) / "hicolor" / name / "apps";
    std::filesystem::create_directories(folder);
    Canvas canvas(size, size);
    DrawIcon(canvas);
    cairo_surface_flush(canvas.Surface());
    const std::string path = (folder / "brakkon.png").string();
    if (cairo_surface_write_to_png(canvas.Surface(), path.c_str()) != CAIRO_STATUS_SUCCESS)
      throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace brakkon::bake
