// The race archive: road tile, side panels with the speedometer, head-up icons,
// explosions, messages, the cars and what rides on them.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "art.h"
#include "canvas.h"
#include "race_parts.h"
#include "vehicles.h"
#include "widgets.h"

namespace brakkon::bake {
namespace {

constexpr int kTileWidth = 676;
constexpr int kTileHeight = 512;

double Hash01(int x, int y, std::uint32_t seed) {
  std::uint64_t h = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) ^
                    static_cast<std::uint32_t>(y) ^ (static_cast<std::uint64_t>(seed) << 48);
  Rng rng(h);
  return rng.Uniform();
}

Rgb GrassAt(int x, int y) {
  double broad = TileFbm(x, y, 64, 4, 1024, kTileHeight, 3);
  double tuft = TileFbm(x, y, 8, 2, 1024, kTileHeight, 4);
  double blade = Hash01(x, y & (kTileHeight - 1), 5);
  Rgb base = Mix(Hex(0x24481C), Hex(0x3A6A2A), broad);
  base = Mix(base, Hex(0x1C3A16), std::max(0.0, 0.5 - tuft) * 0.8);
  return Scale(base, 0.88 + 0.24 * blade);
}

Rgb GravelAt(int x, int y) {
  double patch = TileFbm(x, y, 32, 3, 1024, kTileHeight, 7);
  double speck = Hash01(x, y, 8);
  Rgb c = Mix(Hex(0x4A463E), Hex(0x5E584C), patch);
  if (speck > 0.95) c = Mix(c, Hex(0x8A8476), 0.5);
  if (speck < 0.05) c = Scale(c, 0.8);
  // Worn tyre tracks along the verge.
  for (double track : {82.0, 126.0}) {
    double d = std::fabs(x - track - 3 * (TileNoise(0, y, 32, 1024, kTileHeight, 9) - 0.5));
    if (d < 7) c = Scale(c, 0.88 + 0.12 * d / 7);
  }
  return Scale(c, 0.95 + 0.1 * Hash01(x, y, 10));
}

Rgb AsphaltAt(int x, int y) {
  double patch = TileFbm(x, y, 64, 4, 1024, kTileHeight, 11);
  double grain = Hash01(x, y, 12);
  Rgb c = Scale(kAsphalt, 0.9 + 0.18 * patch);
  c = Scale(c, 0.94 + 0.12 * grain);
  if (grain > 0.985) c = Mix(c, Hex(0x8C9096), 0.5);
  // Darker oil lines down the middle of each lane.
  for (double lane : {213.0, 323.0, 434.0}) {
    double d = std::fabs(x - lane);
    double oil = TileFbm(x, y, 16, 2, 1024, kTileHeight, 13);
    if (d < 14) c = Scale(c, 1 - 0.10 * (1 - d / 14) * (0.5 + oil));
  }
  // Tar seams: thin dark lines across the road at a few fixed heights.
  for (int seam : {37, 201, 390}) {
    int dy = std::abs(y - seam - static_cast<int>(3 * std::sin(x * 0.05 + seam)));
    if (dy == 0) c = Scale(c, 0.88);
  }
  return c;
}

Rgb PaintAt(Rgb under, int x, int y) {
  double wear = TileFbm(x, y, 8, 2, 1024, kTileHeight, 14);
  return Mix(Hex(0xE6E6DC), under, wear > 0.72 ? 0.45 : 0.04 * Hash01(x, y, 15));
}

Picture GroundLeft() {
  Canvas c(kTileWidth, kTileHeight);
  c.Flush();
  for (int y = 0; y < kTileHeight; ++y) {
    double edgeLeft = 46 + 3 * (TileNoise(0, y, 16, 1024, kTileHeight, 16) - 0.5);
    double edgeRight = 491 + 3 * (TileNoise(0, y, 16, 1024, kTileHeight, 17) - 0.5);
    for (int x = 0; x < kTileWidth; ++x) {
      Rgb px;
      if (x >= 555) {
        // Under the right panel; only column 675 shows, as the panel's outer rim.
        px = x >= 672 ? Hex(0x1A1E24) : Hex(0x2A3038);
      } else if (x < edgeLeft || (x >= 491 && x >= edgeRight)) {
        px = GrassAt(x, y);
        // Shade the grass next to the verge and the road edge.
        double d = x < 100 ? edgeLeft - x : x - edgeRight;
        if (d < 5) px = Scale(px, 0.8 + 0.04 * d);
      } else if (x < 159 || x >= 491) {
        px = x < 159 ? GravelAt(x, y) : GrassAt(x, y);
        if (x >= 155 && x < 159) px = Scale(px, 0.8);
      } else {
        px = AsphaltAt(x, y);
        bool edgeLine = (x >= 159 && x <= 162) || (x >= 487 && x <= 490);
        bool dash = ((x >= 266 && x <= 269) || (x >= 376 && x <= 379)) && (y % 64) < 40;
        if (edgeLine || dash) px = PaintAt(px, x, y);
      }
      PutPixel(c, x, y, px);
    }
  }
  c.MarkDirty();
  return OpaquePicture("GroundLeft", c);
}

void PanelLabel(cairo_t* cr, const char* text, double cx, double top) {
  TextStyle style{13, 0, 1.05, true};
  FillText(cr, style, text, cx + 1, top + 11, Hex(0x0C1014), Align::kCenter);
  FillText(cr, style, text, cx, top + 10, Hex(0xC8D2DE), Align::kCenter);
}

void Logo(cairo_t* cr, double cx, double baseline, double size) {
  TitleLook look{Hex(0xFFE08A), Hex(0xFF7A10), Hex(0x201008), 1.2, 1.5};
  Title(cr, TextStyle{size, 0.22, 1.0, true}, "BRAKKON", cx, baseline, Align::kCenter, look);
}

Picture LeftPanel() {
  Canvas c(124, 600);
  cairo_t* cr = c.Cr();
  BrushedSteel(c, 0, 0, 124, 600, kPanelSteel, 21);
  // Bevelled edge against the road.
  SetColor(cr, Hex(0x6A7684));
  cairo_rectangle(cr, 117, 0, 1, 600);
  cairo_fill(cr);
  SetColor(cr, Hex(0x12161A));
  cairo_rectangle(cr, 119, 0, 5, 600);
  cairo_fill(cr);
  SetColor(cr, kOrange);
  cairo_rectangle(cr, 118, 0, 1, 600);
  cairo_fill(cr);

  Logo(cr, 60, 36, 22);
  SetColor(cr, kOrange);
  cairo_rectangle(cr, 14, 44, 92, 2);
  cairo_fill(cr);

  const struct {
    const char* label;
    int fieldY;
  } fields[] = {{"LEVEL", 90}, {"SCORE", 180}, {"TIME", 270}, {"LIVES", 360}};
  for (const auto& f : fields) {
    PanelLabel(cr, f.label, 62, f.fieldY - 26);
    Well(cr, 10, f.fieldY - 6, 104, 30, 4, kHudField);
  }
  // Lower half: vent grille and rivets.
  for (int i = 0; i < 7; ++i) {
    double y = 430 + i * 18;
    Well(cr, 22, y, 76, 7, 3.5, Hex(0x0E1216));
  }
  for (double x : {9.0, 109.0}) {
    for (double y : {9.0, 410.0, 590.0}) Rivet(cr, x, y, 3.2);
  }
  return OpaquePicture("LeftPanel", c);
}

// Bearing (clockwise from 12 o'clock) of speed v on the dial.
double DialBearing(double v) {
  return (208.6 + 1.0045 * v) * M_PI / 180.0;
}

void Speedometer(cairo_t* cr, double cx, double cy) {
  // Chrome bezel and dark face.
  cairo_pattern_t* bezel = cairo_pattern_create_linear(cx - 50, cy - 50, cx + 50, cy + 50);
  AddStop(bezel, 0, Hex(0xD8DEE6));
  AddStop(bezel, 0.5, Hex(0x5A6470));
  AddStop(bezel, 1, Hex(0xAAB4C0));
  cairo_arc(cr, cx, cy, 50, 0, 2 * M_PI);
  cairo_set_source(cr, bezel);
  cairo_fill(cr);
  cairo_pattern_destroy(bezel);
  cairo_pattern_t* face = cairo_pattern_create_radial(cx, cy - 10, 4, cx, cy, 46);
  AddStop(face, 0, Hex(0x2C3440));
  AddStop(face, 1, Hex(0x10141A));
  cairo_arc(cr, cx, cy, 46, 0, 2 * M_PI);
  cairo_set_source(cr, face);
  cairo_fill(cr);
  cairo_pattern_destroy(face);

  // Red zone 250..300.
  cairo_set_line_width(cr, 5);
  SetColor(cr, Hex(0xE02820));
  cairo_arc(cr, cx, cy, 40.5, DialBearing(250) - M_PI / 2, DialBearing(300) - M_PI / 2);
  cairo_stroke(cr);

  for (int v = 0; v <= 300; v += 10) {
    double a = DialBearing(v);
    double sx = std::sin(a), sy = -std::cos(a);
    bool major = v % 50 == 0;
    double r0 = major ? 35 : 38.5, r1 = 43.5;
    cairo_set_line_width(cr, major ? 2.2 : 1.1);
    SetColor(cr, v >= 250 ? Hex(0xFFD0C8) : Hex(0xE8EEF4));
    cairo_move_to(cr, cx + sx * r0, cy + sy * r0);
    cairo_line_to(cr, cx + sx * r1, cy + sy * r1);
    cairo_stroke(cr);
    if (major) {
      std::string label = std::to_string(v);
      TextStyle style{9.5, 0, 0.9, true};
      double lx = cx + sx * 26, ly = cy + sy * 26 + 3.4;
      FillText(cr, style, label, lx, ly, v >= 250 ? Hex(0xFF6A50) : Hex(0xD8E0EA), Align::kCenter);
    }
  }
  // Hub behind the needle's own.
  cairo_arc(cr, cx, cy, 5, 0, 2 * M_PI);
  SetColor(cr, Hex(0x3A424C));
  cairo_fill(cr);
}

Picture RightPanel() {
  Canvas c(120, 600);
  cairo_t* cr = c.Cr();
  BrushedSteel(c, 0, 0, 120, 600, kPanelSteel, 22);
  SetColor(cr, Hex(0x12161A));
  cairo_rectangle(cr, 0, 0, 4, 600);
  cairo_fill(cr);
  SetColor(cr, kOrange);
  cairo_rectangle(cr, 4, 0, 1, 600);
  cairo_fill(cr);
  SetColor(cr, Hex(0x6A7684));
  cairo_rectangle(cr, 6, 0, 1, 600);
  cairo_fill(cr);
  SetColor(cr, Hex(0x1A1E24));
  cairo_rectangle(cr, 118, 0, 2, 600);
  cairo_fill(cr);

  // Progress track on screen x 734 (local 55) from y 41 to 346.
  const double tx = 55;
  PanelLabel(cr, "FINISH", 59, 10);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 6; ++col) {
      SetColor(cr, (row + col) % 2 ? Hex(0x303030) : Hex(0xF0F0F0));
      cairo_rectangle(cr, tx - 12 + col * 4, 28 + row * 4, 4, 4);
      cairo_fill(cr);
    }
  }
  Well(cr, tx - 3, 41, 6, 305, 3, Hex(0x0A0C10));
  cairo_set_line_width(cr, 1);
  for (int i = 0; i <= 10; ++i) {
    double y = 41 + i * 30.5;
    SetColor(cr, i % 5 == 0 ? Hex(0xFFB030) : Hex(0x8894A2));
    double len = i % 5 == 0 ? 9 : 5;
    cairo_move_to(cr, tx - 6 - len, std::round(y) + 0.5);
    cairo_line_to(cr, tx - 6, std::round(y) + 0.5);
    cairo_move_to(cr, tx + 6, std::round(y) + 0.5);
    cairo_line_to(cr, tx + 6 + len, std::round(y) + 0.5);
    cairo_stroke(cr);
  }
  SetColor(cr, Hex(0x30C060));
  cairo_rectangle(cr, tx - 12, 345, 24, 3);
  cairo_fill(cr);
  PanelLabel(cr, "START", 59, 352);

  // Bonus box: screen 686..794 x 422..458.
  PanelLabel(cr, "BONUS", 61, 403);
  Well(cr, 7, 422, 108, 36, 4, kHudField);

  Speedometer(cr, 57, 537);
  for (double y : {9.0, 380.0}) {
    Rivet(cr, 14, y, 3);
    Rivet(cr, 106, y, 3);
  }
  return OpaquePicture("RightPanel", c);
}

