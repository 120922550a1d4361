#include "tools/resgen/canvas.h"

#include <span>

namespace resgen {

Rgba Hex(uint32_t rgb, double alpha) {
  return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0, alpha};
}

Rgba Mix(const Rgba& x, const Rgba& y, double t) {
  return {Lerp(x.r, y.r, t), Lerp(x.g, y.g, t), Lerp(x.b, y.b, t), Lerp(x.a, y.a, t)};
}

Rgba Shade(const Rgba& c, double k) {
  return {Clamp01(c.r * k), Clamp01(c.g * k), Clamp01(c.b * k), c.a};
}

Rgba Lighten(const Rgba& c, double t) { return Mix(c, {1, 1, 1, c.a}, Clamp01(t)); }
Rgba Darken(const Rgba& c, double t) { return Mix(c, {0, 0, 0, c.a}, Clamp01(t)); }
Rgba WithAlpha(const Rgba& c, double a) { return {c.r, c.g, c.b, a}; }
Rgba Grey(double v, double alpha) { return {v, v, v, alpha}; }

namespace {
// The colour at t between the stops (in increasing order) that enclose it;
// before the first stop its colour, after the last the last one's.
Rgba RampThrough(std::span<const std::pair<double, Rgba>> stops, double t) {
  const std::pair<double, Rgba>* prev = nullptr;
  for (const auto& s : stops) {
    if (t <= s.first) {
      if (!prev) return s.second;
      double span = s.first - prev->first;
      return Mix(prev->second, s.second, span > 0 ? (t - prev->first) / span : 1.0);
    }
    prev = &s;
  }
  return prev ? prev->second : Rgba{};
}
}  // namespace

Rgba Ramp(std::initializer_list<std::pair<double, Rgba>> stops, double t) {
  return RampThrough({stops.begin(), stops.size()}, t);
}

Affine Affine::Inverse() const {
  double det = a * e - b * d;
  if (det == 0) return {};
  double ia = e / det, ib = -b / det, id = -d / det, ie = a / det;
  return {ia, ib, -(ia * c + ib * f), id, ie, -(id * c + ie * f)};
}

Affine Affine::Then(const Affine& n) const {
  return {n.a * a + n.b * d, n.a * b + n.b * e, n.a * c + n.b * f + n.c,
          n.d * a + n.e * d, n.d * b + n.e * e, n.d * c + n.e * f + n.f};
}

Affine Affine::Translate(double dx, double dy) { return {1, 0, dx, 0, 1, dy}; }

Affine Affine::Scale(double sx, double sy, double cx, double cy) {
  return {sx, 0, cx - sx * cx, 0, sy, cy - sy * cy};
}

Affine Affine::Rotate(double radians, double cx, double cy) {
  double s = Sin(radians), k = Cos(radians);
  return {k, -s, cx - k * cx + s * cy, s, k, cy - s * cx - k * cy};
}

Affine Affine::ShearX(double k, double cy) { return {1, k, -k * cy, 0, 1, 0}; }

Sdf Circle(double cx, double cy, double r) {
  return [=](double x, double y) { return Sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - r; };
}

Sdf Ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) {
    double u = (x - cx) / rx, v = (y - cy) / ry;
    return (Sqrt(u * u + v * v) - 1.0) * Min(rx, ry);
  };
}

Sdf Box(double x0, double y0, double x1, double y1, double radius) {
  double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
  return [=](double x, double y) {
    double qx = Abs(x - cx) - hx, qy = Abs(y - cy) - hy;
    double ox = Max(qx, 0.0), oy = Max(qy, 0.0);
    return Sqrt(ox * ox + oy * oy) + Min(Max(qx, qy), 0.0) - radius;
  };
}

namespace {

double SegmentDistance(double x, double y, const Point& a, const Point& b) {
  double ex = b.x - a.x, ey = b.y - a.y;
  double wx = x - a.x, wy = y - a.y;
  double len2 = ex * ex + ey * ey;
  double t = len2 > 0 ? Clamp01((wx * ex + wy * ey) / len2) : 0.0;
  double dx = wx - ex * t, dy = wy - ey * t;
  return Sqrt(dx * dx + dy * dy);
}

}  // namespace

Sdf Segment(double ax, double ay, double bx, double by, double halfWidth) {
  Point a{ax, ay}, b{bx, by};
  return [=](double x, double y) { return SegmentDistance(x, y, a, b) - halfWidth; };
}

