// The desktop operations on Windows: the taskbar and the icon window hidden
// and shown in place, the guard that gives them back, screen captures and
// the presented play surface, the registry settings, one instance at a time.
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"
#include "toolkit/controls.h"
#include "toolkit/win32/desktop_guard.h"

namespace {

using tk::win32::DesktopGuard;
using win32_test::Pattern;
using win32_test::PlatformTest;
using win32_test::PumpUntil;
using win32_test::WindowOf;

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(w, m, wp, lp);
}

// The shell's window of a class, found as the platform finds it; where the
// shell has none (plain Wine, a test machine) a stand-in is made for the test.
class ShellWindow {
 public:
  ShellWindow(const char* cls, const char* title, bool emptyTitle) {
    found_ = FindWindowA(cls, emptyTitle ? "" : nullptr);
    if (found_) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    made_ = CreateWindowExA(WS_EX_TOOLWINDOW, cls, title, WS_POPUP | WS_VISIBLE, 0, 700, 300, 30,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    found_ = made_;
  }
  ~ShellWindow() {
    if (made_)
      DestroyWindow(made_);
    else if (found_)
      ShowWindow(found_, SW_SHOWNA);  // the real one is left as it was found
  }
  HWND Get() const { return found_; }

 private:
  HWND found_ = nullptr, made_ = nullptr;
};

RECT WindowRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

using DesktopTest = PlatformTest;

TEST_F(DesktopTest, TaskbarIsHiddenAndShownInPlace) {
  REQUIRE_DISPLAY();
  ShellWindow taskbar("Shell_TrayWnd", "", true);
  ASSERT_NE(taskbar.Get(), nullptr);
  ASSERT_TRUE(IsWindowVisible(taskbar.Get()));
  RECT before = WindowRect(taskbar.Get());

  platform.SetTaskbarVisible(false);
  EXPECT_FALSE(IsWindowVisible(taskbar.Get()));
  EXPECT_TRUE(DesktopGuard::TaskbarIsHidden());
  EXPECT_TRUE(SameRect(WindowRect(taskbar.Get()), before));

  platform.SetTaskbarVisible(true);
  EXPECT_TRUE(IsWindowVisible(taskbar.Get()));
  EXPECT_FALSE(DesktopGuard::TaskbarIsHidden());
  EXPECT_TRUE(SameRect(WindowRect(taskbar.Get()), before));
}

TEST_F(DesktopTest, IconWindowIsHiddenAndShown) {
  REQUIRE_DISPLAY();
  ShellWindow icons("Progman", "Program Manager", false);
  ASSERT_NE(icons.Get(), nullptr);
  platform.SetIconLayerVisible(false);
  EXPECT_FALSE(IsWindowVisible(icons.Get()));
  EXPECT_TRUE(DesktopGuard::IconLayerIsHidden());
  platform.SetIconLayerVisible(true);
  EXPECT_TRUE(IsWindowVisible(icons.Get()));
  EXPECT_FALSE(DesktopGuard::IconLayerIsHidden());
}

TEST_F(DesktopTest, GuardGivesBackWhatIsStillHiddenOnce) {
  REQUIRE_DISPLAY();
  ShellWindow taskbar("Shell_TrayWnd", "", true);
  ShellWindow icons("Progman", "Program Manager", false);
  platform.SetTaskbarVisible(false);
  platform.SetIconLayerVisible(false);
  EXPECT_TRUE(DesktopGuard::Restore());
  EXPECT_TRUE(IsWindowVisible(taskbar.Get()));
  EXPECT_TRUE(IsWindowVisible(icons.Get()));
  EXPECT_FALSE(DesktopGuard::Restore());

  // What the game showed again itself needs nothing.
  platform.SetTaskbarVisible(false);
  platform.SetTaskbarVisible(true);
  EXPECT_FALSE(DesktopGuard::Restore());
}

TEST_F(DesktopTest, GuardMakesThePointerVisibleWhateverTheCounter) {
  int start = platform.ShowCursor(true) - 1;
  platform.ShowCursor(false);
  for (int i = 0; i < 4; ++i) platform.ShowCursor(false);
  DesktopGuard::RestorePointer();
  int now = platform.ShowCursor(false) + 1;
  platform.ShowCursor(true);
  EXPECT_EQ(now, 0);
  // A counter above zero is left alone.
  platform.ShowCursor(true);
  DesktopGuard::RestorePointer();
  EXPECT_EQ(platform.ShowCursor(false), 0);
  // Back to where the test found it.
  while (platform.ShowCursor(true) < start) {
  }
  while (platform.ShowCursor(false) > start) {
  }
}

struct Surface64 : tk::Form {
  Surface64() : tk::Form("frmScreen", tk::FormStyle::Composed) {
    Caption = "Screen";
    Maximised = true;  // at the screen's top-left corner
    SetClientSize(64, 48);
    picture.Move(0, 0, 64, 48);
    picture.ClearImage();
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) picture.Image().Set(x, y, Pattern(x, y));
  }
  tk::PictureBox picture{*this, "picture"};
};

