// The four help pages: controls, hazards, bonuses and levels, illustrated with the
// race's own sprites.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "canvas.h"
#include "menu_parts.h"
#include "widgets.h"

namespace brakkon::bake {
namespace {

constexpr Rgb kText = Hex(0xD8E0EC);
constexpr Rgb kDim = Hex(0x9AA6B8);

// Pattern 0 of a race sprite scaled to fit a box, centred in it.
void Sprite(Canvas& c, const PictureSet& race, const char* name, double x, double y, double w,
            double h, int pattern = 0) {
  const Picture& p = FindPicture(race, name);
  double scale = std::min({1.0, w / p.CellWidth(), h / p.CellHeight()});
  double dx = x + (w - p.CellWidth() * scale) / 2, dy = y + (h - p.CellHeight() * scale) / 2;
  c.DrawPicture(p.image, dx, dy, scale, true, pattern * p.CellWidth(), 0, p.CellWidth(),
                p.CellHeight());
}

void PageNumber(cairo_t* cr, int page) {
  std::string text = std::to_string(page) + "/4";
  Label(cr, text, kScreenWidth / 2.0, 340, 22, kAmber, Align::kCenter);
}

// A keyboard key with a label or an arrow (dir: 0 none, 1 up, 2 down, 3 left, 4 right).
void KeyCap(cairo_t* cr, double x, double y, double w, const char* label, int dir) {
  const double h = 30;
  Plate(cr, x, y + 3, w, h, 5, Hex(0x10141C), Hex(0x10141C), Hex(0x10141C), 0);
  Plate(cr, x, y, w, h, 5, Hex(0xE8ECF2), Hex(0xA8B2C0), Hex(0x5A6474), 1);
  if (dir == 0) {
    TextStyle style = FitText(cr, TextStyle{14, 0, 1.0, true}, label, w - 8);
    FillText(cr, style, label, x + w / 2, y + 20, Hex(0x202630), Align::kCenter);
    return;
  }
  const double cx = x + w / 2, cy = y + h / 2;
  const double ang[5] = {0, -M_PI / 2, M_PI / 2, M_PI, 0};
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, ang[dir]);
  cairo_move_to(cr, 8, 0);
  cairo_line_to(cr, 0, -7);
  cairo_line_to(cr, 0, -3);
  cairo_line_to(cr, -8, -3);
  cairo_line_to(cr, -8, 3);
  cairo_line_to(cr, 0, 3);
  cairo_line_to(cr, 0, 7);
  cairo_close_path(cr);
  cairo_restore(cr);
  SetColor(cr, Hex(0x202630));
  cairo_fill(cr);
}

Picture Controls(const PictureSet& race) {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "CONTROLS");
  cairo_t* cr = c.Cr();
  struct Row {
    std::vector<std::pair<const char*, int>> keys;
    std::vector<double> widths;
    const char* text;
  };
  const Row rows[] = {
      {{{"", 1}}, {40}, "ACCELERATE"},
      {{{"", 2}}, {40}, "BRAKE"},
      {{{"", 3}, {"", 4}}, {40, 40}, "STEER LEFT / RIGHT"},
      {{{"SPACE", 0}, {"CTRL", 0}}, {70, 50}, "FIRE (WITH THE GUN)"},
      {{{"P", 0}}, {40}, "PAUSE"},
      {{{"ESC", 0}}, {50}, "FINISH THE RACE"},
  };
  double y = 46;
  for (const Row& r : rows) {
    double x = 34;
    for (std::size_t i = 0; i < r.keys.size(); ++i) {
      KeyCap(cr, x, y, r.widths[i], r.keys[i].first, r.keys[i].second);
      x += r.widths[i] + 8;
    }
    Label(cr, r.text, 175, y + 21, 17, kText);
    y += 43;
  }
  // The car with its gun, as seen in the race.
  Well(cr, 404, 52, 100, 200, 8, Hex(0x141A24));
  Sprite(c, race, "Car1", 428, 100, 52, 96);
  Sprite(c, race, "Gun", 446, 128.8, 16, 32);
  Sprite(c, race, "GunFire", 441, 104.8, 26, 24);
  Label(cr, "YOUR CAR", 454, 244, 13, kDim, Align::kCenter);
  PageNumber(cr, 1);
  return KeyedPicture("Help1", c, kMenuNavy);
}

struct Entry {
  std::vector<const char*> sprites;
  std::vector<int> patterns;
  const char* title;
  const char* line1;
  const char* line2;
};

// A two-column grid of illustrated entries.
void EntryGrid(Canvas& c, const PictureSet& race, const std::vector<Entry>& entries, double top,
               double rowHeight) {
  cairo_t* cr = c.Cr();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    double x = i % 2 == 0 ? 18 : 272, y = top + (i / 2) * rowHeight;
    Well(cr, x, y, 96, rowHeight - 10, 6, Hex(0x3C3F44));
    double slot = 92.0 / e.sprites.size();
    for (std::size_t k = 0; k < e.sprites.size(); ++k) {
      int pattern = k < e.patterns.size() ? e.patterns[k] : 0;
      Sprite(c, race, e.sprites[k], x + 2 + k * slot, y + 3, slot, rowHeight - 16, pattern);
    }
    Label(cr, e.title, x + 106, y + 20, 17, kAmber);
    Label(cr, e.line1, x + 106, y + 40, 13, kText);
    if (e.line2 != nullptr) Label(cr, e.line2, x + 106, y + 57, 13, kText);
  }
}

