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
//   show-taskbar               shows every taskbar again
//   shell                      the shell's windows (Progman, WorkerW, icon
//                              views, taskbars), one a line with their state
//   icons WITH WITHOUT         saves the screen with the icon views shown and
//                              hidden, and prints how many pixels differ
//   destroyed WITH WITHOUT     of the pixels where those two differ: how many
//                              the screen now shows as WITHOUT and as WITH
//   screen                     the screen's size and DPI as a DPI-aware
//                              program sees them
//
// The probe is DPI-aware: it sees the screen in real pixels at any scale.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/win32/desktop_guard.h"
#include "toolkit/win32/shell_windows.h"
#include "toolkit/win32/win32_platform.h"

namespace {

using tk::win32::Utf8;
using tk::win32::Wide;

int Usage() {
  std::fputs(
      "usage: lumbravick-winprobe taskbar | window TITLE | center TITLE TEXT | "
      "snap|diff FILE X Y W H | endsession CLASS | crash|terminate|abort [noguard] | "
      "show-taskbar | shell | icons|destroyed WITH WITHOUT | screen\n",
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

// ---- the shell's windows ---------------------------------------------------------------

std::string ClassName(HWND w) {
  char cls[256] = {};
  GetClassNameA(w, cls, sizeof cls);
  return cls;
}

// Every icon view below the top-level windows of Progman and WorkerW, with
// the classes above it: found by walking the tree, whatever the layout.
std::vector<std::pair<HWND, std::string>> IconViews() {
  std::vector<std::pair<HWND, std::string>> views;
  struct Walk {
    static void Below(HWND parent, const std::string& path, decltype(views)& out) {
      for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string cls = ClassName(c);
        if (cls == "SHELLDLL_DefView") out.emplace_back(c, path + "/" + cls);
        if (cls == "WorkerW") Below(c, path + "/" + cls, out);
      }
    }
  };
  for (const char* top : {"Progman", "WorkerW"})
    for (HWND w = FindWindowExA(nullptr, nullptr, top, nullptr); w;
         w = FindWindowExA(nullptr, w, top, nullptr))
      Walk::Below(w, top, views);
  return views;
}

int Shell() {
  for (const char* top : {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd"})
    for (HWND w = FindWindowExA(nullptr, nullptr, top, nullptr); w;
         w = FindWindowExA(nullptr, w, top, nullptr))
      std::printf("%s visible=%d\n", top, IsWindowVisible(w) ? 1 : 0);
  for (auto& [view, path] : IconViews())
    std::printf("%s visible=%d\n", path.c_str(), IsWindowVisible(view) ? 1 : 0);
  return 0;
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// The whole screen once it has stopped changing (the shell repaints in its
// own time), at most after a few seconds.
std::vector<uint32_t> SettledScreen() {
  std::vector<uint32_t> last, now = Grab(0, 0, ScreenWidth(), ScreenHeight());
  for (int i = 0; i < 20 && now != last; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    last = std::move(now);
    now = Grab(0, 0, ScreenWidth(), ScreenHeight());
  }
  return now;
}

bool Save(const std::string& file, const std::vector<uint32_t>& px) {
  return static_cast<bool>(std::ofstream(file, std::ios::binary)
                               .write(reinterpret_cast<const char*>(px.data()),
                                      static_cast<std::streamsize>(px.size() * 4)));
}
bool Load(const std::string& file, std::vector<uint32_t>& px) {
  px.resize(static_cast<size_t>(ScreenWidth()) * ScreenHeight());
  return static_cast<bool>(
      std::ifstream(file, std::ios::binary)
          .read(reinterpret_cast<char*>(px.data()), static_cast<std::streamsize>(px.size() * 4)));
}

int Icons(const std::string& withFile, const std::string& withoutFile) {
  auto views = IconViews();
  if (views.empty()) return 1;
  std::vector<uint32_t> with = SettledScreen();
  for (auto& view : views) ShowWindow(view.first, SW_HIDE);
  std::vector<uint32_t> without = SettledScreen();
  for (auto& view : views) ShowWindow(view.first, SW_SHOW);
  if (!Save(withFile, with) || !Save(withoutFile, without) || SettledScreen() != with) return 1;
  size_t differ = 0;
  for (size_t i = 0; i < with.size(); ++i) differ += with[i] != without[i];
  std::printf("%zu\n", differ);
  return 0;
}

int Destroyed(const std::string& withFile, const std::string& withoutFile) {
  std::vector<uint32_t> with, without, now = Grab(0, 0, ScreenWidth(), ScreenHeight());
  if (!Load(withFile, with) || !Load(withoutFile, without)) return 1;
  size_t wallpaper = 0, icon = 0;
  for (size_t i = 0; i < now.size(); ++i) {
    if (with[i] == without[i]) continue;
    wallpaper += now[i] == without[i];
    icon += now[i] == with[i];
  }
  std::printf("wallpaper=%zu icon=%zu\n", wallpaper, icon);
  return 0;
}

int Screen() {
  HDC screen = GetDC(nullptr);
  std::printf("%d %d %d\n", ScreenWidth(), ScreenHeight(), GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
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
  SetProcessDPIAware();
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
    for (const auto& taskbar : tk::win32::FindTaskbars())
      tk::win32::SetShellWindowVisible(taskbar, true);
    return 0;
  }
  if (a.size() == 1 && a[0] == "shell") return Shell();
  if (a.size() == 3 && a[0] == "icons") return Icons(a[1], a[2]);
  if (a.size() == 3 && a[0] == "destroyed") return Destroyed(a[1], a[2]);
  if (a.size() == 1 && a[0] == "screen") return Screen();
  if ((a.size() == 1 || (a.size() == 2 && a[1] == "noguard")) &&
      (a[0] == "crash" || a[0] == "terminate" || a[0] == "abort"))
    Die(a[0], a.size() == 1);
  return Usage();
}
