// The Windows program: the game on the Windows backend.
//
// The desktop is given back on every way out: the game's own Quit shows the
// taskbar; whatever ends the run otherwise (an exception that reaches this
// far, a crash, a console or session end) goes through the desktop guard.
#include <cstdlib>
#include <exception>

#include "game/program.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"
#include "toolkit/win32/desktop_guard.h"
#include "toolkit/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using tk::win32::DesktopGuard;
  DesktopGuard::Install();
  int exitCode = 0;
  {
    tk::win32::Win32Platform platform;
    tk::InstallPlatform(&platform);
    // The flight recorder, when LUMBRAVICK_TRACE names a file.
    if (const char* trace = std::getenv("LUMBRAVICK_TRACE"); trace && *trace)
      tk::trace::Open(trace);

    try {
      exitCode = game::RunProgram().exitCode;
    } catch (const std::exception&) {
      exitCode = 3;
    } catch (...) {
      exitCode = 3;
    }

    // The sound plays from memory that is about to go.
    platform.StopSound();
    if (DesktopGuard::Restore()) tk::trace::Event("desktop").Str("op", "restore");
    DesktopGuard::RestorePointer();
    tk::trace::Close();
    tk::InstallPlatform(nullptr);
  }
  return exitCode;
}