int Differences(const tk::Surface& shot, int seedInside, const tk::Rect& inside) {
  int wrong = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x)
      wrong += shot.Get(x, y) != Pattern(x, y, inside.Contains(x, y) ? seedInside : 0);
  return wrong;
}

TEST_F(DesktopTest, CaptureCopiesWhatIsPresentedPixelForPixel) {
  REQUIRE_DISPLAY();
  Surface64 form;
  form.Show();
  HWND w = WindowOf(form);
  ASSERT_NE(w, nullptr);
  SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RECT r = WindowRect(w);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 64);
  EXPECT_EQ(r.bottom, 48);

  tk::Surface shot(64, 48);
  auto captured = [&](int seed, const tk::Rect& inside) {
    tk::DoEvents();
    return platform.CaptureScreen(shot) && Differences(shot, seed, inside) == 0;
  };
  EXPECT_TRUE(PumpUntil([&] { return captured(0, {}); }))
      << Differences(shot, 0, {}) << " pixels differ";

  // A change in one area is presented there.
  tk::Rect block{10, 8, 20, 12};
  for (int y = block.y; y < block.Bottom(); ++y)
    for (int x = block.x; x < block.Right(); ++x) form.picture.Image().Set(x, y, Pattern(x, y, 9));
  form.picture.InvalidateImage(block);
  EXPECT_TRUE(PumpUntil([&] { return captured(9, block); }))
      << Differences(shot, 9, block) << " pixels differ";

  // The window repaints itself from its buffer.
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  EXPECT_TRUE(PumpUntil([&] { return captured(9, block); }));

  // A smaller target gets as much of the screen as it holds.
  tk::Surface corner(16, 8, tk::Rgb(1, 2, 3));
  ASSERT_TRUE(platform.CaptureScreen(corner));
  EXPECT_EQ(corner.Get(15, 7), Pattern(15, 7));
  EXPECT_EQ(corner.Get(0, 0), Pattern(0, 0));
}

