#include "toolkit/linux/gtk_peers.h"

#include <cmath>

#include "toolkit/controls.h"

namespace tk::gtkx {

// ---- pixbufs ----------------------------------------------------------------------

GdkPixbuf* PixbufFromPicture(const PictureData& picture) {
  GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, picture.Width(), picture.Height());
  if (!pb) return nullptr;
  guchar* pixels = gdk_pixbuf_get_pixels(pb);
  int stride = gdk_pixbuf_get_rowstride(pb);
  for (int y = 0; y < picture.Height(); ++y) {
    guchar* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
    for (int x = 0; x < picture.Width(); ++x) {
      Argb p = picture.At(x, y);
      row[x * 4] = static_cast<guchar>(p >> 16);
      row[x * 4 + 1] = static_cast<guchar>(p >> 8);
      row[x * 4 + 2] = static_cast<guchar>(p);
      row[x * 4 + 3] = static_cast<guchar>(p >> 24);
    }
  }
  return pb;
}

GdkPixbuf* PixbufFromSurface(const Surface& surface) {
  if (surface.Empty()) return nullptr;
  GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, surface.Width(), surface.Height());
  if (!pb) return nullptr;
  guchar* pixels = gdk_pixbuf_get_pixels(pb);
  int stride = gdk_pixbuf_get_rowstride(pb);
  for (int y = 0; y < surface.Height(); ++y) {
    guchar* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
    const Color* src = surface.Row(y);
    for (int x = 0; x < surface.Width(); ++x) {
      row[x * 3] = static_cast<guchar>(src[x] >> 16);
      row[x * 3 + 1] = static_cast<guchar>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<guchar>(src[x]);
    }
  }
  return pb;
}

int16_t ToolkitButton(guint button) {
  switch (button) {
    case 1:
      return kLeftButton;
    case 2:
      return kMiddleButton;
    case 3:
      return kRightButton;
    default:
      return 0;
  }
}

int WholePixel(double v) { return static_cast<int>(std::floor(v)); }

PointerAction ButtonAction(GdkEventType type) {
  return type == GDK_BUTTON_PRESS ? PointerAction::Down : PointerAction::Up;
}

}  // namespace tk::gtkx
