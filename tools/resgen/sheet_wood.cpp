// Sheet 4, "Wood": a varnished wooden ball, a plank paddle with the sponsor's
// name burnt into it, a wooden panel with a light maple inlay.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen::wood {
namespace {

constexpr int kPaddleW = 168, kPaddleH = 35;
const Rgba kBackdrop = Hex(0x24160c);

// Plank grain running along x; `tone` shifts the whole plank lighter or darker.
Rgba Plank(double x, double y, uint32_t seed, double tone) {
  double warp = Fbm(x * 0.012, y * 0.07, 3, seed) * 7.0 + 2.5 * Sin(x * 0.021 + seed);
  // A knot near the right end: the rings bend round it.
  double kx = (x - 131) / 7.0, ky = (y - 25) / 3.2;
  double knot = 2.2 / (1.0 + kx * kx + ky * ky);
  double v = (y + warp + knot * 2.0) * 0.42;
  double ring = Fract(v);
  double late = SmoothStep(0.55, 0.92, ring) * (1 - SmoothStep(0.92, 1.0, ring));
  double fibre = ValueNoise(x * 0.22, y * 2.6, seed + 11);
  Rgba light = Hex(0xd19a5c), dark = Hex(0x8c5428);
  Rgba c = Mix(light, dark, Clamp01(late * 0.75 + (fibre - 0.5) * 0.35 + knot * 0.18));
  return Shade(c, tone);
}

Paint PlankPaint(uint32_t seed, double tone) {
  return [seed, tone](double x, double y) { return Plank(x, y, seed, tone); };
}

void Screw(Canvas& c, double x, double y, double angle) {
  c.Fill(Circle(x + 0.4, y + 0.5, 3.0), Rgba{0.1, 0.05, 0, 0.5});
  c.Fill(Circle(x, y, 2.7), Linear(x - 2.7, y - 2.7, x + 2.7, y + 2.7,
                                   {{0, Hex(0xf4e2a8)}, {0.5, Hex(0xb89450)}, {1, Hex(0x5a4218)}}));
  Sdf slot = Transformed(Box(-2.4, -0.45, 2.4, 0.45),
                         Affine::Rotate(angle, 0, 0).Then(Affine::Translate(x, y)));
  c.Fill(Intersect(slot, Circle(x, y, 2.3)), Hex(0x3a2a0c));
}

// The name burnt into the wood: a scorched halo, charred strokes, a lip of
// light where the edge catches the light.
void BurntText(Canvas& c, const Sdf& text) {
  Glow(c, Offset(text, 0.9), Hex(0x3a1a06), 1.6, 0.55);
  c.Fill(Transformed(text, Affine::Translate(0.6, 0.7)), Rgba{1, 0.86, 0.6, 0.35});
  c.Fill(text, [&](double x, double y) {
    double depth = Clamp01(-text(x, y) / 1.2);
    return Mix(Hex(0x3c1c08), Hex(0x1e0d04), depth);
  });
}

Canvas PlankPicture() {
  Canvas c(kPaddleW, kPaddleH);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, kPaddleW - 0.5, kPaddleH - 0.5, 2.5);
  c.Fill(body, PlankPaint(5000, 1.0));
  // Rounded edges: light along the top, dark along the bottom and the ends.
  c.Fill(Intersect(body, Box(0, 0, kPaddleW, 3)),
         Linear(0, 0.5, 0, 3, {{0, Rgba{1, 0.95, 0.85, 0.55}}, {1, Rgba{1, 1, 1, 0}}}));
  c.Fill(Intersect(body, Box(0, kPaddleH - 4, kPaddleW, kPaddleH)),
         Linear(0, kPaddleH - 4, 0, kPaddleH - 0.5,
                {{0, Rgba{0, 0, 0, 0}}, {1, Rgba{0.1, 0.04, 0, 0.6}}}));
  for (int side = 0; side < 2; ++side) {
    double x0 = side ? kPaddleW - 4 : 0, x1 = side ? kPaddleW : 4;
    c.Fill(Intersect(body, Box(x0, 0, x1, kPaddleH)),
           Linear(side ? kPaddleW - 4 : 4, 0, side ? kPaddleW - 0.5 : 0.5, 0,
                  {{0, Rgba{0, 0, 0, 0}}, {1, Rgba{0.1, 0.04, 0, 0.5}}}));
  }
  Screw(c, 9, kPaddleH / 2.0, 0.5);
  Screw(c, kPaddleW - 9, kPaddleH / 2.0, 2.2);
  TextStyle ts = SponsorStyle(9.4, 3.0, 0.0);
  ts.tracking = 0.2;
  BurntText(c, TextShapeCentred(kSponsor, kPaddleW / 2.0, 23.8, ts));
  return c;
}

}  // namespace

