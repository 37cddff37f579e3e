// The SDL keyboard table: taps between two refreshes, both sides of the modifiers, focus loss.
#include "platform/sdl/key_latch.h"

#include <gtest/gtest.h>

#include <vector>

namespace brakkon::platform {
namespace {

std::vector<int> DownKeys(KeyLatch& latch) {
  std::array<std::uint8_t, 256> keys;
  keys.fill(0xAA);  // stale contents must be overwritten
  latch.Refresh(keys);
  std::vector<int> down;
  for (int key = 0; key < 256; ++key) {
    EXPECT_TRUE(keys[key] == 0 || keys[key] == KeyLatch::kDown) << "key " << key;
    if (keys[key]) down.push_back(key);
  }
  return down;
}

TEST(KeyLatchTest, TapBetweenRefreshesReadsDownExactlyOnce) {
  KeyLatch latch;
  latch.Press(vk::kA + 25);  // Z
  latch.Release(vk::kA + 25);
  EXPECT_EQ(DownKeys(latch), std::vector<int>{vk::kA + 25});
  EXPECT_EQ(DownKeys(latch), std::vector<int>{});
}

TEST(KeyLatchTest, HeldKeyStaysDownUntilReleasedAndReadsUpAfter) {
  KeyLatch latch;
  latch.Press(vk::kUp);
  EXPECT_EQ(DownKeys(latch), std::vector<int>{vk::kUp});
  latch.Press(vk::kUp);  // auto-repeat
  EXPECT_EQ(DownKeys(latch), std::vector<int>{vk::kUp});
  latch.Release(vk::kUp);
  EXPECT_EQ(DownKeys(latch), std::vector<int>{});
}

TEST(KeyLatchTest, ReleaseThenPressAgainWithinOnePeriodStaysDown) {
  KeyLatch latch;
  latch.Press(vk::kSpace);
  EXPECT_EQ(DownKeys(latch), std::vector<int>{vk::kSpace});
  latch.Release(vk::kSpace);
  latch.Press(vk::kSpace);
  latch.Release(vk::kSpace);
  EXPECT_EQ(DownKeys(latch), std::vector<int>{vk::kSpace});
  EXPECT_EQ(DownKeys(latch), std::vector<int>{});
}

TEST(KeyLatchTest, ModifierReadsDownWhileEitherSideIsHeld) {
  struct Case {
    int left, right, both;
  };
  for (const Case c : {Case{vk::kLShift, vk::kRShift, vk::kShift},
                       Case{vk::kLControl, vk::kRControl, vk::kControl},
                       Case{vk::kLMenu, vk::kRMenu, vk::kMenu}}) {
    SCOPED_TRACE(c.both);
    KeyLatch latch;
    latch.Press(c.left);
    latch.Press(c.right);
    EXPECT_EQ(DownKeys(latch), (std::vector<int>{c.both, c.left, c.right}));
    latch.Release(c.left);
    EXPECT_EQ(DownKeys(latch), (std::vector<int>{c.both, c.right}));
    latch.Release(c.right);
    EXPECT_EQ(DownKeys(latch), std::vector<int>{});
  }
}

TEST(KeyLatchTest, ClearDropsHeldAndLatchedKeys) {
  KeyLatch latch;
  latch.Press(vk::kLeft);    // held when the focus goes
  latch.Press(vk::kA + 23);  // X, tapped just before
  latch.Release(vk::kA + 23);
  latch.Clear();
  EXPECT_EQ(DownKeys(latch), std::vector<int>{});
  latch.Release(vk::kLeft);  // its release may still arrive later: harmless
  EXPECT_EQ(DownKeys(latch), std::vector<int>{});
}

TEST(KeyLatchTest, CodesOutsideTheTableAndZeroAreIgnored) {
  KeyLatch latch;
  for (const int key : {0, -1, 256, 100000}) {
    latch.Press(key);
    latch.Release(key);
  }
  latch.Press(0);
  EXPECT_EQ(DownKeys(latch), std::vector<int>{});
}

}  // namespace
}  // namespace brakkon::platform
