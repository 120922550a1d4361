// Sheet 1, "Las Vegas": a chrome ball that flashes in casino colours, a gold
// paddle on red felt ringed by chasing light bulbs, a gold panel with a chip
// for its information button.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen::vegas {
namespace {

constexpr int kPaddleW = 168, kPaddleH = 32;
const Rgba kBackdrop = Hex(0x1a0d05);

Paint GoldGradient(double y0, double y1) {
  return Linear(0, y0, 0, y1,
                {{0.0, Hex(0xfff4b8)},
                 {0.25, Hex(0xf0c850)},
                 {0.55, Hex(0xc08a1c)},
                 {0.8, Hex(0x8a5a0c)},
                 {1.0, Hex(0x4e3004)}});
}

Paint Felt(double x0, double y0, double x1, double y1, uint32_t seed) {
  return [=](double x, double y) {
    double n = Grain(x, y, 1.3, seed) - 0.5;
    // Darker towards the edges, as under a table lamp.
    double u = (x - x0) / (x1 - x0) - 0.5, v = (y - y0) / (y1 - y0) - 0.5;
    double vignette = 1.0 - 0.55 * (u * u * 1.2 + v * v * 1.6);
    Rgba base = Hex(0xa3121f);
    return Shade(base, vignette * (1.0 + n * 0.35));
  };
}

Sdf Heart(double cx, double cy, double s) {
  return Union(
      Union(Circle(cx - s * 0.23, cy - s * 0.14, s * 0.26),
            Circle(cx + s * 0.23, cy - s * 0.14, s * 0.26)),
      Polygon(
          {{cx - s * 0.47, cy - s * 0.06}, {cx + s * 0.47, cy - s * 0.06}, {cx, cy + s * 0.48}}));
}

Sdf Spade(double cx, double cy, double s) {
  Sdf leaf = Union(
      Union(Circle(cx - s * 0.23, cy + s * 0.08, s * 0.25),
            Circle(cx + s * 0.23, cy + s * 0.08, s * 0.25)),
      Polygon(
          {{cx - s * 0.47, cy + s * 0.02}, {cx + s * 0.47, cy + s * 0.02}, {cx, cy - s * 0.5}}));
  return Union(
      leaf,
      Polygon({{cx, cy + s * 0.05}, {cx + s * 0.2, cy + s * 0.5}, {cx - s * 0.2, cy + s * 0.5}}));
}

Sdf Diamond(double cx, double cy, double s) {
  return Polygon(
      {{cx, cy - s * 0.52}, {cx + s * 0.36, cy}, {cx, cy + s * 0.52}, {cx - s * 0.36, cy}});
}

Sdf Club(double cx, double cy, double s) {
  Sdf leaves = Union(Circle(cx, cy - s * 0.25, s * 0.22),
                     Union(Circle(cx - s * 0.24, cy + s * 0.08, s * 0.22),
                           Circle(cx + s * 0.24, cy + s * 0.08, s * 0.22)));
  return Union(
      leaves,
      Polygon({{cx, cy - s * 0.05}, {cx + s * 0.18, cy + s * 0.5}, {cx - s * 0.18, cy + s * 0.5}}));
}

void Suit(Canvas& c, const Sdf& shape) {
  DropShadow(c, shape, 0.7, 0.9, 0.9, 0.7);
  c.Fill(shape,
         Linear(0, 9, 0, 23, {{0, Hex(0xfff6c4)}, {0.5, Hex(0xf3c653)}, {1, Hex(0xb07a16)}}));
}

// One light bulb: lit, dimly lit (the tail of the chase) or off.
void Bulb(Canvas& c, double x, double y, double level) {
  if (level > 0) Glow(c, Circle(x, y, 2.4), Rgba{1, 0.9, 0.5, 1}, 2.8, level);
  c.Fill(Circle(x, y, 2.4), Hex(0x2a1802));
  c.Fill(Circle(x, y, 1.9), [&](double px, double py) {
    double d =
        Clamp01(Sqrt((px - x + 0.6) * (px - x + 0.6) + (py - y + 0.6) * (py - y + 0.6)) / 2.4);
    Rgba lit = Mix(Hex(0xffffff), Hex(0xffc53a), d);
    Rgba dark = Mix(Hex(0xa8742a), Hex(0x4a2a06), d);
    return Mix(dark, lit, level);
  });
}

Canvas PaddlePicture(int frame) {
  Canvas c(kPaddleW, kPaddleH);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, kPaddleW - 0.5, kPaddleH - 0.5, 5);
  c.Fill(body, GoldGradient(0.5, kPaddleH - 0.5));
  c.Fill(Shell(Offset(body, -0.8), 0.45), Rgba{1, 1, 0.85, 0.45});
  // The felt, sunk into the gold.
  const double fx0 = 7, fy0 = 7, fx1 = kPaddleW - 7, fy1 = kPaddleH - 7;
  Sdf felt = Box(fx0, fy0, fx1, fy1, 2.5);
  c.Fill(Offset(felt, 1.2),
         Linear(0, fy0 - 1, 0, fy1 + 1, {{0, Hex(0x5a3a06)}, {1, Hex(0xfff0a0)}}));
  c.Fill(felt, Felt(fx0, fy0, fx1, fy1, 77));
  // The top of the felt lies in the shadow of the rail.
  c.Fill(Intersect(felt, Box(0, fy0, kPaddleW, fy0 + 2.5)),
         Linear(0, fy0, 0, fy0 + 2.5, {{0, Rgba{0, 0, 0, 0.45}}, {1, Rgba{0, 0, 0, 0}}}));
  Suit(c, Spade(17.5, 16, 9));
  Suit(c, Heart(30, 16.2, 8.6));
  Suit(c, Diamond(kPaddleW - 30, 16, 9));
  Suit(c, Club(kPaddleW - 17.5, 16, 9));
  TextStyle ts = SponsorStyle(7.6, 2.5, 0.22);
  Sdf text = TextShapeCentred(kSponsor, kPaddleW / 2.0, 20.8, ts);
  DropShadow(c, text, 0.9, 1.1, 1.0, 0.85);
  c.Fill(Offset(text, 0.7), Hex(0x4a2a02));
  c.Fill(text,
         Linear(0, 10, 0, 21, {{0, Hex(0xfffbe0)}, {0.45, Hex(0xffd866)}, {1, Hex(0xc88a1a)}}));
  // The bulbs run round the rail: along the top left to right, back along
  // the bottom. Every fourth one is lit, with a dim tail behind it.
  // The bulbs sit in dark channels along both rails.
  for (double y : {3.6, kPaddleH - 3.6})
    c.Fill(Box(3.5, y - 2.6, kPaddleW - 3.5, y + 2.6, 2.6),
           Linear(0, y - 2.6, 0, y + 2.6, {{0, Hex(0x2a1802)}, {1, Hex(0x6a4a10)}}));
  std::vector<Point> bulbs;
  for (int i = 0; i < 20; ++i) bulbs.push_back({8.0 + i * 8.0, 3.6});
  for (int i = 19; i >= 0; --i) bulbs.push_back({8.0 + i * 8.0, kPaddleH - 3.6});
  for (size_t i = 0; i < bulbs.size(); ++i) {
    double level = 0;
    if (frame >= 0) {
      int phase = static_cast<int>((i + 4 - static_cast<size_t>(frame)) % 4);
      level = phase == 0 ? 1.0 : (phase == 3 ? 0.35 : 0.0);
    }
    Bulb(c, bulbs[i].x, bulbs[i].y, level);
  }
  return c;
}

