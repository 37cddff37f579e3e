// Drawing surface, fonts, colours and noise shared by every picture the baker makes.
#include "canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace brakkon::bake {
namespace {

constexpr const char* kBoldFontPath = "/usr/share/fonts/truetype/play/Play-Bold.ttf";
constexpr const char* kRegularFontPath = "/usr/share/fonts/truetype/play/Play-Regular.ttf";

const FontLibrary* currentLibrary = nullptr;

std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.0), 0L, 255L));
}

std::uint64_t Hash(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// One horizontal then one vertical running-sum pass per channel.
void BoxBlurPass(std::vector<double>& c, int w, int h, int r) {
  std::vector<double> tmp(c.size());
  for (int y = 0; y < h; ++y) {
    double sum = 0;
    for (int x = -r; x <= r; ++x) sum += c[y * w + std::clamp(x, 0, w - 1)];
    for (int x = 0; x < w; ++x) {
      tmp[y * w + x] = sum / (2 * r + 1);
      sum += c[y * w + std::min(x + r + 1, w - 1)] - c[y * w + std::max(x - r, 0)];
    }
  }
  for (int x = 0; x < w; ++x) {
    double sum = 0;
    for (int y = -r; y <= r; ++y) sum += tmp[std::clamp(y, 0, h - 1) * w + x];
    for (int y = 0; y < h; ++y) {
      c[y * w + x] = sum / (2 * r + 1);
      sum += tmp[std::min(y + r + 1, h - 1) * w + x] - tmp[std::max(y - r, 0) * w + x];
    }
  }
}

}  // namespace

Rgb Mix(Rgb a, Rgb b, double t) {
  return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, double f) {
  return Rgb{c.r * f, c.g * f, c.b * f};
}

Rgb Desaturate(Rgb c, double amount) {
  double grey = 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
  return Mix(c, Rgb{grey, grey, grey}, amount);
}

std::uint32_t Pack(Rgb c) {
  return (std::uint32_t{ToByte(c.r)} << 16) | (std::uint32_t{ToByte(c.g)} << 8) | ToByte(c.b);
}

void SetColor(cairo_t* cr, Rgb c, double alpha) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void AddStop(cairo_pattern_t* pattern, double offset, Rgb c, double alpha) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, c.r, c.g, c.b, alpha);
}

FontLibrary::FontLibrary() {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType cannot be initialised");
  library_ = lib;
  auto load = [&](const char* path, void*& faceSlot) {
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path, 0, &face) != 0) {
      throw std::runtime_error(std::string("Font file missing or unreadable: ") + path +
                               " (install the Debian package fonts-play)");
    }
    faceSlot = face;
    return cairo_ft_font_face_create_for_ft_face(face, 0);
  };
  bold_ = load(kBoldFontPath, boldFace_);
  regular_ = load(kRegularFontPath, regularFace_);
  currentLibrary = this;
}

