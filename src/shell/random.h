// The game's one random generator, seeded at start-up (tests seed it themselves).
#pragma once

#include <cstdint>

namespace brakkon::shell {

// A 32-bit linear congruential generator: the same seed gives the same race on
// every machine, which replays rely on.
class TRandom {
 public:
  void Seed(std::uint32_t seed) { state_ = seed; }
  std::uint32_t SeedValue() const { return state_; }
  // A uniform integer 0 .. n - 1; 0 when n <= 0.
  std::int32_t RandInt(std::int32_t n) {
    state_ = state_ * 0x08088405u + 1u;
    if (n <= 0) return 0;
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(state_) * static_cast<std::uint32_t>(n)) >> 32);
  }

 private:
  std::uint32_t state_ = 0;
};

}  // namespace brakkon::shell
