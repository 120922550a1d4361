// The About window and the style-sheet chooser: opened from the game window
// and from the end screen, the live preview on the shared animation values,
// OK and Cancel, and the links to the maker's web site.
//
// The pictures come from a made-up resource set with the numbers and sizes of
// the catalogue, so every slot can be traced back to the number it was loaded
// from, whatever artwork the program is built with.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/program.h"
#include "harness.h"
#include "stylesheets/frmStyleSheets.h"
#include "toolkit/headless/headless_platform.h"
#include "toolkit/settings_ini.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"
#include "tools/sim/autopilot.h"
#include "windows/frmAbout.h"
#include "windows/frmEndScreen.h"
#include "windows/sidewindows.h"

using testing_support::DesktopPair;
using testing_support::WithScript;

namespace {

namespace fs = std::filesystem;
namespace mdl = mdlLumbravick;

// The design's numbers per sheet: ball frames of the game and of the preview,
// paddle frames, and the heights of the paddle and panel pictures.
constexpr int16_t kGameBallFrames[] = {8, 8, 10, 10, 10};
constexpr int16_t kPreviewBallFrames[] = {10, 8, 10, 10, 10};
constexpr int16_t kPaddleFrames[] = {4, 4, 4, 1, 1};
constexpr int kPaddleHeight[] = {32, 32, 36, 35, 35};
constexpr int kPanelHeight[] = {24, 23, 27, 27, 27};
constexpr int kBallIcons[] = {10, 8, 10, 10, 10};

int Base(int sheet) { return (sheet + 1) * 1000; }
bool PaddleSlotEmpty(int sheet, int slot) { return sheet >= 3 && slot >= 1 && slot <= 3; }

// A headless platform whose pictures are plain blocks, one per resource
// number that the catalogue names, each a distinct shared picture.
class ArtPlatform : public tk::headless::HeadlessPlatform {
 public:
  explicit ArtPlatform(tk::headless::Options options) : HeadlessPlatform(std::move(options)) {
    for (int s = 0; s < 5; ++s) {
      for (int k = 0; k < kBallIcons[s]; ++k) Add(tk::ResourceType::Icon, Base(s) + k, 16, 16);
      for (int k = 0; k <= 4; ++k)
        if (!PaddleSlotEmpty(s, k)) Add(tk::ResourceType::Bitmap, Base(s) + k, 168, kPaddleHeight[s]);
      Add(tk::ResourceType::Bitmap, Base(s) + 5, 150, kPanelHeight[s]);
    }
    Add(tk::ResourceType::Bitmap, 9000, 300, 38);
    Add(tk::ResourceType::Bitmap, 9001, 141, 205);
  }

  tk::Picture LoadPicture(tk::ResourceType type, int id, int) override {
    auto it = art_.find({type, id});
    return it == art_.end() ? nullptr : it->second;
  }

  // The resource number a shown picture came from: 0 for none, -1 for one
  // that is not from the resources.
  int IdOf(const tk::Picture& p) const {
    if (!p) return 0;
    for (const auto& [key, pic] : art_)
      if (pic == p) return key.second;
    return -1;
  }

  int CountCalls(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.rfind(prefix, 0) == 0;
    }));
  }

 private:
  void Add(tk::ResourceType type, int id, int w, int h) {
    tk::Argb colour = 0xFF000000u | ((static_cast<uint32_t>(id) * 2654435761u) & 0xFFFFFFu);
    art_[{type, id}] = std::make_shared<tk::PictureData>(
        w, h, std::vector<tk::Argb>(static_cast<size_t>(w) * h, colour));
  }
  std::map<std::pair<tk::ResourceType, int>, tk::Picture> art_;
};

// The platform installed for one test, with the module values as at start.
struct Installed {
  explicit Installed(tk::headless::Options options) : platform(std::move(options)) {
    platform.Follow = sim::FollowBall;
    tk::InstallPlatform(&platform);
    mdl::ResetModule();
  }
  ~Installed() { tk::InstallPlatform(nullptr); }
  ArtPlatform platform;
};

