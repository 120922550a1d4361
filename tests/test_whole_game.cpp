// Whole games on the autopilot: what ends up on the play surface must be the
// capture without icons exactly where pixels were counted as destroyed.
#include <gtest/gtest.h>

#include "game/program.h"
#include "harness.h"

using testing_support::DesktopPair;
using testing_support::Headless;
using testing_support::WithScript;

namespace {

struct Outcome {
  bool ended = false;
  int32_t total = 0, standing = 0, destroyedOnScreen = 0, neither = 0;
  int16_t ballsLeft = 0;
};

Outcome Play(tk::headless::Options options, const std::string& script) {
  tk::Surface with = options.withIcons, without = options.withoutIcons;
  Headless h(WithScript(std::move(options), script));
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
  return o;
}

}  // namespace

TEST(WholeGame, AutopilotPlaysUntilTheIconsAreGoneOrTheBallsAreLost) {
  Outcome o = Play(DesktopPair(800, 600, {{40, 40, 32, 32}, {40, 140, 32, 32}, {300, 60, 48, 20}}),
                   "0 follow on\n");
  ASSERT_TRUE(o.ended);
  EXPECT_EQ(o.neither, 0) << "every pixel shows one of the two captures";
  EXPECT_EQ(o.total, 32 * 32 * 2 + 48 * 20);
  EXPECT_TRUE(o.standing <= 0 || o.ballsLeft < 0);
  // The fire ball ends the game before it paints the very last pixel.
  EXPECT_GE(o.destroyedOnScreen, o.total - o.standing - 1);
  EXPECT_LE(o.destroyedOnScreen, o.total - o.standing);
}
