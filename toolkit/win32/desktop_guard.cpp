#include "toolkit/win32/desktop_guard.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <exception>

namespace tk::win32 {

namespace {

std::atomic<bool> g_taskbar_hidden{false};
std::atomic<bool> g_icons_hidden{false};
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

void DesktopGuard::TaskbarHidden(bool hidden) { g_taskbar_hidden = hidden; }
void DesktopGuard::IconLayerHidden(bool hidden) { g_icons_hidden = hidden; }
bool DesktopGuard::TaskbarIsHidden() { return g_taskbar_hidden; }
bool DesktopGuard::IconLayerIsHidden() { return g_icons_hidden; }

bool DesktopGuard::Restore() noexcept {
  bool restored = false;
  if (g_icons_hidden.exchange(false)) {
    ShowIconLayer(true);
    restored = true;
  }
  if (g_taskbar_hidden.exchange(false)) {
    ShowTaskbar(true);
    restored = true;
  }
  return restored;
}

void DesktopGuard::RestorePointer() noexcept {
  int count = ::ShowCursor(TRUE);
  if (count > 0) {
    ::ShowCursor(FALSE);  // it was visible already: leave the counter as it was
    return;
  }
  // The counter may have been pushed far below zero; stop at a sane bound.
  for (int i = 0; i < 10000 && count < 0; ++i) count = ::ShowCursor(TRUE);
}

void* DesktopGuard::FindTaskbar() noexcept { return FindWindowA("Shell_TrayWnd", ""); }
void* DesktopGuard::FindIconLayer() noexcept { return FindWindowA("Progman", nullptr); }

void DesktopGuard::ShowTaskbar(bool visible) noexcept {
  // With SWP_SHOWWINDOW or SWP_HIDEWINDOW Windows neither moves nor sizes the
  // window; the NOMOVE / NOSIZE flags say so for every implementation.
  if (HWND taskbar = static_cast<HWND>(FindTaskbar()))
    SetWindowPos(
        taskbar, nullptr, 0, 0, 0, 0,
        (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DesktopGuard::ShowIconLayer(bool visible) noexcept {
  if (HWND icons = static_cast<HWND>(FindIconLayer()))
    ShowWindow(icons, visible ? SW_SHOW : SW_HIDE);
}

}  // namespace tk::win32
