// Writes archives in the component-stream container, for the asset tool and tests.
#include "engine/archive_writer.h"

#include <fmt/printf.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "engine/errors.h"

namespace brakkon::engine {

namespace {

constexpr std::size_t kMaxResourceName = 63;
constexpr std::uint16_t kMemoryFlags = 0x1030;
constexpr std::uint8_t kResourceTypeRcData = 10;

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutText(std::vector<std::uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

void PutShortString(std::vector<std::uint8_t>& out, std::string_view text) {
  if (text.size() > 255) throw std::length_error("short string longer than 255 bytes");
  out.push_back(static_cast<std::uint8_t>(text.size()));
  PutText(out, text);
}

void PutLength(std::vector<std::uint8_t>& out, std::size_t length) {
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("value longer than 4 GiB");
  }
  PutU32(out, static_cast<std::uint32_t>(length));
}

void PutType(std::vector<std::uint8_t>& out, int type) {
  out.push_back(static_cast<std::uint8_t>(type));
}

}  // namespace

TComponentWriter::TComponentWriter(std::string_view resourceName, std::string_view className,
                                   std::string_view componentName) {
  out_.push_back(0xFF);
  PutU16(out_, kResourceTypeRcData);
  for (char c : resourceName.substr(0, kMaxResourceName)) {
    out_.push_back(static_cast<std::uint8_t>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c));
  }
  out_.push_back(0);
  PutU16(out_, kMemoryFlags);
  lengthOffset_ = out_.size();
  PutU32(out_, 0);
  streamStart_ = out_.size();
  PutText(out_, "TPF0");
  PutShortString(out_, className);
  PutShortString(out_, componentName);
}

void TComponentWriter::PropertyName(std::string_view name) {
  PutShortString(out_, name);
}

void TComponentWriter::Null() {
  PutType(out_, 0);
}
void TComponentWriter::BeginList() {
  PutType(out_, 1);
}
void TComponentWriter::EndList() {
  out_.push_back(0);
}

void TComponentWriter::Int8(std::int8_t value) {
  PutType(out_, 2);
  out_.push_back(static_cast<std::uint8_t>(value));
}

void TComponentWriter::Int16(std::int16_t value) {
  PutType(out_, 3);
  PutU16(out_, static_cast<std::uint16_t>(value));
}

void TComponentWriter::Int32(std::int32_t value) {
  PutType(out_, 4);
  PutU32(out_, static_cast<std::uint32_t>(value));
}

void TComponentWriter::Integer(std::int32_t value) {
  if (value >= -128 && value <= 127) {
    Int8(static_cast<std::int8_t>(value));
  } else if (value >= -32768 && value <= 32767) {
    Int16(static_cast<std::int16_t>(value));
  } else {
    Int32(value);
  }
}

void TComponentWriter::Extended(long double value) {
  PutType(out_, 5);
  std::uint64_t mantissa = 0;
  int exponent = 0;
  const bool negative = std::signbit(value);
  const long double magnitude = std::fabs(value);
  if (std::isnan(magnitude)) {
    mantissa = 0xC000000000000000ull;
    exponent = 0x7FFF;
  } else if (std::isinf(magnitude)) {
    mantissa = 0x8000000000000000ull;
    exponent = 0x7FFF;
  } else if (magnitude != 0) {
    int binaryExponent = 0;
    const long double fraction = std::frexp(magnitude, &binaryExponent);  // in [0.5, 1)
    mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    exponent = binaryExponent - 1 + 16383;
  }
  PutU64(out_, mantissa);
  PutU16(out_, static_cast<std::uint16_t>(exponent | (negative ? 0x8000 : 0)));
}

void TComponentWriter::ShortString(std::string_view value) {
  PutType(out_, 6);
  PutShortString(out_, value);
}

void TComponentWriter::Identifier(std::string_view value) {
  PutType(out_, 7);
  PutShortString(out_, value);
}

void TComponentWriter::Boolean(bool value) {
  PutType(out_, value ? 9 : 8);
}

void TComponentWriter::Binary(std::span<const std::uint8_t> value) {
  PutType(out_, 10);
  PutLength(out_, value.size());
  PutBytes(out_, value);
}

void TComponentWriter::Set(const std::vector<std::string>& elements) {
  PutType(out_, 11);
  for (const std::string& element : elements) PutShortString(out_, element);
  out_.push_back(0);
}

void TComponentWriter::LongString(std::string_view value) {
  PutType(out_, 12);
  PutLength(out_, value.size());
  PutText(out_, value);
}

void TComponentWriter::String(std::string_view value) {
  if (value.size() <= 255) {
    ShortString(value);
  } else {
    LongString(value);
  }
}

void TComponentWriter::Nil() {
  PutType(out_, 13);
}
void TComponentWriter::BeginCollection() {
  PutType(out_, 14);
}
void TComponentWriter::BeginItem() {
  PutType(out_, 1);
}
void TComponentWriter::EndItem() {
  out_.push_back(0);
}
void TComponentWriter::EndCollection() {
  out_.push_back(0);
}

void TComponentWriter::Single(float value) {
  PutType(out_, 15);
  PutU32(out_, std::bit_cast<std::uint32_t>(value));
}

void TComponentWriter::Currency(std::int64_t scaledBy10000) {
  PutType(out_, 16);
  PutU64(out_, static_cast<std::uint64_t>(scaledBy10000));
}

