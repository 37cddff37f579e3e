// Rectangles and colours shared by the engine and the game.
#pragma once

#include <cstdint>

namespace brakkon::engine {

// Left, Top inclusive; Right, Bottom exclusive.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

inline TRect Bounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  return TRect{left, top, left + width, top + height};
}

// Rectangles that only touch do not overlap.
inline bool OverlapRect(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// 0x00BBGGRR for a plain colour; 0xFF0000nn for system colour nn.
using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

}  // namespace brakkon::engine
