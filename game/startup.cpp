// Start-up: the live desktop becomes a frozen picture with and without its
// icons, the game state gets its starting values and the first ball is served.
#include <cmath>

#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "toolkit/toolkit.h"

namespace {
// Windows still closing and the icon layer redrawing need this long; the
// wait is fixed, not measured.
constexpr uint32_t kDesktopSettleMs = 1650;
}  // namespace

void frmMain::Form_Load() {
  if (tk::AnotherInstanceRunning()) tk::EndProgram();

  picBall.SetVisible(false);
  picPaddle.SetVisible(false);
  StartTick = static_cast<int32_t>(tk::GetTickCount());

  tk::Rect screen = tk::PrimaryScreen();
  SetClientSize(screen.w, screen.h);
  Maximised = true;

  GetBallEdges();
  GetBackground();
  picScreenshot.InvalidateImage(
      {0, 0, picScreenshot.Image().Width(), picScreenshot.Image().Height()});
  CursorHide();

  std::string stored =
      tk::GetSetting(mdlLumbravick::kSettingsApp, mdlLumbravick::kStyleSheetSection,
                     mdlLumbravick::kStyleSheetKey, "0");
  mdlLumbravick::LoadStyleSheet(mdlLumbravick::SheetFromSetting(stored), *this);

  IconPixels = 0;
  LoopDelay = 4;
  ScanColumn = 0;
  TiltStep = 1;
  picBall.SetHeight(16);
  picBall.SetWidth(16);
  IconPixelsDone = false;
  BallsLeft = 1;
  StartPos();
  picDisplay.SetVisible(true);
  tmrInitStart.SetEnabled(true);
  EffectPending = false;
  FireBallReady = false;
  FireBallActive = false;
  InvertActive = false;
  AutoActive = false;

  // Once start-up is over the play surface has the keyboard.
  Focus = &picScreenshot;
  Refresh();
}

void frmMain::GetBackground() {
  tk::MinimiseAllWindows();
  tk::SetTaskbarVisible(false);
  tk::Sleep(kDesktopSettleMs);
  Hide();

  picScreenshot.Move(0, 0, ScaleWidth(), ScaleHeight());
  picScreenshot.ClearImage();
  CaptureScreen(picScreenshot);

  tk::SetIconLayerVisible(false);
  tk::Sleep(kDesktopSettleMs);

  picScreenshotNoIcons.Move(0, 0, ScaleWidth(), ScaleHeight());
  picScreenshotNoIcons.ClearImage();
  CaptureScreen(picScreenshotNoIcons);

  tk::SetIconLayerVisible(true);
  Show(false);
}

bool frmMain::CaptureScreen(tk::PictureBox& target) { return tk::CaptureScreen(target); }

void frmMain::CursorHide() {
  int count = tk::ShowCursor(true);
  while (count >= 0) count = tk::ShowCursor(false);
}

void frmMain::CursorShow() {
  int count = tk::ShowCursor(false);
  while (count < 0) count = tk::ShowCursor(true);
}

void frmMain::tmrInitStart_Timer() {
  GameLoop();
  tmrInitStart.SetEnabled(false);
}
