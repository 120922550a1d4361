// Whole games on the autopilot: after every pass the composed play surface is
// a true picture of the state, and at the end the capture without icons shows
// exactly where pixels were counted as destroyed.
#include <gtest/gtest.h>

#include <string>

#include "game/program.h"
#include "harness.h"

using testing_support::DesktopPair;
using testing_support::WithScript;

namespace {

// The autopilot's platform, with a player who, once the scan is over, drops
// a power-up of each kind in turn onto the paddle every 250 passes and lights
// a caught fire ball at once. After every pass of the main loop it checks
// that what the toolkit has composed equals a full redraw of the same state:
// an area that changed without being marked for repainting shows up here.
class CheckedPlay : public tk::headless::HeadlessPlatform {
 public:
  using HeadlessPlatform::HeadlessPlatform;
  void LoopPass() override {
    if (frmMain* w = MainWindow(); w && w->IsShown()) {
      CheckFrame(*w);
      if (w->IconPixelsDone) Play(*w);
    }
    HeadlessPlatform::LoopPass();
  }
  int stalePasses = 0, fireBallPasses = 0, invertPasses = 0, tiltPasses = 0;

 private:
  void CheckFrame(frmMain& w) {
    w.Refresh();
    tk::Surface redrawn(w.Frame().Width(), w.Frame().Height(), 0);
    w.ComposeArea(redrawn, {0, 0, redrawn.Width(), redrawn.Height()});
    stalePasses += redrawn.Pixels() != w.Frame().Pixels();
  }
  void Play(frmMain& w) {
    fireBallPasses += w.FireBallActive;
    invertPasses += w.InvertActive;
    tiltPasses += w.tmrPaddleTilt.Enabled();
    if (playPasses_++ % 250 == 0) {
      tk::Image& item = w.picPowerUp.Load();
      item.Tag = std::to_string((playPasses_ / 250 + 4) % 7 + 1);  // the fire ball first
      item.SetVisible(true);
      item.Move(w.picPaddle.Left() + 76, w.picPaddle.Top() - 16, 16, 16);
    }
    if (w.FireBallReady) QueueInput("up", {"left"});
  }
  int playPasses_ = 0;
};

struct Outcome {
  bool ended = false;
  int32_t total = 0, standing = 0, destroyedOnScreen = 0, neither = 0;
  int16_t ballsLeft = 0;
};

}  // namespace

TEST(WholeGame, EveryPassShowsTheStateAndTheEndShowsWhatWasDestroyed) {
  auto options = DesktopPair(320, 240, {{20, 20, 32, 32}, {80, 20, 32, 32}});
  const tk::Surface with = options.withIcons, without = options.withoutIcons;
  testing_support::Installed<CheckedPlay> h(WithScript(std::move(options), "0 follow on\n"));
  Outcome o;
  o.ended = game::RunProgram([&](frmMain& w) {
              o.total = w.IconPixelsTotal;
              o.standing = w.IconPixels;
              o.ballsLeft = w.BallsLeft;
              const tk::Surface& shown = w.picScreenshot.Image();
              for (int y = 0; y < shown.Height(); ++y)
                for (int x = 0; x < shown.Width(); ++x) {
                  tk::Color s = shown.Get(x, y);
                  if (with.Get(x, y) != without.Get(x, y) && s == without.Get(x, y))
                    ++o.destroyedOnScreen;
                  if (s != with.Get(x, y) && s != without.Get(x, y)) ++o.neither;
                }
            }).ended;
  const CheckedPlay& p = h.platform;
  ASSERT_TRUE(o.ended);
  EXPECT_EQ(p.stalePasses, 0) << "of " << p.passes << " passes";
  EXPECT_TRUE(p.fireBallPasses > 0 && p.invertPasses > 0 && p.tiltPasses > 0)
      << "fire ball, inverted control and the shake all came into play";
  EXPECT_EQ(o.neither, 0) << "every pixel shows one of the two captures";
  EXPECT_EQ(o.total, 32 * 32 * 2);
  EXPECT_TRUE(o.standing <= 0 || o.ballsLeft < 0);
  // The fire ball ends the game before it paints the very last pixel.
  EXPECT_GE(o.destroyedOnScreen, o.total - o.standing - 1);
  EXPECT_LE(o.destroyedOnScreen, o.total - o.standing);
}
