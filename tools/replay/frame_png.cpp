// PNG output through Cairo, kept out of the replay library so its tests need no Cairo.
#include "replay/frame_png.h"

#include <cairo.h>

#include <memory>

namespace brakkon::replay {

bool WriteFramePng(const std::filesystem::path& path, std::span<const std::uint16_t> pixels,
                   int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height) {
    return false;
  }
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), &cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint16_t p = pixels[static_cast<std::size_t>(y) * width + x];
      // Each channel's top bits repeat into its low bits, so white stays white.
      const std::uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
      row[x] = (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return cairo_surface_write_to_png(surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace brakkon::replay
