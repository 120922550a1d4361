// Sheet 2, "Flat Screen": a glossy black ball with a little screen on it, a
// paddle that is a small flat-screen monitor, a panel of dark glass.
#include "tools/resgen/art.h"
#include "tools/resgen/artkit.h"

namespace resgen::flat {
namespace {

constexpr int kPaddleW = 168, kPaddleH = 36;
constexpr double kScreenX0 = 5, kScreenY0 = 4, kScreenX1 = kPaddleW - 5, kScreenY1 = 27;
const Rgba kBackdrop = Hex(0x0e0f12);

Paint Graphite(double y0, double y1) {
  return Linear(
      0, y0, 0, y1,
      {{0, Hex(0x6a707c)}, {0.06, Hex(0x3c4048)}, {0.5, Hex(0x25282e)}, {1, Hex(0x121317)}});
}

// What the screen shows while the sponsor's picture is on.
Canvas BannerPicture(int w, int h) {
  Canvas s(w, h);
  s.Cover([&](double x, double y) {
    double t = y / h;
    Rgba sky = Ramp({{0, Hex(0x0b2a6e)}, {0.55, Hex(0x1565c0)}, {1, Hex(0x0a1a48)}}, t);
    // A soft light behind the name.
    double dx = (x - w / 2.0) / (w * 0.45), dy = (y - h / 2.0) / (h * 0.7);
    return Lighten(sky, 0.35 * Clamp01(1 - (dx * dx + dy * dy)));
  });
  TextStyle ts = SponsorStyle(8.2, 2.7, 0.12);
  Sdf text = TextShapeCentred(kSponsor, w / 2.0, h / 2.0 + 5.6, ts);
  Glow(s, text, Hex(0x4fb8ff), 2.0, 0.55);
  s.Fill(text, Linear(0, 4, 0, h - 4, {{0, Hex(0xffffff)}, {1, Hex(0xc8f2ff)}}));
  return s;
}

Canvas ScreenContent(int frame, int w, int h) {
  Canvas s(w, h);
  Rng rng(3000 + static_cast<uint64_t>(frame));
  if (frame == 0) return BannerPicture(w, h);
  if (frame == 1) {
    // A torn, smeared picture: rows slide sideways in bands, the colours
    // drift apart, and specks of noise cover it.
    Canvas clean = BannerPicture(w, h);
    std::vector<double> shift(static_cast<size_t>(h), 0.0);
    double current = 0;
    for (int y = 0; y < h; ++y) {
      if (rng.Uniform() < 0.22) current = rng.Range(-9, 9);
      if (rng.Uniform() < 0.2) current *= 0.3;
      shift[static_cast<size_t>(y)] = current;
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int sx = x - static_cast<int>(shift[static_cast<size_t>(y)]);
        Rgba r = clean.At(sx - 1, y), g = clean.At(sx, y), b = clean.At(sx + 2, y);
        Rgba p{r.a > 0 ? r.r : 0.1, g.a > 0 ? g.g : 0.2, b.a > 0 ? b.b : 0.4, 1};
        double speck = rng.Uniform();
        if (speck < 0.12) p = Mix(p, Grey(rng.Uniform()), 0.7);
        // A brighter band rolling through.
        if (y >= 6 && y <= 10) p = Lighten(p, 0.25);
        s.Put(x, y, p);
      }
    return s;
  }
  if (frame == 2) {
    // Snow: every dot its own grey, with faint horizontal streaks.
    std::vector<double> row(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) row[static_cast<size_t>(y)] = rng.Range(-0.12, 0.12);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double v = Clamp01(rng.Range(0.08, 0.95) + row[static_cast<size_t>(y)]);
        s.Put(x, y, Rgba{v * 0.96, v * 0.98, v, 1});
      }
    return s;
  }
  // Switched off: black glass.
  s.Cover(Linear(0, 0, w, h, {{0, Hex(0x1a1d24)}, {1, Hex(0x07080a)}}));
  return s;
}

Canvas PaddlePicture(int frame) {
  Canvas c(kPaddleW, kPaddleH);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, kPaddleW - 0.5, kPaddleH - 0.5, 3.5);
  c.Fill(body, Graphite(0.5, kPaddleH - 0.5));
  c.Fill(Shell(Offset(body, -0.6), 0.35), Rgba{1, 1, 1, 0.18});
  // The screen, framed by a thin black edge.
  c.Fill(Box(kScreenX0 - 1, kScreenY0 - 1, kScreenX1 + 1, kScreenY1 + 1, 1), Hex(0x050506));
  int sw = static_cast<int>(kScreenX1 - kScreenX0), sh = static_cast<int>(kScreenY1 - kScreenY0);
  Canvas screen = ScreenContent(frame == 4 ? 3 : frame, sw, sh);
  if (frame <= 1) {
    // The fine lines of the panel.
    screen.Map([](const Rgba& p, int, int y) { return y % 2 ? Shade(p, 0.86) : p; });
  }
  c.Draw(screen, static_cast<int>(kScreenX0), static_cast<int>(kScreenY0));
  // A reflection on the glass.
  c.Fill(Intersect(Box(kScreenX0, kScreenY0, kScreenX1, kScreenY1),
                   Polygon({{kScreenX0 + 70, kScreenY0},
                            {kScreenX0 + 112, kScreenY0},
                            {kScreenX0 + 92, kScreenY1},
                            {kScreenX0 + 50, kScreenY1}})),
         Rgba{1, 1, 1, frame >= 3 ? 0.07 : 0.05});
  c.Fill(Box(kScreenX0, kScreenY0, kScreenX1, kScreenY0 + 6),
         Linear(0, kScreenY0, 0, kScreenY0 + 6, {{0, Rgba{1, 1, 1, 0.12}}, {1, Rgba{1, 1, 1, 0}}}));
  // The chin: a row of small buttons and the power lamp.
  double chin = (kScreenY1 + 1 + kPaddleH) / 2.0;
  for (int i = 0; i < 3; ++i) {
    double x = 136 + i * 6.0;
    c.Fill(Box(x - 1.8, chin - 0.9, x + 1.8, chin + 0.9, 0.9), Hex(0x0c0d10));
    c.Fill(Box(x - 1.8, chin + 0.2, x + 1.8, chin + 1.0, 0.5), Rgba{1, 1, 1, 0.12});
  }
  double lx = kPaddleW - 10.5;
  bool lampOn = frame != 4;
  if (lampOn) Glow(c, Circle(lx, chin, 1.6), Hex(0x3cff6a), 2.0, 0.9);
  c.Fill(Circle(lx, chin, 1.7), Hex(0x050506));
  c.Fill(Circle(lx, chin, 1.25), lampOn ? Paint([&](double x, double y) {
           double d = Clamp01(
               Sqrt((x - lx + 0.4) * (x - lx + 0.4) + (y - chin + 0.4) * (y - chin + 0.4)) / 1.4);
           return Mix(Hex(0xe8ffe8), Hex(0x18c840), d);
         })
                                        : Solid(Hex(0x2a2e2a)));
  // A small badge in the middle of the chin.
  c.Fill(Box(kPaddleW / 2.0 - 9, chin - 0.8, kPaddleW / 2.0 + 9, chin + 0.8, 0.8),
         Linear(0, chin - 1, 0, chin + 1, {{0, Hex(0xb8bec8)}, {1, Hex(0x5a606a)}}));
  return c;
}

}  // namespace

