#include "tools/resgen/lettering.h"

#include <memory>

namespace resgen {
namespace {

// A stroke is a polyline in glyph units: the x-height is 1, the baseline is
// y = 0 and y grows downwards (so the top of an 'x' is y = -1). `thin` strokes
// (serifs, cross bars of serif letters) are drawn at 60% width.
struct Stroke {
  std::vector<Point> points;
  bool thin = false;
};

struct Glyph {
  double advance = 0;  // width of the letter's centre lines
  std::vector<Stroke> strokes;
};

// Points on an elliptical arc; angles in degrees, counter-clockwise as seen.
std::vector<Point> Arc(double cx, double cy, double rx, double ry, double from, double to,
                       int steps = 24) {
  std::vector<Point> pts;
  for (int i = 0; i <= steps; ++i) {
    double a = (from + (to - from) * i / steps) * kPi / 180.0;
    pts.push_back({cx + rx * Cos(a), cy - ry * Sin(a)});
  }
  return pts;
}

std::vector<Point> Join(std::vector<Point> a, const std::vector<Point>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Glyph MakeGlyph(char c, bool serifs) {
  Glyph g;
  auto add = [&](std::vector<Point> p, bool thin = false) {
    g.strokes.push_back({std::move(p), thin});
  };
  auto serif = [&](double x0, double x1, double y) {
    if (serifs) add({{x0, y}, {x1, y}}, true);
  };
  constexpr double kCap = 1.38;
  switch (c) {
    case 'V':
      g.advance = 1.16;
      add({{0, -kCap}, {0.58, 0}, {1.16, -kCap}});
      serif(-0.2, 0.22, -kCap);
      serif(0.94, 1.36, -kCap);
      break;
    case 'A':
      g.advance = 1.16;
      add({{0, 0}, {0.58, -kCap}, {1.16, 0}});
      add({{0.23, -0.44}, {0.93, -0.44}}, serifs);
      serif(-0.2, 0.22, 0);
      serif(0.94, 1.36, 0);
      break;
    case 'a':
      g.advance = 1.0;
      add(Arc(0.47, -0.5, 0.47, 0.5, 0, 360, 40));
      add({{0.94, -1.0}, {0.94, 0}});
      serif(0.94, 1.14, 0);
      break;
    case 'o':
      g.advance = 0.96;
      add(Arc(0.48, -0.5, 0.48, 0.5, 0, 360, 40));
      break;
    case 'n':
      g.advance = 0.92;
      add({{0, 0}, {0, -1.0}});
      add(Join(Arc(0.46, -0.52, 0.46, 0.48, 180, 0, 20), {{0.92, 0}}));
      serif(-0.18, 0.18, 0);
      serif(0.74, 1.1, 0);
      serif(-0.18, 0, -1.0);
      break;
    case 'r':
      g.advance = 0.62;
      add({{0, 0}, {0, -1.0}});
      add(Arc(0.46, -0.52, 0.46, 0.48, 180, 62, 16));
      serif(-0.18, 0.3, 0);
      serif(-0.18, 0, -1.0);
      break;
    case 't':
      g.advance = 0.6;
      add(Join({{0.2, -1.36}, {0.2, -0.3}}, Arc(0.5, -0.3, 0.3, 0.3, 180, 275, 10)));
      add({{-0.06, -1.0}, {0.6, -1.0}}, serifs);
      break;
    case 'i':
      g.advance = 0.0;
      add({{0, 0}, {0, -1.0}});
      add({{0, -1.42}});
      serif(-0.2, 0.2, 0);
      serif(-0.2, 0, -1.0);
      break;
    case '?':
      g.advance = 0.86;
      add(Join(Arc(0.43, -1.0, 0.43, 0.4, 165, -60, 20), {{0.43, -0.34}}));
      add({{0.43, 0}});
      break;
    default:  // space and anything unknown
      g.advance = 0.5;
      break;
  }
  return g;
}

struct Seg {
  Point a, b;
  double halfWidth;
};

}  // namespace

double TextWidth(std::string_view text, const TextStyle& s) {
  double w = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    w += MakeGlyph(text[i], s.serifs).advance;
    if (i + 1 < text.size()) w += s.tracking + s.weight / s.xHeight;
  }
  return w * s.xHeight + s.weight;
}

Sdf TextShape(std::string_view text, double x, double baseline, const TextStyle& s) {
  auto segs = std::make_shared<std::vector<Seg>>();
  double unit = s.xHeight;
  double pen = x + s.weight / 2;  // the left edge of the first stroke sits at x
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (size_t i = 0; i < text.size(); ++i) {
    Glyph g = MakeGlyph(text[i], s.serifs);
    for (const Stroke& st : g.strokes) {
      std::vector<Point> pts;
      for (const Point& p : st.points) {
        // Slant is applied here; the pen aspect is applied at distance time.
        double gx = pen + p.x * unit - s.slant * p.y * unit, gy = baseline + p.y * unit;
        pts.push_back({gx, gy});
        minX = Min(minX, gx);
        maxX = Max(maxX, gx);
        minY = Min(minY, gy);
        maxY = Max(maxY, gy);
      }
      double hw = s.weight / 2 * (st.thin ? 0.6 : 1.0);
      if (pts.size() == 1) segs->push_back({pts[0], pts[0], hw});
      for (size_t k = 1; k < pts.size(); ++k) segs->push_back({pts[k - 1], pts[k], hw});
    }
    pen += g.advance * unit;
    if (i + 1 < text.size()) pen += s.tracking * unit + s.weight;
  }
  // Outside this box around the strokes the distance is only estimated (from
  // below), which keeps offsets of up to 8 pixels exact.
  double margin = s.weight * Max(1.0, s.penAspect) + 8;
  double bound = margin - s.weight * Max(1.0, s.penAspect);
  double aspect = s.penAspect;
  return [segs, aspect, minX, maxX, minY, maxY, margin, bound](double px, double py) {
    double ox = Max(Max(minX - margin - px, px - maxX - margin), 0.0);
    double oy = Max(Max(minY - margin - py, py - maxY - margin), 0.0);
    if (ox > 0 || oy > 0) return Sqrt(ox * ox + oy * oy) + bound;
    double best = 1e9;
    for (const Seg& sg : *segs) {
      // Distance with x squeezed by the pen aspect: a wide pen nib.
      double ax = sg.a.x / aspect, bx = sg.b.x / aspect, x = px / aspect;
      double ex = bx - ax, ey = sg.b.y - sg.a.y, wx = x - ax, wy = py - sg.a.y;
      double len2 = ex * ex + ey * ey;
      double t = len2 > 0 ? Clamp01((wx * ex + wy * ey) / len2) : 0.0;
      double dx = wx - ex * t, dy = wy - ey * t;
      best = Min(best, Sqrt(dx * dx + dy * dy) - sg.halfWidth);
    }
    return best;
  };
}

Sdf TextShapeCentred(std::string_view text, double cx, double baseline, const TextStyle& style) {
  return TextShape(text, cx - TextWidth(text, style) / 2, baseline, style);
}

}  // namespace resgen
