// lumbravick-standin-taskbar: a taskbar of the tests' own, for a Wine desktop
// that has none. It is a visible Shell_TrayWnd strip along the bottom of the
// screen and nothing more: unlike Wine's own taskbar it never shows itself
// again, so whoever finds it visible after a game hid it was shown it.
//
//   lumbravick-standin-taskbar         puts it on the screen, prints "ready"
//                                      and runs until it is ended
//   lumbravick-standin-taskbar state   visible | hidden | missing
//   lumbravick-standin-taskbar show    shows it again
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Its title tells it from other windows of the class (Wine keeps a hidden one).
constexpr const char* kTitle = "lumbravick stand-in taskbar";

int State() {
  HWND bar = FindWindowA("Shell_TrayWnd", kTitle);
  std::puts(!bar ? "missing" : IsWindowVisible(bar) ? "visible" : "hidden");
  return 0;
}

int Show() {
  HWND bar = FindWindowA("Shell_TrayWnd", kTitle);
  return bar && (ShowWindow(bar, SW_SHOWNOACTIVATE), IsWindowVisible(bar)) ? 0 : 1;
}

int Run() {
  WNDCLASSA cls{};
  cls.lpfnWndProc = DefWindowProcA;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
  cls.lpszClassName = "Shell_TrayWnd";
  if (!RegisterClassA(&cls)) return 1;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HWND bar = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, cls.lpszClassName, kTitle, WS_POPUP,
                             0, height - 30, width, 30, nullptr, nullptr, cls.hInstance, nullptr);
  if (!bar) return 1;
  ShowWindow(bar, SW_SHOWNOACTIVATE);
  UpdateWindow(bar);
  std::puts("ready");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "state") == 0) return State();
  if (argc == 2 && std::strcmp(argv[1], "show") == 0) return Show();
  return argc == 1 ? Run() : 2;
}
