// The wave format blocks a sound output accepts: plain PCM, 8-bit unsigned or
// 16-bit signed, mono or stereo. Shared by the real and the headless output.
#pragma once

#include <cstdint>
#include <span>

namespace brakkon::platform {

struct PcmFormat {
  int channels = 0;
  int rate = 0;           // frames per second
  int bitsPerSample = 0;  // 8 or 16
  int blockAlign = 0;     // bytes per frame
};

inline constexpr int kMinPcmRate = 100;     // Hz
inline constexpr int kMaxPcmRate = 200000;  // Hz

// Reads the first 16 bytes of a wave format block; false when they do not
// describe a format listed above.
inline bool ReadPcmFormat(std::span<const std::uint8_t> block, PcmFormat& format) {
  if (block.size() < 16) return false;
  const auto u16 = [&](std::size_t at) { return block[at] | (block[at + 1] << 8); };
  const std::uint32_t rate = static_cast<std::uint32_t>(u16(4)) | (std::uint32_t(u16(6)) << 16);
  const int tag = u16(0);
  const int channels = u16(2);
  const int bits = u16(14);
  if (tag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return false;
  if (rate < kMinPcmRate || rate > kMaxPcmRate) return false;
  format.channels = channels;
  format.rate = static_cast<int>(rate);
  format.bitsPerSample = bits;
  // The stated block align is not trusted: a wrong one would misread every frame.
  format.blockAlign = channels * bits / 8;
  return true;
}

}  // namespace brakkon::platform
