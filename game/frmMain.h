// The game window: the play surface and the owner of every piece of game
// state. Its procedures are split by subsystem across game/, ball/, paddle/ and
// powerups/; they all work directly on the fields and controls below.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "toolkit/controls.h"

struct BallEdgePoint {
  int16_t X = 0;
  int16_t Y = 0;
};

class frmMain : public tk::Form {
 public:
  frmMain();
  ~frmMain() override;

  // ---- controls, bottom to top ---------------------------------------------
  tk::PictureBox picScreenshot{*this, "picScreenshot"};
  tk::PictureBox picScreenshotNoIcons{*this, "picScreenshotNoIcons"};
  tk::ControlArray<tk::PictureBox> picBallRes{*this, "picBallRes", 10};
  tk::ControlArray<tk::PictureBox> picPaddleRes{*this, "picPaddleRes", 5};
  tk::PictureBox picPaddle{*this, "picPaddle"};
  tk::ControlArray<tk::Image> picPowerUp{*this, "picPowerUp", 1};
  tk::Image picBall{*this, "picBall"};
  tk::PictureBox picDisplay{*this, "picDisplay"};
  tk::Image imgPowerUpDisplay{*this, "imgPowerUpDisplay", &picDisplay};
  tk::Label lblIconPixels{*this, "lblIconPixels", &picDisplay};
  tk::Image imgAbout{*this, "imgAbout", &picDisplay};

  // ---- timers ----------------------------------------------------------------
  tk::Timer tmrInitStart{*this, "tmrInitStart", 400, false};
  tk::Timer tmrAnimateBall{*this, "tmrAnimateBall", 10, true};
  tk::Timer tmrAnimatePaddle{*this, "tmrAnimatePaddle", 50, true};
  tk::Timer tmrFireBall{*this, "tmrFireBall", 1000, false};
  tk::Timer tmrAuto{*this, "tmrAuto", 1000, false};
  tk::Timer tmrInvert{*this, "tmrInvert", 1000, false};
  tk::Timer tmrPaddleTilt{*this, "tmrPaddleTilt", 5, false};
  tk::Timer tmrPaddleTiltStopper{*this, "tmrPaddleTiltStopper", 1500, false};

  // ---- the state record, in its declared order and widths -------------------
  int16_t BallDirX = 0;
  int16_t BallDirY = 0;
  std::array<BallEdgePoint, 44> BallEdges{};
  int32_t EdgeIndex = 0;
  int16_t HitX = 0;
  int16_t HitY = 0;
  int16_t BallsLeft = 0;
  int32_t ScanColumn = 0;
  int32_t IconPixels = 0;
  int32_t IconPixelsTotal = 0;
  bool IconPixelsDone = false;
  int32_t SpeedUpMark = 0;
  int32_t LoopDelay = 0;
  int32_t StartTick = 0;
  bool Exploding = false;
  int16_t PowerUpRoll = 0;
  int16_t PowerUpKind = 0;
  int16_t PowerUpIndex = 0;
  bool EffectPending = false;
  bool Paused = false;
  bool FireBallReady = false;
  bool FireBallActive = false;
  bool InvertActive = false;
  bool AutoActive = false;
  int16_t EffectSeconds = 0;
  // How long a timed power-up lasts.
  static constexpr int16_t kEffectSeconds = 15;
  int16_t TiltStep = 0;

  // Set as Quit begins. The end screen holds the game for good: no later
  // tick or resume may start or continue a pass of the main loop under it.
  bool QuitStarted = false;

  // ---- start-up and capture (game/startup.cpp) ---------------------------------
  void Form_Load();
  void GetBackground();
  bool CaptureScreen(tk::PictureBox& target);
  void CursorHide();
  void CursorShow();
  void tmrInitStart_Timer();

  // ---- main loop, icon pixels, quit (game/) ------------------------------------
  void GameLoop();
  void picScreenshot_KeyPress(int16_t keyAscii);
  void GetIconPixels();
  void lblIconPixels_Change();
  [[noreturn]] void Quit();
  // Whole seconds from StartTick to `tick`: the play time.
  int64_t WholeSecondsSinceStart(uint32_t tick) const;

  // ---- the ball (ball/) ----------------------------------------------------------
  void GetBallEdges();
  void StartPos();
  void MoveBall();
  void Collision();
  void Explosion();
  void LostBall();
  void AnimateBall();
  void tmrAnimateBall_Timer();

  // ---- the paddle and the mouse (paddle/) ---------------------------------------
  void picScreenshot_MouseMove(int16_t button, int16_t shift, float x, float y);
  void picScreenshot_MouseUp(int16_t button, int16_t shift, float x, float y);
  void picPaddle_Click();
  void AnimatePaddle();
  void tmrAnimatePaddle_Timer();
  void StartPaddleTilt();
  void tmrPaddleTilt_Timer();
  void tmrPaddleTiltStopper_Timer();

  // ---- power-ups (powerups/) -----------------------------------------------------
  void SpawnPowerUp(int16_t x, int16_t y);
  void MovePowerUps();
  void CollisionPowerUps();
  void tmrFireBall_Timer();
  void tmrInvert_Timer();
  void tmrAuto_Timer();

  // ---- side windows ----------------------------------------------------------------
  void imgAbout_Click();

  // The state record and the current style sheet as one JSON object body
  // (the flight recorder's closing `state` line).
  std::string StateJson() const;
  // Writes the `state` line to the flight recorder.
  void TraceState() const;

 private:
  void WireEvents();
  // Writes a `pace` line: passes and ball moves of the main loop so far.
  void TracePace();

  // How fast the main loop runs, for the flight recorder only.
  struct LoopPace {
    int64_t passes = 0, moves = 0;
    uint32_t lastLineTick = 0;
  } pace_;
};

// The game window of the running program (null before it is created and
// after it is gone).
frmMain* MainWindow();
