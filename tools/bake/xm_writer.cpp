// Writes extended modules (XM, version 1.04).
#include "xm_writer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace brakkon::bake {
namespace {

constexpr int kHeaderSize = 276;      // from the header-size field to the end of the order table
constexpr int kInstrumentSize = 263;  // instrument header as the reference tracker writes it
constexpr int kSampleHeaderSize = 40;

class Out {
 public:
  void U8(int v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void U16(int v) {
    U8(v & 0xFF);
    U8((v >> 8) & 0xFF);
  }
  void U32(std::uint32_t v) {
    for (int k = 0; k < 4; ++k) U8(static_cast<int>((v >> (8 * k)) & 0xFF));
  }
  void Text(const std::string& s, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) U8(i < s.size() ? s[i] : 0);
  }
  void Zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> PackPattern(const XmPattern& p, int channels) {
  std::vector<std::uint8_t> data;
  for (int row = 0; row < p.rows; ++row) {
    for (int ch = 0; ch < channels; ++ch) {
      const XmCell& c = p.cells[static_cast<std::size_t>(row) * channels + ch];
      const std::uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
      std::uint8_t mask = 0;
      for (int k = 0; k < 5; ++k) {
        if (fields[k] != 0) mask |= static_cast<std::uint8_t>(1 << k);
      }
      if (mask == 0x1F) {
        data.insert(data.end(), fields, fields + 5);
        continue;
      }
      data.push_back(0x80 | mask);
      for (int k = 0; k < 5; ++k) {
        if (fields[k] != 0) data.push_back(fields[k]);
      }
    }
  }
  return data;
}

void WriteInstrument(Out& out, const XmInstrument& ins) {
  if (ins.envelope.size() > 12) throw std::invalid_argument("XM envelope has more than 12 points");
  const std::size_t start = out.bytes.size();
  out.U32(kInstrumentSize);
  out.Text(ins.name, 22);
  out.U8(0);
  out.U16(1);
  out.U32(kSampleHeaderSize);
  out.Zeros(96);  // every note plays sample 0
  for (int k = 0; k < 12; ++k) {
    if (k < static_cast<int>(ins.envelope.size())) {
      out.U16(ins.envelope[k].tick);
      out.U16(ins.envelope[k].value);
    } else {
      out.U32(0);
    }
  }
  out.Zeros(48);  // panning envelope
  out.U8(static_cast<int>(ins.envelope.size()));
  out.U8(0);
  out.U8(std::max(ins.sustainPoint, 0));
  out.U8(0);  // volume loop start
  out.U8(0);  // volume loop end
  out.U8(0);
  out.U8(0);
  out.U8(0);
  int type = ins.envelope.empty() ? 0 : 1;
  if (!ins.envelope.empty() && ins.sustainPoint >= 0) type |= 2;
  out.U8(type);
  out.U8(0);
  out.U8(0);  // vibrato: sine
  out.U8(ins.vibratoSweep);
  out.U8(ins.vibratoDepth);
  out.U8(ins.vibratoRate);
  out.U16(ins.fadeout);
  out.Zeros(kInstrumentSize - (out.bytes.size() - start));

  const auto bytes = static_cast<std::uint32_t>(ins.sample.size() * 2);
  out.U32(bytes);
  out.U32(static_cast<std::uint32_t>(ins.loopStart * 2));
  out.U32(static_cast<std::uint32_t>(ins.loopLength * 2));
  out.U8(ins.volume);
  out.U8(static_cast<std::uint8_t>(static_cast<std::int8_t>(ins.finetune)));
  out.U8((ins.loopLength > 0 ? 1 : 0) | 0x10);  // forward loop, 16-bit
  out.U8(ins.panning);
  out.U8(static_cast<std::uint8_t>(static_cast<std::int8_t>(ins.relativeNote)));
  out.U8(0);
  out.Text(ins.name, 22);

  std::int16_t previous = 0;
  for (std::int16_t s : ins.sample) {
    out.U16(static_cast<std::uint16_t>(s - previous));
    previous = s;
  }
}

}  // namespace

std::vector<std::uint8_t> WriteXm(const XmModule& m) {
  if (m.orders.empty() || m.orders.size() > 256) throw std::invalid_argument("XM order count");
  Out out;
  out.Text("Extended Module: ", 17);
  out.Text(m.name, 20);
  out.U8(0x1A);
  out.Text("brakkon bake", 20);
  out.U16(0x0104);
  out.U32(kHeaderSize);
  out.U16(static_cast<int>(m.orders.size()));
  out.U16(m.restart);
  out.U16(m.channels);
  out.U16(static_cast<int>(m.patterns.size()));
  out.U16(static_cast<int>(m.instruments.size()));
  out.U16(1);  // linear frequency table
  out.U16(m.speed);
  out.U16(m.bpm);
  for (int i = 0; i < 256; ++i) out.U8(i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);

  for (const XmPattern& p : m.patterns) {
    std::vector<std::uint8_t> data = PackPattern(p, m.channels);
    out.U32(9);
    out.U8(0);
    out.U16(p.rows);
    out.U16(static_cast<int>(data.size()));
    out.bytes.insert(out.bytes.end(), data.begin(), data.end());
  }
  for (const XmInstrument& ins : m.instruments) WriteInstrument(out, ins);
  return out.bytes;
}

void TuneSample(XmInstrument& instrument, double sampleRate, double sampleHz, double targetHz) {
  // Without tuning, C-4 plays the sample at 8363 Hz.
  double semis = 12.0 * std::log2(sampleRate * targetHz / sampleHz / 8363.0);
  int whole = static_cast<int>(std::lround(semis));
  int fine = static_cast<int>(std::lround((semis - whole) * 128));
  if (fine > 127) {
    fine -= 128;
    ++whole;
  }
  instrument.relativeNote = whole;
  instrument.finetune = std::clamp(fine, -128, 127);
}

}  // namespace brakkon::bake
