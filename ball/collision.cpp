// The referee: once per pass, before the ball moves, the first rule that
// matches is applied (a wall, the loss of the ball, the paddle's top or sides,
// the fire ball, an icon pixel) and the call ends.

#include "ball/ball.h"
#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"

namespace {

enum class Zone { None, Centre, Middle, Left, Right, LeftEnd, RightEnd };

struct Geometry {
  float BL, BT, BW, BH, BC, PL, PT, PW, PC, PIW, PIH, SW, SH;
};

Zone PaddleZone(const Geometry& g) {
  if (g.PC - 2.75f * g.BW < g.BC && g.BC < g.PC + 2.75f * g.BW) return Zone::Centre;
  if (g.PL + 2 * g.BW <= g.BC && g.BC <= g.PL + g.PIW - 2 * g.BW) return Zone::Middle;
  if (g.PL + g.BW <= g.BC && g.BC < g.PL + 2 * g.BW) return Zone::Left;
  if (g.PL + g.PW - 2 * g.BW < g.BC && g.BC <= g.PL + g.PW - g.BW) return Zone::Right;
  if (g.BL + g.BW - 1 >= g.PL && g.BC < g.PL + g.BW) return Zone::LeftEnd;
  if (g.BL + 1 <= g.PL + g.PW && g.BC > g.PL + g.PW - g.BW) return Zone::RightEnd;
  return Zone::None;
}

}  // namespace

void TurnBallBySector(int16_t& dirX, int16_t& dirY, int32_t i) {
  double at = static_cast<double>(i);
  if (at >= 2.875 && at < 8.625)
    dirY = 2;  // upper right
  else if (at >= 8.625 && at < 14.375)
    game::Assign(dirX, -dirX);  // right side
  else if (at >= 14.375 && at < 20.125)
    dirX = 2;  // lower right
  else if (at >= 20.125 && at < 25.875)
    game::Assign(dirY, -dirY);  // bottom
  else if (at >= 25.875 && at < 31.625)
    dirY = 2;  // lower left
  else if (at >= 31.625 && at < 37.375)
    game::Assign(dirX, -dirX);  // left side
  else if (at >= 37.375 && at < 43.125)
    game::Assign(dirX, -dirX), dirY = 1;  // upper left
  else
    game::Assign(dirY, -dirY);  // top
}

void frmMain::Collision() {
  Geometry g{};
  g.BL = picBall.Left();
  g.BT = picBall.Top();
  g.BW = picBall.Width();
  g.BH = picBall.Height();
  g.BC = g.BL + g.BW / 2;
  g.PL = picPaddle.Left();
  g.PT = picPaddle.Top();
  g.PW = picPaddle.Width();
  g.PC = g.PL + g.PW / 2;
  g.PIW = picPaddle.Width();
  g.PIH = picPaddle.Height();  // the paddle has no border
  g.SW = ScaleWidth();
  g.SH = ScaleHeight();

  if (g.BT <= 0) {
    picBall.SetTop(0);
    game::Assign(BallDirY, -BallDirY);
    mdlLumbravick::PlaySound(res::kSoundEdgeTick);
    return;
  }
  if (g.BL <= 0) {
    picBall.SetLeft(0);
    game::Assign(BallDirX, -BallDirX);
    mdlLumbravick::PlaySound(res::kSoundEdgeTick);
    return;
  }
  if (g.BT >= g.SH) {
    LostBall();
    return;
  }
  if (g.BL >= g.SW - g.BW) {
    picBall.SetLeft(g.SW - g.BW);
    game::Assign(BallDirX, -BallDirX);
    mdlLumbravick::PlaySound(res::kSoundEdgeTick);
    return;
  }

  // The paddle's top: the ball's bottom edge lies in a band from the paddle's
  // top edge to 20 pixels below it.
  if (g.BT >= g.PT - g.BH && g.BT + g.BH < g.PT + 21) {
    Zone zone = PaddleZone(g);
    float lifted = g.PT - g.BH - 1;
    switch (zone) {
      case Zone::Centre: {
        // 16-bit arithmetic: the sum may already overflow.
        int16_t faster = 0;
        if (game::Assign(faster, BallDirY + 1)) game::Assign(BallDirY, -faster);
        break;
      }
      case Zone::Middle:
        picBall.SetTop(lifted), game::Assign(BallDirY, -BallDirY);
        break;
      case Zone::Left:
        picBall.SetTop(lifted), BallDirX = -4, BallDirY = -1;
        break;
      case Zone::Right:
        picBall.SetTop(lifted), BallDirX = 4, BallDirY = -1;
        break;
      case Zone::LeftEnd:
        picBall.SetTop(lifted), BallDirX = -8, BallDirY = -1;
        break;
      case Zone::RightEnd:
        picBall.SetTop(lifted), BallDirX = 8, BallDirY = -1;
        break;
      case Zone::None:
        break;
    }
    if (zone != Zone::None) {
      mdlLumbravick::PlaySound(res::kSoundPaddleKnock);
      return;
    }
  }

  if (g.BT + g.BH >= g.PT && g.BT <= g.PT + g.PIH) {
    bool leftSide = g.BL + g.BW + 3 >= g.PL && g.BL < g.PL + 10;
    bool rightSide = g.BL - 3 <= g.PL + g.PIW && g.BL > g.PL - 10;
    if (leftSide || rightSide) {
      game::Assign(BallDirX, -BallDirX);
      mdlLumbravick::PlaySound(res::kSoundPaddleKnock);
      return;
    }
  }

  if (FireBallActive) {
    Explosion();
    return;
  }

  const tk::Surface& with = picScreenshot.Image();
  const tk::Surface& without = picScreenshotNoIcons.Image();
  for (EdgeIndex = 0; EdgeIndex <= 43; ++EdgeIndex) {
    const BallEdgePoint& p = BallEdges[static_cast<size_t>(EdgeIndex)];
    // Sample positions are rounded to the nearest pixel, halves to even.
    int x = tk::RoundPixel(g.BL + p.X, tk::Halves::ToEven);
    int y = tk::RoundPixel(g.BT + p.Y, tk::Halves::ToEven);
    if (with.Get(x, y) == without.Get(x, y)) continue;
    game::Assign(HitX, x);
    game::Assign(HitY, y);
    mdlLumbravick::PlaySound(res::kSoundPixelCrack);
    TurnBallBySector(BallDirX, BallDirY, EdgeIndex);
    Exploding = true;
    Explosion();
    Exploding = false;
    SpawnPowerUp(HitX, HitY);
    return;
  }
}
