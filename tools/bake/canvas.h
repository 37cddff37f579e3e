// Drawing surface, fonts, colours and noise shared by every picture the baker makes.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/rgb_image.h"

namespace brakkon::bake {

using engine::RgbImage;

struct Rgb {
  double r = 0;
  double g = 0;
  double b = 0;
};

// 0xRRGGBB to a colour with components 0..1.
constexpr Rgb Hex(std::uint32_t rgb) {
  return Rgb{((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb c, double factor);
Rgb Desaturate(Rgb c, double amount);
std::uint32_t Pack(Rgb c);  // 0x00RRGGBB, clamped

void SetColor(cairo_t* cr, Rgb c, double alpha = 1.0);
void AddStop(cairo_pattern_t* pattern, double offset, Rgb c, double alpha = 1.0);

// The surface background colours that anti-aliased edges are composited over.
inline constexpr Rgb kAsphalt = Hex(0x4A4D52);
inline constexpr Rgb kMenuNavy = Hex(0x141C2E);
inline constexpr Rgb kPanelSteel = Hex(0x2A3038);
inline constexpr Rgb kGrass = Hex(0x2E5A22);

// The two faces of the game's typeface, loaded from Debian's font files.
class FontLibrary {
 public:
  FontLibrary();   // raises std::runtime_error naming the file when a face is missing
  ~FontLibrary();  // drops cairo's caches before FreeType goes away
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  static const FontLibrary& Current();
  cairo_font_face_t* Bold() const { return bold_; }
  cairo_font_face_t* Regular() const { return regular_; }

 private:
  void* library_ = nullptr;   // FT_Library
  void* boldFace_ = nullptr;  // FT_Face
  void* regularFace_ = nullptr;
  cairo_font_face_t* bold_ = nullptr;
  cairo_font_face_t* regular_ = nullptr;
};

enum class Align { kLeft, kCenter, kRight };

// Typeface, size in pixels, rightward lean (0.2 = italic) and horizontal scale.
struct TextStyle {
  double size = 20;
  double lean = 0;
  double stretch = 1;
  bool bold = true;
};

// Selects the style on cr (font face, matrix, hinting off for stable output).
void UseTextStyle(cairo_t* cr, const TextStyle& style);
// Advance width of text in the style.
double TextWidth(cairo_t* cr, const TextStyle& style, std::string_view text);
// Adds the outline of text to the current path with its baseline at y.
void TextPath(cairo_t* cr, const TextStyle& style, std::string_view text, double x, double y,
              Align align = Align::kLeft);
// Fills text in one colour.
void FillText(cairo_t* cr, const TextStyle& style, std::string_view text, double x, double y,
              Rgb color, Align align = Align::kLeft, double alpha = 1.0);
// Largest size up to style.size at which text fits in maxWidth.
TextStyle FitText(cairo_t* cr, TextStyle style, std::string_view text, double maxWidth);

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// An ARGB picture being drawn, converted to the archive's 24-bit form at the end.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* Cr() const { return cr_; }
  cairo_surface_t* Surface() const { return surface_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Premultiplied 0xAARRGGBB pixel access; call Flush before and MarkDirty after.
  std::uint32_t* Row(int y);
  void Flush();
  void MarkDirty();

  // Three box-blur passes over the whole surface, alpha included.
  void Blur(double radius);

  // Everything composited over black: for pictures drawn without the key.
  RgbImage Opaque() const;
  // Keyed picture: alpha < 1/2 becomes the key (0,0,0); the rest is composited
  // over `under` and lifted off the key so no visible pixel vanishes.
  RgbImage Keyed(Rgb under) const;

  // Paints a baked picture (one pattern of it) with its top-left at (x, y),
  // scaled by `scale`; key pixels stay transparent when `keyed`.
  void DrawPicture(const RgbImage& image, double x, double y, double scale = 1.0, bool keyed = true,
                   int srcX = 0, int srcY = 0, int srcW = -1, int srcH = -1, double alpha = 1.0);

 private:
  int width_;
  int height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

// A cairo image surface holding a baked picture, key pixels transparent.
cairo_surface_t* SurfaceFromImage(const RgbImage& image, bool keyed);

// Deterministic generator for every random detail (splitmix64).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  double Uniform();                    // [0, 1)
  double Range(double lo, double hi);  // [lo, hi)
  int Int(int n);                      // 0 .. n-1

 private:
  std::uint64_t state_;
};

// Smooth value noise in [0, 1], periodic in x and y with the given periods (pixels);
// `cell` is the lattice spacing, which must divide both periods.
double TileNoise(double x, double y, int cell, int periodX, int periodY, std::uint32_t seed);
// Sum of octaves of TileNoise, normalised to [0, 1].
double TileFbm(double x, double y, int cell, int octaves, int periodX, int periodY,
               std::uint32_t seed);

}  // namespace brakkon::bake
