// A plain 24-bit picture in memory: what pictures decode to and what the
// archive writer encodes.
#pragma once

#include <cstdint>
#include <vector>

namespace brakkon::engine {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first, width * height

  RgbImage() = default;
  RgbImage(int w, int h, std::uint32_t fill = 0)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
  std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace brakkon::engine
