#include "tools/resgen/sounds.h"

#include <cstddef>
#include <utility>

#include "tools/resgen/mathx.h"

namespace resgen {
namespace {

using Wave = std::vector<double>;

// A sine oscillator whose frequency may change every sample.
class Osc {
 public:
  explicit Osc(double rate, double phase = 0) : rate_(rate), phase_(phase) {}
  double Sine(double freq) {
    double v = Sin(kTau * phase_);
    Advance(freq);
    return v;
  }
  // A softened square: odd harmonics falling off quickly.
  double Reed(double freq) {
    double p = kTau * phase_;
    double v = Sin(p) + Sin(3 * p) / 5 + Sin(5 * p) / 14;
    Advance(freq);
    return v * 0.85;
  }
  // A brassy tone: all harmonics up to the 6th, falling off as 1/n.
  double Brass(double freq) {
    double p = kTau * phase_, v = 0;
    for (int n = 1; n <= 6; ++n) v += Sin(n * p) / n;
    Advance(freq);
    return v * 0.5;
  }
  double Triangle(double freq) {
    double v = 4 * Abs(phase_ - Floor(phase_ + 0.5)) - 1;
    Advance(freq);
    return v;
  }

 private:
  void Advance(double freq) {
    phase_ += freq / rate_;
    phase_ -= Floor(phase_);
  }
  double rate_, phase_;
};

// A resonant band-pass filter (two-pole), for knocks and rattles.
class Resonator {
 public:
  Resonator(double freq, double rate, double damping) {
    double w = kTau * freq / rate;
    r_ = Exp(-damping * kPi * freq / rate);
    c1_ = 2 * r_ * Cos(w);
    c2_ = -r_ * r_;
  }
  double Step(double x) {
    double y = (1 - r_) * x + c1_ * y1_ + c2_ * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  double r_, c1_, c2_, y1_ = 0, y2_ = 0;
};

class LowPass {
 public:
  double Step(double x, double k) { return y_ += k * (x - y_); }

 private:
  double y_ = 0;
};

double Decay(double t, double tau) { return Exp(-t / tau); }

// Fades the ends to silence and scales the loudest sample to `peak`.
void Finish(Wave& w, int channels, double peak, int fadeIn, int fadeOut) {
  size_t frames = w.size() / channels;
  for (size_t f = 0; f < frames; ++f) {
    double k = 1;
    if (f < static_cast<size_t>(fadeIn)) k = static_cast<double>(f) / fadeIn;
    size_t fromEnd = frames - 1 - f;
    if (fromEnd < static_cast<size_t>(fadeOut)) k = Min(k, static_cast<double>(fromEnd) / fadeOut);
    for (int c = 0; c < channels; ++c) w[f * channels + c] *= k;
  }
  double most = 0;
  for (double v : w) most = Max(most, Abs(v));
  if (most > 0)
    for (double& v : w) v *= peak / most;
}

Wave PaddleKnock(int n, double rate) {
  Wave w(n);
  Osc body(rate), overtone(rate);
  Rng rng(101);
  LowPass lp;
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double pitch = 150 + 140 * Decay(t, 0.004);  // the knock drops in pitch as it dies
    double v =
        body.Sine(pitch) * Decay(t, 0.0055) + 0.45 * overtone.Sine(pitch * 2.9) * Decay(t, 0.0025);
    v += lp.Step(rng.Signed(), 0.35) * Decay(t, 0.0008) * 0.9;  // the contact click
    w[i] = v;
  }
  Finish(w, 1, 0.82, 8, 40);
  return w;
}

Wave EdgeTick(int n, double rate) {
  Wave w(n);
  Osc a(rate), b(rate);
  Rng rng(102);
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    w[i] = (a.Sine(2450) + 0.6 * b.Sine(3720)) * Decay(t, 0.0016) +
           rng.Signed() * 0.25 * Decay(t, 0.0004);
  }
  Finish(w, 1, 0.6, 4, 40);
  return w;
}

Wave PixelCrack(int n, double rate) {
  Wave w(n);
  Rng rng(103);
  double prev = 0;
  Resonator ring(5200, rate, 0.08);
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double noise = rng.Signed();
    double bright = noise - prev;  // differentiated noise: a dry, glassy crackle
    prev = noise;
    // Three small fractures in a row.
    double bursts = Decay(t, 0.0012) + 0.6 * (t > 0.0022 ? Decay(t - 0.0022, 0.0009) : 0) +
                    0.4 * (t > 0.0045 ? Decay(t - 0.0045, 0.0008) : 0);
    w[i] = bright * bursts * 0.6 + ring.Step(noise * bursts) * 6;
  }
  Finish(w, 1, 0.62, 4, 40);
  return w;
}