void TComponentWriter::Date(double value) {
  PutType(out_, 17);
  PutU64(out_, std::bit_cast<std::uint64_t>(value));
}

void TComponentWriter::WideString(std::u16string_view value) {
  PutType(out_, 18);
  PutLength(out_, value.size());
  for (char16_t unit : value) PutU16(out_, unit);
}

void TComponentWriter::Int64(std::int64_t value) {
  PutType(out_, 19);
  PutU64(out_, static_cast<std::uint64_t>(value));
}

void TComponentWriter::Utf8String(std::string_view value) {
  PutType(out_, 20);
  PutLength(out_, value.size());
  PutText(out_, value);
}

void TComponentWriter::RawBytes(std::span<const std::uint8_t> bytes) {
  PutBytes(out_, bytes);
}

std::vector<std::uint8_t> TComponentWriter::Finish() {
  out_.push_back(0);  // end of the root's properties
  out_.push_back(0);  // end of its (empty) child list
  const std::size_t length = out_.size() - streamStart_;
  for (int i = 0; i < 4; ++i)
    out_[lengthOffset_ + i] = static_cast<std::uint8_t>(length >> (8 * i));
  return std::move(out_);
}

std::vector<std::uint8_t> EncodeDib24PictureData(const RgbImage& image) {
  std::vector<std::uint8_t> out;
  PutShortString(out, "TDIB");
  const std::size_t rowBytes = (static_cast<std::size_t>(image.width) * 3 + 3) / 4 * 4;
  PutU32(out, 40);
  PutU32(out, static_cast<std::uint32_t>(image.width));
  PutU32(out, static_cast<std::uint32_t>(image.height));
  PutU16(out, 1);   // planes
  PutU16(out, 24);  // bit count
  PutU32(out, 0);   // uncompressed
  PutLength(out, rowBytes * image.height);
  PutU32(out, 0);  // resolutions
  PutU32(out, 0);
  PutU32(out, 0);  // used colours
  PutU32(out, 0);  // important colours
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t rowStart = out.size();
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t rgb = image.At(x, y);
      out.push_back(static_cast<std::uint8_t>(rgb));
      out.push_back(static_cast<std::uint8_t>(rgb >> 8));
      out.push_back(static_cast<std::uint8_t>(rgb >> 16));
    }
    out.resize(rowStart + rowBytes, 0);
  }
  return out;
}

namespace {

void WriteRootProperties(TComponentWriter& writer, const ArchiveRoot& root) {
  for (const auto& [name, value] : root.integers) {
    writer.PropertyName(name);
    writer.Integer(value);
  }
}

}  // namespace

std::vector<std::uint8_t> WriteImageArchive(const std::vector<ImageArchiveItem>& items,
                                            std::string_view resourceName,
                                            const ArchiveRoot& root) {
  TComponentWriter writer(resourceName, "TPictureCollectionComponent", root.componentName);
  WriteRootProperties(writer, root);
  writer.PropertyName("List.ColorTable");
  const std::vector<std::uint8_t> colorTable(1024, 0);
  writer.Binary(colorTable);
  writer.PropertyName("List");
  writer.BeginCollection();
  for (const ImageArchiveItem& item : items) {
    writer.BeginItem();
    writer.PropertyName("Name");
    writer.String(item.name);
    writer.PropertyName("PatternHeight");
    writer.Integer(item.patternHeight);
    writer.PropertyName("PatternWidth");
    writer.Integer(item.patternWidth);
    writer.PropertyName("Picture.Data");
    writer.Binary(EncodeDib24PictureData(item.image));
    if (item.skipHeight != 0) {
      writer.PropertyName("SkipHeight");
      writer.Integer(item.skipHeight);
    }
    if (item.skipWidth != 0) {
      writer.PropertyName("SkipWidth");
      writer.Integer(item.skipWidth);
    }
    writer.PropertyName("SystemMemory");
    writer.Boolean(item.systemMemory);
    writer.PropertyName("Transparent");
    writer.Boolean(item.transparent);
    writer.PropertyName("TransparentColor");
    writer.Integer(static_cast<std::int32_t>(item.transparentColor));
    writer.EndItem();
  }
  writer.EndCollection();
  return writer.Finish();
}

std::vector<std::uint8_t> WriteSoundArchive(const std::vector<SoundArchiveItem>& items,
                                            std::string_view resourceName,
                                            const ArchiveRoot& root) {
  TComponentWriter writer(resourceName, "TWaveCollectionComponent", root.componentName);
  WriteRootProperties(writer, root);
  writer.PropertyName("List");
  writer.BeginCollection();
  for (const SoundArchiveItem& item : items) {
    writer.BeginItem();
    writer.PropertyName("Name");
    writer.String(item.name);
    writer.PropertyName("Looped");
    writer.Boolean(item.looped);
    writer.PropertyName("MaxPlayingCount");
    writer.Integer(item.maxPlayingCount);
    writer.PropertyName("Wave.WAVE");
    writer.Binary(item.wave);
    writer.EndItem();
  }
  writer.EndCollection();
  return writer.Finish();
}

void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    throw EFOpenError(fmt::sprintf("Cannot create file \"%s\". %s", path, std::strerror(errno)));
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    throw EFOpenError(fmt::sprintf("Cannot write file \"%s\". %s", path, std::strerror(errno)));
  }
}

}  // namespace brakkon::engine
