// The two large pictures: the sponsor's banner and the About picture.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen {
namespace {

// The sponsor's mark: a golden ball circled by an orbit.
void Emblem(Canvas& c, double cx, double cy, double r) {
  Sdf orbit = Transformed(Shell(Ellipse(0, 0, r * 1.55, r * 0.55), r * 0.09),
                          Affine::Rotate(-0.45, 0, 0).Then(Affine::Translate(cx, cy)));
  // The back half of the orbit passes behind the ball.
  Sdf back = Intersect(orbit, [cx, cy](double x, double y) { return (y - cy) + (x - cx) * 0.48; });
  Sdf front = Subtract(orbit, back);
  c.Fill(back, Hex(0x9fd8ff), 0.8);
  Glow(c, Circle(cx, cy, r), Hex(0xffc040), r * 0.5, 0.6);
  DrawBall(
      c, cx, cy, r, [](const Vec3& n) { return LitColour(Hex(0xffb628), n, 0.4, 0.9, 22); }, 0.3);
  c.Fill(front, Linear(cx - r, cy, cx + r, cy, {{0, Hex(0xe8f6ff)}, {1, Hex(0x6ab8ff)}}));
}

// A wall of bricks, each one faintly outlined; `gone` decides which are out.
void BrickWall(Canvas& c, double x0, double y0, double x1, double y1, double bw, double bh,
               const std::function<double(int, int, double, double)>& alpha) {
  int row = 0;
  for (double y = y0; y < y1; y += bh, ++row) {
    int col = 0;
    for (double x = x0 - (row % 2) * bw / 2; x < x1; x += bw, ++col) {
      double a = alpha(col, row, x + bw / 2, y + bh / 2);
      if (a <= 0) continue;
      Sdf brick =
          Intersect(Box(x + 0.6, y + 0.6, x + bw - 0.6, y + bh - 0.6, 0.6), Box(x0, y0, x1, y1));
      c.Fill(brick, Linear(0, y, 0, y + bh,
                           {{0, Rgba{0.6, 0.75, 1, a}}, {1, Rgba{0.3, 0.45, 0.9, a * 0.6}}}));
    }
  }
}

}  // namespace

Canvas SponsorBanner() {
  constexpr int w = 300, h = 38;
  Canvas c(w, h);
  c.Cover([&](double x, double y) {
    double t = x / w, v = y / h;
    Rgba base = Ramp({{0, Hex(0x08123a)}, {0.45, Hex(0x16348c)}, {1, Hex(0x0a1440)}}, t);
    // A soft light band across the middle and a darker floor.
    return Shade(base, 1.15 - 0.5 * (v - 0.4) * (v - 0.4) * 2.2);
  });
  // Bricks fading in from the right, a few already knocked out.
  Rng rng(9000);
  BrickWall(c, 200, 1, w - 1, h - 1, 14, 6, [&](int col, int row, double x, double) {
    uint32_t hsh = Hash3(col, row, 0, 9000);
    if (hsh % 5 == 0) return 0.0;
    return 0.32 * SmoothStep(205, 290, x);
  });
  BrickWall(c, 1, 1, 60, h - 1, 14, 6, [&](int col, int row, double x, double) {
    uint32_t hsh = Hash3(col, row, 1, 9000);
    if (hsh % 4 == 0) return 0.0;
    return 0.18 * (1 - SmoothStep(5, 58, x));
  });
  // Sparks.
  for (int i = 0; i < 26; ++i) {
    double x = rng.Range(40, 290), y = rng.Range(3, h - 3), r = rng.Range(0.35, 0.9);
    c.Fill(Circle(x, y, r), Rgba{0.8, 0.9, 1, rng.Range(0.25, 0.7)});
  }
  // A sweeping light behind the name.
  c.Fill(Ellipse(158, 19, 120, 13), [](double x, double y) {
    double dx = (x - 158) / 120, dy = (y - 19) / 13;
    return Rgba{0.45, 0.7, 1, 0.28 * Clamp01(1 - (dx * dx + dy * dy))};
  });
  Emblem(c, 36, 19.5, 9.5);
  TextStyle ts = SponsorStyle(15.0, 4.6, 0.2);
  ts.tracking = 0.14;
  double textW = TextWidth(kSponsor, ts);
  double tx = 168 - textW / 2, baseline = 29.5;
  Sdf text = TextShape(kSponsor, tx, baseline, ts);
  DropShadow(c, text, 1.6, 2.0, 1.8, 0.85);
  c.Fill(Offset(text, 1.3), Hex(0x04081c));
  c.Fill(
      text,
      Linear(
          0, baseline - 21, 0, baseline + 2,
          {{0, Hex(0xffffff)}, {0.45, Hex(0xe6f2ff)}, {0.55, Hex(0xa9d2ff)}, {1, Hex(0xeaf4ff)}}));
  // A golden swoosh under the name.
  c.Fill(Polygon({{tx + 4, baseline + 4.2},
                  {tx + textW * 0.55, baseline + 2.6},
                  {tx + textW + 8, baseline + 3.4},
                  {tx + textW * 0.55, baseline + 3.9}}),
         Linear(tx, 0, tx + textW, 0,
                {{0, Rgba{1, 0.75, 0.2, 0}}, {0.5, Hex(0xffc84a)}, {1, Hex(0xfff0b0)}}));
  // A thin light edge along the top and a dark one along the bottom.
  c.Fill(Box(0, 0, w, 1), Rgba{1, 1, 1, 0.25});
  c.Fill(Box(0, h - 1, w, h), Rgba{0, 0, 0, 0.45});
  c.Flatten(Hex(0x08123a));
  return c;
}