// Needle from a hub on (20, 4) to the tip on (2, 37): 7 o'clock unrotated.
Picture Pointer() {
  Canvas c(23, 39);
  cairo_t* cr = c.Cr();
  const double hx = 20.5, hy = 4.5, tx = 2.5, ty = 37.5;
  double dx = tx - hx, dy = ty - hy, len = std::hypot(dx, dy);
  double nx = -dy / len, ny = dx / len;  // across the needle
  cairo_move_to(cr, hx + nx * 2.6, hy + ny * 2.6);
  cairo_line_to(cr, tx + nx * 1.6, ty + ny * 1.6);
  cairo_line_to(cr, tx - nx * 1.6, ty - ny * 1.6);
  cairo_line_to(cr, hx - nx * 2.6, hy - ny * 2.6);
  cairo_close_path(cr);
  cairo_pattern_t* g =
      cairo_pattern_create_linear(hx + nx * 3, hy + ny * 3, hx - nx * 3, hy - ny * 3);
  AddStop(g, 0, Hex(0xFF5A40));
  AddStop(g, 0.5, Hex(0xFF3A24));
  AddStop(g, 1, Hex(0xB01810));
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  cairo_arc(cr, hx, hy, 3.2, 0, 2 * M_PI);
  SetColor(cr, Hex(0xC8CED6));
  cairo_fill(cr);
  cairo_arc(cr, hx, hy, 1.3, 0, 2 * M_PI);
  SetColor(cr, Hex(0x505860));
  cairo_fill(cr);
  return KeyedPicture("Pointer", c, Hex(0x1C222A));
}

