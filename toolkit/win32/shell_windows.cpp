#include "toolkit/win32/shell_windows.h"

namespace tk::win32 {

HWND WindowOfHandle(uint32_t handle) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
}
uint32_t HandleOfWindow(HWND window) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}

namespace {

// The windows of a class that are children of `parent` (top-level windows
// when it is null), in the order the window manager keeps them.
std::vector<HWND> WindowsOfClass(HWND parent, const char* cls, DWORD thread) {
  std::vector<HWND> found;
  for (HWND w = FindWindowExA(parent, nullptr, cls, nullptr); w;
       w = FindWindowExA(parent, w, cls, nullptr))
    if (!thread || GetWindowThreadProcessId(w, nullptr) == thread) found.push_back(w);
  return found;
}

HWND ViewIn(HWND parent) { return FindWindowExA(parent, nullptr, "SHELLDLL_DefView", nullptr); }

// The list of icons in the view where it has one, else the view.
IconLayerPlace Icons(HWND view, const std::string& viewPath) {
  if (HWND list = FindWindowExA(view, nullptr, "SysListView32", nullptr))
    return {ShellWindow{ShellRole::IconList, HandleOfWindow(list)}, viewPath + "/SysListView32"};
  return {ShellWindow{ShellRole::IconView, HandleOfWindow(view)}, viewPath};
}

}  // namespace

IconLayerPlace FindIconLayer(DWORD thread) {
  std::vector<HWND> progmen = WindowsOfClass(nullptr, "Progman", thread);
  for (HWND progman : progmen)
    if (HWND view = ViewIn(progman)) return Icons(view, "Progman/SHELLDLL_DefView");
  for (HWND worker : WindowsOfClass(nullptr, "WorkerW", thread))
    if (HWND view = ViewIn(worker)) return Icons(view, "WorkerW/SHELLDLL_DefView");
  for (HWND progman : progmen)
    for (HWND worker : WindowsOfClass(progman, "WorkerW", 0))
      if (HWND view = ViewIn(worker)) return Icons(view, "Progman/WorkerW/SHELLDLL_DefView");
  if (!progmen.empty())
    return {ShellWindow{ShellRole::IconLayer, HandleOfWindow(progmen.front())}, "Progman"};
  return {};
}

std::vector<ShellWindow> FindTaskbars(DWORD thread) {
  std::vector<ShellWindow> taskbars;
  for (HWND w : WindowsOfClass(nullptr, "Shell_TrayWnd", thread))
    taskbars.push_back({ShellRole::Taskbar, HandleOfWindow(w)});
  for (HWND w : WindowsOfClass(nullptr, "Shell_SecondaryTrayWnd", thread))
    taskbars.push_back({ShellRole::SecondaryTaskbar, HandleOfWindow(w)});
  return taskbars;
}

namespace {

// A window hidden before the game (a taskbar the user hid, icons switched
// off) is neither noted nor hidden: what is shown again at the end is only
// what the game hid. Its own visible style decides, not its parents'.
bool ShownByItself(const ShellWindow& window) {
  return GetWindowLongW(WindowOfHandle(window.handle), GWL_STYLE) & WS_VISIBLE;
}

void Hide(const ShellWindow& window) {
  if (!ShownByItself(window)) return;
  DesktopGuard::Hidden().Add(window);
  SetShellWindowVisible(window, false);
}

bool IsIconLayer(ShellRole role) { return !IsTaskbar(role); }

}  // namespace

void SetTaskbarsVisible(bool visible) {
  if (visible) {
    DesktopGuard::Hidden().ShowAgain(IsTaskbar);
    return;
  }
  for (const ShellWindow& taskbar : FindTaskbars()) Hide(taskbar);
}

std::string SetIconLayerVisible(bool visible) {
  if (visible) {
    DesktopGuard::Hidden().ShowAgain(IsIconLayer);
    return {};
  }
  IconLayerPlace layer = FindIconLayer();
  if (layer.window) Hide(*layer.window);
  return layer.path;
}

}  // namespace tk::win32
