// Pictures stored in image archives: device-independent bitmaps (`TDIB`) and
// bitmap files (`TBitmap`), decoded to 24-bit pixels once when read.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "engine/rgb_image.h"

namespace brakkon::engine {

class ByteReader;

// A decoded picture. Empty pictures have width and height 0.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual const char* ClassName() const = 0;
  int Width() const { return image_.width; }
  int Height() const { return image_.height; }
  bool Empty() const { return image_.width == 0 || image_.height == 0; }
  const RgbImage& Image() const { return image_; }

 protected:
  RgbImage image_;
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
