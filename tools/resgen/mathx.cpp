#include "tools/resgen/mathx.h"

#include <cmath>

namespace resgen {

// floor and sqrt are exact (correctly rounded) IEEE operations, unlike the
// transcendental functions, which differ between C libraries.
double Floor(double v) { return std::floor(v); }
double Fract(double v) { return v - std::floor(v); }
double Sqrt(double v) { return v > 0 ? std::sqrt(v) : 0.0; }

namespace {

// Sine on [-pi/2, pi/2] by its Taylor series (error below 1e-9 there).
double SinCore(double x) {
  double x2 = x * x;
  double term = x, sum = x;
  for (int n = 1; n <= 7; ++n) {
    term = -term * x2 / ((2.0 * n) * (2.0 * n + 1.0));
    sum += term;
  }
  return sum;
}

}  // namespace

double Sin(double x) {
  x -= kTau * Floor(x / kTau + 0.5);  // now in [-pi, pi]
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  return SinCore(x);
}

double Cos(double x) { return Sin(x + kPi / 2); }

double Atan2(double y, double x) {
  double ax = Abs(x), ay = Abs(y);
  if (ax == 0 && ay == 0) return 0;
  bool swap = ay > ax;
  double t = swap ? ax / ay : ay / ax;  // in [0, 1]
  double t2 = t * t;
  double a =
      t * (0.99997726 +
           t2 * (-0.33262347 +
                 t2 * (0.19354346 + t2 * (-0.11643287 + t2 * (0.05265332 + t2 * -0.01172120)))));
  if (swap) a = kPi / 2 - a;
  if (x < 0) a = kPi - a;
  return y < 0 ? -a : a;
}

double Exp(double x) {
  if (x < -700) return 0;
  if (x > 700) x = 700;
  // exp(x) = 2^k * exp(r) with |r| <= ln2/2, r's series summed to high order.
  constexpr double kLn2 = 0.69314718055994530942;
  double k = Floor(x / kLn2 + 0.5);
  double r = x - k * kLn2;
  double term = 1, sum = 1;
  for (int n = 1; n <= 14; ++n) {
    term *= r / n;
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(k));  // exact scaling by a power of two
}

double PowI(double v, int n) {
  double r = 1;
  for (int i = 0; i < n; ++i) r *= v;
  return r;
}

double SmoothStep(double e0, double e1, double v) {
  double t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

uint64_t Rng::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Rng::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
double Rng::Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
int Rng::Int(int lo, int hi) {
  return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
}

uint32_t Hash3(int x, int y, int z, uint32_t seed) {
  uint32_t h = seed * 0x27D4EB2Du;
  h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h = (h << 11) | (h >> 21);
  h ^= static_cast<uint32_t>(z) * 0x165667B1u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

namespace {

double Lattice(int x, int y, int z, uint32_t seed) {
  return static_cast<double>(Hash3(x, y, z, seed) & 0xFFFFFFu) / 16777215.0;
}

double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

double ValueNoise(double x, double y, double z, uint32_t seed) {
  double fx = Floor(x), fy = Floor(y), fz = Floor(z);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
  double tx = Fade(x - fx), ty = Fade(y - fy), tz = Fade(z - fz);
  double c[2];
  for (int k = 0; k < 2; ++k) {
    double a = Lerp(Lattice(ix, iy, iz + k, seed), Lattice(ix + 1, iy, iz + k, seed), tx);
    double b = Lerp(Lattice(ix, iy + 1, iz + k, seed), Lattice(ix + 1, iy + 1, iz + k, seed), tx);
    c[k] = Lerp(a, b, ty);
  }
  return Lerp(c[0], c[1], tz);
}

double ValueNoise(double x, double y, uint32_t seed) { return ValueNoise(x, y, 0.0, seed); }

double Fbm(double x, double y, double z, int octaves, uint32_t seed) {
  double sum = 0, weight = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * ValueNoise(x, y, z, seed + static_cast<uint32_t>(o) * 101u);
    total += weight;
    weight *= 0.5;
    x *= 2.03;
    y *= 2.03;
    z *= 2.03;
  }
  return sum / total;
}

double Fbm(double x, double y, int octaves, uint32_t seed) { return Fbm(x, y, 0.0, octaves, seed); }

}  // namespace resgen
