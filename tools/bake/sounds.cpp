// The game's sound effects, synthesized from oscillators, noise, filters and envelopes.
#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "synth.h"

namespace brakkon::bake {
namespace {

constexpr double kRate = kSoundRate;
constexpr double kPeak = 0.708;       // -3 dBFS
constexpr double kQuietPeak = 0.178;  // 12 dB below the others

Signal Make(double seconds, const std::function<double(double t, int i)>& sample) {
  Signal s(static_cast<std::size_t>(Samples(seconds, kRate)));
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = sample(i / kRate, static_cast<int>(i));
  return s;
}

double Freq(double midiNote) {
  return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

Signal ButtonPressed() {
  Oscillator click(kRate), thump(kRate);
  Noise noise(11);
  Biquad hp(Biquad::Kind::kHighPass, kRate);
  hp.Set(3000, 0.7);
  Signal s = Make(0.070, [&](double t, int) {
    double transient = click.Sine(2000) * Decay(t, 0.004);
    double tick = hp.Process(noise.Next()) * Decay(t, 0.0015);
    double body = thump.Sine(150 * (1 + 0.5 * Decay(t, 0.01))) * AttackDecay(t, 0.001, 0.016);
    return 0.55 * transient + 0.5 * tick + 0.8 * body;
  });
  FadeOut(s, 0.01, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal ButtonActivated() {
  Oscillator osc(kRate);
  Signal s =
      Make(0.045, [&](double t, int) { return osc.Sine(1800) * AttackDecay(t, 0.002, 0.012); });
  FadeOut(s, 0.008, kRate);
  Normalize(s, kQuietPeak);
  return s;
}

// The engine voice: a firing-pulse tone at `freq` with a half-rate lope and
// combustion noise; shared by the start, the drone and the rev.
class EngineVoice {
 public:
  explicit EngineVoice(std::uint64_t seed) : noise_(seed) {
    body_.Set(900, 0.8);
    rumble_.Set(260, 1.2);
  }
  double Next(double freq, double load) {
    double fundamental = main_.Saw(freq);
    double lope = sub_.Sine(freq / 2);
    double pulse = 0.5 + 0.5 * std::cos(kTwoPi * pulse_.Phase());
    pulse_.Sine(freq);
    double tone = body_.Process(fundamental * (0.7 + 0.3 * lope));
    double grit = rumble_.Process(noise_.Next()) * std::pow(pulse, 3) * (0.6 + load);
    return Drive(tone * 1.4 + 0.5 * lope + grit * 1.2, 1.6);
  }

 private:
  Oscillator main_{kRate}, sub_{kRate}, pulse_{kRate};
  Noise noise_;
  Biquad body_{Biquad::Kind::kLowPass, kRate};
  Biquad rumble_{Biquad::Kind::kBandPass, kRate};
};

Signal EngineStart() {
  EngineVoice engine(21);
  Oscillator whirr(kRate), crank(kRate);
  Noise noise(22);
  Biquad starterHiss(Biquad::Kind::kBandPass, kRate);
  starterHiss.Set(1800, 2);
  Signal s = Make(1.2, [&](double t, int) {
    // Starter motor: a whine dipping at each compression stroke.
    double crankRate = Ramp(t, 0, 0.4, 7, 11);
    double compress = 0.55 + 0.45 * std::sin(kTwoPi * crank.Phase());
    crank.Sine(crankRate);
    double starter = (whirr.Square(Ramp(t, 0, 0.4, 150, 230) * (0.9 + 0.1 * compress), 0.3) * 0.35 +
                      starterHiss.Process(noise.Next()) * 0.6) *
                     compress * Ramp(t, 0.36, 0.46, 1, 0) * Ramp(t, 0, 0.03, 0, 1);
    // The engine catches, revs once and settles on the idle drone's pitch.
    double f = 0;
    if (t >= 0.38) {
      double u = t - 0.38;
      f = 90 + 70 * std::sin(std::min(u / 0.42, 1.0) * M_PI) * (u < 0.42 ? 1 : 0) +
          (u < 0.08 ? -40 * (1 - u / 0.08) : 0);
    }
    double running = t < 0.38 ? 0
                              : engine.Next(f, Ramp(t, 0.38, 0.6, 1, 0.3)) *
                                    Ramp(t, 0.38, 0.45, 0, 1) * Ramp(t, 1.05, 1.2, 1, 0.55);
    return starter + 0.8 * running;
  });
  FadeOut(s, 0.05, kRate);
  Normalize(s, kPeak);
  return s;
}

// One second that repeats without a seam: every partial and the wobble have a
// whole number of cycles, and the noise is filtered around the loop.
Signal Engine() {
  const int n = Samples(1.0, kRate);
  Noise noise(31);
  Signal grit(static_cast<std::size_t>(n));
  for (double& v : grit) v = noise.Next();
  Biquad band(Biquad::Kind::kBandPass, kRate);
  band.Set(240, 1.0);
  Signal filtered(grit.size());
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < n; ++i) filtered[i] = band.Process(grit[i]);
  }
  Signal s(static_cast<std::size_t>(n));
  const double f0 = 90;  // Hz, 90 cycles a second
  for (int i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / n;  // one loop = one second
    double phase = f0 * t + 0.35 * std::sin(kTwoPi * 3 * t) / (kTwoPi * 3) * 3;
    double lope = 0.75 + 0.25 * std::sin(kTwoPi * (45 * t));
    double tone = 0;
    const double amps[] = {1.0, 0.55, 0.42, 0.2, 0.16, 0.08, 0.06};
    for (int h = 1; h <= 7; ++h) tone += amps[h - 1] * std::sin(kTwoPi * h * phase + 0.3 * h);
    double pulse = std::pow(0.5 + 0.5 * std::cos(kTwoPi * phase), 4);
    s[i] = Drive(tone * lope * 0.55 + filtered[i] * pulse * 2.2, 1.4);
  }
  Normalize(s, kQuietPeak);
  return s;
}

Signal EngineAccel() {
  EngineVoice engine(41);
  Oscillator whistle(kRate);
  Noise noise(42);
  Biquad whoosh(Biquad::Kind::kBandPass, kRate);
  Signal s = Make(0.9, [&](double t, int) {
    double spool = 400 * std::pow(4.0, std::min(t / 0.75, 1.0));  // 400 -> 1600 Hz
    whoosh.Set(spool * 1.2, 3);
    double env = Ramp(t, 0, 0.08, 0, 1) * Ramp(t, 0.7, 0.9, 1, 0);
    double air = whoosh.Process(noise.Next()) * 1.6;
    double whine = whistle.Sine(spool) * 0.25;
    double rev = engine.Next(110 + 90 * std::sin(std::min(t / 0.9, 1.0) * M_PI), 0.8) * 0.45;
    return (air + whine) * env + rev * Ramp(t, 0.75, 0.9, 1, 0);
  });
  FadeOut(s, 0.02, kRate);
  Normalize(s, kPeak);
  return s;
}

// Three shots 83 ms apart in a loop of 250 ms; each shot dies before the next.
Signal Shot() {
  const int n = 5512;  // 0.25 s, an even count of samples
  Signal s(static_cast<std::size_t>(n), 0.0);
  for (int k = 0; k < 3; ++k) {
    Noise noise(51 + k);
    Oscillator thump(kRate);
    Biquad lp(Biquad::Kind::kLowPass, kRate);
    Signal shot = Make(0.075, [&](double t, int) {
      lp.Set(6000 * Decay(t, 0.012) + 400, 0.9);
      double crack = lp.Process(noise.Next()) * AttackDecay(t, 0.0005, 0.011);
      double boom = thump.Sine(140 * (1 + Decay(t, 0.006))) * AttackDecay(t, 0.001, 0.018);
      return Drive(crack * 1.3 + boom * 0.9, 2.0);
    });
    FadeOut(shot, 0.02, kRate);
    MixInto(s, shot, k * n / 3, k == 1 ? 0.92 : 1.0);
  }
  Normalize(s, kPeak);
  return s;
}

// Falling debris: short resonant knocks thinning out over time.
void AddRubble(Signal& s, std::uint64_t seed, double start, double density, double pitch) {
  Rng rng(seed);
  double t = start;
  const double end = static_cast<double>(s.size()) / kRate;
  while (t < end - 0.03) {
    double f = pitch * rng.Range(0.6, 1.6);
    double gain = rng.Range(0.15, 0.45) * Decay(t - start, (end - start) * 0.5);
    Oscillator o(kRate);
    Noise noise(rng.Next());
    Signal knock = Make(0.03, [&](double u, int) {
      return (o.Sine(f) * 0.6 + noise.Next() * 0.4) * Decay(u, 0.006);
    });
    MixInto(s, knock, Samples(t, kRate), gain);
    t += rng.Range(0.3, 1.7) / (density * (1 + 3 * ((t - start) / (end - start))));
  }
}

Signal WallExplosion() {
  Noise noise(61);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  Oscillator boom(kRate);
  Signal s = Make(0.6, [&](double t, int) {
    lp.Set(300 + 4000 * Decay(t, 0.06), 0.8);
    double burst = lp.Process(noise.Next()) * AttackDecay(t, 0.003, 0.12);
    double thud = boom.Sine(110 * (0.6 + 0.6 * Decay(t, 0.05))) * AttackDecay(t, 0.002, 0.08);
    // Coarse steps give the burst its crunch.
    double crunch = std::round(burst * 6) / 6;
    return Drive(burst * 0.9 + crunch * 0.5 + thud * 0.9, 1.8);
  });
  AddRubble(s, 62, 0.12, 30, 900);
  FadeOut(s, 0.08, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal CarExplosion() {
  Noise noise(71), metalNoise(72);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  Biquad metal(Biquad::Kind::kBandPass, kRate);
  metal.Set(1700, 3);
  Oscillator boom(kRate);
  Oscillator partials[4] = {Oscillator(kRate), Oscillator(kRate), Oscillator(kRate),
                            Oscillator(kRate)};
  const double metalFreq[4] = {433, 1190, 1873, 2710};
  Signal s = Make(1.3, [&](double t, int) {
    lp.Set(180 + 2500 * Decay(t, 0.09), 0.7);
    double rumble = lp.Process(noise.Next()) * AttackDecay(t, 0.004, 0.35);
    double deep = boom.Sine(38 + 55 * Decay(t, 0.12)) * AttackDecay(t, 0.003, 0.3);
    double clang = 0;
    for (int k = 0; k < 4; ++k) clang += partials[k].Sine(metalFreq[k]) * Decay(t, 0.09 / (k + 1));
    double crunch = metal.Process(metalNoise.Next()) * AttackDecay(t, 0.002, 0.07);
    return Drive(rumble * 1.2 + deep * 1.1 + clang * 0.18 + crunch * 0.9, 1.7);
  });
  AddRubble(s, 73, 0.25, 18, 600);
  FadeOut(s, 0.15, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal Spike() {
  Noise noise(81);
  Biquad hiss(Biquad::Kind::kHighPass, kRate);
  hiss.Set(2500, 0.7);
  Oscillator partials[5] = {Oscillator(kRate), Oscillator(kRate), Oscillator(kRate),
                            Oscillator(kRate), Oscillator(kRate)};
  const double freq[5] = {523, 1347, 2211, 3162, 4410};
  const double tau[5] = {0.12, 0.08, 0.05, 0.035, 0.02};
  Oscillator flutter(kRate);
  Signal s = Make(0.7, [&](double t, int) {
    double clank = 0;
    for (int k = 0; k < 5; ++k)
      clank += partials[k].Sine(freq[k]) * Decay(t, tau[k]) / (1 + 0.3 * k);
    double tyre =
        hiss.Process(noise.Next()) * AttackDecay(t, 0.03, 0.25) * (0.75 + 0.25 * flutter.Sine(23));
    return clank * 0.8 + tyre * 0.7;
  });
  FadeOut(s, 0.1, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal Water() {
  Noise noise(91);
  Biquad band(Biquad::Kind::kBandPass, kRate);
  Signal s = Make(0.6, [&](double t, int) {
    band.Set(900 + 2200 * AttackDecay(t, 0.05, 0.15), 1.2);
    return band.Process(noise.Next()) * AttackDecay(t, 0.035, 0.16) * 1.5;
  });
  Rng rng(92);
  for (int k = 0; k < 9; ++k) {
    double at = 0.08 + rng.Range(0, 0.4);
    double f0 = rng.Range(500, 1100);
    Oscillator o(kRate);
    Signal drop = Make(0.05, [&](double u, int) {
      return o.Sine(f0 * (1 + 1.5 * u / 0.05)) * AttackDecay(u, 0.002, 0.012);
    });
    MixInto(s, drop, Samples(at, kRate), rng.Range(0.15, 0.35));
  }
  FadeOut(s, 0.08, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal Stone() {
  Noise noise(101);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  lp.Set(500, 0.9);
  Oscillator thud(kRate);
  Signal s = Make(0.25, [&](double t, int) {
    double body = thud.Sine(60 + 60 * Decay(t, 0.02)) * AttackDecay(t, 0.001, 0.05);
    double dirt = lp.Process(noise.Next()) * AttackDecay(t, 0.001, 0.04);
    return Drive(body * 1.2 + dirt * 1.6, 1.5);
  });
  AddRubble(s, 102, 0.05, 45, 1400);
  FadeOut(s, 0.03, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal Rabbit() {
  Oscillator voice(kRate), vibrato(kRate);
  Signal s = Make(0.3, [&](double t, int) {
    // Two squeaks, the second lower, each sliding down.
    bool second = t >= 0.12;
    double u = second ? t - 0.12 : t;
    double base = second ? Ramp(u, 0, 0.17, 1250, 620) : Ramp(u, 0, 0.11, 1500, 1150);
    double f = base * (1 + 0.03 * vibrato.Sine(28));
    double env = second ? AttackDecay(u, 0.01, 0.08) : AttackDecay(u, 0.008, 0.05);
    double tri = voice.Triangle(f);
    return (tri + 0.3 * std::sin(2 * kTwoPi * voice.Phase())) * env;
  });
  FadeOut(s, 0.02, kRate);
  Normalize(s, kPeak);
  return s;
}

// A struck bell-like note: fundamental with inharmonic upper partials.
Signal Chime(double freq, double seconds, double tau) {
  Oscillator a(kRate), b(kRate), c(kRate);
  return Make(seconds, [&](double t, int) {
    return (a.Sine(freq) + 0.35 * b.Sine(freq * 2.01) * Decay(t, tau / 2) +
            0.15 * c.Sine(freq * 3.02) * Decay(t, tau / 4)) *
           AttackDecay(t, 0.002, tau);
  });
}

Signal ScoreGet() {
  Signal s(static_cast<std::size_t>(Samples(0.3, kRate)), 0.0);
  MixInto(s, Chime(Freq(88), 0.3, 0.06), 0);                       // E6
  MixInto(s, Chime(Freq(95), 0.22, 0.08), Samples(0.075, kRate));  // B6
  FadeOut(s, 0.03, kRate);
  Normalize(s, kPeak);
  return s;
}

// A bright pulse-wave note with a short filter pluck.
Signal Blip(double freq, double seconds, double tau, double bend) {
  Oscillator o(kRate), sub(kRate);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  return Make(seconds, [&](double t, int) {
    lp.Set(1500 + 6000 * Decay(t, 0.05), 0.9);
    double f = freq * (1 + bend * t);
    return lp.Process(o.Square(f, 0.3) * 0.6 + sub.Triangle(f / 2) * 0.4) *
           AttackDecay(t, 0.003, tau);
  });
}

Signal Arpeggio(const double (&notes)[4], double bend, double lastTau) {
  Signal s(static_cast<std::size_t>(Samples(0.6, kRate)), 0.0);
  for (int k = 0; k < 4; ++k) {
    double len = k == 3 ? 0.6 - 0.1 * 3 : 0.12;
    MixInto(s, Blip(Freq(notes[k]), len, k == 3 ? lastTau : 0.06, bend), Samples(0.1 * k, kRate));
  }
  FadeOut(s, 0.05, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal BonusGet() {
  const double notes[4] = {72, 76, 79, 84};  // C5 E5 G5 C6
  return Arpeggio(notes, 0.0, 0.12);
}

Signal BonusLost() {
  const double notes[4] = {81, 77, 74, 69};  // A5 F5 D5 A4
  return Arpeggio(notes, -0.25, 0.12);
}

Signal Tick() {
  Oscillator a(kRate), b(kRate);
  Noise noise(111);
  Biquad band(Biquad::Kind::kBandPass, kRate);
  band.Set(3000, 2);
  Signal s = Make(0.040, [&](double t, int) {
    return (a.Sine(1150) * 0.8 + b.Sine(2650) * 0.4 * Decay(t, 0.003)) *
               AttackDecay(t, 0.0005, 0.006) +
           band.Process(noise.Next()) * Decay(t, 0.002) * 0.8;
  });
  FadeOut(s, 0.01, kRate);
  Normalize(s, kPeak);
  return s;
}

// A brass-like voice: detuned saws through a filter that opens with the attack.
Signal Brass(double freq, double seconds, double vibratoDepth) {
  Oscillator a(kRate), b(kRate), vib(kRate);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  return Make(seconds, [&](double t, int) {
    double v = 1 + vibratoDepth * vib.Sine(5.5) * Ramp(t, 0.1, 0.3, 0, 1);
    lp.Set(700 + 3500 * AttackDecay(t, 0.03, 0.25), 1.0);
    double x = (a.Saw(freq * v * 1.003) + b.Saw(freq * v * 0.997)) * 0.5;
    return lp.Process(x) * AttackDecay(t, 0.015, seconds * 0.8) *
           Ramp(t, seconds - 0.05, seconds, 1, 0);
  });
}

Signal LevelFinish() {
  Signal s(static_cast<std::size_t>(Samples(1.5, kRate)), 0.0);
  const double lead[] = {67, 72, 76};  // G4 C5 E5, then the chord
  for (int k = 0; k < 3; ++k) MixInto(s, Brass(Freq(lead[k]), 0.14, 0), Samples(0.13 * k, kRate));
  const double chord[] = {72, 76, 79, 84};
  for (double n : chord) MixInto(s, Brass(Freq(n), 1.1, 0.006), Samples(0.39, kRate), 0.6);
  MixInto(s, Chime(Freq(96), 1.0, 0.25), Samples(0.39, kRate), 0.25);
  FadeOut(s, 0.1, kRate);
  Normalize(s, kPeak);
  return s;
}

Signal GameOver() {
  Signal s(static_cast<std::size_t>(Samples(1.8, kRate)), 0.0);
  const double notes[] = {67, 66, 65};  // G4 F#4 F4, then a long sagging E4
  for (int k = 0; k < 3; ++k) {
    Oscillator o(kRate), sub(kRate);
    double f = Freq(notes[k]);
    Signal n = Make(0.32, [&](double t, int) {
      return (o.Square(f * (1 - 0.02 * t), 0.4) * 0.5 + sub.Triangle(f / 2) * 0.5) *
             AttackDecay(t, 0.01, 0.2);
    });
    MixInto(s, n, Samples(0.3 * k, kRate));
  }
  Oscillator o(kRate), sub(kRate), vib(kRate);
  Biquad lp(Biquad::Kind::kLowPass, kRate);
  double f = Freq(64);
  Signal last = Make(0.9, [&](double t, int) {
    double v = 1 + 0.02 * vib.Sine(6) * Ramp(t, 0.1, 0.4, 0, 1) - 0.05 * Ramp(t, 0.3, 0.9, 0, 1);
    lp.Set(2500 * Decay(t, 0.5) + 400, 0.8);
    return lp.Process(o.Square(f * v, 0.4) * 0.5 + sub.Triangle(f * v / 2) * 0.5) *
           AttackDecay(t, 0.01, 0.45);
  });
  MixInto(s, last, Samples(0.9, kRate));
  FadeOut(s, 0.15, kRate);
  Normalize(s, kPeak);
  return s;
}

std::vector<std::int16_t> ToPcm(const Signal& s) {
  std::vector<std::int16_t> pcm(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    pcm[i] = static_cast<std::int16_t>(std::clamp(std::lround(s[i] * 32767.0), -32768L, 32767L));
  }
  return pcm;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(tag[k]));
}

}  // namespace

std::vector<std::uint8_t> EncodeWave(std::span<const std::int16_t> samples) {
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 4 + 8 + 16 + 8 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kSoundRate);
  Put32(out, kSoundRate * 2);
  Put16(out, 2);
  Put16(out, 16);
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (std::int16_t s : samples) Put16(out, static_cast<std::uint16_t>(s));
  return out;
}

std::vector<engine::SoundArchiveItem> MakeSounds() {
  struct Effect {
    const char* name;
    bool looped;
    Signal (*make)();
  };
  const Effect effects[] = {
      {"Button_Pressed", false, ButtonPressed},
      {"Button_Activated", false, ButtonActivated},
      {"EngineStart", false, EngineStart},
      {"Engine", true, Engine},
      {"EngineAccel", false, EngineAccel},
      {"Shot", true, Shot},
      {"WallExplosion", false, WallExplosion},
      {"CarExplosion", false, CarExplosion},
      {"Spike", false, Spike},
      {"Water", false, Water},
      {"Stone", false, Stone},
      {"Rabbit", false, Rabbit},
      {"ScoreGet", false, ScoreGet},
      {"BonusGet", false, BonusGet},
      {"BonusLost", false, BonusLost},
      {"Tick", false, Tick},
      {"LevelFinish", false, LevelFinish},
      {"GameOver", false, GameOver},
  };
  std::vector<engine::SoundArchiveItem> items;
  for (const Effect& e : effects) {
    std::vector<std::int16_t> pcm = ToPcm(e.make());
    items.push_back(engine::SoundArchiveItem{e.name, e.looped, 1, EncodeWave(pcm)});
  }
  return items;
}

}  // namespace brakkon::bake
