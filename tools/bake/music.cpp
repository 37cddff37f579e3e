// The two tunes of the game, composed and orchestrated with synthesized instruments.
#include "music.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "synth.h"

namespace brakkon::bake {
namespace {

constexpr double kRate = 22050;  // Hz, the rate every instrument is rendered at
constexpr double kMiddleC = 261.6255653;

std::vector<std::int16_t> ToPcm(const Signal& s, double peak = 0.92) {
  double m = 0;
  for (double v : s) m = std::max(m, std::fabs(v));
  double gain = m > 0 ? peak / m : 0;
  std::vector<std::int16_t> out(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    out[i] =
        static_cast<std::int16_t>(std::clamp(std::lround(s[i] * gain * 32767), -32767L, 32767L));
  }
  return out;
}

// A partial that completes a whole number of cycles in the loop.
struct Partial {
  double cycles;
  double amp;
  double phase;
};

// `attack` samples then a `loop`-sample loop; shape(freqHz, t) scales each
// partial and must be constant once t reaches the loop, so the loop is seamless.
Signal Additive(const std::vector<Partial>& partials, int attack, int loop,
                const std::function<double(double freq, double t)>& shape) {
  Signal s(static_cast<std::size_t>(attack + loop), 0.0);
  const double loopEnd = static_cast<double>(attack) / kRate;
  for (const Partial& p : partials) {
    double freq = p.cycles * kRate / loop;
    if (freq >= kRate * 0.45) continue;
    double w = kTwoPi * p.cycles / loop;
    for (int i = 0; i < attack + loop; ++i) {
      double t = std::min(i / kRate, loopEnd);
      s[i] += p.amp * shape(freq, t) * std::sin(w * i + p.phase);
    }
  }
  return s;
}

// Saw partials of a voice whose fundamental makes `cycles` cycles per loop.
void AddSaw(std::vector<Partial>& out, double cycles, double amp, double maxHz, int loop,
            double phase) {
  for (int h = 1; h * cycles * kRate / loop < maxHz; ++h) {
    out.push_back(Partial{h * cycles, amp / h, phase * h});
  }
}

void AddSquare(std::vector<Partial>& out, double cycles, double amp, double maxHz, int loop,
               double phase) {
  for (int h = 1; h * cycles * kRate / loop < maxHz; h += 2) {
    out.push_back(Partial{h * cycles, amp / h, phase * h});
  }
}

// Low-pass response used to shape partials.
double Lowpass(double freq, double cutoff) {
  return 1.0 / std::sqrt(1 + std::pow(freq / cutoff, 4));
}

XmInstrument Looped(const std::string& name, const Signal& s, int attack, int loop,
                    double sampleHz) {
  XmInstrument ins;
  ins.name = name;
  ins.sample = ToPcm(s);
  ins.loopStart = attack;
  ins.loopLength = loop;
  TuneSample(ins, kRate, sampleHz);
  return ins;
}

XmInstrument OneShot(const std::string& name, Signal s, double rate = kRate) {
  FadeOut(s, 0.01, rate);
  XmInstrument ins;
  ins.name = name;
  ins.sample = ToPcm(s);
  TuneSample(ins, rate, kMiddleC);
  return ins;
}

Signal Render(double seconds, double rate, const std::function<double(double t)>& f) {
  Signal s(static_cast<std::size_t>(Samples(seconds, rate)));
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = f(i / rate);
  return s;
}

XmInstrument Kick(double punch, std::uint64_t seed) {
  Oscillator o(kRate);
  Noise noise(seed);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  lp.Set(3000, 0.7);
  return OneShot("kick", Render(0.32, kRate, [&](double t) {
                   double f = 45 + 110 * punch * Decay(t, 0.035);
                   double body = o.Sine(f) * AttackDecay(t, 0.001, 0.16);
                   double click = lp.Process(noise.Next()) * Decay(t, 0.004);
                   return Drive(body * 1.2 + click * 0.5, 1.5);
                 }));
}

XmInstrument Snare(double tone, double tail, std::uint64_t seed) {
  Oscillator o(kRate);
  Noise noise(seed);
  Biquad band(Biquad::Kind::kBandPass, kRate);
  band.Set(2600, 0.6);
  Biquad hp(Biquad::Kind::kHighPass, kRate);
  hp.Set(900, 0.7);
  return OneShot("snare", Render(0.3, kRate, [&](double t) {
                   double body = o.Sine(185 + 60 * Decay(t, 0.01)) * AttackDecay(t, 0.001, 0.05);
                   double n = noise.Next();
                   double rattle =
                       (band.Process(n) * 0.8 + hp.Process(n) * 0.5) * AttackDecay(t, 0.001, tail);
                   return Drive(body * tone + rattle * 1.4, 1.4);
                 }));
}

XmInstrument Hat(double tau, std::uint64_t seed, const std::string& name) {
  Noise noise(seed);
  Biquad hp(Biquad::Kind::kHighPass, kRate);
  hp.Set(7000, 0.8);
  Oscillator m1(kRate), m2(kRate);
  return OneShot(name, Render(std::min(0.6, tau * 7), kRate, [&](double t) {
                   // Two detuned square partials give the metallic colour.
                   double metal = m1.Square(3140) * m2.Square(4470) * 0.3;
                   return hp.Process(noise.Next() + metal) * AttackDecay(t, 0.0005, tau);
                 }));
}

XmInstrument Crash() {
  const double rate = 11025;
  Noise noise(901);
  Biquad hp(Biquad::Kind::kHighPass, rate);
  hp.Set(3000, 0.6);
  Oscillator m1(rate), m2(rate);
  return OneShot("crash",
                 Render(1.3, rate,
                        [&](double t) {
                          double metal = m1.Square(1860) * m2.Square(2730) * 0.4;
                          return hp.Process(noise.Next() + metal) * AttackDecay(t, 0.002, 0.45);
                        }),
                 rate);
}

XmInstrument Tom() {
  Oscillator o(kRate);
  Noise noise(911);
  return OneShot("tom", Render(0.35, kRate, [&](double t) {
                   double f = 90 + 60 * Decay(t, 0.06);
                   return o.Sine(f) * AttackDecay(t, 0.001, 0.14) +
                          noise.Next() * 0.1 * Decay(t, 0.01);
                 }));
}

// Octave bass: square-ish voice whose brightness falls to a steady loop.
XmInstrument PopBass() {
  const int loop = 84;  // one cycle, about C4 at 22050 Hz
  const int attack = 84 * 30;
  std::vector<Partial> p;
  AddSquare(p, 1, 1.0, 9000, loop, 0);
  AddSaw(p, 1, 0.5, 9000, loop, 0.3);
  Signal s = Additive(p, attack, loop, [&](double f, double t) {
    return Lowpass(f, 700 + 5000 * Decay(t, 0.03) - 5000 * std::exp(-attack / kRate / 0.03));
  });
  XmInstrument ins = Looped("bass", s, attack, loop, kRate / loop);
  ins.envelope = {{0, 64}, {6, 50}, {30, 40}, {36, 0}};
  ins.sustainPoint = 2;
  ins.fadeout = 2048;
  return ins;
}

XmInstrument SawBass() {
  const int loop = 84;
  const int attack = 84 * 24;
  std::vector<Partial> p;
  AddSaw(p, 1, 1.0, 9000, loop, 0);
  Signal s = Additive(p, attack, loop, [&](double f, double t) {
    return Lowpass(f, 1100 + 6000 * Decay(t, 0.025) - 6000 * std::exp(-attack / kRate / 0.025));
  });
  for (double& v : s) v = Drive(v * 1.5, 1.3);
  XmInstrument ins = Looped("sawbass", s, attack, loop, kRate / loop);
  ins.envelope = {{0, 64}, {8, 52}, {24, 46}, {30, 0}};
  ins.sustainPoint = 2;
  ins.fadeout = 2048;
  return ins;
}

// A chord pad of three detuned saws per chord tone, in just intonation so the
// whole chord repeats within the loop.
XmInstrument Pad(const std::string& name, const int (&ratios)[3], int base) {
  const int loop = 22050;  // one second
  std::vector<Partial> p;
  Rng rng(static_cast<std::uint64_t>(base) * 7 + ratios[1]);
  for (int tone = 0; tone < 3; ++tone) {
    double cycles = static_cast<double>(base) * ratios[tone] / ratios[0];
    for (int detune = -1; detune <= 1; ++detune) {
      AddSaw(p, cycles + detune * (tone + 1), 0.3, 3500, loop, rng.Range(0, kTwoPi));
    }
  }
  Signal s = Additive(p, 0, loop, [](double f, double) { return Lowpass(f, 1800); });
  XmInstrument ins = Looped(name, s, 0, loop, static_cast<double>(base) * kRate / loop);
  ins.envelope = {{0, 0}, {24, 64}, {80, 48}, {120, 0}};
  ins.sustainPoint = 2;
  ins.fadeout = 1024;
  return ins;
}

// Short bright pluck for arpeggios.
XmInstrument Pluck() {
  const int loop = 84;
  const int attack = 84 * 16;
  std::vector<Partial> p;
  AddSquare(p, 1, 1.0, 6000, loop, 0);
  Signal s = Additive(p, attack, loop, [&](double f, double t) {
    return Lowpass(f, 1800 + 6000 * Decay(t, 0.02) - 6000 * std::exp(-attack / kRate / 0.02));
  });
  XmInstrument ins = Looped("pluck", s, attack, loop, kRate / loop);
  ins.envelope = {{0, 64}, {3, 44}, {12, 20}, {30, 0}};
  ins.fadeout = 4096;
  return ins;
}

// Lead: two saws a few cents apart plus a square, with vibrato.
XmInstrument Lead(const std::string& name, double squareMix, double cutoff) {
  const int loop = 22050;  // one second; 260 and 262 cycles beat once a second
  std::vector<Partial> p;
  AddSaw(p, 260, 0.6, 5000, loop, 0);
  AddSaw(p, 262, 0.6, 5000, loop, 1.3);
  AddSquare(p, 261, squareMix, 5000, loop, 0.7);
  Signal s = Additive(p, 0, loop, [&](double f, double) { return Lowpass(f, cutoff); });
  XmInstrument ins = Looped(name, s, 0, loop, 261.0 * kRate / loop);
  ins.envelope = {{0, 0}, {2, 64}, {10, 54}, {18, 0}};
  ins.sustainPoint = 2;
  ins.fadeout = 1536;
  ins.vibratoDepth = 4;
  ins.vibratoRate = 10;
  ins.vibratoSweep = 40;
  return ins;
}

// Distorted root-fifth-octave chord; the distortion keeps the loop periodic.
XmInstrument PowerChord() {
  const int loop = 11025;
  std::vector<Partial> p;
  Rng rng(77);
  const int ratios[3] = {2, 3, 4};
  for (int tone = 0; tone < 3; ++tone) {
    for (int detune = 0; detune <= 1; ++detune) {
      AddSaw(p, 66.0 * ratios[tone] + detune * (tone + 1), 0.35, 4000, loop, rng.Range(0, kTwoPi));
    }
  }
  const int attack = 0;
  Signal s = Additive(p, attack, loop, [](double f, double) { return Lowpass(f, 2400); });
  double m = 0;
  for (double v : s) m = std::max(m, std::fabs(v));
  for (double& v : s) v = Drive(v / m * 3.0, 2.5);
  XmInstrument ins = Looped("power", s, attack, loop, 132.0 * kRate / loop);
  ins.envelope = {{0, 64}, {4, 56}, {20, 44}, {26, 0}};
  ins.sustainPoint = 2;
  ins.fadeout = 2048;
  return ins;
}

// A chord symbol: root as a MIDI note and its quality.
struct Chord {
  int root;
  bool minor;
  int Tone(int degree) const {  // 0 root, 1 third, 2 fifth, 3 octave, 4 tenth...
    static const int majorSteps[] = {0, 4, 7};
    static const int minorSteps[] = {0, 3, 7};
    int octave = degree / 3, k = degree % 3;
    return root + 12 * octave + (minor ? minorSteps[k] : majorSteps[k]);
  }
};

int ParseNote(const std::string& token) {
  static const std::map<char, int> pitch = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                            {'G', 7}, {'A', 9}, {'B', 11}};
  auto it = pitch.find(token.at(0));
  if (it == pitch.end()) throw std::invalid_argument("bad note " + token);
  int pc = it->second;
  std::size_t i = 1;
  if (token.at(i) == '#') {
    ++pc;
    ++i;
  } else if (token.at(i) == 'b') {
    --pc;
    ++i;
  }
  int octave = token.at(i) - '0';
  return 12 * (octave + 1) + pc;
}

std::uint8_t XmNote(int midi) {
  return static_cast<std::uint8_t>(std::clamp(midi - 11, 1, 96));
}
std::uint8_t Vol(int v) {
  return static_cast<std::uint8_t>(0x10 + std::clamp(v, 0, 64));
}

// Builds a module pattern by pattern from short text lines.
class Song {
 public:
  Song(const std::string& name, int channels, int speed, int bpm) {
    module_.name = name;
    module_.channels = channels;
    module_.speed = speed;
    module_.bpm = bpm;
  }
  int AddInstrument(XmInstrument ins) {
    module_.instruments.push_back(std::move(ins));
    return static_cast<int>(module_.instruments.size());
  }
  int NewPattern() {
    module_.patterns.emplace_back(64, module_.channels);
    return static_cast<int>(module_.patterns.size()) - 1;
  }
  void Order(std::initializer_list<int> patterns) {
    for (int p : patterns) module_.orders.push_back(static_cast<std::uint8_t>(p));
  }
  XmCell& Cell(int pattern, int row, int ch) {
    return module_.patterns.at(pattern).cells.at(static_cast<std::size_t>(row) * module_.channels +
                                                 ch);
  }
  void Note(int pattern, int row, int ch, int midi, int instrument, int volume) {
    if (row < 0 || row >= 64) return;
    XmCell& c = Cell(pattern, row, ch);
    c.note = XmNote(midi);
    c.instrument = static_cast<std::uint8_t>(instrument);
    c.volume = Vol(volume);
  }
  void Off(int pattern, int row, int ch) {
    if (row < 0 || row >= 64) return;
    Cell(pattern, row, ch) = XmCell{kXmKeyOff, 0, 0, 0, 0};
  }
  // Whitespace-separated tokens, one per `step` rows: a note ("A4", "C#5"), "." to
  // hold, "-" for key off. Returns the row after the last token.
  int Line(int pattern, int ch, int row, const std::string& text, int instrument, int volume,
           int step, int transpose = 0) {
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
      if (token == "-") {
        Off(pattern, row, ch);
      } else if (token != ".") {
        Note(pattern, row, ch, ParseNote(token) + transpose, instrument, volume);
      }
      row += step;
    }
    return row;
  }
  struct Hit {
    int instrument;
    int midi;
    int volume;
  };
  // One character per row; '.' is silence.
  void Drums(int pattern, int ch, int row, const std::string& text,
             const std::map<char, Hit>& kit) {
    for (char c : text) {
      if (c == ' ') continue;
      auto it = kit.find(c);
      if (it != kit.end())
        Note(pattern, row, ch, it->second.midi, it->second.instrument, it->second.volume);
      ++row;
    }
  }
  XmModule Take() { return std::move(module_); }

