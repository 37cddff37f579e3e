// The menu archive: backdrop, sliding panels, buttons, hint captions, sub-screens,
// dialogs and the car portraits.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "art.h"
#include "canvas.h"
#include "menu_parts.h"
#include "vehicles.h"
#include "widgets.h"

namespace brakkon::bake {
namespace {

constexpr Rgb kLitRim = Hex(0xFF9A1C);
constexpr Rgb kExitRim = Hex(0xFF4A1C);

void Backdrop(Canvas& c) {
  cairo_t* cr = c.Cr();
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 600);
  AddStop(sky, 0, Hex(0x0C1226));
  AddStop(sky, 0.38, Hex(0x18203A));
  AddStop(sky, 0.42, Hex(0x1A1E2C));
  AddStop(sky, 1, Hex(0x14161C));
  cairo_set_source(cr, sky);
  cairo_paint(cr);
  cairo_pattern_destroy(sky);
}

Picture MainMenuBackground() {
  Canvas c(800, 600);
  cairo_t* cr = c.Cr();
  Backdrop(c);
  // Stars in the sky above the horizon.
  Rng rng(1001);
  for (int i = 0; i < 140; ++i) {
    double x = rng.Range(0, 800), y = rng.Range(0, 230);
    double a = rng.Range(0.15, 0.6) * (1 - y / 260);
    SetColor(cr, Hex(0xC8D8FF), a);
    cairo_arc(cr, x, y, rng.Range(0.5, 1.2), 0, 2 * M_PI);
    cairo_fill(cr);
  }
  // A far city glow on the horizon.
  cairo_pattern_t* glow = cairo_pattern_create_radial(470, 236, 10, 470, 236, 420);
  AddStop(glow, 0, Hex(0xFF8A30), 0.28);
  AddStop(glow, 0.4, Hex(0xA04A40), 0.1);
  AddStop(glow, 1, Hex(0x000000), 0);
  cairo_set_source(cr, glow);
  cairo_paint(cr);
  cairo_pattern_destroy(glow);

  // The road in perspective, drawn on its own layer and blurred.
  Canvas road(800, 600);
  cairo_t* rc = road.Cr();
  const double vx = 470, vy = 236;
  cairo_move_to(rc, vx - 6, vy);
  cairo_line_to(rc, vx + 6, vy);
  cairo_line_to(rc, 1250, 600);
  cairo_line_to(rc, -300, 600);
  cairo_close_path(rc);
  cairo_pattern_t* asphalt = cairo_pattern_create_linear(0, vy, 0, 600);
  AddStop(asphalt, 0, Hex(0x2A2C36));
  AddStop(asphalt, 1, Hex(0x30323A));
  cairo_set_source(rc, asphalt);
  cairo_fill(rc);
  cairo_pattern_destroy(asphalt);
  auto lineAt = [&](double frac, double width, Rgb color, double alpha, bool dashed) {
    // frac: -0.5 left edge ... 0.5 right edge of the road at the bottom.
    double bx = vx + frac * 1550;
    if (!dashed) {
      cairo_move_to(rc, vx + frac * 12, vy);
      cairo_line_to(rc, bx - width / 2, 600);
      cairo_line_to(rc, bx + width / 2, 600);
      cairo_close_path(rc);
      SetColor(rc, color, alpha);
      cairo_fill(rc);
      return;
    }
    for (int i = 0; i < 14; ++i) {
      // Dashes shrink toward the horizon: equal steps in 1/depth.
      double z0 = 1.0 / (1 + i * 0.55), z1 = 1.0 / (1 + (i + 0.5) * 0.55);
      double y0 = vy + (600 - vy) * z0, y1 = vy + (600 - vy) * z1;
      double x0 = vx + (bx - vx) * z0, x1 = vx + (bx - vx) * z1;
      double w0 = width * z0, w1 = width * z1;
      cairo_move_to(rc, x0 - w0 / 2, y0);
      cairo_line_to(rc, x0 + w0 / 2, y0);
      cairo_line_to(rc, x1 + w1 / 2, y1);
      cairo_line_to(rc, x1 - w1 / 2, y1);
      cairo_close_path(rc);
    }
    SetColor(rc, color, alpha);
    cairo_fill(rc);
  };
  lineAt(-0.46, 30, Hex(0xFF9A3C), 0.8, false);
  lineAt(0.46, 30, Hex(0xFF9A3C), 0.8, false);
  lineAt(-0.15, 18, Hex(0xE0E4F0), 0.6, true);
  lineAt(0.15, 18, Hex(0xE0E4F0), 0.6, true);
  road.Blur(7);
  cairo_set_source_surface(cr, road.Surface(), 0, 0);
  cairo_paint_with_alpha(cr, 0.55);

  // Speed streaks, kept out of the calm middle where text and dialogs sit.
  Canvas streaks(800, 600);
  cairo_t* sc = streaks.Cr();
  Rng srng(1002);
  cairo_set_line_cap(sc, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i < 46; ++i) {
    double x = srng.Range(-100, 900), y = srng.Range(0, 600);
    bool calm = (x > 0 && x < 600 && y > 100 && y < 500);
    if (calm) continue;
    double len = srng.Range(60, 220);
    cairo_pattern_t* g = cairo_pattern_create_linear(x, y, x + len, y - len * 0.35);
    Rgb col = srng.Uniform() < 0.3 ? Hex(0xFF9A3C) : Hex(0x7AA8FF);
    AddStop(g, 0, col, 0);
    AddStop(g, 0.7, col, srng.Range(0.25, 0.5));
    AddStop(g, 1, col, 0);
    cairo_set_source(sc, g);
    cairo_set_line_width(sc, srng.Range(1, 2.5));
    cairo_move_to(sc, x, y);
    cairo_line_to(sc, x + len, y - len * 0.35);
    cairo_stroke(sc);
    cairo_pattern_destroy(g);
  }
  streaks.Blur(1.5);
  cairo_set_source_surface(cr, streaks.Surface(), 0, 0);
  cairo_paint(cr);

  // Vignette.
  cairo_pattern_t* v = cairo_pattern_create_radial(400, 300, 200, 400, 300, 560);
  AddStop(v, 0, Hex(0x000000), 0);
  AddStop(v, 1, Hex(0x000000), 0.55);
  cairo_set_source(cr, v);
  cairo_paint(cr);
  cairo_pattern_destroy(v);
  return OpaquePicture("MainMenuBackground", c);
}

// The big chrome-and-orange logo.
void BigLogo(cairo_t* cr, double x, double baseline, double size) {
  TextStyle style{size, 0.24, 1.02, true};
  cairo_save(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_new_path(cr);
  TextPath(cr, style, "BRAKKON", x + 4, baseline + 4);
  SetColor(cr, Hex(0x06080C), 0.9);
  cairo_set_line_width(cr, 8);
  cairo_stroke_preserve(cr);
  cairo_fill(cr);
  cairo_new_path(cr);
  TextPath(cr, style, "BRAKKON", x, baseline);
  cairo_set_line_width(cr, 7);
  SetColor(cr, Hex(0x2A1406));
  cairo_stroke_preserve(cr);
  cairo_set_line_width(cr, 4);
  SetColor(cr, kOrange);
  cairo_stroke_preserve(cr);
  cairo_pattern_t* chrome = cairo_pattern_create_linear(0, baseline - size * 0.72, 0, baseline);
  AddStop(chrome, 0, Hex(0xFFFFFF));
  AddStop(chrome, 0.45, Hex(0xC8D4E4));
  AddStop(chrome, 0.5, Hex(0x5A6A84));
  AddStop(chrome, 0.62, Hex(0x9AACC4));
  AddStop(chrome, 1, Hex(0xF4F8FF));
  cairo_set_source(cr, chrome);
  cairo_fill(cr);
  cairo_pattern_destroy(chrome);
  cairo_restore(cr);
}

Picture UpPanel() {
  Canvas c(800, 105);
  cairo_t* cr = c.Cr();
  // Band with a slanted cut on the right, stripe along its lower edge.
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, 800, 0);
  cairo_line_to(cr, 800, 84);
  cairo_line_to(cr, 560, 84);
  cairo_line_to(cr, 540, 96);
  cairo_line_to(cr, 0, 96);
  cairo_close_path(cr);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 96);
  AddStop(g, 0, Hex(0x2A3444));
  AddStop(g, 0.55, Hex(0x1C2432));
  AddStop(g, 1, Hex(0x121822));
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  SetColor(cr, Hex(0x4A5A70));
  cairo_rectangle(cr, 0, 0, 800, 1.5);
  cairo_fill(cr);
  // Orange stripe with a thin lit edge.
  cairo_move_to(cr, 0, 96);
  cairo_line_to(cr, 540, 96);
  cairo_line_to(cr, 560, 84);
  cairo_line_to(cr, 800, 84);
  cairo_line_to(cr, 800, 91);
  cairo_line_to(cr, 564, 91);
  cairo_line_to(cr, 544, 103);
  cairo_line_to(cr, 0, 103);
  cairo_close_path(cr);
  cairo_pattern_t* s = cairo_pattern_create_linear(0, 84, 0, 103);
  AddStop(s, 0, Hex(0xFFC860));
  AddStop(s, 1, Hex(0xE06A10));
  cairo_set_source(cr, s);
  cairo_fill(cr);
  cairo_pattern_destroy(s);
  // Speed lines trailing the logo.
  for (int i = 0; i < 4; ++i) {
    double y = 28 + i * 12;
    cairo_pattern_t* l = cairo_pattern_create_linear(0, 0, 26, 0);
    AddStop(l, 0, kOrange, 0);
    AddStop(l, 1, kOrange, 0.8);
    cairo_set_source(cr, l);
    cairo_rectangle(cr, 0, y, 26 - i * 4, 3);
    cairo_fill(cr);
    cairo_pattern_destroy(l);
  }
  BigLogo(cr, 34, 74, 68);
  Label(cr, "NIGHT ROAD RACING", 770, 52, 20, Hex(0x9AA8BC), Align::kRight);
  SetColor(cr, kOrange);
  cairo_rectangle(cr, 600, 60, 170, 2);
  cairo_fill(cr);
  return KeyedPicture("UpPanel", c, kMenuNavy);
}

