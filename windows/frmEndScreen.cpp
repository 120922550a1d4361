#include "windows/frmEndScreen.h"

#include <memory>

#include "game/mdlLumbravick.h"
#include "game/resource_numbers.h"
#include "toolkit/toolkit.h"
#include "windows/frmAbout.h"
#include "windows/sidewindows.h"

namespace {
std::unique_ptr<frmEndScreen> g_end_screen;
}  // namespace

frmEndScreen& EndScreen() {
  if (!g_end_screen) g_end_screen = std::make_unique<frmEndScreen>();
  return *g_end_screen;
}

void ReleaseEndScreen() { g_end_screen.reset(); }

frmEndScreen::frmEndScreen() : tk::Form("frmEndScreen", tk::FormStyle::Dialog) {
  Caption = "Vantoro Lumbravick";
  SetClientSize(320, 181);
  lblPlayTime.Move(8, 8, 0, 13);
  lblPlayTime.AutoSize = true;
  lblSpeed.Move(8, 32, 305, 41);
  lblSpeed.WordWrap = true;
  Label1.Move(8, 80, 0, 13);
  Label1.AutoSize = true;
  Label1.SetCaption("Please visit our sponsor");
  picSponsor.Move(8, 104, 304, 42);
  picSponsor.SetPicture(tk::LoadBitmapResource(res::kSponsorBannerBitmap));
  cmdOK.Move(144, 152, 81, 25);
  cmdOK.SetCaption("OK");
  cmdOK.SetEnabled(false);
  cmdOK.Default = true;
  cmdOK.Cancel = true;
  cmdAbout.Move(232, 152, 81, 25);
  cmdAbout.SetCaption("&About");

  OnLoad = [this] { Form_Load(); };
  tmrEndSequence.Tick = [this] { tmrEndSequence_Timer(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdAbout.Click = [this] { cmdAbout_Click(); };
  picSponsor.Click = [this] { picSponsor_Click(); };
}

void frmEndScreen::Form_Load() {
  mdlLumbravick::PlaySound(res::kSoundEndFanfare);
  picSponsor.ToolTipText = "Vantoro";
}

void frmEndScreen::tmrEndSequence_Timer() {
  cmdOK.SetEnabled(true);
  tmrEndSequence.SetEnabled(false);
}

void frmEndScreen::cmdOK_Click() { Unload(); }

void frmEndScreen::cmdAbout_Click() { OpenAboutWindow(); }

void frmEndScreen::picSponsor_Click() {
  mdlLumbravick::PlaySound(res::kSoundClick);
  tk::OpenUrl(kMakerWebAddress);
}
