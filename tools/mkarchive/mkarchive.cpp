// Writes a small pair of image archives for trying the shell and for the
// end-to-end tests: brakkon_mkarchive <outdir>.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "engine/archive_writer.h"
#include "engine/rgb_image.h"

namespace {

using brakkon::engine::ImageArchiveItem;
using brakkon::engine::RgbImage;

constexpr int kBackgroundWidth = 800;
constexpr int kBackgroundHeight = 600;
constexpr int kGridSpacing = 40;  // pixels between diagonal lines

// A navy gradient crossed by a bright diagonal grid: easy to find in a screenshot.
RgbImage MainMenuBackground() {
  RgbImage image(kBackgroundWidth, kBackgroundHeight);
  for (int y = 0; y < image.height; ++y) {
    const std::uint32_t blue = 0x60 + 0x9F * y / (image.height - 1);
    const std::uint32_t green = 0x10 + 0x30 * y / (image.height - 1);
    for (int x = 0; x < image.width; ++x) {
      const bool onGrid = (x + y) % kGridSpacing < 2 || (x - y + image.height) % kGridSpacing < 2;
      image.At(x, y) = onGrid ? 0xFFE040u : (0x10u << 16) | (green << 8) | blue;
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <outdir>\n", argv[0]);
    return 2;
  }
  try {
    const std::filesystem::path resDir = std::filesystem::path(argv[1]) / "Data" / "Res";
    std::filesystem::create_directories(resDir);

    ImageArchiveItem background;
    background.name = "MainMenuBackground";
    background.transparent = false;
    background.image = MainMenuBackground();

    const auto archive = brakkon::engine::WriteImageArchive({background});
    brakkon::engine::WriteFileBytes((resDir / "Res1.dxg").string(), archive);
    brakkon::engine::WriteFileBytes((resDir / "Res3.dxg").string(), archive);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