// A game window with `sheet` loaded, as start-up leaves it (start-up itself
// is not run).
struct Desk {
  explicit Desk(int16_t sheet, const std::string& script = "")
      : installed(WithScript(DesktopPair(640, 480), script)), platform(installed.platform) {
    window = std::make_unique<frmMain>();
    window->SetClientSize(640, 480);
    mdl::LoadStyleSheet(sheet, *window);
  }
  ~Desk() {
    window.reset();
    game::ReleaseSideWindows();
  }
  int Id(const tk::Picture& p) const { return platform.IdOf(p); }
  std::string StoredSheet() {
    return platform.GetSetting(mdl::kSettingsApp, mdl::kStyleSheetSection, mdl::kStyleSheetKey, "none");
  }
  bool GameAnimating() const { return window->tmrAnimateBall.Enabled() && window->tmrAnimatePaddle.Enabled(); }
  // The pictures the game window's artwork is kept in: the panel and the
  // frame slots, which only a load of a sheet changes.
  std::vector<tk::Picture> SlotPictures() const {
    std::vector<tk::Picture> all{window->picDisplay.GetPicture()};
    for (int k = 0; k < 10; ++k) all.push_back(window->picBallRes(k).GetPicture());
    for (int k = 0; k < 5; ++k) all.push_back(window->picPaddleRes(k).GetPicture());
    return all;
  }
  // The slots and the ball and paddle shown, which the game's own animation
  // also changes while its timers run.
  std::vector<tk::Picture> GamePictures() const {
    std::vector<tk::Picture> all = SlotPictures();
    all.push_back(window->picPaddle.GetPicture());
    all.push_back(window->picBall.GetPicture());
    return all;
  }

  Installed installed;
  ArtPlatform& platform;
  std::unique_ptr<frmMain> window;
};

