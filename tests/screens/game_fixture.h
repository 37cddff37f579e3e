// A whole game on the headless platform: started in a fresh folder on the baked
// data set, driven tick by tick through the real message loop.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "engine/surface.h"
#include "platform/headless/headless_platform.h"
#include "screens/widgets.h"
#include "shell/application.h"
#include "shell/form.h"

namespace brakkon::test {

namespace fs = std::filesystem;

// Each test runs in its own folder holding Data/Res and Data/Music of the build
// and an empty Data/Save; the form is built in SetUp and started by the test.
class GameFixture : public ::testing::Test {
 protected:
  static constexpr int kTickMs = 30;

  void SetUp() override {
    previous_ = fs::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    // A random suffix keeps parallel runs from several build folders apart.
    dir_ = fs::temp_directory_path() /
           ("brakkon-" + name + "-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "Data" / "Save");
    fs::current_path(dir_);
    const fs::path baked = BRAKKON_BAKED_DATA_DIR;
    fs::create_directory_symlink(baked / "Res", "Data/Res");
    fs::create_directory_symlink(baked / "Music", "Data/Music");
    form_ = std::make_unique<shell::TMForm>(platform);
    // Counted around the form's own handler so Ticks() knows when a tick ran.
    auto handler = form_->MDXTimer.OnTimer;
    form_->MDXTimer.OnTimer = [this, handler](int lagCount) {
      ++ticks_;
      handler(lagCount);
    };
  }

  void TearDown() override {
    form_.reset();
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  shell::TMForm& form() { return *form_; }
  shell::ShellState& shell() { return form_->Shell; }

  // The save files a fresh install ships (default table, options); call before Start.
  static void CopyBakedSaves() {
    fs::copy(fs::path(BRAKKON_BAKED_DATA_DIR) / "Save", "Data/Save",
             fs::copy_options::overwrite_existing | fs::copy_options::recursive);
  }

  // FormCreate: the main menu starts sliding in.
  void Start() { form_->FormCreate(); }
  // FormCreate, then ticks until the main menu is interactive and has run one
  // interactive tick: the highlight and its hint show, and the arrows are armed.
  void StartAtRest() {
    Start();
    for (int i = 0; i < 200 && shell().MenuPhase != 0; ++i) Ticks(1);
    ASSERT_EQ(shell().MenuPhase, 0) << "the main menu never came to rest";
    Ticks(1);
  }

  // Runs the message loop until `n` more timer ticks ran; pending events are
  // delivered first. Fails the test when the timer stops ticking.
  void Ticks(int n) {
    const int target = ticks_ + n;
    const std::uint32_t deadline = platform.clock.Milliseconds() + (n + 10) * 4 * kTickMs;
    while (ticks_ < target && !form_->Terminated()) {
      if (static_cast<std::int32_t>(deadline - platform.clock.Milliseconds()) < 0) {
        ADD_FAILURE() << "the frame timer stopped after " << (n - (target - ticks_)) << " of " << n
                      << " ticks";
        return;
      }
      shell::RunLoopOnce(*form_, platform);
    }
  }
  // Delivers the pending window events without letting a tick run.
  void DeliverEvents() {
    platform::Event event;
    while (!form_->Terminated() && platform.input.PollEvent(event)) form_->DispatchEvent(event);
  }
  int TickCount() const { return ticks_; }

  // Arrow keys and other held keys reach the game through the key table at the next tick.
  void HoldKey(int vk) { platform.input.PressKey(vk); }
  void ReleaseKey(int vk) { platform.input.ReleaseKey(vk); }
  // Pressed and released before the next tick: read down exactly once.
  void TapKey(int vk) {
    platform.input.PressKey(vk);
    platform.input.ReleaseKey(vk);
  }
  // One press of an arrow: the tick that reads it and the tick that re-arms navigation.
  void StepKey(int vk) {
    TapKey(vk);
    Ticks(2);
  }
  // Typed characters (Enter 13, Esc 27, Backspace 8) as the window delivers them.
  void Type(std::string_view text) {
    for (char c : text) platform.input.PushChar(c);
  }
  void MoveTo(int x, int y) { platform.input.PushMouseMove(x, y); }
  void ClickAt(int x, int y) {
    platform.input.PushMouseMove(x, y);
    platform.input.PushClick(x, y);
  }
  // The pointer to the centre of the button in `slot` as it stands now.
  void MoveToSlot(int slot) {
    const screens::TMenuButton& b = *shell().Buttons[slot];
    MoveTo(static_cast<int>(b.X) + b.Width / 2, static_cast<int>(b.Y) + b.Height / 2);
  }
  void ClickSlot(int slot) {
    const screens::TMenuButton& b = *shell().Buttons[slot];
    ClickAt(static_cast<int>(b.X) + b.Width / 2, static_cast<int>(b.Y) + b.Height / 2);
  }

  // How often the sound effect `name` has started playing so far.
  int SoundPlays(std::string_view name) {
    io::TWaveCollectionItem& item = form_->MDXWaveList.Items().Find(name);
    std::set<int> buffers;
    if (item.MainBuffer() != nullptr) buffers.insert(item.MainBuffer()->Id());
    for (const auto& buffer : item.PlayBuffers()) buffers.insert(buffer->Id());
    int plays = 0;
    for (const platform::AudioCall& call : platform.audio.calls) {
      if (call.kind == platform::AudioCall::Kind::kPlay && buffers.count(call.buffer) != 0) ++plays;
    }
    return plays;
  }

  // Whether any buffer of the sound effect `name` is playing now.
  bool SoundPlaying(std::string_view name) {
    io::TWaveCollectionItem& item = form_->MDXWaveList.Items().Find(name);
    if (item.MainBuffer() != nullptr && platform.audio.Status(item.MainBuffer()->Id()).playing)
      return true;
    for (const auto& buffer : item.PlayBuffers()) {
      if (platform.audio.Status(buffer->Id()).playing) return true;
    }
    return false;
  }

  // Pixels of the last frame inside [x0, x1) x [y0, y1) that equal `rgb` in RGB565.
  int CountFramePixels(int x0, int y0, int x1, int y1, std::uint32_t rgb) const {
    const std::uint16_t want = engine::Rgb565FromRgb(rgb);
    int count = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) count += platform.video.FramePixel(x, y) == want ? 1 : 0;
    }
    return count;
  }

