// The end screen: the game's result, the sponsor banner, a way to the About
// window and the OK button that gives the desktop back. OK stays locked for
// the first five seconds so the result is seen.
#pragma once

#include "toolkit/controls.h"

class frmEndScreen : public tk::Form {
 public:
  frmEndScreen();

  tk::Label lblPlayTime{*this, "lblPlayTime"};
  tk::Label lblSpeed{*this, "lblSpeed"};
  tk::Label Label1{*this, "Label1"};
  tk::PictureBox picSponsor{*this, "picSponsor"};
  tk::Button cmdOK{*this, "cmdOK"};
  tk::Button cmdAbout{*this, "cmdAbout"};
  tk::Timer tmrEndSequence{*this, "tmrEndSequence", 5000, false};

  void Form_Load();
  void tmrEndSequence_Timer();
  void cmdOK_Click();
  void cmdAbout_Click();
  void picSponsor_Click();
};

// The one end screen of the program, created on first use.
frmEndScreen& EndScreen();
// Destroys it (the end of a program run).
void ReleaseEndScreen();
