// Bounds-checked reads over a byte span.
#include "engine/byte_reader.h"

#include <bit>

#include "engine/errors.h"

namespace brakkon::engine {

void ByteReader::Require(std::size_t count) const {
  if (count > data_.size() - pos_) throw EReadError("Stream read error");
}

void ByteReader::Seek(std::size_t position) {
  if (position > data_.size()) throw EReadError("Stream read error");
  pos_ = position;
}

void ByteReader::Skip(std::size_t count) {
  Require(count);
  pos_ += count;
}

std::uint8_t ByteReader::PeekU8() const {
  Require(1);
  return data_[pos_];
}

std::uint8_t ByteReader::U8() {
  Require(1);
  return data_[pos_++];
}

std::uint16_t ByteReader::U16() {
  Require(2);
  const std::uint16_t value = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return value;
}

std::uint32_t ByteReader::U32() {
  Require(4);
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | data_[pos_ + i];
  pos_ += 4;
  return value;
}

std::uint64_t ByteReader::U64() {
  Require(8);
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | data_[pos_ + i];
  pos_ += 8;
  return value;
}

float ByteReader::F32() {
  return std::bit_cast<float>(U32());
}

double ByteReader::F64() {
  return std::bit_cast<double>(U64());
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t count) {
  Require(count);
  const auto bytes = data_.subspan(pos_, count);
  pos_ += count;
  return bytes;
}

std::string ByteReader::ShortString() {
  Require(1);
  const std::size_t length = data_[pos_];
  Require(1 + length);
  std::string text(reinterpret_cast<const char*>(data_.data() + pos_ + 1), length);
  pos_ += 1 + length;
  return text;
}

}  // namespace brakkon::engine
