// The style-sheet chooser: five sheets to pick from and a live preview of the
// picked sheet's ball and paddle. OK applies the sheet to the game window and
// stores it; Cancel goes back to the sheet in use before.
//
// The preview runs on the module-wide animation values that the game window's
// animations use, so the game window's two animation timers are off while the
// dialog is open.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/controls.h"

// The window's name is frmStyleSheets, like the frame that holds the options.
class frmStyleSheetsDialog : public tk::Form {
 public:
  frmStyleSheetsDialog();

  tk::Frame frmStyleSheets{*this, "frmStyleSheets"};
  tk::ControlArray<tk::OptionButton> optStyleSheet{*this, "optStyleSheet", 5, &frmStyleSheets};
  tk::Frame frmPreview{*this, "frmPreview"};
  tk::PictureBox picPaddle{*this, "picPaddle", &frmPreview};
  tk::Image picBall{*this, "picBall", &frmPreview};
  tk::ControlArray<tk::PictureBox> picPaddleRes{*this, "picPaddleRes", 5};
  tk::ControlArray<tk::PictureBox> picBallRes{*this, "picBallRes", 10};
  tk::Button cmdOK{*this, "cmdOK"};
  tk::Button cmdCancel{*this, "cmdCancel"};
  tk::Timer tmrAnimateBall{*this, "tmrAnimateBall", 50, true};
  tk::Timer tmrAnimatePaddle{*this, "tmrAnimatePaddle", 125, true};

  // The sheet in use when the dialog opened, as decimal text.
  std::string Tag;

  void Form_Load();
  void optStyleSheet_Click(int16_t index);
  void LoadPreviewStyleSheet(int16_t sheet);
  void AnimateBall();
  void AnimatePaddle();
  void tmrAnimateBall_Timer();
  void tmrAnimatePaddle_Timer();
  void cmdOK_Click();
  void cmdCancel_Click();

 private:
  // Unloads the dialog; its preview timers stop with it.
  void CloseDialog();
};

// Creates the chooser and shows it modally; returns once it is closed. Each
// opening gets a dialog of its own, gone when this returns.
void OpenStyleSheetChooser();
