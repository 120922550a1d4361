// The mouse and the paddle: steering, pace and direction of the animation,
// the buttons, the animation frames and the shake.
#include <gtest/gtest.h>

#include "harness.h"
#include "stylesheets/catalogue.h"

using testing_support::DesktopPair;
using testing_support::EndsProgram;
using testing_support::Table;

namespace {

struct Court : Table {
  Court() : Table(DesktopPair(1024, 768)) { PlacePaddle(428, 696); }
  float MoveTo(float x) {
    window->picScreenshot_MouseMove(0, 0, x, 300);
    return window->picPaddle.Left();
  }
  std::vector<std::string> Sounds() {
    return testing_support::CallsStartingWith(headless.platform, {"Sound("});
  }
};

}  // namespace

TEST(Mouse, PointerSetsTheLeftEdgeClampedOnTheRightAndMirroredWhenInverted) {
  Court c;
  EXPECT_EQ(c.MoveTo(900), 856);
  EXPECT_EQ(c.MoveTo(857), 856);
  EXPECT_EQ(c.MoveTo(300), 300);
  EXPECT_EQ(c.MoveTo(0), 0);
  c.window->InvertActive = true;
  EXPECT_EQ(c.MoveTo(100), 856);
  EXPECT_EQ(c.MoveTo(300), 724);
  EXPECT_EQ(c.MoveTo(1023), 1);
  EXPECT_EQ(c.MoveTo(1024), 0);
}

TEST(Mouse, SweepDistanceSetsTheAnimationPace) {
  Court c;
  auto pace = [&](float from, float distance) {
    c.PlacePaddle(from, 696);
    c.window->tmrAnimatePaddle.SetInterval(50);
    c.MoveTo(from + distance);
    return c.window->tmrAnimatePaddle.Interval();
  };
  EXPECT_EQ(pace(300, 20), 50u);
  EXPECT_EQ(pace(300, -20), 50u);
  EXPECT_EQ(pace(300, 20.5f), 200u);
  EXPECT_EQ(pace(300, 50), 200u);
  EXPECT_EQ(pace(300, 51), 100u);
  EXPECT_EQ(pace(300, 100), 100u);
  EXPECT_EQ(pace(300, -101), 10u);
}

TEST(Mouse, DirectionFollowsTheMoveAndIsReversedWhenInverted) {
  Court c;
  mdlLumbravick::PaddleStep = 1;
  c.MoveTo(100);
  EXPECT_EQ(mdlLumbravick::PaddleStep, -1);
  c.MoveTo(100);
  EXPECT_EQ(mdlLumbravick::PaddleStep, -1) << "a move onto the current left leaves it";
  c.MoveTo(200);
  EXPECT_EQ(mdlLumbravick::PaddleStep, 1);
  c.window->InvertActive = true;
  c.MoveTo(900);  // pointer right of the left edge: steps backwards
  EXPECT_EQ(mdlLumbravick::PaddleStep, -1);
}

TEST(Mouse, PausedTiltingOrAutoPaddleIgnoresThePointerEntirely) {
  Court c;
  auto untouched = [&](const char* why) {
    mdlLumbravick::PaddleStep = 1;
    c.window->tmrAnimatePaddle.SetInterval(50);
    float left = c.window->picPaddle.Left();
    c.MoveTo(0);
    EXPECT_EQ(c.window->picPaddle.Left(), left) << why;
    EXPECT_EQ(c.window->tmrAnimatePaddle.Interval(), 50u) << why;
    EXPECT_EQ(mdlLumbravick::PaddleStep, 1) << why;
  };
  c.window->Paused = true;
  untouched("paused");
  c.window->Paused = false;
  c.window->tmrPaddleTiltStopper.SetEnabled(true);
  untouched("tilting");
  c.window->tmrPaddleTiltStopper.SetEnabled(false);
  c.window->AutoActive = true;
  untouched("auto");
}

TEST(Mouse, HiddenPointerOverThePaddleMovesThePaddleNot) {
  Court c;
  c.window->picPaddle.SetVisible(true);
  c.window->DeliverMouse(tk::PointerAction::Move, 0, 500, 700);  // inside the paddle's area
  EXPECT_EQ(c.window->picPaddle.Left(), 428);
  c.window->DeliverMouse(tk::PointerAction::Move, 0, 500, 600);  // above it: the play surface
  EXPECT_EQ(c.window->picPaddle.Left(), 500);
}