Picture DownPanel() {
  Canvas c(800, 70);
  cairo_t* cr = c.Cr();
  cairo_pattern_t* s = cairo_pattern_create_linear(0, 0, 0, 6);
  AddStop(s, 0, Hex(0xFFC860));
  AddStop(s, 1, Hex(0xE06A10));
  cairo_rectangle(cr, 0, 0, 800, 5);
  cairo_set_source(cr, s);
  cairo_fill(cr);
  cairo_pattern_destroy(s);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 5, 0, 70);
  AddStop(g, 0, Hex(0x121822));
  AddStop(g, 1, Hex(0x222C3A));
  cairo_rectangle(cr, 0, 5, 800, 65);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  // Key words lit, their actions grey.
  const struct {
    const char* key;
    const char* action;
  } hints[] = {{"ARROWS", " SELECT"}, {"ENTER", " CONFIRM"}, {"ESC", " BACK"}};
  const double size = 17, gap = 40;
  double total = 0;
  for (const auto& h : hints) {
    total +=
        TextWidth(cr, TextStyle{size, 0.1}, h.key) + TextWidth(cr, TextStyle{size, 0.1}, h.action);
  }
  total += gap * 2;
  double x = 400 - total / 2;
  for (const auto& h : hints) {
    Label(cr, h.key, x, 44, size, kAmber);
    x += TextWidth(cr, TextStyle{size, 0.1}, h.key);
    Label(cr, h.action, x, 44, size, Hex(0xB8C2D0));
    x += TextWidth(cr, TextStyle{size, 0.1}, h.action) + gap;
  }
  return KeyedPicture("DownPanel", c, kMenuNavy);
}