Sdf Polyline(std::vector<Point> points, double halfWidth) {
  return [pts = std::move(points), halfWidth](double x, double y) {
    double best = 1e9;
    if (pts.size() == 1) best = SegmentDistance(x, y, pts[0], pts[0]);
    for (size_t i = 1; i < pts.size(); ++i)
      best = Min(best, SegmentDistance(x, y, pts[i - 1], pts[i]));
    return best - halfWidth;
  };
}

Sdf Polygon(std::vector<Point> points) {
  return [v = std::move(points)](double x, double y) {
    size_t n = v.size();
    if (n < 3) return 1e9;
    double d = 1e18, s = 1;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
      double ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
      double wx = x - v[i].x, wy = y - v[i].y;
      double len2 = ex * ex + ey * ey;
      double t = len2 > 0 ? Clamp01((wx * ex + wy * ey) / len2) : 0.0;
      double bx = wx - ex * t, by = wy - ey * t;
      d = Min(d, bx * bx + by * by);
      bool c1 = y >= v[i].y, c2 = y<v[j].y, c3 = ex * wy> ey * wx;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * Sqrt(d);
  };
}

Sdf Union(Sdf a, Sdf b) {
  return [=](double x, double y) { return Min(a(x, y), b(x, y)); };
}
Sdf Intersect(Sdf a, Sdf b) {
  return [=](double x, double y) { return Max(a(x, y), b(x, y)); };
}
Sdf Subtract(Sdf a, Sdf b) {
  return [=](double x, double y) { return Max(a(x, y), -b(x, y)); };
}
Sdf Offset(Sdf s, double grow) {
  return [=](double x, double y) { return s(x, y) - grow; };
}
Sdf Shell(Sdf s, double halfWidth) {
  return [=](double x, double y) { return Abs(s(x, y)) - halfWidth; };
}

Sdf Transformed(Sdf s, const Affine& m) {
  Affine inv = m.Inverse();
  double scale = Sqrt(Abs(m.a * m.e - m.b * m.d));
  return [=](double x, double y) {
    Point p = inv.Apply(x, y);
    return s(p.x, p.y) * scale;
  };
}

Paint Solid(const Rgba& c) {
  return [=](double, double) { return c; };
}

Paint Linear(double x0, double y0, double x1, double y1,
             std::initializer_list<std::pair<double, Rgba>> stops) {
  std::vector<std::pair<double, Rgba>> copy(stops);
  double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  return [=](double x, double y) {
    double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0.0;
    return RampThrough(copy, t);
  };
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), px_(static_cast<size_t>(width) * height) {}

Rgba Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const Px& p = px_[static_cast<size_t>(y) * width_ + x];
  if (p.a <= 0) return {};
  return {Clamp01(p.r / p.a), Clamp01(p.g / p.a), Clamp01(p.b / p.a), Clamp01(p.a)};
}

void Canvas::Put(int x, int y, const Rgba& c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  px_[static_cast<size_t>(y) * width_ + x] = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
}

void Canvas::BlendAverage(int x, int y, Px sum, double weight) {
  if (sum.a <= 0) return;
  sum.r *= weight;
  sum.g *= weight;
  sum.b *= weight;
  sum.a *= weight;
  BlendPremul(x, y, sum);
}

void Canvas::BlendPremul(int x, int y, const Px& p) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Px& d = px_[static_cast<size_t>(y) * width_ + x];
  double k = 1.0 - p.a;
  d.r = p.r + d.r * k;
  d.g = p.g + d.g * k;
  d.b = p.b + d.b * k;
  d.a = p.a + d.a * k;
}

void Canvas::Blend(int x, int y, const Rgba& c) {
  BlendPremul(x, y, {c.r * c.a, c.g * c.a, c.b * c.a, c.a});
}

void Canvas::Fill(const Sdf& shape, const Paint& paint, double opacity, int samples) {
  double inv = 1.0 / samples, weight = 1.0 / (samples * samples);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      // A pixel far from the edge is wholly in or out: test its centre first.
      double centre = shape(x + 0.5, y + 0.5);
      if (centre > 1.5) continue;
      Px sum;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          double px = x + (sx + 0.5) * inv, py = y + (sy + 0.5) * inv;
          if (centre < -1.5 || shape(px, py) < 0) {
            Rgba c = paint(px, py);
            double a = Clamp01(c.a) * opacity;
            sum.r += c.r * a;
            sum.g += c.g * a;
            sum.b += c.b * a;
            sum.a += a;
          }
        }
      }
      BlendAverage(x, y, sum, weight);
    }
  }
}

