// The mixer rendered by hand, without a device: voices, rates, loops, gains,
// sample formats, the baked tunes through libxmp, and both threads at once.
#include "platform/sdl/audio_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace brakkon::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kDataDir = BRAKKON_BAKED_DATA_DIR;

PcmFormat Mono16(int rate) {
  return PcmFormat{1, rate, 16, 2};
}

Bytes Pcm16(const std::vector<std::int16_t>& samples) {
  Bytes bytes;
  for (const std::int16_t s : samples) {
    bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
  }
  return bytes;
}

// Renders `frames` frames; returns them interleaved left, right.
std::vector<std::int16_t> Render(AudioMixer& mixer, int frames) {
  std::vector<std::int16_t> out(2 * static_cast<std::size_t>(frames), 12345);
  mixer.Render(out.data(), frames);
  return out;
}

int Buffer(AudioMixer& mixer, const PcmFormat& format, const std::vector<std::int16_t>& samples) {
  const Bytes bytes = Pcm16(samples);
  const int id = mixer.CreateBuffer(format, bytes.size());
  EXPECT_NE(id, 0);
  EXPECT_TRUE(mixer.WriteBuffer(id, bytes));
  return id;
}

TEST(AudioMixer, OneShotPlaysItsSamplesOnceThenReportsStopped) {
  AudioMixer mixer;
  const std::vector<std::int16_t> samples = {1000, -2000, 3000, -4000, 5000};
  const int id = Buffer(mixer, Mono16(AudioMixer::kOutputRate), samples);
  EXPECT_EQ(Render(mixer, 4), std::vector<std::int16_t>(8, 0)) << "nothing plays yet";
  mixer.Play(id, false);
  EXPECT_TRUE(mixer.Status(id).playing);
  const std::vector<std::int16_t> out = Render(mixer, 8);
  for (int f = 0; f < 8; ++f) {
    const std::int16_t expected = f < 5 ? samples[f] : 0;
    EXPECT_EQ(out[2 * f], expected) << f;
    EXPECT_EQ(out[2 * f + 1], expected) << f;
  }
  EXPECT_FALSE(mixer.Status(id).playing);
  EXPECT_EQ(Render(mixer, 8), std::vector<std::int16_t>(16, 0));

  // Played again, it starts over.
  mixer.Play(id, false);
  EXPECT_EQ(Render(mixer, 1)[0], 1000);
}

TEST(AudioMixer, BufferRateIsConvertedToTheOutputRate) {
  AudioMixer mixer;
  const int id = Buffer(mixer, Mono16(AudioMixer::kOutputRate / 2), {8000, 8000, 8000, 8000});
  mixer.Play(id, false);
  const std::vector<std::int16_t> out = Render(mixer, 10);
  for (int f = 0; f < 8; ++f) EXPECT_EQ(out[2 * f], 8000) << f;
  EXPECT_EQ(out[16], 0);

  // A set frequency overrides the buffer's rate; 0 gives it back.
  const int ramp = Buffer(mixer, Mono16(AudioMixer::kOutputRate), {0, 100, 200, 300, 400, 500});
  mixer.SetFrequency(ramp, AudioMixer::kOutputRate * 2);
  mixer.Play(ramp, false);
  const std::vector<std::int16_t> fast = Render(mixer, 4);
  EXPECT_EQ(fast[0], 0);
  EXPECT_EQ(fast[2], 200);
  EXPECT_EQ(fast[4], 400);
  EXPECT_EQ(fast[6], 0);
  mixer.SetFrequency(ramp, 0);
  mixer.SetPosition(ramp, 0);
  mixer.Play(ramp, false);
  EXPECT_EQ(Render(mixer, 3)[4], 200);
}

