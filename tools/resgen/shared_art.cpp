// Pictures shared by all sheets: the desktop items that power-ups look like,
// the burning ball and the program's icon.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen {
namespace {

const Rgba kOutline = Hex(0x2e3440);

// A sheet of paper with a folded top-right corner, scaled by `u` (1 at 16 px).
void Page(Canvas& c, double u) {
  std::vector<Point> outline{
      {3 * u, 1 * u}, {10 * u, 1 * u}, {13 * u, 4 * u}, {13 * u, 15 * u}, {3 * u, 15 * u}};
  Sdf page = Polygon(outline);
  c.Fill(Offset(page, 0.5), Hex(0x4a5262));
  c.Fill(page, Linear(3 * u, 1 * u, 13 * u, 15 * u, {{0, Hex(0xffffff)}, {1, Hex(0xdfe4ec)}}));
  Sdf fold = Polygon({{10 * u, 1 * u}, {13 * u, 4 * u}, {10 * u, 4 * u}});
  c.Fill(Offset(fold, 0.45), Hex(0x4a5262));
  c.Fill(fold, Linear(10 * u, 4 * u, 12 * u, 2 * u, {{0, Hex(0xc4ccd8)}, {1, Hex(0xf4f6fa)}}));
}

Canvas Computer() {
  Canvas c(16, 16);
  Sdf monitor = Box(1, 1.5, 15, 11.5, 1.2);
  c.Fill(Offset(monitor, 0.55), kOutline);
  c.Fill(monitor, Linear(0, 1.5, 0, 11.5, {{0, Hex(0xf2f3f6)}, {1, Hex(0xa9aeb8)}}));
  Sdf screen = Box(2.6, 3, 13.4, 10, 0.4);
  c.Fill(Offset(screen, 0.5), Hex(0x3a4250));
  c.Fill(screen, Linear(2.6, 3, 10, 11, {{0, Hex(0x58a8ff)}, {1, Hex(0x0c3a9c)}}));
  c.Fill(Intersect(screen, Polygon({{2.6, 3}, {9, 3}, {2.6, 8}})), Rgba{1, 1, 1, 0.28});
  c.Fill(Box(6.8, 11.5, 9.2, 13.2),
         Linear(0, 11.5, 0, 13.2, {{0, Hex(0x6a707c)}, {1, Hex(0x9aa0aa)}}));
  Sdf base = Box(3.5, 13, 12.5, 15, 0.9);
  c.Fill(Offset(base, 0.5), kOutline);
  c.Fill(base, Linear(0, 13, 0, 15, {{0, Hex(0xe6e8ec)}, {1, Hex(0x9a9fa8)}}));
  c.Fill(Circle(12.3, 10.8, 0.45), Hex(0x38d060));  // power light
  return c;
}

Canvas Folder() {
  Canvas c(16, 16);
  const Rgba edge = Hex(0x8a5c0a);
  Sdf back = Polygon({{1, 2.5}, {6, 2.5}, {7.5, 4}, {15, 4}, {15, 14.5}, {1, 14.5}});
  c.Fill(Offset(back, 0.5), edge);
  c.Fill(back, Linear(0, 2.5, 0, 14, {{0, Hex(0xf0c040)}, {1, Hex(0xc88a14)}}));
  Sdf paper = Box(2.5, 5, 13.5, 10);
  c.Fill(Offset(paper, 0.4), Hex(0x9aa0aa));
  c.Fill(paper, Hex(0xfcfcfc));
  Sdf front = Polygon({{0.8, 7}, {15.2, 7}, {14.6, 14.5}, {1.4, 14.5}});
  c.Fill(Offset(front, 0.5), edge);
  c.Fill(front,
         Linear(0, 7, 0, 14.5, {{0, Hex(0xffe58a)}, {0.5, Hex(0xfcd055)}, {1, Hex(0xe8a824)}}));
  c.Fill(Box(1.6, 7.6, 14.4, 8.3), Rgba{1, 1, 0.9, 0.6});
  return c;
}

Canvas RecycleBin() {
  Canvas c(16, 16);
  Sdf bin = Polygon({{3, 4.5}, {13, 4.5}, {12, 15}, {4, 15}});
  c.Fill(Offset(bin, 0.5), Hex(0x34404e));
  c.Fill(bin, Linear(3, 0, 13, 0, {{0, Hex(0x9fb2c6)}, {0.35, Hex(0xeef3f8)}, {1, Hex(0x7d90a6)}}));
  // The ribs of the bin, narrowing towards the bottom.
  for (double top : {5.5, 8.0, 10.5}) {
    double bottom = 8 + (top - 8) * 0.8;
    c.Fill(Segment(top, 5.8, bottom, 13.6, 0.38), Rgba{0.2, 0.26, 0.34, 0.55});
  }
  // Crumpled paper peeping over the rim.
  c.Fill(Offset(Circle(6.3, 3.6, 1.6), 0.4), Hex(0x7a808a));
  c.Fill(Circle(6.3, 3.6, 1.6), Hex(0xf6f6f2));
  c.Fill(Offset(Circle(9.6, 3.3, 1.8), 0.4), Hex(0x7a808a));
  c.Fill(Circle(9.6, 3.3, 1.8), Hex(0xffffff));
  Sdf rim = Box(2, 3.8, 14, 5.6, 0.7);
  c.Fill(Offset(rim, 0.5), Hex(0x34404e));
  c.Fill(rim, Linear(0, 3.8, 0, 5.6, {{0, Hex(0xf4f7fa)}, {1, Hex(0x95a6b8)}}));
  return c;
}

Canvas Document(char mark) {
  Canvas c(16, 16);
  Page(c, 1.0);
  TextStyle ts;
  switch (mark) {
    case '?':
      ts.xHeight = 5.0;
      ts.weight = 1.7;
      c.Fill(TextShape("?", 5.4, 13.0, ts), Hex(0x1b5fd6));
      break;
    case 'i':
      ts.xHeight = 5.0;
      ts.weight = 1.9;
      ts.serifs = true;
      c.Fill(TextShape("i", 7.05, 13.0, ts), Hex(0x1b5fd6));
      break;
    case 'A':
      ts.xHeight = 5.2;
      ts.weight = 1.6;
      ts.serifs = true;
      c.Fill(TextShapeCentred("A", 7.9, 13.4, ts), Hex(0x1e2433));
      break;
    default:
      // A few faint lines, so the blank page still reads as a page.
      for (int i = 0; i < 4; ++i)
        c.Fill(Box(5, 6.5 + i * 2, i == 3 ? 9 : 11, 7.2 + i * 2), Rgba{0.6, 0.65, 0.72, 0.35});
      break;
  }
  return c;
}

// A looping flame field: value noise rising through the frames, crossfaded
// so that the ninth frame leads back into the first (the game cycles through
// 6000 to 6008; 6009 looks like 6000).
double Flames(double x, double y, double t) {
  auto at = [&](double phase) { return Fbm(x * 0.42, (y + phase * 9.0) * 0.36, 3, 6000); };
  return Lerp(at(t), at(t - 1.0), t);
}

}  // namespace

