// The main loop: a tight loop on the user-interface thread. A pass costs at
// least LoopDelay milliseconds: once the scan is over by a sleep before its
// steps, while the scan runs by waiting out the rest of the pass after its
// column. The ball therefore moves at one speed from the first pass, and the
// count of icon pixels climbs over the first seconds of play.
#include "game/frmMain.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace {

// Longest stretch of play between two pace lines in the flight recorder.
constexpr uint32_t kPaceLineMs = 1000;

// Blocks, delivering nothing, until `delayMs` have passed since `passStart`.
void WaitOutPass(uint32_t passStart, int32_t delayMs) {
  const uint32_t spent = tk::GetTickCount() - passStart;
  if (delayMs > 0 && spent < static_cast<uint32_t>(delayMs))
    tk::Sleep(static_cast<uint32_t>(delayMs) - spent);
}

}  // namespace

void frmMain::GameLoop() {
  if (Paused || QuitStarted) return;
  TracePace();
  while (!Paused) {
    const uint32_t passStart = tk::GetTickCount();
    if (IconPixelsDone && LoopDelay > 0) tk::Sleep(static_cast<uint32_t>(LoopDelay));
    if (!Exploding) {
      Collision();
      CollisionPowerUps();
      MoveBall();
      MovePowerUps();
      ++pace_.moves;
    }
    tk::DoEvents();
    const bool scanning = !IconPixelsDone;
    if (scanning) {
      GetIconPixels();
      WaitOutPass(passStart, LoopDelay);
    }
    ++pace_.passes;
    // A line at the end of the scan too: it splits the scan's pace from play's.
    if ((scanning && IconPixelsDone) || tk::GetTickCount() - pace_.lastLineTick >= kPaceLineMs)
      TracePace();
    tk::LoopPass();
  }
}

void frmMain::TracePace() {
  pace_.lastLineTick = tk::GetTickCount();
  tk::trace::Event("pace")
      .Int("passes", pace_.passes)
      .Int("moves", pace_.moves)
      .Bool("scanning", !IconPixelsDone);
}

void frmMain::picScreenshot_KeyPress(int16_t) { Quit(); }
