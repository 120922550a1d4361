#include "game/program.h"

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"
#include "windows/sidewindows.h"

namespace game {

RunResult RunProgram(const std::function<void(frmMain&)>& atEnd) {
  mdlLumbravick::ResetModule();
  tk::ResetRandom();
  tk::trace::SetStartTick(tk::GetTickCount());
  RunResult result;
  {
    frmMain window;
    try {
      window.Load();
      tk::RunIdle();
    } catch (const tk::ProgramEnded& end) {
      result = {end.exitCode, true};
    } catch (const tk::RunStopped&) {
      result = {0, false};
    }
    window.TraceState();
    if (atEnd) atEnd(window);
    ReleaseSideWindows();
  }
  return result;
}

}  // namespace game
