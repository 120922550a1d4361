// Shared pieces of the Windows backend tests: the platform installed for one
// test, waiting with a deadline, scripted modal runs, a play surface and
// looking at windows and pixels.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

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

// Shows `form` modally and runs one step of `script` on every other tick of a
// 30 ms timer, so that what a step posted is handled before the next one. The
// script must close the form, else it is closed after 3 s.
inline void RunModalScript(tk::Form& form, const std::vector<std::function<void()>>& script) {
  tk::Timer timer(form, "tmrScript", 30, true);
  size_t n = 0;
  timer.Tick = [&] {
    if (++n > 100)
      form.Unload();
    else if (n % 2 == 1 && n / 2 < script.size())
      script[n / 2]();
  };
  form.Show(true);
}

// A test pattern whose three channels all differ, so swapped channels or a
// shifted row show.
inline tk::Color Pattern(int x, int y, int seed = 0) {
  return tk::Rgb((x * 7 + seed) & 255, (y * 11 + 3 * seed) & 255, (x * y + 40 + seed) & 255);
}

// How many pixels differ from Pattern(seed) inside `inside` and Pattern()
// elsewhere.
inline int WrongPixels(const tk::Surface& s, int seedInside, const tk::Rect& inside) {
  int wrong = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      wrong += s.Get(x, y) != Pattern(x, y, inside.Contains(x, y) ? seedInside : 0);
  return wrong;
}

// A play surface at the screen's top-left corner: a background picture box
// showing Pattern() and a target on top of it, with what reaches them logged.
struct PlaySurface : tk::Form {
  PlaySurface() : tk::Form("frmSurface", tk::FormStyle::Composed) {
    Maximised = true;
    SetClientSize(200, 150);
    background.Move(0, 0, 200, 150);
    background.ClearImage();
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) background.Image().Set(x, y, Pattern(x, y));
    target.Move(50, 40, 20, 20);
    Focus = &background;
    // The real pointer stays off the window: a window that appears under it,
    // or that it moves over, gets moves of its own.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    background.KeyPress = [this](int16_t k) {
      log.push_back("key " + std::string(1, static_cast<char>(k)));
      if (onKey) onKey(k);
    };
    auto record = [this](tk::MouseHandler& handler, std::string what) {
      handler = [this, what](int16_t b, int16_t, float x, float y) {
        log.push_back(what + " " + std::to_string(b) + " " + std::to_string(static_cast<int>(x)) +
                      "," + std::to_string(static_cast<int>(y)));
      };
    };
    record(background.MouseMove, "bg move");
    record(target.MouseMove, "target move");
    record(target.MouseDown, "target down");
    record(target.MouseUp, "target up");
    target.Click = [this] { log.push_back("target click"); };
    OnCloseBox = [this] { log.push_back("close box"); };
  }
  tk::PictureBox background{*this, "background"};
  tk::PictureBox target{*this, "target"};
  std::vector<std::string> log;
  std::function<void(int16_t)> onKey;
};

inline HWND WindowOf(const tk::Form& form) {
  auto* peer = dynamic_cast<tk::win32::Win32Peer*>(form.Peer());
  return peer ? peer->Handle() : nullptr;
}

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

}  // namespace win32_test
