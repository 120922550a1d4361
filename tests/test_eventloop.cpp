// The single-thread event semantics everything relies on: what a yield, a
// sleep, a modal window and the idle state deliver, and when timers tick.
#include <gtest/gtest.h>

#include <vector>

#include "harness.h"
#include "toolkit/input.h"

using testing_support::DesktopPair;
using testing_support::Headless;
using testing_support::WithScript;

namespace {

struct Probe : tk::Form {
  Probe() : tk::Form("frmProbe", tk::FormStyle::Composed) {
    SetClientSize(100, 100);
    surface.Move(0, 0, 100, 100);
    surface.MouseMove = [this](int16_t, int16_t, float x, float) {
      moves.push_back(static_cast<int>(x));
    };
    fast.Tick = [this] { ++fastTicks; };
  }
  tk::PictureBox surface{*this, "surface"};
  tk::Timer fast{*this, "fast", 10, false};
  std::vector<int> moves;
  int fastTicks = 0;
};

}  // namespace

TEST(EventLoop, YieldDeliversEveryPendingEventButSleepDeliversNone) {
  Headless h(
      WithScript(DesktopPair(100, 100), "0 move 5 5\n0 move 6 5\n0 move 7 5\n30 move 9 9\n"));
  Probe form;
  form.Show();
  form.fast.SetEnabled(true);

  tk::Sleep(25);  // input and two timer periods are due, but a sleep blocks
  EXPECT_TRUE(form.moves.empty());
  EXPECT_EQ(form.fastTicks, 0);

  tk::DoEvents();
  EXPECT_EQ(form.moves, (std::vector<int>{5, 6, 7}));
  EXPECT_EQ(form.fastTicks, 1) << "ticks missed while busy are merged into one";

  tk::Sleep(10);
  tk::DoEvents();
  EXPECT_EQ(form.moves.back(), 9);
  EXPECT_EQ(form.fastTicks, 2);
}

TEST(EventLoop, TimerNeverReentersItsOwnHandlerButOthersTickInside) {
  Headless h(DesktopPair(100, 100));
  Probe form;
  tk::Timer slow(form, "slow", 10, true);
  int depth = 0, maxDepth = 0, slowTicks = 0;
  slow.Tick = [&] {
    ++slowTicks;
    maxDepth = std::max(maxDepth, ++depth);
    // A handler that yields, as one that plays a sound does.
    for (int i = 0; i < 5; ++i) {
      tk::Sleep(10);
      tk::DoEvents();
    }
    --depth;
  };
  form.fast.SetEnabled(true);
  tk::Sleep(10);
  tk::DoEvents();
  EXPECT_EQ(slowTicks, 1);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GE(form.fastTicks, 5) << "other timers tick inside a yielding handler";
}

TEST(EventLoop, ModalWindowHoldsTheCallerWhileTimersTick) {
  Headless h(DesktopPair(100, 100));
  Probe owner;
  owner.fast.SetEnabled(true);
  tk::Form dialog("frmDialog", tk::FormStyle::Dialog);
  tk::Button ok(dialog, "cmdOK");
  ok.Default = true;
  ok.SetEnabled(false);
  ok.Click = [&] { dialog.Unload(); };
  tk::Timer unlock(dialog, "unlock", 200, true);
  unlock.Tick = [&] {
    ok.SetEnabled(true);
    dialog.DeliverKeyPress('x');
    EXPECT_TRUE(dialog.Loaded()) << "only Enter and Esc press a dialog's buttons";
  };

  uint32_t before = tk::GetTickCount();
  dialog.Show(true);  // nobody answers: the default button is pressed once enabled
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_GE(tk::GetTickCount() - before, 200u);
  EXPECT_GE(owner.fastTicks, 19) << "the owner's timers kept ticking behind the modal window";
}