TEST_F(DesktopTest, PrimaryScreenIsTheDesktopWindow) {
  tk::Rect screen = platform.PrimaryScreen();
  EXPECT_EQ(screen.x, 0);
  EXPECT_EQ(screen.y, 0);
  EXPECT_EQ(screen.w, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(screen.h, GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(DesktopTest, EndOfTheSessionGivesTheDesktopBackAndEndsTheRun) {
  REQUIRE_DISPLAY();
  ShellWindow taskbar("Shell_TrayWnd", "", true);
  Surface64 form;
  form.Show();
  platform.SetTaskbarVisible(false);
  ASSERT_FALSE(IsWindowVisible(taskbar.Get()));

  EXPECT_EQ(SendMessageW(WindowOf(form), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_FALSE(IsWindowVisible(taskbar.Get()));  // asking is not ending
  SendMessageW(WindowOf(form), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(IsWindowVisible(taskbar.Get()));
  EXPECT_THROW(tk::DoEvents(), tk::ProgramEnded);
}

// ---- settings --------------------------------------------------------------------

class SettingsTest : public PlatformTest {
 protected:
  SettingsTest() : app_("Vantoro\\LumbravickTest" + std::to_string(GetCurrentProcessId())) {}
  ~SettingsTest() override {
    RegDeleteTreeW(
        HKEY_CURRENT_USER,
        (L"Software\\Vantoro\\LumbravickTest" + std::to_wstring(GetCurrentProcessId())).c_str());
  }
  std::string app_;
};

TEST_F(SettingsTest, SettingLivesInTheRegistryAsText) {
  EXPECT_EQ(tk::win32::Win32Platform::SettingsKeyPath("Vantoro\\Lumbravick", "StyleSheet"),
            L"Software\\Vantoro\\Lumbravick\\StyleSheet");
  EXPECT_EQ(platform.GetSetting(app_, "StyleSheet", "StyleSheet", "0"), "0");
  ASSERT_TRUE(platform.SaveSetting(app_, "StyleSheet", "StyleSheet", "3"));

  std::wstring key = tk::win32::Win32Platform::SettingsKeyPath(app_, "StyleSheet");
  wchar_t value[16] = {};
  DWORD type = 0, size = sizeof value;
  ASSERT_EQ(
      RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"StyleSheet", RRF_RT_ANY, &type, value, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(value, L"3");
  EXPECT_EQ(platform.GetSetting(app_, "StyleSheet", "StyleSheet", "0"), "3");

  // Text is kept as it is; another key of the section is another value.
  ASSERT_TRUE(platform.SaveSetting(app_, "StyleSheet", "StyleSheet", "abc \xC3\xA9"));
  EXPECT_EQ(platform.GetSetting(app_, "StyleSheet", "StyleSheet", "0"), "abc \xC3\xA9");
  EXPECT_EQ(platform.GetSetting(app_, "StyleSheet", "Other", "none"), "none");
}

TEST_F(SettingsTest, ValueThatIsNotTextReadsAsTheFallback) {
  ASSERT_TRUE(platform.SaveSetting(app_, "StyleSheet", "StyleSheet", "1"));
  std::wstring key = tk::win32::Win32Platform::SettingsKeyPath(app_, "StyleSheet");
  DWORD number = 4;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"StyleSheet", REG_DWORD, &number,
                            sizeof number),
            ERROR_SUCCESS);
  EXPECT_EQ(platform.GetSetting(app_, "StyleSheet", "StyleSheet", "0"), "0");
}

// ---- one instance -------------------------------------------------------------------

TEST(InstanceTest, OnlyTheFirstRunningCopyIsAlone) {
  std::wstring name = L"Local\\Vantoro.Lumbravick.Test." + std::to_wstring(GetCurrentProcessId());
  auto first = std::make_unique<tk::win32::Win32Platform>();
  first->SetInstanceName(name);
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_FALSE(first->AnotherInstanceRunning());  // asking again changes nothing
  {
    tk::win32::Win32Platform second;
    second.SetInstanceName(name);
    EXPECT_TRUE(second.AnotherInstanceRunning());
  }
  first.reset();
  tk::win32::Win32Platform third;
  third.SetInstanceName(name);
  EXPECT_FALSE(third.AnotherInstanceRunning());
}

// ---- locale ---------------------------------------------------------------------------

TEST_F(DesktopTest, TimeOfDayIsWrittenInTheUsersLongTimeFormat) {
  std::string text = platform.FormatLongTime(0, 1, 23);
  // 00:01:23, 12:01:23 AM, 0:01:23 ...: whatever the format, minutes and
  // seconds are there with two digits each.
  EXPECT_NE(text.find("01"), std::string::npos) << text;
  EXPECT_NE(text.find("23"), std::string::npos) << text;
  EXPECT_NE(platform.FormatLongTime(13, 0, 5), text);
  char separator = platform.DecimalSeparator();
  EXPECT_TRUE(separator == '.' || separator == ',' || separator == '\'') << separator;
}

}  // namespace
