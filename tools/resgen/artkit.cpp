#include "tools/resgen/artkit.h"

namespace resgen {

Vec3 Normalize(const Vec3& v) {
  double len = Sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len <= 0) return {0, 0, 1};
  return {v.x / len, v.y / len, v.z / len};
}

double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Rotation::Rotation(const Vec3& axis, double radians) {
  Vec3 u = Normalize(axis);
  double s = Sin(radians), c = Cos(radians), t = 1 - c;
  m[0][0] = c + u.x * u.x * t, m[0][1] = u.x * u.y * t - u.z * s, m[0][2] = u.x * u.z * t + u.y * s;
  m[1][0] = u.y * u.x * t + u.z * s, m[1][1] = c + u.y * u.y * t, m[1][2] = u.y * u.z * t - u.x * s;
  m[2][0] = u.z * u.x * t - u.y * s, m[2][1] = u.z * u.y * t + u.x * s, m[2][2] = c + u.z * u.z * t;
}

Vec3 Rotation::Apply(const Vec3& v) const {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
          m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

Vec3 LightDirection() { return Normalize({-0.55, -0.65, 0.55}); }

double Diffuse(const Vec3& n) { return Max(0.0, Dot(n, LightDirection())); }

double Specular(const Vec3& n, int power) {
  Vec3 l = LightDirection();
  Vec3 h = Normalize({l.x, l.y, l.z + 1.0});
  return PowI(Max(0.0, Dot(n, h)), power);
}

void DrawBall(Canvas& c, double cx, double cy, double r,
              const std::function<Rgba(const Vec3&)>& surface, double rimDarkness) {
  c.Fill(
      Circle(cx, cy, r),
      [&](double x, double y) {
        double nx = (x - cx) / r, ny = (y - cy) / r;
        double d2 = nx * nx + ny * ny;
        if (d2 > 1) d2 = 1;
        Vec3 n{nx, ny, Sqrt(1 - d2)};
        Rgba col = surface(n);
        double rim = SmoothStep(0.72, 1.0, Sqrt(d2)) * rimDarkness;
        return Darken(col, rim);
      },
      1.0, 6);
}

Rgba LitColour(const Rgba& base, const Vec3& n, double ambient, double highlight, int power) {
  double light = ambient + (1 - ambient) * Diffuse(n);
  Rgba lit = Shade(base, light);
  return Lighten(lit, highlight * Specular(n, power));
}

namespace {

// Outward direction of a shape's edge at (x, y), from its distance field.
Point EdgeNormal(const Sdf& s, double x, double y) {
  constexpr double e = 0.25;
  double gx = s(x + e, y) - s(x - e, y), gy = s(x, y + e) - s(x, y - e);
  double len = Sqrt(gx * gx + gy * gy);
  if (len <= 0) return {0, 0};
  return {gx / len, gy / len};
}

}  // namespace

void BevelBox(Canvas& c, double x0, double y0, double x1, double y1, double radius, double edge,
              const Paint& face, const Rgba& light, const Rgba& dark, bool sunken) {
  Sdf box = Box(x0, y0, x1, y1, radius);
  c.Fill(box, face);
  Sdf band = Subtract(box, Offset(box, -edge));
  c.Fill(band, [&](double x, double y) {
    Point n = EdgeNormal(box, x, y);
    // Edges facing the upper-left light are lit on a raised box.
    double facing = -(n.x * 0.6 + n.y * 0.8);
    if (sunken) facing = -facing;
    return Mix(dark, light, Clamp01(0.5 + 0.5 * facing * 1.4));
  });
}

void DropShadow(Canvas& c, const Sdf& shape, double dx, double dy, double blur, double opacity) {
  Canvas shadow(c.Width(), c.Height());
  shadow.Fill(Transformed(shape, Affine::Translate(dx, dy)), Rgba{0, 0, 0, 1});
  shadow.Blur(blur);
  c.Draw(shadow, 0, 0, opacity);
}

void Glow(Canvas& c, const Sdf& shape, const Rgba& colour, double blur, double opacity) {
  Canvas glow(c.Width(), c.Height());
  glow.Fill(shape, colour);
  glow.Blur(blur);
  c.Draw(glow, 0, 0, opacity);
}

void InfoButton(Canvas& c, double cx, double cy, double r, const InfoButtonStyle& s) {
  c.Fill(Circle(cx, cy, r),
         Linear(cx - r, cy - r, cx + r, cy + r, {{0.15, s.ringLight}, {0.85, s.ringDark}}));
  double face = r - Max(1.2, r * 0.16);
  c.Fill(Circle(cx, cy, face),
         Linear(cx, cy - face, cx, cy + face, {{0, s.faceTop}, {1, s.faceBottom}}));
  if (s.glossy) {
    c.Fill(Intersect(Circle(cx, cy, face - 0.4),
                     Ellipse(cx, cy - face * 0.45, face * 0.85, face * 0.55)),
           Linear(cx, cy - face, cx, cy, {{0, Rgba{1, 1, 1, 0.55}}, {1, Rgba{1, 1, 1, 0.0}}}));
  }
  double w = Max(1.5, r * 0.3);
  Sdf glyph = Union(Box(cx - w / 2, cy - r * 0.14, cx + w / 2, cy + r * 0.52, w * 0.15),
                    Circle(cx, cy - r * 0.43, w * 0.62));
  if (s.serifGlyph) {
    glyph =
        Union(glyph, Box(cx - w * 1.25, cy + r * 0.52 - w * 0.45, cx + w * 1.25, cy + r * 0.52));
    glyph = Union(glyph, Box(cx - w * 1.1, cy - r * 0.14, cx + w / 2, cy - r * 0.14 + w * 0.45));
  }
  c.Fill(glyph, s.glyph);
}

TextStyle SponsorStyle(double xHeight, double weight, double slant) {
  TextStyle t;
  t.xHeight = xHeight;
  t.weight = weight;
  t.slant = slant;
  t.tracking = 0.16;
  return t;
}

Canvas Shaken(const Canvas& paddle, double angleDegrees, uint32_t seed) {
  int w = paddle.Width(), h = paddle.Height();
  Canvas out(w, h);
  // A horizontal smear, as if the paddle were rattled from side to side.
  Canvas smear(w, h);
  constexpr int kCopies = 9;
  for (int i = 0; i < kCopies; ++i) {
    int dx = (i - kCopies / 2) * 2;
    smear.Draw(paddle, dx, 0, 1.0 / (1.0 + i * 0.35));
  }
  out.Draw(smear, 0, 0);
  out.Map([](const Rgba& p, int, int) { return Darken(p, 0.25); });
  Rng rng(seed);
  double a = angleDegrees * kPi / 180.0;
  // A ghost, the other way...
  out.DrawTransformed(
      paddle, Affine::Rotate(-a * 0.6, w / 2.0, h / 2.0).Then(Affine::Translate(-5, 1)), 0.45);
  // ...and the paddle itself, crooked and slightly jolted.
  double jx = rng.Range(2, 4), jy = rng.Range(-1, 1);
  out.DrawTransformed(paddle, Affine::Rotate(a, w / 2.0, h / 2.0).Then(Affine::Translate(jx, jy)),
                      0.92);
  return out;
}

Canvas Broken(const Canvas& picture, double splitX, const Rgba& gap, uint32_t seed,
              double roughness, const Rgba& edge) {
  int w = picture.Width(), h = picture.Height();
  Rng rng(seed);
  // The jagged break from top to bottom.
  std::vector<Point> path;
  int steps = h / 3 + 2;
  for (int i = 0; i <= steps; ++i) {
    double y = -1.0 + (h + 2.0) * i / steps;
    path.push_back({splitX + rng.Signed() * roughness + (i % 2 ? 1.5 : -1.5) * roughness * 0.5, y});
  }
  std::vector<Point> left{{-2, -1}}, right{{w + 2.0, -1}};
  for (const Point& p : path) left.push_back(p);
  left.push_back({-2, h + 1.0});
  for (const Point& p : path) right.push_back(p);
  right.push_back({w + 2.0, h + 1.0});
  Canvas leftHalf(w, h), rightHalf(w, h);
  Canvas leftMask(w, h), rightMask(w, h);
  leftMask.Fill(Polygon(left), Rgba{1, 1, 1, 1});
  rightMask.Fill(Polygon(right), Rgba{1, 1, 1, 1});
  leftHalf.Draw(picture, 0, 0);
  rightHalf.Draw(picture, 0, 0);
  if (edge.a > 0) {
    leftHalf.Fill(Polyline(path, 1.1), edge);
    rightHalf.Fill(Polyline(path, 1.1), edge);
  }
  leftHalf.Mask(leftMask);
  rightHalf.Mask(rightMask);
  Canvas out(w, h);
  out.Cover(Solid(gap));
  double a = 2.6 * kPi / 180.0;
  out.DrawTransformed(leftHalf, Affine::Rotate(-a, 0, h).Then(Affine::Translate(-3, 1)), 1.0);
  out.DrawTransformed(rightHalf, Affine::Rotate(a * 0.8, w, h).Then(Affine::Translate(3, 1)), 1.0);
  return out;
}

double Grain(double x, double y, double scale, uint32_t seed) {
  return Fbm(x / scale, y / scale, 4, seed);
}

}  // namespace resgen
