// The desktop operations on Windows: the shell's windows found in every
// layout, every taskbar and the icon view hidden and shown in place, the
// guard that gives them back, screen captures and the presented play
// surface, the registry settings, one instance at a time.
#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/win32/win32_test_support.h"
#include "toolkit/win32/desktop_guard.h"
#include "toolkit/win32/shell_windows.h"

namespace {

using namespace tk::win32;
using namespace win32_test;

// Windows of the shell's classes, made by the test and destroyed with it.
struct MadeWindows {
  HWND Make(const char* cls, HWND parent = nullptr) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);  // fails, harmlessly, once the class is there
    DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    HWND w = CreateWindowExA(parent ? 0 : WS_EX_TOOLWINDOW, cls, "", style, 0, 700, 300, 30, parent,
                             nullptr, wc.hInstance, nullptr);
    made.push_back(w);
    return w;
  }
  ~MadeWindows() {
    for (auto w = made.rbegin(); w != made.rend(); ++w) DestroyWindow(*w);
  }
  std::vector<HWND> made;
};

constexpr const char* kView = "SHELLDLL_DefView";

ShellWindow Record(ShellRole role, HWND w) { return {role, HandleOfWindow(w)}; }

// The icon view in each layout, looked for in its turn: as each view goes,
// the next layout is found; with none left, Progman itself; then nothing.
// Only the test's own windows are searched, so a real shell does not count.
TEST(ShellWindowsTest, TheIconViewAndEveryTaskbarAreFoundWhereverTheShellPutThem) {
  REQUIRE_DISPLAY();
  MadeWindows w;
  HWND progman = w.Make("Progman"), worker = w.Make("WorkerW");
  HWND inner = w.Make("WorkerW", progman);
  w.Make("WorkerW");  // the wallpaper's, above the one with the view
  HWND views[] = {w.Make(kView, progman), w.Make(kView, worker), w.Make(kView, inner)};
  // Where the view holds the list of icons, the list alone is hidden.
  HWND list = w.Make("SysListView32", views[1]);
  const char* paths[] = {"Progman/SHELLDLL_DefView", "WorkerW/SHELLDLL_DefView/SysListView32",
                         "Progman/WorkerW/SHELLDLL_DefView"};
  ShellWindow hidden[] = {Record(ShellRole::IconView, views[0]), Record(ShellRole::IconList, list),
                          Record(ShellRole::IconView, views[2])};
  DWORD self = GetCurrentThreadId();
  for (int i = 0; i < 3; ++i) {
    IconLayerPlace found = FindIconLayer(self);
    EXPECT_EQ(found.path, paths[i]);
    EXPECT_EQ(found.window, hidden[i]);
    DestroyWindow(views[i]);
  }
  IconLayerPlace found = FindIconLayer(self);
  EXPECT_EQ(found.path, "Progman");
  EXPECT_EQ(found.window, Record(ShellRole::IconLayer, progman));
  DestroyWindow(progman);
  found = FindIconLayer(self);
  EXPECT_EQ(found.path, "none");
  EXPECT_FALSE(found.window);

  // The primary taskbar first, then every secondary one.
  HWND second = w.Make("Shell_SecondaryTrayWnd"), primary = w.Make("Shell_TrayWnd");
  HWND third = w.Make("Shell_SecondaryTrayWnd");
  std::vector<ShellWindow> taskbars = FindTaskbars(self);
  ASSERT_EQ(taskbars.size(), 3u);
  EXPECT_EQ(taskbars[0], Record(ShellRole::Taskbar, primary));
  ShellWindow expected[] = {Record(ShellRole::SecondaryTaskbar, second),
                            Record(ShellRole::SecondaryTaskbar, third)};
  EXPECT_TRUE(std::is_permutation(taskbars.begin() + 1, taskbars.end(), std::begin(expected)));
}

// The set of hidden windows: listed, told to the guardian and read back by it, each
// window shown again once, and only while its handle still names a window of
// its role's class.
TEST(ShellWindowsTest, TheHiddenSetShowsEachWindowOnceAndTravelsInTheGuardiansLines) {
  REQUIRE_DISPLAY();
  MadeWindows w;
  HWND taskbar = w.Make("Shell_TrayWnd"), view = w.Make(kView, w.Make("Progman"));
  ShowWindow(taskbar, SW_HIDE);
  ShowWindow(view, SW_HIDE);
  HiddenDesktop set;
  ShellWindow hidden[] = {Record(ShellRole::Taskbar, taskbar), Record(ShellRole::IconView, view)};
  for (const ShellWindow& h : hidden) EXPECT_TRUE(set.Add(h));
  EXPECT_FALSE(set.Add(hidden[0]));
  EXPECT_EQ(set.Windows(), std::vector<ShellWindow>(std::begin(hidden), std::end(hidden)));

  // The guardian is told of them in its own lines, and reads them back.
  std::string text;
  for (const ShellWindow& h : set.Windows()) text += tk::guardian::HideLine(ItemOf(h)) + "\n";
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "hide kind=taskbar id=" + std::to_string(hidden[0].handle) + " class=Shell_TrayWnd");
  tk::guardian::Record record = tk::guardian::Record::FromText(text);
  std::vector<ShellWindow> read;
  for (const tk::guardian::HiddenItem& item : record.Items())
    read.push_back(ShellWindowOf(item).value_or(ShellWindow{}));
  EXPECT_EQ(read, set.Windows());
  // Nothing for a kind of the desktop's that is no shell window, or a handle
  // that is none.
  for (auto [kind, id] : {std::pair{"dock", 0x12ull}, std::pair{"taskbar", 0ull},
                          std::pair{"icon_view", 0x123456789ull}}) {
    tk::guardian::HiddenItem item;
    item.kind = kind;
    item.id = id;
    EXPECT_FALSE(ShellWindowOf(item)) << kind << " " << id;
  }

  EXPECT_EQ(set.ShowAgain(IsTaskbar), 1u);
  EXPECT_TRUE(IsWindowVisible(taskbar));
  EXPECT_FALSE(IsWindowVisible(view));
  EXPECT_EQ(set.ShowAgain(), 1u);
  EXPECT_TRUE(IsWindowVisible(view));
  EXPECT_EQ(set.ShowAgain(), 0u);
  EXPECT_TRUE(set.Windows().empty());

  // A handle that now names a window of another class is left alone.
  ShowWindow(taskbar, SW_HIDE);
  EXPECT_FALSE(SetShellWindowVisible(Record(ShellRole::IconView, taskbar), true));
  EXPECT_FALSE(IsWindowVisible(taskbar));
  for (uint32_t i = 1; i <= HiddenDesktop::kCapacity; ++i)
    EXPECT_TRUE(set.Add({ShellRole::SecondaryTaskbar, i}));
  EXPECT_FALSE(set.Add(hidden[0]));
}

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

