// The style sheets: the stored choice at start-up, what a load puts into the
// game window, and what it leaves alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "game/program.h"
#include "harness.h"
#include "stylesheets/catalogue.h"

using testing_support::DesktopPair;
using testing_support::Headless;
using testing_support::Table;
using testing_support::WithScript;

namespace {

struct Start {
  int16_t sheet = -1, ballFrames = -1, paddleFrames = -1;
  tk::Color counter = 0;
  std::string settingsAfter;
};

// Starts a game with `stored` in the settings file (nothing when null) and
// quits it with a key.
Start StartWith(const char* stored) {
  std::string path = testing::TempDir() + "lumbravick-settings.ini";
  std::remove(path.c_str());
  if (stored) std::ofstream(path) << "[StyleSheet]\nStyleSheet=" << stored << "\n";
  auto options = WithScript(DesktopPair(640, 480), "0 follow on\n3800 key x\n");
  options.settingsPath = path;
  Headless h(std::move(options));
  Start s;
  game::RunProgram([&](frmMain& w) {
    s.sheet = mdlLumbravick::StyleSheet;
    s.ballFrames = mdlLumbravick::BallFrameCount;
    s.paddleFrames = mdlLumbravick::PaddleFrameCount;
    s.counter = w.lblIconPixels.ForeColor();
  });
  std::ifstream in(path);
  std::getline(in, s.settingsAfter, '\0');
  return s;
}

}  // namespace

TEST(StyleSheetSetting, StartsOnTheStoredSheetAndSkipsWhatIsNotASixteenBitNumber) {
  Start none = StartWith(nullptr);
  EXPECT_EQ(none.sheet, kClassic);
  EXPECT_EQ(none.ballFrames, 8);
  EXPECT_EQ(none.settingsAfter, "[StyleSheet]\nStyleSheet=0\n");

  Start news = StartWith("3");
  EXPECT_EQ(news.sheet, kNewspaper);
  EXPECT_EQ(news.paddleFrames, 1);
  EXPECT_EQ(news.counter, tk::Rgb(0, 0, 0));
  EXPECT_EQ(news.settingsAfter, "[StyleSheet]\nStyleSheet=3\n");

  for (const char* bad : {"abc", "70000"}) {
    Start s = StartWith(bad);
    EXPECT_EQ(s.ballFrames, 0) << bad << ": the load is skipped entirely";
    EXPECT_EQ(s.counter, tk::Rgb(255, 255, 255)) << bad;
  }
  Start odd = StartWith("9");
  EXPECT_EQ(odd.sheet, 9) << "a number outside the sheets is passed on";
  EXPECT_EQ(odd.ballFrames, 0) << "and loads nothing but ball icons";
}

TEST(LoadStyleSheet, PanelSitsFlushInTheBottomRightCornerWithItsItemsPlaced) {
  Table t(DesktopPair(1024, 768));
  frmMain& w = *t.window;
  for (int16_t sheet = 0; sheet < 5; ++sheet) {
    mdlLumbravick::PaddleFrame = 3;
    mdlLumbravick::BallStep = -1;
    mdlLumbravick::LoadStyleSheet(sheet, w);
    const StyleSheetEntry& e = *FindStyleSheet(sheet);
    EXPECT_EQ(w.picDisplay.Width(), 150);
    EXPECT_EQ(w.picDisplay.Left() + w.picDisplay.Width(), 1024) << e.name;
    EXPECT_EQ(w.picDisplay.Top() + w.picDisplay.Height(), 768) << e.name;
    EXPECT_EQ(w.imgAbout.Left() + w.imgAbout.Width(), 150);
    EXPECT_EQ(w.lblIconPixels.Top(), e.panelItemTop);
    EXPECT_EQ(w.imgPowerUpDisplay.Top(), e.panelItemTop);
    EXPECT_EQ(mdlLumbravick::PaddleFrame, 0);
    EXPECT_EQ(mdlLumbravick::BallStep, 1);
  }
}