// Chrome: the ball mirrors a bright sky above, a soft horizon and a warm floor.
Rgba Chrome(const Vec3& n, const Rgba& tint, double glow) {
  double ry = 2 * n.z * n.y;  // the reflected ray's downward part
  Rgba env;
  if (ry < 0.3)
    env = Mix(Hex(0xf4f7fb), Hex(0x8c9bb6), Clamp01((0.3 - ry) / 1.2));
  else if (ry < 0.5)
    env = Mix(Hex(0xf4f7fb), Hex(0x7c838f), Clamp01((ry - 0.3) / 0.08));
  else
    env = Mix(Hex(0x7c838f), Hex(0xeee6d6), Clamp01((ry - 0.5) / 0.3));
  Rgba c{env.r * tint.r, env.g * tint.g, env.b * tint.b, 1};
  c = Mix(c, tint, glow * 0.45);
  c = Shade(c, 0.55 + 0.5 * Diffuse(n));
  return Lighten(c, Specular(n, 40) * 0.95);
}

}  // namespace

Canvas Ball(int frame) {
  Canvas c(16, 16);
  // Grey between every colour: grey, blue, grey, yellow, grey, green, grey, red.
  static const uint32_t kColours[4] = {0x3d7bff, 0xffd21f, 0x2ed35a, 0xff2e2e};
  bool grey = frame % 2 == 0;
  Rgba tint = grey ? Hex(0xc9ced6) : Hex(kColours[frame / 2]);
  if (!grey) Glow(c, Circle(8, 8, 6.5), tint, 1.2, 0.5);
  DrawBall(
      c, 8, 8, 7.5, [&](const Vec3& n) { return Chrome(n, tint, grey ? 0.8 : 1.0); }, 0.3);
  return c;
}

