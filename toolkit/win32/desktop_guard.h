// Gives the desktop back on every way out of the program.
//
// The platform tells the guard whenever it hides or shows the taskbar or the
// desktop's icon window. Restore() shows again whatever is still hidden; it
// is safe on any thread and any number of times. Install() hooks it into the
// ways a process can end without passing the game's own restore: an
// unhandled structured exception, std::terminate, abort(), a console close or
// log-off, exit().
//
// The pointer's display counter belongs to the user-interface thread: a
// process that dies leaves no hidden pointer behind, so only the orderly ends
// run RestorePointer() (on that thread).
#pragma once

namespace tk::win32 {

class DesktopGuard {
 public:
  static void Install();
  static void TaskbarHidden(bool hidden);
  static void IconLayerHidden(bool hidden);
  static bool TaskbarIsHidden();
  static bool IconLayerIsHidden();
  // True when something had to be shown again.
  static bool Restore() noexcept;
  // Makes the pointer visible on the calling thread.
  static void RestorePointer() noexcept;

  // The windows the desktop operations work on, found as the shell names
  // them; null when the shell has none.
  static void* FindTaskbar() noexcept;
  static void* FindIconLayer() noexcept;
  // The operations themselves, shared by the platform and the guard.
  static void ShowTaskbar(bool visible) noexcept;
  static void ShowIconLayer(bool visible) noexcept;
};

}  // namespace tk::win32
