// Puts one style sheet's artwork into the game window and resets the shared
// animation values for it.
#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "stylesheets/catalogue.h"
#include "toolkit/toolkit.h"

namespace mdlLumbravick {

int16_t StyleSheet = 0;
int16_t BallFrame = 0;
int16_t BallStep = 0;
int16_t BallFrameCount = 0;
int16_t PaddleFrame = 0;
int16_t PaddleStep = 0;
int16_t PaddleFrameCount = 0;
int16_t PaddleHoldTicks = 0;

void ResetModule() {
  StyleSheet = BallFrame = BallStep = BallFrameCount = 0;
  PaddleFrame = PaddleStep = PaddleFrameCount = PaddleHoldTicks = 0;
  SoundBuffer.clear();
}

void SaveStyleSheetSetting() {
  tk::SaveSetting(kSettingsApp, kStyleSheetSection, kStyleSheetKey, std::to_string(StyleSheet));
}

const StyleSheetEntry* LoadSheetFrames(int16_t sheet, tk::ControlArray<tk::PictureBox>& ballSlots,
                                       tk::PictureBox& paddle,
                                       tk::ControlArray<tk::PictureBox>& paddleSlots) {
  StyleSheet = sheet;
  PaddleFrame = 0;
  PaddleStep = 1;
  BallFrame = 0;
  BallStep = 1;

  const int lastBallIcon = sheet == kLasVegas ? 7 : 9;
  for (int k = 0; k <= lastBallIcon; ++k)
    game::ShowPictureIfLoaded(ballSlots(k), tk::LoadIconResource(BallIconNumber(sheet, k)));

  const StyleSheetEntry* entry = FindStyleSheet(sheet);
  if (!entry) return nullptr;

  game::ShowPictureIfLoaded(paddle, tk::LoadBitmapResource(PaddleBitmapNumber(sheet, 0)));
  for (int slot = 0; slot <= 4; ++slot) {
    bool empty = !entry->paddleAnimationSlots && slot >= 1 && slot <= 3;
    if (empty)
      paddleSlots(slot).SetPicture(nullptr);
    else
      game::ShowPictureIfLoaded(paddleSlots(slot),
                                tk::LoadBitmapResource(PaddleBitmapNumber(sheet, slot)));
  }
  return entry;
}

bool AdvancePaddleFrame() {
  // On the Flat Screen sheet frame 0 (the banner) stays for 13 ticks.
  constexpr int16_t kFlatScreenHoldTicks = 12;
  if (StyleSheet == kFlatScreen && PaddleFrame == 0) {
    game::Assign(PaddleHoldTicks, PaddleHoldTicks + 1);
    if (PaddleHoldTicks <= kFlatScreenHoldTicks) return false;
    PaddleHoldTicks = 0;
  }
  game::Assign(PaddleFrame, PaddleFrame + PaddleStep);
  if (PaddleFrame == PaddleFrameCount) PaddleFrame = 0;
  if (PaddleFrame == -1) game::Assign(PaddleFrame, PaddleFrameCount - 1);
  return true;
}

int16_t SheetFromSetting(std::string_view stored) {
  int16_t sheet = kClassic;
  if (!tk::TextToInt16(stored, sheet) || !FindStyleSheet(sheet)) return kClassic;
  return sheet;
}

void LoadStyleSheet(int16_t sheet, frmMain& window) {
  const StyleSheetEntry* entry =
      LoadSheetFrames(sheet, window.picBallRes, window.picPaddle, window.picPaddleRes);
  if (!entry) return;  // not a sheet: nothing more to load
  PaddleFrameCount = entry->paddleFrames;
  BallFrameCount = entry->ballFramesInGame;

  game::ShowPictureIfLoaded(window.picDisplay, tk::LoadBitmapResource(PanelBitmapNumber(sheet)));
  window.picDisplay.Move(window.ScaleWidth() - window.picDisplay.Width(),
                         window.ScaleHeight() - window.picDisplay.Height());
  window.imgAbout.SetLeft(window.picDisplay.Width() - window.imgAbout.Width());
  window.imgPowerUpDisplay.SetTop(static_cast<float>(entry->panelItemTop));
  window.lblIconPixels.SetTop(static_cast<float>(entry->panelItemTop));
  window.lblIconPixels.SetForeColor(entry->counterColour);
}

}  // namespace mdlLumbravick
