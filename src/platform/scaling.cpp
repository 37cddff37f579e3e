// Where the picture lands in a window or on a full screen, and how it is scaled there.
#include "platform/scaling.h"

#include <algorithm>

namespace brakkon::platform {
namespace {

// The largest rectangle of the source's shape inside the output, centred.
PixelRect Fit(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight) {
  PixelRect rect;
  const long long wide = static_cast<long long>(outputWidth) * sourceHeight;
  const long long tall = static_cast<long long>(outputHeight) * sourceWidth;
  if (wide <= tall) {
    rect.width = outputWidth;
    rect.height = static_cast<int>(wide / sourceWidth);
  } else {
    rect.height = outputHeight;
    rect.width = static_cast<int>(tall / sourceHeight);
  }
  rect.x = (outputWidth - rect.width) / 2;
  rect.y = (outputHeight - rect.height) / 2;
  return rect;
}

PixelRect Centred(int width, int height, int outputWidth, int outputHeight) {
  return PixelRect{(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}

}  // namespace

std::optional<ScaleMode> ScaleModeFromName(std::string_view name) {
  if (name == "sharp") return ScaleMode::kSharp;
  if (name == "integer") return ScaleMode::kInteger;
  if (name == "smooth") return ScaleMode::kSmooth;
  return std::nullopt;
}

std::string_view ScaleModeName(ScaleMode mode) {
  switch (mode) {
    case ScaleMode::kSharp:
      return "sharp";
    case ScaleMode::kInteger:
      return "integer";
    case ScaleMode::kSmooth:
      return "smooth";
  }
  return "sharp";
}

ScalePlan PlanScaling(ScaleMode mode, int sourceWidth, int sourceHeight, int outputWidth,
                      int outputHeight) {
  ScalePlan plan;
  const int whole = std::min(outputWidth / sourceWidth, outputHeight / sourceHeight);
  const PixelRect fit = Fit(sourceWidth, sourceHeight, outputWidth, outputHeight);
  if (whole < 1) {
    plan.picture = fit;
    plan.smooth = true;
    return plan;
  }
  switch (mode) {
    case ScaleMode::kInteger:
      plan.picture = Centred(sourceWidth * whole, sourceHeight * whole, outputWidth, outputHeight);
      plan.prescale = whole;
      break;
    case ScaleMode::kSharp:
      plan.picture = fit;
      plan.prescale = whole;
      plan.smooth = fit.width != sourceWidth * whole || fit.height != sourceHeight * whole;
      break;
    case ScaleMode::kSmooth:
      plan.picture = fit;
      plan.smooth = fit.width != sourceWidth || fit.height != sourceHeight;
      break;
  }
  return plan;
}

std::vector<int> NearestPixelWidths(int source, int dest) {
  std::vector<int> widths(static_cast<std::size_t>(std::max(source, 0)), 0);
  if (source <= 0 || dest <= 0) return widths;
  for (long long i = 0; i < dest; ++i) ++widths[static_cast<std::size_t>(i * source / dest)];
  return widths;
}

int WindowScaleFactor(int requested, int pictureWidth, int pictureHeight, int usableWidth,
                      int usableHeight) {
  if (requested >= 1) return requested;
  return std::max(1, std::min(usableWidth / pictureWidth, usableHeight / pictureHeight));
}

void OutputToPicture(const ScalePlan& plan, int sourceWidth, int sourceHeight, int x, int y,
                     int& pictureX, int& pictureY) {
  const PixelRect& r = plan.picture;
  if (r.width <= 0 || r.height <= 0) {
    pictureX = x;
    pictureY = y;
    return;
  }
  const long long px = static_cast<long long>(x - r.x) * sourceWidth / r.width;
  const long long py = static_cast<long long>(y - r.y) * sourceHeight / r.height;
  pictureX = static_cast<int>(std::clamp<long long>(px, 0, sourceWidth - 1));
  pictureY = static_cast<int>(std::clamp<long long>(py, 0, sourceHeight - 1));
}

void PictureToOutput(const ScalePlan& plan, int sourceWidth, int sourceHeight, int x, int y,
                     int& outputX, int& outputY) {
  const PixelRect& r = plan.picture;
  outputX = r.x + static_cast<int>(static_cast<long long>(x) * r.width / std::max(sourceWidth, 1));
  outputY =
      r.y + static_cast<int>(static_cast<long long>(y) * r.height / std::max(sourceHeight, 1));
}

}  // namespace brakkon::platform
