// The desktop operations on Windows: the taskbar and the icon window hidden
// and shown in place, the guard that gives them back, screen captures and
// the presented play surface, the registry settings, one instance at a time.
#include <memory>
#include <string>

#include "tests/win32/win32_test_support.h"
#include "toolkit/win32/desktop_guard.h"

namespace {

using tk::win32::DesktopGuard;
using namespace win32_test;

// The shell's window of a class, found as the platform finds it; where the
// shell has none (plain Wine, a test machine) a stand-in is made for the test.
class ShellWindow {
 public:
  ShellWindow(const char* cls, const char* title, bool emptyTitle) {
    found_ = FindWindowA(cls, emptyTitle ? "" : nullptr);
    if (found_) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    made_ = found_ = CreateWindowExA(WS_EX_TOOLWINDOW, cls, title, WS_POPUP | WS_VISIBLE, 0, 700,
                                     300, 30, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~ShellWindow() {
    if (made_)
      DestroyWindow(made_);
    else if (found_)
      ShowWindow(found_, SW_SHOWNA);  // the real one is left as it was found
  }
  HWND Get() const { return found_; }
  bool Visible() const { return IsWindowVisible(found_); }

 private:
  HWND found_ = nullptr, made_ = nullptr;
};

using DesktopTest = PlatformTest;

TEST_F(DesktopTest, GuardMakesThePointerVisibleWhateverTheCounter) {
  int start = platform.ShowCursor(true) - 1;
  platform.ShowCursor(false);
  for (int i = 0; i < 5; ++i) platform.ShowCursor(false);
  DesktopGuard::RestorePointer();
  EXPECT_EQ(platform.ShowCursor(false) + 1, 0);
  // A counter above zero is left alone.
  platform.ShowCursor(true);
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
  EXPECT_EQ(platform.PrimaryScreen(),
            (tk::Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  REQUIRE_DISPLAY();
  Surface64 form;
  form.Show();
  HWND w = WindowOf(form);
  ASSERT_NE(w, nullptr);
  SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

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
}

// Hidden and shown again in place: by the game, by the guard (which gives
// back only what is still hidden, once) and at the end of the session (after
// which the run ends; only asking about the end changes nothing).
TEST_F(DesktopTest, TaskbarAndIconWindowAreHiddenAndGivenBack) {
  REQUIRE_DISPLAY();
  ShellWindow taskbar("Shell_TrayWnd", "", true), icons("Progman", "Program Manager", false);
  ASSERT_TRUE(taskbar.Visible());
  ASSERT_TRUE(icons.Visible());
  Place before = PlaceOf(taskbar.Get());
  Surface64 form;
  form.Show();
  for (const char* way : {"the game", "the guard", "the session end"}) {
    SCOPED_TRACE(way);
    platform.SetTaskbarVisible(false);
    platform.SetIconLayerVisible(false);
    EXPECT_FALSE(taskbar.Visible());
    EXPECT_FALSE(icons.Visible());
    EXPECT_EQ(PlaceOf(taskbar.Get()), before);
    if (way == std::string("the game")) {
      platform.SetTaskbarVisible(true);
      platform.SetIconLayerVisible(true);
    } else if (way == std::string("the guard")) {
      EXPECT_TRUE(DesktopGuard::Restore());
    } else {
      EXPECT_EQ(SendMessageW(WindowOf(form), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
      EXPECT_FALSE(taskbar.Visible());
      SendMessageW(WindowOf(form), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
      EXPECT_THROW(tk::DoEvents(), tk::ProgramEnded);
    }
    EXPECT_TRUE(taskbar.Visible());
    EXPECT_TRUE(icons.Visible());
    EXPECT_EQ(PlaceOf(taskbar.Get()), before);
    EXPECT_FALSE(DesktopGuard::Restore());
  }
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
  ASSERT_TRUE(platform.SaveSetting(app, "StyleSheet", "StyleSheet", "3"));
  wchar_t value[16] = {};
  DWORD size = sizeof value;  // REG_SZ only
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"StyleSheet",
                         RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, value, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, L"3");
  EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "StyleSheet", "0"), "3");

  ASSERT_TRUE(platform.SaveSetting(app, "StyleSheet", "StyleSheet", "abc \xC3\xA9"));
  EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "StyleSheet", "0"), "abc \xC3\xA9");
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
