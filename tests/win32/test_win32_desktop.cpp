// The desktop operations on Windows: the taskbar and the icon window hidden
// and shown in place, the guard that gives them back, screen captures and
// the presented play surface, the registry settings, one instance at a time.
#include <memory>
#include <string>
#include <tuple>

#include "tests/win32/win32_test_support.h"
#include "toolkit/win32/desktop_guard.h"

namespace {

using tk::win32::DesktopGuard;
using namespace win32_test;

// The shell's window of a class, found as the platform finds it (`title` ""
// for an empty title, null for any); where the shell has none (plain Wine, a
// test machine) a stand-in is made for the test.
struct ShellWindow {
  ShellWindow(const char* cls, const char* title) : hwnd(FindWindowA(cls, title)) {
    if (hwnd) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    made = hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, cls, "", WS_POPUP | WS_VISIBLE, 0, 700, 300, 30,
                                  nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~ShellWindow() {
    if (made)
      DestroyWindow(made);
    else if (hwnd)
      ShowWindow(hwnd, SW_SHOWNA);  // the real one is left as it was found
  }
  HWND hwnd, made = nullptr;
};

using DesktopTest = PlatformTest;

TEST_F(DesktopTest, CaptureCopiesWhatIsPresentedPixelForPixel) {
  EXPECT_EQ(platform.PrimaryScreen(),
            (tk::Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  REQUIRE_DISPLAY();
  PlaySurface form;
  form.target.SetVisible(false);
  form.Show();
  HWND w = WindowOf(form);
  ASSERT_NE(w, nullptr);
  SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  tk::Surface shot(200, 150);
  auto captured = [&](int seed, const tk::Rect& inside) {
    return platform.CaptureScreen(shot) && WrongPixels(shot, seed, inside) == 0;
  };
  EXPECT_TRUE(PumpUntil([&] { return captured(0, {}); }))
      << WrongPixels(shot, 0, {}) << " pixels differ";

  // A change in one area is presented there.
  tk::Rect block{10, 8, 20, 12};
  for (int y = block.y; y < block.Bottom(); ++y)
    for (int x = block.x; x < block.Right(); ++x)
      form.background.Image().Set(x, y, Pattern(x, y, 9));
  form.background.InvalidateImage(block);
  EXPECT_TRUE(PumpUntil([&] { return captured(9, block); }))
      << WrongPixels(shot, 9, block) << " pixels differ";

  // The window repaints itself from its buffer.
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  EXPECT_TRUE(PumpUntil([&] { return captured(9, block); }));
}

// Hidden and shown again in place: by the game, by the guard (which gives
// back only what is still hidden, once) and at the end of the session (after
// which the run ends; only asking about the end changes nothing). The end of
// the session shows the pointer too, however often it was hidden.
TEST_F(DesktopTest, TaskbarIconWindowAndPointerAreGivenBack) {
  REQUIRE_DISPLAY();
  int pointer = platform.ShowCursor(false) + 1;
  ShellWindow taskbar("Shell_TrayWnd", ""), icons("Progman", nullptr);
  auto state = [&] {
    return std::tuple(IsWindowVisible(taskbar.hwnd), IsWindowVisible(icons.hwnd),
                      PlaceOf(taskbar.hwnd));
  };
  Place place = PlaceOf(taskbar.hwnd);
  ASSERT_EQ(state(), std::tuple(true, true, place));
  PlaySurface form;
  form.Show();
  for (const char* way : {"the game", "the guard", "the session end"}) {
    SCOPED_TRACE(way);
    platform.SetTaskbarVisible(false);
    platform.SetIconLayerVisible(false);
    EXPECT_EQ(state(), std::tuple(false, false, place));
    if (way == std::string("the game")) {
      platform.SetTaskbarVisible(true);
      platform.SetIconLayerVisible(true);
    } else if (way == std::string("the guard")) {
      EXPECT_TRUE(DesktopGuard::Restore());
    } else {
      for (int i = 0; i < 5; ++i) platform.ShowCursor(false);
      EXPECT_EQ(SendMessageW(WindowOf(form), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
      EXPECT_FALSE(IsWindowVisible(taskbar.hwnd));
      SendMessageW(WindowOf(form), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
      EXPECT_EQ(platform.ShowCursor(true), 1);
      EXPECT_THROW(tk::DoEvents(), tk::ProgramEnded);
    }
    EXPECT_EQ(state(), std::tuple(true, true, place));
    EXPECT_FALSE(DesktopGuard::Restore());
  }
  // A pointer that is shown already is left as it is.
  DesktopGuard::RestorePointer();
  EXPECT_EQ(platform.ShowCursor(false), 0);
  for (int n = platform.ShowCursor(true); n != pointer;) n = platform.ShowCursor(n < pointer);
}

// Text as it is, under HKEY_CURRENT_USER\Software\<app>\<section>, as REG_SZ;
// anything else (missing, another type) reads as the fallback.
TEST_F(DesktopTest, SettingsLiveInTheRegistryAsText) {
  EXPECT_EQ(tk::win32::Win32Platform::SettingsKeyPath("Vantoro\\Lumbravick", "StyleSheet"),
            L"Software\\Vantoro\\Lumbravick\\StyleSheet");
  std::string app = "Vantoro\\LumbravickTest" + std::to_string(GetCurrentProcessId());
  std::wstring key = tk::win32::Win32Platform::SettingsKeyPath(app, "StyleSheet");
  struct DeleteAtTheEnd {
    std::wstring path;
    ~DeleteAtTheEnd() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
  } cleanup{tk::win32::Wide("Software\\" + app)};
  EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "StyleSheet", "0"), "0");
  for (auto [text, stored] : {std::pair{"3", L"3"}, std::pair{"abc \xC3\xA9", L"abc \u00E9"}}) {
    ASSERT_TRUE(platform.SaveSetting(app, "StyleSheet", "StyleSheet", text));
    wchar_t value[16] = {};
    DWORD size = sizeof value;  // REG_SZ only
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"StyleSheet",
                           RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, stored);
    EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "StyleSheet", "0"), text);
  }
  EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "Other", "none"), "none");
  DWORD number = 4;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"StyleSheet", REG_DWORD, &number,
                            sizeof number),
            ERROR_SUCCESS);
  EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "StyleSheet", "0"), "0");
}

TEST(InstanceTest, OnlyTheFirstRunningCopyIsAlone) {
  std::wstring name = L"Local\\Vantoro.Lumbravick.Test." + std::to_wstring(GetCurrentProcessId());
  auto copy = [&] {
    auto p = std::make_unique<tk::win32::Win32Platform>();
    p->SetInstanceName(name);
    return p;
  };
  auto first = copy();
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_FALSE(first->AnotherInstanceRunning());  // asking again changes nothing
  EXPECT_TRUE(copy()->AnotherInstanceRunning());
  first.reset();
  EXPECT_FALSE(copy()->AnotherInstanceRunning());
}

TEST_F(DesktopTest, TimeOfDayIsWrittenInTheUsersLongTimeFormat) {
  std::string text = platform.FormatLongTime(0, 1, 23);
  // 00:01:23, 12:01:23 AM, 0:01:23 ...: whatever the format, minutes and
  // seconds are there with two digits each.
  EXPECT_NE(text.find("01"), std::string::npos) << text;
  EXPECT_NE(text.find("23"), std::string::npos) << text;
  EXPECT_NE(platform.FormatLongTime(13, 0, 5), text);
  EXPECT_NE(std::string(".,'").find(platform.DecimalSeparator()), std::string::npos);
}

}  // namespace