Picture CarSmall() {
  Canvas c(16, 24);
  cairo_t* cr = c.Cr();
  RoundedRect(cr, 1.5, 0.5, 13, 23, 4);
  cairo_pattern_t* g = cairo_pattern_create_linear(1, 0, 15, 0);
  AddStop(g, 0, Hex(0xB09020));
  AddStop(g, 0.4, Hex(0xFFF2A0));
  AddStop(g, 1, Hex(0xC8A020));
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  SetColor(cr, Hex(0x1C2A40));
  cairo_move_to(cr, 4, 7);
  cairo_line_to(cr, 12, 7);
  cairo_line_to(cr, 13, 11);
  cairo_line_to(cr, 3, 11);
  cairo_close_path(cr);
  cairo_fill(cr);
  SetColor(cr, Hex(0xFFFFFF));
  cairo_rectangle(cr, 4, 11, 8, 6);
  cairo_fill(cr);
  SetColor(cr, Hex(0x1C2A40));
  cairo_rectangle(cr, 4.5, 17, 7, 2);
  cairo_fill(cr);
  SetColor(cr, Hex(0xE02828));
  cairo_rectangle(cr, 3, 22, 3, 1.5);
  cairo_rectangle(cr, 10, 22, 3, 1.5);
  cairo_fill(cr);
  return KeyedPicture("CarSmall", c, Hex(0x0A0C10));
}

