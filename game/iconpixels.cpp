// The icon-pixel map: a pixel is an icon pixel while the two captures differ
// there. The count is built one screen column per main-loop pass, so the game
// starts at once instead of after a full-screen scan.
#include <string>

#include "game/frmMain.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace {

const std::string kWallpaperWarningTitle = "Wallpaper settings";
const std::string kWallpaperWarningText =
    "We have detected a very high number of icon pixels. This is probably not normal. The cause of "
    "this effect could be your desktop wallpaper setting. Be sure you don't have an "
    "HTML-Wallpaper, "
    "because it wouldn't work. If so, please change your wallpaper settings to a picture (*.bmp, "
    "*.jpg, etc.) to play the game.\r\n\r\n"
    "Another reason could be, that your system is currently to slow and wasn't able to close all "
    "open windows. Close some applications, try it later or restart your system.\r\n\r\n"
    "Do you want to play anyway?";

// Icon pixels of one column. A column outside the captures counts nothing.
int32_t CountColumn(const tk::Surface& with, const tk::Surface& without, int32_t x, int height) {
  int32_t found = 0;
  for (int y = 0; y < height; ++y)
    if (with.Get(x, y) != without.Get(x, y)) ++found;
  return found;
}

}  // namespace

void frmMain::GetIconPixels() {
  if (IconPixelsDone) return;
  const double width = ScaleWidth(), height = ScaleHeight();
  if (width < ScanColumn) {
    IconPixelsDone = true;
    lblIconPixels.SetCaption(std::to_string(IconPixels));
    IconPixelsTotal = IconPixels;
    SpeedUpMark = IconPixels;
    // From here on a pass sleeps: the ball flies at its playing speed.
    tk::trace::Event("scan_done").Int("icon_pixels", IconPixels);
    if (IconPixels >= width * height - 1000) {
      tk::MsgBoxResult answer = tk::MsgBox(kWallpaperWarningText, tk::MsgBoxButtons::YesNo,
                                           tk::MsgBoxIcon::Critical, kWallpaperWarningTitle);
      if (answer == tk::MsgBoxResult::No) Quit();
    }
  }
  IconPixels += CountColumn(picScreenshot.Image(), picScreenshotNoIcons.Image(), ScanColumn,
                            static_cast<int>(height));
  ScanColumn += 1;
  lblIconPixels.SetCaption(std::to_string(IconPixels));
}

void frmMain::lblIconPixels_Change() {
  lblIconPixels.SetLeft(picDisplay.Width() / 2 - lblIconPixels.Width() / 2);
}