 private:
  XmModule module_;
};

// Menu theme: A minor synth-pop.

struct MenuKit {
  int kick, snare, hat, openHat, bass, padMinor, padMajor, pluck, lead;
};

void MenuChords(Song& song, const MenuKit& k, int pattern, const std::vector<Chord>& chords,
                int padVolume) {
  for (int bar = 0; bar < 4; ++bar) {
    const Chord& c = chords[bar];
    song.Note(pattern, bar * 16, 3, c.root, c.minor ? k.padMinor : k.padMajor, padVolume);
  }
}

void MenuArp(Song& song, const MenuKit& k, int pattern, const std::vector<Chord>& chords,
             int volume, bool sixteenths) {
  static const int shape[16] = {3, 4, 5, 4, 3, 5, 4, 3, 2, 3, 4, 5, 6, 5, 4, 3};
  for (int bar = 0; bar < 4; ++bar) {
    for (int s = 0; s < 16; s += sixteenths ? 1 : 2) {
      int vol = volume - (s % 4 == 0 ? 0 : 8);
      song.Note(pattern, bar * 16 + s, 4, chords[bar].Tone(shape[s]), k.pluck, vol);
    }
  }
}

void MenuBass(Song& song, const MenuKit& k, int pattern, const std::vector<Chord>& chords,
              int volume) {
  for (int bar = 0; bar < 4; ++bar) {
    int root = chords[bar].root - 24;
    if (root < 33) root += 12;
    for (int s = 0; s < 16; s += 2) {
      song.Note(pattern, bar * 16 + s, 2, root + ((s / 2) % 2 ? 12 : 0), k.bass, volume);
    }
  }
}

