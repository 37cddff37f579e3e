// Things on and beside the road: obstacles, bonus tokens, signs, side walls and
// the finish line.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "race_parts.h"
#include "widgets.h"

namespace brakkon::bake {
namespace {

// A concrete barrier seen from the driver's side: lit top face, striped front.
Picture Barrier(const char* name, int w, int h) {
  Canvas c(w, h);
  cairo_t* cr = c.Cr();
  const double front = h * 0.45;
  RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
  SetColor(cr, Hex(0x2A2A2C));
  cairo_fill(cr);
  RoundedRect(cr, 1.5, 1, w - 3, front, 2.5);
  cairo_pattern_t* top = cairo_pattern_create_linear(0, 1, 0, front);
  AddStop(top, 0, Hex(0xE2E0DA));
  AddStop(top, 1, Hex(0xA8A6A0));
  cairo_set_source(cr, top);
  cairo_fill(cr);
  cairo_pattern_destroy(top);
  // Hazard stripes on the front face.
  cairo_save(cr);
  cairo_rectangle(cr, 1.5, front + 1, w - 3, h - front - 3);
  cairo_clip(cr);
  SetColor(cr, Hex(0xF0EEE8));
  cairo_paint(cr);
  SetColor(cr, Hex(0xD22A1E));
  for (double x = -h; x < w + h; x += 14) {
    cairo_move_to(cr, x, h);
    cairo_line_to(cr, x + 7, h);
    cairo_line_to(cr, x + 7 + (h - front), front);
    cairo_line_to(cr, x + (h - front), front);
    cairo_close_path(cr);
  }
  cairo_fill(cr);
  cairo_restore(cr);
  SetColor(cr, Hex(0x5A5854));
  cairo_rectangle(cr, 1.5, front, w - 3, 1);
  cairo_fill(cr);
  // Scuffs on the top face.
  Rng rng(static_cast<std::uint64_t>(w) * 31);
  for (int i = 0; i < w / 6; ++i) {
    SetColor(cr, Hex(0x8A8880), 0.5);
    cairo_arc(cr, rng.Range(4, w - 4), rng.Range(3, front - 2), rng.Range(0.6, 1.4), 0, 2 * M_PI);
    cairo_fill(cr);
  }
  return KeyedPicture(name, c, kAsphalt);
}

Picture Spikes() {
  Canvas c(100, 18);
  cairo_t* cr = c.Cr();
  RoundedRect(cr, 0.5, 3, 99, 14.5, 3);
  SetColor(cr, Hex(0x2E2E34));
  cairo_fill(cr);
  SetColor(cr, Hex(0xE0B020));
  cairo_rectangle(cr, 2, 15, 96, 2);
  cairo_fill(cr);
  for (int i = 0; i < 12; ++i) {
    double x = 2.5 + i * 8;
    cairo_move_to(cr, x, 15);
    cairo_line_to(cr, x + 4, 0.5);
    cairo_line_to(cr, x + 8, 15);
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(x, 0, x + 8, 0);
    AddStop(g, 0, Hex(0xF0F4F8));
    AddStop(g, 0.5, Hex(0xA8B0BA));
    AddStop(g, 1, Hex(0x505860));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
  }
  return KeyedPicture("Spike10", c, kAsphalt);
}

// A lumpy closed outline around a centre, radii varied by a seeded noise.
void Lump(cairo_t* cr, double cx, double cy, double rx, double ry, int points, double jitter,
          std::uint64_t seed) {
  Rng rng(seed);
  std::vector<double> r(static_cast<std::size_t>(points));
  for (double& v : r) v = 1 + rng.Range(-jitter, jitter);
  cairo_new_path(cr);
  for (int i = 0; i <= points; ++i) {
    int a = i % points, b = (i + 1) % points;
    double ang = 2 * M_PI * a / points, ang2 = 2 * M_PI * b / points;
    double x1 = cx + rx * r[a] * std::cos(ang), y1 = cy + ry * r[a] * std::sin(ang);
    double x2 = cx + rx * r[b] * std::cos(ang2), y2 = cy + ry * r[b] * std::sin(ang2);
    if (i == 0) {
      cairo_move_to(cr, (x1 + x2) / 2, (y1 + y2) / 2);
      continue;
    }
    double xm = (x1 + x2) / 2, ym = (y1 + y2) / 2;
    cairo_curve_to(cr, x1, y1, x1, y1, xm, ym);
  }
  cairo_close_path(cr);
}

Picture Puddle(const char* name, int w, int h, std::uint64_t seed) {
  Canvas c(w * 2, h);
  cairo_t* cr = c.Cr();
  for (int k = 0; k < 2; ++k) {
    CellScope cell(cr, k, w, h);
    Lump(cr, w / 2.0, h / 2.0, w / 2.0 - 0.5, h / 2.0 - 0.5, 12, 0.08, seed);
    cairo_pattern_t* g =
        cairo_pattern_create_radial(w * 0.4, h * 0.4, 2, w / 2.0, h / 2.0, w / 2.0);
    AddStop(g, 0, Hex(0x3C78C0));
    AddStop(g, 0.7, Hex(0x2A5A9A));
    AddStop(g, 1, Hex(0x1E3C6A));
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_line_width(cr, 1.5);
    SetColor(cr, Hex(0x6AA0DA), 0.8);
    cairo_stroke(cr);
    // Reflections drift between the two frames.
    Rng rng(seed + 7);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    int streaks = w > 60 ? 7 : 4;
    for (int i = 0; i < streaks; ++i) {
      double x = rng.Range(0.2, 0.7) * w + k * w * 0.06, y = rng.Range(0.2, 0.8) * h;
      double len = rng.Range(0.12, 0.25) * w;
      cairo_set_line_width(cr, rng.Range(1.2, 2.2));
      SetColor(cr, Hex(0xA8D4FF), 0.85);
      cairo_move_to(cr, x, y);
      cairo_line_to(cr, x + len, y - len * 0.15);
      cairo_stroke(cr);
    }
    SetColor(cr, Hex(0xFFFFFF));
    cairo_arc(cr, w * (k == 0 ? 0.3 : 0.62), h * (k == 0 ? 0.35 : 0.6), 1.6, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  return KeyedPicture(name, c, kAsphalt, w, h);
}

Picture Boulder(const char* name, int w, int h, std::uint64_t seed) {
  Canvas c(w, h);
  cairo_t* cr = c.Cr();
  // Ground shadow.
  cairo_save(cr);
  cairo_translate(cr, w * 0.55, h * 0.62);
  cairo_scale(cr, w * 0.45, h * 0.36);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  SetColor(cr, Hex(0x202224), 0.75);
  cairo_fill(cr);
  Lump(cr, w * 0.48, h * 0.47, w * 0.46, h * 0.45, 9, 0.16, seed);
  cairo_pattern_t* g = cairo_pattern_create_radial(w * 0.35, h * 0.3, 1, w * 0.5, h * 0.5, w * 0.6);
  AddStop(g, 0, Hex(0xC4C0B6));
  AddStop(g, 0.5, Hex(0x8C8880));
  AddStop(g, 1, Hex(0x4C4A46));
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  cairo_set_line_width(cr, 1);
  SetColor(cr, Hex(0x36342F));
  cairo_stroke(cr);
  // Cracks and facets.
  Rng rng(seed + 3);
  cairo_set_line_width(cr, 1);
  for (int i = 0; i < 3; ++i) {
    double x = rng.Range(0.3, 0.7) * w, y = rng.Range(0.3, 0.7) * h;
    SetColor(cr, Hex(0x4E4B46), 0.9);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + rng.Range(-0.25, 0.25) * w, y + rng.Range(-0.2, 0.3) * h);
    cairo_stroke(cr);
  }
  SetColor(cr, Hex(0xE4E0D6), 0.7);
  cairo_arc(cr, w * 0.32, h * 0.27, w * 0.07, 0, 2 * M_PI);
  cairo_fill(cr);
  return KeyedPicture(name, c, kAsphalt);
}

Picture Crack() {
  Canvas c(80, 36);
  cairo_t* cr = c.Cr();
  Rng rng(63);
  // Cracks first, so the pothole's broken rim sits over their roots.
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  const double ends[][2] = {{1.5, 8}, {4, 33}, {78.5, 5}, {77, 31}, {46, 1}};
  for (const auto& e : ends) {
    std::vector<std::pair<double, double>> pts = {{40, 18}};
    for (int s = 1; s <= 6; ++s) {
      double t = s / 6.0;
      double jitter = s < 6 ? 1 : 0;
      pts.push_back({40 + (e[0] - 40) * t + jitter * rng.Range(-2.5, 2.5),
                     18 + (e[1] - 18) * t + jitter * rng.Range(-2, 2)});
    }
    for (int pass = 0; pass < 2; ++pass) {
      cairo_new_path(cr);
      for (std::size_t i = 0; i < pts.size(); ++i) {
        double ox = pass == 0 ? 0.8 : 0, oy = pass == 0 ? 0.8 : 0;
        if (i == 0)
          cairo_move_to(cr, pts[i].first + ox, pts[i].second + oy);
        else
          cairo_line_to(cr, pts[i].first + ox, pts[i].second + oy);
      }
      cairo_set_line_width(cr, pass == 0 ? 1.6 : 1.8);
      SetColor(cr, pass == 0 ? Hex(0x6E7176) : Hex(0x26272A));
      cairo_stroke(cr);
    }
  }
  // The pothole: a lit broken rim around a dark hole with loose grit.
  Lump(cr, 40, 18, 20, 11.5, 13, 0.22, 61);
  SetColor(cr, Hex(0x76797E));
  cairo_fill(cr);
  Lump(cr, 40.8, 18.6, 17, 9.5, 11, 0.25, 62);
  cairo_pattern_t* hole = cairo_pattern_create_linear(0, 8, 0, 29);
  AddStop(hole, 0, Hex(0x232426));
  AddStop(hole, 1, Hex(0x3C3D40));
  cairo_set_source(cr, hole);
  cairo_fill(cr);
  for (int i = 0; i < 22; ++i) {
    double a = rng.Range(0, 2 * M_PI), d = std::sqrt(rng.Uniform());
    double x = 41 + std::cos(a) * d * 14, y = 19 + std::sin(a) * d * 7;
    SetColor(cr, rng.Uniform() < 0.5 ? Hex(0x5C5A56) : Hex(0x4A4846));
    cairo_rectangle(cr, x, y, rng.Range(1, 2.2), rng.Range(1, 1.8));
    cairo_fill(cr);
  }
  return KeyedPicture("Crack", c, kAsphalt);
}

// A brown rabbit from above, hopping up the screen: four poses of one hop.
Picture Rabbit() {
  const int w = 28, h = 36;
  Canvas c(w * 4, h);
  cairo_t* cr = c.Cr();
  const double stretch[4] = {0.9, 1.1, 1.2, 1.0};  // body length
  const double haunch[4] = {26, 27.5, 27, 25.5};   // haunch centre y
  const double feet[4] = {0, 3, 1.5, -1.5};        // hind feet pushed back
  const double earTilt[4] = {0.18, 0.3, 0.36, 0.12};
  const Rgb fur = Hex(0xA47444), shade = Hex(0x6E4A28), light = Hex(0xD2A672);
  auto ellipse = [&](double x, double y, double rx, double ry, double angle) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_scale(cr, rx, ry);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
  };
  auto furFill = [&](double x0, double x1) {
    cairo_pattern_t* g = cairo_pattern_create_linear(x0, 0, x1, 0);
    AddStop(g, 0, shade);
    AddStop(g, 0.4, light);
    AddStop(g, 1, shade);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
  };
  for (int k = 0; k < 4; ++k) {
    CellScope cell(cr, k, w, h);
    for (int side : {-1, 1}) {
      ellipse(14 + side * 8, haunch[k] + 3 + feet[k], 2.3, 4.8, side * 0.15);
      SetColor(cr, shade);
      cairo_fill(cr);
    }
    ellipse(14, haunch[k], 8.5, 6.5, 0);
    furFill(5, 23);
    ellipse(14, 18, 6.5, 7 * stretch[k], 0);
    furFill(7, 21);
    for (int side : {-1, 1}) {
      ellipse(14 + side * 3.2, 5.5, 2.4, 5.6, side * earTilt[k]);
      SetColor(cr, fur);
      cairo_fill(cr);
      ellipse(14 + side * 3.2, 5.8, 1.1, 4.0, side * earTilt[k]);
      SetColor(cr, Hex(0xE0A0A0));
      cairo_fill(cr);
    }
    ellipse(14, 12, 5, 4.6, 0);
    furFill(9, 19);
    SetColor(cr, Hex(0x1C140C));
    cairo_arc(cr, 10.2, 11.5, 1.0, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_arc(cr, 17.8, 11.5, 1.0, 0, 2 * M_PI);
    cairo_fill(cr);
    SetColor(cr, Hex(0xF8F4EE));
    cairo_arc(cr, 14, haunch[k] + 6.5, 2.8, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  return KeyedPicture("Rabbit", c, kAsphalt, w, h);
}

struct TokenLook {
  Rgb rimLight, rimDark, faceLight, faceDark, ink;
  int ornament;  // 0 plain, 1 notched rim, 2 + inner ring, 3 + starburst
};

void TokenBase(cairo_t* cr, const TokenLook& t) {
  const double cx = 20, cy = 20;
  cairo_arc(cr, cx, cy, 19.3, 0, 2 * M_PI);
  cairo_pattern_t* rim = cairo_pattern_create_linear(4, 4, 36, 36);
  AddStop(rim, 0, t.rimLight);
  AddStop(rim, 1, t.rimDark);
  cairo_set_source(cr, rim);
  cairo_fill(cr);
  cairo_pattern_destroy(rim);
  cairo_arc(cr, cx, cy, 15.2, 0, 2 * M_PI);
  cairo_pattern_t* face = cairo_pattern_create_radial(cx - 4, cy - 5, 1, cx, cy, 16);
  AddStop(face, 0, Mix(t.faceLight, Hex(0xFFFFFF), 0.3));
  AddStop(face, 0.6, t.faceLight);
  AddStop(face, 1, t.faceDark);
  cairo_set_source(cr, face);
  cairo_fill(cr);
  cairo_pattern_destroy(face);
  if (t.ornament >= 1) {
    for (int i = 0; i < 16; ++i) {
      double a = i * M_PI / 8;
      cairo_arc(cr, cx + 17.3 * std::cos(a), cy + 17.3 * std::sin(a), 1.0, 0, 2 * M_PI);
      SetColor(cr, Mix(t.rimLight, Hex(0xFFFFFF), 0.5));
      cairo_fill(cr);
    }
  }
  if (t.ornament >= 2) {
    cairo_set_line_width(cr, 1);
    SetColor(cr, t.faceDark);
    cairo_arc(cr, cx, cy, 13.2, 0, 2 * M_PI);
    cairo_stroke(cr);
  }
  if (t.ornament >= 3) {
    for (int i = 0; i < 12; ++i) {
      double a = i * M_PI / 6;
      SetColor(cr, Mix(t.faceLight, Hex(0xFFFFFF), 0.35), 0.8);
      cairo_move_to(cr, cx + 13 * std::cos(a - 0.1), cy + 13 * std::sin(a - 0.1));
      cairo_line_to(cr, cx + 9 * std::cos(a), cy + 9 * std::sin(a));
      cairo_line_to(cr, cx + 13 * std::cos(a + 0.1), cy + 13 * std::sin(a + 0.1));
      cairo_close_path(cr);
      cairo_fill(cr);
    }
  }
}

// Frame k: a bright band sweeps across the token; a sparkle on the third frame.
void TokenGlint(cairo_t* cr, int k) {
  cairo_save(cr);
  cairo_arc(cr, 20, 20, 19.3, 0, 2 * M_PI);
  cairo_clip(cr);
  const double pos[4] = {-30, 4, 20, 36};
  cairo_new_path(cr);
  double x = pos[k];
  cairo_move_to(cr, x - 6, 42);
  cairo_line_to(cr, x + 2, 42);
  cairo_line_to(cr, x + 22, -2);
  cairo_line_to(cr, x + 14, -2);
  cairo_close_path(cr);
  SetColor(cr, Hex(0xFFFFFF), 0.45);
  cairo_fill(cr);
  cairo_restore(cr);
  if (k == 2) {
    cairo_new_path(cr);
    for (int i = 0; i < 8; ++i) {
      double a = i * M_PI / 4 - M_PI / 2, r = i % 2 ? 1.2 : 5;
      double px = 30 + r * std::cos(a), py = 9 + r * std::sin(a);
      if (i == 0)
        cairo_move_to(cr, px, py);
      else
        cairo_line_to(cr, px, py);
    }
    cairo_close_path(cr);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
  }
}

Picture Token(const char* name, const TokenLook& look,
              const std::function<void(cairo_t*)>& emblem) {
  Canvas c(160, 40);
  cairo_t* cr = c.Cr();
  for (int k = 0; k < 4; ++k) {
    CellScope cell(cr, k, 40, 40);
    TokenBase(cr, look);
    emblem(cr);
    TokenGlint(cr, k);
  }
  return KeyedPicture(name, c, kAsphalt, 40, 40);
}

void Number(cairo_t* cr, const char* text, Rgb ink, double size) {
  TextStyle style = FitText(cr, TextStyle{size, 0, 1.0, true}, text, 24);
  double baseline = 20 + style.size * 0.36;
  FillText(cr, style, text, 20.7, baseline + 0.8, Hex(0xFFF4C0), Align::kCenter, 0.8);
  FillText(cr, style, text, 20, baseline, ink, Align::kCenter);
}

}  // namespace

void AddRoadObjects(PictureSet& out) {
  out.push_back(Barrier("Wall05", 54, 30));
  out.push_back(Barrier("Wall10", 102, 30));
  out.push_back(Spikes());
  out.push_back(Puddle("Water10", 96, 64, 71));
  out.push_back(Puddle("Water05", 44, 40, 72));
  out.push_back(Boulder("Stone05", 46, 40, 81));
  out.push_back(Boulder("StoneSmall05", 30, 26, 82));
  out.push_back(Crack());
  out.push_back(Rabbit());
}

void AddBonuses(PictureSet& out) {
  const Rgb brown = Hex(0x5A300A);
  const TokenLook gold[4] = {
      {Hex(0xFFE27A), Hex(0x9A6210), Hex(0xFFD24A), Hex(0xC8881C), brown, 0},
      {Hex(0xFFE27A), Hex(0x9A6210), Hex(0xFFD24A), Hex(0xC8881C), brown, 1},
      {Hex(0xFFE27A), Hex(0x9A6210), Hex(0xFFD24A), Hex(0xC8881C), brown, 2},
      {Hex(0xFFF0A0), Hex(0xB06A10), Hex(0xFFC83A), Hex(0xD07A10), Hex(0x6A1A08), 3},
  };
  const char* names[4] = {"Bonus10", "Bonus20", "Bonus50", "Bonus100"};
  const char* values[4] = {"10", "20", "50", "100"};
  for (int i = 0; i < 4; ++i) {
    const char* v = values[i];
    Rgb ink = gold[i].ink;
    out.push_back(Token(names[i], gold[i], [v, ink](cairo_t* cr) { Number(cr, v, ink, 19); }));
  }
  out.push_back(Token(
      "BonusGun", {Hex(0x8AF0A0), Hex(0x186A2A), Hex(0x3CB45A), Hex(0x1A6A2E), Hex(0xFFFFFF), 1},
      [](cairo_t* cr) {
        cairo_save(cr);
        cairo_translate(cr, 8.5, 12);
        cairo_scale(cr, 0.6, 0.6);
        cairo_new_path(cr);
        RoundedRect(cr, 14, 6, 24, 4, 1.5);
        RoundedRect(cr, 4, 4, 16, 12, 2);
        cairo_move_to(cr, 9, 15);
        cairo_line_to(cr, 15, 15);
        cairo_line_to(cr, 13, 24);
        cairo_line_to(cr, 8, 24);
        cairo_close_path(cr);
        cairo_restore(cr);
        SetColor(cr, Hex(0xF4F8F4));
        cairo_fill(cr);
      }));
  out.push_back(Token(
      "BonusTurbo", {Hex(0x9AC8FF), Hex(0x143C8A), Hex(0x3C78DC), Hex(0x1A3C8A), Hex(0xFFFFFF), 1},
      [](cairo_t* cr) {
        cairo_new_path(cr);
        cairo_move_to(cr, 20, 7);
        cairo_curve_to(cr, 27, 14, 28, 20, 26, 25);
        cairo_curve_to(cr, 25, 30, 22, 33, 20, 33);
        cairo_curve_to(cr, 17, 33, 13, 30, 13, 25);
        cairo_curve_to(cr, 13, 20, 16, 17, 17, 13);
        cairo_curve_to(cr, 19, 16, 19, 18, 21, 19);
        cairo_curve_to(cr, 21, 15, 21, 11, 20, 7);
        cairo_close_path(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 33, 0, 7);
        AddStop(g, 0, Hex(0xFFF6C0));
        AddStop(g, 0.4, Hex(0xFFC830));
        AddStop(g, 1, Hex(0xFF5A10));
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
      }));
  out.push_back(Token(
      "BonusLive", {Hex(0xFF9A9A), Hex(0x8A1010), Hex(0xE03A3A), Hex(0x8A1818), Hex(0xFFFFFF), 1},
      [](cairo_t* cr) {
        cairo_new_path(cr);
        cairo_move_to(cr, 20, 31);
        cairo_curve_to(cr, 8, 22, 8, 12, 14.5, 11);
        cairo_curve_to(cr, 17.5, 10.5, 19.5, 12.5, 20, 15);
        cairo_curve_to(cr, 20.5, 12.5, 22.5, 10.5, 25.5, 11);
        cairo_curve_to(cr, 32, 12, 32, 22, 20, 31);
        cairo_close_path(cr);
        SetColor(cr, Hex(0xFFF0F0));
        cairo_fill(cr);
        FillText(cr, TextStyle{7.5, 0, 1, true}, "1UP", 20, 22.5, Hex(0xC01818), Align::kCenter);
      }));
}

void AddRoadside(PictureSet& out) {
  auto sign = [](const char* name, bool red, bool mirror) {
    Canvas c(26, 44);
    cairo_t* cr = c.Cr();
    if (mirror) {
      cairo_translate(cr, 26, 0);
      cairo_scale(cr, -1, 1);
    }
    // Post with its shadow falling to the lower right.
    SetColor(cr, Hex(0x1E2A18), 0.7);
    cairo_move_to(cr, 12, 41);
    cairo_line_to(cr, 25, 35);
    cairo_line_to(cr, 25, 38);
    cairo_line_to(cr, 14, 44);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_pattern_t* post = cairo_pattern_create_linear(11, 0, 15, 0);
    AddStop(post, 0, Hex(0x6A727C));
    AddStop(post, 0.5, Hex(0xD0D6DE));
    AddStop(post, 1, Hex(0x5A626C));
    cairo_rectangle(cr, 11, 20, 4, 24);
    cairo_set_source(cr, post);
    cairo_fill(cr);
    cairo_pattern_destroy(post);
    if (red) {
      cairo_move_to(cr, 13, 1);
      cairo_line_to(cr, 25.5, 23);
      cairo_line_to(cr, 0.5, 23);
      cairo_close_path(cr);
      SetColor(cr, Hex(0xD82020));
      cairo_fill(cr);
      cairo_move_to(cr, 13, 6.5);
      cairo_line_to(cr, 21.5, 20.5);
      cairo_line_to(cr, 4.5, 20.5);
      cairo_close_path(cr);
      SetColor(cr, Hex(0xF8F4EC));
      cairo_fill(cr);
      SetColor(cr, Hex(0x242424));
      cairo_rectangle(cr, 12, 10, 2, 6);
      cairo_rectangle(cr, 12, 17, 2, 2);
      cairo_fill(cr);
    } else {
      RoundedRect(cr, 1, 1, 24, 22, 3);
      SetColor(cr, Hex(0xF0F4F8));
      cairo_fill(cr);
      RoundedRect(cr, 2.5, 2.5, 21, 19, 2);
      SetColor(cr, Hex(0x1E5ACC));
      cairo_fill(cr);
      SetColor(cr, Hex(0xFFFFFF));
      cairo_arc(cr, 13, 7, 1.8, 0, 2 * M_PI);
      cairo_fill(cr);
      cairo_rectangle(cr, 11.5, 10, 3, 9);
      cairo_fill(cr);
    }
    return KeyedPicture(name, c, kGrass);
  };
  out.push_back(sign("SignLeftBlue", false, false));
  out.push_back(sign("SignLeftRed", true, false));
  out.push_back(sign("SignRightBlue", false, true));
  out.push_back(sign("SignRightRed", true, true));

  auto wall = [](const char* name, bool reflectorsRight) {
    Canvas c(26, 160);
    cairo_t* cr = c.Cr();
    RoundedRect(cr, 0.5, 0.5, 25, 159, 3);
    SetColor(cr, Hex(0x3A3A3C));
    cairo_fill(cr);
    RoundedRect(cr, 3, 1, 20, 158, 2.5);
    cairo_pattern_t* g = cairo_pattern_create_linear(3, 0, 23, 0);
    AddStop(g, 0, Hex(0x8A8882));
    AddStop(g, 0.45, Hex(0xDAD8D2));
    AddStop(g, 1, Hex(0x7A7872));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    for (int i = 1; i < 4; ++i) {
      SetColor(cr, Hex(0x4A4844));
      cairo_rectangle(cr, 1, i * 40 - 1, 24, 2);
      cairo_fill(cr);
    }
    for (int i = 0; i < 4; ++i) {
      double y = i * 40 + 16;
      double x = reflectorsRight ? 20 : 2;
      RoundedRect(cr, x, y, 4, 8, 1);
      SetColor(cr, Hex(0xFFB400));
      cairo_fill(cr);
      SetColor(cr, Hex(0xFFF0A0));
      cairo_rectangle(cr, x + 1, y + 1, 2, 2);
      cairo_fill(cr);
    }
    return KeyedPicture(name, c, kGrass);
  };
  out.push_back(wall("WallLeft", true));
  out.push_back(wall("WallRight", false));

  Canvas c(332, 24);
  cairo_t* cr = c.Cr();
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col * 12 < 332; ++col) {
      SetColor(cr, (row + col) % 2 ? Hex(0x303030) : Hex(0xF0F0F0));
      cairo_rectangle(cr, col * 12, row * 12, 12, 12);
      cairo_fill(cr);
    }
  }
  out.push_back(KeyedPicture("FinishLine", c, kAsphalt));
}

}  // namespace brakkon::bake