// A slanted racing plate, lit or not, with its label.
void RacingPlate(cairo_t* cr, double x, double y, double w, double h, bool lit, Rgb litRim,
                 const char* label, double labelSize) {
  const double slant = h * 0.22;
  auto shape = [&](double inset) {
    cairo_new_path(cr);
    cairo_move_to(cr, x + slant + inset, y + inset);
    cairo_line_to(cr, x + w - inset, y + inset);
    cairo_line_to(cr, x + w - slant - inset, y + h - inset);
    cairo_line_to(cr, x + inset, y + h - inset);
    cairo_close_path(cr);
  };
  if (lit) {
    for (int i = 4; i >= 1; --i) {
      shape(0);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      cairo_set_line_width(cr, 2.0 * i + 1);
      SetColor(cr, litRim, 0.12);
      cairo_stroke(cr);
    }
  }
  shape(0);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
  if (lit) {
    AddStop(g, 0, Hex(0x4A5468));
    AddStop(g, 0.5, Hex(0x2C3444));
    AddStop(g, 1, Hex(0x222836));
  } else {
    AddStop(g, 0, Hex(0x343C4A));
    AddStop(g, 0.5, Hex(0x222833));
    AddStop(g, 1, Hex(0x1A1E28));
  }
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  // Top sheen.
  shape(2);
  cairo_save(cr);
  cairo_clip(cr);
  SetColor(cr, Hex(0xFFFFFF), lit ? 0.08 : 0.05);
  cairo_rectangle(cr, x, y, w, h * 0.45);
  cairo_fill(cr);
  cairo_restore(cr);
  shape(lit ? 1.5 : 0.75);
  cairo_set_line_width(cr, lit ? 2.5 : 1.2);
  SetColor(cr, lit ? litRim : Hex(0x5A6578));
  cairo_stroke(cr);
  TextStyle style = FitText(cr, TextStyle{labelSize, 0.14, 1.0, true}, label, w - 2 * slant - 16);
  double baseline = y + h / 2 + style.size * 0.36;
  FillText(cr, style, label, x + w / 2 + 1.5, baseline + 1.5, Hex(0x080A10), Align::kCenter, 0.8);
  FillText(cr, style, label, x + w / 2, baseline, lit ? Hex(0xFFFFFF) : Hex(0x96A0B0),
           Align::kCenter);
}

