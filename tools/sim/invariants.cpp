#include "tools/sim/invariants.h"

#include <cstdint>

#include "game/frmMain.h"

namespace sim {

namespace {

std::string At(int x, int y) {
  return " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

}  // namespace

std::string CheckIconPixels(const frmMain& window, const tk::Surface& withIcons,
                            const tk::Surface& withoutIcons) {
  const tk::Surface& shown = window.picScreenshot.Image();
  const tk::Surface& clean = window.picScreenshotNoIcons.Image();
  const int w = withIcons.Width(), h = withIcons.Height();
  if (shown.Width() != w || shown.Height() != h || clean.Width() != w || clean.Height() != h)
    return "a capture is not the size of the desktop";
  int64_t differing = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      tk::Color now = shown.Get(x, y), icon = withIcons.Get(x, y),
                wallpaper = withoutIcons.Get(x, y);
      if (clean.Get(x, y) != wallpaper) return "the capture without icons changed" + At(x, y);
      if (now != icon && now != wallpaper)
        return "a pixel is neither the icon's nor the wallpaper's colour" + At(x, y);
      bool counted = window.IconPixelsDone || x < window.ScanColumn;
      if (now != wallpaper && counted) ++differing;
    }
  }
  if (differing != window.IconPixels)
    return "IconPixels is " + std::to_string(window.IconPixels) + " but " +
           std::to_string(differing) + " pixels differ";
  return "";
}

}  // namespace sim