FontLibrary::~FontLibrary() {
  if (currentLibrary == this) currentLibrary = nullptr;
  if (bold_ != nullptr) cairo_font_face_destroy(bold_);
  if (regular_ != nullptr) cairo_font_face_destroy(regular_);
  cairo_debug_reset_static_data();
  if (boldFace_ != nullptr) FT_Done_Face(static_cast<FT_Face>(boldFace_));
  if (regularFace_ != nullptr) FT_Done_Face(static_cast<FT_Face>(regularFace_));
  if (library_ != nullptr) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

const FontLibrary& FontLibrary::Current() {
  if (currentLibrary == nullptr) throw std::logic_error("no font library loaded");
  return *currentLibrary;
}

void UseTextStyle(cairo_t* cr, const TextStyle& style) {
  const FontLibrary& fonts = FontLibrary::Current();
  cairo_set_font_face(cr, style.bold ? fonts.Bold() : fonts.Regular());
  cairo_matrix_t m;
  cairo_matrix_init(&m, style.size * style.stretch, 0, -style.size * style.lean, style.size, 0, 0);
  cairo_set_font_matrix(cr, &m);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

double TextWidth(cairo_t* cr, const TextStyle& style, std::string_view text) {
  UseTextStyle(cr, style);
  std::string s(text);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, s.c_str(), &ext);
  return ext.x_advance;
}

void TextPath(cairo_t* cr, const TextStyle& style, std::string_view text, double x, double y,
              Align align) {
  double w = TextWidth(cr, style, text);
  if (align == Align::kCenter) x -= w / 2;
  if (align == Align::kRight) x -= w;
  std::string s(text);
  cairo_move_to(cr, x, y);
  cairo_text_path(cr, s.c_str());
}

void FillText(cairo_t* cr, const TextStyle& style, std::string_view text, double x, double y,
              Rgb color, Align align, double alpha) {
  cairo_new_path(cr);
  TextPath(cr, style, text, x, y, align);
  SetColor(cr, color, alpha);
  cairo_fill(cr);
}

TextStyle FitText(cairo_t* cr, TextStyle style, std::string_view text, double maxWidth) {
  double w = TextWidth(cr, style, text);
  if (w > maxWidth) style.size *= maxWidth / w;
  return style;
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

std::uint32_t* Canvas::Row(int y) {
  auto* base = cairo_image_surface_get_data(surface_);
  return reinterpret_cast<std::uint32_t*>(base + y * cairo_image_surface_get_stride(surface_));
}

void Canvas::Flush() {
  cairo_surface_flush(surface_);
}
void Canvas::MarkDirty() {
  cairo_surface_mark_dirty(surface_);
}

void Canvas::Blur(double radius) {
  Flush();
  int r = std::max(1, static_cast<int>(std::lround(radius / 1.7)));
  std::size_t n = static_cast<std::size_t>(width_) * height_;
  std::vector<double> ch[4];
  for (auto& c : ch) c.resize(n);
  for (int y = 0; y < height_; ++y) {
    std::uint32_t* row = Row(y);
    for (int x = 0; x < width_; ++x) {
      for (int k = 0; k < 4; ++k) ch[k][y * width_ + x] = (row[x] >> (8 * k)) & 0xFF;
    }
  }
  for (auto& c : ch) {
    for (int pass = 0; pass < 3; ++pass) BoxBlurPass(c, width_, height_, r);
  }
  for (int y = 0; y < height_; ++y) {
    std::uint32_t* row = Row(y);
    for (int x = 0; x < width_; ++x) {
      std::uint32_t a = static_cast<std::uint32_t>(std::lround(ch[3][y * width_ + x]));
      std::uint32_t v = a << 24;
      for (int k = 0; k < 3; ++k) {
        auto c = static_cast<std::uint32_t>(std::lround(ch[k][y * width_ + x]));
        v |= std::min(c, a) << (8 * k);
      }
      row[x] = v;
    }
  }
  MarkDirty();
}

RgbImage Canvas::Opaque() const {
  cairo_surface_flush(surface_);
  RgbImage out(width_, height_);
  auto* self = const_cast<Canvas*>(this);
  for (int y = 0; y < height_; ++y) {
    const std::uint32_t* row = self->Row(y);
    for (int x = 0; x < width_; ++x) out.At(x, y) = row[x] & 0xFFFFFF;
  }
  return out;
}

RgbImage Canvas::Keyed(Rgb under) const {
  cairo_surface_flush(surface_);
  RgbImage out(width_, height_);
  auto* self = const_cast<Canvas*>(this);
  const double ur = under.r * 255, ug = under.g * 255, ub = under.b * 255;
  for (int y = 0; y < height_; ++y) {
    const std::uint32_t* row = self->Row(y);
    for (int x = 0; x < width_; ++x) {
      std::uint32_t p = row[x];
      std::uint32_t a = p >> 24;
      if (a < 128) {
        out.At(x, y) = 0;
        continue;
      }
      double inv = (255.0 - a) / 255.0;
      auto comp = [&](int shift, double bg) {
        return std::clamp(std::lround(((p >> shift) & 0xFF) + bg * inv), 0L, 255L);
      };
      long r = comp(16, ur), g = comp(8, ug), b = comp(0, ub);
      // A visible pixel must survive the 16-bit key test: keep its darkest ink at 16.
      if (std::max({r, g, b}) < 16) {
        r = std::max(r, 16L);
        g = std::max(g, 16L);
        b = std::max(b, 16L);
      }
      out.At(x, y) = static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
    }
  }
  return out;
}

cairo_surface_t* SurfaceFromImage(const RgbImage& image, bool keyed) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  cairo_surface_flush(s);
  auto* base = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(base + y * stride);
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t p = image.At(x, y);
      bool isKey = keyed && ((p >> 16) & 0xFF) < 8 && ((p >> 8) & 0xFF) < 4 && (p & 0xFF) < 8;
      row[x] = isKey ? 0 : (0xFF000000u | p);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

void Canvas::DrawPicture(const RgbImage& image, double x, double y, double scale, bool keyed,
                         int srcX, int srcY, int srcW, int srcH, double alpha) {
  if (srcW < 0) srcW = image.width - srcX;
  if (srcH < 0) srcH = image.height - srcY;
  cairo_surface_t* s = SurfaceFromImage(image, keyed);
  cairo_save(cr_);
  cairo_rectangle(cr_, x, y, srcW * scale, srcH * scale);
  cairo_clip(cr_);
  cairo_translate(cr_, x, y);
  cairo_scale(cr_, scale, scale);
  cairo_set_source_surface(cr_, s, -srcX, -srcY);
  cairo_pattern_set_filter(cairo_get_source(cr_),
                           scale >= 1.0 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_paint_with_alpha(cr_, alpha);
  cairo_restore(cr_);
  cairo_surface_destroy(s);
}

std::uint64_t Rng::Next() {
  state_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double Rng::Uniform() {
  return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}
double Rng::Range(double lo, double hi) {
  return lo + (hi - lo) * Uniform();
}
int Rng::Int(int n) {
  return static_cast<int>(Next() % static_cast<std::uint64_t>(n));
}

double TileNoise(double x, double y, int cell, int periodX, int periodY, std::uint32_t seed) {
  int nx = periodX / cell, ny = periodY / cell;
  double fx = x / cell, fy = y / cell;
  double x0 = std::floor(fx), y0 = std::floor(fy);
  double tx = fx - x0, ty = fy - y0;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto lattice = [&](long ix, long iy) {
    ix = ((ix % nx) + nx) % nx;
    iy = ((iy % ny) + ny) % ny;
    std::uint64_t h = Hash((static_cast<std::uint64_t>(seed) << 40) ^
                           (static_cast<std::uint64_t>(ix) << 20) ^ static_cast<std::uint64_t>(iy));
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
  };
  long ix = static_cast<long>(x0), iy = static_cast<long>(y0);
  double a = lattice(ix, iy), b = lattice(ix + 1, iy);
  double c = lattice(ix, iy + 1), d = lattice(ix + 1, iy + 1);
  double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

double TileFbm(double x, double y, int cell, int octaves, int periodX, int periodY,
               std::uint32_t seed) {
  double sum = 0, amp = 1, total = 0;
  for (int o = 0; o < octaves && cell >= 1; ++o) {
    sum +=
        amp * TileNoise(x, y, cell, periodX, periodY, seed + static_cast<std::uint32_t>(o) * 977);
    total += amp;
    amp *= 0.5;
    cell /= 2;
  }
  return sum / total;
}

}  // namespace brakkon::bake
