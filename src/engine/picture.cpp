// Decoding of the pictures stored in image archives into RGB565 pixels.
#include "engine/picture.h"

#include <fmt/printf.h>

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/byte_reader.h"
#include "engine/errors.h"
#include "engine/surface.h"

namespace brakkon::engine {

namespace {

// Far above any picture of the game; hostile headers claiming more are refused
// before anything is allocated.
constexpr std::int64_t kMaxSidePixels = 16384;
constexpr std::int64_t kMaxPixels = 16 * 1024 * 1024;

constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;

using Colors565 = std::array<std::uint16_t, 256>;

[[noreturn]] void InvalidDib() {
  throw EInvalidGraphic("DIB is invalid");
}

struct Masks {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
};

// One channel scaled to 8 bits; narrow channels repeat their bits so that
// full intensity stays full and converting back to 16 bits is exact.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t field = mask >> shift;
  const int bits = std::bit_width(field);
  const std::uint32_t value = (pixel & mask) >> shift;
  if (bits >= 8) return (value >> (bits - 8)) & 0xFF;
  std::uint32_t out = 0;
  int filled = 0;
  while (filled < 8) {
    out = (out << bits) | value;
    filled += bits;
  }
  return (out >> (filled - 8)) & 0xFF;
}

std::uint32_t MaskedRgb(std::uint32_t pixel, const Masks& masks) {
  return (Channel(pixel, masks.red) << 16) | (Channel(pixel, masks.green) << 8) |
         Channel(pixel, masks.blue);
}

struct DibHeader {
  std::int64_t width = 0;
  std::int64_t height = 0;  // rows, always positive
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kCompressionRgb;
  std::uint32_t imageSize = 0;  // bytes of run-length data
  std::uint32_t usedColors = 0;
  bool core = false;  // 12-byte header: 3-byte colour entries
  Masks masks;
};

DibHeader ReadHeader(ByteReader& in) {
  DibHeader h;
  const std::uint32_t headerSize = in.U32();
  if (headerSize == 12) {
    h.core = true;
    h.width = in.U16();
    h.height = in.U16();
    in.U16();
    h.bitCount = in.U16();
  } else if (headerSize == 40) {
    h.width = in.I32();
    const std::int64_t height = in.I32();
    h.topDown = height < 0;
    h.height = h.topDown ? -height : height;
    in.U16();
    h.bitCount = in.U16();
    h.compression = in.U32();
    h.imageSize = in.U32();
    in.Skip(8);
    h.usedColors = in.U32();
    in.Skip(4);
  } else {
    InvalidDib();
  }

  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      throw EInvalidGraphic(fmt::sprintf("Bitcount in invalid (%d)", h.bitCount));
  }
  const bool compressionFits =
      h.compression == kCompressionRgb || (h.compression == kCompressionRle8 && h.bitCount == 8) ||
      (h.compression == kCompressionRle4 && h.bitCount == 4) ||
      (h.compression == kCompressionBitFields && (h.bitCount == 16 || h.bitCount == 32));
  if (!compressionFits) InvalidDib();
  // Run-length data is laid out bottom row first by definition.
  if (h.topDown && (h.compression == kCompressionRle8 || h.compression == kCompressionRle4)) {
    InvalidDib();
  }

  if (h.compression == kCompressionBitFields) {
    h.masks.red = in.U32();
    h.masks.green = in.U32();
    h.masks.blue = in.U32();
  } else if (h.bitCount == 16) {
    h.masks = {0x7C00, 0x03E0, 0x001F};
  } else {
    h.masks = {0xFF0000, 0x00FF00, 0x0000FF};
  }
  if (h.bitCount == 16) {
    const bool rgb555 = h.masks.red == 0x7C00 && h.masks.green == 0x03E0 && h.masks.blue == 0x001F;
    const bool rgb565 = h.masks.red == 0xF800 && h.masks.green == 0x07E0 && h.masks.blue == 0x001F;
    if (!rgb555 && !rgb565) throw EInvalidGraphic("PixelFormat in invalid");
  }