// The flight recorder written to a scratch file for the length of a test.
class TraceFile {
 public:
  TraceFile() : path_(ScratchPath("trace")) { tk::trace::Open(path_.string()); }
  ~TraceFile() {
    tk::trace::Close();
    fs::remove(path_);
  }
  std::vector<std::string> Lines() const {
    std::ifstream in(path_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Lines of event `ev`, in order.
  std::vector<std::string> Events(const std::string& ev) const {
    std::vector<std::string> out;
    for (const std::string& l : Lines())
      if (l.find("\"ev\":\"" + ev + "\"") != std::string::npos) out.push_back(l);
    return out;
  }
  static fs::path ScratchPath(const std::string& what) {
    std::random_device rd;
    return fs::temp_directory_path() /
           ("lumbravick_side_" + what + "_" + std::to_string(rd()) + std::to_string(rd()));
  }

 private:
  fs::path path_;
};

// Runs `check` once, when the clock reaches `atMs` and the program waits or
// yields (modal windows included).
class ProbeAt {
 public:
  ProbeAt(uint32_t atMs, std::function<void()> check) : check_(std::move(check)) {
    timer_.SetInterval(atMs - tk::GetTickCount());
    timer_.Tick = [this] {
      timer_.SetEnabled(false);
      fired = true;
      check_();
    };
    timer_.SetEnabled(true);
  }
  bool fired = false;

 private:
  tk::Form form_{"frmProbe", tk::FormStyle::Dialog};
  tk::Timer timer_{form_, "tmrProbe", 1, false};
  std::function<void()> check_;
};

// Steps the clock one millisecond at a time, yielding after each, until `until`
// holds or `limitMs` have passed; the milliseconds taken.
uint32_t RunUntil(tk::headless::HeadlessPlatform& p, uint32_t limitMs, const std::function<bool()>& until) {
  for (uint32_t ms = 1; ms <= limitMs; ++ms) {
    p.AdvanceMicros(1000);
    tk::DoEvents();
    if (until()) return ms;
  }
  return limitMs + 1;
}

std::vector<int16_t> SelectedOptions(frmStyleSheetsDialog& d) {
  std::vector<int16_t> on;
  for (int16_t i = 0; i < 5; ++i)
    if (d.optStyleSheet(i).Value()) on.push_back(i);
  return on;
}

std::string TopModalName() {
  tk::Form* top = tk::TopModalForm();
  return top ? top->Name() : "";
}

void ExpectFreshAnimation(const char* where) {
  EXPECT_EQ(mdl::BallFrame, 0) << where;
  EXPECT_EQ(mdl::PaddleFrame, 0) << where;
  EXPECT_EQ(mdl::BallStep, 1) << where;
  EXPECT_EQ(mdl::PaddleStep, 1) << where;
}

}  // namespace

// ---- the chooser ------------------------------------------------------------

TEST(SideWindowsChooser, OpeningSelectsTheCurrentSheetPreviewsItAndStopsTheGameAnimations) {
  for (int16_t sheet : {int16_t{0}, int16_t{3}}) {
    SCOPED_TRACE("sheet " + std::to_string(sheet));
    Desk d(sheet);
    mdl::BallFrame = 5;
    mdl::PaddleFrame = 2;
    ASSERT_TRUE(d.GameAnimating());

    frmStyleSheetsDialog dlg;
    EXPECT_EQ(dlg.Name(), "frmStyleSheets");
    dlg.Load();
    EXPECT_EQ(SelectedOptions(dlg), std::vector<int16_t>{sheet});
    EXPECT_EQ(dlg.Tag, std::to_string(sheet));
    EXPECT_EQ(mdl::StyleSheet, sheet);
    ExpectFreshAnimation("after opening");
    EXPECT_EQ(mdl::BallFrameCount, kPreviewBallFrames[sheet]);
    EXPECT_EQ(mdl::PaddleFrameCount, kPaddleFrames[sheet]);
    EXPECT_EQ(d.Id(dlg.picPaddle.GetPicture()), Base(sheet));
    EXPECT_EQ(dlg.picPaddle.Height(), kPaddleHeight[sheet]) << "the preview paddle takes its picture's size";

    EXPECT_FALSE(d.window->tmrAnimateBall.Enabled());
    EXPECT_FALSE(d.window->tmrAnimatePaddle.Enabled());
    EXPECT_TRUE(dlg.tmrAnimateBall.Enabled());
    EXPECT_EQ(dlg.tmrAnimateBall.Interval(), 50u);
    EXPECT_TRUE(dlg.tmrAnimatePaddle.Enabled());
    EXPECT_EQ(dlg.tmrAnimatePaddle.Interval(), 125u);
    EXPECT_EQ(d.platform.CountCalls("SaveSetting"), 0);
  }
}

TEST(SideWindowsChooser, ClickingThroughTheOptionsChangesThePreviewEachTimeAndStoresNothing) {
  Desk d(0);
  std::vector<tk::Picture> gameBefore = d.GamePictures();
  frmStyleSheetsDialog dlg;
  dlg.Load();

  for (int16_t sheet : {1, 2, 3, 4, 0, 1}) {
    SCOPED_TRACE("option " + std::to_string(sheet));
    // Let the preview run a little first, and turn the steps round, so a
    // restart shows.
    for (int i = 0; i < 3; ++i) dlg.AnimateBall(), dlg.AnimatePaddle();
    mdl::BallStep = -1;
    mdl::PaddleStep = -1;
    int previous = mdl::StyleSheet;

    dlg.optStyleSheet(sheet).Select();
    EXPECT_EQ(SelectedOptions(dlg), std::vector<int16_t>{sheet});
    EXPECT_EQ(mdl::StyleSheet, sheet);
    ExpectFreshAnimation("after the click");
    EXPECT_EQ(mdl::BallFrameCount, kPreviewBallFrames[sheet]);
    EXPECT_EQ(mdl::PaddleFrameCount, kPaddleFrames[sheet]);

    EXPECT_EQ(d.Id(dlg.picPaddle.GetPicture()), Base(sheet)) << "the paddle changes at once";
    for (int k = 0; k < 10; ++k) {
      // Las Vegas has eight frames; the last two slots keep what they held.
      int expected = k < kBallIcons[sheet] ? Base(sheet) + k : Base(previous) + k;
      EXPECT_EQ(d.Id(dlg.picBallRes(k).GetPicture()), expected) << "ball slot " << k;
    }
    for (int k = 0; k < 5; ++k) {
      int expected = PaddleSlotEmpty(sheet, k) ? 0 : Base(sheet) + k;
      EXPECT_EQ(d.Id(dlg.picPaddleRes(k).GetPicture()), expected) << "paddle slot " << k;
    }
  }
  EXPECT_EQ(d.platform.CountCalls("SaveSetting"), 0);
  EXPECT_EQ(d.StoredSheet(), "none");
  EXPECT_EQ(d.GamePictures(), gameBefore) << "the preview has its own frame slots";
  EXPECT_EQ(dlg.Tag, "0");
}

TEST(SideWindowsChooser, PreviewCyclesThroughEachSheetsFramesBothWays) {
  Desk d(0);
  frmStyleSheetsDialog dlg;
  dlg.Load();
  for (int16_t sheet = 0; sheet < 5; ++sheet) {
    SCOPED_TRACE("sheet " + std::to_string(sheet));
    dlg.optStyleSheet(sheet).Select();
    const int balls = kPreviewBallFrames[sheet];
    std::vector<int> shown, expected;
    for (int tick = 1; tick <= balls + 2; ++tick) {
      dlg.AnimateBall();
      shown.push_back(d.Id(dlg.picBall.GetPicture()));
      expected.push_back(Base(sheet) + tick % balls);
    }
    EXPECT_EQ(shown, expected) << "Classic shows all ten frames here, Las Vegas eight";

    mdl::BallStep = -1;
    dlg.AnimateBall();  // 2 -> 1
    dlg.AnimateBall();  // 1 -> 0
    dlg.AnimateBall();  // 0 -> the last frame
    EXPECT_EQ(mdl::BallFrame, balls - 1);
    EXPECT_EQ(d.Id(dlg.picBall.GetPicture()), Base(sheet) + balls - 1);

    if (sheet == 2) continue;  // Flat Screen holds its first frame: next test
    std::vector<int> paddles, expectedPaddles;
    for (int tick = 1; tick <= 5; ++tick) {
      dlg.AnimatePaddle();
      paddles.push_back(d.Id(dlg.picPaddle.GetPicture()));
      expectedPaddles.push_back(Base(sheet) + tick % kPaddleFrames[sheet]);
    }
    EXPECT_EQ(paddles, expectedPaddles) << "Newspaper and Wood stand still";
    mdl::PaddleStep = -1;
    mdl::PaddleFrame = 0;
    dlg.AnimatePaddle();
    EXPECT_EQ(mdl::PaddleFrame, kPaddleFrames[sheet] - 1);
  }
}

TEST(SideWindowsChooser, PreviewRunsOnItsOwnTimersAndFlatScreenHoldsFrameZeroThirteenTicks) {
  Desk d(0);
  frmStyleSheetsDialog dlg;
  dlg.Load();
  uint32_t opened = tk::GetTickCount();

  RunUntil(d.platform, 375, [] { return false; });
  EXPECT_EQ(mdl::BallFrame, 7) << "a ball frame every 50 ms";
  EXPECT_EQ(mdl::PaddleFrame, 3) << "a paddle frame every 125 ms";
  EXPECT_EQ(d.Id(dlg.picBall.GetPicture()), 1007);
  EXPECT_EQ(d.window->picBall.GetPicture(), nullptr) << "the game window's ball did not animate";
  EXPECT_EQ(d.Id(d.window->picPaddle.GetPicture()), 1000);

  // Flat Screen, picked just after a paddle tick: frame 0 stays 13 ticks of
  // 125 ms, the other frames one tick each.
  dlg.optStyleSheet(2).Select();
  uint32_t picked = tk::GetTickCount();
  ASSERT_EQ(picked - opened, 375u);
  uint32_t toOne = RunUntil(d.platform, 3000, [] { return mdl::PaddleFrame == 1; });
  EXPECT_EQ(toOne, 1625u);
  EXPECT_EQ(d.Id(dlg.picPaddle.GetPicture()), 3001);
  EXPECT_EQ(RunUntil(d.platform, 3000, [] { return mdl::PaddleFrame == 2; }), 125u);
  EXPECT_EQ(RunUntil(d.platform, 3000, [] { return mdl::PaddleFrame == 3; }), 125u);
  EXPECT_EQ(RunUntil(d.platform, 3000, [] { return mdl::PaddleFrame == 0; }), 125u);
  EXPECT_EQ(RunUntil(d.platform, 3000, [] { return mdl::PaddleFrame == 1; }), 1625u);
}

TEST(SideWindowsChooser, OkAppliesTheChosenSheetToTheGameWindowAndStoresIt) {
  Desk d(0);
  mdl::BallFrame = 4;
  frmStyleSheetsDialog dlg;
  dlg.Load();
  dlg.optStyleSheet(1).Select();
  dlg.optStyleSheet(3).Select();
  for (int i = 0; i < 4; ++i) dlg.AnimateBall();
  dlg.cmdOK.Press();

  EXPECT_FALSE(dlg.Loaded());
  EXPECT_FALSE(dlg.tmrAnimateBall.Enabled()) << "the preview stops with the dialog";
  EXPECT_FALSE(dlg.tmrAnimatePaddle.Enabled());
  EXPECT_TRUE(d.GameAnimating());

  frmMain& w = *d.window;
  EXPECT_EQ(d.Id(w.picPaddle.GetPicture()), 4000);
  EXPECT_EQ(d.Id(w.picDisplay.GetPicture()), 4005);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(d.Id(w.picBallRes(k).GetPicture()), 4000 + k) << k;
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(w.picPaddleRes(k).GetPicture(), nullptr) << k;
  EXPECT_EQ(d.Id(w.picPaddleRes(4).GetPicture()), 4004);
  EXPECT_EQ(w.lblIconPixels.ForeColor(), tk::Rgb(0, 0, 0));

  EXPECT_EQ(mdl::StyleSheet, 3);
  EXPECT_EQ(mdl::BallFrameCount, kGameBallFrames[3]);
  EXPECT_EQ(mdl::PaddleFrameCount, kPaddleFrames[3]);
  ExpectFreshAnimation("after OK");
  EXPECT_EQ(d.platform.CountCalls("SaveSetting"), 1);
  EXPECT_EQ(d.StoredSheet(), "3");
}

TEST(SideWindowsChooser, EnterWithoutChangingLoadsTheSameSheetAgainAndStoresIt) {
  Desk d(2);
  // A picture that is not the sheet's shows whether the sheet was loaded again.
  auto stranger = std::make_shared<tk::PictureData>(4, 4, std::vector<tk::Argb>(16, 0xFF102030u));
  d.window->picPaddle.SetPicture(stranger);
  d.window->picBallRes(0).SetPicture(stranger);
  frmStyleSheetsDialog dlg;
  dlg.Load();
  for (int i = 0; i < 6; ++i) dlg.AnimateBall(), dlg.AnimatePaddle();
  dlg.DeliverKeyPress(13);

  EXPECT_FALSE(dlg.Loaded());
  EXPECT_EQ(d.Id(d.window->picPaddle.GetPicture()), 3000);
  EXPECT_EQ(d.Id(d.window->picBallRes(0).GetPicture()), 3000);
  EXPECT_EQ(mdl::StyleSheet, 2);
  EXPECT_EQ(mdl::BallFrameCount, kGameBallFrames[2]);
  ExpectFreshAnimation("after Enter");
  EXPECT_EQ(d.StoredSheet(), "2");
  EXPECT_TRUE(d.GameAnimating());
}

TEST(SideWindowsChooser, CancelEscAndTheCloseBoxTakeThePreviewBack) {
  const std::vector<std::pair<const char*, std::function<void(frmStyleSheetsDialog&)>>> ways = {
      {"Cancel", [](frmStyleSheetsDialog& dlg) { dlg.cmdCancel.Press(); }},
      {"Esc", [](frmStyleSheetsDialog& dlg) { dlg.DeliverKeyPress(27); }},
      {"close box", [](frmStyleSheetsDialog& dlg) { dlg.DeliverCloseBox(); }},
  };
  for (int16_t sheet : {int16_t{0}, int16_t{4}}) {
    for (const auto& [name, close] : ways) {
      SCOPED_TRACE(std::string(name) + " on sheet " + std::to_string(sheet));
      Desk d(sheet);
      std::vector<tk::Picture> gameBefore = d.GamePictures();
      frmStyleSheetsDialog dlg;
      dlg.Load();
      for (int16_t other : {1, 3, 2}) {
        dlg.optStyleSheet(other).Select();
        for (int i = 0; i < 5; ++i) dlg.AnimateBall(), dlg.AnimatePaddle();
      }
      close(dlg);

      EXPECT_FALSE(dlg.Loaded());
      EXPECT_FALSE(dlg.tmrAnimateBall.Enabled());
      EXPECT_TRUE(d.GameAnimating());
      EXPECT_EQ(mdl::StyleSheet, sheet);
      // Classic's game ball runs over eight frames, though its preview used ten.
      EXPECT_EQ(mdl::BallFrameCount, kGameBallFrames[sheet]);
      EXPECT_EQ(mdl::PaddleFrameCount, kPaddleFrames[sheet]);
      ExpectFreshAnimation("after closing");
      EXPECT_EQ(d.GamePictures(), gameBefore);
      EXPECT_EQ(d.platform.CountCalls("SaveSetting"), 0);
      EXPECT_EQ(d.StoredSheet(), "none");
    }
  }
}

// ---- the About window ---------------------------------------------------------

TEST(SideWindowsAbout, ShowsTitleBannerAndLinksAndGetsTheBannerTipAtLoad) {
  Desk d(0);
  TraceFile trace;
  frmAbout about;
  EXPECT_EQ(about.Name(), "frmAbout");
  EXPECT_EQ(about.Style(), tk::FormStyle::Dialog);
  EXPECT_EQ(about.Caption, "About Lumbravick");
  EXPECT_EQ(about.ScaleWidth(), 479);
  EXPECT_EQ(about.ScaleHeight(), 256);

  EXPECT_EQ(about.lblTitel.Caption(), "Vantoro Lumbravick");
  EXPECT_TRUE(about.lblTitel.Bold);
  EXPECT_EQ(about.Label3.Caption(), "Please visit our sponsor:");
  EXPECT_NE(about.Label4.Caption().find(kMakerEmail), std::string::npos);
  EXPECT_NE(about.Label4.Caption().find(kMakerWebAddress), std::string::npos);
  EXPECT_EQ(about.cmdStyleSheets.Caption(), "Choose &StyleSheet...");
  EXPECT_EQ(about.cmdOK.Caption(), "OK");
  EXPECT_EQ(about.cmdWeb.Caption(), "&Web");
  EXPECT_EQ(about.DefaultButton(), &about.cmdOK);
  EXPECT_EQ(about.CancelButton(), &about.cmdOK);
  EXPECT_EQ(d.Id(about.picSponsor.GetPicture()), 9000);
  EXPECT_EQ(d.Id(about.picAboutScreen.GetPicture()), 9001);

  EXPECT_EQ(about.picSponsor.ToolTipText, "");
  about.Load();
  EXPECT_EQ(about.picSponsor.ToolTipText, "Vantoro");
  EXPECT_TRUE(trace.Events("sound").empty()) << "the About window opens silently";
  EXPECT_TRUE(d.GameAnimating()) << "opening it stops nothing";
}

TEST(SideWindowsAbout, WebOpensTheSiteSilentlyAndTheBannerWithSound110) {
  Desk d(0);
  TraceFile trace;
  frmAbout about;
  about.Load();

  about.cmdWeb.Press();
  EXPECT_EQ(d.platform.openedUrls, std::vector<std::string>{kMakerWebAddress});
  EXPECT_TRUE(trace.Events("sound").empty());

  about.picSponsor.Click();
  ASSERT_EQ(d.platform.openedUrls.size(), 2u);
  EXPECT_EQ(d.platform.openedUrls[1], kMakerWebAddress);
  std::vector<std::string> lines = trace.Lines();
  auto sound = std::find_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("\"ev\":\"sound\"") != std::string::npos; });
  ASSERT_NE(sound, lines.end());
  EXPECT_NE(sound->find("\"id\":110"), std::string::npos) << *sound;
  auto url = std::find_if(sound, lines.end(),
                          [](const std::string& l) { return l.find("\"ev\":\"open_url\"") != std::string::npos; });
  EXPECT_NE(url, lines.end()) << "the sound comes first, then the site";

  about.cmdWeb.Press();
  EXPECT_EQ(d.platform.openedUrls.size(), 3u) << "the window stays open and can open the site again";
  EXPECT_EQ(trace.Events("sound").size(), 1u);
  EXPECT_TRUE(about.Loaded());
}

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

