// Start-up, the icon-pixel scan, the main loop with its pause protocol, and
// the rules of the state record.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "game/checked.h"
#include "game/program.h"
#include "harness.h"

using testing_support::CallsStartingWith;
using testing_support::DesktopPair;
using testing_support::EndsProgram;
using testing_support::Headless;
using testing_support::ProbeAt;
using testing_support::Table;
using testing_support::WithScript;

namespace {

struct Finished {
  game::RunResult result;
  int32_t scanColumn = 0, iconPixels = 0, total = 0;
};

// Runs the whole program on the installed platform: what the window held at the end.
Finished RunGame() {
  Finished f;
  f.result = game::RunProgram([&](frmMain& w) {
    f.scanColumn = w.ScanColumn;
    f.iconPixels = w.IconPixels;
    f.total = w.IconPixelsTotal;
  });
  return f;
}

// Notes, at every capture, whether the game window already holds its
// composed frame.
struct FrameAtCapture : tk::headless::HeadlessPlatform {
  using HeadlessPlatform::HeadlessPlatform;
  bool CaptureScreen(tk::Surface& target) override {
    if (frmMain* w = MainWindow()) frameHeld.push_back(!w->Frame().Empty());
    return HeadlessPlatform::CaptureScreen(target);
  }
  std::vector<bool> frameHeld;
};

}  // namespace

TEST(Startup, ClearsAndPhotographsTheDesktopInOrderAndGivesItBackAtTheEnd) {
  testing_support::Installed<FrameAtCapture> h(
      WithScript(DesktopPair(640, 480, {{10, 10, 8, 8}}), "0 follow on\n7000 key q\n"));
  Finished f = RunGame();
  const auto& calls = h.platform.calls;
  auto at = calls.begin();
  for (const char* step :
       {"MinimiseAllWindows", "SetTaskbarVisible(0)", "CaptureScreen(icons)",
        "SetIconLayerVisible(0)", "CaptureScreen(no icons)", "SetIconLayerVisible(1)"}) {
    at = std::find(at, calls.end(), step);
    ASSERT_NE(at, calls.end()) << step << " missing or out of order";
  }
  EXPECT_TRUE(f.result.ended);
  EXPECT_TRUE(h.platform.taskbarVisible);
  EXPECT_GE(h.platform.cursorCount, 0) << "the pointer is shown again";
  EXPECT_EQ(f.total, 64);
  EXPECT_EQ(h.platform.frameHeld, std::vector<bool>({false, false}))
      << "the frame is made when the window first shows, not while the desktop is captured";
}

TEST(Startup, ASecondInstanceEndsBeforeTouchingTheDesktop) {
  auto options = DesktopPair(50, 50);
  options.anotherInstance = true;
  Headless h(std::move(options));
  Finished f = RunGame();
  EXPECT_TRUE(f.result.ended);
  EXPECT_EQ(h.platform.calls,
            std::vector<std::string>({"CreateWindow(frmMain)", "AnotherInstanceRunning"}));
}

TEST(Startup, CursorEndsHiddenOrShownWhateverTheCounterWas) {
  // start count -> after hide, after show
  struct Case {
    int start, hidden, shown;
  };
  Table t(DesktopPair(40, 40));
  int& count = t.headless.platform.cursorCount;
  for (Case c :
       {Case{0, -1, 0}, Case{3, -1, 0}, Case{-1, -1, 0}, Case{-2, -1, 0}, Case{-5, -4, 0}}) {
    count = c.start;
    t.window->CursorHide();
    EXPECT_EQ(count, c.hidden) << "hide from " << c.start;
    t.window->CursorShow();
    EXPECT_EQ(count, c.shown) << "show from " << c.start;
  }
  count = 4;
  t.window->CursorShow();
  EXPECT_EQ(count, 3) << "shown already: one below where it started";
}