void MenuDrums(Song& song, const MenuKit& k, int pattern, bool full, bool fill) {
  const std::map<char, Song::Hit> kit = {{'K', {k.kick, 60, 64}},  {'S', {k.snare, 60, 56}},
                                         {'s', {k.snare, 60, 30}}, {'h', {k.hat, 60, 26}},
                                         {'H', {k.hat, 60, 40}},   {'o', {k.openHat, 60, 34}}};
  for (int bar = 0; bar < 4; ++bar) {
    if (full) {
      bool last = fill && bar == 3;
      song.Drums(pattern, 0, bar * 16, last ? "K...S...K.K.SsSS" : "K...S...K.K.S...", kit);
      song.Drums(pattern, 1, bar * 16, "H.h.H.h.H.h.H.o.", kit);
    } else {
      song.Drums(pattern, 1, bar * 16, bar == 3 ? "h...h...h...h.o." : "h.......h.......", kit);
    }
  }
}

XmModule BuildMenu() {
  Song song("Brakkon Menu", 6, 6, 120);
  MenuKit k{};
  k.kick = song.AddInstrument(Kick(0.8, 1));
  k.snare = song.AddInstrument(Snare(0.6, 0.11, 2));
  k.hat = song.AddInstrument(Hat(0.025, 3, "hat"));
  k.openHat = song.AddInstrument(Hat(0.12, 4, "open hat"));
  k.bass = song.AddInstrument(PopBass());
  k.padMinor = song.AddInstrument(Pad("pad minor", {10, 12, 15}, 130));
  k.padMajor = song.AddInstrument(Pad("pad major", {4, 5, 6}, 132));
  k.pluck = song.AddInstrument(Pluck());
  XmInstrument lead = Lead("lead", 0.5, 3200);
  lead.volume = 52;
  k.lead = song.AddInstrument(lead);

  const Chord Am{57, true}, F{53, false}, C{48, false}, G{55, false}, Dm{50, true}, E{52, false};
  const std::vector<Chord> verse = {Am, F, C, G};
  const std::vector<Chord> bridge = {Dm, Am, F, E};
  const std::vector<Chord> breakdown = {F, G, Am, Am};
  const int leadVol = 44;

  // Order 0: the soft intro, also where every repeat begins.
  int intro = song.NewPattern();
  MenuChords(song, k, intro, verse, 40);
  MenuArp(song, k, intro, verse, 30, false);
  MenuDrums(song, k, intro, false, false);

  int verseA = song.NewPattern();
  MenuChords(song, k, verseA, verse, 34);
  MenuArp(song, k, verseA, verse, 30, true);
  MenuBass(song, k, verseA, verse, 48);
  MenuDrums(song, k, verseA, true, false);

  const std::string hook1 =
      "E5 . E5 D5 C5 . D5 E5  . . C5 . A4 . - .  G4 . C5 . E5 . G5 .  F5 . E5 . D5 . B4 .";
  const std::string hook2 =
      "E5 . E5 D5 C5 . D5 E5  . . A5 . G5 . F5 .  E5 . D5 . C5 . E5 .  D5 . . . - . . .";
  int verseB = song.NewPattern();
  MenuChords(song, k, verseB, verse, 34);
  MenuArp(song, k, verseB, verse, 24, true);
  MenuBass(song, k, verseB, verse, 48);
  MenuDrums(song, k, verseB, true, false);
  song.Line(verseB, 5, 0, hook1, k.lead, leadVol, 2);

  int verseC = song.NewPattern();
  MenuChords(song, k, verseC, verse, 34);
  MenuArp(song, k, verseC, verse, 24, true);
  MenuBass(song, k, verseC, verse, 48);
  MenuDrums(song, k, verseC, true, true);
  song.Line(verseC, 5, 0, hook2, k.lead, leadVol, 2);

  const std::string bridgeLine =
      "F5 . . E5 D5 . A4 .  C5 . . B4 A4 . E5 .  F5 . E5 . C5 . A4 .  B4 . . . G#4 . B4 .";
  int bridgeA = song.NewPattern();
  MenuChords(song, k, bridgeA, bridge, 36);
  MenuArp(song, k, bridgeA, bridge, 24, true);
  MenuBass(song, k, bridgeA, bridge, 48);
  MenuDrums(song, k, bridgeA, true, true);
  song.Line(bridgeA, 5, 0, bridgeLine, k.lead, leadVol, 2);

  int breakA = song.NewPattern();
  MenuChords(song, k, breakA, breakdown, 42);
  MenuArp(song, k, breakA, breakdown, 30, false);
  MenuDrums(song, k, breakA, false, false);
  song.Line(breakA, 5, 0, "A5 . . . . . G5 .  . . B5 . . . D6 .  E6 . . . . . . .  - . . . . . . .",
            k.lead, leadVol - 6, 2);

  int breakB = song.NewPattern();
  MenuChords(song, k, breakB, breakdown, 42);
  MenuArp(song, k, breakB, breakdown, 30, true);
  MenuBass(song, k, breakB, breakdown, 40);
  MenuDrums(song, k, breakB, true, true);
  song.Line(breakB, 5, 0,
            "A5 . G5 . F5 . E5 .  D5 . E5 . G5 . B5 .  C6 . B5 . A5 . E5 .  A5 . . . - . . .",
            k.lead, leadVol, 2);

  // The last pattern thins out so the intro follows without a bump.
  int outro = song.NewPattern();
  MenuChords(song, k, outro, verse, 38);
  MenuArp(song, k, outro, verse, 26, true);
  MenuBass(song, k, outro, verse, 36);
  MenuDrums(song, k, outro, true, false);
  song.Line(outro, 5, 0, "E5 . . . . . . .  C5 . . . . . . .  G4 . . . . . . .  B4 . . . - . . .",
            k.lead, leadVol - 10, 2);

  song.Order({intro, verseA, verseB, verseC, bridgeA, verseB, breakA, breakB, verseB, verseC,
              bridgeA, outro});
  return song.Take();
}

