// The game's sound effects, synthesized, as the items of the sound archive.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/archive_writer.h"

namespace brakkon::bake {

inline constexpr int kSoundRate = 22050;  // Hz

// A RIFF WAVE image: 16-byte `fmt ` chunk (PCM, mono, 16-bit, 22050 Hz) and a `data` chunk.
std::vector<std::uint8_t> EncodeWave(std::span<const std::int16_t> samples);

// The 18 effects in archive order; only Engine and Shot loop.
std::vector<engine::SoundArchiveItem> MakeSounds();

}  // namespace brakkon::bake
