// Sheet 3, "Newspaper": a crumpled ball of newsprint, a paddle that is the
// top of a front page, a panel of ruled boxes on paper.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen::news {
namespace {

constexpr int kPaddleW = 168, kPaddleH = 35;
const Rgba kInk = Hex(0x1c1c1e);
const Rgba kBackdrop = Hex(0x2e2e30);

Paint Paper(uint32_t seed) {
  return [seed](double x, double y) {
    double fibre = Grain(x * 0.35, y * 2.0, 1.5, seed) - 0.5;
    double blotch = Grain(x, y, 14, seed + 7) - 0.5;
    return Shade(Hex(0xf1ece0), 1.0 + fibre * 0.06 + blotch * 0.05);
  };
}

// A line of small type: words as short grey dashes, ragged at the end when
// `last` (the end of a paragraph).
void TypeLine(Canvas& c, Rng& rng, double x0, double x1, double y, bool last,
              double darkness = 0.62) {
  double end = last ? x0 + (x1 - x0) * rng.Range(0.35, 0.8) : x1;
  double x = x0;
  while (x < end - 1) {
    double len = Min(rng.Range(2.0, 7.0), end - x);
    c.Fill(Box(x, y, x + len, y + 1.0),
           Rgba{kInk.r, kInk.g, kInk.b, darkness * rng.Range(0.75, 1.0)}, 1.0, 3);
    x += len + 1.0;
  }
}

void Column(Canvas& c, Rng& rng, double x0, double x1, double y0, double y1) {
  for (double y = y0; y + 1 <= y1; y += 2)
    TypeLine(c, rng, x0, x1, y, rng.Uniform() < 0.18 || y + 3 > y1);
}

// A photograph printed as a grid of dots sized by its darkness.
void Halftone(Canvas& c, double x0, double y0, double x1, double y1,
              const std::function<double(double, double)>& dark) {
  constexpr double kPitch = 1.6;
  for (double y = y0 + kPitch / 2; y < y1; y += kPitch)
    for (double x = x0 + kPitch / 2 + (static_cast<int>((y - y0) / kPitch) % 2) * kPitch / 2;
         x < x1; x += kPitch) {
      double d = Clamp01(dark((x - x0) / (x1 - x0), (y - y0) / (y1 - y0)));
      if (d <= 0.02) continue;
      c.Fill(Intersect(Circle(x, y, kPitch * 0.72 * Sqrt(d)), Box(x0, y0, x1, y1)), kInk, 1.0, 6);
    }
}

Canvas FrontPage() {
  Canvas c(kPaddleW, kPaddleH);
  c.Cover(Paper(4000));
  Rng rng(4000);
  // The name across the top, in heavy type with serifs.
  TextStyle ts;
  ts.xHeight = 6.6;
  ts.weight = 1.6;
  ts.penAspect = 1.8;
  ts.serifs = true;
  ts.tracking = 0.22;
  c.Fill(TextShapeCentred(kSponsor, kPaddleW / 2.0, 12.6, ts), kInk);
  // Boxed notes on both sides of the name.
  for (double x0 : {3.0, kPaddleW - 33.0}) {
    c.Fill(Shell(Box(x0, 2.5, x0 + 30, 12.5), 0.35), kInk, 0.85);
    c.Fill(Box(x0 + 3, 4.3, x0 + 27, 5.6), kInk, 0.8);  // a small bold heading
    TypeLine(c, rng, x0 + 3, x0 + 27, 7.5, false, 0.5);
    TypeLine(c, rng, x0 + 3, x0 + 27, 9.5, true, 0.5);
  }
  // Rules: a heavy one, the date line, a thin one.
  c.Fill(Box(3, 14.4, kPaddleW - 3, 15.7), kInk);
  TypeLine(c, rng, 4, 40, 17.0, false, 0.45);
  TypeLine(c, rng, kPaddleW - 40, kPaddleW - 4, 17.0, false, 0.45);
  c.Fill(Box(kPaddleW / 2.0 - 14, 16.8, kPaddleW / 2.0 + 14, 17.9), kInk, 0.55);
  c.Fill(Box(3, 19.4, kPaddleW - 3, 19.9), kInk, 0.9);
  // Four columns of news with a photograph in the first.
  const double top = 21.5, bottom = kPaddleH - 2.0;
  double cols[5] = {3, 44, 85, 126, kPaddleW - 3};
  for (int i = 0; i < 4; ++i) {
    double x0 = cols[i] + (i ? 1.5 : 0), x1 = cols[i + 1] - 1.5;
    if (i) c.Fill(Box(cols[i] - 0.2, top, cols[i] + 0.3, bottom), kInk, 0.5);
    if (i == 0) {
      Halftone(c, x0, top, x0 + 18, bottom, [](double u, double v) {
        // A ball flying over a paddle.
        double du = (u - 0.62) / 0.2, dv = (v - 0.32) / 0.3;
        double ball = (du * du + dv * dv) < 1 ? 0.85 - 0.4 * (du * -0.6 + dv * -0.6) : 0.0;
        double paddle = (v > 0.78 && v < 0.95 && u > 0.15 && u < 0.7) ? 0.9 : 0.0;
        return Max(0.18 + 0.12 * v, Max(ball, paddle));
      });
      c.Fill(Box(x0 + 20, top, x1, top + 1.5), kInk, 0.9);  // a headline
      Column(c, rng, x0 + 20, x1, top + 3, bottom);
    } else {
      if (i == 2) c.Fill(Box(x0, top, x0 + (x1 - x0) * 0.8, top + 1.5), kInk, 0.9);
      Column(c, rng, x0, x1, i == 2 ? top + 3 : top, bottom);
    }
  }
  return c;
}

}  // namespace