// Race theme: E minor driving synth-rock.

struct RaceKit {
  int kick, snare, hat, crash, tom, bass, power, lead, pluck;
};

void RaceDrums(Song& song, const RaceKit& k, int pattern, int style, bool crashStart, bool fill) {
  const std::map<char, Song::Hit> kit = {{'K', {k.kick, 60, 64}},  {'S', {k.snare, 60, 60}},
                                         {'s', {k.snare, 60, 34}}, {'h', {k.hat, 60, 24}},
                                         {'H', {k.hat, 60, 38}},   {'T', {k.tom, 55, 56}},
                                         {'t', {k.tom, 50, 56}},   {'L', {k.tom, 45, 58}}};
  const char* kicks[] = {"K.......K.K.....", "K.....K.K.......", "K...K...K...K..."};
  const char* snares[] = {"....S.......S...", "....S.......S..s", "....S.......S..."};
  for (int bar = 0; bar < 4; ++bar) {
    bool last = fill && bar == 3;
    song.Drums(pattern, 0, bar * 16, last ? "K.......K......." : kicks[style], kit);
    song.Drums(pattern, 1, bar * 16, last ? "....S...SsSsTTtL" : snares[style], kit);
    song.Drums(pattern, 2, bar * 16, style == 2 ? "HhHhHhHhHhHhHhHh" : "H.h.H.h.H.h.H.h.", kit);
  }
  if (crashStart) song.Note(pattern, 0, 2, 60, k.crash, 44);
}