Canvas Ball(int frame) {
  Canvas c(16, 16);
  Rotation spin(Vec3{-0.25, 1.0, 0.3}, frame * kTau / 10.0);
  DrawBall(
      c, 8, 8, 7.5,
      [&](const Vec3& n) {
        Vec3 p = spin.Apply(n);
        // Rings round an axis through the ball, bent by a little noise.
        double ax = p.x + 0.35, az = p.z + 0.55;
        double r = Sqrt(ax * ax + az * az) * 4.2 +
                   ValueNoise(p.x * 3 + 7, p.y * 1.5, p.z * 3 + 7, 5004) * 0.7;
        double ring = Fract(r);
        double late = SmoothStep(0.55, 0.9, ring) * (1 - SmoothStep(0.9, 1.0, ring));
        Rgba wood = Mix(Hex(0xd8a062), Hex(0x8a4e22), late * 0.85);
        return LitColour(wood, n, 0.42, 0.7, 24);
      },
      0.35);
  return c;
}

Canvas Paddle(int frame) {
  Canvas plank = PlankPicture();
  if (frame != 4) return plank;
  // The tilt picture: the plank split in two.
  Canvas split = Broken(plank, 86, Hex(0x120a04), 5004, 3.4, Hex(0xe6be86));
  split.Flatten(kBackdrop);
  return split;
}

Canvas Panel() {
  constexpr int w = 150, h = 27;
  Canvas c(w, h);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, w - 0.5, h - 0.5, 2.5);
  c.Fill(body, PlankPaint(5005, 0.92));
  c.Fill(Intersect(body, Box(0, 0, w, 2.5)),
         Linear(0, 0.5, 0, 2.5, {{0, Rgba{1, 0.95, 0.85, 0.5}}, {1, Rgba{1, 1, 1, 0}}}));
  c.Fill(Intersect(body, Box(0, h - 3, w, h)),
         Linear(0, h - 3, 0, h - 0.5, {{0, Rgba{0, 0, 0, 0}}, {1, Rgba{0.1, 0.04, 0, 0.55}}}));
  // The icon sits in a dark hollow, the counter on a light maple inlay.
  BevelBox(c, 4.5, 5, 21.5, 22, 1.5, 1.4, Solid(Hex(0x4a2a12)), Hex(0xf0c890), Hex(0x2a1406), true);
  BevelBox(
      c, 25, 5, 121, 22, 1.5, 1.4,
      [](double x, double y) {
        double streak = ValueNoise(x * 0.08, y * 0.9, 5055);
        return Mix(Hex(0xf6e6c4), Hex(0xe2c898), streak * 0.6);
      },
      Hex(0xfff0d0), Hex(0x3a1e08), true);
  // A round wooden knob with a burnt "i".
  double cx = w - 12.5, cy = h / 2.0;
  InfoButtonStyle s{Hex(0xf2c88e), Hex(0x5a3414), Hex(0xe4b478), Hex(0xb07840),
                    Hex(0x2a1206), false,         false};
  DropShadow(c, Circle(cx, cy, 9.6), 0.6, 0.9, 1.0, 0.6);
  InfoButton(c, cx, cy, 9.6, s);
  return c;
}

}  // namespace resgen::wood