Picture ButtonStrip(const char* name, const std::vector<const char*>& labels, int w, int h,
                    bool lit, Rgb rim, double labelSize) {
  Canvas c(w * static_cast<int>(labels.size()), h);
  cairo_t* cr = c.Cr();
  for (std::size_t k = 0; k < labels.size(); ++k) {
    CellScope cell(cr, static_cast<int>(k), w, h);
    RacingPlate(cr, 5, 5, w - 10, h - 10, lit, rim, labels[k], labelSize);
  }
  return KeyedPicture(name, c, kMenuNavy, labels.size() > 1 ? w : 0, labels.size() > 1 ? h : 0);
}

// Two patterns: normal, then lit.
Picture TwoStateButton(const char* name, int w, int h, const char* label, double labelSize) {
  Canvas c(w * 2, h);
  cairo_t* cr = c.Cr();
  for (int k = 0; k < 2; ++k) {
    CellScope cell(cr, k, w, h);
    RacingPlate(cr, 4, 4, w - 8, h - 8, k == 1, kLitRim, label, labelSize);
  }
  return KeyedPicture(name, c, kMenuNavy, w, h);
}

Picture ArrowButton(const char* name, bool right) {
  const int w = 60, h = 40;
  Canvas c(w * 2, h);
  cairo_t* cr = c.Cr();
  for (int k = 0; k < 2; ++k) {
    CellScope cell(cr, k, w, h);
    bool lit = k == 1;
    if (lit) {
      for (int i = 3; i >= 1; --i) {
        RoundedRect(cr, 4, 4, w - 8, h - 8, 7);
        cairo_set_line_width(cr, 2.0 * i + 1);
        SetColor(cr, kLitRim, 0.14);
        cairo_stroke(cr);
      }
    }
    Plate(cr, 4, 4, w - 8, h - 8, 7, lit ? Hex(0x4A5468) : Hex(0x343C4A),
          lit ? Hex(0x222836) : Hex(0x1A1E28), lit ? kLitRim : Hex(0x5A6578), lit ? 2.5 : 1.2);
    double cx = w / 2.0, cy = h / 2.0, d = right ? 1 : -1;
    cairo_new_path(cr);
    cairo_move_to(cr, cx + d * 11, cy);
    cairo_line_to(cr, cx - d * 5, cy - 11);
    cairo_line_to(cr, cx - d * 5, cy - 4);
    cairo_line_to(cr, cx - d * 13, cy - 4);
    cairo_line_to(cr, cx - d * 13, cy + 4);
    cairo_line_to(cr, cx - d * 5, cy + 4);
    cairo_line_to(cr, cx - d * 5, cy + 11);
    cairo_close_path(cr);
    SetColor(cr, lit ? Hex(0xFFFFFF) : Hex(0x96A0B0));
    cairo_fill(cr);
  }
  return KeyedPicture(name, c, kMenuNavy, w, h);
}

