// Where icon pixels are destroyed: each one is painted, in the visible
// capture, with the wallpaper colour of the capture without icons.
#include <string>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"

namespace {

// Positions around the ball are whole pixels, halves to even.
constexpr tk::Halves kBallRounding = tk::Halves::ToEven;
// The square in front of a hit reaches this far from the hit point.
constexpr int kHitReach = 30;

}  // namespace

void frmMain::Explosion() {
  if (!IconPixelsDone) return;
  tk::Surface& with = picScreenshot.Image();
  const tk::Surface& without = picScreenshotNoIcons.Image();

  if (FireBallActive) {
    // The square under the ball, 17 x 17 positions.
    const float BL = picBall.Left(), BT = picBall.Top();
    const int BW = tk::RoundPixel(picBall.Width(), kBallRounding);
    const int BH = tk::RoundPixel(picBall.Height(), kBallRounding);
    const tk::Rect square{tk::RoundPixel(BL, kBallRounding), tk::RoundPixel(BT, kBallRounding),
                          BW + 1, BH + 1};
    bool sounded = false;
    for (int x = 0; x <= BW; ++x) {
      for (int y = 0; y <= BH; ++y) {
        int px = tk::RoundPixel(BL + x, kBallRounding), py = tk::RoundPixel(BT + y, kBallRounding);
        tk::Color wallpaper = without.Get(px, py);
        if (with.Get(px, py) == wallpaper) continue;
        if (!sounded) {
          mdlLumbravick::PlaySound(res::kSoundFireCrackle);
          sounded = true;
        }
        IconPixels -= 1;
        if (IconPixels <= 0) Quit();
        with.Set(px, py, wallpaper);
        // Marked after the change: the sound's yield repaints what is marked.
        picScreenshot.InvalidateImage(square);
      }
    }
    return;
  }

  // The square in front of the hit point, on the side the ball now travels to.
  const int sx = BallDirX > 0 ? 1 : -1, sy = BallDirY > 0 ? 1 : -1;
  const int hx = HitX, hy = HitY;
  picScreenshot.InvalidateImage(
      {sx > 0 ? hx : hx - kHitReach, sy > 0 ? hy : hy - kHitReach, kHitReach + 1, kHitReach + 1});
  for (int dx = 0; dx != (kHitReach + 1) * sx; dx += sx) {
    for (int dy = 0; dy != (kHitReach + 1) * sy; dy += sy) {
      int px = hx + dx, py = hy + dy;
      tk::Color wallpaper = without.Get(px, py);
      if (with.Get(px, py) != wallpaper) IconPixels -= 1;
      with.Set(px, py, wallpaper);
      if (IconPixels <= 0) Quit();
      if (IconPixels <= SpeedUpMark / 1.25 && LoopDelay > 1) {
        LoopDelay -= 1;
        SpeedUpMark = IconPixels;
      }
    }
  }
  if (!InvertActive && !AutoActive) lblIconPixels.SetCaption(std::to_string(IconPixels));
}