  if (h.width < 0 || h.width > kMaxSidePixels || h.height > kMaxSidePixels ||
      h.width * h.height > kMaxPixels) {
    InvalidDib();
  }
  return h;
}

std::array<std::uint32_t, 256> ReadColorTable(ByteReader& in, const DibHeader& h) {
  std::uint32_t count = h.core ? 0 : h.usedColors;
  if (count == 0 && h.bitCount <= 8) count = 1u << h.bitCount;
  if (count > 256) count = 256;
  std::array<std::uint32_t, 256> table{};
  const std::size_t entryBytes = h.core ? 3 : 4;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto entry = in.Bytes(entryBytes);
    table[i] = (std::uint32_t{entry[2]} << 16) | (std::uint32_t{entry[1]} << 8) | entry[0];
  }
  return table;
}

Colors565 ToRgb565(const std::array<std::uint32_t, 256>& colors) {
  Colors565 table{};
  for (std::size_t i = 0; i < colors.size(); ++i) table[i] = Rgb565FromRgb(colors[i]);
  return table;
}

void DecodeRow(std::span<const std::uint8_t> row, const DibHeader& h, const Colors565& colors,
               std::uint16_t* out) {
  const int width = static_cast<int>(h.width);
  const std::uint8_t* in = row.data();
  switch (h.bitCount) {
    case 1:
      for (int x = 0; x < width; ++x) out[x] = colors[(in[x >> 3] >> (7 - (x & 7))) & 1];
      break;
    case 4:
      for (int x = 0; x < width; ++x) out[x] = colors[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
      break;
    case 8:
      for (int x = 0; x < width; ++x) out[x] = colors[in[x]];
      break;
    case 16:
      for (int x = 0; x < width; ++x)
        out[x] = Rgb565FromRgb(MaskedRgb(in[2 * x] | (in[2 * x + 1] << 8), h.masks));
      break;
    case 24:
      // Every picture the game ships is 24-bit: this loop is most of the start-up's decoding.
      for (int x = 0; x < width; ++x, in += 3)
        out[x] = static_cast<std::uint16_t>(((in[2] >> 3) << 11) | ((in[1] >> 2) << 5) | (in[0] >> 3));
      break;
    case 32:
      for (int x = 0; x < width; ++x) {
        const std::uint32_t pixel =
            std::uint32_t{in[4 * x]} | (std::uint32_t{in[4 * x + 1]} << 8) |
            (std::uint32_t{in[4 * x + 2]} << 16) | (std::uint32_t{in[4 * x + 3]} << 24);
        out[x] = Rgb565FromRgb(MaskedRgb(pixel, h.masks));
      }
      break;
  }
}

Rgb565Image DecodeUncompressed(ByteReader& in, const DibHeader& h, const Colors565& colors) {
  const std::int64_t rowBytes = (h.bitCount * h.width + 31) / 32 * 4;
  if (rowBytes * h.height > static_cast<std::int64_t>(in.Remaining())) InvalidDib();
  Rgb565Image image(static_cast<int>(h.width), static_cast<int>(h.height));
  for (std::int64_t stored = 0; stored < h.height; ++stored) {
    const std::int64_t y = h.topDown ? stored : h.height - 1 - stored;
    DecodeRow(in.Bytes(static_cast<std::size_t>(rowBytes)), h, colors,
              &image.pixels[static_cast<std::size_t>(y * h.width)]);
  }
  return image;
}

// Colour indices in stored order (bottom row first); pixels the runs never
// reach keep index 0, and runs beyond the picture are dropped.
std::vector<std::uint8_t> DecodeRunLength(std::span<const std::uint8_t> data, const DibHeader& h) {
  const bool fourBit = h.compression == kCompressionRle4;
  const std::int64_t width = h.width;
  const std::int64_t height = h.height;
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width * height), 0);
  std::int64_t x = 0;
  std::int64_t y = 0;
  const auto put = [&](std::uint8_t index) {
    if (x < width && y < height) indices[static_cast<std::size_t>(y * width + x)] = index;
    ++x;
  };
  ByteReader in(data);
  const auto need = [&](std::size_t count) {
    if (in.Remaining() < count) InvalidDib();
  };
  while (!in.AtEnd() && y < height) {
    need(2);
    const std::uint8_t count = in.U8();
    const std::uint8_t code = in.U8();
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i) {
        put(fourBit ? ((i & 1) ? (code & 0x0F) : (code >> 4)) : code);
      }
      continue;
    }
    switch (code) {
      case 0:
        x = 0;
        ++y;
        break;
      case 1:
        return indices;
      case 2:
        need(2);
        x += in.U8();
        y += in.U8();
        break;
      default: {
        const std::size_t bytes = fourBit ? (code + 1u) / 2 : code;
        need(bytes);
        const auto run = in.Bytes(bytes);
        for (int i = 0; i < code && x < width; ++i) {
          put(fourBit ? ((i & 1) ? (run[i / 2] & 0x0F) : (run[i / 2] >> 4)) : run[i]);
        }
        // Absolute runs are padded to a 16-bit boundary.
        if ((bytes & 1) != 0) {
          need(1);
          in.Skip(1);
        }
        break;
      }
    }
  }
  return indices;
}