TEST(SideWindowsAbout, ChooserCancelReturnsToTheAboutWindowWithNothingChanged) {
  Desk d(0,
         "10 press frmAbout.cmdStyleSheets\n"
         "20 press frmStyleSheets.optStyleSheet(2)\n"
         "30 press frmAbout.cmdWeb\n"  // the About window takes no input under the chooser
         "40 press frmStyleSheets.cmdCancel\n"
         "50 press frmAbout.cmdWeb\n"
         "60 press frmAbout.cmdOK\n"
         "60000 move 1 1\n");
  std::vector<tk::Picture> slotsBefore = d.SlotPictures();
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
  EXPECT_EQ(d.platform.openedUrls.size(), 1u) << "only the press after the chooser closed reached About";
  EXPECT_LT(tk::GetTickCount(), 1000u);
  EXPECT_EQ(mdl::StyleSheet, 0);
  EXPECT_EQ(d.SlotPictures(), slotsBefore);
  // The game animated under the About window, but only ever through Classic.
  EXPECT_EQ(d.Id(d.window->picPaddle.GetPicture()) / 1000, 1);
  EXPECT_EQ(d.Id(d.window->picBall.GetPicture()) / 1000, 1);
  EXPECT_EQ(d.StoredSheet(), "none");
  EXPECT_TRUE(d.GameAnimating());
}

