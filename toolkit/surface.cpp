#include "toolkit/surface.h"

#include <algorithm>

namespace tk {

Rect Rect::Intersect(const Rect& o) const {
  int left = std::max(x, o.x), top = std::max(y, o.y);
  int right = std::min(Right(), o.Right()), bottom = std::min(Bottom(), o.Bottom());
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

Rect Rect::Union(const Rect& o) const {
  if (Empty()) return o;
  if (o.Empty()) return *this;
  int left = std::min(x, o.x), top = std::min(y, o.y);
  int right = std::max(Right(), o.Right()), bottom = std::max(Bottom(), o.Bottom());
  return {left, top, right - left, bottom - top};
}

Surface::Surface(int width, int height, Color fill) { Resize(width, height), Fill(fill); }

void Surface::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<size_t>(width_) * height_, 0);
}

uint64_t Fingerprint(const Surface& s) {
  // FNV-1a over whole pixels, with a final mix so nearby pictures spread.
  uint64_t h = 0xCBF29CE484222325ull ^ (static_cast<uint64_t>(s.Width()) << 32 | s.Height());
  for (Color c : s.Pixels()) h = (h ^ c) * 0x100000001B3ull;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  return h ^ (h >> 33);
}

void Surface::Fill(Color c) { std::fill(pixels_.begin(), pixels_.end(), c & 0xFFFFFFu); }

void Surface::FillRect(const Rect& r, Color c) {
  Rect area = r.Intersect({0, 0, width_, height_});
  for (int y = area.y; y < area.Bottom(); ++y)
    std::fill(Row(y) + area.x, Row(y) + area.Right(), c & 0xFFFFFFu);
}

void Surface::CopyFrom(const Surface& from, const Rect& src, int dx, int dy) {
  Rect s = src.Intersect({0, 0, from.Width(), from.Height()});
  // Shift the destination by what the source clip removed, then clip it too.
  dx += s.x - src.x;
  dy += s.y - src.y;
  Rect d = Rect{dx, dy, s.w, s.h}.Intersect({0, 0, width_, height_});
  int ox = s.x + (d.x - dx), oy = s.y + (d.y - dy);
  for (int row = 0; row < d.h; ++row)
    std::copy_n(from.Row(oy + row) + ox, d.w, Row(d.y + row) + d.x);
}

PictureData::PictureData(int width, int height, std::vector<Argb> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
  pixels_.resize(static_cast<size_t>(std::max(width_, 0)) * std::max(height_, 0));
  opaque_ = std::all_of(pixels_.begin(), pixels_.end(), [](Argb p) { return (p >> 24) == 255; });
}

namespace {

Color Blend(Color under, Argb over) {
  unsigned a = over >> 24;
  if (a == 255) return over & 0xFFFFFFu;
  if (a == 0) return under;
  auto mix = [a](unsigned u, unsigned o) { return (o * a + u * (255 - a) + 127) / 255; };
  unsigned r = mix((under >> 16) & 255, (over >> 16) & 255);
  unsigned g = mix((under >> 8) & 255, (over >> 8) & 255);
  unsigned b = mix(under & 255, over & 255);
  return (r << 16) | (g << 8) | b;
}

}  // namespace

void DrawPicture(Surface& dst, const PictureData& pic, int x, int y, int w, int h,
                 const Rect& clip) {
  if (w <= 0 || h <= 0 || pic.Width() <= 0 || pic.Height() <= 0) return;
  Rect area = Rect{x, y, w, h}.Intersect(clip).Intersect({0, 0, dst.Width(), dst.Height()});
  bool unscaled = w == pic.Width() && h == pic.Height();
  for (int dy = area.y; dy < area.Bottom(); ++dy) {
    int sy = unscaled ? dy - y : static_cast<int>(static_cast<int64_t>(dy - y) * pic.Height() / h);
    Color* row = dst.Row(dy);
    for (int dx = area.x; dx < area.Right(); ++dx) {
      int sx = unscaled ? dx - x : static_cast<int>(static_cast<int64_t>(dx - x) * pic.Width() / w);
      row[dx] = Blend(row[dx], pic.At(sx, sy));
    }
  }
}

}  // namespace tk
