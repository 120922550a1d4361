// Rules for the picture of the desktop without its icons, whatever way a
// backend got it (a wallpaper pixmap, the desktop's own wallpaper setting, the
// screen with the icon window taken away), and for the desktop parts that are
// no windows.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/surface.h"

namespace tk {

// Pixels at which two pictures differ as whole 24-bit colours. Where only one
// of them reaches, the pixels count as different.
int64_t CountDifferentPixels(const Surface& a, const Surface& b);

// Whether a picture of the desktop without icons can belong to the screen
// photographed with icons: icons never cover half of the screen, so a picture
// that disagrees with more than half of it shows something else (a wallpaper
// pixmap another program left behind, a setting the desktop does not show).
bool BelongsToScreen(const Surface& iconFree, const Surface& withIcons);

// A panel drawn by the compositor is no window that can be hidden: it stays in
// the capture with icons and would become bricks. Outside the work area,
// except where a hidden window stood (what the screen showed there is the
// desktop itself), the capture with icons takes the icon-free picture's
// pixels. Returns how many pixels changed.
int64_t TakeIconFreeOutsideWorkArea(Surface& withIcons, const Surface& iconFree,
                                    const Rect& workArea, const std::vector<Rect>& hiddenWindows);

// Tells the flight recorder how the picture without icons was made
// ("icon_free"): its `source`, whether a wallpaper pixmap was found stale, the
// work area and how many pixels outside it the capture with icons took over.
void TraceIconFreePicture(const char* source, bool staleRootPixmap, const Rect& workArea,
                          int hiddenDocks, int64_t maskedPixels);

// How a desktop lays its wallpaper picture on the screen.
enum class WallpaperFill {
  Colour,   // no picture: the background colour only
  Stretch,  // scaled to the screen, proportions lost
  Fit,      // scaled to fit inside, centred, background colour around
  Zoom,     // scaled to cover the screen, centred, the overhang cut off
  Centre,   // as it is, centred
  Tile,     // as it is, repeated from the top-left corner
};

// Where the picture lies on a screen of `screenW` x `screenH` and the size it
// is scaled to (x and y may be negative: zoomed or centred pictures larger
// than the screen). Empty for Colour or an empty picture.
Rect PlaceWallpaper(WallpaperFill fill, int pictureW, int pictureH, int screenW, int screenH);

// Fills `out` with `background` and draws `picture`, already scaled to
// `place`'s size, at `place` (repeated from there over the whole surface for
// Tile), blending by its alpha.
void ComposeWallpaper(Surface& out, WallpaperFill fill, const PictureData* picture,
                      const Rect& place, Color background);

}  // namespace tk
