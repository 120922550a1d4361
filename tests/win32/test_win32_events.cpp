// The event loop on Windows: time, the blocking sleep, input taken off the
// message queue and handed to the forms, timers during waits, modal windows.
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;

// A small play surface: a background picture box and a target on top of it.
struct PlaySurface : tk::Form {
  PlaySurface() : tk::Form("frmSurface", tk::FormStyle::Composed) {
    Caption = "Surface";
    SetClientSize(200, 150);
    background.Move(0, 0, 200, 150);
    target.Move(50, 40, 20, 20);
    Focus = &background;
    // The real pointer stays off the window: a window that appears under it,
    // or that it moves over, gets moves of its own.
    SetCursorPos(0, 0);
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

using EventLoopTest = PlatformTest;

TEST_F(EventLoopTest, TickCountFollowsRealTimeAndSleepIsPrecise) {
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

  double clock = platform.ClockSeconds();  // seconds since midnight
  EXPECT_TRUE(clock >= 0.0 && clock < 86400.0) << clock;
}

TEST_F(EventLoopTest, InputReachesTheFormThroughTheYieldOnly) {
  REQUIRE_DISPLAY();
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
  PostMessageW(w, WM_CLOSE, 0, 0);
  PostMessageW(w, WM_CHAR, 'x', 0);
  ASSERT_TRUE(PumpUntil([&] { return form.log.size() >= 9; }));

  std::vector<std::string> expected = {
      "target move 0 5,5", "bg move 0 10,12", "target down 1 5,5",
      "target up 1 6,6",   "target click",    "target down 2 10,10",
      "target up 2 10,10", "close box",       "key x"};
  EXPECT_EQ(form.log, expected);
  EXPECT_TRUE(IsWindow(w));  // the form decides about the close box, not the window

  // Sleep delivers nothing; the yield delivers everything, also from inside
  // a handler, where it nests.
  form.log.clear();
  form.onKey = [&](int16_t k) {
    if (k == 'a') tk::DoEvents();  // 'b' arrives in here
    form.log.push_back("end " + std::string(1, static_cast<char>(k)));
  };
  PostMessageW(w, WM_CHAR, 'a', 0);
  PostMessageW(w, WM_CHAR, 'b', 0);
  tk::Sleep(30);
  EXPECT_TRUE(form.log.empty());
  tk::DoEvents();
  EXPECT_EQ(form.log, (std::vector<std::string>{"key a", "key b", "end b", "end a"}));
}

TEST_F(EventLoopTest, TimersTickWhileTheLoopWaitsWithoutSpinning) {
  tk::Form owner("frmOwner", tk::FormStyle::Composed);
  tk::Timer timer(owner, "tmrTest", 20, false);
  int ticks = 0;
  timer.Tick = [&] { ++ticks; };
  auto processorMs = [] {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& f) {
      return ((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
  };
  double busy = processorMs();
  uint32_t start = tk::GetTickCount();
  timer.SetEnabled(true);
  tk::RunModal([&] { return ticks >= 10; });
  uint32_t elapsed = tk::GetTickCount() - start;
  busy = processorMs() - busy;

  EXPECT_EQ(ticks, 10);
  EXPECT_GE(elapsed, 190u);
  EXPECT_LT(elapsed, 1000u);
  // A loop that polled instead of waiting would keep a core busy throughout.
  EXPECT_LT(busy, 0.5 * elapsed) << busy << " ms of processor time in " << elapsed << " ms";
}

TEST_F(EventLoopTest, ModalWindowTakesTheInputFromTheWindowsBeneath) {
  REQUIRE_DISPLAY();
  PlaySurface main;
  main.Show();
  HWND mainWindow = WindowOf(main);
  tk::Form dialog("frmCloser", tk::FormStyle::Dialog);
  dialog.SetClientSize(120, 60);
  tk::Button close(dialog, "cmdClose");
  close.Move(20, 20, 81, 25);
  bool closedByTheButton = false;
  close.Click = [&] {
    closedByTheButton = true;
    dialog.Unload();
  };
  RunModalScript(dialog, [&](int step) {
    if (step == 1) {
      EXPECT_FALSE(IsWindowEnabled(mainWindow));
      PostMessageW(mainWindow, WM_CHAR, 'q', 0);  // must not reach the surface
      PostMessageW(mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(55, 45));
      PostMessageW(mainWindow, WM_LBUTTONUP, 0, MAKELPARAM(55, 45));
    } else if (step == 3) {
      PostMessageW(GetDlgItem(WindowOf(dialog), tk::win32::kFirstControlId), BM_CLICK, 0, 0);
    }
  });
  EXPECT_TRUE(closedByTheButton);
  EXPECT_TRUE(IsWindowEnabled(mainWindow));
  EXPECT_TRUE(main.log.empty());

  // Afterwards the surface takes input again.
  PostMessageW(mainWindow, WM_CHAR, 'k', 0);
  tk::DoEvents();
  EXPECT_EQ(main.log, std::vector<std::string>{"key k"});
}

}  // namespace
