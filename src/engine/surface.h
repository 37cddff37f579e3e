// Software surfaces of 16-bit RGB565 pixels: the back surface everything is
// drawn on and the pattern surfaces of pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/rect.h"

namespace brakkon::engine {

class TGraphic;

// RGB565 from 8-bit channels, truncating; picture loading and MatchColor both use it.
inline std::uint16_t Rgb565FromRgb(std::uint32_t rgb) {
  const std::uint32_t r = (rgb >> 16) & 0xFF;
  const std::uint32_t g = (rgb >> 8) & 0xFF;
  const std::uint32_t b = rgb & 0xFF;
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// The RGB value (0x00RRGGBB) of a TColor: system colours resolve to classic
// desktop defaults, anything else keeps its low 24 bits (clNone is white).
std::uint32_t ColorToRgb(TColor color);

// Wraps the drawing context that would be handed out for canvas drawing; the
// game never draws through it, so releasing is all it does.
class TCanvas {
 public:
  void Release() {}
};

class TDirectDrawSurface {
 public:
  TDirectDrawSurface() = default;
  TDirectDrawSurface(int width, int height) { SetSize(width, height); }

  // Resizes to width x height (both clamped at 0); the pixels become 0.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect ClientRect() const { return TRect{0, 0, width_, height_}; }
  // Row y starts Pitch() pixels after row y - 1: a surface showing part of a
  // picture steps through the picture's rows.
  std::uint16_t* Pixels() {
    Own();
    return pixels_.data();
  }
  const std::uint16_t* Pixels() const {
    SettleFill();
    return view_ ? view_ : pixels_.data();
  }
  int Pitch() const { return pitch_; }
  std::uint16_t Pixel(int x, int y) const { return Pixels()[static_cast<std::size_t>(y) * pitch_ + x]; }
  void SetPixel(int x, int y, std::uint16_t value) { Pixels()[static_cast<std::size_t>(y) * pitch_ + x] = value; }
  // True while the surface shows a picture's pixels in place instead of its own.
  bool SharesPicture() const { return view_ != nullptr; }

  // The raw pixel value treated as transparent by copies with Transparent set.
  std::uint16_t TransparentColor() const { return colorKey_; }
  void SetTransparentColor(std::uint16_t rawPixel) { colorKey_ = rawPixel; }

  // Fills the whole surface with a raw pixel value.
  void Fill(std::uint32_t color);

  // Copies SourceRect of Source 1:1 with its top-left at (x, y), clipped to both
  // surfaces; with `transparent`, pixels equal to Source's colour key are skipped.
  void Draw(int x, int y, TRect sourceRect, const TDirectDrawSurface* source, bool transparent);

  // Draws SourceRect of Source scaled to width x height and turned by `angle`
  // 256ths of a turn (clockwise on screen) about (x, y), which sits on the
  // fraction (pivotX, pivotY) of the scaled picture. Nearest pixel.
  void DrawRotated(int x, int y, int width, int height, TRect sourceRect,
                   const TDirectDrawSurface* source, double pivotX, double pivotY,
                   bool transparent, int angle);

  // The raw pixel value a TColor becomes on this surface, converted exactly as
  // picture loading converts.
  std::uint16_t MatchColor(TColor color);

  // Resizes to the rectangle and shows that part of the picture. A rectangle
  // inside the picture shares its pixels (the game's pictures are held once);
  // one reaching outside gets its own copy, black where the picture ends.
  // Drawing onto a shared surface first gives it its own copy.
  void LoadPictureRect(const TGraphic& graphic, TRect sourceRect);

  TCanvas& Canvas() { return canvas_; }

 private:
  // Before a write: a surface sharing a picture takes its own copy, and a fill
  // still owed is done.
  void Own();
  void OwnPixels();
  // Does the part of the last Fill that nothing has drawn over yet.
  void SettleFill() const;
  // Columns [first, last) of row y hold every pixel that is not the colour key.
  struct KeySpan {
    int first = 0;
    int last = 0;
  };
  KeySpan KeySpanOfRow(int y) const;

  int width_ = 0;
  int height_ = 0;
  int pitch_ = 0;
  std::vector<std::uint16_t> pixels_;  // own pixels; empty while sharing a picture
  std::shared_ptr<const std::uint16_t[]> shared_;  // keeps a shared picture's pixels alive
  const std::uint16_t* view_ = nullptr;            // the shared rectangle's first pixel
  std::uint16_t colorKey_ = 0;
  // Every frame starts with a fill that an opaque background then covers: the
  // fill is owed instead of done, for rows [fillTop_, fillBottom_), and draws
  // that cover whole rows from either end of that band take them off it.
  // A keyed copy skips each row's transparent ends: the menus' panels and
  // captions are mostly key colour. Worked out at the first keyed copy from
  // the surface and forgotten at any write.
  mutable std::vector<KeySpan> keySpans_;
  mutable std::uint16_t keySpansKey_ = 0;
  mutable int fillTop_ = 0;
  mutable int fillBottom_ = 0;
  std::uint16_t fillPixel_ = 0;
  TCanvas canvas_;
};

}  // namespace brakkon::engine
