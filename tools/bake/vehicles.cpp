// Top-down vehicles facing up: the player's sports cars and the road traffic.
#include "vehicles.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace brakkon::bake {
namespace {

struct Box {
  double x, y, w, h;
  double X(double u) const { return x + u * w; }
  double Y(double v) const { return y + v * h; }
};

struct Pt {
  double u, v;
};

// Smooth closed outline through the points (Catmull-Rom as cubic Béziers).
void SmoothPath(cairo_t* cr, const Box& b, const std::vector<Pt>& pts) {
  const std::size_t n = pts.size();
  cairo_new_sub_path(cr);
  cairo_move_to(cr, b.X(pts[0].u), b.Y(pts[0].v));
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& p0 = pts[(i + n - 1) % n];
    const Pt& p1 = pts[i];
    const Pt& p2 = pts[(i + 1) % n];
    const Pt& p3 = pts[(i + 2) % n];
    const double k = 1.0 / 6.0;
    cairo_curve_to(cr, b.X(p1.u + (p2.u - p0.u) * k), b.Y(p1.v + (p2.v - p0.v) * k),
                   b.X(p2.u - (p3.u - p1.u) * k), b.Y(p2.v - (p3.v - p1.v) * k), b.X(p2.u),
                   b.Y(p2.v));
  }
  cairo_close_path(cr);
}

// A body outline from half-widths along the length (v, half-width as a fraction of w).
std::vector<Pt> Profile(const std::vector<Pt>& halfWidths) {
  std::vector<Pt> pts;
  for (const Pt& p : halfWidths) pts.push_back({0.5 + p.v, p.u});
  for (auto it = halfWidths.rbegin(); it != halfWidths.rend(); ++it)
    pts.push_back({0.5 - it->v, it->u});
  return pts;
}

void Polygon(cairo_t* cr, const Box& b, std::initializer_list<Pt> pts) {
  cairo_new_sub_path(cr);
  bool first = true;
  for (const Pt& p : pts) {
    if (first)
      cairo_move_to(cr, b.X(p.u), b.Y(p.v));
    else
      cairo_line_to(cr, b.X(p.u), b.Y(p.v));
    first = false;
  }
  cairo_close_path(cr);
}

// Cylindrical shading across the width: light from the upper left.
cairo_pattern_t* BodyShade(const Box& b, Rgb c) {
  cairo_pattern_t* g = cairo_pattern_create_linear(b.X(0), 0, b.X(1), 0);
  AddStop(g, 0.0, Scale(c, 0.45));
  AddStop(g, 0.12, Scale(c, 0.8));
  AddStop(g, 0.38, Mix(c, Hex(0xFFFFFF), 0.28));
  AddStop(g, 0.55, c);
  AddStop(g, 0.88, Scale(c, 0.72));
  AddStop(g, 1.0, Scale(c, 0.42));
  return g;
}

void FillShaded(cairo_t* cr, const Box& b, Rgb c) {
  cairo_pattern_t* g = BodyShade(b, c);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
}

void Glass(cairo_t* cr, const Box& b, double v0, double v1, bool dark) {
  cairo_pattern_t* g = cairo_pattern_create_linear(b.X(0.2), b.Y(v0), b.X(0.8), b.Y(v1));
  Rgb deep = dark ? Hex(0x141C2A) : Hex(0x1C2A40);
  AddStop(g, 0.0, Hex(0x5A7898));
  AddStop(g, 0.35, Hex(0x2A3C58));
  AddStop(g, 0.55, deep);
  AddStop(g, 1.0, Hex(0x304460));
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
}

void Wheels(cairo_t* cr, const Box& b, double front, double rear, double len, double width) {
  SetColor(cr, Hex(0x1C1C20));
  for (double v : {front, rear}) {
    for (double u : {0.0, 1.0 - width}) {
      RoundedRect(cr, b.X(u), b.Y(v), b.w * width, b.h * len, b.w * width * 0.35);
    }
  }
  cairo_fill(cr);
}