TEST(Mouse, ButtonsPauseResumeQuitAndStartTheFireBall) {
  Court c;
  c.window->picScreenshot_MouseUp(tk::kMiddleButton, 0, 0, 0);
  c.window->picScreenshot_MouseUp(tk::kLeftButton, 0, 0, 0);
  EXPECT_TRUE(c.Sounds().empty()) << "middle, and left with nothing ready, do nothing";

  c.window->FireBallReady = true;
  c.window->EffectPending = true;
  c.window->EffectSeconds = 9;
  c.window->picScreenshot_MouseUp(tk::kLeftButton, 0, 0, 0);
  c.window->picScreenshot_MouseUp(tk::kLeftButton, 0, 0, 0);
  EXPECT_EQ(c.Sounds(), std::vector<std::string>(2, "Sound(107)"))
      << "a second release before the first tick starts it again";
  EXPECT_TRUE(c.window->FireBallActive && c.window->tmrFireBall.Enabled());
  EXPECT_FALSE(c.window->EffectPending);
  EXPECT_TRUE(c.window->FireBallReady) << "cleared by the first tick, not here";
  EXPECT_EQ(c.window->EffectSeconds, 9);

  // Pausing by the right button (the loop is not running here, so the resume
  // would start it: pause only).
  c.window->picScreenshot_MouseUp(tk::kRightButton, 0, 0, 0);
  EXPECT_TRUE(c.window->Paused);
  EXPECT_EQ(c.window->lblIconPixels.Caption(), "Pause");
  EXPECT_EQ(c.Sounds().back(), "Sound(110)");
  c.window->picPaddle_Click();
  EXPECT_EQ(c.headless.platform.openedUrls, std::vector<std::string>{kMakerWebAddress});
  EXPECT_TRUE(EndsProgram([&] { c.window->picScreenshot_MouseUp(tk::kLeftButton, 0, 0, 0); }))
      << "left while paused quits, fire ball ready or not";
}

TEST(PaddleAnimation, FramesRunBothWaysAndFlatScreenHoldsItsBanner) {
  Court c;
  using namespace mdlLumbravick;
  auto frames = [&](int16_t sheet, int16_t step, int ticks) {
    StyleSheet = sheet;
    PaddleFrame = 0;
    PaddleStep = step;
    PaddleFrameCount = FindStyleSheet(sheet)->paddleFrames;
    PaddleHoldTicks = 0;
    std::string seen;
    for (int i = 0; i < ticks; ++i) {
      c.window->AnimatePaddle();
      seen += std::to_string(PaddleFrame);
    }
    return seen;
  };
  EXPECT_EQ(frames(kClassic, 1, 6), "123012");
  EXPECT_EQ(frames(kClassic, -1, 5), "32103");
  EXPECT_EQ(frames(kNewspaper, 1, 3), "000");
  EXPECT_EQ(frames(kFlatScreen, 1, 17), "00000000000012300");
}

TEST(PaddleTilt, ShakesFiveEachWayAndRestartsOnARepeatedCatch) {
  Court c;
  c.window->StartPaddleTilt();
  EXPECT_FALSE(c.window->tmrAnimatePaddle.Enabled());
  EXPECT_TRUE(c.window->tmrPaddleTilt.Enabled() && c.window->tmrPaddleTiltStopper.Enabled());
  c.window->tmrPaddleTilt_Timer();
  EXPECT_EQ(c.window->picPaddle.Left(), 433);
  c.window->tmrPaddleTilt_Timer();
  c.window->tmrPaddleTilt_Timer();
  EXPECT_EQ(c.window->picPaddle.Left(), 433);
  EXPECT_EQ(c.window->TiltStep, -1) << "carries over to the next tilt";
  size_t sounds = c.Sounds().size();
  c.window->StartPaddleTilt();
  EXPECT_EQ(c.Sounds().size(), sounds + 1);
  c.window->tmrPaddleTiltStopper_Timer();
  EXPECT_FALSE(c.window->tmrPaddleTilt.Enabled() || c.window->tmrPaddleTiltStopper.Enabled());
  EXPECT_TRUE(c.window->tmrAnimatePaddle.Enabled());

  // On every sheet the shaking paddle shows the sheet's tilt picture, and
  // frame 0 once the shake is over.
  auto shows = [&](int bitmap) {
    return c.window->picPaddle.GetPicture()->Pixels() == tk::LoadBitmapResource(bitmap)->Pixels();
  };
  for (int16_t sheet = 0; sheet < 5; ++sheet) {
    mdlLumbravick::LoadStyleSheet(sheet, *c.window);
    c.window->StartPaddleTilt();
    EXPECT_TRUE(shows(PaddleBitmapNumber(sheet, 4))) << "sheet " << sheet;
    c.window->tmrPaddleTiltStopper_Timer();
    EXPECT_TRUE(shows(PaddleBitmapNumber(sheet, 0))) << "sheet " << sheet;
  }
}