void GunShape(cairo_t* cr, double x, double y, double s) {
  // Side view, muzzle to the right: barrel, receiver, grip, stock.
  cairo_new_path(cr);
  RoundedRect(cr, x + 14 * s, y + 6 * s, 24 * s, 4 * s, 1.5 * s);
  RoundedRect(cr, x + 14 * s, y + 11 * s, 22 * s, 3 * s, 1.2 * s);
  RoundedRect(cr, x + 4 * s, y + 4 * s, 16 * s, 12 * s, 2 * s);
  cairo_move_to(cr, x + 9 * s, y + 15 * s);
  cairo_line_to(cr, x + 15 * s, y + 15 * s);
  cairo_line_to(cr, x + 13 * s, y + 23 * s);
  cairo_line_to(cr, x + 8 * s, y + 23 * s);
  cairo_close_path(cr);
  cairo_move_to(cr, x + 4 * s, y + 6 * s);
  cairo_line_to(cr, x - 2 * s, y + 9 * s);
  cairo_line_to(cr, x - 2 * s, y + 15 * s);
  cairo_line_to(cr, x + 4 * s, y + 14 * s);
  cairo_close_path(cr);
}

Picture GunSmall() {
  Canvas c(46, 28);
  cairo_t* cr = c.Cr();
  GunShape(cr, 5, 2, 1.0);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 4, 0, 26);
  AddStop(g, 0, Hex(0xDCE2EA));
  AddStop(g, 0.45, Hex(0x8A949E));
  AddStop(g, 1, Hex(0x4A525C));
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  cairo_set_line_width(cr, 1);
  SetColor(cr, Hex(0x22262C));
  cairo_stroke(cr);
  SetColor(cr, kOrange);
  cairo_rectangle(cr, 10, 9, 13, 2);
  cairo_fill(cr);
  return KeyedPicture("GunSmall", c, kHudField);
}

void FlameShape(cairo_t* cr, double x, double y, double w, double h) {
  // A flame pointing right: round tail on the left, licking tongues to the right.
  cairo_new_path(cr);
  cairo_move_to(cr, x + w, y + h * 0.5);
  cairo_curve_to(cr, x + w * 0.7, y + h * 0.2, x + w * 0.55, y + h * 0.35, x + w * 0.6, y);
  cairo_curve_to(cr, x + w * 0.3, y + h * 0.1, x, y + h * 0.2, x, y + h * 0.5);
  cairo_curve_to(cr, x, y + h * 0.85, x + w * 0.3, y + h, x + w * 0.55, y + h * 0.9);
  cairo_curve_to(cr, x + w * 0.6, y + h * 0.75, x + w * 0.8, y + h * 0.7, x + w, y + h * 0.5);
  cairo_close_path(cr);
}

