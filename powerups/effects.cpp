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

// One second off the shared count, shown in the panel; true when it ran out.
bool CountDownEffect(frmMain& w) {
  game::Assign(w.EffectSeconds, w.EffectSeconds - 1);
  w.lblIconPixels.SetCaption(std::to_string(w.EffectSeconds));
  return w.EffectSeconds <= 0;
}

// Stops the effect of this timer and flag: the next catch may start one, and
// the panel shows the pixels left again.
void EndEffect(frmMain& w, tk::Timer& timer, bool& active) {
  w.EffectPending = false;
  w.EffectSeconds = frmMain::kEffectSeconds;
  timer.SetEnabled(false);
  active = false;
  w.imgPowerUpDisplay.SetPicture(nullptr);
  w.lblIconPixels.SetCaption(std::to_string(w.IconPixels));
}

}  // namespace

void frmMain::tmrFireBall_Timer() {
  FireBallReady = false;
  if (CountDownEffect(*this)) EndEffect(*this, tmrFireBall, FireBallActive);
}

void frmMain::tmrInvert_Timer() {
  if (!CountDownEffect(*this)) return;
  EndEffect(*this, tmrInvert, InvertActive);
  ParkPointerOnPaddle(*this);
}

void frmMain::tmrAuto_Timer() {
  if (!CountDownEffect(*this)) return;
  EndEffect(*this, tmrAuto, AutoActive);
  ParkPointerOnPaddle(*this);
}