void Lights(cairo_t* cr, const Box& b, double frontV, double rearV, double inset) {
  const double lw = 0.15;
  SetColor(cr, Hex(0xFFF6C8));
  for (double u : {inset, 1 - inset - lw}) {
    RoundedRect(cr, b.X(u), b.Y(frontV), b.w * lw, b.h * 0.035, b.h * 0.012);
  }
  cairo_fill(cr);
  SetColor(cr, Hex(0xE02828));
  for (double u : {inset, 1 - inset - lw}) {
    RoundedRect(cr, b.X(u), b.Y(rearV), b.w * lw, b.h * 0.028, b.h * 0.01);
  }
  cairo_fill(cr);
}

void Outline(cairo_t* cr, const Box& b, Rgb c) {
  cairo_set_line_width(cr, std::max(0.8, b.w / 45));
  SetColor(cr, Scale(c, 0.3), 0.9);
  cairo_stroke(cr);
}

void Sports(cairo_t* cr, const Box& b, const CarLook& look, bool spoiler) {
  Wheels(cr, b, 0.12, 0.70, 0.17, 0.16);
  std::vector<Pt> body = Profile({{0.0, 0.30},
                                  {0.015, 0.39},
                                  {0.07, 0.45},
                                  {0.2, 0.485},
                                  {0.33, 0.44},
                                  {0.5, 0.415},
                                  {0.67, 0.45},
                                  {0.8, 0.49},
                                  {0.93, 0.47},
                                  {0.985, 0.41},
                                  {1.0, 0.32}});
  SmoothPath(cr, b, body);
  FillShaded(cr, b, look.body);
  Outline(cr, b, look.body);

  if (look.stripes) {
    SetColor(cr, look.accent);
    cairo_rectangle(cr, b.X(0.37), b.Y(0.01), b.w * 0.09, b.h * 0.975);
    cairo_rectangle(cr, b.X(0.54), b.Y(0.01), b.w * 0.09, b.h * 0.975);
    cairo_fill(cr);
  }
  // Hood creases.
  cairo_set_line_width(cr, std::max(0.6, b.w / 70));
  SetColor(cr, Scale(look.body, 0.55), 0.6);
  cairo_move_to(cr, b.X(0.26), b.Y(0.08));
  cairo_line_to(cr, b.X(0.24), b.Y(0.3));
  cairo_move_to(cr, b.X(0.74), b.Y(0.08));
  cairo_line_to(cr, b.X(0.76), b.Y(0.3));
  cairo_stroke(cr);

  Polygon(cr, b, {{0.25, 0.31}, {0.75, 0.31}, {0.85, 0.45}, {0.15, 0.45}});
  Glass(cr, b, 0.31, 0.45, false);
  Polygon(cr, b, {{0.15, 0.45}, {0.85, 0.45}, {0.83, 0.61}, {0.17, 0.61}});
  cairo_pattern_t* roof = BodyShade(b, Mix(look.body, Hex(0xFFFFFF), 0.1));
  cairo_set_source(cr, roof);
  cairo_fill(cr);
  cairo_pattern_destroy(roof);
  if (look.stripes) {
    SetColor(cr, Mix(look.accent, Hex(0xFFFFFF), 0.1));
    cairo_rectangle(cr, b.X(0.37), b.Y(0.45), b.w * 0.09, b.h * 0.16);
    cairo_rectangle(cr, b.X(0.54), b.Y(0.45), b.w * 0.09, b.h * 0.16);
    cairo_fill(cr);
  }
  Polygon(cr, b, {{0.17, 0.61}, {0.83, 0.61}, {0.75, 0.72}, {0.25, 0.72}});
  Glass(cr, b, 0.61, 0.72, true);
  // Side windows.
  Polygon(cr, b, {{0.11, 0.44}, {0.14, 0.45}, {0.16, 0.61}, {0.12, 0.6}});
  Polygon(cr, b, {{0.89, 0.44}, {0.86, 0.45}, {0.84, 0.61}, {0.88, 0.6}});
  SetColor(cr, Hex(0x22324A));
  cairo_fill(cr);
  // Mirrors.
  SetColor(cr, Scale(look.body, 0.7));
  cairo_arc(cr, b.X(0.07), b.Y(0.36), b.w * 0.06, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, b.X(0.93), b.Y(0.36), b.w * 0.06, 0, 2 * M_PI);
  cairo_fill(cr);
  if (spoiler) {
    RoundedRect(cr, b.X(0.07), b.Y(0.865), b.w * 0.86, b.h * 0.055, b.h * 0.015);
    SetColor(cr, Scale(look.body, 0.5));
    cairo_fill_preserve(cr);
    SetColor(cr, Scale(look.body, 0.25));
    cairo_set_line_width(cr, std::max(0.6, b.w / 60));
    cairo_stroke(cr);
  }
  Lights(cr, b, 0.012, 0.962, 0.17);
}

