#include "tools/sim/autopilot.h"

#include "game/frmMain.h"

namespace sim {

std::optional<std::pair<int, int>> FollowBall() {
  frmMain* w = MainWindow();
  if (!w) return std::nullopt;
  const float surface = w->ScaleWidth();
  // The pointer's x is the paddle's left edge (mirrored while inverted).
  float left = w->picBall.Left() + w->picBall.Width() / 2 - w->picPaddle.Width() / 2;
  float x = w->InvertActive ? surface - left : left;
  int px = static_cast<int>(x < 0 ? 0 : (x > surface - 1 ? surface - 1 : x));
  int height = static_cast<int>(w->ScaleHeight());
  for (int y : {height / 2, height / 3, height / 4, height * 2 / 3, 8, height / 8})
    if (w->HitTest(px, y) == &w->picScreenshot) return std::make_pair(px, y);
  return std::make_pair(px, height / 2);
}

}  // namespace sim
