// Review pages: every picture of an archive on one sheet, and two screens
// composed from the baked pictures at their game positions.
#include "contact_sheet.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "canvas.h"

namespace brakkon::bake {
namespace {

constexpr int kSheetWidth = 1600;
constexpr int kMargin = 16;
constexpr int kLabelHeight = 34;

struct Slot {
  const Picture* picture;
  double scale;
  int x, y, w, h;  // the slot, label included
};

void Checker(cairo_t* cr, double x, double y, double w, double h) {
  cairo_save(cr);
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  for (int j = 0; j * 8 < h; ++j) {
    for (int i = 0; i * 8 < w; ++i) {
      SetColor(cr, ((i + j) % 2) ? Hex(0x3A2A48) : Hex(0x2C2038));
      cairo_rectangle(cr, x + i * 8, y + j * 8, 8, 8);
      cairo_fill(cr);
    }
  }
  cairo_restore(cr);
}

void DrawPictureSlot(Canvas& canvas, const Slot& s) {
  cairo_t* cr = canvas.Cr();
  const Picture& p = *s.picture;
  std::string label =
      p.PatternCount() > 1
          ? fmt::format("{}  {}x{} x{}", p.name, p.CellWidth(), p.CellHeight(), p.PatternCount())
          : fmt::format("{}  {}x{}", p.name, p.image.width, p.image.height);
  if (!p.transparent) label += "  opaque";
  if (s.scale != 1.0) label += fmt::format("  ({:.0f}%)", s.scale * 100);
  FillText(cr, TextStyle{15, 0, 1, true}, label, s.x, s.y + 16, Hex(0xE8ECF4));
  double iw = p.image.width * s.scale, ih = p.image.height * s.scale;
  double iy = s.y + kLabelHeight - 12;
  Checker(cr, s.x, iy, iw, ih);
  canvas.DrawPicture(p.image, s.x, iy, s.scale, p.transparent);
  if (p.PatternCount() > 1) {
    cairo_set_line_width(cr, 1);
    SetColor(cr, Hex(0x30E0FF), 0.7);
    for (int k = 0; k <= p.PatternCount(); ++k) {
      double x = std::round(s.x + k * p.CellWidth() * s.scale) + 0.5;
      cairo_move_to(cr, x, iy - 4);
      cairo_line_to(cr, x, iy + ih + 4);
    }
    cairo_stroke(cr);
  }
}

}  // namespace

void WriteContactSheet(const PictureSet& pictures, const std::string& title,
                       const std::string& path) {
  std::vector<Slot> slots;
  int x = kMargin, y = 60, rowHeight = 0;
  for (const Picture& p : pictures) {
    double scale = 1.0;
    const int maxW = kSheetWidth - 2 * kMargin;
    if (p.image.width > maxW) scale = static_cast<double>(maxW) / p.image.width;
    if (p.image.height > 300 && p.image.width > 200) scale = std::min(scale, 0.5);
    // Small sprites are enlarged so their pixels can be judged.
    if (p.image.width * 3 <= 360 && p.image.height * 3 <= 420) {
      scale = 3;
    } else if (p.image.width * 2 <= 720 && p.image.height * 2 <= 300) {
      scale = 2;
    }
    int w = std::max(static_cast<int>(std::ceil(p.image.width * scale)), 260);
    int h = static_cast<int>(std::ceil(p.image.height * scale)) + kLabelHeight;
    if (x + w > kSheetWidth - kMargin) {
      x = kMargin;
      y += rowHeight + 14;
      rowHeight = 0;
    }
    slots.push_back(Slot{&p, scale, x, y, w, h});
    x += w + 18;
    rowHeight = std::max(rowHeight, h);
  }
  Canvas canvas(kSheetWidth, y + rowHeight + kMargin);
  cairo_t* cr = canvas.Cr();
  SetColor(cr, Hex(0x181820));
  cairo_paint(cr);
  FillText(cr, TextStyle{30, 0, 1, true}, title, kMargin, 40, Hex(0xFFC040));
  for (const Slot& s : slots) DrawPictureSlot(canvas, s);
  if (cairo_surface_write_to_png(canvas.Surface(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cannot write " + path);
  }
}

namespace {

// Draws a text glyph by glyph with the game's pen rules; returns the pen after it.
int DrawBitmapText(Canvas& canvas, const Picture& font, std::string_view text, int x, int y) {
  const bool big = font.patternWidth == 40;
  const AdvanceTable& adv = big ? kBigAdvance : kMediumAdvance;
  const double kern = big ? -0.05 * font.patternWidth : 0.0;
  double pen = x;
  for (char c : text) {
    if (c == ' ') {
      pen = std::trunc(pen + 0.2 * font.patternWidth);
      continue;
    }
    int k = static_cast<unsigned char>(c) - 47;
    if (k < 0 || k >= 44) continue;
    canvas.DrawPicture(font.image, pen, y, 1.0, true, k * font.patternWidth, 0, font.patternWidth,
                       font.patternHeight);
    pen = std::trunc(pen + adv[k] + kern);
  }
  return static_cast<int>(pen);
}

void Put(Canvas& canvas, const PictureSet& set, const std::string& name, double x, double y,
         int pattern = 0) {
  const Picture& p = FindPicture(set, name);
  canvas.DrawPicture(p.image, std::floor(x), std::floor(y), 1.0, p.transparent,
                     pattern * p.CellWidth(), 0, p.CellWidth(), p.CellHeight());
}

void Save(const Canvas& canvas, const std::string& path) {
  if (cairo_surface_write_to_png(canvas.Surface(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace

void WriteMenuMockup(const PictureSet& menu, const std::string& path) {
  Canvas canvas(800, 600);
  cairo_t* cr = canvas.Cr();
  SetColor(cr, Hex(0x000000));
  cairo_paint(cr);
  Put(canvas, menu, "MainMenuBackground", 0, 0);
  Put(canvas, menu, "OptionsBackground", 14, 115);
  Put(canvas, menu, "UpPanel", 0, 0);
  Put(canvas, menu, "DownPanel", 0, 530);
  const int rowY[] = {140, 188, 236, 284};
  for (int i = 0; i < 4; ++i) {
    Put(canvas, menu, i == 0 ? "OptionButton_Active" : "OptionButton_Inactive", 22, rowY[i]);
  }
  const int slotY[] = {115, 175, 238, 300, 362};
  for (int k = 0; k < 5; ++k) {
    Put(canvas, menu, k == 1 ? "MainMenuButtons_Active" : "MainMenuButtons_Inactive", 555, slotY[k],
        k);
  }
  Put(canvas, menu, "MainMenu_ExitInactive", 555, 424);

  const Picture& big = FindPicture(menu, "Font_big");
  const Picture& active = FindPicture(menu, "Font_medium_Active");
  const Picture& inactive = FindPicture(menu, "Font_medium_inactive");
  DrawBitmapText(canvas, big, "DISPLAY:", 35, 145);
  DrawBitmapText(canvas, big, "MUSIC:", 35, 193);
  DrawBitmapText(canvas, big, "SOUND:", 35, 241);
  DrawBitmapText(canvas, active, "WINDOW", 265, 145);
  DrawBitmapText(canvas, inactive, "/", 367, 145);
  DrawBitmapText(canvas, inactive, "FULL SCREEN", 379, 145);
  DrawBitmapText(canvas, active, "ON", 265, 193);
  DrawBitmapText(canvas, inactive, "/", 299, 193);
  DrawBitmapText(canvas, inactive, "OFF", 312, 193);
  DrawBitmapText(canvas, inactive, "ON", 265, 241);
  DrawBitmapText(canvas, inactive, "/", 299, 241);
  DrawBitmapText(canvas, active, "OFF", 312, 241);
  DrawBitmapText(canvas, big, "YOUR COUNTRY:", 35, 289);
  int end = DrawBitmapText(canvas, big, "NORWAY", 265, 289);
  Put(canvas, menu, "Cursor", std::max(end, 264), 312);
  Save(canvas, path);
}

void WriteExtraMockups(const PictureSet& menu, const std::string& dir) {
  const Picture& big = FindPicture(menu, "Font_big");
  const Picture& active = FindPicture(menu, "Font_medium_Active");
  auto frame = [&](Canvas& canvas, bool panels) {
    SetColor(canvas.Cr(), Hex(0x000000));
    cairo_paint(canvas.Cr());
    Put(canvas, menu, "MainMenuBackground", 0, 0);
    if (!panels) return;
    Put(canvas, menu, "UpPanel", 0, 0);
    Put(canvas, menu, "DownPanel", 0, 530);
    const int slotY[] = {115, 175, 238, 300, 362};
    for (int k = 0; k < 5; ++k) Put(canvas, menu, "MainMenuButtons_Inactive", 555, slotY[k], k);
    Put(canvas, menu, "MainMenu_ExitInactive", 555, 424);
  };
  {
    Canvas canvas(800, 600);
    frame(canvas, true);
    Put(canvas, menu, "MainMenuButtons_Active", 555, 115, 0);
    Put(canvas, menu, "StartCaption", 30, 190);
    Save(canvas, dir + "/mockup-menu-rest.png");
  }
  {
    Canvas canvas(800, 600);
    frame(canvas, true);
    Put(canvas, menu, "MainMenuButtons_Active", 555, 115, 0);
    Put(canvas, menu, "StartGameBackground", 14, 115);
    const int carX[] = {41, 162, 282, 406};
    for (int i = 0; i < 4; ++i) {
      std::string name = "Car" + std::to_string(i + 1) + (i == 1 ? "_Active" : "");
      Put(canvas, menu, name, carX[i], 161);
    }
    Save(canvas, dir + "/mockup-car-select.png");
  }
  {
    Canvas canvas(800, 600);
    frame(canvas, true);
    Put(canvas, menu, "MainMenuButtons_Active", 555, 238, 2);
    Put(canvas, menu, "HighScoresBackground", 14, 115);
    Put(canvas, menu, "ClearHighScores", 27, 412, 1);
    Put(canvas, menu, "ViewHighScores", 283, 412, 0);
    for (int n = 1; n <= 10; ++n) {
      int y = 126 + 26 * n;
      DrawBitmapText(canvas, active, std::to_string(n), 53, y);
      DrawBitmapText(canvas, active, n == 3 ? "SPEEDY" : "ANONYMOUS", 126, y);
      DrawBitmapText(canvas, active, std::to_string((11 - n) * 200), 377, y);
    }
    Save(canvas, dir + "/mockup-high-scores.png");
  }
  {
    Canvas canvas(1060, 740);
    for (int page = 0; page < 4; ++page) {
      Canvas one(800, 600);
      frame(one, false);
      Put(one, menu, "Help" + std::to_string(page + 1), 14, 115);
      Put(one, menu, "Previous", 36, 428, page == 2 ? 1 : 0);
      Put(one, menu, "Next", 462, 428, 0);
      cairo_set_source_surface(canvas.Cr(), one.Surface(), -14 + (page % 2) * 530,
                               -115 + (page / 2) * 370);
      cairo_rectangle(canvas.Cr(), (page % 2) * 530, (page / 2) * 370, 530, 370);
      cairo_fill(canvas.Cr());
    }
    Save(canvas, dir + "/mockup-help-pages.png");
  }
  {
    Canvas canvas(800, 600);
    frame(canvas, false);
    Put(canvas, menu, "EnterYourName", 200, 160);
    int end = DrawBitmapText(canvas, big, "NONAME", 400, 243);
    Put(canvas, menu, "Cursor", std::max(end, 398), 265);
    Save(canvas, dir + "/mockup-name-entry.png");
  }
}

void WriteRaceMockup(const PictureSet& menu, const PictureSet& race, const std::string& path) {
  Canvas canvas(800, 600);
  cairo_t* cr = canvas.Cr();
  SetColor(cr, Hex(0x000000));
  cairo_paint(cr);
  const int scroll = 190;
  for (int y = scroll - 512; y < 600; y += 512) Put(canvas, race, "GroundLeft", 124, y);

  auto laneX = [&](int lane, std::string_view name) {
    const int bounds[] = {170, 283, 392, 502, 615};
    const Picture& p = FindPicture(race, name);
    return bounds[lane - 1] + (bounds[lane] - bounds[lane - 1] - p.CellWidth()) / 2.0;
  };
  Put(canvas, race, "SignLeftBlue", 140, 60);
  Put(canvas, race, "WallRight", 630, 250);
  Put(canvas, race, "SignRightRed", 630, 40);
  Put(canvas, race, "Water10", laneX(4, "Water10"), 330, 1);
  Put(canvas, race, "Spike10", laneX(2, "Spike10"), 70);
  Put(canvas, race, "Bonus50", laneX(3, "Bonus50"), 250, 1);
  Put(canvas, race, "Stone05", laneX(4, "Stone05"), 150);
  Put(canvas, race, "Rabbit", laneX(2, "Rabbit"), 190, 2);
  Put(canvas, race, "Crack", laneX(3, "Crack"), 400);
  Put(canvas, race, "ExplosionSmall", laneX(3, "Wall05"), 140, 2);
  Put(canvas, race, "Car7", laneX(4, "Car7"), 10);
  Put(canvas, race, "Car8_Inv", laneX(2, "Car8_Inv"), 300);

  Put(canvas, race, "LeftPanel", 0, 0);
  Put(canvas, race, "RightPanel", 679, 0);
  Put(canvas, race, "CarSmall", 726, 180);
  Put(canvas, race, "GunSmall", 692, 426);

  const double carX = laneX(3, "Car1"), carY = 469;
  Put(canvas, race, "Car1", carX, carY);
  const double gunX = carX + (52 - 16) / 2.0, gunY = carY + 0.3 * 96;
  Put(canvas, race, "Gun", gunX, gunY);
  Put(canvas, race, "GunFire", gunX - 5, gunY - 24, 0);
  Put(canvas, race, "ExplosionMicro", carX + 26, 172);

  // The needle turns about its pivot (20, 4), which stays on the dial centre.
  const Picture& needle = FindPicture(race, "Pointer");
  const int angle = static_cast<int>(200.0 / 14 * 10);
  cairo_surface_t* s = SurfaceFromImage(needle.image, true);
  cairo_save(cr);
  cairo_translate(cr, 736, 537);
  cairo_rotate(cr, angle * 2 * M_PI / 256);
  cairo_set_source_surface(cr, s, -20, -4);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(s);

  const Picture& small = FindPicture(menu, "Font_small");
  DrawBitmapText(canvas, small, "3", 55, 90);
  DrawBitmapText(canvas, small, "12450", 25, 180);
  const char* clock[] = {"0", "1", ":", "2", "7"};
  const int clockX[] = {35, 50, 65, 75, 90};
  for (int i = 0; i < 5; ++i) DrawBitmapText(canvas, small, clock[i], clockX[i], 270);
  DrawBitmapText(canvas, small, "3", 55, 360);
  DrawBitmapText(canvas, small, "7", 764, 430);
  Save(canvas, path);
}

}  // namespace brakkon::bake
