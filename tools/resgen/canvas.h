// A floating-point RGBA drawing surface with anti-aliased shapes.
//
// Shapes are signed distance functions (negative inside). Filling a shape
// samples it on a grid of sub-pixel points, so every edge is anti-aliased by
// supersampling; the paint is evaluated at the same points, so gradients and
// textures are smoothed too.
#pragma once

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "tools/resgen/mathx.h"

namespace resgen {

// Straight (not premultiplied) colour, each channel in [0, 1].
struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

Rgba Hex(uint32_t rgb, double alpha = 1.0);
Rgba Mix(const Rgba& x, const Rgba& y, double t);
Rgba Shade(const Rgba& c, double k);    // multiplies the colour channels
Rgba Lighten(const Rgba& c, double t);  // towards white
Rgba Darken(const Rgba& c, double t);   // towards black
Rgba WithAlpha(const Rgba& c, double a);
Rgba Grey(double v, double alpha = 1.0);
// Colour ramp through (position, colour) stops sorted by position.
Rgba Ramp(std::initializer_list<std::pair<double, Rgba>> stops, double t);

using Sdf = std::function<double(double, double)>;
using Paint = std::function<Rgba(double, double)>;

struct Point {
  double x = 0, y = 0;
};

// Maps (x, y) to (a*x + b*y + c, d*x + e*y + f).
struct Affine {
  double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;

  Point Apply(double x, double y) const { return {a * x + b * y + c, d * x + e * y + f}; }
  Affine Inverse() const;
  Affine Then(const Affine& next) const;  // this first, then next
  static Affine Translate(double dx, double dy);
  static Affine Scale(double sx, double sy, double cx = 0, double cy = 0);
  static Affine Rotate(double radians, double cx, double cy);
  static Affine ShearX(double k, double cy = 0);  // x += k * (y - cy)
};

Sdf Circle(double cx, double cy, double r);
Sdf Ellipse(double cx, double cy, double rx, double ry);
Sdf Box(double x0, double y0, double x1, double y1, double radius = 0);
Sdf Segment(double ax, double ay, double bx, double by, double halfWidth);
Sdf Polyline(std::vector<Point> points, double halfWidth);
Sdf Polygon(std::vector<Point> points);
Sdf Union(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);
Sdf Offset(Sdf s, double grow);      // grows outwards by `grow`
Sdf Shell(Sdf s, double halfWidth);  // an outline along the edge of `s`
// The shape `s` moved by `m` (distances stay exact for rigid motions and
// uniform scales; shears give a usable approximation).
Sdf Transformed(Sdf s, const Affine& m);

Paint Solid(const Rgba& c);
// Ramp along the line from (x0, y0) to (x1, y1).
Paint Linear(double x0, double y0, double x1, double y1,
             std::initializer_list<std::pair<double, Rgba>> stops);

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgba At(int x, int y) const;            // straight colour; transparent outside
  void Put(int x, int y, const Rgba& c);  // replaces the pixel

  // Paints `paint` where `shape` is negative, with anti-aliased edges.
  void Fill(const Sdf& shape, const Paint& paint, double opacity = 1.0, int samples = 5);
  void Fill(const Sdf& shape, const Rgba& colour, double opacity = 1.0, int samples = 5);
  // Paints the whole canvas (paint alpha is blended over what is there).
  void Cover(const Paint& paint, int samples = 3);
  // Blends one pixel over what is there.
  void Blend(int x, int y, const Rgba& c);
  // Composites `src` with its top-left corner at (dx, dy).
  void Draw(const Canvas& src, int dx, int dy, double opacity = 1.0);
  // Composites `src` moved by `m` (source to destination), bilinear, supersampled.
  void DrawTransformed(const Canvas& src, const Affine& m, double opacity = 1.0, int samples = 3);
  // Gaussian-like blur (three box passes), edges clamp to transparent.
  void Blur(double radius);
  // Every pixel with its colour replaced by `c`, keeping alpha (for shadows).
  void Tint(const Rgba& c);
  // Makes the canvas opaque over `background`.
  void Flatten(const Rgba& background);
  // Multiplies every pixel's alpha by `mask`'s alpha at the same place.
  void Mask(const Canvas& mask);
  // Edits every pixel in place: f(colour, x, y) -> colour.
  void Map(const std::function<Rgba(const Rgba&, int, int)>& f);

 private:
  struct Px {
    double r = 0, g = 0, b = 0, a = 0;  // premultiplied
  };
  void BlendPremul(int x, int y, const Px& p);
  // Blends a sum of samples scaled by `weight`; nothing when it is empty.
  void BlendAverage(int x, int y, Px sum, double weight);
  Px Sample(double x, double y) const;  // bilinear, premultiplied

  int width_ = 0, height_ = 0;
  std::vector<Px> px_;
};

}  // namespace resgen