// Two quick notes; each starts with a tiny attack and rings off.
Wave TwoNotes(int n, double rate, double f1, double f2, bool reed) {
  Wave w(n);
  Osc osc(rate);
  int split = n * 9 / 20;
  for (int i = 0; i < n; ++i) {
    bool second = i >= split;
    double t = (second ? i - split : i) / rate;
    double f = second ? f2 : f1;
    double env = Min(1.0, t / 0.0015) * Decay(t, second ? 0.02 : 0.012);
    w[i] = (reed ? osc.Reed(f) : osc.Triangle(f)) * env;
  }
  Finish(w, 1, 0.72, 12, 60);
  return w;
}

Wave LostBall(int n, double rate) {
  Wave w(n);
  Osc osc(rate), vib(rate);
  for (int i = 0; i < n; ++i) {
    double t = i / rate, u = static_cast<double>(i) / n;
    // A slide whistle falling four octaves, wavering as it goes.
    double f = 1300 * Exp(-u * 2.0 * 1.3863) * (1 + 0.025 * vib.Sine(11));
    double env = Min(1.0, t / 0.01) * (1 - 0.55 * u);
    w[i] = osc.Triangle(f) * 0.7 * env + 0.3 * Sin(kTau * 0.5 * f * t) * env;
  }
  Finish(w, 1, 0.7, 40, 400);
  return w;
}

Wave FireWhoosh(int n, double rate) {
  Wave w(n);
  Rng rng(107);
  LowPass lp1, lp2, rumbleLp;
  Osc rumble(rate);
  for (int i = 0; i < n; ++i) {
    double u = static_cast<double>(i) / n;
    // The flame catches, roars up and settles: the brightness follows.
    double swell = SmoothStep(0.0, 0.3, u) * (1 - 0.6 * SmoothStep(0.45, 1.0, u));
    double cutoff = 0.02 + 0.22 * swell;
    double noise = rng.Signed();
    double air = lp2.Step(lp1.Step(noise, cutoff), cutoff);
    double flutter = 0.8 + 0.2 * Sin(kTau * 7.0 * u * n / rate + 0.5 * Sin(kTau * 3.0 * u));
    double low = rumble.Sine(70 + 25 * swell) * rumbleLp.Step(rng.Signed(), 0.002) * 12;
    w[i] = (air * 2.6 * flutter + low * 0.5) * swell;
  }
  Finish(w, 1, 0.78, 200, 2000);
  return w;
}

Wave FireCrackle(int n, double rate) {
  Wave w(n);
  Rng rng(108);
  Osc thump(rate);
  LowPass lp;
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double v = lp.Step(rng.Signed(), 0.55) * Decay(t, 0.012);
    v += thump.Sine(60 + 120 * Decay(t, 0.008)) * Decay(t, 0.02) * 0.9;
    // Sparks popping on top.
    if (rng.Uniform() < 0.012) v += rng.Signed() * 1.5 * Decay(t, 0.03);
    w[i] = v;
  }
  Finish(w, 1, 0.85, 6, 120);
  return w;
}

Wave Fanfare(int n, double rate) {
  Wave w(n, 0.0);
  // C5 E5 G5 rising quickly, then a held C major chord topped by C6.
  struct Note {
    double freq, start, length, gain;
  };
  const double c5 = 523.25, e5 = 659.26, g5 = 783.99, c6 = 1046.5;
  const Note notes[] = {{c5, 0.00, 0.14, 0.9}, {e5, 0.12, 0.14, 0.9},  {g5, 0.24, 0.14, 0.9},
                        {c6, 0.36, 1.10, 1.0}, {g5, 0.36, 1.10, 0.55}, {e5, 0.36, 1.10, 0.5},
                        {c5, 0.36, 1.10, 0.45}};
  int k = 0;
  for (const Note& note : notes) {
    Osc osc(rate, 0.13 * k++), vib(rate);
    int from = static_cast<int>(note.start * rate);
    int to = static_cast<int>(Min(static_cast<double>(n), (note.start + note.length) * rate));
    for (int i = from; i < to; ++i) {
      double t = (i - from) / rate, left = (to - i) / rate;
      double env = Min(1.0, t / 0.018) * Min(1.0, left / 0.05);
      env *= note.length > 0.5 ? 0.75 + 0.25 * Decay(t, 0.15) : 1.0;
      double vibrato = 1 + (t > 0.25 ? 0.006 * vib.Sine(5.5) : 0.0);
      w[i] += osc.Brass(note.freq * vibrato) * env * note.gain;
    }
  }
  Finish(w, 1, 0.8, 20, 1500);
  return w;
}