TEST(IconScan, CountsAColumnAtATimeAndNothingOutsideTheCapturesOnACentredCount) {
  Table t(DesktopPair(10, 10, {{2, 0, 1, 10}, {9, 3, 1, 2}}));
  std::vector<std::string> labels;
  t.window->lblIconPixels.Traced = false;
  const auto& panel = t.window->picDisplay;
  const auto& count = t.window->lblIconPixels;
  for (int pass = 0; pass < 11; ++pass) {
    // Centred in the panel from the first "0" on, whatever it shows.
    EXPECT_FLOAT_EQ(count.Left(), panel.Width() / 2 - count.Width() / 2) << count.Caption();
    t.window->GetIconPixels();
    labels.push_back(t.window->lblIconPixels.Caption());
  }
  // Column W lies outside and counts nothing.
  EXPECT_EQ(labels, (std::vector<std::string>{"0", "0", "10", "10", "10", "10", "10", "10", "10",
                                              "12", "12"}));
  EXPECT_FALSE(t.window->IconPixelsDone);
  t.window->GetIconPixels();
  EXPECT_TRUE(t.window->IconPixelsDone) << "done W + 2 passes after the first";
  EXPECT_EQ(std::tuple(t.window->ScanColumn, t.window->IconPixelsTotal, t.window->SpeedUpMark),
            std::tuple(12, 12, 12));
}

// Driven pass by pass: a whole run on so small a desktop would hinge on the
// random serve, as the ball may be lost before the scan is over.
TEST(IconScan, WallpaperWarningFromWTimesHMinus1000DifferingPixelsAndNoEndsTheGame) {
  // 40 x 30 = 1200 pixels: the warning needs 200 or more differing ones.
  std::vector<tk::MessageBoxRequest> boxes;
  for (int differing : {199, 200}) {
    auto options = DesktopPair(40, 30);
    for (int i = 0; i < differing; ++i)
      options.withIcons.Set(i % 40, i / 40, testing_support::kIcon);
    Table t(WithScript(std::move(options), "0 answer no\n"));
    const bool ended = EndsProgram([&] {
      for (int pass = 0; pass < 50 && !t.window->IconPixelsDone; ++pass) t.window->GetIconPixels();
    });
    EXPECT_TRUE(t.window->IconPixelsDone) << differing;
    EXPECT_EQ(ended, differing == 200) << differing;
    boxes = t.headless.platform.messageBoxes;
    ASSERT_EQ(boxes.size(), differing == 200 ? 1u : 0u) << differing;
  }
  const auto& box = boxes[0];
  EXPECT_EQ(box.title, "Wallpaper settings");
  EXPECT_EQ(std::tuple(box.buttons, box.icon, box.defaultAnswer),
            std::tuple(tk::MsgBoxButtons::YesNo, tk::MsgBoxIcon::Critical, tk::MsgBoxResult::Yes));
  EXPECT_NE(box.text.find("HTML-Wallpaper"), std::string::npos);
  EXPECT_NE(box.text.find("restart your system.\r\n\r\nDo you want to play anyway?"),
            std::string::npos);
}

TEST(GameLoop, PauseHoldsTheScanResumeContinuesAtTheSameColumnAndAnyKeyButShiftEndsIt) {
  Headless h(WithScript(DesktopPair(3000, 400, {{0, 0, 3000, 1}}),
                        "0 follow on\n3720 keydown Shift\n3750 down right\n3750 up right\n"
                        "9000 up right\n"  // resume: the loop runs nested in this handler
                        "9010 key x\n"));
  Finished f = RunGame();
  EXPECT_TRUE(f.result.ended);
  EXPECT_GE(tk::GetTickCount(), 9010u) << "Shift ended nothing";
  // The loop starts at 3700 ms; a scan pass lasts LoopDelay (4 ms), then
  // costs 0.1 ms more. 13 passes begin before the release at 3750 and the
  // 14th takes it, still scanning its column; after the resume at 9000, 3
  // begin before the key at 9010 and the 4th takes it, without scanning.
  const int beforePause = 14, afterResume = 3;
  EXPECT_EQ(f.scanColumn, beforePause + afterResume);
  EXPECT_EQ(f.iconPixels, f.scanColumn) << "no column counted twice";
}