Canvas Ball(int frame) {
  Canvas c(16, 16);
  Rotation spin(Vec3{0.3, 1.0, 0.25}, frame * kTau / 10.0);
  DrawBall(
      c, 8, 8, 7.4,
      [&](const Vec3& n) {
        Vec3 p = spin.Apply(n);
        // Creases: ridges of noise read as folds of crumpled paper.
        double crease = Abs(ValueNoise(p.x * 2.6 + 5, p.y * 2.6 + 5, p.z * 2.6 + 5, 31) * 2 - 1);
        double facet = ValueNoise(p.x * 3.5 + 9, p.y * 3.5 + 9, p.z * 3.5 + 9, 47);
        double light = 0.62 + 0.45 * Diffuse(n);
        light *= 0.88 + 0.2 * facet - 0.22 * (1 - SmoothStep(0.0, 0.12, crease));
        Rgba paper = Hex(0xf0ebe0);
        // Print: lines of type run round the paper, with a dark photograph patch.
        double row = Fract(p.y * 5.5 + 0.5 * ValueNoise(p.x * 2, p.z * 2, 5));
        bool words = ValueNoise(p.x * 7 + 3, p.y * 3, p.z * 7 + 3, 77) > 0.35;
        Rgba ink = paper;
        if (p.x > 0.25 && p.z > -0.1 && p.y < 0.3 && p.y > -0.45) {
          // Halftone: dots on the paper's own surface.
          double dx = Fract(p.x * 9) - 0.5, dz = Fract(p.z * 9 + p.y * 4) - 0.5;
          ink = (dx * dx + dz * dz) < 0.12 ? Hex(0x3a3a3c) : Hex(0xc4c0b8);
        } else if (row < 0.26 && words) {
          ink = Hex(0x77777a);
        }
        return Shade(ink, light);
      },
      0.3);
  return c;
}

Canvas Paddle(int frame) {
  Canvas page = FrontPage();
  if (frame != 4) return page;
  // The tilt picture: the page crumpled, then torn in two.
  page.Map([](const Rgba& p, int x, int y) {
    double crease = Abs(ValueNoise(x * 0.09, y * 0.16, 404) * 2 - 1);
    double fold = ValueNoise(x * 0.05 + 3, y * 0.08, 405);
    double k = 0.92 + 0.14 * fold - 0.2 * (1 - SmoothStep(0.0, 0.06, crease));
    return Shade(p, k);
  });
  Canvas torn = Broken(page, 88, kBackdrop, 4004, 2.2, Hex(0xfaf8f2));
  torn.Flatten(kBackdrop);
  return torn;
}

Canvas Panel() {
  constexpr int w = 150, h = 27;
  Canvas c(w, h);
  c.Cover(Paper(4005));
  c.Fill(Box(1, 1.2, w - 1, 1.9), kInk);
  c.Fill(Box(1, h - 1.9, w - 1, h - 1.2), kInk);
  // The icon's box and the counter's box, with a double rule.
  c.Fill(Shell(Box(4.5, 5.5, 20.5, 21.5), 0.5), kInk);
  c.Fill(Box(25, 5, 121, 22), Hex(0xfbf8f1));
  c.Fill(Shell(Box(25, 5, 121, 22), 0.5), kInk);
  c.Fill(Shell(Box(26.6, 6.6, 119.4, 20.4), 0.3), kInk, 0.6);
  // Printed button: a ring with a serif "i".
  InfoButtonStyle s{kInk, kInk, Hex(0xfbf8f1), Hex(0xe8e2d4), kInk, true, false};
  InfoButton(c, w - 12.5, h / 2.0, 9.6, s);
  c.Fill(Shell(Circle(w - 12.5, h / 2.0, 7.0), 0.3), kInk, 0.5);
  return c;
}

}  // namespace resgen::news