Rgb565Image DecodeDib(std::span<const std::uint8_t> data) {
  if (data.empty()) return Rgb565Image();
  ByteReader in(data);
  const DibHeader h = ReadHeader(in);
  const Colors565 colors = ToRgb565(ReadColorTable(in, h));
  if (h.width == 0 || h.height == 0) return Rgb565Image();
  if (h.compression == kCompressionRgb || h.compression == kCompressionBitFields) {
    return DecodeUncompressed(in, h, colors);
  }
  if (h.imageSize > in.Remaining()) InvalidDib();
  const std::vector<std::uint8_t> indices = DecodeRunLength(in.Bytes(h.imageSize), h);
  Rgb565Image image(static_cast<int>(h.width), static_cast<int>(h.height));
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* stored =
        &indices[static_cast<std::size_t>(image.height - 1 - y) * image.width];
    std::uint16_t* out = &image.pixels[static_cast<std::size_t>(y) * image.width];
    for (int x = 0; x < image.width; ++x) out[x] = colors[stored[x]];
  }
  return image;
}

}  // namespace

Rgb565Image::Rgb565Image(int w, int h)
    : width(w),
      height(h),
      // Every pixel is written by the decoder, so the buffer need not be cleared first.
      pixels(std::make_shared_for_overwrite<std::uint16_t[]>(static_cast<std::size_t>(w) *
                                                             static_cast<std::size_t>(h))) {}

void TDIB::LoadFromBytes(std::span<const std::uint8_t> data) {
  image_ = DecodeDib(data);
}

void TBitmap::LoadFromBytes(std::span<const std::uint8_t> data) {
  ByteReader in(data);
  const std::uint32_t size = in.U32();
  if (size == 0) {
    image_ = Rgb565Image();
    return;
  }
  const auto file = in.Bytes(size);
  constexpr std::size_t kFileHeaderBytes = 14;
  if (file.size() < kFileHeaderBytes || file[0] != 'B' || file[1] != 'M') InvalidDib();
  image_ = DecodeDib(file.subspan(kFileHeaderBytes));
}

void TPicture::ReadData(std::span<const std::uint8_t> data) {
  ByteReader in(data);
  const std::string className = in.ShortString();
  const auto payload = data.subspan(in.Position());
  if (className == "TDIB") {
    auto dib = std::make_unique<TDIB>();
    dib->LoadFromBytes(payload);
    graphic_ = std::move(dib);
  } else if (className == "TBitmap") {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromBytes(payload);
    graphic_ = std::move(bitmap);
  } else {
    // Icons and metafiles are not decoded: the game's archives hold bitmaps only.
    graphic_.reset();
  }
}

}  // namespace brakkon::engine