Picture Hazards(const PictureSet& race) {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "HAZARDS");
  const std::vector<Entry> entries = {
      {{"Wall05"}, {}, "WALLS", "CRASH: A LIFE IS LOST", "SHOOT ONE: +10"},
      {{"Car7", "Car8_Inv"}, {}, "TRAFFIC", "CRASH: A LIFE IS LOST", "SHOOT ONE: +20"},
      {{"Spike10"}, {}, "SPIKES", "10 S ADRIFT: NO GAS,", "NO BRAKES"},
      {{"Water05"}, {}, "WATER", "SLIDES YOU A LANE", "TO THE SIDE"},
      {{"Stone05", "Crack"}, {}, "STONES, CRACKS", "SLOW YOU DOWN", nullptr},
      {{"Rabbit"}, {1}, "RABBITS", "RUN ONE OVER:", "-100 POINTS"},
  };
  EntryGrid(c, race, entries, 42, 88);
  PageNumber(c.Cr(), 2);
  return KeyedPicture("Help2", c, kMenuNavy);
}

Picture Bonuses(const PictureSet& race) {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "BONUSES");
  cairo_t* cr = c.Cr();
  // Point tokens in a row.
  Well(cr, 18, 44, 200, 56, 6, Hex(0x3C3F44));
  const char* tokens[] = {"Bonus10", "Bonus20", "Bonus50", "Bonus100"};
  for (int i = 0; i < 4; ++i) Sprite(c, race, tokens[i], 24 + i * 48, 52, 40, 40);
  Label(cr, "POINTS", 232, 66, 17, kAmber);
  Label(cr, "10, 20, 50 OR 100 FOR EACH TOKEN", 232, 88, 13, kText);

  struct Row {
    const char* sprite;
    const char* title;
    const char* line1;
    const char* line2;
  };
  const Row rows[] = {
      {"BonusGun", "GUN", "10 S OF FIRE: SPACE OR CTRL", "3 HITS DESTROY: WALL +10, CAR +20"},
      {"BonusTurbo", "TURBO", "10 S WITH TOP SPEED 300", "INSTEAD OF 250"},
      {"BonusLive", "EXTRA LIFE", "ONE MORE TRY", nullptr},
  };
  double y = 112;
  for (const Row& r : rows) {
    Well(cr, 18, y, 56, 56, 6, Hex(0x3C3F44));
    Sprite(c, race, r.sprite, 26, y + 8, 40, 40);
    Label(cr, r.title, 88, y + 20, 17, kAmber);
    Label(cr, r.line1, 88, y + 38, 13, kText);
    if (r.line2 != nullptr) Label(cr, r.line2, 88, y + 54, 13, kText);
    y += 64;
  }
  // How the bonus box shows it in the race.
  Well(cr, 360, 128, 150, 150, 8, Hex(0x141A24));
  Well(cr, 372, 150, 126, 40, 4, kHudField);
  Sprite(c, race, "TurboSmall", 384, 156, 46, 28);
  FillText(cr, TextStyle{20, 0, 1, true}, "9", 452, 178, Hex(0xB4FF8C));
  Label(cr, "THE BONUS BOX", 435, 214, 13, kText, Align::kCenter);
  Label(cr, "COUNTS THE SECONDS", 435, 231, 13, kText, Align::kCenter);
  Label(cr, "A NEW ONE REPLACES", 435, 252, 12, kDim, Align::kCenter);
  Label(cr, "THE OTHER", 435, 268, 12, kDim, Align::kCenter);
  PageNumber(cr, 3);
  return KeyedPicture("Help3", c, kMenuNavy);
}

Picture Levels(const PictureSet& race) {
  Canvas c(kScreenWidth, kScreenHeight);
  ScreenPanel(c, "LEVELS");
  cairo_t* cr = c.Cr();
  Sprite(c, race, "FinishLine", 99, 44, 332, 24);
  const char* lines[] = {
      "REACH THE FINISH LINE BEFORE THE CLOCK",
      "RUNS OUT; EVERY 3 LEVELS GET LONGER",
      "EACH SECOND LEFT OVER: 5 POINTS",
      "EVERY 3RD LEVEL IS A TRAFFIC LEVEL",
      "OFF THE ROAD YOUR TOP SPEED IS HALVED",
      "A CRASH OR TIME OVER COSTS A LIFE",
      "YOU START WITH 3 LIVES",
  };
  double y = 100;
  for (int i = 0; i < 7; ++i) {
    bool continuation = i == 1;
    if (!continuation) {
      cairo_new_path(cr);
      cairo_move_to(cr, 34, y - 11);
      cairo_line_to(cr, 42, y - 6);
      cairo_line_to(cr, 34, y - 1);
      cairo_close_path(cr);
      SetColor(cr, kOrange);
      cairo_fill(cr);
    }
    Label(cr, lines[i], 52, y, 16, kText);
    y += continuation ? 30 : 26;
  }
  PageNumber(cr, 4);
  return KeyedPicture("Help4", c, kMenuNavy);
}

}  // namespace

void AddHelpPages(PictureSet& out, const PictureSet& race) {
  out.push_back(Controls(race));
  out.push_back(Hazards(race));
  out.push_back(Bonuses(race));
  out.push_back(Levels(race));
}

}  // namespace brakkon::bake