void Canvas::Fill(const Sdf& shape, const Rgba& colour, double opacity, int samples) {
  Fill(shape, Solid(colour), opacity, samples);
}

void Canvas::Cover(const Paint& paint, int samples) {
  Fill([](double, double) { return -10.0; }, paint, 1.0, samples);
}

void Canvas::Draw(const Canvas& src, int dx, int dy, double opacity) {
  for (int y = 0; y < src.height_; ++y)
    for (int x = 0; x < src.width_; ++x) {
      Px p = src.px_[static_cast<size_t>(y) * src.width_ + x];
      p.r *= opacity;
      p.g *= opacity;
      p.b *= opacity;
      p.a *= opacity;
      BlendPremul(x + dx, y + dy, p);
    }
}

Canvas::Px Canvas::Sample(double x, double y) const {
  // Pixel centres sit at half-integers.
  x -= 0.5;
  y -= 0.5;
  double fx = Floor(x), fy = Floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  double tx = x - fx, ty = y - fy;
  Px out;
  auto add = [&](int px, int py, double w) {
    if (px < 0 || py < 0 || px >= width_ || py >= height_ || w <= 0) return;
    const Px& p = px_[static_cast<size_t>(py) * width_ + px];
    out.r += p.r * w;
    out.g += p.g * w;
    out.b += p.b * w;
    out.a += p.a * w;
  };
  add(ix, iy, (1 - tx) * (1 - ty));
  add(ix + 1, iy, tx * (1 - ty));
  add(ix, iy + 1, (1 - tx) * ty);
  add(ix + 1, iy + 1, tx * ty);
  return out;
}

void Canvas::DrawTransformed(const Canvas& src, const Affine& m, double opacity, int samples) {
  Affine inv = m.Inverse();
  double step = 1.0 / samples, weight = opacity / (samples * samples);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      Px sum;
      for (int sy = 0; sy < samples; ++sy)
        for (int sx = 0; sx < samples; ++sx) {
          Point p = inv.Apply(x + (sx + 0.5) * step, y + (sy + 0.5) * step);
          Px s = src.Sample(p.x, p.y);
          sum.r += s.r;
          sum.g += s.g;
          sum.b += s.b;
          sum.a += s.a;
        }
      BlendAverage(x, y, sum, weight);
    }
}

void Canvas::Blur(double radius) {
  int r = static_cast<int>(Floor(radius * 0.58 + 0.5));  // three boxes ~ one Gaussian
  if (r < 1) r = 1;
  std::vector<Px> tmp(px_.size());
  auto pass = [&](bool horizontal) {
    int len = horizontal ? width_ : height_, lines = horizontal ? height_ : width_;
    for (int l = 0; l < lines; ++l)
      for (int i = 0; i < len; ++i) {
        Px sum;
        for (int k = i - r; k <= i + r; ++k) {
          if (k < 0 || k >= len) continue;
          const Px& p = horizontal ? px_[static_cast<size_t>(l) * width_ + k]
                                   : px_[static_cast<size_t>(k) * width_ + l];
          sum.r += p.r;
          sum.g += p.g;
          sum.b += p.b;
          sum.a += p.a;
        }
        double w = 1.0 / (2 * r + 1);
        Px& d = horizontal ? tmp[static_cast<size_t>(l) * width_ + i]
                           : tmp[static_cast<size_t>(i) * width_ + l];
        d = {sum.r * w, sum.g * w, sum.b * w, sum.a * w};
      }
    px_.swap(tmp);
  };
  for (int i = 0; i < 3; ++i) {
    pass(true);
    pass(false);
  }
}

void Canvas::Tint(const Rgba& c) {
  for (Px& p : px_) p = {c.r * p.a, c.g * p.a, c.b * p.a, p.a};
}

void Canvas::Flatten(const Rgba& bg) {
  for (Px& p : px_) {
    double k = 1.0 - p.a;
    p = {p.r + bg.r * k, p.g + bg.g * k, p.b + bg.b * k, 1.0};
  }
}

void Canvas::Mask(const Canvas& mask) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      double a = Clamp01(mask.At(x, y).a);
      Px& p = px_[static_cast<size_t>(y) * width_ + x];
      p.r *= a;
      p.g *= a;
      p.b *= a;
      p.a *= a;
    }
}

void Canvas::Map(const std::function<Rgba(const Rgba&, int, int)>& f) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) Put(x, y, f(At(x, y), x, y));
}

}  // namespace resgen