TEST(AudioMixer, LoopRunsUntilStoppedAndStopKeepsThePosition) {
  AudioMixer mixer;
  const int id = Buffer(mixer, Mono16(AudioMixer::kOutputRate), {10, 20, 30});
  mixer.Play(id, true);
  const std::vector<std::int16_t> out = Render(mixer, 7);
  const std::int16_t expected[] = {10, 20, 30, 10, 20, 30, 10};
  for (int f = 0; f < 7; ++f) EXPECT_EQ(out[2 * f], expected[f]) << f;
  EXPECT_TRUE(mixer.Status(id).looping);
  mixer.Stop(id);
  EXPECT_FALSE(mixer.Status(id).playing);
  EXPECT_EQ(Render(mixer, 2), std::vector<std::int16_t>(4, 0));
  mixer.Play(id, true);
  EXPECT_EQ(Render(mixer, 1)[0], 20) << "play goes on from where it stopped";
  mixer.SetPosition(id, 0);
  EXPECT_EQ(Render(mixer, 1)[0], 10);
  mixer.SetPosition(id, 4);  // bytes: frame 2
  EXPECT_EQ(Render(mixer, 1)[0], 30);
}

TEST(AudioMixer, DuplicatesShareSamplesAndMixTogether) {
  AudioMixer mixer;
  const int main = Buffer(mixer, Mono16(AudioMixer::kOutputRate), {1000, 1000, 1000, 1000});
  const int copy = mixer.DuplicateBuffer(main);
  ASSERT_NE(copy, 0);
  mixer.Play(main, false);
  mixer.Play(copy, false);
  EXPECT_EQ(Render(mixer, 1)[0], 2000);
  mixer.Stop(main);
  EXPECT_EQ(Render(mixer, 1)[0], 1000);
  EXPECT_TRUE(mixer.Status(copy).playing);
  EXPECT_FALSE(mixer.Status(main).playing);
  mixer.FreeBuffer(main);
  EXPECT_EQ(Render(mixer, 1)[0], 1000) << "the copy keeps the samples alive";
  EXPECT_EQ(mixer.LiveBuffers(), 1);
  EXPECT_EQ(mixer.DuplicateBuffer(main), 0);
}

TEST(AudioMixer, PanVolumeAndClamping) {
  AudioMixer mixer;
  const int id =
      Buffer(mixer, Mono16(AudioMixer::kOutputRate), std::vector<std::int16_t>(64, 10000));
  mixer.Play(id, true);
  mixer.SetPan(id, 10000);
  std::vector<std::int16_t> out = Render(mixer, 1);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 10000);
  mixer.SetPan(id, -600);  // the right side 6 dB down
  out = Render(mixer, 1);
  EXPECT_EQ(out[0], 10000);
  EXPECT_NEAR(out[1], 5012, 2);
  mixer.SetPan(id, 0);
  mixer.SetVolume(id, -2000);  // 20 dB down
  out = Render(mixer, 1);
  EXPECT_NEAR(out[0], 1000, 1);
  EXPECT_NEAR(out[1], 1000, 1);
  mixer.SetVolume(id, -10000);
  EXPECT_EQ(Render(mixer, 1)[0], 0);

  mixer.SetVolume(id, 0);
  for (int i = 0; i < 3; ++i) mixer.Play(mixer.DuplicateBuffer(id), true);
  out = Render(mixer, 1);
  EXPECT_EQ(out[0], 32767) << "four loud voices clip, not wrap";
}

TEST(AudioMixer, SampleFormats) {
  AudioMixer mixer;
  const int unsigned8 = mixer.CreateBuffer(PcmFormat{1, AudioMixer::kOutputRate, 8, 1}, 3);
  ASSERT_TRUE(mixer.WriteBuffer(unsigned8, Bytes{128, 255, 0}));
  mixer.Play(unsigned8, false);
  std::vector<std::int16_t> out = Render(mixer, 3);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[2], 32512);
  EXPECT_EQ(out[4], -32768);

  const int stereo = mixer.CreateBuffer(PcmFormat{2, AudioMixer::kOutputRate, 16, 4}, 8);
  ASSERT_TRUE(mixer.WriteBuffer(stereo, Pcm16({100, -100, 200, -200})));
  mixer.Play(stereo, false);
  out = Render(mixer, 2);
  EXPECT_EQ(out, (std::vector<std::int16_t>{100, -100, 200, -200}));

  EXPECT_FALSE(mixer.WriteBuffer(stereo, Bytes(9, 0))) << "longer than the buffer";
  EXPECT_FALSE(mixer.WriteBuffer(999, Bytes(1, 0)));
}