void FlameFill(cairo_t* cr, double x, double w) {
  cairo_pattern_t* g = cairo_pattern_create_linear(x, 0, x + w, 0);
  AddStop(g, 0, Hex(0xFFF6C0));
  AddStop(g, 0.35, Hex(0xFFD23A));
  AddStop(g, 0.75, Hex(0xFF7A14));
  AddStop(g, 1, Hex(0xD8300C));
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
}

void Chevron(cairo_t* cr, double x, double y, double s, Rgb color) {
  cairo_new_path(cr);
  cairo_move_to(cr, x, y);
  cairo_line_to(cr, x + 5 * s, y);
  cairo_line_to(cr, x + 11 * s, y + 7 * s);
  cairo_line_to(cr, x + 5 * s, y + 14 * s);
  cairo_line_to(cr, x, y + 14 * s);
  cairo_line_to(cr, x + 6 * s, y + 7 * s);
  cairo_close_path(cr);
  SetColor(cr, color);
  cairo_fill(cr);
}

Picture TurboSmall() {
  Canvas c(46, 28);
  cairo_t* cr = c.Cr();
  FlameShape(cr, 2, 4, 28, 20);
  FlameFill(cr, 2, 28);
  Chevron(cr, 27, 7, 1.0, Hex(0xF0F4FA));
  Chevron(cr, 35, 7, 1.0, kOrange);
  return KeyedPicture("TurboSmall", c, kHudField);
}

