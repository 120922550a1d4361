// Pixel surfaces and pictures.
//
// A Surface is an exact, opaque 24-bit image (the desktop captures, the composed
// play surface). A Picture is what a control shows: a bitmap or an icon, with an
// alpha channel so icons keep their transparent corners.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace tk {

// 0x00RRGGBB. The top byte is always zero in a Surface, so two colours compare
// as whole 24-bit values with a plain ==.
using Color = uint32_t;

// What reading a position outside a surface yields. It is the same for every
// surface, so a position outside two captures never counts as a difference.
constexpr Color kInvalidColor = 0xFFFFFFFFu;

constexpr Color Rgb(int r, int g, int b) {
  return (static_cast<Color>(r & 255) << 16) | (static_cast<Color>(g & 255) << 8) |
         static_cast<Color>(b & 255);
}

// Whole pixels from single-precision positions. Two rules are in use, and
// each caller names its own: the toolkit places controls with halves away
// from zero; the game's own conversions (the ball's edge samples, the square
// under the fire ball, the parked pointer) take halves to the even neighbour.
enum class Halves { AwayFromZero, ToEven };
inline int RoundPixel(float v, Halves halves) {
  if (halves == Halves::ToEven) return static_cast<int>(std::nearbyint(v));
  return static_cast<int>(std::lround(v));
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;

  bool Empty() const { return w <= 0 || h <= 0; }
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
  Rect Intersect(const Rect& o) const;
  Rect Union(const Rect& o) const;  // bounding box; an empty side is ignored
  bool operator==(const Rect&) const = default;
};

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, Color fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  bool Inside(int x, int y) const {
    return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
           static_cast<unsigned>(y) < static_cast<unsigned>(height_);
  }
  Color Get(int x, int y) const { return Inside(x, y) ? pixels_[Index(x, y)] : kInvalidColor; }
  // Writing outside the surface, or writing the invalid colour, changes nothing.
  void Set(int x, int y, Color c) {
    if (Inside(x, y) && c != kInvalidColor) pixels_[Index(x, y)] = c & 0xFFFFFFu;
  }

  Color* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const Color* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const std::vector<Color>& Pixels() const { return pixels_; }

  void Resize(int width, int height);  // contents become black
  void Fill(Color c);
  void FillRect(const Rect& r, Color c);
  // Copies the block `src` of `from` to (dx, dy), clipped to both surfaces.
  void CopyFrom(const Surface& from, const Rect& src, int dx, int dy);

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }

  int width_ = 0, height_ = 0;
  std::vector<Color> pixels_;
};

// A 64-bit digest of a surface's size and pixels: two surfaces with the same
// fingerprint hold the same picture, but for a chance of one in 2^64. Lets a
// picture be compared with one that is no longer kept.
uint64_t Fingerprint(const Surface& s);

// 0xAARRGGBB, straight (not premultiplied) alpha.
using Argb = uint32_t;

// An immutable decoded picture. Bitmaps are fully opaque; icons carry the
// transparency of their mask or alpha channel.
class PictureData {
 public:
  PictureData(int width, int height, std::vector<Argb> pixels);
  int Width() const { return width_; }
  int Height() const { return height_; }
  Argb At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const std::vector<Argb>& Pixels() const { return pixels_; }
  bool Opaque() const { return opaque_; }

 private:
  int width_, height_;
  std::vector<Argb> pixels_;
  bool opaque_;
};

// Shared, cheap to copy; a null Picture is "no picture".
using Picture = std::shared_ptr<const PictureData>;

// Draws `pic` with its top-left corner at (x, y), stretched to w x h, blending
// by alpha, clipped to `clip` and to the surface.
void DrawPicture(Surface& dst, const PictureData& pic, int x, int y, int w, int h,
                 const Rect& clip);

}  // namespace tk
