// The Windows program: the game on the Windows backend.
//
// The desktop is given back on every way out: the game's own Quit shows the
// taskbar; whatever ends the run otherwise (an exception that reaches this
// far, a crash, a console or session end) goes through the desktop guard;
// what the process cannot see (TerminateProcess, a hang) is left to its
// guardian, this program started again with a private argument.
// LUMBRAVICK_GUARDIAN=0 plays without the guardian.
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <optional>

#include "game/program.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"
#include "toolkit/win32/desktop_guard.h"
#include "toolkit/win32/guardian_link.h"
#include "toolkit/win32/win32_platform.h"

#include <shellapi.h>

namespace {

// Started as the guardian: its exit status; otherwise nothing.
std::optional<int> RunAsGuardian() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::optional<int> status;
  if (argv && argc > 1 && std::wcscmp(argv[1], tk::win32::kGuardianArgument) == 0)
    status = tk::win32::RunGuardian(argc, argv);
  if (argv) LocalFree(argv);
  return status;
}

bool GuardianWanted() {
  const char* setting = std::getenv("LUMBRAVICK_GUARDIAN");
  return !setting || std::strcmp(setting, "0") != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (std::optional<int> status = RunAsGuardian()) return *status;
  using tk::win32::DesktopGuard;
  DesktopGuard::Install();
  int exitCode = 0;
  {
    tk::win32::Win32Platform platform;
    platform.SetGuarded(GuardianWanted());
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
