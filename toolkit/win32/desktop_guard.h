// Gives the desktop back on every way out of the program.
//
// Every shell window the platform hides (each taskbar, the desktop's icons) goes into one small
// set, HiddenDesktop, before it is hidden; showing it again takes it out. The set knows how each
// window is shown again, can be listed, and can be emptied from any thread or handler without
// taking a lock or allocating. A process that gives the desktop back from outside (the guardian)
// is told of each window in its own line format (toolkit/guardian.h).
//
// DesktopGuard::Install() hooks the set into the ways a process can end
// without passing the game's own restore: an unhandled structured exception,
// std::terminate, abort(), a console close or log-off, exit().
//
// The pointer's display counter belongs to the user-interface thread: a
// process that dies leaves no hidden pointer behind, so only the orderly ends
// run RestorePointer() (on that thread).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/guardian.h"

namespace tk::win32 {

// What a hidden window is to the shell. It decides how the window is hidden
// and shown, and which window class it must still have when it is shown.
enum class ShellRole : uint8_t {
  Taskbar = 1,       // Shell_TrayWnd, on the primary screen
  SecondaryTaskbar,  // Shell_SecondaryTrayWnd, one on every other screen
  IconList,          // SysListView32 in the icon view: the icons alone
  IconView,          // SHELLDLL_DefView, where it holds no such list
  IconLayer,         // Progman as a whole, where no view was found in it
};

struct ShellWindow {
  ShellRole role;
  // A window handle as a number: handles are 32 bits wide on 32- and 64-bit
  // Windows alike, so both programs read the same text.
  uint32_t handle;
  bool operator==(const ShellWindow&) const = default;
};

const char* RoleName(ShellRole role);  // "taskbar", "secondary_taskbar", ...
const char* RoleClass(ShellRole role);
bool IsTaskbar(ShellRole role);

// A shell window as the guardian's lines describe it ("hide kind=taskbar
// id=65642 class=Shell_TrayWnd"), and back: nothing for an item that is no
// shell window.
guardian::HiddenItem ItemOf(const ShellWindow& window);
std::optional<ShellWindow> ShellWindowOf(const guardian::HiddenItem& item);

// Hides or shows the window the way its role wants: a taskbar with
// SetWindowPos (it keeps its place and size, and is not activated), the
// icon layer with ShowWindow. False, and nothing done, when the handle no
// longer names a window of the role's class (handles are reused).
bool SetShellWindowVisible(const ShellWindow& window, bool visible) noexcept;

// The shell windows hidden by this process, each until it is shown again.
class HiddenDesktop {
 public:
  static constexpr size_t kCapacity = 16;
  // Noted before the window is hidden, so that a crash in between still
  // gives it back. False when it is there already or the set is full.
  bool Add(const ShellWindow& window) noexcept;
  std::vector<ShellWindow> Windows() const;
  // Takes out every window whose role `pick` accepts (every window without
  // `pick`) and shows it; each window is shown once, whoever asks. Returns
  // how many were taken out.
  size_t ShowAgain(bool (*pick)(ShellRole) = nullptr) noexcept;
  // Told of each window Add notes, before it is hidden, on the thread that
  // adds it (the guardian link).
  using Listener = void (*)(const ShellWindow& window, void* context);
  void SetListener(Listener listener, void* context) noexcept {
    listener_ = listener;
    listener_context_ = context;
  }

 private:
  Listener listener_ = nullptr;
  void* listener_context_ = nullptr;
  // role << 32 | handle; 0 is a free slot.
  std::array<std::atomic<uint64_t>, kCapacity> slots_{};
};

class DesktopGuard {
 public:
  static void Install();
  // The set of this process, emptied by Restore().
  static HiddenDesktop& Hidden();
  // True when something had to be shown again.
  static bool Restore() noexcept;
  // Makes the pointer visible on the calling thread.
  static void RestorePointer() noexcept;
};

}  // namespace tk::win32