Picture Caption(const char* name, const char* title, const char* line) {
  Canvas c(500, 200);
  cairo_t* cr = c.Cr();
  TextStyle style = FitText(cr, TextStyle{70, 0.2, 1.0, true}, title, 470);
  double tw = TextWidth(cr, style, title);
  double x = 250 - tw / 2;
  Title(cr, style, title, x, 100, Align::kLeft,
        TitleLook{Hex(0xFFE89A), Hex(0xFF8A14), Hex(0x1A0C04), 3.5, 4});
  // Underline swoosh.
  cairo_pattern_t* g = cairo_pattern_create_linear(250 - tw / 2 - 20, 0, 250 + tw / 2 + 20, 0);
  AddStop(g, 0, kOrange, 0);
  AddStop(g, 0.2, kOrange, 1);
  AddStop(g, 0.8, kOrange, 1);
  AddStop(g, 1, kOrange, 0);
  cairo_set_source(cr, g);
  cairo_move_to(cr, 250 - tw / 2 - 10, 118);
  cairo_line_to(cr, 250 + tw / 2 + 30, 114);
  cairo_line_to(cr, 250 + tw / 2 + 28, 118);
  cairo_line_to(cr, 250 - tw / 2 - 12, 121);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  TextStyle sub = FitText(cr, TextStyle{22, 0.1, 1.0, true}, line, 480);
  FillText(cr, sub, line, 252, 154, Hex(0x06080C), Align::kCenter, 0.9);
  FillText(cr, sub, line, 250, 152, Hex(0xE4EAF4), Align::kCenter);
  return KeyedPicture(name, c, kMenuNavy);
}

Picture HighScoresBackground() {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "HIGH SCORES");
  cairo_t* cr = c.Cr();
  // Row stripes 26 px high from screen y 150 (local 35).
  for (int k = 0; k < 10; ++k) {
    double y = 35 + 26 * k;
    RoundedRect(cr, 12, y, kScreenWidth - 24, 26, 3);
    SetColor(cr, k % 2 == 0 ? Hex(0x242E42) : Hex(0x1A2232));
    cairo_fill(cr);
  }
  // Column guides: rank, name and score columns.
  SetColor(cr, kOrange, 0.7);
  cairo_rectangle(cr, 14, 35, 3, 260);
  cairo_fill(cr);
  return KeyedPicture("HighScoresBackground", c, kMenuNavy);
}

Picture StartGameBackground() {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "CHOOSE YOUR CAR");
  cairo_t* cr = c.Cr();
  const int slots[4] = {41, 162, 282, 406};
  for (int x : slots) {
    double lx = x - 14 - 5, ly = 161 - 115 - 5;
    RoundedRect(cr, lx, ly, 120, 230, 10);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, ly, 0, ly + 230);
    AddStop(g, 0, Hex(0x0C1018));
    AddStop(g, 1, Hex(0x1C2434));
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    RoundedRect(cr, lx + 0.5, ly + 0.5, 119, 229, 10);
    cairo_set_line_width(cr, 1);
    SetColor(cr, Hex(0x3A4658));
    cairo_stroke(cr);
  }
  Label(cr, "LEFT / RIGHT TO CHOOSE", kScreenWidth / 2.0, 305, 20, Hex(0xD8E0EC), Align::kCenter);
  Label(cr, "ENTER TO RACE", kScreenWidth / 2.0, 334, 20, kAmber, Align::kCenter);
  return KeyedPicture("StartGameBackground", c, kMenuNavy);
}

Picture OptionsBackground() {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "");
  cairo_t* cr = c.Cr();
  SetColor(cr, kOrange, 0.6);
  cairo_rectangle(cr, 40, 270, kScreenWidth - 80, 2);
  cairo_fill(cr);
  Label(cr, "ENTER OR CLICK TO CHANGE", kScreenWidth / 2.0, 312, 20, Hex(0xD8E0EC), Align::kCenter);
  Label(cr, "TYPE YOUR COUNTRY, ENTER WHEN DONE", kScreenWidth / 2.0, 340, 15, Hex(0x8C98AA),
        Align::kCenter);
  return KeyedPicture("OptionsBackground", c, kMenuNavy);
}