// ---- whole runs -----------------------------------------------------------------

TEST(SideWindowsRun, FromThePanelTheChooserAppliesASheetToTheRunningGame) {
  Installed in(WithScript(DesktopPair(640, 480),
                          "0 follow on\n"
                          "3800 press frmMain.imgAbout\n"
                          "3900 press frmAbout.cmdStyleSheets\n"
                          "4000 press frmStyleSheets.optStyleSheet(1)\n"
                          "4400 press frmStyleSheets.cmdOK\n"
                          "4500 press frmAbout.cmdOK\n"
                          "5000 key q\n"));
  auto animating = [] { return MainWindow()->tmrAnimateBall.Enabled() && MainWindow()->tmrAnimatePaddle.Enabled(); };
  bool underAbout = false, underChooser = true, afterChooser = false;
  int paddleUnderChooser = 0, paddleAfterChooser = 0;
  std::string storedAfterChooser;
  ProbeAt p1(3850, [&] { underAbout = animating() && TopModalName() == "frmAbout"; });
  ProbeAt p2(4200, [&] {
    underChooser = animating();
    paddleUnderChooser = in.platform.IdOf(MainWindow()->picPaddle.GetPicture());
  });
  ProbeAt p3(4450, [&] {
    afterChooser = animating() && TopModalName() == "frmAbout";
    paddleAfterChooser = in.platform.IdOf(MainWindow()->picPaddle.GetPicture());
    storedAfterChooser = in.platform.GetSetting(mdl::kSettingsApp, mdl::kStyleSheetSection,
                                                mdl::kStyleSheetKey, "none");
  });

  int16_t sheetAtEnd = -1;
  game::RunResult result = game::RunProgram([&](frmMain&) { sheetAtEnd = mdl::StyleSheet; });
  EXPECT_TRUE(result.ended);
  ASSERT_TRUE(p1.fired && p2.fired && p3.fired);
  EXPECT_TRUE(underAbout);
  EXPECT_FALSE(underChooser);
  // The game's paddle animates through the sheet's frames (1000 to 1003,
  // then 2000 to 2003); the preview of Las Vegas never reaches it.
  EXPECT_EQ(paddleUnderChooser / 1000, 1);
  EXPECT_TRUE(afterChooser);
  EXPECT_EQ(paddleAfterChooser / 1000, 2);
  EXPECT_EQ(storedAfterChooser, "1");
  EXPECT_EQ(sheetAtEnd, 1);
}

