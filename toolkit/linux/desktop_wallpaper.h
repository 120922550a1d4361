// The wallpaper of a desktop that draws it in the same window as its icons
// (and leaves no wallpaper pixmap on the root), rendered from the desktop's
// own setting: the picture without icons cannot be photographed there, since
// taking the window away takes the wallpaper with it.
//
// Known desktops: pcmanfm-qt (settings.conf of its profile, and the scaled
// copy it keeps in its cache folder, which is exactly what it shows).
#pragma once

#include <string>
#include <vector>

#include "toolkit/desktop_pictures.h"
#include "toolkit/surface.h"

namespace tk::gtkx {

struct WallpaperSetting {
  std::string file;  // the picture; unused for WallpaperFill::Colour
  WallpaperFill fill = WallpaperFill::Colour;
  Color background = 0;
  // A copy of the picture the desktop scaled itself, and the picture it was
  // made from: used where it fits the screen, since another scaler's
  // rounding would make every pixel a brick.
  std::string scaledCopy, scaledCopyOrigin;
};

// The profile pcmanfm-qt runs with, from its command line (--profile=NAME,
// --profile NAME, -p NAME); "default" when none is named.
std::string PcmanfmQtProfile(const std::vector<std::string>& args);

// Reads the wallpaper setting of pcmanfm-qt's `profile`: the user's file
// under `configHome`, else the first of `systemConfigDirs` that has one; the
// scaled copy under `cacheHome`. False when there is no setting or it names
// something this renderer does not draw (a wallpaper for each monitor, a
// transformed picture).
bool ReadPcmanfmQtSetting(const std::string& profile, const std::string& configHome,
                          const std::vector<std::string>& systemConfigDirs,
                          const std::string& cacheHome, WallpaperSetting& out);

// Draws the wallpaper as the desktop shows it on a screen of `out`'s size.
// False when the picture cannot be read.
bool RenderWallpaper(const WallpaperSetting& setting, Surface& out);

// The setting of the desktop program run as `args` (its command line), for
// the current user's folders. False for a desktop this renderer does not know.
bool FindDesktopWallpaper(const std::vector<std::string>& args, WallpaperSetting& out);

}  // namespace tk::gtkx
