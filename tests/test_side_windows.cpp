// The About window and the style-sheet chooser: opened from the game window
// and from the end screen, the live preview on the shared animation values,
// OK and Cancel, and the links to the maker's web site.
//
// The pictures come from a made-up resource set with the numbers and sizes of
// the catalogue, so every slot can be traced back to the number it was loaded
// from, whatever artwork the program is built with.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/program.h"
#include "harness.h"
#include "stylesheets/frmStyleSheets.h"
#include "windows/frmAbout.h"
#include "windows/frmEndScreen.h"
#include "windows/sidewindows.h"

using testing_support::CallsStartingWith;
using testing_support::DesktopPair;
using testing_support::ProbeAt;
using testing_support::RunUntil;
using testing_support::TopModalName;
using testing_support::WithScript;

namespace {

namespace mdl = mdlLumbravick;

// Per sheet: ball frames in the game and in the preview (which shows every
// ball icon the sheet has), paddle frames, and the paddle picture's height.
constexpr int16_t kGameBallFrames[] = {8, 8, 10, 10, 10};
constexpr int16_t kPreviewBallFrames[] = {10, 8, 10, 10, 10};
constexpr int16_t kPaddleFrames[] = {4, 4, 4, 1, 1};
constexpr int kPaddleHeight[] = {32, 32, 36, 35, 35};

int Base(int sheet) { return (sheet + 1) * 1000; }
bool PaddleSlotEmpty(int sheet, int slot) { return sheet >= 3 && slot >= 1 && slot <= 3; }

// A headless platform whose pictures are plain blocks, one per resource
// number that the catalogue names, each coloured with its number.
class ArtPlatform : public tk::headless::HeadlessPlatform {
 public:
  explicit ArtPlatform(tk::headless::Options options) : HeadlessPlatform(std::move(options)) {
    for (int s = 0; s < 5; ++s) {
      for (int k = 0; k < kPreviewBallFrames[s]; ++k)
        Add(tk::ResourceType::Icon, Base(s) + k, 16, 16);
      for (int k = 0; k <= 4; ++k)
        if (!PaddleSlotEmpty(s, k))
          Add(tk::ResourceType::Bitmap, Base(s) + k, 168, kPaddleHeight[s]);
      Add(tk::ResourceType::Bitmap, Base(s) + 5, 150, 27);
    }
    Add(tk::ResourceType::Bitmap, 9000, 300, 38);
    Add(tk::ResourceType::Bitmap, 9001, 141, 205);
  }

  tk::Picture LoadPicture(tk::ResourceType type, int id, int) override {
    auto it = art_.find({type, id});
    return it == art_.end() ? nullptr : it->second;
  }

 private:
  void Add(tk::ResourceType type, int id, int w, int h) {
    art_[{type, id}] = std::make_shared<tk::PictureData>(
        w, h,
        std::vector<tk::Argb>(static_cast<size_t>(w) * h, 0xFF000000u | static_cast<uint32_t>(id)));
  }
  std::map<std::pair<tk::ResourceType, int>, tk::Picture> art_;
};

// The resource number a shown picture came from, 0 for none.
int Id(const tk::Picture& p) { return p ? static_cast<int>(p->At(0, 0) & 0xFFFFFFu) : 0; }

// A game window with `sheet` loaded, as start-up leaves it (start-up itself
// is not run).
struct Desk : testing_support::BasicTable<ArtPlatform> {
  explicit Desk(int16_t sheet, const std::string& script = "")
      : BasicTable(WithScript(DesktopPair(640, 480), script)), platform(headless.platform) {
    mdl::LoadStyleSheet(sheet, *window);
  }
  std::string StoredSheet() {
    return platform.GetSetting(mdl::kSettingsApp, mdl::kStyleSheetSection, mdl::kStyleSheetKey,
                               "none");
  }
  size_t Saves() const { return CallsStartingWith(platform, {"SaveSetting("}).size(); }
  bool GameAnimating() const {
    return window->tmrAnimateBall.Enabled() && window->tmrAnimatePaddle.Enabled();
  }
  // The panel, the frame slots and the paddle and ball shown.
  std::vector<tk::Picture> GamePictures() const {
    std::vector<tk::Picture> all{window->picDisplay.GetPicture(), window->picPaddle.GetPicture(),
                                 window->picBall.GetPicture()};
    for (int k = 0; k < 10; ++k) all.push_back(window->picBallRes(k).GetPicture());
    for (int k = 0; k < 5; ++k) all.push_back(window->picPaddleRes(k).GetPicture());
    return all;
  }

  ArtPlatform& platform;
};

// Both animations start again: frame 0, stepping forwards.
void ExpectFreshAnimation(const char* where) {
  EXPECT_EQ((std::vector<int>{mdl::BallFrame, mdl::PaddleFrame, mdl::BallStep, mdl::PaddleStep}),
            (std::vector<int>{0, 0, 1, 1}))
      << where << ": ball frame, paddle frame, ball step, paddle step";
}

}  // namespace