Wave Click(int n, double rate) {
  Wave w(n, 0.0);
  Rng rng(110);
  // Press and release: a crisp tick, then a softer one.
  for (const auto& [at, gain] : {std::pair{0.0, 1.0}, std::pair{0.068, 0.45}}) {
    Resonator r1(2100, rate, 0.05), r2(3900, rate, 0.08);
    int from = static_cast<int>(at * rate);
    for (int i = from; i < n; ++i) {
      double t = (i - from) / rate;
      double excite = i - from < 12 ? rng.Signed() : 0.0;
      w[i] += (r1.Step(excite) * 14 + r2.Step(excite) * 8) * Decay(t, 0.004) * gain;
    }
  }
  Finish(w, 1, 0.7, 4, 100);
  return w;
}

Wave Rattle(int frames, double rate) {
  Wave w(static_cast<size_t>(frames) * 2, 0.0);
  Rng rng(111);
  // Loose parts knocking about in a box, now left, now right. The shaking
  // paddle restarts the sound every 5 ms, so it opens with its loudest knock.
  double at = 0.0;
  int hit = 0;
  while (at < frames / rate - 0.01) {
    double pan = hit % 2 ? rng.Range(0.65, 0.95) : rng.Range(0.05, 0.35);
    double freq = rng.Range(700, 1600), gain = rng.Range(0.55, 1.0);
    if (hit == 0) gain = 2.5;
    Resonator res(freq, rate, 0.06);
    int from = static_cast<int>(at * rate);
    for (int i = from; i < frames; ++i) {
      double t = (i - from) / rate;
      double excite = i - from < 3 ? rng.Signed() : 0.0;
      double v = res.Step(excite) * Decay(t, 0.008) * gain * 9;
      w[static_cast<size_t>(i) * 2] += v * Sqrt(1 - pan);
      w[static_cast<size_t>(i) * 2 + 1] += v * Sqrt(pan);
    }
    at += rng.Range(0.009, 0.02);
    ++hit;
  }
  Finish(w, 2, 0.8, 8, 60);
  return w;
}

}  // namespace

const std::vector<SoundEntry>& SoundCatalogue() {
  static const std::vector<SoundEntry> kSounds{
      {101, 1, 44100, 16, 1414, "paddle knock"},
      {102, 1, 44100, 16, 706, "edge tick"},
      {103, 1, 44100, 16, 706, "pixel crack"},
      {104, 1, 22050, 16, 1694, "catch jingle (good)"},
      {105, 1, 22050, 16, 1688, "catch jingle (other)"},
      {106, 1, 22050, 16, 17548, "lost ball: a falling whistle"},
      {107, 1, 22050, 16, 51576, "fire whoosh: the ball ignites"},
      {108, 1, 22050, 16, 2524, "fire crackle: an explosion"},
      {109, 1, 22050, 16, 65032, "end fanfare"},
      {110, 1, 22050, 16, 5444, "click"},
      {111, 2, 11025, 8, 2964, "rattle"},
  };
  return kSounds;
}

std::vector<double> Synthesise(const SoundEntry& s) {
  int frames = static_cast<int>(s.dataBytes / static_cast<uint32_t>(s.channels * s.bits / 8));
  double rate = s.sampleRate;
  switch (s.id) {
    case 101:
      return PaddleKnock(frames, rate);
    case 102:
      return EdgeTick(frames, rate);
    case 103:
      return PixelCrack(frames, rate);
    case 104:
      return TwoNotes(frames, rate, 1318.5, 1975.5, true);  // E6 up to B6
    case 105:
      return TwoNotes(frames, rate, 880.0, 659.3, false);  // A5 down to E5
    case 106:
      return LostBall(frames, rate);
    case 107:
      return FireWhoosh(frames, rate);
    case 108:
      return FireCrackle(frames, rate);
    case 109:
      return Fanfare(frames, rate);
    case 110:
      return Click(frames, rate);
    default:
      return Rattle(frames, rate);
  }
}

}  // namespace resgen