Picture OptionButton(const char* name, bool lit) {
  Canvas c(514, 28);
  cairo_t* cr = c.Cr();
  if (lit) {
    Plate(cr, 1, 1, 512, 26, 5, Hex(0x323C52), Hex(0x262E40), kLitRim, 2);
  } else {
    Plate(cr, 0.5, 0.5, 513, 27, 5, Hex(0x222A3A), Hex(0x1A202C), Hex(0x4A5668), 1);
  }
  return KeyedPicture(name, c, kMenuNavy);
}

// A dialog: dark panel, steel rim, orange inner line.
void DialogFrame(Canvas& c) {
  cairo_t* cr = c.Cr();
  const double w = c.Width(), h = c.Height();
  Plate(cr, 1, 1, w - 2, h - 2, 16, Hex(0x222C40), Hex(0x121824), Hex(0x6A7890), 2);
  RoundedRect(cr, 6, 6, w - 12, h - 12, 12);
  cairo_set_line_width(cr, 1.2);
  SetColor(cr, kOrange, 0.8);
  cairo_stroke(cr);
}

// A gold cup, about 80 px tall, its rim centred on (cx, top).
void Trophy(cairo_t* cr, double cx, double top) {
  cairo_pattern_t* gold = cairo_pattern_create_linear(cx - 30, 0, cx + 30, 0);
  AddStop(gold, 0, Hex(0x9A6410));
  AddStop(gold, 0.35, Hex(0xFFE690));
  AddStop(gold, 0.6, Hex(0xF0B030));
  AddStop(gold, 1, Hex(0x8A5A10));
  cairo_new_path(cr);
  // Handles.
  cairo_set_line_width(cr, 4);
  cairo_arc(cr, cx - 26, top + 16, 9, M_PI / 2, 3 * M_PI / 2);
  cairo_set_source(cr, gold);
  cairo_stroke(cr);
  cairo_arc_negative(cr, cx + 26, top + 16, 9, M_PI / 2, -M_PI / 2);
  cairo_stroke(cr);
  // Bowl, stem and base.
  cairo_move_to(cr, cx - 28, top);
  cairo_line_to(cr, cx + 28, top);
  cairo_curve_to(cr, cx + 28, top + 30, cx + 12, top + 42, cx + 4, top + 46);
  cairo_line_to(cr, cx + 4, top + 58);
  cairo_line_to(cr, cx + 18, top + 66);
  cairo_line_to(cr, cx + 18, top + 74);
  cairo_line_to(cr, cx - 18, top + 74);
  cairo_line_to(cr, cx - 18, top + 66);
  cairo_line_to(cr, cx - 4, top + 58);
  cairo_line_to(cr, cx - 4, top + 46);
  cairo_curve_to(cr, cx - 12, top + 42, cx - 28, top + 30, cx - 28, top);
  cairo_close_path(cr);
  cairo_set_source(cr, gold);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1.2);
  SetColor(cr, Hex(0x4A2E08));
  cairo_stroke(cr);
  cairo_pattern_destroy(gold);
  Label(cr, "1", cx, top + 30, 22, Hex(0x5A3A0A), Align::kCenter);
}

Picture EnterYourName() {
  Canvas c(400, 280);
  DialogFrame(c);
  cairo_t* cr = c.Cr();
  Title(cr, TextStyle{32, 0.18, 1.0, true}, "NEW HIGH SCORE!", 200, 44, Align::kCenter,
        TitleLook{Hex(0xFFE89A), Hex(0xFF8A14), Hex(0x1A0C04), 2.5, 3});
  Label(cr, "ENTER YOUR NAME", 200, 69, 18, Hex(0xE4EAF4), Align::kCenter);
  Label(cr, "NAME", 176, 103, 22, kAmber, Align::kRight);
  // The name field: a plain dark box.
  Well(cr, 190, 76, 202, 38, 4, Hex(0x101622));
  Trophy(cr, 200, 122);
  Label(cr, "PRESS ENTER WHEN DONE", 200, 241, 18, Hex(0xB8C2D0), Align::kCenter);
  return KeyedPicture("EnterYourName", c, kMenuNavy);
}

