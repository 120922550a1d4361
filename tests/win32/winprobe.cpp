// lumbravick-winprobe: looks at the Windows desktop from outside the game
// and provokes the ways a process can die, for the end-to-end run under Wine.
//
//   taskbar                    visible | hidden | missing
//   window TITLE               the top-level window and its controls, one a line
//   center TITLE TEXT          screen position of the middle of a control
//   snap FILE X Y W H          saves a block of the screen
//   diff FILE X Y W H          how many pixels of the block differ from FILE
//   endsession CLASS           sends the end-of-session messages to a window
//   crash | terminate | abort [noguard]
//                              hides the taskbar through the backend, then dies
//                              that way; a handler of its own that runs after
//                              the guard's reports the taskbar as the process
//                              dies ("noguard": without the guard, the control)
//   show-taskbar               shows it again
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/win32/desktop_guard.h"
#include "toolkit/win32/win32_platform.h"

namespace {

using tk::win32::Utf8;
using tk::win32::Wide;

int Usage() {
  std::fputs(
      "usage: lumbravick-winprobe taskbar | window TITLE | center TITLE TEXT | "
      "snap|diff FILE X Y W H | endsession CLASS | crash|terminate|abort [noguard] | "
      "show-taskbar\n",
      stderr);
  return 2;
}

std::string Text(HWND w) {
  wchar_t text[1024] = {};
  GetWindowTextW(w, text, 1024);
  return Utf8(text);
}

HWND Taskbar() { return FindWindowA("Shell_TrayWnd", ""); }
// "visible" when there is a taskbar on the screen, else "hidden".
const char* TaskbarShown() {
  return Taskbar() && IsWindowVisible(Taskbar()) ? "visible" : "hidden";
}

void PrintWindow(const char* kind, HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  wchar_t cls[256] = {};
  GetClassNameW(w, cls, 256);
  std::printf("%s class=\"%s\" id=%d visible=%d enabled=%d rect=%ld,%ld,%ld,%ld text=\"%s\"\n",
              kind, Utf8(cls).c_str(), GetDlgCtrlID(w), IsWindowVisible(w) ? 1 : 0,
              IsWindowEnabled(w) ? 1 : 0, r.left, r.top, r.right, r.bottom, Text(w).c_str());
}

int Window(const std::string& title) {
  HWND w = FindWindowW(nullptr, Wide(title).c_str());
  if (!w) return 1;
  PrintWindow("window", w);
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) PrintWindow("child", c);
  return 0;
}

int Center(const std::string& title, const std::string& text) {
  HWND w = FindWindowW(nullptr, Wide(title).c_str());
  if (!w) return 1;
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (Text(c) != text) continue;
    RECT r{};
    GetWindowRect(c, &r);
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  return 1;
}

// A block of the screen as 0x00RRGGBB words.
std::vector<uint32_t> Grab(int x, int y, int w, int h) {
  tk::Surface screen(x + w, y + h);
  tk::win32::Win32Platform().CaptureScreen(screen);
  std::vector<uint32_t> px;
  for (int row = y; row < y + h; ++row)
    px.insert(px.end(), screen.Row(row) + x, screen.Row(row) + x + w);
  return px;
}

// snap saves the block to FILE; diff prints how many of its pixels differ
// from the ones saved there.
int SnapOrDiff(bool diff, const std::string& file, int x, int y, int w, int h) {
  std::vector<uint32_t> now = Grab(x, y, w, h), before(now.size());
  auto bytes = static_cast<std::streamsize>(now.size() * 4);
  if (!diff)
    return std::ofstream(file, std::ios::binary).write(reinterpret_cast<char*>(now.data()), bytes)
               ? 0
               : 1;
  if (!std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(before.data()), bytes))
    return 1;
  size_t differ = 0;
  for (size_t i = 0; i < now.size(); ++i) differ += now[i] != before[i];
  std::printf("%zu\n", differ);
  return 0;
}

int EndSession(const std::string& cls) {
  HWND w = FindWindowW(Wide(cls).c_str(), nullptr);
  if (!w) return 1;
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
  std::printf("query=%d\n", static_cast<int>(answer));
  std::fflush(stdout);
  SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
  // At once, while the program is still on its way out.
  std::printf("ended: taskbar %s\n", TaskbarShown());
  return 0;
}

// What the taskbar looks like while the process dies, after the guard had its
// turn (its handlers hand on to these ones, which were there first).
void ReportDying() {
  std::printf("dying: taskbar %s\n", TaskbarShown());
  std::fflush(stdout);
}
LONG WINAPI ProbeFilter(EXCEPTION_POINTERS*) {
  ReportDying();
  return EXCEPTION_EXECUTE_HANDLER;  // no debugger: the process ends here
}
void ProbeTerminate() {
  ReportDying();
  _exit(3);
}
void ProbeAbort(int) { ProbeTerminate(); }

// The desktop hidden the way the game hides it, then an end without any
// cleanup of ours: only the guard can give the taskbar back.
[[noreturn]] void Die(const std::string& how, bool guard) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(ProbeFilter);
  std::set_terminate(ProbeTerminate);
  std::signal(SIGABRT, ProbeAbort);
  if (guard) tk::win32::DesktopGuard::Install();
  tk::win32::Win32Platform platform;
  platform.SetTaskbarVisible(false);
  platform.SetIconLayerVisible(false);
  std::printf("taskbar %s\n", Taskbar() && !IsWindowVisible(Taskbar()) ? "hidden" : "not hidden");
  std::fflush(stdout);
  if (how == "crash") {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  } else if (how == "terminate") {
    throw std::runtime_error("nobody catches this");
  }
  std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  auto number = [&](size_t i) { return std::atoi(a.at(i).c_str()); };
  if (a.size() == 1 && a[0] == "taskbar")
    return std::puts(!Taskbar() ? "missing" : TaskbarShown()), 0;
  if (a.size() == 2 && a[0] == "window") return Window(a[1]);
  if (a.size() == 3 && a[0] == "center") return Center(a[1], a[2]);
  if (a.size() == 6 && (a[0] == "snap" || a[0] == "diff"))
    return SnapOrDiff(a[0] == "diff", a[1], number(2), number(3), number(4), number(5));
  if (a.size() == 2 && a[0] == "endsession") return EndSession(a[1]);
  if (a.size() == 1 && a[0] == "show-taskbar") {
    tk::win32::DesktopGuard::ShowTaskbar(true);
    return 0;
  }
  if ((a.size() == 1 || (a.size() == 2 && a[1] == "noguard")) &&
      (a[0] == "crash" || a[0] == "terminate" || a[0] == "abort"))
    Die(a[0], a.size() == 1);
  return Usage();
}
