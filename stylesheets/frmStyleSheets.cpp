#include "stylesheets/frmStyleSheets.h"

#include <memory>

#include "game/checked.h"
#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "stylesheets/catalogue.h"
#include "toolkit/toolkit.h"

namespace {
// The frame slots lie to the right of the client area, out of sight.
constexpr float kHiddenSlotsLeft = 336;
}  // namespace

void OpenStyleSheetChooser() {
  auto chooser = std::make_unique<frmStyleSheetsDialog>();
  chooser->Show(true);
}

frmStyleSheetsDialog::frmStyleSheetsDialog() : tk::Form("frmStyleSheets", tk::FormStyle::Dialog) {
  Caption = "Choose StyleSheets";
  SetClientSize(328, 209);

  frmStyleSheets.Move(8, 8, 225, 113);
  frmStyleSheets.Caption = "StyleSheets";
  const char* const captions[] = {"&Classic", "&Las Vegas", "&Flat Screen", "&Newspaper", "&Wood"};
  for (int16_t i = 0; i < optStyleSheet.Count(); ++i) {
    optStyleSheet(i).Move(16, static_cast<float>(24 + 16 * i), 193, 17);
    optStyleSheet(i).SetCaption(captions[i]);
    optStyleSheet(i).Click = [this, i] { optStyleSheet_Click(i); };
  }

  frmPreview.Move(8, 128, 225, 73);
  frmPreview.Caption = "Preview";
  picPaddle.AutoSize = true;
  picPaddle.Move(8, 24, 168, 32);
  picBall.Move(193, 33, 16, 16);

  for (int i = 0; i < picPaddleRes.Count(); ++i) {
    picPaddleRes(i).AutoSize = true;
    picPaddleRes(i).Move(kHiddenSlotsLeft, static_cast<float>(8 + 40 * i), 168, 36);
    picPaddleRes(i).SetVisible(false);
  }
  for (int i = 0; i < picBallRes.Count(); ++i) {
    picBallRes(i).Move(kHiddenSlotsLeft + 176, static_cast<float>(8 + 20 * i), 16, 16);
    picBallRes(i).SetVisible(false);
  }

  cmdOK.Move(240, 16, 81, 25);
  cmdOK.SetCaption("OK");
  cmdOK.Default = true;
  cmdCancel.Move(240, 48, 81, 25);
  cmdCancel.SetCaption("Cancel");
  cmdCancel.Cancel = true;

  OnLoad = [this] { Form_Load(); };
  // Closing the window by its close box takes back the preview like Cancel.
  OnCloseBox = [this] { cmdCancel_Click(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  tmrAnimateBall.Tick = [this] { tmrAnimateBall_Timer(); };
  tmrAnimatePaddle.Tick = [this] { tmrAnimatePaddle_Timer(); };
}

void frmStyleSheetsDialog::Form_Load() {
  using namespace mdlLumbravick;
  // Selecting raises the option's click, which loads the preview already.
  if (optStyleSheet.Has(StyleSheet)) optStyleSheet(StyleSheet).Select();
  LoadPreviewStyleSheet(StyleSheet);
  if (frmMain* game = MainWindow()) {
    game->tmrAnimatePaddle.SetEnabled(false);
    game->tmrAnimateBall.SetEnabled(false);
  }
  Tag = std::to_string(StyleSheet);
}

void frmStyleSheetsDialog::optStyleSheet_Click(int16_t index) { LoadPreviewStyleSheet(index); }

void frmStyleSheetsDialog::LoadPreviewStyleSheet(int16_t sheet) {
  using namespace mdlLumbravick;
  const StyleSheetEntry* entry = LoadSheetFrames(sheet, picBallRes, picPaddle, picPaddleRes);
  if (!entry) return;  // not a sheet: nothing more to load
  BallFrameCount = entry->ballFramesInPreview;
  PaddleFrameCount = entry->paddleFrames;
}

void frmStyleSheetsDialog::AnimateBall() {
  using namespace mdlLumbravick;
  game::Assign(BallFrame, BallFrame + BallStep);
  if (BallFrame == BallFrameCount) BallFrame = 0;
  if (BallFrame == -1) game::Assign(BallFrame, BallFrameCount - 1);
  if (picBallRes.Has(BallFrame)) picBall.SetPicture(picBallRes(BallFrame).GetPicture());
}

void frmStyleSheetsDialog::AnimatePaddle() {
  using namespace mdlLumbravick;
  if (AdvancePaddleFrame() && picPaddleRes.Has(PaddleFrame))
    picPaddle.SetPicture(picPaddleRes(PaddleFrame).GetPicture());
}

void frmStyleSheetsDialog::tmrAnimateBall_Timer() { AnimateBall(); }

void frmStyleSheetsDialog::tmrAnimatePaddle_Timer() { AnimatePaddle(); }

void frmStyleSheetsDialog::cmdOK_Click() {
  frmMain* game = MainWindow();
  for (int16_t i = 0; i < optStyleSheet.Count(); ++i)
    if (optStyleSheet(i).Value() && game) mdlLumbravick::LoadStyleSheet(i, *game);
  mdlLumbravick::SaveStyleSheetSetting();
  if (game) {
    game->tmrAnimatePaddle.SetEnabled(true);
    game->tmrAnimateBall.SetEnabled(true);
  }
  CloseDialog();
}

void frmStyleSheetsDialog::cmdCancel_Click() {
  using namespace mdlLumbravick;
  if (frmMain* game = MainWindow()) {
    game->tmrAnimatePaddle.SetEnabled(true);
    game->tmrAnimateBall.SetEnabled(true);
  }
  if (int16_t before = 0; tk::TextToInt16(Tag, before)) StyleSheet = before;
  // The game window's pictures were never touched; its animations start
  // again at frame 0 with the counts of the sheet it shows.
  if (const StyleSheetEntry* entry = FindStyleSheet(StyleSheet)) {
    BallFrameCount = entry->ballFramesInGame;
    PaddleFrameCount = entry->paddleFrames;
  }
  BallFrame = 0;
  PaddleFrame = 0;
  BallStep = 1;
  PaddleStep = 1;
  CloseDialog();
}

void frmStyleSheetsDialog::CloseDialog() {
  tmrAnimateBall.SetEnabled(false);
  tmrAnimatePaddle.SetEnabled(false);
  Unload();
}
