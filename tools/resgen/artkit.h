// Drawing helpers shared by the sheets' art: sphere lighting for balls,
// bevels and buttons for panels, the sponsor's lettering, tilt effects.
#pragma once

#include <functional>
#include <string_view>

#include "tools/resgen/canvas.h"
#include "tools/resgen/lettering.h"

namespace resgen {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
Vec3 Normalize(const Vec3& v);
double Dot(const Vec3& a, const Vec3& b);
// Rotation about an axis through the origin (axis need not be unit length).
struct Rotation {
  Rotation(const Vec3& axis, double radians);
  Vec3 Apply(const Vec3& v) const;
  double m[3][3];
};

// The light of every picture: from the upper left, in front.
Vec3 LightDirection();
double Diffuse(const Vec3& n);              // clamped Lambert term
double Specular(const Vec3& n, int power);  // Blinn-Phong highlight towards the viewer

// A ball of radius r at (cx, cy): `surface` gets the view-space normal
// (z towards the viewer) of each sample and returns its lit colour. A thin
// darker rim keeps the ball readable on light and dark desktops.
void DrawBall(Canvas& c, double cx, double cy, double r,
              const std::function<Rgba(const Vec3&)>& surface, double rimDarkness = 0.35);
// Plain shaded sphere colour: ambient + diffuse on `base`, white highlight.
Rgba LitColour(const Rgba& base, const Vec3& n, double ambient, double highlight, int power);

// A box with a raised (or, when `sunken`, pressed-in) edge of `edge` pixels.
void BevelBox(Canvas& c, double x0, double y0, double x1, double y1, double radius, double edge,
              const Paint& face, const Rgba& light, const Rgba& dark, bool sunken);
// A soft shadow of `shape` under it, offset by (dx, dy).
void DropShadow(Canvas& c, const Sdf& shape, double dx, double dy, double blur, double opacity);
// Glow around `shape`.
void Glow(Canvas& c, const Sdf& shape, const Rgba& colour, double blur, double opacity);

// The information button of a panel: a round button with an "i".
struct InfoButtonStyle {
  Rgba ringLight, ringDark;  // the rim, lit top-left to shaded bottom-right
  Rgba faceTop, faceBottom;  // the face's vertical gradient
  Rgba glyph;
  bool serifGlyph = false;
  bool glossy = true;
};
void InfoButton(Canvas& c, double cx, double cy, double r, const InfoButtonStyle& s);

// The lettering of the sponsor's name, "Vantoro".
constexpr std::string_view kSponsor = "Vantoro";
TextStyle SponsorStyle(double xHeight, double weight, double slant);

// The shaken paddle of a tilt picture: a motion-blurred smear of `paddle`
// under a crooked, jittered copy.
Canvas Shaken(const Canvas& paddle, double angleDegrees, uint32_t seed);
// `picture` split along a jagged line from top to bottom near x = splitX, the
// halves knocked askew, showing `gap` between them. The broken edges are
// drawn in `edge` (transparent for none).
Canvas Broken(const Canvas& picture, double splitX, const Rgba& gap, uint32_t seed,
              double roughness, const Rgba& edge = Rgba{});

// Value noise texture helpers in pixel units.
double Grain(double x, double y, double scale, uint32_t seed);

}  // namespace resgen