Canvas AboutPicture() {
  constexpr int w = 141, h = 205;
  Canvas c(w, h);
  // The wallpaper: a sky over rolling hills.
  c.Cover([&](double x, double y) {
    Rgba sky = Ramp({{0, Hex(0x2d6cc8)}, {0.6, Hex(0x7fb6ee)}, {1, Hex(0xc8e4fa)}}, y / 130.0);
    double hill1 = 128 + 10 * Sin(x * 0.045 + 0.6), hill2 = 150 + 8 * Sin(x * 0.06 + 2.4);
    if (y > hill2) return Mix(Hex(0x3a8a3a), Hex(0x24602a), Clamp01((y - hill2) / 40));
    if (y > hill1) return Mix(Hex(0x5aae4a), Hex(0x3a8a3a), Clamp01((y - hill1) / 30));
    return sky;
  });
  // Clouds.
  for (const Point& p : {Point{92, 30}, Point{30, 58}, Point{118, 78}}) {
    Sdf cloud = Union(Union(Ellipse(p.x, p.y, 13, 4.5), Circle(p.x - 4, p.y - 3, 5)),
                      Circle(p.x + 4, p.y - 4, 6));
    c.Fill(cloud, Linear(0, p.y - 10, 0, p.y + 4,
                         {{0, Rgba{1, 1, 1, 0.9}}, {1, Rgba{0.85, 0.9, 1, 0.75}}}));
  }
  // What the ball uncovers where it destroys icon pixels.
  const Canvas wallpaper = c;
  // The desktop items, some with chunks knocked out by the ball.
  struct Item {
    int id;
    int x, y;
    std::vector<Point> holes;
  };
  std::vector<Item> items{{101, 6, 6, {}},
                          {102, 6, 34, {{17, 40}, {14, 44}}},
                          {103, 6, 62, {}},
                          {104, 6, 90, {{8, 95}}},
                          {105, 117, 6, {{119, 8}, {123, 7}, {125, 11}}},
                          {102, 117, 34, {}}};
  for (const Item& it : items) {
    Canvas icon = DesktopIcon(it.id);
    c.Draw(icon, it.x, it.y);
    // The label under the icon.
    c.Fill(Box(it.x - 1, it.y + 18, it.x + 17, it.y + 21, 1), Rgba{0.05, 0.15, 0.35, 0.45});
    c.Fill(Box(it.x + 1, it.y + 19, it.x + 15, it.y + 20), Rgba{1, 1, 1, 0.9});
  }
  // Knocked-out chunks: where the ball struck an icon, ragged clusters of its
  // pixels are gone and the wallpaper shows through, as in the game.
  Rng chips(9001);
  auto chunk = [&](double x, double y, int bits) {
    for (int i = 0; i < bits; ++i) {
      int px = static_cast<int>(Floor(x + chips.Range(-2.5, 2.5))),
          py = static_cast<int>(Floor(y + chips.Range(-2.5, 2.5)));
      int size = chips.Int(1, 2);
      for (int dy = 0; dy < size; ++dy)
        for (int dx = 0; dx < size; ++dx) c.Put(px + dx, py + dy, wallpaper.At(px + dx, py + dy));
    }
  };
  for (const Item& it : items)
    for (const Point& p : it.holes) chunk(p.x, p.y, 9);
  // A power-up falling, with motion lines above it.
  Canvas doc = DesktopIcon(106);
  c.Draw(doc, 96, 100);
  for (int i = 0; i < 3; ++i)
    c.Fill(Segment(99 + i * 5, 88, 99 + i * 5, 96, 0.5), Rgba{1, 1, 1, 0.6});
  // The ball, streaking up and to the left.
  c.Fill(Polygon({{64, 82}, {69, 86}, {90, 118}}),
         Linear(66, 84, 90, 118, {{0, Rgba{1, 1, 1, 0.7}}, {1, Rgba{1, 1, 1, 0}}}));
  Vec3 axis = Normalize({0.45, -0.75, 0.5});
  DrawBall(c, 65.5, 82.5, 4.2, [&](const Vec3& n) {
    double along = Dot(n, axis);
    return LitColour(along > 0.2 ? Hex(0xf4f1ea) : Hex(0xe02a26), n, 0.45, 0.85, 18);
  });
  // The paddle near the bottom of the screen (the taskbar is hidden during a
  // game) and the status panel in the bottom-right corner.
  Canvas paddle = classic::Paddle(3);
  c.DrawTransformed(paddle, Affine::Scale(46.0 / 168, 9.0 / 32).Then(Affine::Translate(40, 184)));
  Canvas panel = classic::Panel();
  c.DrawTransformed(panel,
                    Affine::Scale(50.0 / 150, 8.0 / 24).Then(Affine::Translate(w - 50, h - 8)));
  c.Flatten(Hex(0x000000));
  return c;
}

}  // namespace resgen
