// The event loop on Windows: time, the blocking sleep, input taken off the
// message queue and handed to the forms, timers during waits, modal windows.
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"
#include "toolkit/controls.h"

namespace {

using win32_test::PlatformTest;
using win32_test::PumpUntil;
using win32_test::WindowOf;

// A small play surface: a background picture box and a target on top of it.
struct PlaySurface : tk::Form {
  PlaySurface() : tk::Form("frmSurface", tk::FormStyle::Composed) {
    Caption = "Surface";
    SetClientSize(200, 150);
    background.Move(0, 0, 200, 150);
    target.Move(50, 40, 20, 20);
    Focus = &background;
    background.KeyPress = [this](int16_t k) {
      keys.push_back(k);
      if (onKey) onKey(k);
    };
    background.MouseMove = [this](int16_t b, int16_t, float x, float y) {
      Log("bg move", b, x, y);
    };
    target.MouseMove = [this](int16_t b, int16_t, float x, float y) {
      Log("target move", b, x, y);
    };
    target.MouseDown = [this](int16_t b, int16_t, float x, float y) {
      Log("target down", b, x, y);
    };
    target.MouseUp = [this](int16_t b, int16_t, float x, float y) { Log("target up", b, x, y); };
    target.Click = [this] { log.push_back("target click"); };
  }
  void Log(const char* what, int16_t button, float x, float y) {
    log.push_back(std::string(what) + " " + std::to_string(button) + " " +
                  std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)));
  }
  tk::PictureBox background{*this, "background"};
  tk::PictureBox target{*this, "target"};
  std::vector<std::string> log;
  std::vector<int16_t> keys;
  std::function<void(int16_t)> onKey;
};

// A dialog with one button that closes it.
struct Closer : tk::Form {
  Closer() : tk::Form("frmCloser", tk::FormStyle::Dialog) {
    Caption = "Closer";
    SetClientSize(120, 60);
    cmdClose.Move(20, 20, 81, 25);
    cmdClose.SetCaption("Close");
    cmdClose.Click = [this] { Unload(); };
  }
  tk::Button cmdClose{*this, "cmdClose"};
};

using TimeTest = PlatformTest;

TEST_F(TimeTest, TickCountFollowsRealTimeAndSleepIsPrecise) {
  uint32_t start = platform.TickCount();
  platform.Sleep(50);
  uint32_t slept = platform.TickCount() - start;
  EXPECT_GE(slept, 49u);
  EXPECT_LT(slept, 150u);

  // With the timer resolution at one millisecond, short sleeps stay short.
  start = platform.TickCount();
  for (int i = 0; i < 20; ++i) platform.Sleep(1);
  uint32_t twenty = platform.TickCount() - start;
  EXPECT_GE(twenty, 15u);
  // (The default resolution of 15.6 ms would take over 300 ms.)
  EXPECT_LT(twenty, 100u) << "Sleep(1) takes about " << twenty / 20.0 << " ms";

  double clock = platform.ClockSeconds();
  EXPECT_GE(clock, 0.0);
  EXPECT_LT(clock, 86400.0);
}

using InputTest = PlatformTest;

TEST_F(InputTest, PointerAndKeysReachTheControlUnderThePointer) {
  REQUIRE_DISPLAY();
  // The real pointer stays off the window: a window that appears under it
  // gets a move of its own.
  SetCursorPos(0, 0);
  PlaySurface form;
  form.Show();
  HWND w = WindowOf(form);
  ASSERT_NE(w, nullptr);

  PostMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(55, 45));
  PostMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(10, 12));
  PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(55, 45));
  PostMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(56, 46));
  PostMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(60, 50));
  PostMessageW(w, WM_RBUTTONUP, 0, MAKELPARAM(60, 50));
  PostMessageW(w, WM_CHAR, 'x', 0);
  ASSERT_TRUE(PumpUntil([&] { return !form.keys.empty(); }));

  std::vector<std::string> expected = {
      "target move 0 5,5", "bg move 0 10,12",     "target down 1 5,5", "target up 1 6,6",
      "target click",      "target down 2 10,10", "target up 2 10,10"};
  EXPECT_EQ(form.log, expected);
  EXPECT_EQ(form.keys, std::vector<int16_t>{'x'});
}