void RaceBass(Song& song, const RaceKit& k, int pattern, const std::vector<Chord>& chords,
              int style) {
  for (int bar = 0; bar < 4; ++bar) {
    int root = chords[bar].root;
    while (root >= 40) root -= 12;
    for (int s = 0; s < 16; s += 2) {
      int note = root;
      if (style == 1 && (s == 6 || s == 14)) note = root + 12;
      if (style == 2 && s == 14)
        note = chords[bar].Tone(2) - 12 * ((chords[bar].Tone(2) - root) / 12);
      song.Note(pattern, bar * 16 + s, 3, note, k.bass, s % 4 == 0 ? 56 : 46);
    }
  }
}

void RacePower(Song& song, const RaceKit& k, int pattern, const std::vector<Chord>& chords,
               const char* rhythm, int volume) {
  for (int bar = 0; bar < 4; ++bar) {
    int root = chords[bar].root;
    while (root >= 52) root -= 12;
    for (int s = 0; s < 16; ++s) {
      if (rhythm[s] == 'X') song.Note(pattern, bar * 16 + s, 4, root, k.power, volume);
      if (rhythm[s] == '-') song.Off(pattern, bar * 16 + s, 4);
    }
  }
}

void RaceArp(Song& song, const RaceKit& k, int pattern, const std::vector<Chord>& chords,
             int volume) {
  static const int shape[8] = {3, 5, 4, 6, 5, 4, 5, 6};
  for (int bar = 0; bar < 4; ++bar) {
    for (int s = 0; s < 16; s += 2) {
      song.Note(pattern, bar * 16 + s, 7, chords[bar].Tone(shape[s / 2]), k.pluck, volume);
    }
  }
}

