// Shared pieces of the Windows backend tests: the platform installed for one
// test, waiting with a deadline, and the checks that need a display.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "toolkit/toolkit.h"
#include "toolkit/win32/win32_platform.h"
#include "toolkit/win32/win32_windows.h"

namespace win32_test {

// Windows can be made only where there is a display (under Wine: an X
// server). Tests that need one skip with this message where there is none.
inline bool HaveDisplay() {
  tk::win32::RegisterWindowClasses();
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

#define REQUIRE_DISPLAY()         \
  if (!win32_test::HaveDisplay()) \
  GTEST_SKIP() << "no display to make windows on (set DISPLAY under Wine)"

class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest() { tk::InstallPlatform(&platform); }
  ~PlatformTest() override { tk::InstallPlatform(nullptr); }
  tk::win32::Win32Platform platform;
};

// Runs the event loop until `done` or `ms` have passed; false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, uint32_t ms = 3000) {
  uint32_t start = tk::GetTickCount();
  while (!done()) {
    if (tk::GetTickCount() - start > ms) return false;
    tk::DoEvents();
    tk::CurrentPlatform().PumpEvents(5);
  }
  return true;
}

// The window the platform made for a form.
inline HWND WindowOf(const tk::Form& form) {
  auto* peer = dynamic_cast<tk::win32::Win32Peer*>(form.Peer());
  return peer ? peer->Handle() : nullptr;
}

inline std::wstring TextOf(HWND w) {
  wchar_t text[512] = {};
  GetWindowTextW(w, text, 512);
  return text;
}

inline std::wstring ClassOf(HWND w) {
  wchar_t name[128] = {};
  GetClassNameW(w, name, 128);
  return name;
}

// A child's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A test pattern whose three channels all differ, so swapped channels or a
// shifted row show.
inline tk::Color Pattern(int x, int y, int seed = 0) {
  return tk::Rgb((x * 7 + seed) & 255, (y * 11 + 3 * seed) & 255, (x * y + 40 + seed) & 255);
}

}  // namespace win32_test