Picture NoneIcon() {
  Canvas c(46, 28);
  cairo_t* cr = c.Cr();
  cairo_set_line_width(cr, 3);
  SetColor(cr, Hex(0x6A727C));
  cairo_arc(cr, 23, 14, 10, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_move_to(cr, 23 - 7.5, 14 + 7.5);
  cairo_line_to(cr, 23 + 7.5, 14 - 7.5);
  cairo_stroke(cr);
  return KeyedPicture("None", c, kHudField);
}

Picture Drifting() {
  Canvas c(52, 28);
  cairo_t* cr = c.Cr();
  // Skid marks behind a spinning tyre.
  cairo_set_line_width(cr, 2.5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  SetColor(cr, Hex(0xB08A10));
  for (double y : {9.0, 19.0}) {
    cairo_move_to(cr, 3, y + 2);
    cairo_curve_to(cr, 10, y - 4, 16, y + 4, 24, y);
    cairo_stroke(cr);
  }
  cairo_set_line_width(cr, 2.6);
  SetColor(cr, Hex(0xFFD21E));
  double cx = 38, cy = 14;
  cairo_move_to(cr, cx, cy);
  for (int i = 1; i <= 60; ++i) {
    double a = i * 0.21, r = 0.2 * i;
    cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_stroke(cr);
  return KeyedPicture("Drifting", c, kHudField);
}

void Star(cairo_t* cr, double cx, double cy, int points, double outer, double inner, double turn) {
  cairo_new_path(cr);
  for (int i = 0; i < points * 2; ++i) {
    double a = turn + i * M_PI / points;
    double r = i % 2 == 0 ? outer : inner;
    if (i == 0)
      cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    else
      cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

Picture ExplosionMicro() {
  Canvas c(16, 16);
  cairo_t* cr = c.Cr();
  Star(cr, 8, 8, 4, 7.8, 2.2, -M_PI / 2);
  SetColor(cr, Hex(0xFFC83C));
  cairo_fill(cr);
  Star(cr, 8, 8, 4, 5.5, 1.6, -M_PI / 4);
  SetColor(cr, Hex(0xFFF0A0));
  cairo_fill(cr);
  cairo_arc(cr, 8, 8, 2.6, 0, 2 * M_PI);
  SetColor(cr, Hex(0xFFFFFF));
  cairo_fill(cr);
  return KeyedPicture("ExplosionMicro", c, kAsphalt);
}

struct Blob {
  double x, y, r, heat;
};

// A fireball as a heat field: white core, yellow, orange, red, dark smoke.
void Fireball(Canvas& canvas, int ox, int oy, int w, int h, const std::vector<Blob>& fire,
              const std::vector<Blob>& smoke, std::uint32_t seed) {
  canvas.Flush();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double turbulence = 0.45 + 1.1 * TileFbm(x + ox, y, 8, 3, 1024, 1024, seed);
      double heat = 0, dense = 0;
      for (const Blob& b : fire) {
        double d2 = ((x - b.x) * (x - b.x) + (y - b.y) * (y - b.y)) / (b.r * b.r);
        heat += b.heat * std::exp(-d2 * 1.6);
      }
      for (const Blob& b : smoke) {
        double d2 = ((x - b.x) * (x - b.x) + (y - b.y) * (y - b.y)) / (b.r * b.r);
        dense += b.heat * std::exp(-d2 * 1.4);
      }
      heat *= turbulence;
      dense *= turbulence;
      // Heat ramp: white only in the hottest core, mostly yellow to deep orange.
      Rgb col;
      double a = 0;
      if (heat > 1.5) {
        col = Hex(0xFFF6D0);
        a = 1;
      } else if (heat > 1.05) {
        col = Mix(Hex(0xFFC43A), Hex(0xFFF6D0), (heat - 1.05) / 0.45);
        a = 1;
      } else if (heat > 0.7) {
        col = Mix(Hex(0xF4701A), Hex(0xFFC43A), (heat - 0.7) / 0.35);
        a = 1;
      } else if (heat > 0.45) {
        col = Mix(Hex(0xB83212), Hex(0xF4701A), (heat - 0.45) / 0.25);
        a = 1;
      } else if (heat > 0.3) {
        col = Mix(Hex(0x5A1E10), Hex(0xB83212), (heat - 0.3) / 0.15);
        a = std::clamp((heat - 0.26) / 0.08, 0.0, 1.0);
      }
      if (dense > 0.3 && heat < 0.7) {
        Rgb smokeCol = Mix(Hex(0x3A3634), Hex(0x76716C), std::min(1.0, (dense - 0.3) / 0.8));
        double sa = std::clamp((dense - 0.3) / 0.15, 0.0, 1.0);
        col = a > 0 ? Mix(smokeCol, col, a) : smokeCol;
        a = std::max(a, sa);
      }
      if (a > 0) PutPixel(canvas, ox + x, oy + y, col, a);
    }
  }
  canvas.MarkDirty();
}

std::vector<Blob> Scatter(Rng& rng, double cx, double cy, int count, double spreadX, double spreadY,
                          double radius, double heat) {
  std::vector<Blob> blobs;
  for (int i = 0; i < count; ++i) {
    double a = rng.Range(0, 2 * M_PI), d = std::sqrt(rng.Uniform());
    // Heat shared out so the overlapping core is not uniformly white-hot.
    blobs.push_back(Blob{cx + std::cos(a) * d * spreadX, cy + std::sin(a) * d * spreadY,
                         radius * rng.Range(0.55, 1.0), heat * rng.Range(0.7, 1.15) * 3.0 / count});
  }
  return blobs;
}

Picture ExplosionSmall() {
  const int cell = 48, frames = 6;
  Canvas c(cell * frames, cell);
  const double radius[] = {8, 13, 17, 18, 19, 19};
  const double heat[] = {2.2, 1.9, 1.5, 1.0, 0.6, 0.3};
  const double smoke[] = {0, 0.2, 0.5, 0.9, 1.1, 0.85};
  for (int k = 0; k < frames; ++k) {
    Rng rng(300 + k);
    double spread = radius[k] * 0.7;
    std::vector<Blob> fire = Scatter(rng, 24, 24, 7, spread, spread, radius[k], heat[k]);
    fire.push_back(Blob{24, 24, radius[k] * 0.6, heat[k] * 0.5});
    std::vector<Blob> smokes =
        Scatter(rng, 24, 22, 6, spread * 1.2, spread * 1.1, radius[k] * 1.05, smoke[k]);
    Fireball(c, k * cell, 0, cell, cell, fire, smokes, 31);
  }
  return KeyedPicture("ExplosionSmall", c, kAsphalt, cell, cell);
}

Picture ExplosionBig() {
  const int w = 64, h = 96, frames = 8;
  Canvas c(w * frames, h);
  cairo_t* cr = c.Cr();
  const double radius[] = {12, 20, 26, 29, 30, 31, 31, 30};
  const double heat[] = {2.3, 2.1, 1.8, 1.4, 1.0, 0.7, 0.45, 0.25};
  const double smoke[] = {0, 0.1, 0.3, 0.6, 0.9, 1.1, 1.1, 0.9};
  for (int k = 0; k < frames; ++k) {
    Rng rng(400 + k);
    double sx = radius[k] * 0.6, sy = radius[k] * 1.0;
    std::vector<Blob> fire = Scatter(rng, 32, 48, 10, sx, sy, radius[k] * 0.8, heat[k]);
    fire.push_back(Blob{32, 48, radius[k] * 0.6, heat[k] * 0.5});
    std::vector<Blob> smokes =
        Scatter(rng, 32, 44, 9, sx * 1.1, sy * 1.1, radius[k] * 0.95, smoke[k]);
    Fireball(c, k * w, 0, w, h, fire, smokes, 41);
    // Debris flung outwards: glowing sparks first, dark chunks later.
    CellScope cell(cr, k, w, h);
    Rng debris(500);
    for (int i = 0; i < 14; ++i) {
      double a = debris.Range(0, 2 * M_PI), speed = debris.Range(0.6, 1.0);
      double d = radius[k] * 0.7 + 5 * k * speed;
      double x = 32 + std::cos(a) * d * 0.8, y = 48 + std::sin(a) * d * 1.2;
      double size = debris.Range(1.6, 3.0);
      SetColor(cr, k < 4 ? Hex(0xFFD060) : Hex(0x4A4440));
      cairo_rectangle(cr, x - size / 2, y - size / 2, size, size);
      cairo_fill(cr);
    }
  }
  return KeyedPicture("ExplosionBig", c, kAsphalt, w, h);
}

Picture Message(const char* name, const char* line1, const char* line2, Rgb top, Rgb bottom) {
  Canvas c(400, 160);
  cairo_t* cr = c.Cr();
  TitleLook look{top, bottom, Hex(0x1A0C08), 4, 4};
  TextStyle s1 = FitText(cr, TextStyle{62, 0.12, 1.05, true}, line1, 380);
  TextStyle s2 = FitText(cr, TextStyle{74, 0.12, 1.05, true}, line2, 380);
  Title(cr, s1, line1, 200, 66, Align::kCenter, look);
  Title(cr, s2, line2, 200, 146, Align::kCenter, look);
  return KeyedPicture(name, c, kAsphalt);
}

}  // namespace

void AddRaceScenery(PictureSet& out) {
  out.push_back(GroundLeft());
  out.push_back(LeftPanel());
  out.push_back(RightPanel());
  out.push_back(CarSmall());
  out.push_back(Pointer());
  out.push_back(GunSmall());
  out.push_back(TurboSmall());
  out.push_back(NoneIcon());
  out.push_back(Drifting());
  out.push_back(ExplosionMicro());
  out.push_back(ExplosionSmall());
  out.push_back(ExplosionBig());
  out.push_back(Message("TimeIsOverNB", "TIME IS", "OVER", Hex(0xFFF4A0), Hex(0xFFB010)));
  out.push_back(Message("GameOverNB", "GAME", "OVER", Hex(0xFF9A80), Hex(0xD81810)));
}

void AddRaceCars(PictureSet& out) {
  struct Size {
    int w, h;
  };
  const Size sizes[11] = {{0, 0},   {52, 96}, {52, 96},  {52, 96},  {52, 96}, {52, 96},
                          {48, 84}, {50, 92}, {56, 116}, {58, 120}, {62, 136}};
  auto draw = [&](int model, bool turned) {
    Size s = sizes[model];
    Canvas c(s.w, s.h);
    cairo_t* cr = c.Cr();
    if (turned) {
      cairo_translate(cr, s.w, s.h);
      cairo_rotate(cr, M_PI);
    }
    DrawVehicle(cr, CarLookFor(model), 0, 0, s.w, s.h);
    std::string name = "Car" + std::to_string(model) + (turned ? "_Inv" : "");
    return KeyedPicture(name, c, kAsphalt);
  };
  for (int model = 1; model <= 10; ++model) out.push_back(draw(model, false));
  for (int model = 5; model <= 10; ++model) out.push_back(draw(model, true));
}

void AddCarEquipment(PictureSet& out) {
  {
    Canvas c(16, 32);
    cairo_t* cr = c.Cr();
    cairo_arc(cr, 8, 24, 7, 0, 2 * M_PI);
    SetColor(cr, Hex(0x2C3036));
    cairo_fill(cr);
    RoundedRect(cr, 3, 12, 10, 16, 3);
    cairo_pattern_t* g = cairo_pattern_create_linear(3, 0, 13, 0);
    AddStop(g, 0, Hex(0x5A626C));
    AddStop(g, 0.4, Hex(0xC8D0DA));
    AddStop(g, 1, Hex(0x4A525C));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    for (double x : {4.5, 9.5}) {
      cairo_rectangle(cr, x, 0, 2.6, 14);
      cairo_set_source(cr, g);
      cairo_fill(cr);
      SetColor(cr, Hex(0x1A1C20));
      cairo_rectangle(cr, x, 0, 2.6, 1.5);
      cairo_fill(cr);
    }
    cairo_pattern_destroy(g);
    SetColor(cr, kOrange);
    cairo_rectangle(cr, 4, 20, 8, 1.6);
    cairo_fill(cr);
    out.push_back(KeyedPicture("Gun", c, Hex(0x404448)));
  }
  {
    Canvas c(52, 24);
    cairo_t* cr = c.Cr();
    for (int k = 0; k < 2; ++k) {
      CellScope cell(cr, k, 26, 24);
      for (double bx : {6.0, 11.0}) {
        double cx = bx + 2.3 + 4.0;
        double len = k == 0 ? 22 : 15, wid = k == 0 ? 5 : 8;
        cairo_new_path(cr);
        cairo_move_to(cr, cx - wid / 2, 24);
        cairo_curve_to(cr, cx - wid, 24 - len * 0.5, cx - 1, 24 - len * 0.8, cx, 24 - len);
        cairo_curve_to(cr, cx + 1, 24 - len * 0.8, cx + wid, 24 - len * 0.5, cx + wid / 2, 24);
        cairo_close_path(cr);
        SetColor(cr, Hex(0xFF9A20));
        cairo_fill(cr);
      }
      Star(cr, 13, 17, k == 0 ? 5 : 6, k == 0 ? 8 : 10, 3.5, k * 0.4);
      SetColor(cr, Hex(0xFFE070));
      cairo_fill(cr);
      cairo_arc(cr, 13, 19, 3.2, 0, 2 * M_PI);
      SetColor(cr, Hex(0xFFFFF0));
      cairo_fill(cr);
    }
    out.push_back(KeyedPicture("GunFire", c, kAsphalt, 26, 24));
  }
  const struct {
    const char* name;
    Rgb color;
  } turbos[] = {
      {"TurboRed", Hex(0xD42020)}, {"TurboBlue", Hex(0x2058D8)}, {"TurboYellow", Hex(0xF0C418)}};
  for (const auto& t : turbos) {
    Canvas c(40, 24);
    cairo_t* cr = c.Cr();
    for (double x : {7.0, 25.0}) {
      RoundedRect(cr, x, 8, 8, 16, 2.5);
      cairo_pattern_t* g = cairo_pattern_create_linear(x, 0, x + 8, 0);
      AddStop(g, 0, Hex(0x606870));
      AddStop(g, 0.4, Hex(0xE4EAF0));
      AddStop(g, 1, Hex(0x505860));
      cairo_set_source(cr, g);
      cairo_fill(cr);
      cairo_pattern_destroy(g);
      RoundedRect(cr, x + 1.5, 20, 5, 3.5, 1.5);
      SetColor(cr, Hex(0x1C1C1E));
      cairo_fill(cr);
    }
    RoundedRect(cr, 1, 1, 38, 12, 4);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 1, 0, 13);
    AddStop(g, 0, Mix(t.color, Hex(0xFFFFFF), 0.35));
    AddStop(g, 0.5, t.color);
    AddStop(g, 1, Scale(t.color, 0.5));
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    cairo_set_line_width(cr, 1);
    SetColor(cr, Scale(t.color, 0.3));
    cairo_stroke(cr);
    SetColor(cr, Hex(0x202226));
    for (int i = 0; i < 5; ++i) {
      cairo_rectangle(cr, 11 + i * 4, 4, 2, 6);
    }
    cairo_fill(cr);
    out.push_back(KeyedPicture(t.name, c, kAsphalt));
  }
  {
    Canvas c(108, 20);
    cairo_t* cr = c.Cr();
    const double lengths[3][2] = {{19, 16}, {14, 19}, {17, 12}};
    for (int k = 0; k < 3; ++k) {
      CellScope cell(cr, k, 36, 20);
      for (int side = 0; side < 2; ++side) {
        double cx = side == 0 ? 9 : 27;
        double len = lengths[k][side];
        cairo_new_path(cr);
        cairo_move_to(cr, cx - 4, 0);
        cairo_curve_to(cr, cx - 5, len * 0.4, cx - 1.5, len * 0.8, cx, len);
        cairo_curve_to(cr, cx + 1.5, len * 0.8, cx + 5, len * 0.4, cx + 4, 0);
        cairo_close_path(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, len);
        AddStop(g, 0, Hex(0xE8F4FF));
        AddStop(g, 0.3, Hex(0x78B8FF));
        AddStop(g, 0.6, Hex(0xFFB040));
        AddStop(g, 1, Hex(0xE85010));
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
      }
    }
    out.push_back(KeyedPicture("TurboFire", c, kAsphalt, 36, 20));
  }
}

PictureSet MakeRaceArt() {
  PictureSet out;
  AddRaceScenery(out);
  AddRaceCars(out);
  AddCarEquipment(out);
  AddRoadObjects(out);
  AddBonuses(out);
  AddRoadside(out);
  return out;
}

}  // namespace brakkon::bake
