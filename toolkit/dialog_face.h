// How a dialog draws and sizes its controls, decided once for every backend:
// the border of a picture box and how far an auto-sized label may grow.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/surface.h"

namespace tk {

// A picture box larger than what it shows keeps its border in the margin:
// two pixels or more on each side give the sunken edge, one a flat line.
enum class PictureBorder { None, Flat, Sunken };
PictureBorder PictureBoxBorder(const PictureBox& box);
int BorderWidth(PictureBorder border);

// The picture box as the dialog shows it, the size of its box: the border,
// and inside it the persistent image (or else the picture) at the top left
// on the box's back colour.
Surface PictureBoxFace(const PictureBox& box);

// The widest an auto-sized label grows before its text wraps: to the client
// area's right edge less the margin it keeps on the left (at most 8 pixels),
// so that no text runs out of a window the player cannot make larger.
int AutoSizeLabelLimit(const Label& label);

}  // namespace tk