TEST(SideWindowsRun, ASheetConfirmedFromTheEndScreenIsUsedByTheNextGame) {
  fs::path settings = TraceFile::ScratchPath("settings");
  {
    auto options = WithScript(DesktopPair(640, 480),
                              "0 follow on\n"
                              "4000 key q\n"
                              "4100 press frmEndScreen.cmdAbout\n"
                              "4200 press frmAbout.cmdStyleSheets\n"
                              "4300 press frmStyleSheets.optStyleSheet(4)\n"
                              "4400 press frmStyleSheets.cmdOK\n"
                              "4500 press frmAbout.cmdOK\n");
    options.settingsPath = settings.string();
    Installed in(std::move(options));
    bool endScreenWaiting = false;
    ProbeAt probe(4350, [&] {
      frmEndScreen& end = EndScreen();
      endScreenWaiting = end.Loaded() && end.tmrEndSequence.Enabled() && !end.cmdOK.Enabled() &&
                         TopModalName() == "frmStyleSheets";
    });
    game::RunResult first = game::RunProgram();
    EXPECT_TRUE(first.ended);
    EXPECT_TRUE(probe.fired && endScreenWaiting) << "the end screen waits, unchanged, under the About window";
    EXPECT_GE(tk::GetTickCount(), 9000u) << "its OK still unlocked only after five seconds";
  }
  std::string stored;
  EXPECT_TRUE(tk::IniSettings(settings.string()).Get(mdl::kStyleSheetSection, mdl::kStyleSheetKey, stored));
  EXPECT_EQ(stored, "4");

  {
    auto options = WithScript(DesktopPair(640, 480), "0 follow on\n4000 key q\n");
    options.settingsPath = settings.string();
    Installed in(std::move(options));
    int paddle = 0, panel = 0;
    int16_t paddleFrames = 0;
    tk::Color counter = 0;
    game::RunResult second = game::RunProgram([&](frmMain& w) {
      paddle = in.platform.IdOf(w.picPaddleRes(0).GetPicture());
      panel = in.platform.IdOf(w.picDisplay.GetPicture());
      paddleFrames = mdl::PaddleFrameCount;
      counter = w.lblIconPixels.ForeColor();
    });
    EXPECT_TRUE(second.ended);
    EXPECT_EQ(paddle, 5000);
    EXPECT_EQ(panel, 5005);
    EXPECT_EQ(paddleFrames, 1);
    EXPECT_EQ(counter, tk::Rgb(0, 0, 0));
  }
  fs::remove(settings);
}
