// Falling power-ups: one icon hit in five drops one; it falls 4 px per pass
// and takes effect when the paddle catches it. Elements are never removed:
// caught or fallen ones are only hidden, and keep falling and being tested.
#include <cmath>
#include <string>

#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace {

constexpr float kFallPerPass = 4;
constexpr float kCatchBand = 21;

// Catches a timed power-up unless one is still pending; true when it took effect.
bool AcceptTimedPowerUp(frmMain& w, const std::string& tag) {
  if (w.EffectPending) return false;
  w.EffectPending = true;
  if (tag == "5") {
    mdlLumbravick::PlaySound(res::kSoundCatchGood);
    game::ShowPictureIfLoaded(w.imgPowerUpDisplay, tk::LoadIconResource(res::kFireBallIconFirst));
    w.EffectSeconds = frmMain::kEffectSeconds;
    w.FireBallReady = true;
  } else if (tag == "6") {
    mdlLumbravick::PlaySound(res::kSoundCatchOther);
    w.EffectSeconds = frmMain::kEffectSeconds;
    w.tmrInvert.SetEnabled(true);
    w.InvertActive = true;
    game::ShowPictureIfLoaded(w.imgPowerUpDisplay, tk::LoadIconResource(res::kInvertedControlIcon));
  } else {
    mdlLumbravick::PlaySound(res::kSoundCatchGood);
    w.EffectSeconds = frmMain::kEffectSeconds;
    w.tmrAuto.SetEnabled(true);
    w.AutoActive = true;
    game::ShowPictureIfLoaded(w.imgPowerUpDisplay, tk::LoadIconResource(res::kAutoPaddleIcon));
  }
  return true;
}

}  // namespace

void frmMain::SpawnPowerUp(int16_t x, int16_t y) {
  tk::Randomize();
  PowerUpRoll = static_cast<int16_t>(std::floor(5 * tk::Rnd()) + 1);
  if (PowerUpRoll > 1) return;
  tk::Randomize();
  PowerUpKind = static_cast<int16_t>(std::floor(7 * tk::Rnd()) + 1);

  tk::Image& item = picPowerUp.Load();
  item.SetVisible(true);
  game::ShowPictureIfLoaded(item, tk::LoadIconResource(res::PowerUpIconNumber(PowerUpKind)));
  item.Tag = std::to_string(PowerUpKind);
  item.Move(x, y, 16, 16);
  tk::trace::Event("powerup").Int("kind", PowerUpKind).Pair("at", x, y);
}

void frmMain::MovePowerUps() {
  for (int i = 1; i < picPowerUp.Count(); ++i) {
    tk::Image& item = picPowerUp(i);
    item.SetTop(item.Top() + kFallPerPass);
  }
}

void frmMain::CollisionPowerUps() {
  for (PowerUpIndex = 0; PowerUpIndex < picPowerUp.Count(); ++PowerUpIndex) {
    tk::Image& item = picPowerUp(PowerUpIndex);
    const float bottom = item.Top() + item.Height();
    const float paddleTop = picPaddle.Top(), paddleLeft = picPaddle.Left();
    bool caught = bottom >= paddleTop && bottom < paddleTop + kCatchBand &&
                  item.Left() + item.Width() >= paddleLeft &&
                  paddleLeft + picPaddle.Width() >= item.Left();
    if (caught) {
      item.SetVisible(false);
      const std::string tag = item.Tag;
      bool tookEffect = false;
      if (tag == "5" || tag == "6" || tag == "7") {
        tookEffect = AcceptTimedPowerUp(*this, tag);
      } else if (!tag.empty() && tag >= "1" && tag <= "4") {
        StartPaddleTilt();
        tookEffect = true;
      }
      if (tookEffect) tk::trace::Event("catch").Str("kind", tag);
    }
    if (item.Top() >= ScaleHeight()) item.SetVisible(false);
    if (PowerUpIndex == INT16_MAX) break;  // the loop index is 16 bits wide
  }
}
