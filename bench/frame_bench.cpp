// Times one whole game frame (fill, tiled background, 40 colour-keyed sprites,
// the rotated needle) beside copying one frame's bytes with memcpy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/dxdraw.h"
#include "engine/picture_collection.h"
#include "engine/sprite.h"
#include "engine/sprite_engine.h"
#include "platform/headless/headless_platform.h"

namespace {

using namespace brakkon;

engine::RgbImage Checker(int w, int h, std::uint32_t a, std::uint32_t b) {
  engine::RgbImage image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.At(x, y) = ((x / 8 + y / 8) % 2) ? a : b;
  return image;
}

struct Scene {
  platform::HeadlessVideo video;
  engine::TDXDraw draw{video};
  engine::TDXImageList images;
  engine::TDXSpriteEngine sprites;
  engine::TPictureCollectionItem* needle = nullptr;

  Scene() {
    std::vector<engine::ImageArchiveItem> items(3);
    items[0].name = "Road";
    items[0].transparent = false;
    items[0].image = Checker(800, 512, 0x404448, 0x383C40);
    items[1].name = "Car";
    items[1].image = Checker(50, 90, 0xC02020, 0x000000);  // half the pixels keyed out
    items[2].name = "Needle";
    items[2].image = Checker(8, 50, 0xF0F0F0, 0x000000);
    images.SetDXDraw(&draw);
    sprites.SetDXDraw(&draw);
    draw.Initialize();
    images.Items().LoadArchiveBytes(engine::WriteImageArchive(items));

    auto* road = new engine::TBackgroundSprite(&sprites.Engine());
    road->ResizeMap(1, 1);
    road->Image = &images.Items().ItemByName("Road");
    road->Tiled = true;
    road->Y = 37;
    for (int i = 0; i < 40; ++i) {
      auto* car = new engine::TImageSprite(&sprites.Engine());
      car->Image = &images.Items().ItemByName("Car");
      car->Width = 50;
      car->Height = 90;
      car->X = 130 + (i % 8) * 60;
      car->Y = -40 + (i / 8) * 130;
      car->SetZ(2);
    }
    needle = &images.Items().ItemByName("Needle");
  }

  void Frame(int angle) {
    draw.Surface().Fill(0);
    sprites.Move(1);
    sprites.Draw();
    needle->DrawRotated(draw.Surface(), 738, 520, 8, 50, 0, 0.5, 0.9, angle);
  }
};

void BM_GameFrame(benchmark::State& state) {
  Scene scene;
  int angle = 0;
  for (auto _ : state) {
    scene.Frame(angle++ & 0xFF);
    benchmark::DoNotOptimize(scene.draw.Surface().Pixels());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_GameFrame);

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<std::uint16_t> from(800 * 600, 0x1234), to(800 * 600);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(std::uint16_t));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame);

}  // namespace

BENCHMARK_MAIN();
