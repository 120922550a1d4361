// Losing a ball, and the ball's spin.
#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"
#include "toolkit/toolkit.h"

namespace {
constexpr uint32_t kLostBallFreezeMs = 500;
}  // namespace

void frmMain::LostBall() {
  mdlLumbravick::PlaySound(res::kSoundLostBall);
  game::Assign(BallsLeft, BallsLeft - 1);
  if (BallsLeft < 0) Quit();
  tk::Sleep(kLostBallFreezeMs);
  StartPos();
}

void frmMain::AnimateBall() {
  using namespace mdlLumbravick;
  if (FireBallActive) {
    game::ShowPictureIfLoaded(picBall, tk::LoadIconResource(res::kFireBallIconFirst + BallFrame));
    game::Assign(BallFrame, BallFrame + 1);
    if (BallFrame >= 9) BallFrame = 0;
    return;
  }
  game::Assign(BallFrame, BallFrame + BallStep);
  if (BallFrame >= BallFrameCount) BallFrame = 0;
  if (BallFrame == -1) BallFrame = static_cast<int16_t>(BallFrameCount - 1);
  if (picBallRes.Has(BallFrame)) picBall.SetPicture(picBallRes(BallFrame).GetPicture());
}

void frmMain::tmrAnimateBall_Timer() { AnimateBall(); }
