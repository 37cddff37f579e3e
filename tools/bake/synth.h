// Small synthesis kit shared by the sound effects and the music instruments:
// oscillators, noise, filters and envelopes over plain sample buffers.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "canvas.h"

namespace brakkon::bake {

using Signal = std::vector<double>;

inline constexpr double kTwoPi = 6.283185307179586;

// Samples for a duration at a rate.
inline int Samples(double seconds, double rate) {
  return static_cast<int>(std::lround(seconds * rate));
}

// Band-limited step correction for saw and pulse waves.
double PolyBlep(double t, double dt);

// An oscillator whose frequency may change every sample.
class Oscillator {
 public:
  explicit Oscillator(double rate, double phase = 0) : rate_(rate), phase_(phase) {}
  double Sine(double freq);
  double Saw(double freq);
  double Square(double freq, double duty = 0.5);
  double Triangle(double freq);
  double Phase() const { return phase_; }

 private:
  double Advance(double freq);
  double rate_;
  double phase_;  // 0..1
};

// Second-order filter (low-pass, high-pass, band-pass) with settable cutoff.
class Biquad {
 public:
  enum class Kind { kLowPass, kHighPass, kBandPass };
  Biquad(Kind kind, double rate) : kind_(kind), rate_(rate) {}
  void Set(double cutoff, double q);
  double Process(double x);

 private:
  Kind kind_;
  double rate_;
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One-pole smoothing low-pass.
class OnePole {
 public:
  OnePole(double cutoff, double rate);
  double Process(double x) {
    y_ += a_ * (x - y_);
    return y_;
  }

 private:
  double a_;
  double y_ = 0;
};

// White noise in [-1, 1) from a fixed seed.
class Noise {
 public:
  explicit Noise(std::uint64_t seed) : rng_(seed) {}
  double Next() { return rng_.Range(-1.0, 1.0); }

 private:
  Rng rng_;
};

// Envelope shapes of time t (seconds).
double Decay(double t, double tau);                       // e^(-t/tau), 0 before t = 0
double AttackDecay(double t, double attack, double tau);  // linear rise then exponential fall
double Ramp(double t, double t0, double t1, double v0, double v1);  // linear between two points

// Mixes src into dst starting at sample `at`, scaled by gain.
void MixInto(Signal& dst, const Signal& src, int at, double gain = 1.0);
// Scales so the largest magnitude is `peak`.
void Normalize(Signal& s, double peak);
// Fades the last `seconds` linearly to silence.
void FadeOut(Signal& s, double seconds, double rate);
// Soft saturation for grit.
inline double Drive(double x, double amount) {
  return std::tanh(x * amount) / std::tanh(amount);
}

}  // namespace brakkon::bake
