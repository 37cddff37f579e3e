// Small synthesis kit shared by the sound effects and the music instruments.
#include "synth.h"

#include <algorithm>

namespace brakkon::bake {

double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}

double Oscillator::Advance(double freq) {
  double p = phase_;
  phase_ += freq / rate_;
  phase_ -= std::floor(phase_);
  return p;
}

double Oscillator::Sine(double freq) {
  return std::sin(kTwoPi * Advance(freq));
}

double Oscillator::Saw(double freq) {
  double dt = std::min(freq / rate_, 0.5);
  double t = Advance(freq);
  return 2 * t - 1 - PolyBlep(t, dt);
}

double Oscillator::Square(double freq, double duty) {
  double dt = std::min(freq / rate_, 0.5);
  double t = Advance(freq);
  double v = t < duty ? 1.0 : -1.0;
  v += PolyBlep(t, dt);
  double t2 = t - duty;
  t2 -= std::floor(t2);
  v -= PolyBlep(t2, dt);
  return v;
}

double Oscillator::Triangle(double freq) {
  double t = Advance(freq);
  return t < 0.5 ? 4 * t - 1 : 3 - 4 * t;
}

void Biquad::Set(double cutoff, double q) {
  cutoff = std::clamp(cutoff, 10.0, rate_ * 0.45);
  double w = kTwoPi * cutoff / rate_;
  double cw = std::cos(w), alpha = std::sin(w) / (2 * q);
  double a0 = 1 + alpha;
  switch (kind_) {
    case Kind::kLowPass:
      b0_ = (1 - cw) / 2;
      b1_ = 1 - cw;
      b2_ = (1 - cw) / 2;
      break;
    case Kind::kHighPass:
      b0_ = (1 + cw) / 2;
      b1_ = -(1 + cw);
      b2_ = (1 + cw) / 2;
      break;
    case Kind::kBandPass:
      b0_ = alpha;
      b1_ = 0;
      b2_ = -alpha;
      break;
  }
  b0_ /= a0;
  b1_ /= a0;
  b2_ /= a0;
  a1_ = -2 * cw / a0;
  a2_ = (1 - alpha) / a0;
}

double Biquad::Process(double x) {
  double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

OnePole::OnePole(double cutoff, double rate) : a_(1 - std::exp(-kTwoPi * cutoff / rate)) {}

double Decay(double t, double tau) {
  return t < 0 ? 0 : std::exp(-t / tau);
}

double AttackDecay(double t, double attack, double tau) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

double Ramp(double t, double t0, double t1, double v0, double v1) {
  if (t <= t0) return v0;
  if (t >= t1) return v1;
  return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
}

void MixInto(Signal& dst, const Signal& src, int at, double gain) {
  for (std::size_t i = 0; i < src.size(); ++i) {
    std::size_t j = static_cast<std::size_t>(at) + i;
    if (j >= dst.size()) break;
    dst[j] += src[i] * gain;
  }
}

void Normalize(Signal& s, double peak) {
  double m = 0;
  for (double v : s) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  for (double& v : s) v *= peak / m;
}

void FadeOut(Signal& s, double seconds, double rate) {
  int n = std::min(static_cast<int>(s.size()), Samples(seconds, rate));
  for (int i = 0; i < n; ++i) s[s.size() - 1 - i] *= static_cast<double>(i) / n;
}

}  // namespace brakkon::bake
