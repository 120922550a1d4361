// Arithmetic helpers for the resource generator. Every function here is built
// from + - * / and sqrt only, so the generated files come out byte-identical on
// every machine and library (no libm transcendental functions are used).
#pragma once

#include <cstdint>

namespace resgen {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTau = 2.0 * kPi;

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double Clamp01(double v) { return Clamp(v, 0.0, 1.0); }
inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }
inline double Abs(double v) { return v < 0 ? -v : v; }
inline double Min(double a, double b) { return a < b ? a : b; }
inline double Max(double a, double b) { return a > b ? a : b; }
// Largest integer not above v, for |v| < 2^52.
double Floor(double v);
double Fract(double v);
double Sqrt(double v);  // IEEE square root (correctly rounded everywhere); 0 below 0
double Sin(double x);
double Cos(double x);
double Atan2(double y, double x);  // accurate to about 1e-5 radians
double Exp(double x);
// v raised to a small whole power, by repeated multiplication.
double PowI(double v, int n);
double SmoothStep(double e0, double e1, double v);

// Deterministic pseudo-random numbers (SplitMix64).
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Uniform();                                  // [0, 1)
  double Range(double lo, double hi);                // [lo, hi)
  int Int(int lo, int hi);                           // [lo, hi]
  double Signed() { return Uniform() * 2.0 - 1.0; }  // [-1, 1)

 private:
  uint64_t state_;
};

// Integer hash of a lattice point, for noise.
uint32_t Hash3(int x, int y, int z, uint32_t seed);
// Smooth value noise in [0, 1]; the 2-D form is the 3-D one at z = 0.
double ValueNoise(double x, double y, double z, uint32_t seed);
double ValueNoise(double x, double y, uint32_t seed);
// Sum of `octaves` layers of value noise, each twice as fine and half as strong; [0, 1].
double Fbm(double x, double y, double z, int octaves, uint32_t seed);
double Fbm(double x, double y, int octaves, uint32_t seed);

}  // namespace resgen
