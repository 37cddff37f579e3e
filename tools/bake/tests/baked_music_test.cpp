// The two baked tunes, loaded and played through by a real XM player: their
// layout, length, loudness and the wrap back to order 0 that restarts them in the game.
#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string kDataDir = BRAKKON_BAKED_DATA_DIR;

struct TuneDesign {
  const char* file;
  int channels;
  int speed;
  int bpm;
};

void PrintTo(const TuneDesign& d, std::ostream* os) {
  *os << d.file;
}

class BakedTune : public ::testing::TestWithParam<TuneDesign> {};

TEST_P(BakedTune, LoadsPlaysThroughAndWrapsToOrderZero) {
  const TuneDesign& d = GetParam();
  const std::string path = kDataDir + "/Music/" + d.file;
  EXPECT_LT(std::filesystem::file_size(path), 300u * 1024);

  xmp_context ctx = xmp_create_context();
  ASSERT_EQ(xmp_load_module(ctx, const_cast<char*>(path.c_str())), 0);
  xmp_module_info info;
  xmp_get_module_info(ctx, &info);
  EXPECT_EQ(info.mod->chn, d.channels);
  EXPECT_EQ(info.mod->spd, d.speed);
  EXPECT_EQ(info.mod->bpm, d.bpm);
  EXPECT_GE(info.mod->len, 2);
  EXPECT_EQ(info.mod->rst, 0);

  ASSERT_EQ(xmp_start_player(ctx, 22050, 0), 0);
  xmp_frame_info frame;
  std::vector<int> visited;
  double seconds = 0, peak = 0, energy = 0;
  long samples = 0, clipped = 0;
  bool wrapped = false;
  while (xmp_play_frame(ctx) == 0) {
    xmp_get_frame_info(ctx, &frame);
    if (frame.loop_count > 0) {
      wrapped = true;
      break;
    }
    if (visited.empty() || visited.back() != frame.pos) visited.push_back(frame.pos);
    seconds += frame.frame_time / 1e6;
    const auto* pcm = static_cast<const std::int16_t*>(frame.buffer);
    for (int i = 0; i < frame.buffer_size / 2; ++i) {
      double v = std::fabs(pcm[i] / 32768.0);
      peak = std::max(peak, v);
      energy += v * v;
      clipped += v > 0.999 ? 1 : 0;
      ++samples;
    }
    ASSERT_LT(seconds, 300) << "never wrapped";
  }
  EXPECT_TRUE(wrapped);
  EXPECT_EQ(frame.pos, 0) << "the song must come back to order 0";

  // Every order once, in order: no jump back to order 0 in the middle.
  ASSERT_EQ(static_cast<int>(visited.size()), info.mod->len);
  for (int i = 0; i < info.mod->len; ++i) EXPECT_EQ(visited[i], i);
  EXPECT_GE(seconds, 60);
  EXPECT_LE(seconds, 120);

  EXPECT_GT(peak, 0.3);
  EXPECT_GT(std::sqrt(energy / samples), 0.05);
  EXPECT_LT(clipped, samples / 1000);

  xmp_end_player(ctx);
  xmp_release_module(ctx);
  xmp_free_context(ctx);
}

INSTANTIATE_TEST_SUITE_P(Music, BakedTune,
                         ::testing::Values(TuneDesign{"Menu.xm", 6, 6, 120},
                                           TuneDesign{"Race.xm", 8, 5, 150}),
                         [](const auto& info) {
                           return std::string(info.param.file).substr(0, 4);
                         });

}  // namespace