// ---- the chooser ------------------------------------------------------------

// One session per case: the chooser opened on `start`, each pick previewed,
// then closed. The preview loads a sheet as the game does, but with every ball
// icon the sheet has, into the dialog's own slots, and animates it there.
// OK, and Enter on the default button, load the chosen sheet into the game
// window even when it is the one already shown, and store it. Cancel, Esc and
// the close box put back the sheet the game had, in its game form (Classic's
// ball runs over eight frames there, though its preview uses ten), and leave
// the game window and the stored choice as they were.
TEST(SideWindowsChooser, EachPickIsPreviewedAndOnlyConfirmingAppliesAndStoresIt) {
  using Close = std::function<void(frmStyleSheetsDialog&)>;
  const Close ok = [](frmStyleSheetsDialog& dlg) { dlg.cmdOK.Press(); };
  const Close enter = [](frmStyleSheetsDialog& dlg) { dlg.DeliverKeyPress(13); };
  const Close cancel = [](frmStyleSheetsDialog& dlg) { dlg.cmdCancel.Press(); };
  const Close esc = [](frmStyleSheetsDialog& dlg) { dlg.DeliverKeyPress(27); };
  const Close closeBox = [](frmStyleSheetsDialog& dlg) { dlg.DeliverCloseBox(); };
  struct Case {
    const char* how;
    int16_t start;
    std::vector<int16_t> picks;
    Close close;
    bool applies;
  };
  const std::vector<int16_t> everySheet{1, 2, 3, 4, 0, 1}, several{1, 3, 2};
  for (const Case& c :
       {Case{"OK", 0, everySheet, ok, true}, Case{"Enter, unchanged", 2, {}, enter, true},
        Case{"Cancel", 0, several, cancel, false}, Case{"Cancel", 3, everySheet, cancel, false},
        Case{"Esc", 0, several, esc, false}, Case{"Esc", 4, several, esc, false},
        Case{"close box", 0, several, closeBox, false},
        Case{"close box", 4, several, closeBox, false}}) {
    const std::string session = std::string(c.how) + " from sheet " + std::to_string(c.start);
    Desk d(c.start);
    frmMain& w = *d.window;
    // A picture from no sheet shows whether a sheet was loaded again.
    auto stranger = std::make_shared<tk::PictureData>(4, 4, std::vector<tk::Argb>(16, 0xFF102030u));
    w.picPaddle.SetPicture(stranger);
    w.picBallRes(0).SetPicture(stranger);
    const std::vector<tk::Picture> gameBefore = d.GamePictures();
    mdl::BallFrame = 5;
    mdl::PaddleFrame = 2;
    frmStyleSheetsDialog dlg;
    dlg.Load();

    std::vector<int16_t> shown{c.start};  // first by opening, then by clicks
    shown.insert(shown.end(), c.picks.begin(), c.picks.end());
    for (size_t i = 0; i < shown.size(); ++i) {
      const int16_t sheet = shown[i], previous = shown[i == 0 ? 0 : i - 1];
      SCOPED_TRACE(session + ", showing " + std::to_string(sheet));
      if (i > 0) dlg.optStyleSheet(sheet).Select();
      for (int16_t o = 0; o < 5; ++o)
        EXPECT_EQ(dlg.optStyleSheet(o).Value(), o == sheet) << "option " << o;
      EXPECT_EQ(mdl::StyleSheet, sheet);
      ExpectFreshAnimation("after opening or the click");
      const int balls = kPreviewBallFrames[sheet], paddles = kPaddleFrames[sheet];
      EXPECT_EQ(mdl::BallFrameCount, balls);
      EXPECT_EQ(mdl::PaddleFrameCount, paddles);
      EXPECT_EQ(Id(dlg.picPaddle.GetPicture()), Base(sheet)) << "the paddle changes at once";
      EXPECT_EQ(dlg.picPaddle.Height(), kPaddleHeight[sheet])
          << "the preview paddle takes its picture's size";
      for (int k = 0; k < 10;
           ++k)  // Las Vegas has eight frames; the last two slots keep what they held
        EXPECT_EQ(Id(dlg.picBallRes(k).GetPicture()),
                  (k < balls ? Base(sheet) : Base(previous)) + k)
            << "ball slot " << k;
      for (int k = 0; k < 5; ++k)
        EXPECT_EQ(Id(dlg.picPaddleRes(k).GetPicture()),
                  PaddleSlotEmpty(sheet, k) ? 0 : Base(sheet) + k)
            << "paddle slot " << k;

      // Classic shows all ten ball frames here, Las Vegas eight; Newspaper and
      // Wood's paddles stand still, Flat Screen's holds its first frame (test_paddle.cpp).
      for (int tick = 1; tick <= balls + 2; ++tick) {
        dlg.AnimateBall();
        EXPECT_EQ(Id(dlg.picBall.GetPicture()), Base(sheet) + tick % balls) << "ball tick " << tick;
      }
      for (int tick = 1; sheet != 2 && tick <= 5; ++tick) {
        dlg.AnimatePaddle();
        EXPECT_EQ(Id(dlg.picPaddle.GetPicture()), Base(sheet) + tick % paddles)
            << "paddle tick " << tick;
      }
      mdl::BallStep = -1;
      for (int k = 0; k < 3; ++k)
        dlg.AnimateBall();  // from frame 2 down to 0, then round to the last
      EXPECT_EQ(Id(dlg.picBall.GetPicture()), Base(sheet) + balls - 1);
      mdl::PaddleStep =
          -1;  // turned round, so that the restart at the next click or the close shows
    }
    c.close(dlg);

    SCOPED_TRACE(session + ", closed");
    const int16_t sheet = c.applies ? shown.back() : c.start;
    EXPECT_FALSE(dlg.Loaded());
    EXPECT_FALSE(dlg.tmrAnimateBall.Enabled() || dlg.tmrAnimatePaddle.Enabled())
        << "the preview stops with the dialog";
    EXPECT_TRUE(d.GameAnimating());
    EXPECT_EQ(mdl::StyleSheet, sheet);
    EXPECT_EQ(mdl::BallFrameCount, kGameBallFrames[sheet]);
    EXPECT_EQ(mdl::PaddleFrameCount, kPaddleFrames[sheet]);
    ExpectFreshAnimation("after closing");
    EXPECT_EQ(d.Saves(), c.applies ? 1u : 0u);
    EXPECT_EQ(d.StoredSheet(), c.applies ? std::to_string(sheet) : "none");
    if (!c.applies) {
      EXPECT_EQ(d.GamePictures(), gameBefore);
      continue;
    }
    EXPECT_EQ(Id(w.picPaddle.GetPicture()), Base(sheet));
    EXPECT_EQ(Id(w.picDisplay.GetPicture()), Base(sheet) + 5);
    for (int k = 0; k < 10; ++k)  // Las Vegas leaves the last two slots as they were
      EXPECT_EQ(Id(w.picBallRes(k).GetPicture()),
                (k < kPreviewBallFrames[sheet] ? Base(sheet) : Base(c.start)) + k)
          << k;
    for (int k = 0; k < 5; ++k)
      EXPECT_EQ(Id(w.picPaddleRes(k).GetPicture()), PaddleSlotEmpty(sheet, k) ? 0 : Base(sheet) + k)
          << k;
    EXPECT_EQ(w.lblIconPixels.ForeColor(), sheet >= 3 ? tk::Rgb(0, 0, 0) : tk::Rgb(255, 255, 255));
  }
}

