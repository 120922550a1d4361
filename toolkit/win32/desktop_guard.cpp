#include "toolkit/win32/desktop_guard.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "toolkit/win32/shell_windows.h"

namespace tk::win32 {

// ---- the shell windows and their guardian lines ---------------------------------------------

namespace {

struct RoleInfo {
  ShellRole role;
  const char* name;
  const char* cls;
};
constexpr RoleInfo kRoles[] = {
    {ShellRole::Taskbar, "taskbar", "Shell_TrayWnd"},
    {ShellRole::SecondaryTaskbar, "secondary_taskbar", "Shell_SecondaryTrayWnd"},
    {ShellRole::IconList, "icon_list", "SysListView32"},
    {ShellRole::IconView, "icon_view", "SHELLDLL_DefView"},
    {ShellRole::IconLayer, "icon_layer", "Progman"},
};

const RoleInfo* InfoOf(ShellRole role) {
  for (const RoleInfo& info : kRoles)
    if (info.role == role) return &info;
  return nullptr;
}

uint64_t Packed(const ShellWindow& w) {
  return uint64_t{static_cast<uint8_t>(w.role)} << 32 | w.handle;
}
ShellWindow Unpacked(uint64_t bits) {
  return {static_cast<ShellRole>(bits >> 32), static_cast<uint32_t>(bits)};
}

}  // namespace

const char* RoleName(ShellRole role) {
  const RoleInfo* info = InfoOf(role);
  return info ? info->name : "unknown";
}
const char* RoleClass(ShellRole role) {
  const RoleInfo* info = InfoOf(role);
  return info ? info->cls : "";
}
bool IsTaskbar(ShellRole role) {
  return role == ShellRole::Taskbar || role == ShellRole::SecondaryTaskbar;
}

guardian::HiddenItem ItemOf(const ShellWindow& window) {
  guardian::HiddenItem item;
  item.kind = RoleName(window.role);
  item.id = window.handle;
  item.windowClass = RoleClass(window.role);
  return item;
}

std::optional<ShellWindow> ShellWindowOf(const guardian::HiddenItem& item) {
  if (item.id == 0 || item.id > UINT32_MAX) return std::nullopt;
  for (const RoleInfo& info : kRoles)
    if (item.kind == info.name) return ShellWindow{info.role, static_cast<uint32_t>(item.id)};
  return std::nullopt;
}

bool SetShellWindowVisible(const ShellWindow& window, bool visible) noexcept {
  HWND hwnd = WindowOfHandle(window.handle);
  char cls[64] = {};
  if (!IsWindow(hwnd) || !GetClassNameA(hwnd, cls, sizeof cls) ||
      std::strcmp(cls, RoleClass(window.role)) != 0)
    return false;
  if (IsTaskbar(window.role)) {
    // With SWP_SHOWWINDOW or SWP_HIDEWINDOW Windows neither moves nor sizes
    // the window; the NOMOVE / NOSIZE flags say so for every implementation.
    SetWindowPos(
        hwnd, nullptr, 0, 0, 0, 0,
        (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
  }
  return true;
}

// ---- the set -----------------------------------------------------------------------------

bool HiddenDesktop::Add(const ShellWindow& window) noexcept {
  uint64_t bits = Packed(window);
  for (auto& slot : slots_)
    if (slot.load() == bits) return false;
  for (auto& slot : slots_) {
    uint64_t free = 0;
    if (!slot.compare_exchange_strong(free, bits)) continue;
    if (listener_) listener_(window, listener_context_);
    return true;
  }
  return false;
}

std::vector<ShellWindow> HiddenDesktop::Windows() const {
  std::vector<ShellWindow> windows;
  for (const auto& slot : slots_)
    if (uint64_t bits = slot.load()) windows.push_back(Unpacked(bits));
  return windows;
}

size_t HiddenDesktop::ShowAgain(bool (*pick)(ShellRole)) noexcept {
  size_t shown = 0;
  for (auto& slot : slots_) {
    uint64_t bits = slot.load();
    if (!bits || (pick && !pick(Unpacked(bits).role))) continue;
    // Whoever takes the window out of its slot shows it: once.
    if (!slot.compare_exchange_strong(bits, 0)) continue;
    SetShellWindowVisible(Unpacked(bits), true);
    ++shown;
  }
  return shown;
}

// ---- the guard ----------------------------------------------------------------------------

namespace {

constinit HiddenDesktop g_hidden;
std::atomic<bool> g_installed{false};
LPTOP_LEVEL_EXCEPTION_FILTER g_previous_filter = nullptr;
std::terminate_handler g_previous_terminate = nullptr;

// A structured exception nobody handles: the process is about to die.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  DesktopGuard::Restore();
  DesktopGuard::RestorePointer();
  return g_previous_filter ? g_previous_filter(info) : EXCEPTION_CONTINUE_SEARCH;
}

// A C++ exception nobody catches, or a throw during unwinding.
[[noreturn]] void OnTerminate() {
  DesktopGuard::Restore();
  DesktopGuard::RestorePointer();
  if (g_previous_terminate) g_previous_terminate();
  std::abort();
}

// abort() raises SIGABRT before it ends the process.
using SignalHandler = void (*)(int);
SignalHandler g_previous_abort = SIG_DFL;
void OnAbort(int signal) {
  DesktopGuard::Restore();
  if (g_previous_abort != SIG_DFL && g_previous_abort != SIG_IGN && g_previous_abort != SIG_ERR)
    g_previous_abort(signal);
}

// Ctrl+C, the console closed, log-off, shut-down: runs on a thread of its
// own; returning FALSE lets the default handler end the process.
BOOL WINAPI OnConsoleControl(DWORD) {
  DesktopGuard::Restore();
  return FALSE;
}

void OnExit() { DesktopGuard::Restore(); }

}  // namespace

void DesktopGuard::Install() {
  if (g_installed.exchange(true)) return;
  g_previous_filter = SetUnhandledExceptionFilter(OnUnhandledException);
  g_previous_terminate = std::set_terminate(OnTerminate);
  g_previous_abort = std::signal(SIGABRT, OnAbort);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  std::atexit(OnExit);
}

HiddenDesktop& DesktopGuard::Hidden() { return g_hidden; }

bool DesktopGuard::Restore() noexcept { return Hidden().ShowAgain() > 0; }

void DesktopGuard::RestorePointer() noexcept {
  int count = ::ShowCursor(TRUE);
  if (count > 0) {
    ::ShowCursor(FALSE);  // it was visible already: leave the counter as it was
    return;
  }
  // The counter may have been pushed far below zero; stop at a sane bound.
  for (int i = 0; i < 10000 && count < 0; ++i) count = ::ShowCursor(TRUE);
}

}  // namespace tk::win32
