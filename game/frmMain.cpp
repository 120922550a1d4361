#include "game/frmMain.h"

#include "game/mdlLumbravick.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace {
frmMain* g_main_window = nullptr;
}

frmMain* MainWindow() { return g_main_window; }

frmMain::frmMain() : tk::Form("frmMain", tk::FormStyle::Composed) {
  Caption = "Lumbravick";
  Maximised = true;

  // The controls as the window is designed.
  picScreenshotNoIcons.SetVisible(false);
  for (int i = 0; i < picBallRes.Count(); ++i) picBallRes(i).SetVisible(false);
  for (int i = 0; i < picPaddleRes.Count(); ++i) {
    picPaddleRes(i).SetVisible(false);
    picPaddleRes(i).AutoSize = true;
  }
  picPaddle.AutoSize = true;
  picPaddle.Move(0, 0, 168, 32);
  picPaddle.SetVisible(false);
  picPowerUp(0).Move(0, 0, 16, 16);
  picPowerUp(0).SetVisible(false);
  picBall.Move(0, 0, 16, 16);
  picBall.SetVisible(false);
  picDisplay.AutoSize = true;
  picDisplay.Move(0, 0, 150, 27);
  picDisplay.SetVisible(false);
  imgPowerUpDisplay.Move(6, 7, 13, 13);
  lblIconPixels.AutoSize = true;
  lblIconPixels.SetForeColor(tk::Rgb(255, 255, 255));
  lblIconPixels.SetCaption("0");
  // The first text stands centred in the panel too, not only those after it.
  lblIconPixels_Change();
  lblIconPixels.Traced = true;
  imgAbout.Move(125, 0, 25, 25);
  Focus = &picScreenshot;

  WireEvents();
  g_main_window = this;
}

frmMain::~frmMain() {
  if (g_main_window == this) g_main_window = nullptr;
}

void frmMain::WireEvents() {
  OnLoad = [this] { Form_Load(); };
  picScreenshot.KeyPress = [this](int16_t key) { picScreenshot_KeyPress(key); };
  picScreenshot.MouseMove = [this](int16_t b, int16_t s, float x, float y) {
    picScreenshot_MouseMove(b, s, x, y);
  };
  picScreenshot.MouseUp = [this](int16_t b, int16_t s, float x, float y) {
    picScreenshot_MouseUp(b, s, x, y);
  };
  picPaddle.Click = [this] { picPaddle_Click(); };
  imgAbout.Click = [this] { imgAbout_Click(); };
  lblIconPixels.Change = [this] { lblIconPixels_Change(); };

  tmrInitStart.Tick = [this] { tmrInitStart_Timer(); };
  tmrAnimateBall.Tick = [this] { tmrAnimateBall_Timer(); };
  tmrAnimatePaddle.Tick = [this] { tmrAnimatePaddle_Timer(); };
  tmrFireBall.Tick = [this] { tmrFireBall_Timer(); };
  tmrAuto.Tick = [this] { tmrAuto_Timer(); };
  tmrInvert.Tick = [this] { tmrInvert_Timer(); };
  tmrPaddleTilt.Tick = [this] { tmrPaddleTilt_Timer(); };
  tmrPaddleTiltStopper.Tick = [this] { tmrPaddleTiltStopper_Timer(); };
}

std::string frmMain::StateJson() const {
  std::string json;
  auto field = [&json](const char* name, const std::string& value) {
    if (!json.empty()) json += ",";
    json += "\"";
    json += name;
    json += "\":" + value;
  };
  auto num = [](int64_t v) { return std::to_string(v); };
  auto flag = [](bool v) { return std::string(v ? "true" : "false"); };
  field("BallDirX", num(BallDirX));
  field("BallDirY", num(BallDirY));
  field("EdgeIndex", num(EdgeIndex));
  field("HitX", num(HitX));
  field("HitY", num(HitY));
  field("BallsLeft", num(BallsLeft));
  field("ScanColumn", num(ScanColumn));
  field("IconPixels", num(IconPixels));
  field("IconPixelsTotal", num(IconPixelsTotal));
  field("IconPixelsDone", flag(IconPixelsDone));
  field("SpeedUpMark", num(SpeedUpMark));
  field("LoopDelay", num(LoopDelay));
  field("StartTick", num(StartTick));
  field("Exploding", flag(Exploding));
  field("PowerUpRoll", num(PowerUpRoll));
  field("PowerUpKind", num(PowerUpKind));
  field("PowerUpIndex", num(PowerUpIndex));
  field("EffectPending", flag(EffectPending));
  field("Paused", flag(Paused));
  field("FireBallReady", flag(FireBallReady));
  field("FireBallActive", flag(FireBallActive));
  field("InvertActive", flag(InvertActive));
  field("AutoActive", flag(AutoActive));
  field("EffectSeconds", num(EffectSeconds));
  field("TiltStep", num(TiltStep));
  field("StyleSheet", num(mdlLumbravick::StyleSheet));
  return json;
}

void frmMain::TraceState() const {
  if (!tk::trace::Enabled()) return;
  tk::trace::Event("state").Raw(StateJson());
}