Picture SendResults() {
  Canvas c(400, 280);
  DialogFrame(c);
  cairo_t* cr = c.Cr();
  // Upload arrow over a globe-like ring.
  cairo_set_line_width(cr, 3);
  SetColor(cr, Hex(0x5A9AFF));
  cairo_arc(cr, 200, 46, 20, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_save(cr);
  cairo_translate(cr, 200, 46);
  cairo_scale(cr, 0.45, 1);
  cairo_arc(cr, 0, 0, 20, 0, 2 * M_PI);
  cairo_restore(cr);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  cairo_move_to(cr, 180, 46);
  cairo_line_to(cr, 220, 46);
  cairo_stroke(cr);
  Label(cr, "SEND YOUR RESULT TO THE", 200, 96, 21, Hex(0xE4EAF4), Align::kCenter);
  Label(cr, "ONLINE HIGH SCORE TABLE?", 200, 122, 21, kAmber, Align::kCenter);
  Label(cr, "LEFT / RIGHT AND ENTER", 200, 240, 18, Hex(0xB8C2D0), Align::kCenter);
  return KeyedPicture("SendResults", c, kMenuNavy);
}

Picture Cursor() {
  Canvas c(18, 4);
  cairo_t* cr = c.Cr();
  SetColor(cr, Hex(0xFFE628));
  cairo_paint(cr);
  SetColor(cr, Hex(0xFFF8B0));
  cairo_rectangle(cr, 0, 0, 18, 1);
  cairo_fill(cr);
  return KeyedPicture("Cursor", c, kMenuNavy);
}

const char* kCarNames[5] = {"", "BLAZE", "STORM", "HORNET", "VIPER"};

Picture CarPortrait(int model, bool active) {
  Canvas c(110, 220);
  cairo_t* cr = c.Cr();
  if (active) {
    for (int i = 4; i >= 1; --i) {
      RoundedRect(cr, 4, 4, 102, 212, 9);
      cairo_set_line_width(cr, 2.0 * i + 1);
      SetColor(cr, kLitRim, 0.13);
      cairo_stroke(cr);
    }
  }
  Plate(cr, 4, 4, 102, 212, 9, active ? Hex(0x2A3448) : Hex(0x202634),
        active ? Hex(0x161C28) : Hex(0x141820), active ? kLitRim : Hex(0x3A4454), active ? 2.5 : 1);
  // A spotlight on the car.
  cairo_pattern_t* spot = cairo_pattern_create_radial(55, 95, 5, 55, 95, 70);
  AddStop(spot, 0, Hex(0xFFFFFF), active ? 0.12 : 0.05);
  AddStop(spot, 1, Hex(0xFFFFFF), 0);
  cairo_set_source(cr, spot);
  RoundedRect(cr, 6, 6, 98, 170, 8);
  cairo_fill(cr);
  cairo_pattern_destroy(spot);

  Canvas car(110, 220);
  DrawVehicle(car.Cr(), CarLookFor(model), 15, 13, 80, 158);
  if (!active) {
    car.Flush();
    for (int y = 0; y < 220; ++y) {
      std::uint32_t* row = car.Row(y);
      for (int x = 0; x < 110; ++x) {
        std::uint32_t p = row[x];
        double r = ((p >> 16) & 0xFF), g = ((p >> 8) & 0xFF), b = (p & 0xFF);
        double grey = 0.3 * r + 0.59 * g + 0.11 * b;
        auto mix = [&](double v) {
          return static_cast<std::uint32_t>(std::clamp((v + (grey - v) * 0.7) * 0.62, 0.0, 255.0));
        };
        row[x] = (p & 0xFF000000u) | (mix(r) << 16) | (mix(g) << 8) | mix(b);
      }
    }
    car.MarkDirty();
  }
  cairo_set_source_surface(cr, car.Surface(), 0, 0);
  cairo_paint(cr);

  Well(cr, 12, 184, 86, 24, 4, active ? Hex(0x0E1420) : Hex(0x0E1218));
  TextStyle style = FitText(cr, TextStyle{16, 0.12, 1.0, true}, kCarNames[model], 80);
  FillText(cr, style, kCarNames[model], 55, 202, active ? kAmber : Hex(0x788496), Align::kCenter);
  std::string name = "Car" + std::to_string(model) + (active ? "_Active" : "");
  return KeyedPicture(name, c, kMenuNavy);
}

}  // namespace

