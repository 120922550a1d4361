// Shared pieces of the Windows backend tests: the platform installed for one
// test, waiting with a deadline, scripted modal runs and looking at windows.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "toolkit/controls.h"
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
  if (probe) DestroyWindow(probe);
  return probe != nullptr;
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

// Shows `form` modally while `step` is called every 30 ms with the step count
// (from 1); the script must close the form, else it is closed after 3 s.
inline void RunModalScript(tk::Form& form, const std::function<void(int)>& step) {
  tk::Timer script(form, "tmrScript", 30, true);
  int n = 0;
  script.Tick = [&] { ++n > 100 ? form.Unload() : step(n); };
  form.Show(true);
}

// The window the platform made for a form.
inline HWND WindowOf(const tk::Form& form) {
  auto* peer = dynamic_cast<tk::win32::Win32Peer*>(form.Peer());
  return peer ? peer->Handle() : nullptr;
}

// A window's text, or the name of its class.
inline std::wstring Read(decltype(&GetWindowTextW) get, HWND w) {
  wchar_t text[512] = {};
  get(w, text, 512);
  return text;
}
inline std::wstring TextOf(HWND w) { return Read(GetWindowTextW, w); }
inline std::wstring ClassOf(HWND w) { return Read(GetClassNameW, w); }

// A key pressed and let go, as the keyboard sends it to `w`.
inline void PostKey(HWND w, WPARAM key) {
  PostMessageW(w, WM_KEYDOWN, key, 0);
  PostMessageW(w, WM_KEYUP, key, 0);
}

// A window's place and size, {x, y, w, h}: in its parent's client area, or
// on the screen for a top-level window.
using Place = std::array<LONG, 4>;
inline Place PlaceOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, GetAncestor(w, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// A test pattern whose three channels all differ, so swapped channels or a
// shifted row show.
inline tk::Color Pattern(int x, int y, int seed = 0) {
  return tk::Rgb((x * 7 + seed) & 255, (y * 11 + 3 * seed) & 255, (x * y + 40 + seed) & 255);
}

}  // namespace win32_test
