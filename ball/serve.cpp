// Serving and moving the ball, and the edge points the collision test samples.
#include <cmath>

#include "game/checked.h"
#include "game/frmMain.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace {

// The outline of the 16 x 16 ball, clockwise from the top just right of the
// middle. The collision test samples them in this order and turns the ball by
// the index of the first one that touches an icon pixel.
constexpr BallEdgePoint kBallEdges[44] = {
    {8, 0},   {9, 0},   {10, 0}, {11, 1}, {12, 1},  {13, 2},  {14, 3},  {14, 4},  {15, 5},
    {15, 6},  {15, 7},  {15, 8}, {15, 9}, {15, 10}, {14, 11}, {14, 12}, {13, 13}, {12, 14},
    {11, 14}, {10, 15}, {9, 15}, {8, 15}, {7, 15},  {6, 15},  {5, 15},  {4, 14},  {3, 14},
    {2, 13},  {1, 12},  {1, 11}, {0, 10}, {0, 9},   {0, 8},   {0, 7},   {0, 6},   {0, 5},
    {1, 4},   {1, 3},   {2, 2},  {3, 1},  {4, 1},   {5, 0},   {6, 0},   {7, 0},
};

}  // namespace

void frmMain::GetBallEdges() {
  for (size_t i = 0; i < BallEdges.size(); ++i) BallEdges[i] = kBallEdges[i];
}

void frmMain::StartPos() {
  picPaddle.Move(ScaleWidth() / 2 - picPaddle.Width() / 2, ScaleHeight() - picPaddle.Height() - 40);
  picBall.Move(ScaleWidth() / 2 - picBall.Width() / 2, picPaddle.Top() - picBall.Height() - 1);

  tk::Randomize();
  float a = tk::Rnd(), b = tk::Rnd(), c = tk::Rnd();
  int16_t speed = static_cast<int16_t>(std::floor(3 * a + 1));
  int16_t sign = std::floor(6 * b + 1) > 3 ? 1 : -1;
  BallDirX = static_cast<int16_t>(sign * speed);
  BallDirY = static_cast<int16_t>(-std::floor(3 * c + 1));

  picBall.SetVisible(true);
  picPaddle.SetVisible(true);
  tk::trace::Event("serve")
      .PairF("ball", picBall.Left(), picBall.Top())
      .PairF("paddle", picPaddle.Left(), picPaddle.Top())
      .Pair("dir", BallDirX, BallDirY);
}

void frmMain::MoveBall() {
  int32_t k = FireBallActive ? 2 : 1;
  int16_t stepX = 0, stepY = 0;
  // A product that overflows 16 bits abandons the move.
  if (game::Assign(stepX, BallDirX * k) && game::Assign(stepY, BallDirY * k))
    picBall.Move(picBall.Left() + stepX, picBall.Top() + stepY);
  if (AutoActive) picPaddle.SetLeft(picBall.Left() + picBall.Width() / 2 - picPaddle.Width() / 2);
}
