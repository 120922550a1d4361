// Where the shell keeps the windows the game hides: every taskbar, and the
// desktop's icon view in whichever layout the shell has built.
//
// The icons are the SysListView32 in the desktop's view (SHELLDLL_DefView).
// Only that list is hidden, as the shell does itself when the desktop's
// icons are switched off: the view and whatever draws the wallpaper stay on
// the screen. A view without such a list is hidden as a whole. Depending on
// the Windows version and on what has touched the desktop (a changed
// wallpaper, a slideshow, a live wallpaper), the view lives
//   - in Progman, which draws the wallpaper itself or through a WorkerW
//     child of its own;
//   - in a top-level WorkerW, with the wallpaper drawn behind it;
//   - in a WorkerW child of Progman.
// It is looked for in that order; where there is none, Progman is hidden as
// a whole, as on the desktops where it holds everything.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "toolkit/win32/desktop_guard.h"

namespace tk::win32 {

// Window handles as the shell-window records keep them: 32 bits, sign
// extended on 64-bit Windows.
HWND WindowOfHandle(uint32_t handle);
uint32_t HandleOfWindow(HWND window);

struct IconLayerPlace {
  std::optional<ShellWindow> window;  // nothing: no layer this search knows
  // The window classes from the top-level window down to the one to hide,
  // e.g. "WorkerW/SHELLDLL_DefView/SysListView32"; "none" when nothing was
  // found.
  std::string path = "none";
};

// The searches. `thread` limits them to the windows of one thread (0: all
// windows), so that a test can build layouts next to a real shell.
IconLayerPlace FindIconLayer(DWORD thread = 0);
// Shell_TrayWnd first, then every Shell_SecondaryTrayWnd.
std::vector<ShellWindow> FindTaskbars(DWORD thread = 0);

// The platform's desktop operations. What they hide goes into the guard's
// set first; a window hidden already is left as it is; showing shows again
// exactly what the set holds of that kind.
void SetTaskbarsVisible(bool visible);
// Returns the path of what was hidden; "" when showing.
std::string SetIconLayerVisible(bool visible);

}  // namespace tk::win32
