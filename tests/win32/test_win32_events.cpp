// The event loop on Windows: time, the blocking sleep, timers during waits,
// input taken off the message queue and handed to the forms, modal windows.
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;
using EventLoopTest = PlatformTest;

// Sleeps and timer waits are precise to a millisecond, and a loop that waits
// for a timer does not keep a core busy.
TEST_F(EventLoopTest, TimeFollowsTheClockAndWaitsDoNotSpin) {
  uint32_t start = platform.TickCount();
  platform.Sleep(50);
  uint32_t slept = platform.TickCount() - start;
  EXPECT_GE(slept, 49u);
  EXPECT_LT(slept, 150u);
  start = platform.TickCount();
  for (int i = 0; i < 20; ++i) platform.Sleep(1);
  uint32_t twenty = platform.TickCount() - start;
  EXPECT_GE(twenty, 15u);
  // (The default resolution of 15.6 ms would take over 300 ms.)
  EXPECT_LT(twenty, 100u) << "Sleep(1) takes about " << twenty / 20.0 << " ms";
  double clock = platform.ClockSeconds();  // seconds since midnight
  EXPECT_TRUE(clock >= 0.0 && clock < 86400.0) << clock;

  tk::Form owner("frmOwner", tk::FormStyle::Composed);
  tk::Timer timer(owner, "tmrTest", 20, false);
  int ticks = 0;
  timer.Tick = [&] { ++ticks; };
  auto processorMs = [] {
    FILETIME unused, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &unused, &unused, &kernel, &user);
    auto ms = [](FILETIME f) { return (uint64_t{f.dwHighDateTime} << 32 | f.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
  };
  double busy = processorMs();
  start = tk::GetTickCount();
  timer.SetEnabled(true);
  tk::RunModal([&] { return ticks >= 10; });
  uint32_t elapsed = tk::GetTickCount() - start;
  busy = processorMs() - busy;
  EXPECT_EQ(ticks, 10);
  EXPECT_GE(elapsed, 190u);
  EXPECT_LT(elapsed, 1000u);
  EXPECT_LT(busy, 0.5 * elapsed) << busy << " ms of processor time in " << elapsed << " ms";
}

// Input reaches a form only through the yield, and not while a modal window
// is over it.
TEST_F(EventLoopTest, InputReachesTheFormThroughTheYieldOnlyAndNotUnderAModalWindow) {
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
  EXPECT_EQ(form.log,
            (std::vector<std::string>{"target move 0 5,5", "bg move 0 10,12", "target down 1 5,5",
                                      "target up 1 6,6", "target click", "target down 2 10,10",
                                      "target up 2 10,10", "close box", "key x"}));
  EXPECT_TRUE(IsWindow(w));  // the form decides about the close box, not the window

  form.log.clear();
  tk::Form dialog("frmModal", tk::FormStyle::Dialog);
  dialog.SetClientSize(120, 60);
  RunModalScript(dialog, {[&] {
                            EXPECT_FALSE(IsWindowEnabled(w));
                            PostMessageW(w, WM_CHAR, 'q', 0);
                            PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(55, 45));
                            PostMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(55, 45));
                          },
                          [&] { dialog.Unload(); }});
  EXPECT_TRUE(IsWindowEnabled(w));
  EXPECT_TRUE(form.log.empty());

  // Afterwards input arrives again, through the yield only: Sleep delivers
  // nothing; the yield delivers everything, also from inside a handler, where
  // it nests.
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

}  // namespace