void Label(cairo_t* cr, std::string_view text, double x, double baseline, double size, Rgb color,
           Align align) {
  FillText(cr, TextStyle{size, 0.1, 1.0, true}, text, x + 1.2, baseline + 1.2, Hex(0x06080C), align,
           0.85);
  FillText(cr, TextStyle{size, 0.1, 1.0, true}, text, x, baseline, color, align);
}

void ScreenPanel(Canvas& c, std::string_view title) {
  cairo_t* cr = c.Cr();
  const double w = c.Width(), h = c.Height();
  Plate(cr, 1, 1, w - 2, h - 2, 14, Hex(0x1E2638), Hex(0x121722), Hex(0x5A687E), 2);
  RoundedRect(cr, 5, 5, w - 10, h - 10, 11);
  cairo_set_line_width(cr, 1);
  SetColor(cr, Hex(0x2C364A));
  cairo_stroke(cr);
  if (!title.empty()) {
    Title(cr, TextStyle{26, 0.18, 1.0, true}, title, w / 2, 28, Align::kCenter,
          TitleLook{Hex(0xFFE89A), Hex(0xFF9A1C), Hex(0x1A0C04), 2, 2});
    cairo_pattern_t* g = cairo_pattern_create_linear(20, 0, w - 20, 0);
    AddStop(g, 0, kOrange, 0);
    AddStop(g, 0.5, kOrange, 0.9);
    AddStop(g, 1, kOrange, 0);
    cairo_set_source(cr, g);
    cairo_rectangle(cr, 20, 32, w - 40, 1.5);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
  }
}

PictureSet MakeMenuArt(const PictureSet& race) {
  PictureSet out;
  out.push_back(MainMenuBackground());
  out.push_back(UpPanel());
  out.push_back(DownPanel());
  const std::vector<const char*> labels = {"START GAME", "OPTIONS", "HIGH SCORES", "HELP",
                                           "WEB SITE"};
  out.push_back(ButtonStrip("MainMenuButtons_Inactive", labels, 240, 52, false, kLitRim, 22));
  out.push_back(ButtonStrip("MainMenuButtons_Active", labels, 240, 52, true, kLitRim, 22));
  out.push_back(ButtonStrip("MainMenu_ExitInactive", {"EXIT"}, 240, 52, false, kExitRim, 22));
  out.push_back(ButtonStrip("MainMenu_ExitActive", {"EXIT"}, 240, 52, true, kExitRim, 22));
  out.push_back(Picture{"NullCaption", 0, 0, true, engine::RgbImage(500, 200, 0)});
  out.push_back(Caption("StartCaption", "START GAME", "CHOOSE A CAR AND RACE"));
  out.push_back(Caption("OptionsCaption", "OPTIONS", "DISPLAY, MUSIC, SOUND, COUNTRY"));
  out.push_back(Caption("HighScoresCaption", "HIGH SCORES", "THE TEN BEST RESULTS"));
  out.push_back(Caption("HelpCaption", "HELP", "HOW TO PLAY"));
  out.push_back(Caption("VisitWWWCaption", "WEB SITE", "OPEN THE GAME PAGE IN YOUR BROWSER"));
  out.push_back(Caption("ExitCaption", "EXIT", "LEAVE THE GAME"));
  out.push_back(HighScoresBackground());
  out.push_back(TwoStateButton("ClearHighScores", 248, 40, "CLEAR TABLE", 19));
  out.push_back(TwoStateButton("ViewHighScores", 248, 40, "VIEW ONLINE TABLE", 19));
  AddHelpPages(out, race);
  out.push_back(ArrowButton("Previous", false));
  out.push_back(ArrowButton("Next", true));
  out.push_back(StartGameBackground());
  for (int model = 1; model <= 4; ++model) out.push_back(CarPortrait(model, false));
  for (int model = 1; model <= 4; ++model) out.push_back(CarPortrait(model, true));
  out.push_back(OptionsBackground());
  out.push_back(OptionButton("OptionButton_Inactive", false));
  out.push_back(OptionButton("OptionButton_Active", true));
  out.push_back(Cursor());
  out.push_back(EnterYourName());
  out.push_back(SendResults());
  out.push_back(TwoStateButton("OkButton2", 160, 50, "OK", 24));
  out.push_back(TwoStateButton("CancelButton2", 160, 50, "CANCEL", 22));
  return out;
}

}  // namespace brakkon::bake
