// Sheet 0, "Classic": a red-and-white ball, a steel paddle with red ends and
// the sponsor's name on a dark plate, a steel panel.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen::classic {
namespace {

constexpr int kPaddleW = 168, kPaddleH = 32;

const Rgba kBackdrop = Hex(0x17181d);

Paint SteelGradient(double y0, double y1) {
  return Linear(0, y0, 0, y1,
                {{0.0, Hex(0x6b7380)},
                 {0.07, Hex(0xf3f6f9)},
                 {0.28, Hex(0xc3cad3)},
                 {0.52, Hex(0x939cab)},
                 {0.8, Hex(0x666e7c)},
                 {1.0, Hex(0x353a44)}});
}

Paint RedGradient(double y0, double y1) {
  return Linear(0, y0, 0, y1,
                {{0.0, Hex(0x6e1010)},
                 {0.07, Hex(0xff9d92)},
                 {0.3, Hex(0xe8372f)},
                 {0.65, Hex(0xb01c1a)},
                 {1.0, Hex(0x4d0707)}});
}

Canvas PaddlePicture(int glint) {
  Canvas c(kPaddleW, kPaddleH);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, kPaddleW - 0.5, kPaddleH - 0.5, 6);
  c.Fill(body, SteelGradient(0.5, kPaddleH - 0.5));
  // Red ends, set off from the steel by a groove.
  Sdf caps = Intersect(body, Union(Box(-1, -1, 27, 40), Box(kPaddleW - 27, -1, kPaddleW + 1, 40)));
  c.Fill(caps, RedGradient(0.5, kPaddleH - 0.5));
  for (double gx : {27.0, kPaddleW - 27.0}) {
    c.Fill(Intersect(body, Box(gx - 1.2, 0, gx, 40)), Rgba{0, 0, 0, 0.55});
    c.Fill(Intersect(body, Box(gx, 0, gx + 1.0, 40)), Rgba{1, 1, 1, 0.35});
  }
  // Ridges on the ends for grip.
  for (int side = 0; side < 2; ++side)
    for (int i = 0; i < 3; ++i) {
      double x = side == 0 ? 9.0 + i * 4.5 : kPaddleW - 18.0 + i * 4.5;
      c.Fill(Box(x, 8, x + 1.3, 24, 0.6), Rgba{0.25, 0, 0, 0.5});
      c.Fill(Box(x + 1.3, 8, x + 2.1, 24, 0.4), Rgba{1, 0.8, 0.8, 0.35});
    }
  // The sponsor's plate, pressed into the steel.
  BevelBox(c, 36, 5.5, kPaddleW - 36, kPaddleH - 5.5, 4, 1.6,
           Linear(0, 5.5, 0, kPaddleH - 5.5, {{0, Hex(0x0a1230)}, {1, Hex(0x1d3474)}}),
           Hex(0xeef2f8), Hex(0x2a2f3a), true);
  TextStyle ts = SponsorStyle(8.6, 2.5, 0.2);
  Sdf text = TextShapeCentred(kSponsor, kPaddleW / 2.0 - 1, 21.6, ts);
  DropShadow(c, text, 0.8, 1.0, 1.0, 0.8);
  c.Fill(text,
         Linear(0, 9, 0, 22, {{0, Hex(0xffffff)}, {0.55, Hex(0xfff2c0)}, {1, Hex(0xf2c24a)}}));
  // A glint sweeping along the paddle.
  if (glint >= 0) {
    double gx = 14.0 + glint * 47.0;
    Sdf band = [gx](double x, double y) { return Abs((x - gx) + (y - 16) * 0.55) - 7.0; };
    c.Fill(Intersect(body, band), [gx](double x, double y) {
      double d = Abs((x - gx) + (y - 16) * 0.55) / 7.0;
      return Rgba{1, 1, 1, 0.75 * (1 - d * d)};
    });
  }
  return c;
}

}  // namespace

Canvas Ball(int frame) {
  Canvas c(16, 16);
  Vec3 axis = Normalize({0.45, -0.75, 0.5});
  // Two directions across the axis, to measure longitude from.
  Vec3 u = Normalize({axis.y, -axis.x, 0});
  Vec3 v{axis.y * u.z - axis.z * u.y, axis.z * u.x - axis.x * u.z, axis.x * u.y - axis.y * u.x};
  // Four panels repeat every half turn: the eight frames the game cycles
  // through make that half turn. Frames 8 and 9, seen only in the chooser,
  // turn on.
  Rotation spin(axis, -frame * kPi / 8.0);
  const Rgba red = Hex(0xe02a26), white = Hex(0xf4f1ea), cap = Hex(0xf5c518);
  DrawBall(c, 8, 8, 7.5, [&](const Vec3& n) {
    Vec3 p = spin.Apply(n);
    double along = Dot(p, axis);
    Rgba base;
    if (along > 0.93) {
      base = cap;
    } else {
      double lon = Atan2(Dot(p, v), Dot(p, u));
      int panel = static_cast<int>(Floor((lon + kPi) / (kPi / 2)));
      base = panel % 2 ? red : white;
    }
    return LitColour(base, n, 0.38, 0.85, 18);
  });
  return c;
}

Canvas Paddle(int frame) {
  if (frame == 4) {
    Canvas c = Shaken(PaddlePicture(-1), -2.6, 1004);
    c.Flatten(kBackdrop);
    return c;
  }
  return PaddlePicture(frame);
}

Canvas Panel() {
  constexpr int w = 150, h = 24;
  Canvas c(w, h);
  c.Cover(Solid(kBackdrop));
  BevelBox(c, 0.5, 0.5, w - 0.5, h - 0.5, 4, 1.6, SteelGradient(0.5, h - 0.5), Hex(0xffffff),
           Hex(0x30343d), false);
  Paint well = Linear(0, 4, 0, h - 4, {{0, Hex(0x08102a)}, {1, Hex(0x182c63)}});
  BevelBox(c, 3.5, 3.5, 20.5, 20.5, 2.5, 1.5, well, Hex(0xf4f6fa), Hex(0x2a2f3a), true);
  BevelBox(c, 24.5, 3.5, 122.5, 20.5, 2.5, 1.5, well, Hex(0xf4f6fa), Hex(0x2a2f3a), true);
  // A faint sheen across the top of the counter's window.
  c.Fill(Box(26.5, 5, 120.5, 10.5, 1.5),
         Linear(0, 5, 0, 10.5, {{0, Rgba{1, 1, 1, 0.12}}, {1, Rgba{1, 1, 1, 0}}}));
  InfoButtonStyle s{Hex(0xffffff), Hex(0x3a404c), Hex(0x5b8def), Hex(0x1b3f9a),
                    Hex(0xffffff), false,         true};
  InfoButton(c, w - 12.5, h / 2.0, 9.5, s);
  return c;
}

}  // namespace resgen::classic