TEST(GameLoop, NeverRunsUnderTheEndScreenOfAKeyPressedBeforeItsFirstPass) {
  // Start-up is over at 3300 ms; the loop would start at 3700, under the
  // end screen, whose OK unlocks 5 s later.
  Headless h(WithScript(DesktopPair(640, 480), "3500 key x\n"));
  Finished f = RunGame();
  EXPECT_TRUE(f.result.ended);
  EXPECT_GE(tk::GetTickCount(), 8500u);
  EXPECT_EQ(h.platform.passes, 0u);
  EXPECT_EQ(CallsStartingWith(h.platform, {"Sound("}), std::vector<std::string>{"Sound(109)"});
}

TEST(GameLoop, TwoReleasesInOneYieldNestTheLoopAndTheOuterReturnsOnPause) {
  Table t(WithScript(DesktopPair(640, 480), "1 up right\n1 up right\n30 up right\n"));
  t.window->OnLoad = nullptr;
  t.window->Show();
  t.PlacePaddle(236, 408);
  t.PlaceBall(312, 100, 0, 0);  // a ball that stands still keeps the run simple
  uint32_t started = tk::GetTickCount();
  t.window->GameLoop();
  // The second release resumed and ran the loop inside its handler; the third
  // paused it, and both the inner and the outer loop returned.
  EXPECT_TRUE(t.window->Paused);
  EXPECT_GE(tk::GetTickCount() - started, 30u);
  EXPECT_EQ(t.headless.platform.cursorCount, 0) << "paused twice, resumed once: the pointer shows";
  EXPECT_EQ(t.window->ScanColumn, static_cast<int32_t>(t.headless.platform.passes));
}

TEST(GameLoop, AScanPassLastsLoopDelayFromItsStartAndPlayPassesSleepItOnTop) {
  Table t(WithScript(DesktopPair(40, 480), "300 up right\n"));
  auto& p = t.headless.platform;
  t.window->OnLoad = nullptr;
  t.window->Show();
  t.PlacePaddle(0, 408, 40);
  t.PlaceBall(12, 100, 0, 0);
  // A handler that takes 2.5 ms of the pass running at 50 ms.
  ProbeAt slowHandler(50, [&] { p.AdvanceMicros(2500); });
  t.window->GameLoop();
  ASSERT_TRUE(slowHandler.fired);
  std::vector<std::string> sleeps = CallsStartingWith(p, {"Sleep("});
  const auto full = static_cast<size_t>(std::count(sleeps.begin(), sleeps.end(), "Sleep(4)"));
  // One sleep per pass; the slow pass sleeps only what is left of its 4 ms.
  EXPECT_EQ(sleeps.size(), p.passes);
  EXPECT_EQ(full, sleeps.size() - 1);
  EXPECT_TRUE(std::ranges::find(sleeps, "Sleep(2)") != sleeps.end() ||
              std::ranges::find(sleeps, "Sleep(1)") != sleeps.end());
  // 42 scan passes of 4.1 ms end at 172.2 ms; play passes yield 4 ms after
  // they begin, every 4.1 ms: the 32nd takes the release at 300 ms.
  EXPECT_TRUE(t.window->IconPixelsDone);
  EXPECT_EQ(p.passes, 42u + 32u);
}

TEST(StateRecord, SixteenBitAssignmentThatOverflowsIsSkipped) {
  int16_t field = 7;
  for (auto [value, fits, after] : {std::tuple{32767, true, 32767},
                                    {32768, false, 32767},
                                    {-32769, false, 32767},
                                    {-32768, true, -32768}}) {
    EXPECT_EQ(game::Assign(field, value), fits) << value;
    EXPECT_EQ(field, after) << value;
  }

  // In play: a centre hit that would push BallDirY past the width leaves it.
  Table t(DesktopPair(400, 300));
  t.PlacePaddle(100, 250);
  t.PlaceBall(176, 235, 1, 32767);
  t.window->Collision();
  EXPECT_EQ(t.window->BallDirY, 32767);
  t.PlaceBall(176, 235, 1, 32766);
  t.window->Collision();
  EXPECT_EQ(t.window->BallDirY, -32767);
}
