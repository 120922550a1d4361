// The mouse: pointer movement steers the paddle, the right button pauses and
// resumes, the left button quits while paused or starts a waiting fire ball.
#include <cmath>
#include <string>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace {

// A fast sweep of the mouse makes the paddle animation run fast; it keeps that
// pace until a later move of more than 20 px sets another one.
void SetPaddleAnimationPace(tk::Timer& timer, float distance) {
  if (distance > 100)
    timer.SetInterval(10);
  else if (distance > 50)
    timer.SetInterval(100);
  else if (distance > 20)
    timer.SetInterval(200);
}

}  // namespace

void frmMain::picScreenshot_MouseMove(int16_t, int16_t, float x, float) {
  if (AutoActive) return;
  if (tmrPaddleTiltStopper.Enabled() || Paused) return;

  const float left = picPaddle.Left();
  SetPaddleAnimationPace(tmrAnimatePaddle, std::fabs(left - x));

  if (x > left)
    mdlLumbravick::PaddleStep = InvertActive ? -1 : 1;
  else if (x < left)
    mdlLumbravick::PaddleStep = InvertActive ? 1 : -1;

  const float width = picPaddle.Width(), surface = ScaleWidth();
  if (!InvertActive)
    picPaddle.SetLeft(x > surface - width ? surface - width : x);
  else
    picPaddle.SetLeft(surface - x > surface - width ? surface - width : surface - x);
}

void frmMain::picScreenshot_MouseUp(int16_t button, int16_t, float, float) {
  if (button == tk::kLeftButton) {
    if (Paused) Quit();
    if (FireBallReady) {
      mdlLumbravick::PlaySound(res::kSoundFireWhoosh);
      FireBallActive = true;
      tmrFireBall.SetEnabled(true);
      EffectPending = false;
    }
    return;
  }
  // Once the game is ending the right button neither pauses nor resumes it.
  if (button != tk::kRightButton || QuitStarted) return;
  mdlLumbravick::PlaySound(res::kSoundClick);
  if (!Paused) {
    // Where the ball stopped and where it was heading: whoever drives the
    // game from outside can tell whether resuming would lose it at once.
    tk::trace::Event("pause")
        .PairF("ball", picBall.Left(), picBall.Top())
        .Pair("dir", BallDirX, BallDirY)
        .PairF("paddle", picPaddle.Left(), picPaddle.Top());
    lblIconPixels.SetCaption("Pause");
    CursorShow();
    Paused = true;
  } else {
    lblIconPixels.SetCaption(std::to_string(IconPixels));
    CursorHide();
    Paused = false;
    GameLoop();
  }
}

void frmMain::picPaddle_Click() {
  if (!Paused) return;
  mdlLumbravick::PlaySound(res::kSoundClick);
  tk::OpenUrl(kMakerWebAddress);
}
