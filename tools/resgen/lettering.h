// The lettering of the pictures: a small stroke alphabet drawn as anti-aliased
// shapes at any size, upright or slanted, with or without slab serifs.
#pragma once

#include <string_view>

#include "tools/resgen/canvas.h"

namespace resgen {

struct TextStyle {
  double xHeight = 10;     // pixels from the baseline to the top of an 'x' (stroke centres)
  double weight = 2;       // stroke width in pixels
  double slant = 0;        // italic shear: x moves by slant * height above the baseline
  double tracking = 0.18;  // extra space between letters, in x-heights
  double penAspect = 1;    // >1 makes vertical strokes thicker than horizontal ones
  bool serifs = false;     // slab serifs at the ends of stems
};

// Width in pixels from the left of the first letter to the right of the last.
double TextWidth(std::string_view text, const TextStyle& style);
// The shape of `text` with its baseline at y and its left edge at x.
// Letters available: A V a i n o r t ? and space.
Sdf TextShape(std::string_view text, double x, double baseline, const TextStyle& style);
// `text` centred on (cx, baseline).
Sdf TextShapeCentred(std::string_view text, double cx, double baseline, const TextStyle& style);

}  // namespace resgen