Canvas Ball(int frame) {
  Canvas c(16, 16);
  static const uint32_t kBars[6] = {0xf0f0f0, 0xf0e040, 0x40e0f0, 0x40e050, 0xf040c0, 0x4060f0};
  DrawBall(
      c, 8, 8, 7.5,
      [&](const Vec3& n) {
        // A little screen on the front, curved with the ball.
        double sx = n.x / 0.62, sy = (n.y - 0.06) / 0.46;
        double box = Max(Abs(sx), Abs(sy));
        Rgba shell = LitColour(Hex(0x24272e), n, 0.45, 0.0, 1);
        if (box < 1.0) {
          int bar = static_cast<int>(Floor((sx + 1) / 2 * 6));
          Rgba pic = Hex(kBars[bar < 0 ? 0 : (bar > 5 ? 5 : bar)]);
          // The picture rolls: a dark bar drifts down the screen, frame by frame.
          double roll = Fract((sy + 1) / 2 - frame / 10.0);
          if (roll > 0.78) pic = Shade(pic, 0.35);
          pic = Shade(pic, 0.95 - 0.25 * box * box);
          shell = box > 0.84 ? Hex(0x0a0b0d) : pic;
        }
        return Lighten(shell, Specular(n, 30) * 0.9);
      },
      0.25);
  // A glassy sheen across the top.
  c.Fill(Intersect(Circle(8, 8, 7.0), Ellipse(7.2, 4.6, 5.0, 3.2)),
         Linear(0, 1.5, 0, 7.5, {{0, Rgba{1, 1, 1, 0.5}}, {1, Rgba{1, 1, 1, 0}}}));
  return c;
}

Canvas Paddle(int frame) { return PaddlePicture(frame); }

Canvas Panel() {
  constexpr int w = 150, h = 27;
  Canvas c(w, h);
  c.Cover(Solid(kBackdrop));
  Sdf body = Box(0.5, 0.5, w - 0.5, h - 0.5, 3.5);
  c.Fill(body, Graphite(0.5, h - 0.5));
  c.Fill(Shell(Offset(body, -0.6), 0.35), Rgba{1, 1, 1, 0.18});
  auto glass = [&](double x0, double y0, double x1, double y1) {
    c.Fill(Box(x0 - 1, y0 - 1, x1 + 1, y1 + 1, 1.5), Hex(0x050506));
    c.Fill(Box(x0, y0, x1, y1, 1), Linear(0, y0, 0, y1, {{0, Hex(0x0e2a66)}, {1, Hex(0x061234)}}));
    c.Fill(Box(x0, y0, x1, (y0 + y1) / 2, 1),
           Linear(0, y0, 0, (y0 + y1) / 2, {{0, Rgba{1, 1, 1, 0.14}}, {1, Rgba{1, 1, 1, 0.02}}}));
  };
  glass(5, 5, 20, 22);
  glass(25, 5, 121, 22);
  InfoButtonStyle s{Hex(0xc8ccd4), Hex(0x3a3e46), Hex(0x2a2e36), Hex(0x0c0d10),
                    Hex(0x6fe0ff), false,         true};
  double cx = w - 12.5, cy = h / 2.0;
  Glow(c, Shell(Circle(cx, cy, 8.2), 0.6), Hex(0x3fc8ff), 1.5, 0.6);
  InfoButton(c, cx, cy, 9.6, s);
  c.Fill(Shell(Circle(cx, cy, 7.7), 0.35), Rgba{0.4, 0.85, 1, 0.8});
  return c;
}

}  // namespace resgen::flat