TEST(AudioMixer, PcmFormatBlocks) {
  const Bytes mono22050 = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
  PcmFormat f;
  ASSERT_TRUE(ReadPcmFormat(mono22050, f));
  EXPECT_EQ(f.channels, 1);
  EXPECT_EQ(f.rate, 22050);
  EXPECT_EQ(f.bitsPerSample, 16);
  EXPECT_EQ(f.blockAlign, 2);
  const auto with = [&](std::size_t at, std::uint8_t value) {
    Bytes b = mono22050;
    b[at] = value;
    return b;
  };
  EXPECT_FALSE(ReadPcmFormat(with(0, 3), f)) << "not PCM";
  EXPECT_FALSE(ReadPcmFormat(with(2, 6), f)) << "six channels";
  EXPECT_FALSE(ReadPcmFormat(with(14, 24), f)) << "24 bits";
  EXPECT_FALSE(ReadPcmFormat(with(5, 0), f)) << "34 Hz";
  EXPECT_FALSE(ReadPcmFormat(Bytes(mono22050.begin(), mono22050.begin() + 14), f));
  EXPECT_TRUE(ReadPcmFormat(with(12, 7), f)) << "a wrong block align is recomputed";
  EXPECT_EQ(f.blockAlign, 2);
}

struct Tune {
  const char* file;
};

class BakedTuneThroughTheMixer : public ::testing::TestWithParam<Tune> {};

TEST_P(BakedTuneThroughTheMixer, OrderAdvancesWrapsToZeroAndPlaysOn) {
  AudioMixer mixer;
  const auto loadStart = std::chrono::steady_clock::now();
  const std::uint32_t module = mixer.LoadModule(kDataDir + "/Music/" + GetParam().file);
  const double loadMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loadStart)
          .count();
  std::printf("%s loaded on the calling thread in %.2f ms\n", GetParam().file, loadMs);
  ASSERT_NE(module, 0u);
  EXPECT_EQ(mixer.ModuleOrder(module), 0);
  mixer.PlayModule(module);
  constexpr int kFrames = 4096;
  const int maxChunks = 150 * AudioMixer::kOutputRate / kFrames;  // 150 s of music
  std::vector<std::int32_t> orders;
  double energy = 0;
  bool wrapped = false;
  for (int chunk = 0; chunk < maxChunks && !wrapped; ++chunk) {
    const std::vector<std::int16_t> out = Render(mixer, kFrames);
    for (const std::int16_t s : out) energy += double(s) * s;
    const std::int32_t order = mixer.ModuleOrder(module);
    if (orders.empty() || orders.back() != order) {
      wrapped = !orders.empty() && order == 0;
      orders.push_back(order);
    }
  }
  ASSERT_TRUE(wrapped) << "never came back to order 0";
  ASSERT_GE(orders.size(), 3u);
  for (std::size_t i = 1; i + 1 < orders.size(); ++i) EXPECT_EQ(orders[i], orders[i - 1] + 1);
  EXPECT_GT(energy, 0);
  // Still playing after the wrap: the game restarts it, the player never runs out.
  const std::vector<std::int16_t> after = Render(mixer, kFrames);
  double afterEnergy = 0;
  for (const std::int16_t s : after) afterEnergy += double(s) * s;
  EXPECT_GT(afterEnergy, 0);

  mixer.FreeModule(module);
  Render(mixer, 16);
  EXPECT_EQ(mixer.ModuleOrder(module), 0);
  EXPECT_EQ(Render(mixer, 64), std::vector<std::int16_t>(128, 0));
}

INSTANTIATE_TEST_SUITE_P(Music, BakedTuneThroughTheMixer,
                         ::testing::Values(Tune{"Menu.xm"}, Tune{"Race.xm"}), [](const auto& info) {
                           return std::string(info.param.file).substr(0, 4);
                         });

TEST(AudioMixer, ModulesThatCannotBeLoaded) {
  AudioMixer mixer;
  EXPECT_EQ(mixer.LoadModule(kDataDir + "/Music/Missing.xm"), 0u);
  EXPECT_EQ(mixer.LoadModule(kDataDir + "/Res/Sounds.dxw"), 0u);
  mixer.PlayModule(0);
  mixer.FreeModule(0);
  EXPECT_EQ(mixer.ModuleOrder(0), 0);
}