void Sedan(cairo_t* cr, const Box& b, const CarLook& look, double roofEnd, double rearEnd) {
  Wheels(cr, b, 0.13, 0.72, 0.15, 0.14);
  std::vector<Pt> body = Profile({{0.0, 0.34},
                                  {0.02, 0.43},
                                  {0.1, 0.465},
                                  {0.5, 0.455},
                                  {0.9, 0.465},
                                  {0.98, 0.43},
                                  {1.0, 0.35}});
  SmoothPath(cr, b, body);
  FillShaded(cr, b, look.body);
  Outline(cr, b, look.body);
  Polygon(cr, b, {{0.22, 0.26}, {0.78, 0.26}, {0.86, 0.39}, {0.14, 0.39}});
  Glass(cr, b, 0.26, 0.39, false);
  Polygon(cr, b, {{0.14, 0.39}, {0.86, 0.39}, {0.86, roofEnd}, {0.14, roofEnd}});
  cairo_pattern_t* roof = BodyShade(b, Mix(look.body, Hex(0xFFFFFF), 0.12));
  cairo_set_source(cr, roof);
  cairo_fill(cr);
  cairo_pattern_destroy(roof);
  Polygon(cr, b, {{0.14, roofEnd}, {0.86, roofEnd}, {0.8, rearEnd}, {0.2, rearEnd}});
  Glass(cr, b, roofEnd, rearEnd, true);
  SetColor(cr, Hex(0x22324A));
  Polygon(cr, b, {{0.09, 0.39}, {0.12, 0.4}, {0.12, roofEnd}, {0.09, roofEnd - 0.01}});
  Polygon(cr, b, {{0.91, 0.39}, {0.88, 0.4}, {0.88, roofEnd}, {0.91, roofEnd - 0.01}});
  cairo_fill(cr);
  SetColor(cr, Scale(look.body, 0.7));
  cairo_arc(cr, b.X(0.06), b.Y(0.3), b.w * 0.055, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, b.X(0.94), b.Y(0.3), b.w * 0.055, 0, 2 * M_PI);
  cairo_fill(cr);
  Lights(cr, b, 0.015, 0.962, 0.15);
}

