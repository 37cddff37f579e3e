// Software RGB565 surfaces: fill, clipped colour-keyed copy, rotated copy and
// picture loading.
#include "engine/surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/picture.h"

namespace brakkon::engine {
namespace {

// Classic desktop defaults for system colours 0..30, as 0x00RRGGBB.
constexpr std::array<std::uint32_t, 31> kSystemColors = {
    0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x0A246A, 0xFFFFFF, 0xD4D0C8,
    0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF, 0x404040, 0xD4D0C8, 0x000000,
    0xFFFFE1, 0xB5B5B5, 0x000080, 0xA6CAF0, 0xC0C0C0, 0x316AC5, 0xECE9D8,
};

struct CosineTable {
  std::array<double, 256> value{};
  CosineTable() {
    for (int i = 0; i < 256; ++i) value[i] = std::cos(2.0 * std::numbers::pi * i / 256.0);
  }
};

const CosineTable& Cosines() {
  static const CosineTable table;
  return table;
}

}  // namespace

std::uint32_t ColorToRgb(TColor color) {
  if ((color & 0xFF000000u) == 0xFF000000u) {
    const std::uint32_t index = color & 0xFFu;
    return index < kSystemColors.size() ? kSystemColors[index] : 0;
  }
  const std::uint32_t r = color & 0xFF;
  const std::uint32_t g = (color >> 8) & 0xFF;
  const std::uint32_t b = (color >> 16) & 0xFF;
  return (r << 16) | (g << 8) | b;
}

void TDirectDrawSurface::SetSize(int width, int height) {
  fillTop_ = fillBottom_ = 0;
  keySpans_.clear();
  shared_.reset();
  view_ = nullptr;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pitch_ = width_;
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
}

void TDirectDrawSurface::Own() {
  OwnPixels();
  SettleFill();
}

void TDirectDrawSurface::SettleFill() const {
  if (fillTop_ >= fillBottom_) return;
  // Only an own surface owes a fill (Fill takes the copy first), and the owed
  // rows are its own state: doing them changes nothing a reader can tell.
  auto& pixels = const_cast<std::vector<std::uint16_t>&>(pixels_);
  std::uint16_t* first = pixels.data() + static_cast<std::size_t>(fillTop_) * width_;
  const std::size_t count = static_cast<std::size_t>(fillBottom_ - fillTop_) * width_;
  fillTop_ = fillBottom_ = 0;
  // Byte-wise runs at memory speed, which a 16-bit store loop does not reach.
  if ((fillPixel_ & 0xFF) == (fillPixel_ >> 8)) {
    std::memset(first, fillPixel_ & 0xFF, count * sizeof(fillPixel_));
  } else {
    std::fill_n(first, count, fillPixel_);
  }
}

TDirectDrawSurface::KeySpan TDirectDrawSurface::KeySpanOfRow(int y) const {
  if (keySpans_.empty() || keySpansKey_ != colorKey_) {
    keySpans_.assign(static_cast<std::size_t>(height_), KeySpan{});
    keySpansKey_ = colorKey_;
    const std::uint16_t* pixels = Pixels();
    for (int row = 0; row < height_; ++row) {
      const std::uint16_t* line = pixels + static_cast<std::size_t>(row) * pitch_;
      int first = 0;
      while (first < width_ && line[first] == colorKey_) ++first;
      int last = width_;
      while (last > first && line[last - 1] == colorKey_) --last;
      keySpans_[static_cast<std::size_t>(row)] = KeySpan{first, last};
    }
  }
  return keySpans_[static_cast<std::size_t>(y)];
}

void TDirectDrawSurface::OwnPixels() {
  keySpans_.clear();
  if (!view_) return;
  std::vector<std::uint16_t> own(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  for (int row = 0; row < height_; ++row)
    std::copy_n(view_ + static_cast<std::size_t>(row) * pitch_, width_,
                own.begin() + static_cast<std::ptrdiff_t>(row) * width_);
  pixels_ = std::move(own);
  shared_.reset();
  view_ = nullptr;
  pitch_ = width_;
}

void TDirectDrawSurface::Fill(std::uint32_t color) {
  OwnPixels();
  fillPixel_ = static_cast<std::uint16_t>(color);
  fillTop_ = 0;
  fillBottom_ = width_ > 0 ? height_ : 0;
}

void TDirectDrawSurface::Draw(int x, int y, TRect sourceRect, const TDirectDrawSurface* source,
                              bool transparent) {
  if (source == nullptr || x > width_ || y > height_) return;

  // A reversed source rectangle draws mirrored; clipping then trims the
  // opposite side of the source.
  const bool mirrorX = sourceRect.Right < sourceRect.Left;
  const bool mirrorY = sourceRect.Bottom < sourceRect.Top;
  if (mirrorX) std::swap(sourceRect.Left, sourceRect.Right);
  if (mirrorY) std::swap(sourceRect.Top, sourceRect.Bottom);

  // 64-bit so hostile coordinates cannot overflow the clipping sums.
  std::int64_t dl = x, dt = y;
  std::int64_t dr = dl + (std::int64_t{sourceRect.Right} - sourceRect.Left);
  std::int64_t db = dt + (std::int64_t{sourceRect.Bottom} - sourceRect.Top);
  std::int64_t sl = sourceRect.Left, st = sourceRect.Top, sr = sourceRect.Right,
               sb = sourceRect.Bottom;

  auto cutDest = [&](std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    dl += left, dt += top, dr -= right, db -= bottom;
    (mirrorX ? sr : sl) += mirrorX ? -left : left;
    (mirrorX ? sl : sr) -= mirrorX ? -right : right;
    (mirrorY ? sb : st) += mirrorY ? -top : top;
    (mirrorY ? st : sb) -= mirrorY ? -bottom : bottom;
  };
  cutDest(std::max<std::int64_t>(0, -dl), std::max<std::int64_t>(0, -dt),
          std::max<std::int64_t>(0, dr - width_), std::max<std::int64_t>(0, db - height_));

  auto cutSource = [&](std::int64_t left, std::int64_t top, std::int64_t right,
                       std::int64_t bottom) {
    sl += left, st += top, sr -= right, sb -= bottom;
    (mirrorX ? dr : dl) += mirrorX ? -left : left;
    (mirrorX ? dl : dr) -= mirrorX ? -right : right;
    (mirrorY ? db : dt) += mirrorY ? -top : top;
    (mirrorY ? dt : db) -= mirrorY ? -bottom : bottom;
  };
  cutSource(std::max<std::int64_t>(0, -sl), std::max<std::int64_t>(0, -st),
            std::max<std::int64_t>(0, sr - source->width_),
            std::max<std::int64_t>(0, sb - source->height_));

  if (dr <= dl || db <= dt || sr <= sl || sb <= st) return;

  const int w = static_cast<int>(dr - dl);
  const int h = static_cast<int>(db - dt);
  const std::uint16_t key = source->colorKey_;
  // A surface drawn onto itself may share a picture: taking the copy first keeps
  // `source` reading what this copy writes, as an own surface does.
  OwnPixels();
  const int top = static_cast<int>(dt);
  const int bottom = static_cast<int>(db);
  // Whole rows replaced by other pixels: the fill owed on them need never be done.
  const bool replacesRows = !transparent && source != this && dl == 0 && w == width_;
  if (replacesRows && top <= fillTop_ && bottom > fillTop_) {
    fillTop_ = std::min(bottom, fillBottom_);
  } else if (replacesRows && bottom >= fillBottom_ && top < fillBottom_) {
    fillBottom_ = std::max(top, fillTop_);
  } else {
    SettleFill();
  }
  const std::uint16_t* sourcePixels = source->Pixels();
  for (int row = 0; row < h; ++row) {
    const int srcY = static_cast<int>(mirrorY ? sb - 1 - row : st + row);
    const std::uint16_t* src = sourcePixels + static_cast<std::size_t>(srcY) * source->pitch_;
    std::uint16_t* dst = pixels_.data() + static_cast<std::size_t>(dt + row) * width_ + dl;
    if (!mirrorX) {
      src += sl;
      if (!transparent) {
        std::copy_n(src, w, dst);
      } else {
        const KeySpan span = source->KeySpanOfRow(srcY);
        const int from = std::max(0, span.first - static_cast<int>(sl));
        const int to = std::min(w, span.last - static_cast<int>(sl));
        // A select rather than a branch, so the compiler can copy many pixels at once.
        for (int i = from; i < to; ++i) dst[i] = src[i] != key ? src[i] : dst[i];
      }
    } else {
      for (int i = 0; i < w; ++i) {
        const std::uint16_t p = src[sr - 1 - i];
        if (!transparent || p != key) dst[i] = p;
      }
    }
  }
}

void TDirectDrawSurface::DrawRotated(int x, int y, int width, int height, TRect sourceRect,
                                     const TDirectDrawSurface* source, double pivotX,
                                     double pivotY, bool transparent, int angle) {
  if (source == nullptr || width_ == 0 || height_ == 0 || source->width_ == 0 ||
      source->height_ == 0 || width == 0 || height == 0)
    return;
  if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.Right > source->width_ ||
      sourceRect.Bottom > source->height_ || sourceRect.Width() <= 0 || sourceRect.Height() <= 0)
    return;

  const auto& table = Cosines().value;
  const double cosA = table[static_cast<unsigned>(angle) & 0xFF];
  const double sinA = table[(static_cast<unsigned>(angle) + 192) & 0xFF];
  const double originX = width * pivotX;
  const double originY = height * pivotY;

  // Destination box from the four corners of the scaled pattern.
  int minX = x, maxX = x, minY = y, maxY = y;
  bool first = true;
  for (int corner = 0; corner < 4; ++corner) {
    const double a = (corner & 1) ? width : 0;
    const double b = (corner & 2) ? height : 0;
    const double c = std::trunc(a - originX);
    const double d = std::trunc(b - originY);
    const int px = x + static_cast<int>(std::trunc(c * cosA - d * sinA));
    const int py = y + static_cast<int>(std::trunc(c * sinA + d * cosA));
    if (first) {
      minX = maxX = px, minY = maxY = py, first = false;
    } else {
      minX = std::min(minX, px), maxX = std::max(maxX, px);
      minY = std::min(minY, py), maxY = std::max(maxY, py);
    }
  }
  minX = std::max(minX, 0), minY = std::max(minY, 0);
  maxX = std::min(maxX, width_ - 1), maxY = std::min(maxY, height_ - 1);
  if (maxX < minX || maxY < minY) return;

  // Walk the source in 16.16 fixed point: the inverse rotation by -angle,
  // scaled from the drawn size back to the source rectangle.
  const double scaleX = static_cast<double>(sourceRect.Width()) / width;
  const double scaleY = static_cast<double>(sourceRect.Height()) / height;
  const std::int64_t limitA = static_cast<std::int64_t>(sourceRect.Width()) << 16;
  const std::int64_t limitB = static_cast<std::int64_t>(sourceRect.Height()) << 16;
  const std::int64_t stepA = std::llround(cosA * scaleX * 65536.0);
  const std::int64_t stepB = std::llround(-sinA * scaleY * 65536.0);
  const std::uint16_t key = source->colorKey_;
  Own();
  for (int dy = minY; dy <= maxY; ++dy) {
    // Pixel centres are sampled, so a quarter turn lands whole pixels exactly
    // and the walk never sits on the picture's edge.
    const double u = minX - x + 0.5;
    const double v = dy - y + 0.5;
    std::int64_t a = std::llround(((u * cosA + v * sinA) + originX) * scaleX * 65536.0);
    std::int64_t b = std::llround(((-u * sinA + v * cosA) + originY) * scaleY * 65536.0);
    std::uint16_t* dst = pixels_.data() + static_cast<std::size_t>(dy) * width_;
    for (int dx = minX; dx <= maxX; ++dx, a += stepA, b += stepB) {
      if (a < 0 || b < 0 || a >= limitA || b >= limitB) continue;
      const int sx = sourceRect.Left + static_cast<int>(a >> 16);
      const int sy = sourceRect.Top + static_cast<int>(b >> 16);
      const std::uint16_t p = source->Pixel(sx, sy);
      if (!transparent || p != key) dst[dx] = p;
    }
  }
}

std::uint16_t TDirectDrawSurface::MatchColor(TColor color) {
  return Rgb565FromRgb(ColorToRgb(color));
}

void TDirectDrawSurface::LoadPictureRect(const TGraphic& graphic, TRect sourceRect) {
  const Rgb565Image& image = graphic.Image();
  const bool inside = sourceRect.Left >= 0 && sourceRect.Top >= 0 &&
                      sourceRect.Right <= image.width && sourceRect.Bottom <= image.height &&
                      sourceRect.Width() > 0 && sourceRect.Height() > 0 && image.pixels;
  if (inside) {
    fillTop_ = fillBottom_ = 0;
    keySpans_.clear();
    pixels_.clear();
    pixels_.shrink_to_fit();
    width_ = sourceRect.Width();
    height_ = sourceRect.Height();
    pitch_ = image.width;
    shared_ = image.pixels;
    view_ = image.pixels.get() + static_cast<std::size_t>(sourceRect.Top) * image.width +
            sourceRect.Left;
    return;
  }
  SetSize(sourceRect.Width(), sourceRect.Height());
  for (int row = 0; row < height_; ++row) {
    const int sy = sourceRect.Top + row;
    if (sy < 0 || sy >= image.height) continue;
    for (int col = 0; col < width_; ++col) {
      const int sx = sourceRect.Left + col;
      if (sx < 0 || sx >= image.width) continue;
      SetPixel(col, row, image.At(sx, sy));
    }
  }
}

}  // namespace brakkon::engine
