// A bounds-checked little-endian cursor over a byte span: the one way archive
// and picture readers take bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace brakkon::engine {

// Every read past the end raises EReadError "Stream read error" and leaves the
// cursor where it was.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ == data_.size(); }

  // Moves to an absolute position within 0..Size().
  void Seek(std::size_t position);
  void Skip(std::size_t count);

  std::uint8_t PeekU8() const;
  std::uint8_t U8();
  std::int8_t I8() { return static_cast<std::int8_t>(U8()); }
  std::uint16_t U16();
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::uint32_t U32();
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t U64();
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  float F32();
  double F64();

  // The next `count` bytes, without copying; they stay valid as long as the span does.
  std::span<const std::uint8_t> Bytes(std::size_t count);
  // A length byte, then that many single-byte characters.
  std::string ShortString();

 private:
  void Require(std::size_t count) const;

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace brakkon::engine
