// The keyboard table the game polls, fed from key events so that a tap shorter
// than one tick still reads down once.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace brakkon::platform {

class KeyLatch {
 public:
  static constexpr std::uint8_t kDown = 0x80;

  // A key went down; `key` is side-specific for Shift, Ctrl and Alt (160..165).
  void Press(int key) {
    if (!Valid(key)) return;
    held_[key] = true;
    pressed_[key] = true;
  }

  // A key went up; it still reads down at the next refresh when pressed since the last one.
  void Release(int key) {
    if (Valid(key)) held_[key] = false;
  }

  // Forgets every key, pressed or held: nothing stays stuck when the focus goes elsewhere.
  void Clear() {
    held_.fill(false);
    pressed_.fill(false);
  }

  // Writes the table (kDown or 0 per virtual key) and starts a new latch period.
  // The side-neutral Shift, Ctrl and Alt entries read down while either side does.
  void Refresh(std::array<std::uint8_t, 256>& keys) {
    for (int key = 0; key < 256; ++key) keys[key] = (held_[key] || pressed_[key]) ? kDown : 0;
    keys[0] = 0;
    const auto either = [&keys](int both, int left, int right) {
      if (keys[left] || keys[right]) keys[both] = kDown;
    };
    either(vk::kShift, vk::kLShift, vk::kRShift);
    either(vk::kControl, vk::kLControl, vk::kRControl);
    either(vk::kMenu, vk::kLMenu, vk::kRMenu);
    pressed_.fill(false);
  }

 private:
  static bool Valid(int key) { return key > 0 && key < 256; }

  std::array<bool, 256> held_{};
  std::array<bool, 256> pressed_{};
};

}  // namespace brakkon::platform