TEST(AudioMixer, RestartingAModulePlaysItFromTheFirstOrder) {
  AudioMixer mixer;
  const std::uint32_t a = mixer.LoadModule(kDataDir + "/Music/Race.xm");
  const std::uint32_t b = mixer.LoadModule(kDataDir + "/Music/Race.xm");
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, a);
  mixer.PlayModule(a);
  for (int i = 0; i < 100 && mixer.ModuleOrder(a) == 0; ++i) Render(mixer, 4096);
  ASSERT_GT(mixer.ModuleOrder(a), 0);
  mixer.PlayModule(b);
  Render(mixer, 1024);
  EXPECT_EQ(mixer.ModuleOrder(a), 0) << "only the module playing reports a position";
  EXPECT_EQ(mixer.ModuleOrder(b), 0);
  mixer.PlayModule(a);
  Render(mixer, 1024);
  EXPECT_EQ(mixer.ModuleOrder(a), 0);
  mixer.FreeModule(a);
  mixer.FreeModule(b);
}

// The audio thread renders without pause while the main thread creates, plays,
// stops and frees buffers and modules; the sanitizer build catches a block freed
// under a voice. Also measures what a game call costs the main thread meanwhile.
TEST(AudioMixer, BothThreadsAtOnce) {
  AudioMixer mixer;
  std::atomic<bool> done{false};
  std::thread audio([&] {
    std::vector<std::int16_t> out(2 * 1024);
    while (!done.load()) mixer.Render(out.data(), 1024);
  });
  const std::vector<std::int16_t> samples(2048, 3000);
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::duration> took;
  took.reserve(1 << 20);
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(500);
  std::vector<int> live;
  std::uint32_t module = 0;
  for (int round = 0; Clock::now() < end; ++round) {
    const int id = Buffer(mixer, Mono16(22050), samples);
    live.push_back(mixer.DuplicateBuffer(id));
    live.push_back(id);
    for (const int b : live) {
      const Clock::time_point start = Clock::now();
      mixer.Stop(b);
      mixer.SetPosition(b, 0);
      const bool looping = (b & 1) != 0;
      mixer.Play(b, looping);
      const SoundStatus status = mixer.Status(b);
      took.push_back(Clock::now() - start);
      // This audio thread plays far faster than real time: a one-shot may be over.
      if (looping) {
        EXPECT_TRUE(status.looping);
      }
    }
    if (live.size() > 40) {
      for (const int b : live) mixer.FreeBuffer(b);
      live.clear();
    }
    if (round % 50 == 0) {
      if (module != 0) mixer.FreeModule(module);
      module = mixer.LoadModule(kDataDir + "/Music/Menu.xm");
      mixer.PlayModule(module);
    }
  }
  done = true;
  audio.join();
  mixer.FreeModule(module);
  for (const int b : live) mixer.FreeBuffer(b);
  std::sort(took.begin(), took.end());
  const auto us = [&](double fraction) {
    const Clock::duration d = took[static_cast<std::size_t>(fraction * (took.size() - 1))];
    return std::chrono::duration<double, std::micro>(d).count();
  };
  std::printf(
      "one stop, position, play and status over %zu plays: median %.1f us, 99%% %.1f us, "
      "99.9%% %.1f us, worst %.0f us\n",
      took.size(), us(0.5), us(0.99), us(0.999), us(1.0));
  EXPECT_GT(took.size(), 100u);
}

// The audio thread's cost: one second of output with the menu tune and eight voices.
TEST(AudioMixer, RenderCost) {
  AudioMixer mixer;
  const std::uint32_t module = mixer.LoadModule(kDataDir + "/Music/Menu.xm");
  ASSERT_NE(module, 0u);
  mixer.PlayModule(module);
  for (int i = 0; i < 8; ++i) {
    mixer.Play(Buffer(mixer, Mono16(22050), std::vector<std::int16_t>(22050, 1000)), true);
  }
  std::vector<std::int16_t> out(2 * 1024);
  const auto start = std::chrono::steady_clock::now();
  const int chunks = AudioMixer::kOutputRate / 1024;
  for (int i = 0; i < chunks; ++i) mixer.Render(out.data(), 1024);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("one second of output (menu tune + 8 voices) rendered in %.2f ms\n", ms);
  EXPECT_LT(ms, 1000) << "slower than real time";
  mixer.FreeModule(module);
}

}  // namespace
}  // namespace brakkon::platform