Canvas Paddle(int frame) {
  if (frame == 4) {
    Canvas c = Shaken(PaddlePicture(-1), 2.4, 2004);
    c.Flatten(kBackdrop);
    return c;
  }
  return PaddlePicture(frame);
}

Canvas Panel() {
  constexpr int w = 150, h = 23;
  Canvas c(w, h);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, w - 0.5, h - 0.5, 4);
  c.Fill(body, GoldGradient(0.5, h - 0.5));
  c.Fill(Shell(Offset(body, -0.8), 0.45), Rgba{1, 1, 0.85, 0.45});
  auto well = [&](double x0, double y0, double x1, double y1, const Paint& face) {
    Sdf b = Box(x0, y0, x1, y1, 2);
    c.Fill(Offset(b, 1.2), Linear(0, y0 - 1, 0, y1 + 1, {{0, Hex(0x5a3a06)}, {1, Hex(0xfff0a0)}}));
    c.Fill(b, face);
    c.Fill(Intersect(b, Box(0, y0, w, y0 + 2)),
           Linear(0, y0, 0, y0 + 2, {{0, Rgba{0, 0, 0, 0.5}}, {1, Rgba{0, 0, 0, 0}}}));
  };
  well(4.5, 4.5, 18.5, 18.5, Linear(0, 4, 0, 19, {{0, Hex(0x120306)}, {1, Hex(0x3a0810)}}));
  well(23.5, 4.5, 121.5, 18.5, Felt(23.5, 4.5, 121.5, 18.5, 91));
  c.Fill(Box(23.5, 4.5, 121.5, 18.5, 2),
         Rgba{0, 0, 0, 0.35});  // dimmed so the white count stands out
  // The button is a casino chip.
  double cx = w - 12.5, cy = h / 2.0, r = 9.4;
  DropShadow(c, Circle(cx, cy, r), 0.6, 0.8, 0.8, 0.6);
  c.Fill(Circle(cx, cy, r),
         Linear(cx - r, cy - r, cx + r, cy + r, {{0, Hex(0xe8303a)}, {1, Hex(0x6e0810)}}));
  for (int i = 0; i < 6; ++i) {
    double a = i * kPi / 3 + kPi / 6;
    Sdf spot = Transformed(Box(-1.3, -r, 1.3, -r + 2.6, 0.3),
                           Affine::Rotate(a, 0, 0).Then(Affine::Translate(cx, cy)));
    c.Fill(Intersect(spot, Circle(cx, cy, r - 0.3)), Hex(0xf6efe0));
  }
  c.Fill(Circle(cx, cy, r * 0.66),
         Linear(cx, cy - r, cx, cy + r, {{0, Hex(0xc8202c)}, {1, Hex(0x7a0a12)}}));
  c.Fill(Shell(Circle(cx, cy, r * 0.66), 0.4), Rgba{1, 0.95, 0.85, 0.8});
  Sdf stem = Box(cx - 1.1, cy - 1.2, cx + 1.1, cy + 4.3, 0.3);
  c.Fill(Union(stem, Circle(cx, cy - 3.6, 1.3)), Hex(0xfffaf0));
  return c;
}

}  // namespace resgen::vegas
