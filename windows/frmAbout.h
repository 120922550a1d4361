// The About window: the game's title, the legal and licence notes, the
// sponsor banner, and the ways to the style-sheet chooser and to the maker's
// web site.
#pragma once

#include "toolkit/controls.h"

class frmAbout : public tk::Form {
 public:
  frmAbout();

  tk::PictureBox picAboutScreen{*this, "picAboutScreen"};
  tk::Label lblTitel{*this, "lblTitel"};
  tk::Label Label1{*this, "Label1"};
  tk::Label Label2{*this, "Label2"};
  tk::Label Label3{*this, "Label3"};
  tk::PictureBox picSponsor{*this, "picSponsor"};
  tk::Label Label4{*this, "Label4"};
  tk::Button cmdStyleSheets{*this, "cmdStyleSheets"};
  tk::Button cmdOK{*this, "cmdOK"};
  tk::Button cmdWeb{*this, "cmdWeb"};

  void Form_Load();
  void cmdOK_Click();
  void cmdStyleSheets_Click();
  void cmdWeb_Click();
  void picSponsor_Click();

 private:
  void OpenMakerWebSite();
};

// Creates the About window and shows it modally; returns once it is closed.
// Each opening gets a window of its own, gone when this returns.
void OpenAboutWindow();
