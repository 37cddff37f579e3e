// Fuzz target: an image archive as the game loads it, into a collection bound
// to a display so every item's surface is built and its patterns drawn.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/dxdraw.h"
#include "engine/errors.h"
#include "engine/picture_collection.h"
#include "engine/surface.h"
#include "platform/headless/headless_platform.h"

namespace {

using namespace brakkon;

// Drawing every pattern of a picture cut into single pixels would take the
// run's time without reaching new code: the first few and the last do.
constexpr int kPatternsDrawn = 16;

struct Display {
  platform::HeadlessVideo video;
  engine::TDXDraw draw{video};
  engine::TDXImageList list;
  Display() {
    list.SetDXDraw(&draw);
    draw.Initialize();
  }
};

void DrawPattern(const engine::TPictureCollectionItem& item, engine::TDirectDrawSurface& dest,
                 int pattern) {
  item.Draw(dest, 0, 0, pattern);
  item.DrawRotated(dest, 8, 8, 16, 16, pattern, 0.5, 0.5, 40);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One display for the whole run: building one per input would dominate it.
  static Display display;
  engine::TPictureCollection& items = display.list.Items();
  try {
    items.LoadArchiveBytes(std::span<const std::uint8_t>(data, size));
    engine::TDirectDrawSurface dest(24, 24);
    for (int i = 0; i < items.Count(); ++i) {
      const engine::TPictureCollectionItem& item = items.Items(i);
      const int count = item.PatternCount();
      for (int pattern = -1; pattern < count && pattern < kPatternsDrawn; ++pattern) {
        DrawPattern(item, dest, pattern);
      }
      DrawPattern(item, dest, count - 1);
      DrawPattern(item, dest, count);
    }
  } catch (const engine::EReadError&) {
  } catch (const engine::EInvalidImage&) {
  } catch (const engine::EInvalidGraphic&) {
  }
  items.Clear();
  return 0;
}
