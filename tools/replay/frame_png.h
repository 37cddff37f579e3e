// Writing a presented RGB565 frame as a PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace brakkon::replay {

// Writes `pixels` (width x height, rows packed) to `path`; false when Cairo
// could not write it.
bool WriteFramePng(const std::filesystem::path& path, std::span<const std::uint16_t> pixels,
                   int width, int height);

}  // namespace brakkon::replay