TEST(EventLoop, PointerGoesToTheTopmostControlAndReleaseToWherePressed) {
  Headless h(DesktopPair(100, 100));
  Probe form;
  tk::PictureBox paddle(form, "paddle");
  paddle.Move(40, 40, 20, 10);
  int paddleMoves = 0, paddleClicks = 0, surfaceUps = 0;
  paddle.MouseMove = [&](int16_t, int16_t, float, float) { ++paddleMoves; };
  paddle.Click = [&] { ++paddleClicks; };
  form.surface.MouseUp = [&](int16_t, int16_t, float, float) { ++surfaceUps; };

  form.DeliverMouse(tk::PointerAction::Move, 0, 45, 45);
  EXPECT_EQ(paddleMoves, 1);
  EXPECT_TRUE(form.moves.empty());
  form.DeliverMouse(tk::PointerAction::Down, tk::kLeftButton, 45, 45);
  form.DeliverMouse(tk::PointerAction::Up, tk::kLeftButton, 45, 45);
  EXPECT_EQ(paddleClicks, 1);
  EXPECT_EQ(surfaceUps, 0);

  // Pressed on the surface, released over the paddle: the surface gets it.
  form.DeliverMouse(tk::PointerAction::Down, tk::kRightButton, 5, 5);
  form.DeliverMouse(tk::PointerAction::Up, tk::kRightButton, 45, 45);
  EXPECT_EQ(surfaceUps, 1);

  paddle.SetVisible(false);
  form.DeliverMouse(tk::PointerAction::Move, 0, 45, 45);
  EXPECT_EQ(form.moves, std::vector<int>{45}) << "a hidden control catches nothing";
}

TEST(EventLoop, IdleJumpsTheClockToTheNextTickOrScriptedEvent) {
  Headless h(WithScript(DesktopPair(100, 100), "5000 move 1 1\n"));
  Probe form;
  form.Show();
  tk::RunModal([&] { return !form.moves.empty(); });
  EXPECT_EQ(tk::GetTickCount(), 5000u);
}

// Whatever the backend, queued input reaches its form in order, with runs of
// moves merged where asked, and only while no modal window or message box is
// over it; a control that went while its click waited gets nothing.
TEST(EventLoop, QueuedInputReachesOnlyAFormThatMayTakeIt) {
  using tk::InputEvent;
  using tk::PointerAction;
  Headless h(DesktopPair(100, 100));
  Probe a, b;
  a.Show();
  b.Show();
  a.surface.MouseDown = [&](int16_t, int16_t, float x, float) {
    a.moves.push_back(-static_cast<int>(x));
  };
  auto pointer = [](Probe& f, PointerAction action, int x) {
    return InputEvent{.kind = InputEvent::Kind::Pointer, .form = &f, .action = action, .x = x};
  };
  for (int x : {1, 2, 3}) tk::QueueInputMergingMoves(pointer(a, PointerAction::Move, x));
  tk::QueueInputMergingMoves(pointer(a, PointerAction::Down, 4));
  tk::QueueInputMergingMoves(pointer(a, PointerAction::Move, 5));
  tk::QueueInputMergingMoves(pointer(b, PointerAction::Move, 6));
  tk::QueueInputMergingMoves(pointer(a, PointerAction::Move, 7));
  tk::QueueInput(pointer(a, PointerAction::Move, 8));
  tk::ForgetInput(&b);
  tk::DeliverQueuedInput();
  EXPECT_EQ(a.moves, (std::vector<int>{3, -4, 5, 7, 8}));
  EXPECT_TRUE(b.moves.empty());

  tk::Form dialog("frmDialog", tk::FormStyle::Dialog);
  auto gone = std::make_unique<tk::Button>(dialog, "cmdGone");
  int clicks = 0;
  tk::Button stays(dialog, "cmdStays");
  stays.Click = gone->Click = [&] { ++clicks; };
  tk::Timer once(dialog, "once", 10, true);
  once.Tick = [&] {
    once.SetEnabled(false);
    tk::QueueInput(pointer(a, PointerAction::Move, 9));
    for (tk::Button* c : {gone.get(), &stays})
      tk::QueueInput({.kind = InputEvent::Kind::Activate, .form = &dialog, .control = c});
    gone.reset();
    tk::DeliverQueuedInput();
    // Under a message box nothing reaches even the modal window.
    h.platform.QueueInput("press", {"frmDialog.cmdStays"});
    h.platform.QueueInput("answer", {"yes"});
    tk::MsgBox("?", tk::MsgBoxButtons::YesNo, tk::MsgBoxIcon::None, "box");
    dialog.Unload();
  };
  dialog.Show(true);
  EXPECT_EQ(a.moves, (std::vector<int>{3, -4, 5, 7, 8})) << "nothing under the modal window";
  EXPECT_EQ(clicks, 1);
}