void Van(cairo_t* cr, const Box& b, const CarLook& look) {
  Wheels(cr, b, 0.1, 0.76, 0.13, 0.12);
  std::vector<Pt> body = Profile({{0.0, 0.36},
                                  {0.015, 0.44},
                                  {0.06, 0.475},
                                  {0.5, 0.48},
                                  {0.97, 0.48},
                                  {0.995, 0.45},
                                  {1.0, 0.4}});
  SmoothPath(cr, b, body);
  FillShaded(cr, b, look.body);
  Outline(cr, b, look.body);
  Polygon(cr, b, {{0.16, 0.1}, {0.84, 0.1}, {0.9, 0.2}, {0.1, 0.2}});
  Glass(cr, b, 0.1, 0.2, false);
  // Roof panel with stiffening ribs.
  RoundedRect(cr, b.X(0.1), b.Y(0.22), b.w * 0.8, b.h * 0.74, b.w * 0.08);
  cairo_pattern_t* roof = BodyShade(b, Mix(look.body, Hex(0xFFFFFF), 0.15));
  cairo_set_source(cr, roof);
  cairo_fill(cr);
  cairo_pattern_destroy(roof);
  cairo_set_line_width(cr, std::max(0.8, b.h / 110));
  for (int i = 1; i < 7; ++i) {
    double v = 0.22 + i * 0.74 / 7;
    SetColor(cr, Scale(look.body, 0.6), 0.8);
    cairo_move_to(cr, b.X(0.14), b.Y(v));
    cairo_line_to(cr, b.X(0.86), b.Y(v));
    cairo_stroke(cr);
  }
  SetColor(cr, Scale(look.body, 0.7));
  cairo_arc(cr, b.X(0.05), b.Y(0.16), b.w * 0.055, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, b.X(0.95), b.Y(0.16), b.w * 0.055, 0, 2 * M_PI);
  cairo_fill(cr);
  Lights(cr, b, 0.012, 0.968, 0.12);
}

void Pickup(cairo_t* cr, const Box& b, const CarLook& look) {
  Wheels(cr, b, 0.12, 0.74, 0.13, 0.13);
  std::vector<Pt> body = Profile({{0.0, 0.35},
                                  {0.02, 0.44},
                                  {0.08, 0.47},
                                  {0.5, 0.47},
                                  {0.97, 0.47},
                                  {0.995, 0.45},
                                  {1.0, 0.4}});
  SmoothPath(cr, b, body);
  FillShaded(cr, b, look.body);
  Outline(cr, b, look.body);
  Polygon(cr, b, {{0.2, 0.24}, {0.8, 0.24}, {0.87, 0.34}, {0.13, 0.34}});
  Glass(cr, b, 0.24, 0.34, false);
  Polygon(cr, b, {{0.13, 0.34}, {0.87, 0.34}, {0.87, 0.5}, {0.13, 0.5}});
  cairo_pattern_t* roof = BodyShade(b, Mix(look.body, Hex(0xFFFFFF), 0.15));
  cairo_set_source(cr, roof);
  cairo_fill(cr);
  cairo_pattern_destroy(roof);
  Polygon(cr, b, {{0.15, 0.5}, {0.85, 0.5}, {0.85, 0.54}, {0.15, 0.54}});
  Glass(cr, b, 0.5, 0.54, true);
  // Load bed: dark floor with ribs between the side rails.
  RoundedRect(cr, b.X(0.13), b.Y(0.57), b.w * 0.74, b.h * 0.39, b.w * 0.04);
  SetColor(cr, Hex(0x2A2C2E));
  cairo_fill(cr);
  cairo_set_line_width(cr, std::max(0.8, b.w / 40));
  SetColor(cr, Hex(0x46484C));
  for (double u : {0.3, 0.5, 0.7}) {
    cairo_move_to(cr, b.X(u), b.Y(0.59));
    cairo_line_to(cr, b.X(u), b.Y(0.94));
  }
  cairo_stroke(cr);
  Lights(cr, b, 0.012, 0.966, 0.13);
}

