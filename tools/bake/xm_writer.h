// Writes extended modules (XM, version 1.04): header, packed patterns and
// instruments of one 16-bit sample with delta-coded data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brakkon::bake {

inline constexpr std::uint8_t kXmKeyOff = 97;

// One cell of a pattern; 0 in a field means "empty".
struct XmCell {
  std::uint8_t note = 0;        // 1 = C-0 ... 96 = B-7, 97 = key off
  std::uint8_t instrument = 0;  // 1-based
  std::uint8_t volume = 0;      // volume column byte: 0x10 + 0..64 sets the volume
  std::uint8_t effect = 0;
  std::uint8_t param = 0;
};

struct XmPattern {
  int rows = 64;
  std::vector<XmCell> cells;  // rows x channels, row-major

  XmPattern(int rowCount, int channels)
      : rows(rowCount), cells(static_cast<std::size_t>(rowCount) * channels) {}
};

struct XmEnvelopePoint {
  std::uint16_t tick;
  std::uint16_t value;  // 0..64
};

struct XmInstrument {
  std::string name;
  std::vector<std::int16_t> sample;
  int loopStart = 0;   // samples
  int loopLength = 0;  // samples; 0 = no loop
  int volume = 64;
  int finetune = 0;      // 1/128 semitone, -128..127
  int relativeNote = 0;  // semitones added to every note
  int panning = 128;
  std::vector<XmEnvelopePoint> envelope;  // volume envelope, at most 12 points
  int sustainPoint = -1;                  // -1 = none
  int fadeout = 0;
  int vibratoDepth = 0;  // auto-vibrato (sine)
  int vibratoRate = 0;
  int vibratoSweep = 0;
};

struct XmModule {
  std::string name;
  int channels = 8;
  int speed = 6;  // ticks per row
  int bpm = 125;
  int restart = 0;
  std::vector<std::uint8_t> orders;
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
};

// The module as an XM file image (linear frequency table).
std::vector<std::uint8_t> WriteXm(const XmModule& module);

// Relative note and finetune that make XM note C-4 sound at `targetHz` from a
// sample whose content has pitch `sampleHz` when played at `sampleRate`.
void TuneSample(XmInstrument& instrument, double sampleRate, double sampleHz,
                double targetHz = 261.6255653);

}  // namespace brakkon::bake