  // Writes the last frame as `name`.bmp into $BRAKKON_SNAPSHOT_DIR, when set, for
  // looking at a screen by eye.
  void SaveFrame(const std::string& name) const {
    const char* folder = std::getenv("BRAKKON_SNAPSHOT_DIR");
    if (folder == nullptr || platform.video.frameWidth() == 0) return;
    WriteBmp(fs::path(folder) / (name + ".bmp"));
  }

  platform::HeadlessPlatform platform;

 private:
  void WriteBmp(const fs::path& path) const {
    const int w = platform.video.frameWidth();
    const int h = platform.video.frameHeight();
    const int rowBytes = (w * 3 + 3) & ~3;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(rowBytes * h);
    std::ofstream out(path, std::ios::binary);
    auto put = [&out](std::uint32_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    out.write("BM", 2);
    put(54 + dataBytes, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(w), 4);
    put(static_cast<std::uint32_t>(h), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(dataBytes, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) {
        const std::uint16_t p = platform.video.FramePixel(x, y);
        const int r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
        out.put(static_cast<char>((b << 3) | (b >> 2)));
        out.put(static_cast<char>((g << 2) | (g >> 4)));
        out.put(static_cast<char>((r << 3) | (r >> 2)));
      }
      for (int pad = w * 3; pad < rowBytes; ++pad) out.put(0);
    }
  }

  std::unique_ptr<shell::TMForm> form_;
  int ticks_ = 0;
  fs::path previous_;
  fs::path dir_;
};

}  // namespace brakkon::test