Canvas DesktopIcon(int id) {
  switch (id) {
    case 101:
      return Computer();
    case 102:
      return Folder();
    case 103:
      return RecycleBin();
    case 104:
      return Document(' ');
    case 105:
      return Document('?');
    case 106:
      return Document('i');
    default:
      return Document('A');
  }
}

Canvas FlameFrame(int frame) {
  Canvas c(16, 16);
  double t = frame / 9.0;
  const double bx = 8, by = 10.6, br = 3.7;
  auto heat = [&](double x, double y) {
    double dx = x - bx, dy = y - by;
    // A teardrop round the ball, drawn out upwards into tongues.
    double stretch = dy < 0 ? dy * 0.3 : dy * 1.15;
    double d = Sqrt(dx * dx + stretch * stretch);
    double base = 1.0 - (d - br * 0.5) / 4.4;
    double sway = Sin(t * kTau + y * 0.6) * 0.6;
    double n = Flames(x + sway, y, t);
    return base - (n - 0.4) * 1.9;
  };
  auto flameColour = [](double h) {
    return Ramp({{0.0, Rgba{0.6, 0.02, 0.0, 0.0}},
                 {0.1, Rgba{0.78, 0.08, 0.0, 0.8}},
                 {0.3, Hex(0xf04a08)},
                 {0.55, Hex(0xff9a1a)},
                 {0.85, Hex(0xffd850)},
                 {1.2, Hex(0xfff4c0)}},
                h);
  };
  c.Fill([&](double x, double y) { return heat(x, y) > 0 ? -1.0 : 1.0; },
         [&](double x, double y) { return flameColour(heat(x, y)); }, 1.0, 4);
  // The ball, red hot, with fire licking over its lower edge.
  DrawBall(
      c, bx, by, br,
      [&](const Vec3& n) {
        Rgba hot = Mix(Hex(0xffd860), Hex(0xc83008), Clamp01(1.1 - n.z));
        return Lighten(Shade(hot, 0.7 + 0.4 * Diffuse(n)), Specular(n, 16) * 0.7);
      },
      0.3);
  c.Fill([&](double x, double y) { return heat(x, y) > 0.5 && y > by ? -1.0 : 1.0; },
         [&](double x, double y) { return WithAlpha(flameColour(heat(x, y)), 0.5); }, 1.0, 4);
  return c;
}