// The lead on channel 5 with a quieter echo three rows later on channel 6.
void RaceLead(Song& song, const RaceKit& k, int pattern, const std::string& line, int volume) {
  song.Line(pattern, 5, 0, line, k.lead, volume, 2);
  song.Line(pattern, 6, 3, line, k.lead, volume / 3, 2);
}

XmModule BuildRace() {
  Song song("Brakkon Race", 8, 5, 150);
  RaceKit k{};
  k.kick = song.AddInstrument(Kick(1.0, 11));
  k.snare = song.AddInstrument(Snare(0.9, 0.14, 12));
  k.hat = song.AddInstrument(Hat(0.02, 13, "hat"));
  k.crash = song.AddInstrument(Crash());
  k.tom = song.AddInstrument(Tom());
  k.bass = song.AddInstrument(SawBass());
  XmInstrument power = PowerChord();
  power.volume = 40;
  k.power = song.AddInstrument(power);
  XmInstrument lead = Lead("lead", 0.8, 4200);
  lead.volume = 50;
  k.lead = song.AddInstrument(lead);
  XmInstrument pluck = Pluck();
  pluck.volume = 40;
  k.pluck = song.AddInstrument(pluck);

  const Chord Em{52, true}, C{48, false}, D{50, false}, B{47, false}, Am{57, true};
  const std::vector<Chord> riff = {Em, C, D, B};
  const std::vector<Chord> verse = {Am, Em, C, D};
  const std::vector<Chord> chorus1 = {C, D, Em, Em};
  const std::vector<Chord> chorus2 = {C, D, B, B};
  const std::vector<Chord> drive = {Em, Em, C, D};
  const char* stab = "X..X..X...X..X..";
  const char* chug = "X.X.X.X.X.X.X.X.";
  const char* hold = "X...............";

  const std::string riffLine1 =
      "E5 . B4 . E5 F#5 G5 .  E5 . . . C5 . . .  D5 . F#5 . A5 . F#5 .  D#5 . . . B4 . . .";
  const std::string riffLine2 =
      "E5 . B4 . E5 F#5 G5 A5  B5 . . A5 G5 . E5 .  F#5 . . E5 D5 . A4 .  B4 . . . D#5 . F#5 .";
  const std::string verseLine =
      "C6 . B5 . A5 . E5 .  G5 . F#5 . E5 . B4 .  C5 . E5 . G5 . C6 .  B5 . A5 . F#5 . D5 .";
  const std::string chorusLine1 =
      "G5 . . . E5 . G5 .  A5 . . . F#5 . A5 .  B5 . . . . . G5 .  E6 . . . . . - .";
  const std::string chorusLine2 =
      "G5 . . . E5 . G5 .  A5 . . . B5 . C6 .  B5 . . . . . . .  F#5 . . . D#5 . B4 .";

  // Order 0 is heard after every resume: it starts at full drive.
  int riffA = song.NewPattern();
  RaceDrums(song, k, riffA, 0, true, false);
  RaceBass(song, k, riffA, riff, 0);
  RacePower(song, k, riffA, riff, stab, 40);
  RaceLead(song, k, riffA, riffLine1, 46);

  int riffB = song.NewPattern();
  RaceDrums(song, k, riffB, 0, false, true);
  RaceBass(song, k, riffB, riff, 1);
  RacePower(song, k, riffB, riff, stab, 40);
  RaceLead(song, k, riffB, riffLine2, 46);

  int verseA = song.NewPattern();
  RaceDrums(song, k, verseA, 1, true, false);
  RaceBass(song, k, verseA, verse, 1);
  RaceArp(song, k, verseA, verse, 34);
  RaceLead(song, k, verseA, verseLine, 44);

  int verseB = song.NewPattern();
  RaceDrums(song, k, verseB, 1, false, true);
  RaceBass(song, k, verseB, verse, 2);
  RaceArp(song, k, verseB, verse, 34);
  RacePower(song, k, verseB, verse, hold, 30);
  RaceLead(song, k, verseB, verseLine, 44);

  int chorusA = song.NewPattern();
  RaceDrums(song, k, chorusA, 2, true, false);
  RaceBass(song, k, chorusA, chorus1, 0);
  RacePower(song, k, chorusA, chorus1, chug, 36);
  RaceLead(song, k, chorusA, chorusLine1, 50);

  int chorusB = song.NewPattern();
  RaceDrums(song, k, chorusB, 2, false, true);
  RaceBass(song, k, chorusB, chorus2, 0);
  RacePower(song, k, chorusB, chorus2, chug, 36);
  RaceLead(song, k, chorusB, chorusLine2, 50);

  int driveA = song.NewPattern();
  RaceDrums(song, k, driveA, 0, true, false);
  RaceBass(song, k, driveA, drive, 1);
  RaceArp(song, k, driveA, drive, 38);

  int driveB = song.NewPattern();
  RaceDrums(song, k, driveB, 2, false, true);
  RaceBass(song, k, driveB, drive, 1);
  RaceArp(song, k, driveB, drive, 38);
  RacePower(song, k, driveB, drive, hold, 34);
  song.Line(driveB, 5, 32, "E5 . F#5 . G5 . A5 .  B5 . C6 . D6 . D#6 .", k.lead, 40, 2);

  // Turnaround: the riff once more, ending on the fill that drops back into order 0.
  int turn = song.NewPattern();
  RaceDrums(song, k, turn, 0, false, true);
  RaceBass(song, k, turn, riff, 0);
  RacePower(song, k, turn, riff, stab, 40);
  RaceLead(song, k, turn, riffLine1, 40);

  song.Order({riffA, riffB, verseA, verseB, chorusA, chorusB, riffA, riffB, driveA, driveB, chorusA,
              chorusB, verseA, verseB, chorusA, turn});
  return song.Take();
}

}  // namespace

XmModule MakeMenuTune() {
  return BuildMenu();
}
XmModule MakeRaceTune() {
  return BuildRace();
}

}  // namespace brakkon::bake
