#include "toolkit/desktop_pictures.h"

#include <algorithm>

#include "toolkit/trace.h"

namespace tk {

int64_t CountDifferentPixels(const Surface& a, const Surface& b) {
  const int w = std::min(a.Width(), b.Width()), h = std::min(a.Height(), b.Height());
  const int64_t whole =
      static_cast<int64_t>(std::max(a.Width(), b.Width())) * std::max(a.Height(), b.Height());
  int64_t same = 0;
  for (int y = 0; y < h; ++y) {
    const Color *ra = a.Row(y), *rb = b.Row(y);
    for (int x = 0; x < w; ++x) same += ra[x] == rb[x];
  }
  return whole - same;
}

bool BelongsToScreen(const Surface& iconFree, const Surface& withIcons) {
  if (iconFree.Empty() || withIcons.Empty()) return false;
  const int64_t area = static_cast<int64_t>(withIcons.Width()) * withIcons.Height();
  return CountDifferentPixels(iconFree, withIcons) * 2 <= area;
}

int64_t TakeIconFreeOutsideWorkArea(Surface& withIcons, const Surface& iconFree,
                                    const Rect& workArea, const std::vector<Rect>& hiddenWindows) {
  if (workArea.Empty()) return 0;  // no work area known: nothing is outside it
  const int w = std::min(withIcons.Width(), iconFree.Width());
  const int h = std::min(withIcons.Height(), iconFree.Height());
  int64_t changed = 0;
  for (int y = 0; y < h; ++y) {
    Color* row = withIcons.Row(y);
    const Color* free = iconFree.Row(y);
    for (int x = 0; x < w; ++x) {
      if (row[x] == free[x] || workArea.Contains(x, y)) continue;
      if (std::any_of(hiddenWindows.begin(), hiddenWindows.end(),
                      [&](const Rect& r) { return r.Contains(x, y); }))
        continue;
      row[x] = free[x];
      ++changed;
    }
  }
  return changed;
}

void TraceIconFreePicture(const char* source, bool staleRootPixmap, const Rect& workArea,
                          int hiddenDocks, int64_t maskedPixels) {
  trace::Event("icon_free")
      .Str("source", source)
      .Bool("stale_root_pixmap", staleRootPixmap)
      .Pair("work_area_at", workArea.x, workArea.y)
      .Pair("work_area_size", workArea.w, workArea.h)
      .Int("hidden_docks", hiddenDocks)
      .Int("masked_pixels", maskedPixels);
}

Rect PlaceWallpaper(WallpaperFill fill, int pictureW, int pictureH, int screenW, int screenH) {
  if (fill == WallpaperFill::Colour || pictureW <= 0 || pictureH <= 0) return {};
  int64_t w = pictureW, h = pictureH;
  switch (fill) {
    case WallpaperFill::Stretch:
      w = screenW;
      h = screenH;
      break;
    case WallpaperFill::Fit:
    case WallpaperFill::Zoom: {
      // The full height at the picture's proportions, whole pixels rounded
      // down; where that is too wide (Fit) or too narrow (Zoom), the full
      // width instead.
      const int64_t widthAtFullHeight = static_cast<int64_t>(screenH) * pictureW / pictureH;
      const bool fullHeight =
          fill == WallpaperFill::Fit ? widthAtFullHeight <= screenW : widthAtFullHeight >= screenW;
      if (fullHeight) {
        w = widthAtFullHeight;
        h = screenH;
      } else {
        w = screenW;
        h = static_cast<int64_t>(screenW) * pictureH / pictureW;
      }
      break;
    }
    case WallpaperFill::Tile:
      return {0, 0, pictureW, pictureH};
    default:
      break;
  }
  // Centred; an odd remainder leaves the extra pixel on the right and bottom.
  return {static_cast<int>((screenW - w) / 2), static_cast<int>((screenH - h) / 2),
          static_cast<int>(w), static_cast<int>(h)};
}

void ComposeWallpaper(Surface& out, WallpaperFill fill, const PictureData* picture,
                      const Rect& place, Color background) {
  out.Fill(background);
  if (!picture || place.Empty() || fill == WallpaperFill::Colour) return;
  const Rect whole{0, 0, out.Width(), out.Height()};
  if (fill != WallpaperFill::Tile) {
    DrawPicture(out, *picture, place.x, place.y, place.w, place.h, whole);
    return;
  }
  for (int y = place.y; y < out.Height(); y += place.h)
    for (int x = place.x; x < out.Width(); x += place.w)
      DrawPicture(out, *picture, x, y, place.w, place.h, whole);
}

}  // namespace tk
