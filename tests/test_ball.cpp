// The ball's rules where a slip is likely: the serve, the paddle zones, the
// order of the rules, the edge sectors and the two sweeps.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ball/ball.h"
#include "harness.h"
#include "stylesheets/catalogue.h"

using testing_support::DesktopPair;
using testing_support::EndsProgram;
using testing_support::Table;

TEST(Serve, StandsPaddleAndBallCentredAndGoesUpInAnyOfTheSixSpeeds) {
  Table t(DesktopPair(1024, 768));
  std::map<int, int> dirX, dirY;
  for (int serve = 0; serve < 6000; ++serve) {
    tk::Sleep(1);  // the generator is reseeded from the clock at each serve
    t.window->StartPos();
    ++dirX[t.window->BallDirX];
    ++dirY[t.window->BallDirY];
  }
  EXPECT_EQ(std::pair(t.window->picPaddle.Left(), t.window->picPaddle.Top()),
            std::pair(428.f, 696.f));
  EXPECT_EQ(std::pair(t.window->picBall.Left(), t.window->picBall.Top()), std::pair(504.f, 679.f));
  EXPECT_TRUE(t.window->picBall.Visible() && t.window->picPaddle.Visible());
  for (int v : {-3, -2, -1, 1, 2, 3}) EXPECT_NEAR(dirX[v], 1000, 150) << "BallDirX " << v;
  for (int v : {-3, -2, -1}) EXPECT_NEAR(dirY[v], 2000, 200) << "BallDirY " << v;
  EXPECT_EQ(dirX.size() + dirY.size(), 9u) << "no other directions";
}

TEST(Motion, FireBallDoublesTheStepAndAutoCentresThePaddleOffScreen) {
  Table t(DesktopPair(1024, 768));
  t.PlaceBall(100, 100, 3, -2);
  t.window->FireBallActive = true;
  t.window->MoveBall();
  EXPECT_EQ(std::pair(t.window->picBall.Left(), t.window->picBall.Top()), std::pair(106.f, 96.f));

  t.window->FireBallActive = false;
  t.window->AutoActive = true;
  t.PlacePaddle(400, 696);
  t.PlaceBall(0, 100, 0, 0);
  t.window->MoveBall();
  EXPECT_EQ(t.window->picPaddle.Left(), 8 - 84);
}

namespace {

// Where a ball whose middle is `middle` pixels right of the paddle's left edge
// bounces (the paddle stands away from the walls, which come first).
std::string ZoneAt(float middle) {
  Table t(DesktopPair(1024, 768));
  t.PlacePaddle(200, 600);
  t.PlaceBall(200 + middle - 8, 600 - 16, 1, 3);
  t.window->Collision();
  int16_t x = t.window->BallDirX, y = t.window->BallDirY;
  bool lifted = t.window->picBall.Top() == 600 - 17;
  if (y == -4 && x == 1 && !lifted) return "centre";
  if (y == -3 && x == 1 && lifted) return "middle";
  if (y == -1 && x == -4 && lifted) return "left";
  if (y == -1 && x == 4 && lifted) return "right";
  if (y == -1 && x == -8 && lifted) return "left end";
  if (y == -1 && x == 8 && lifted) return "right end";
  return "none";
}

}  // namespace

TEST(Collision, PaddleZonesMeetAtTheirBoundaries) {
  struct Span {
    int from, to;
    const char* zone;
  };
  // Just beyond either end the ball only grazes the paddle's side.
  for (Span s : {Span{-8, -8, "none"}, Span{-7, 15, "left end"}, Span{16, 31, "left"},
                 Span{32, 40, "middle"}, Span{41, 127, "centre"}, Span{128, 136, "middle"},
                 Span{137, 152, "right"}, Span{153, 175, "right end"}, Span{176, 176, "none"}})
    for (int m = s.from; m <= s.to; ++m)
      EXPECT_EQ(ZoneAt(static_cast<float>(m)), s.zone) << "middle " << m;
}

TEST(Collision, RulesApplyInOrderOnePerPass) {
  Table t(DesktopPair(400, 300, {{0, 0, 40, 40}}));
  t.PlacePaddle(100, 250);
  t.PlaceBall(0, 0, -2, -3);  // top-left corner, over an icon
  t.window->Collision();
  EXPECT_EQ(t.window->BallDirY, 3) << "the top edge first";
  EXPECT_EQ(t.window->BallDirX, -2) << "the left edge waits for the next pass";
  t.window->MoveBall();
  t.window->Collision();
  EXPECT_EQ(t.window->BallDirX, 2);

  t.PlaceBall(10, 299, 1, 1);
  t.window->Collision();
  EXPECT_EQ(t.window->picBall.Top(), 299) << "a ball whose top is one above the bottom is not lost";
  EXPECT_EQ(t.window->BallsLeft, 1);
}

