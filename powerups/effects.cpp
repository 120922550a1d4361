// The timed effects: fire ball, inverted control and the auto paddle. All
// three count down one shared value, once a second per running timer.
#include <string>

#include "game/checked.h"
#include "game/frmMain.h"
#include "toolkit/toolkit.h"

namespace {

constexpr int kPointerParkY = 100;

// Puts the pointer on the paddle's left edge so the next movement carries on
// from where the effect left the paddle.
void ParkPointerOnPaddle(frmMain& w) {
  tk::SetCursorPos(tk::RoundPixel(w.picPaddle.Left(), tk::Halves::ToEven), kPointerParkY);
}

}  // namespace

void frmMain::tmrFireBall_Timer() {
  FireBallReady = false;
  game::Assign(EffectSeconds, EffectSeconds - 1);
  lblIconPixels.SetCaption(std::to_string(EffectSeconds));
  if (EffectSeconds <= 0) {
    EffectPending = false;
    EffectSeconds = kEffectSeconds;
    tmrFireBall.SetEnabled(false);
    FireBallActive = false;
    imgPowerUpDisplay.SetPicture(nullptr);
    lblIconPixels.SetCaption(std::to_string(IconPixels));
  }
}

void frmMain::tmrInvert_Timer() {
  game::Assign(EffectSeconds, EffectSeconds - 1);
  lblIconPixels.SetCaption(std::to_string(EffectSeconds));
  if (EffectSeconds <= 0) {
    EffectPending = false;
    lblIconPixels.SetCaption(std::to_string(IconPixels));
    tmrInvert.SetEnabled(false);
    InvertActive = false;
    EffectSeconds = kEffectSeconds;
    imgPowerUpDisplay.SetPicture(nullptr);
    ParkPointerOnPaddle(*this);
  }
}

void frmMain::tmrAuto_Timer() {
  game::Assign(EffectSeconds, EffectSeconds - 1);
  lblIconPixels.SetCaption(std::to_string(EffectSeconds));
  if (EffectSeconds <= 0) {
    EffectPending = false;
    EffectSeconds = kEffectSeconds;
    tmrAuto.SetEnabled(false);
    AutoActive = false;
    lblIconPixels.SetCaption(std::to_string(IconPixels));
    imgPowerUpDisplay.SetPicture(nullptr);
    ParkPointerOnPaddle(*this);
  }
}