TEST(SideWindowsChooser, PreviewRunsOnItsOwnTimers) {
  Desk d(0);
  frmStyleSheetsDialog dlg;
  dlg.Load();
  RunUntil(d.platform, 375, [] { return false; });
  EXPECT_EQ(mdl::BallFrame, 7) << "a ball frame every 50 ms";
  EXPECT_EQ(mdl::PaddleFrame, 3) << "a paddle frame every 125 ms";
  EXPECT_EQ(Id(dlg.picBall.GetPicture()), 1007);
  EXPECT_EQ(d.window->picBall.GetPicture(), nullptr) << "the game window's ball did not animate";
  EXPECT_EQ(Id(d.window->picPaddle.GetPicture()), 1000);
}

// ---- the About window ---------------------------------------------------------

// Opening it is silent: the first sound is the banner's.
TEST(SideWindowsAbout, ShowsTitleAndBannerAndWebOpensTheSiteSilentlyAndTheBannerWithSound110) {
  Desk d(0);
  frmAbout about;
  EXPECT_EQ(about.Style(), tk::FormStyle::Dialog);
  EXPECT_EQ(std::pair(about.ScaleWidth(), about.ScaleHeight()), std::pair(479.f, 256.f));
  EXPECT_EQ((std::vector<std::string>{about.Caption, about.lblTitel.Caption(),
                                      about.Label3.Caption(), about.cmdStyleSheets.Caption(),
                                      about.cmdOK.Caption(), about.cmdWeb.Caption()}),
            (std::vector<std::string>{"About Lumbravick", "Vantoro Lumbravick",
                                      "Please visit our sponsor:", "Choose &StyleSheet...", "OK",
                                      "&Web"}));
  EXPECT_TRUE(about.lblTitel.Bold);
  EXPECT_NE(about.Label4.Caption().find(kMakerEmail), std::string::npos);
  EXPECT_NE(about.Label4.Caption().find(kMakerWebAddress), std::string::npos);
  EXPECT_EQ(Id(about.picSponsor.GetPicture()), 9000);
  EXPECT_EQ(Id(about.picAboutScreen.GetPicture()), 9001);

  about.Load();
  EXPECT_EQ(about.picSponsor.ToolTipText, "Vantoro");
  about.cmdWeb.Press();
  about.picSponsor.Click();
  about.cmdWeb.Press();
  const std::string site = "OpenUrl(" + std::string(kMakerWebAddress) + ")";
  EXPECT_EQ(CallsStartingWith(d.platform, {"Sound(", "OpenUrl("}),
            (std::vector<std::string>{site, "Sound(110)", site, site}))
      << "the banner's sound comes first, then the site; the window stays open for more";
  EXPECT_TRUE(about.Loaded());
}

