// The main loop: a tight loop on the user-interface thread. The pass rate is
// the game's speed; the only throttle is the sleep once the scan is over.
#include "game/frmMain.h"
#include "toolkit/toolkit.h"

void frmMain::GameLoop() {
  while (!Paused) {
    if (IconPixelsDone && LoopDelay > 0) tk::Sleep(static_cast<uint32_t>(LoopDelay));
    if (!Exploding) {
      Collision();
      CollisionPowerUps();
      MoveBall();
      MovePowerUps();
    }
    tk::DoEvents();
    if (!IconPixelsDone) GetIconPixels();
    tk::LoopPass();
  }
}

void frmMain::picScreenshot_KeyPress(int16_t) { Quit(); }
