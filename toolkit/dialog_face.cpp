#include "toolkit/dialog_face.h"

#include <algorithm>

namespace tk {

namespace {

// The classic three-dimensional edge: light from the top left.
constexpr Color kShadow = Rgb(128, 128, 128);
constexpr Color kDarkShadow = Rgb(64, 64, 64);
constexpr Color kLight = Rgb(212, 208, 200);
constexpr Color kHighlight = Rgb(255, 255, 255);

// The width and height of what the box shows; 0 x 0 for nothing.
void ContentSize(const PictureBox& box, int& w, int& h) {
  w = h = 0;
  if (!box.Image().Empty()) {
    w = box.Image().Width();
    h = box.Image().Height();
  } else if (const Picture& p = box.GetPicture()) {
    w = p->Width();
    h = p->Height();
  }
}

// One ring of the edge, `inset` pixels in: `topLeft` along the top and left
// sides, `bottomRight` along the others.
void Ring(Surface& s, int inset, Color topLeft, Color bottomRight) {
  const int right = s.Width() - 1 - inset, bottom = s.Height() - 1 - inset;
  if (right < inset || bottom < inset) return;
  s.FillRect({inset, bottom, right - inset + 1, 1}, bottomRight);
  s.FillRect({right, inset, 1, bottom - inset + 1}, bottomRight);
  s.FillRect({inset, inset, right - inset, 1}, topLeft);
  s.FillRect({inset, inset, 1, bottom - inset}, topLeft);
}

}  // namespace

PictureBorder PictureBoxBorder(const PictureBox& box) {
  int w = 0, h = 0;
  ContentSize(box, w, h);
  if (w == 0) return PictureBorder::None;
  const Rect r = box.FormRect();
  const int margin = std::min(r.w - w, r.h - h) / 2;
  if (margin >= 2) return PictureBorder::Sunken;
  return margin == 1 ? PictureBorder::Flat : PictureBorder::None;
}

int BorderWidth(PictureBorder border) {
  switch (border) {
    case PictureBorder::Sunken:
      return 2;
    case PictureBorder::Flat:
      return 1;
    case PictureBorder::None:
      break;
  }
  return 0;
}

Surface PictureBoxFace(const PictureBox& box) {
  const Rect r = box.FormRect();
  Surface face(std::max(r.w, 1), std::max(r.h, 1), box.BackColor);
  const PictureBorder border = PictureBoxBorder(box);
  const int b = BorderWidth(border);
  const Rect inside{b, b, face.Width() - 2 * b, face.Height() - 2 * b};
  if (!box.Image().Empty()) {
    face.CopyFrom(box.Image(), {0, 0, inside.w, inside.h}, b, b);
  } else if (const Picture& p = box.GetPicture()) {
    DrawPicture(face, *p, b, b, p->Width(), p->Height(), inside);
  }
  if (border == PictureBorder::Sunken) {
    Ring(face, 0, kShadow, kHighlight);
    Ring(face, 1, kDarkShadow, kLight);
  } else if (border == PictureBorder::Flat) {
    Ring(face, 0, kShadow, kShadow);
  }
  return face;
}

int AutoSizeLabelLimit(const Label& label) {
  const Rect r = label.FormRect();
  const int margin = std::clamp(r.x, 0, 8);
  return std::max(static_cast<int>(label.Owner().ScaleWidth()) - r.x - margin, 1);
}

}  // namespace tk