Canvas ProgramIcon(int size) {
  Canvas c(size, size);
  double u = size / 48.0;
  // A folder with a bite knocked out of it, and its fragments flying.
  Sdf bite = Union(Circle(20 * u, 26 * u, 8.5 * u), Circle(27 * u, 30 * u, 4.0 * u));
  Sdf back = Subtract(Polygon({{18 * u, 5 * u},
                               {29 * u, 5 * u},
                               {32 * u, 8.5 * u},
                               {45 * u, 8.5 * u},
                               {45 * u, 30 * u},
                               {18 * u, 30 * u}}),
                      bite);
  const Rgba edge = Hex(0x7a4e06);
  c.Fill(Offset(back, 0.6 * u + 0.3), edge);
  c.Fill(back, Linear(0, 5 * u, 0, 30 * u, {{0, Hex(0xf0c040)}, {1, Hex(0xc88a14)}}));
  Sdf front = Subtract(
      Polygon({{17 * u, 13 * u}, {46 * u, 13 * u}, {44.8 * u, 30 * u}, {18.2 * u, 30 * u}}), bite);
  c.Fill(Offset(front, 0.6 * u + 0.3), edge);
  c.Fill(front, Linear(0, 13 * u, 0, 30 * u,
                       {{0, Hex(0xffe58a)}, {0.5, Hex(0xfcd055)}, {1, Hex(0xe8a824)}}));
  if (size >= 32) {
    for (const Point& p : {Point{10, 9}, Point{5.5, 15.5}, Point{14.5, 3.5}}) {
      Sdf chip =
          Transformed(Box(-1.6 * u, -1.2 * u, 1.6 * u, 1.2 * u),
                      Affine::Rotate(p.x * 0.7, 0, 0).Then(Affine::Translate(p.x * u, p.y * u)));
      c.Fill(Offset(chip, 0.4), edge);
      c.Fill(chip, Hex(0xf6c844));
    }
  }
  // The ball on its way out, with a streak behind it.
  double bx = 19.5 * u, by = 25.5 * u, br = Max(6.2 * u, 2.9);
  c.Fill(Polygon({{bx - br * 0.8, by - br * 0.5}, {bx + br * 0.5, by + br * 0.8}, {6 * u, 37 * u}}),
         Linear(bx, by, 6 * u, 37 * u, {{0, Rgba{1, 1, 1, 0.7}}, {1, Rgba{1, 1, 1, 0}}}));
  Vec3 axis = Normalize({0.45, -0.75, 0.5});
  Vec3 uu = Normalize({axis.y, -axis.x, 0});
  Vec3 vv{axis.y * uu.z - axis.z * uu.y, axis.z * uu.x - axis.x * uu.z,
          axis.x * uu.y - axis.y * uu.x};
  c.Fill(Circle(bx, by, br + 0.6), Hex(0x3a0a08));
  DrawBall(
      c, bx, by, br,
      [&](const Vec3& n) {
        double lon = Atan2(Dot(n, vv), Dot(n, uu));
        Rgba base =
            static_cast<int>(Floor((lon + kPi) / (kPi / 2))) % 2 ? Hex(0xe02a26) : Hex(0xf4f1ea);
        return LitColour(base, n, 0.55, 0.85, 18);
      },
      0.25);
  // The paddle.
  Sdf paddle = Box(5 * u, 38 * u, 43 * u, 45 * u, 2.5 * u);
  c.Fill(Offset(paddle, 0.5), Hex(0x1a1c22));
  c.Fill(paddle, Linear(0, 38 * u, 0, 45 * u,
                        {{0, Hex(0xf4f6f9)}, {0.45, Hex(0xa9b1bd)}, {1, Hex(0x4a515e)}}));
  Sdf caps = Intersect(paddle, Union(Box(0, 0, 11 * u, 48 * u), Box(37 * u, 0, 48 * u, 48 * u)));
  c.Fill(caps, Linear(0, 38 * u, 0, 45 * u,
                      {{0, Hex(0xff9d92)}, {0.45, Hex(0xe02a26)}, {1, Hex(0x6e0808)}}));
  return c;
}

}  // namespace resgen
