#include "windows/frmAbout.h"

#include <memory>

#include "game/checked.h"
#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"
#include "stylesheets/frmStyleSheets.h"
#include "toolkit/toolkit.h"

void OpenAboutWindow() {
  auto about = std::make_unique<frmAbout>();
  about->Show(true);
}

frmAbout::frmAbout() : tk::Form("frmAbout", tk::FormStyle::Dialog) {
  Caption = "About Lumbravick";
  SetClientSize(479, 256);

  picAboutScreen.Move(8, 8, 145, 209);
  game::ShowPictureIfLoaded(picAboutScreen, tk::LoadBitmapResource(res::kAboutPictureBitmap));
  lblTitel.Move(168, 8, 116, 13);
  lblTitel.Bold = true;
  lblTitel.SetCaption("Vantoro Lumbravick");
  Label1.Move(168, 40, 297, 13);
  Label1.SetCaption("Copyright (C) Vantoro. All rights reserved.");
  Label2.Move(168, 64, 297, 26);
  Label2.WordWrap = true;
  Label2.SetCaption(
      "Freeware: you may copy it and pass it on free of charge, but only complete and unchanged.");
  Label3.Move(168, 104, 114, 13);
  Label3.SetCaption("Please visit our sponsor:");
  picSponsor.Move(168, 128, 302, 40);
  game::ShowPictureIfLoaded(picSponsor, tk::LoadBitmapResource(res::kSponsorBannerBitmap));
  Label4.Move(168, 176, 297, 33);
  Label4.WordWrap = true;
  Label4.SetCaption("Advertise here: write to " + kMakerEmail + " or visit " + kMakerWebAddress);
  cmdStyleSheets.Move(8, 224, 145, 25);
  cmdStyleSheets.SetCaption("Choose &StyleSheet...");
  cmdOK.Move(304, 224, 81, 25);
  cmdOK.SetCaption("OK");
  cmdOK.Default = true;
  cmdOK.Cancel = true;
  cmdWeb.Move(392, 224, 81, 25);
  cmdWeb.SetCaption("&Web");

  OnLoad = [this] { Form_Load(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdStyleSheets.Click = [this] { cmdStyleSheets_Click(); };
  cmdWeb.Click = [this] { cmdWeb_Click(); };
  picSponsor.Click = [this] { picSponsor_Click(); };
}

void frmAbout::Form_Load() { picSponsor.ToolTipText = "Vantoro"; }

void frmAbout::cmdOK_Click() { Unload(); }

void frmAbout::cmdStyleSheets_Click() { OpenStyleSheetChooser(); }

void frmAbout::cmdWeb_Click() { OpenMakerWebSite(); }

void frmAbout::picSponsor_Click() {
  mdlLumbravick::PlaySound(res::kSoundClick);
  OpenMakerWebSite();
}

// The shell opens the address in the default browser and returns at once; a
// browser that does not start is not reported and the window stays open.
void frmAbout::OpenMakerWebSite() { tk::OpenUrl(kMakerWebAddress); }
