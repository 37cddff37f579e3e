// The score server's wire format.
#include "records/score_codec.h"

#include <array>

namespace brakkon::records {
namespace {

constexpr int kPField = 5;  // "OK" counts as the first field

bool AlphabetIsSound() {
  std::array<bool, 256> seen{};
  for (char c : kScoreAlphabet) {
    const auto u = static_cast<unsigned char>(c);
    if (seen[u] || !((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    seen[u] = true;
  }
  return kScoreAlphabet.size() == 32;
}

}  // namespace

bool VersionReplyOk(std::string_view reply) {
  return reply.substr(0, 2) == "OK";
}

std::string VersionReplyP(std::string_view reply) {
  std::string_view rest = reply;
  std::string_view field;
  for (int i = 0; i < kPField; ++i) {
    const std::size_t bar = rest.find('|');
    if (bar == std::string_view::npos) {
      field = {};
    } else {
      field = rest.substr(0, bar);
      rest = rest.substr(bar + 1);
    }
  }
  return std::string(field);
}

std::string BuildSubmissionRecord(std::string_view name, std::int32_t score, std::string_view p,
                                  std::string_view country) {
  std::string record = "type=0|name=";
  record += name;
  record += "|score=" + std::to_string(score) + "|key=";
  record += kScoreKey;
  record += "|p=";
  record += p;
  record += "|add=";
  record += country;
  record += "|z=";
  while (record.size() % 5 != 0) record += '0';
  return record;
}

std::string BinaryText(std::string_view bytes) {
  std::string bits;
  bits.reserve(bytes.size() * 8);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    for (int bit = 7; bit >= 0; --bit) bits += ((b >> bit) & 1) != 0 ? '1' : '0';
  }
  return bits;
}

std::string Base32Text(std::string_view bits) {
  static_assert(kScoreAlphabet.size() == 32);
  std::string padded((5 - bits.size() % 5) % 5, '0');
  padded += bits;
  std::string text;
  text.reserve(padded.size() / 5);
  for (std::size_t at = 0; at < padded.size(); at += 5) {
    int value = 0;
    for (std::size_t i = 0; i < 5; ++i) value = value * 2 + (padded[at + i] != '0' ? 1 : 0);
    text += kScoreAlphabet[static_cast<std::size_t>(value)];
  }
  return text;
}

std::string EncodeRecord(std::string_view record) {
  return Base32Text(BinaryText(record));
}

std::optional<std::string> DecodeRecord(std::string_view encoded) {
  static const bool sound = AlphabetIsSound();
  if (!sound || encoded.size() % 8 != 0) return std::nullopt;
  std::array<int, 256> value{};
  value.fill(-1);
  for (std::size_t i = 0; i < kScoreAlphabet.size(); ++i) {
    value[static_cast<unsigned char>(kScoreAlphabet[i])] = static_cast<int>(i);
  }
  std::string bytes;
  bytes.reserve(encoded.size() / 8 * 5);
  std::uint32_t acc = 0;
  int accBits = 0;
  for (char c : encoded) {
    const int v = value[static_cast<unsigned char>(c)];
    if (v < 0) return std::nullopt;
    acc = (acc << 5) | static_cast<std::uint32_t>(v);
    accBits += 5;
    if (accBits >= 8) {
      accBits -= 8;
      bytes += static_cast<char>((acc >> accBits) & 0xFF);
    }
  }
  return bytes;
}

}  // namespace brakkon::records
