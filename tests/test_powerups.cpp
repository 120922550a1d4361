// Falling power-ups: how often and which, the catch band, and the timed
// effects sharing one countdown.
#include <gtest/gtest.h>

#include <map>

#include "harness.h"

using testing_support::DesktopPair;
using testing_support::Table;

namespace {
struct Field : Table {
  Field() : Table(DesktopPair(1024, 768)) { PlacePaddle(428, 696); }
  tk::Image& Drop(const std::string& kind, float left, float top) {
    tk::Image& item = window->picPowerUp.Load();
    item.Tag = kind;
    item.SetVisible(true);
    item.Move(left, top, 16, 16);
    return item;
  }
};
}  // namespace

TEST(PowerUps, OneHitInFiveDropsOneOfSevenEquallyLikelyKinds) {
  Field f;
  std::map<std::string, int> kinds;
  const int hits = 35000;
  for (int i = 0; i < hits; ++i) {
    tk::Sleep(1);
    int before = f.window->picPowerUp.Count();
    f.window->SpawnPowerUp(100, 200);
    if (f.window->picPowerUp.Count() > before) {
      tk::Image& item = f.window->picPowerUp(before);
      ++kinds[item.Tag];
      EXPECT_EQ(item.Left(), 100);
      EXPECT_EQ(item.Top(), 200);
    }
  }
  int drops = f.window->picPowerUp.Count() - 1;
  EXPECT_NEAR(drops, hits / 5, hits / 5 / 10);
  ASSERT_EQ(kinds.size(), 7u);
  for (auto [kind, n] : kinds) EXPECT_NEAR(n, drops / 7, drops / 7 / 6) << "kind " << kind;
}

TEST(PowerUps, CaughtInABandOf21PixelsFromThePaddleTopAndAtTouchingEdges) {
  Field f;
  auto caught = [&](float left, float top) {
    tk::Image& item = f.Drop("1", left, top);
    f.window->CollisionPowerUps();
    bool hidden = !item.Visible();
    item.Tag = "";  // out of the way of the next case
    item.SetTop(5000);
    return hidden;
  };
  EXPECT_FALSE(caught(500, 679));
  EXPECT_TRUE(caught(500, 680));
  EXPECT_TRUE(caught(500, 700.5f));
  EXPECT_FALSE(caught(500, 701));
  EXPECT_TRUE(caught(428 - 16, 690)) << "right edge meets the paddle's left edge";
  EXPECT_FALSE(caught(428 - 16.5f, 690));
  EXPECT_TRUE(caught(428 + 168, 690)) << "left edge meets the paddle's right edge";
  EXPECT_FALSE(caught(428 + 168.5f, 690));
}

TEST(PowerUps, TimedCatchWhilePendingIsLostSilentlyAndTiltsAlwaysWork) {
  Field f;
  f.Drop("6", 500, 690);
  f.window->CollisionPowerUps();
  EXPECT_TRUE(f.window->InvertActive && f.window->EffectPending);
  EXPECT_EQ(f.window->EffectSeconds, 15);
  f.window->EffectSeconds = 7;
  f.headless.platform.calls.clear();
  f.Drop("7", 500, 690);
  f.window->CollisionPowerUps();
  EXPECT_FALSE(f.window->AutoActive);
  EXPECT_EQ(f.window->EffectSeconds, 7);
  EXPECT_TRUE(f.headless.platform.calls.empty()) << "no sound for a lost power-up";
  f.Drop("3", 500, 690);
  f.window->CollisionPowerUps();
  EXPECT_TRUE(f.window->tmrPaddleTiltStopper.Enabled()) << "a tilt during a timed effect";
  EXPECT_EQ(f.headless.platform.calls.front(), "Sound(105)");
}

TEST(PowerUps, ElementsOnlyGrowAndHiddenOnesKeepFalling) {
  Field f;
  tk::Image& item = f.Drop("2", 10, 764);
  f.window->MovePowerUps();
  f.window->CollisionPowerUps();
  EXPECT_FALSE(item.Visible()) << "hidden once its top reaches the bottom";
  f.window->MovePowerUps();
  EXPECT_EQ(item.Top(), 772);
  EXPECT_EQ(f.window->picPowerUp.Count(), 2);
  EXPECT_EQ(f.window->picPowerUp(0).Top(), 0) << "the template never moves";
}

TEST(Effects, TwoEffectsShareTheCountdownAndInvertParksThePointer) {
  Field f;
  f.window->FireBallActive = true;
  f.window->tmrFireBall.SetEnabled(true);
  f.window->EffectSeconds = 10;
  f.window->InvertActive = true;
  f.window->tmrInvert.SetEnabled(true);
  f.window->EffectSeconds = 15;  // the invert catch restarted the count
  f.window->IconPixels = 4321;
  int ticks = 0;
  while (f.window->InvertActive && f.window->FireBallActive && ticks < 40) {
    f.window->tmrFireBall_Timer();
    if (f.window->FireBallActive) f.window->tmrInvert_Timer();
    ticks += 2;
  }
  EXPECT_FALSE(f.window->FireBallActive) << "the fire ball's tick found the count at zero first";
  EXPECT_TRUE(f.window->InvertActive);
  EXPECT_EQ(ticks, 16);
  EXPECT_EQ(f.window->EffectSeconds, 15) << "back to 15 for the other effect";
  EXPECT_EQ(f.window->lblIconPixels.Caption(), "4321");

  f.PlacePaddle(-37.5f, 696);
  for (int i = 0; i < 15; ++i) f.window->tmrInvert_Timer();
  EXPECT_FALSE(f.window->InvertActive);
  EXPECT_EQ(f.headless.platform.calls.back(), "SetCursorPos(-38,100)") << "halves round to even";
}

TEST(Effects, EachCatchCountsItsOwnFifteenSecondsDownOnThePanel) {
  Field f;
  frmMain& w = *f.window;
  w.IconPixels = 4321;
  w.lblIconPixels.SetCaption("4321");
  // Runs the clock until `effect` is over: how long it took and what the
  // panel showed along the way.
  auto lasts = [&](const bool& effect, std::vector<std::string>& shown) {
    return testing_support::RunUntil(f.headless.platform, 40000, [&] {
      if (shown.empty() || shown.back() != w.lblIconPixels.Caption())
        shown.push_back(w.lblIconPixels.Caption());
      return !effect;
    });
  };
  // The first fire ball of a game, lit at once.
  f.Drop("5", 500, 690);
  w.CollisionPowerUps();
  w.picPowerUp(1).SetTop(5000);  // caught: out of the paddle's way
  w.picScreenshot_MouseUp(tk::kLeftButton, 0, 0, 0);
  ASSERT_TRUE(w.FireBallActive);
  std::vector<std::string> fire, invert;
  EXPECT_EQ(lasts(w.FireBallActive, fire), 15000u);
  std::vector<std::string> countdown{"4321"};
  for (int left = 14; left >= 1; --left) countdown.push_back(std::to_string(left));
  countdown.push_back("4321");
  EXPECT_EQ(fire, countdown);
  // The next effect after it has its fifteen seconds too.
  f.Drop("6", 500, 690);
  w.CollisionPowerUps();
  ASSERT_TRUE(w.InvertActive);
  EXPECT_EQ(lasts(w.InvertActive, invert), 15000u);
  EXPECT_EQ(invert, countdown);
}
