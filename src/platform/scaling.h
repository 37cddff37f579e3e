// Where the picture lands in a window or on a full screen, and how it is scaled
// there: pure geometry, shared by every presentation path and tested alone.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace brakkon::platform {

enum class ScaleMode {
  kSharp,    // nearest-pixel up to the largest whole factor, then smooth to the final size
  kInteger,  // the largest whole factor that fits, black borders
  kSmooth,   // linear all the way
};

// "sharp", "integer", "smooth"; nothing for any other word.
std::optional<ScaleMode> ScaleModeFromName(std::string_view name);
std::string_view ScaleModeName(ScaleMode mode);

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelRect&) const = default;
};

// How one picture is put into one output.
struct ScalePlan {
  PixelRect picture;    // where the picture lands, in output pixels, centred
  int prescale = 1;     // the whole factor of the nearest-pixel step
  bool smooth = false;  // a linear step from the prescaled picture to `picture`
  bool operator==(const ScalePlan&) const = default;
};

// The plan for a `sourceWidth` x `sourceHeight` picture on an `outputWidth` x
// `outputHeight` output (sizes > 0). The picture keeps its shape in every mode.
// An output smaller than the picture is filled smoothly whatever the mode, as no
// whole factor fits.
ScalePlan PlanScaling(ScaleMode mode, int sourceWidth, int sourceHeight, int outputWidth,
                      int outputHeight);

// The widths, in output pixels, that each of `source` pixels in a row gets when
// nearest-pixel sampling stretches them over `dest` pixels (as a renderer does:
// output pixel i shows source pixel i * source / dest).
std::vector<int> NearestPixelWidths(int source, int dest);

// The window-scale factor for `requested` (1, 2, 3, or 0 for the largest whole
// factor that fits `usableWidth` x `usableHeight`), never below 1.
int WindowScaleFactor(int requested, int pictureWidth, int pictureHeight, int usableWidth,
                      int usableHeight);

// Output pixel (x, y) as a picture pixel under `plan`, clamped to the picture.
void OutputToPicture(const ScalePlan& plan, int sourceWidth, int sourceHeight, int x, int y,
                     int& pictureX, int& pictureY);
// Picture pixel (x, y) as the output pixel at its top-left under `plan`.
void PictureToOutput(const ScalePlan& plan, int sourceWidth, int sourceHeight, int x, int y,
                     int& outputX, int& outputY);

}  // namespace brakkon::platform