// Every taskbar and the icon view hidden and shown again in place, the
// windows that hold the view left on the screen: by the game, by the guard
// (which gives back only what is still hidden, once) and at the end of the
// session (after which the run ends; only asking about the end changes
// nothing). The end of the session shows the pointer too, however often it
// was hidden.
TEST_F(DesktopTest, TaskbarsIconViewAndPointerAreGivenBack) {
  REQUIRE_DISPLAY();
  int pointer = platform.ShowCursor(false) + 1;
  // The shell's own windows where it has them (Wine has a taskbar and no
  // icon layer); stand-ins for the rest: a second taskbar, and the icons in
  // a top-level WorkerW in front of the Progman that draws the wallpaper.
  MadeWindows made;
  HWND taskbar = FindWindowA("Shell_TrayWnd", "");
  if (!taskbar) taskbar = made.Make("Shell_TrayWnd");
  HWND second = made.Make("Shell_SecondaryTrayWnd");
  IconLayerPlace shell = FindIconLayer();
  HWND icons = shell.window ? WindowOfHandle(shell.window->handle) : nullptr;
  if (!icons) {
    made.Make("Progman");
    icons = made.Make("SysListView32", made.Make(kView, made.Make("WorkerW")));
  }
  HWND holder = GetAncestor(icons, GA_PARENT);
  auto state = [&] {
    return std::tuple(IsWindowVisible(taskbar), IsWindowVisible(second), IsWindowVisible(icons),
                      IsWindowVisible(holder), PlaceOf(taskbar));
  };
  Place place = PlaceOf(taskbar);
  ASSERT_EQ(state(), std::tuple(true, true, true, true, place));
  PlaySurface form;
  form.Show();
  for (const char* way : {"the game", "the guard", "the session end"}) {
    SCOPED_TRACE(way);
    platform.SetTaskbarVisible(false);
    platform.SetIconLayerVisible(false);
    EXPECT_EQ(state(), std::tuple(false, false, false, true, place));
    EXPECT_EQ(platform.IconLayerName(),
              shell.window ? shell.path : "WorkerW/SHELLDLL_DefView/SysListView32");
    if (way == std::string("the game")) {
      platform.SetTaskbarVisible(true);
      EXPECT_EQ(state(), std::tuple(true, true, false, true, place));
      platform.SetIconLayerVisible(true);
    } else if (way == std::string("the guard")) {
      EXPECT_TRUE(DesktopGuard::Restore());
    } else {
      for (int i = 0; i < 5; ++i) platform.ShowCursor(false);
      EXPECT_EQ(SendMessageW(WindowOf(form), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
      EXPECT_FALSE(IsWindowVisible(taskbar));
      SendMessageW(WindowOf(form), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
      EXPECT_EQ(platform.ShowCursor(true), 1);
      EXPECT_THROW(tk::DoEvents(), tk::ProgramEnded);
    }
    EXPECT_EQ(state(), std::tuple(true, true, true, true, place));
    EXPECT_FALSE(DesktopGuard::Restore());
  }
  // What was hidden before the game is neither noted nor shown after it.
  ShowWindow(second, SW_HIDE);
  ShowWindow(icons, SW_HIDE);
  platform.SetTaskbarVisible(false);
  platform.SetIconLayerVisible(false);
  platform.SetTaskbarVisible(true);
  platform.SetIconLayerVisible(true);
  EXPECT_EQ(state(), std::tuple(true, false, false, true, place));
  EXPECT_FALSE(DesktopGuard::Restore());
  ShowWindow(second, SW_SHOW);
  ShowWindow(icons, SW_SHOW);
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
  // Written by another program: no terminator, a lone surrogate, an odd byte.
  const uint8_t raw[] = {'7', 0, 0x00, 0xD8, '!'};
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"StyleSheet", REG_SZ, raw, sizeof raw),
            ERROR_SUCCESS);
  EXPECT_EQ(platform.GetSetting(app, "StyleSheet", "StyleSheet", "0"), "7\xEF\xBF\xBD");
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