TEST(Collision, EachRuleReachesExactlyToItsEdge) {
  // A screen without icons; the paddle at (100, 250), 168 x 32.
  Table t(DesktopPair(400, 300));
  t.PlacePaddle(100, 250);
  auto rule = [&](float left, float top) -> std::string {
    t.PlaceBall(left, top, 3, 2);
    t.headless.platform.calls.clear();
    t.window->Collision();
    auto sounds = testing_support::CallsStartingWith(t.headless.platform, {"Sound("});
    if (sounds.empty()) return "none";
    if (sounds[0] == "Sound(102)") return "wall";
    return t.window->BallDirX == -3 && t.window->BallDirY == 2 ? "paddle side" : "paddle top";
  };
  struct Case {
    float left, top;
    const char* rule;
  };
  // The right wall; the band of the paddle's top, from its top edge to 20 px
  // below; the sides, reaching 3 px beyond the paddle and down to its bottom.
  for (Case c : {Case{384, 100, "wall"},
                 {383.5f, 100, "none"},
                 {176, 234, "paddle top"},
                 {176, 233.5f, "none"},
                 {176, 254.5f, "paddle top"},
                 {176, 255, "paddle side"},
                 {80.5f, 260, "none"},
                 {81, 260, "paddle side"},
                 {90, 260, "paddle side"},
                 {110, 260, "paddle side"},
                 {271, 260, "paddle side"},
                 {271.5f, 260, "none"},
                 {176, 282, "paddle side"},
                 {176, 282.5f, "none"}})
    EXPECT_EQ(rule(c.left, c.top), c.rule) << c.left << "," << c.top;
}

TEST(Collision, TheFirstEdgePointOnAnIconRecordsTheHitAndTurnsTheBallByItsSector) {
  // The last edge point of each sector, and how a ball arriving at (-3, -5) leaves it.
  struct Sector {
    int last;
    int16_t x, y;
  };
  int i = 0;
  for (Sector s : {Sector{2, -3, 5},
                   {8, -3, 2},
                   {14, 3, -5},
                   {20, 2, -5},
                   {25, -3, 5},
                   {31, -3, 2},
                   {37, 3, -5},
                   {43, 3, 1}}) {
    for (; i <= s.last; ++i) {
      int16_t x = -3, y = -5;
      TurnBallBySector(x, y, i);
      EXPECT_TRUE(x == s.x && y == s.y) << "edge point " << i << ": " << x << "," << y;
    }
  }
  // In play: an icon pixel under edge point 41 (5, 0) only.
  Table t(DesktopPair(400, 300, {{105, 100, 1, 1}}));
  t.PlacePaddle(100, 250);
  t.PlaceBall(100, 100, 2, 2);
  t.window->Collision();
  EXPECT_EQ(t.window->EdgeIndex, 41);
  EXPECT_EQ(std::pair(t.window->HitX, t.window->HitY), (std::pair<int16_t, int16_t>(105, 100)));
  EXPECT_EQ(std::pair(t.window->BallDirX, t.window->BallDirY),
            (std::pair<int16_t, int16_t>(-2, 1)));
}

// The 31 x 31 square in front of the hit, on the side the ball now travels
// to, goes back to the wallpaper; where it reaches past the screen nothing
// counts. Until the scan has finished a hit clears nothing.
TEST(Explosion, HitSweepRestoresTheSquareOnTheSideOfTravelOnceTheScanIsDone) {
  struct Hit {
    int16_t x, y, dx, dy;
    tk::Rect square;
  };
  for (Hit h : {Hit{100, 200, -4, -1, {70, 170, 31, 31}}, Hit{100, 200, 2, 2, {100, 200, 31, 31}},
                Hit{100, 200, 3, 0, {100, 170, 31, 31}}, Hit{395, 295, 1, 1, {395, 295, 5, 5}}}) {
    Table t(DesktopPair(400, 300, {{0, 0, 400, 300}}));
    t.window->HitX = h.x;
    t.window->HitY = h.y;
    t.window->BallDirX = h.dx;
    t.window->BallDirY = h.dy;
    t.window->Explosion();
    EXPECT_EQ(t.window->picScreenshot.Image().Get(h.x, h.y), testing_support::kIcon)
        << "scan unfinished";
    t.FinishScan();
    const int32_t before = t.window->IconPixels;
    t.window->Explosion();
    EXPECT_EQ(before - t.window->IconPixels, h.square.w * h.square.h);
    const auto& shown = t.window->picScreenshot.Image();
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x)
        ASSERT_EQ(shown.Get(x, y) == testing_support::kWallpaper, h.square.Contains(x, y))
            << x << "," << y;
    EXPECT_EQ(t.window->lblIconPixels.Caption(), std::to_string(t.window->IconPixels));
  }
}

