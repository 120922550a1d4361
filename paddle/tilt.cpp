// The paddle's animation and its shake, the penalty of a caught tilt power-up.
#include <string>

#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"
#include "stylesheets/catalogue.h"
#include "toolkit/toolkit.h"

namespace {
constexpr int kShakeStep = 5;
}  // namespace

void frmMain::AnimatePaddle() {
  using namespace mdlLumbravick;
  if (AdvancePaddleFrame() && picPaddleRes.Has(PaddleFrame))
    picPaddle.SetPicture(picPaddleRes(PaddleFrame).GetPicture());
}

void frmMain::tmrAnimatePaddle_Timer() { AnimatePaddle(); }

void frmMain::StartPaddleTilt() {
  mdlLumbravick::PlaySound(res::kSoundCatchOther);
  tmrAnimatePaddle.SetEnabled(false);
  game::ShowPictureIfLoaded(picPaddle, tk::LoadBitmapResource(PaddleBitmapNumber(
                                           mdlLumbravick::StyleSheet, res::kPaddleTiltSlot)));
  tmrPaddleTilt.SetEnabled(true);
  tmrPaddleTiltStopper.SetEnabled(true);
}

void frmMain::tmrPaddleTilt_Timer() {
  mdlLumbravick::PlaySound(res::kSoundRattle);
  picPaddle.SetLeft(picPaddle.Left() + TiltStep * kShakeStep);
  game::Assign(TiltStep, -TiltStep);
}

void frmMain::tmrPaddleTiltStopper_Timer() {
  tmrPaddleTilt.SetEnabled(false);
  tmrPaddleTiltStopper.SetEnabled(false);
  tmrAnimatePaddle.SetEnabled(true);
  game::ShowPictureIfLoaded(
      picPaddle, tk::LoadBitmapResource(PaddleBitmapNumber(mdlLumbravick::StyleSheet, 0)));
}