void Lorry(cairo_t* cr, const Box& b, const CarLook& look) {
  Wheels(cr, b, 0.08, 0.62, 0.1, 0.1);
  Wheels(cr, b, 0.76, 0.86, 0.09, 0.1);
  // Cab.
  Box cab{b.x + b.w * 0.04, b.y, b.w * 0.92, b.h * 0.27};
  RoundedRect(cr, cab.x, cab.y, cab.w, cab.h, cab.w * 0.16);
  FillShaded(cr, cab, look.accent);
  Outline(cr, cab, look.accent);
  Polygon(cr, cab, {{0.1, 0.12}, {0.9, 0.12}, {0.94, 0.36}, {0.06, 0.36}});
  Glass(cr, cab, 0.12, 0.36, false);
  RoundedRect(cr, cab.X(0.12), cab.Y(0.45), cab.w * 0.76, cab.h * 0.45, cab.w * 0.06);
  SetColor(cr, Mix(look.accent, Hex(0xFFFFFF), 0.15));
  cairo_fill(cr);
  SetColor(cr, Hex(0xFFF6C8));
  RoundedRect(cr, cab.X(0.08), cab.Y(0.01), cab.w * 0.18, cab.h * 0.07, 1);
  RoundedRect(cr, cab.X(0.74), cab.Y(0.01), cab.w * 0.18, cab.h * 0.07, 1);
  cairo_fill(cr);
  // Hitch.
  SetColor(cr, Hex(0x303236));
  cairo_rectangle(cr, b.X(0.42), b.Y(0.26), b.w * 0.16, b.h * 0.04);
  cairo_fill(cr);
  // Box trailer with ribs.
  Box box{b.x, b.y + b.h * 0.29, b.w, b.h * 0.71};
  RoundedRect(cr, box.x, box.y, box.w, box.h, b.w * 0.05);
  FillShaded(cr, box, look.cargo);
  Outline(cr, box, look.cargo);
  cairo_set_line_width(cr, std::max(0.8, b.h / 140));
  for (int i = 1; i < 10; ++i) {
    double v = i / 10.0;
    SetColor(cr, Scale(look.cargo, 0.7));
    cairo_move_to(cr, box.X(0.05), box.Y(v));
    cairo_line_to(cr, box.X(0.95), box.Y(v));
    cairo_stroke(cr);
  }
  SetColor(cr, Hex(0xE02828));
  cairo_rectangle(cr, box.X(0.06), box.Y(0.975), box.w * 0.14, box.h * 0.02);
  cairo_rectangle(cr, box.X(0.8), box.Y(0.975), box.w * 0.14, box.h * 0.02);
  cairo_fill(cr);
}

}  // namespace

void DrawVehicle(cairo_t* cr, const CarLook& look, double x, double y, double w, double h) {
  cairo_save(cr);
  cairo_new_path(cr);
  const Box b{x, y, w, h};
  switch (look.kind) {
    case BodyKind::kSports:
      Sports(cr, b, look, true);
      break;
    case BodyKind::kCoupe:
      Sports(cr, b, look, false);
      break;
    case BodyKind::kSedan:
      Sedan(cr, b, look, 0.66, 0.76);
      break;
    case BodyKind::kHatchback:
      Sedan(cr, b, look, 0.8, 0.92);
      break;
    case BodyKind::kVan:
      Van(cr, b, look);
      break;
    case BodyKind::kPickup:
      Pickup(cr, b, look);
      break;
    case BodyKind::kLorry:
      Lorry(cr, b, look);
      break;
  }
  cairo_restore(cr);
}

CarLook CarLookFor(int model) {
  switch (model) {
    case 1:
      return CarLook{BodyKind::kSports, Hex(0xD42020), Hex(0xF4F4F4), true};
    case 2:
      return CarLook{BodyKind::kSports, Hex(0x2058D8), Hex(0xF4F4F4), true};
    case 3:
      return CarLook{BodyKind::kSports, Hex(0xF0C418), Hex(0x202020), true};
    case 4:
      return CarLook{BodyKind::kSports, Hex(0xEEF2EE), Hex(0x20A848), true};
    case 5:
      return CarLook{BodyKind::kSedan, Hex(0x8C9298), Hex(0x8C9298)};
    case 6:
      return CarLook{BodyKind::kHatchback, Hex(0xE8E8E2), Hex(0xE8E8E2)};
    case 7:
      return CarLook{BodyKind::kCoupe, Hex(0xF08020), Hex(0xF08020)};
    case 8:
      return CarLook{BodyKind::kVan, Hex(0x6A7C92), Hex(0x6A7C92)};
    case 9:
      return CarLook{BodyKind::kPickup, Hex(0x2C6038), Hex(0x2C6038)};
    default:
      return CarLook{BodyKind::kLorry, Hex(0x9098A0), Hex(0xC02020), false, Hex(0x9AA0A8)};
  }
}

}  // namespace brakkon::bake
