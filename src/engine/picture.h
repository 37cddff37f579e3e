// Pictures stored in image archives: device-independent bitmaps (`TDIB`) and
// bitmap files (`TBitmap`), decoded once when read, straight to the RGB565
// pixels the game draws with.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace brakkon::engine {

class ByteReader;

// A decoded picture's pixels. They are the only copy: pattern surfaces show
// them in place and share their ownership, so a picture replaced while its
// surfaces live cannot leave them pointing at freed memory.
struct Rgb565Image {
  int width = 0;
  int height = 0;
  std::shared_ptr<std::uint16_t[]> pixels;  // width * height, top row first

  Rgb565Image() = default;
  Rgb565Image(int w, int h);
  std::uint16_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A decoded picture. Empty pictures have width and height 0.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual const char* ClassName() const = 0;
  int Width() const { return image_.width; }
  int Height() const { return image_.height; }
  bool Empty() const { return image_.width == 0 || image_.height == 0; }
  const Rgb565Image& Image() const { return image_; }

 protected:
  Rgb565Image image_;
};

// A device-independent bitmap without the file header (header sizes 12 and 40;
// bit counts 1, 4, 8, 16, 24, 32; run-length 4 and 8).
class TDIB : public TGraphic {
 public:
  const char* ClassName() const override { return "TDIB"; }
  // Reads the picture from the whole of `data`. Raises EInvalidGraphic
  // "DIB is invalid", "Bitcount in invalid (%d)" or "PixelFormat in invalid".
  void LoadFromBytes(std::span<const std::uint8_t> data);
};

// A complete bitmap file preceded by its 32-bit byte count.
class TBitmap : public TGraphic {
 public:
  const char* ClassName() const override { return "TBitmap"; }
  void LoadFromBytes(std::span<const std::uint8_t> data);
};

// The item's `Picture`: owns one graphic or none.
class TPicture {
 public:
  const TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Reads `Picture.Data`: a short string naming the class, then its data.
  // Unknown class names leave the picture empty and raise nothing.
  void ReadData(std::span<const std::uint8_t> data);

 private:
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace brakkon::engine