// OK is both the default and the cancel button.
TEST(SideWindowsAbout, OkEnterAndEscCloseIt) {
  // The last scripted event keeps the script from running out, so nothing
  // presses the default button on the test's behalf.
  for (const char* close : {"press frmAbout.cmdOK", "key Enter", "key Esc"}) {
    SCOPED_TRACE(close);
    Desk d(0, std::string("10 press frmAbout.cmdWeb\n20 ") + close + "\n60000 move 1 1\n");
    OpenAboutWindow();
    EXPECT_LT(tk::GetTickCount(), 1000u);
    EXPECT_EQ(d.platform.openedUrls.size(), 1u);
    EXPECT_EQ(tk::FindLoadedForm("frmAbout"), nullptr);
    EXPECT_EQ(tk::TopModalForm(), nullptr);
  }
}

// The chooser is modal over the About window, which is modal over the game;
// only the chooser stops the game's animations. What a cancel leaves as it
// was is checked on the chooser alone, above.
TEST(SideWindowsAbout, ChooserOpenedFromItHoldsItAndStopsTheGameUntilCancelled) {
  Desk d(0,
         "10 press frmAbout.cmdStyleSheets\n"
         "20 press frmStyleSheets.optStyleSheet(2)\n"
         "30 press frmAbout.cmdWeb\n"  // the About window takes no input under the chooser
         "40 press frmStyleSheets.cmdCancel\n"
         "50 press frmAbout.cmdWeb\n"
         "60 press frmAbout.cmdOK\n"
         "60000 move 1 1\n");
  bool animatingUnderAbout = false, animatingUnderChooser = true;
  std::string topUnderChooser;
  ProbeAt underAbout(5, [&] { animatingUnderAbout = d.GameAnimating(); });
  ProbeAt underChooser(25, [&] {
    animatingUnderChooser = d.GameAnimating();
    topUnderChooser = TopModalName();
  });
  OpenAboutWindow();

  EXPECT_TRUE(underAbout.fired && underChooser.fired);
  EXPECT_TRUE(animatingUnderAbout) << "the About window stops no timer";
  EXPECT_FALSE(animatingUnderChooser);
  EXPECT_EQ(topUnderChooser, "frmStyleSheets");
  EXPECT_EQ(d.platform.openedUrls.size(), 1u)
      << "only the press after the chooser closed reached About";
  EXPECT_LT(tk::GetTickCount(), 1000u);
}

// ---- a whole run -----------------------------------------------------------------

// The stored choice is read back by the next start (see test_stylesheets.cpp,
// which also checks the settings file itself).
TEST(SideWindowsRun, ASheetConfirmedFromTheEndScreenIsStoredWhileTheEndScreenWaits) {
  testing_support::Installed<ArtPlatform> in(
      WithScript(DesktopPair(640, 480),
                 "0 follow on\n"
                 "4000 key q\n"
                 "4100 press frmEndScreen.cmdAbout\n"
                 "4200 press frmAbout.cmdStyleSheets\n"
                 "4300 press frmStyleSheets.optStyleSheet(4)\n"
                 "4400 press frmStyleSheets.cmdOK\n"
                 "4500 press frmAbout.cmdOK\n"));
  bool endScreenWaiting = false;
  ProbeAt probe(4350, [&] {
    frmEndScreen& end = EndScreen();
    endScreenWaiting = end.Loaded() && end.tmrEndSequence.Enabled() && !end.cmdOK.Enabled() &&
                       TopModalName() == "frmStyleSheets";
  });
  EXPECT_TRUE(game::RunProgram().ended);
  EXPECT_TRUE(probe.fired && endScreenWaiting)
      << "the end screen waits, unchanged, under the About window";
  EXPECT_GE(tk::GetTickCount(), 9000u) << "its OK still unlocked only after five seconds";
  EXPECT_EQ(
      in.platform.GetSetting(mdl::kSettingsApp, mdl::kStyleSheetSection, mdl::kStyleSheetKey, ""),
      "4");
}