TEST_F(InputTest, SleepDeliversNothingAndTheYieldDeliversEverything) {
  REQUIRE_DISPLAY();
  PlaySurface form;
  form.Show();
  HWND w = WindowOf(form);
  PostMessageW(w, WM_CHAR, 'a', 0);
  PostMessageW(w, WM_CHAR, 'b', 0);
  tk::Sleep(30);
  EXPECT_TRUE(form.keys.empty());
  tk::DoEvents();
  EXPECT_EQ(form.keys, (std::vector<int16_t>{'a', 'b'}));
}

TEST_F(InputTest, TheYieldNestsInsideAHandler) {
  REQUIRE_DISPLAY();
  PlaySurface form;
  form.Show();
  HWND w = WindowOf(form);
  std::vector<std::string> order;
  form.onKey = [&](int16_t k) {
    order.push_back("start " + std::string(1, static_cast<char>(k)));
    if (k == 'a') tk::DoEvents();  // the handler yields: 'b' arrives inside it
    order.push_back("end " + std::string(1, static_cast<char>(k)));
  };
  PostMessageW(w, WM_CHAR, 'a', 0);
  PostMessageW(w, WM_CHAR, 'b', 0);
  tk::DoEvents();
  EXPECT_EQ(order, (std::vector<std::string>{"start a", "start b", "end b", "end a"}));
}

TEST_F(InputTest, TimersTickWhileTheLoopWaitsWithoutSpinning) {
  tk::Form owner("frmOwner", tk::FormStyle::Composed);
  tk::Timer timer(owner, "tmrTest", 20, false);
  int ticks = 0;
  timer.Tick = [&] { ++ticks; };
  FILETIME created, exited, kernel0, user0, kernel1, user1;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
  uint32_t start = tk::GetTickCount();
  timer.SetEnabled(true);
  tk::RunModal([&] { return ticks >= 10; });
  uint32_t elapsed = tk::GetTickCount() - start;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
  auto ms = [](const FILETIME& f) {
    return ((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
  };
  double busy = ms(kernel1) - ms(kernel0) + ms(user1) - ms(user0);

  EXPECT_EQ(ticks, 10);
  EXPECT_GE(elapsed, 190u);
  EXPECT_LT(elapsed, 1000u);
  // A loop that polled instead of waiting would keep a core busy throughout.
  EXPECT_LT(busy, 0.5 * elapsed) << busy << " ms of processor time in " << elapsed << " ms";
}

TEST_F(InputTest, ModalWindowTakesTheInputFromTheWindowsBeneath) {
  REQUIRE_DISPLAY();
  PlaySurface main;
  main.Show();
  HWND mainWindow = WindowOf(main);
  Closer dialog;
  tk::Timer script(main, "tmrScript", 30, true);
  int step = 0;
  bool mainDisabledWhileModal = false;
  script.Tick = [&] {
    ++step;
    HWND d = WindowOf(dialog);
    if (step == 1) {
      mainDisabledWhileModal = !IsWindowEnabled(mainWindow);
      PostMessageW(mainWindow, WM_CHAR, 'q', 0);  // must not reach the surface
      PostMessageW(mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(55, 45));
      PostMessageW(mainWindow, WM_LBUTTONUP, 0, MAKELPARAM(55, 45));
    } else if (step == 3) {
      PostMessageW(GetDlgItem(d, tk::win32::kFirstControlId), BM_CLICK, 0, 0);
    }
  };
  dialog.Show(true);  // returns once the button has closed it
  script.SetEnabled(false);

  EXPECT_GE(step, 3);
  EXPECT_TRUE(mainDisabledWhileModal);
  EXPECT_TRUE(IsWindowEnabled(mainWindow));
  EXPECT_TRUE(main.keys.empty());
  EXPECT_TRUE(main.log.empty());
  EXPECT_FALSE(dialog.Loaded());

  // Afterwards the surface takes input again.
  PostMessageW(mainWindow, WM_CHAR, 'k', 0);
  tk::DoEvents();
  EXPECT_EQ(main.keys, std::vector<int16_t>{'k'});
}

TEST_F(InputTest, CloseBoxOfTheSurfaceIsReportedToTheForm) {
  REQUIRE_DISPLAY();
  PlaySurface form;
  int closes = 0;
  form.OnCloseBox = [&] { ++closes; };
  form.Show();
  PostMessageW(WindowOf(form), WM_CLOSE, 0, 0);
  tk::DoEvents();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(IsWindow(WindowOf(form)));  // the form decides, not the window
}

}  // namespace