TEST(Explosion, SpeedsUpAtEightyPercentMarks) {
  // 10 000 icon pixels in a strip; hits sweep 961 at a time.
  Table t(DesktopPair(800, 100, {{0, 0, 400, 25}}));
  t.FinishScan();
  ASSERT_EQ(t.window->IconPixels, 10000);
  std::vector<std::pair<int32_t, int32_t>> changes;  // (pixels left, new delay)
  int32_t delay = t.window->LoopDelay;
  // Each hit lands on plain wallpaper and only checks the marks.
  t.window->HitX = 500;
  t.window->HitY = 50;
  t.window->BallDirX = 1;
  t.window->BallDirY = 1;
  // One icon pixel at a time, so that every count is seen.
  for (int k = 0; k < 10000 && t.window->IconPixels > 4000; ++k) {
    t.window->picScreenshot.Image().Set(k % 400, k / 400, testing_support::kWallpaper);
    t.window->IconPixels -= 1;
    t.window->Explosion();
    if (t.window->LoopDelay != delay)
      changes.push_back({t.window->IconPixels, delay = t.window->LoopDelay});
  }
  EXPECT_EQ(changes, (std::vector<std::pair<int32_t, int32_t>>{{8000, 3}, {6400, 2}, {5120, 1}}));
}

TEST(Explosion, FireSweepClearsTheSquareUnderTheBallAndTheLastPixelEndsTheGame) {
  {
    Table t(DesktopPair(100, 100, {{40, 40, 30, 30}}));
    t.FinishScan();
    t.window->FireBallActive = true;
    t.PlaceBall(45, 45, 2, 2);
    t.window->Explosion();
    EXPECT_EQ(t.window->IconPixels, 30 * 30 - 17 * 17);
    const auto& shown = t.window->picScreenshot.Image();
    for (int y = 40; y < 70; ++y)
      for (int x = 40; x < 70; ++x)
        ASSERT_EQ(shown.Get(x, y) == testing_support::kWallpaper,
                  x >= 45 && x <= 61 && y >= 45 && y <= 61)
            << x << "," << y;
  }
  Table t(DesktopPair(200, 200, {{50, 50, 10, 10}, {150, 150, 2, 2}}));
  t.FinishScan();
  t.window->FireBallActive = true;
  t.PlaceBall(45, 45, 2, 2);
  t.window->Explosion();
  EXPECT_EQ(t.window->IconPixels, 2 * 2) << "the 10 x 10 icon under the 17 x 17 square is gone";
  t.PlaceBall(10, 10, 2, 2);
  int before = t.headless.platform.soundsStarted;
  t.window->Explosion();
  EXPECT_EQ(t.headless.platform.soundsStarted, before) << "no icon, no sound";
  t.PlaceBall(140, 140, 2, 2);
  EXPECT_TRUE(EndsProgram([&] { t.window->Explosion(); }));
  EXPECT_EQ(t.window->IconPixels, 0);
}

TEST(BallAnimation, SheetFramesWrapAtTheSheetsCountAndTheFlameAfter6008) {
  Table t(DesktopPair(200, 200));
  frmMain& w = *t.window;
  using namespace mdlLumbravick;
  // The frames shown by `ticks` ticks, checking each picture as it goes.
  auto frames = [&](int ticks) {
    std::string seen;
    for (int i = 0; i < ticks; ++i) {
      const int16_t before = BallFrame;
      w.AnimateBall();
      seen += std::to_string(BallFrame);
      const tk::Picture shown = w.picBall.GetPicture();
      if (w.FireBallActive)
        EXPECT_EQ(shown->Pixels(), tk::LoadIconResource(6000 + before)->Pixels()) << before;
      else
        EXPECT_EQ(shown, w.picBallRes(BallFrame).GetPicture()) << BallFrame;
    }
    return seen;
  };
  LoadStyleSheet(kClassic, w);
  EXPECT_EQ(frames(9), "123456701");
  BallStep = -1;
  EXPECT_EQ(frames(3), "076");
  LoadStyleSheet(kNewspaper, w);
  EXPECT_EQ(frames(11), "12345678901");
  w.FireBallActive = true;
  BallFrame = 3;
  EXPECT_EQ(frames(7), "4567801") << "icons 6003 to 6008, then 6000";
  // A fire ball ending on frame 8 of an eight-frame sheet: frame 0 next.
  w.FireBallActive = false;
  LoadStyleSheet(kLasVegas, w);
  BallFrame = 8;
  EXPECT_EQ(frames(1), "0");
}

TEST(LostBall, FirstLossServesAgainAfterAFreezeAndTheSecondEndsTheGame) {
  Table t(DesktopPair(1024, 768));
  t.PlacePaddle(700, 696);
  t.PlaceBall(10, 768, 2, 3);
  uint32_t before = tk::GetTickCount();
  t.window->Collision();
  EXPECT_EQ(t.window->BallsLeft, 0);
  EXPECT_EQ(tk::GetTickCount() - before, 500u);
  EXPECT_EQ(t.window->picBall.Left(), 504) << "served again from the middle";
  t.PlaceBall(10, 770, 2, 3);
  EXPECT_TRUE(EndsProgram([&] { t.window->Collision(); }));
  EXPECT_EQ(t.window->BallsLeft, -1);
}
