// The style sheets: the stored choice at start-up, what a load puts into the
// game window, and what it leaves alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "game/program.h"
#include "harness.h"
#include "stylesheets/catalogue.h"
#include "toolkit/settings_ini.h"

using testing_support::DesktopPair;
using testing_support::Headless;
using testing_support::Table;
using testing_support::WithScript;

using namespace std::string_literals;

namespace {

struct Start {
  int16_t sheet = -1, ballFrames = -1, paddleFrames = -1;
  tk::Color counter = 0;
  std::string settingsAfter;
  tk::Surface finalFrame;
};

// Starts a game on a settings file holding `file` (none when null) and quits
// it with a key.
Start StartOnFile(const std::optional<std::string>& file) {
  // A file of this test's own: tests run side by side, in other checkouts too.
  const std::string path = testing::TempDir() + "lumbravick-settings-" +
                           testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                           std::to_string(std::random_device{}()) + ".ini";
  std::remove(path.c_str());
  if (file) std::ofstream(path, std::ios::binary) << *file;
  auto options = WithScript(DesktopPair(640, 480), "0 follow on\n3800 key x\n");
  options.settingsPath = path;
  Headless h(std::move(options));
  Start s;
  game::RunProgram([&](frmMain& w) {
    s.sheet = mdlLumbravick::StyleSheet;
    s.ballFrames = mdlLumbravick::BallFrameCount;
    s.paddleFrames = mdlLumbravick::PaddleFrameCount;
    s.counter = w.lblIconPixels.ForeColor();
    s.finalFrame = w.Frame();
  });
  std::stringstream after;
  after << std::ifstream(path, std::ios::binary).rdbuf();
  s.settingsAfter = after.str();
  std::remove(path.c_str());
  return s;
}

Start StartWith(const char* stored) {
  if (!stored) return StartOnFile(std::nullopt);
  return StartOnFile("[StyleSheet]\nStyleSheet=" + std::string(stored) + "\n");
}

}  // namespace

TEST(StyleSheetSetting, StartsOnTheStoredSheetAndPlaysClassicForAnythingElse) {
  Start none = StartWith(nullptr);
  EXPECT_EQ(none.sheet, kClassic);
  EXPECT_EQ(none.ballFrames, 8);
  EXPECT_EQ(none.settingsAfter, "[StyleSheet]\nStyleSheet=0\n");
  ASSERT_GT(none.finalFrame.Width(), 0);

  Start news = StartWith("3");
  EXPECT_EQ(news.sheet, kNewspaper);
  EXPECT_EQ(news.paddleFrames, 1);
  EXPECT_EQ(news.counter, tk::Rgb(0, 0, 0));
  EXPECT_EQ(news.settingsAfter, "[StyleSheet]\nStyleSheet=3\n");

  // A damaged value plays exactly the game Classic would, and Classic is
  // what is stored at the end.
  for (const char* bad : {"abc", "9", "-1", "3.5", "70000", ""}) {
    Start s = StartWith(bad);
    EXPECT_EQ(s.sheet, kClassic) << bad;
    EXPECT_TRUE(s.finalFrame.Pixels() == none.finalFrame.Pixels()) << bad;
    EXPECT_EQ(s.settingsAfter, "[StyleSheet]\nStyleSheet=0\n") << bad;
  }
}

TEST(StyleSheetSetting, IsOneLineOfAFileWhoseOtherLinesAreNeverLost) {
  // Lines a key-file reader refuses, other groups, a second block of the
  // group, escapes, Windows line ends and no line end at the very end.
  const std::string file =
      "# mine\n[Other]\nname=\\sa\\tb\nthis line means nothing\n[StyleSheet]\r\n"
      "Size=7\r\nStyleSheet=2\r\n\n[Other]\n[broken\nStyleSheet=9";
  Start flat = StartOnFile(file);
  EXPECT_EQ(flat.sheet, kFlatScreen) << "the stored sheet is read past the lines not understood";
  EXPECT_EQ(flat.settingsAfter, file) << "storing the same sheet changes no byte";

  tk::IniText text(file);
  std::string value;
  ASSERT_TRUE(text.Get("Other", "name", value));
  EXPECT_EQ(value, " a\tb");
  ASSERT_TRUE(text.Get("Other", "StyleSheet", value)) << "a key after an unclosed header";
  EXPECT_EQ(value, "9");
  text.Set("StyleSheet", "StyleSheet", "4");
  text.Set("StyleSheet", "Lines", " two\nlines\\");
  text.Set("New", "k", "v");
  std::string want = file;
  want.replace(want.find("StyleSheet=2\r"), 13, "StyleSheet=4\r\nLines=\\stwo\\nlines\\\\\r");
  EXPECT_EQ(text.Text(), want + "\n\n[New]\nk=v\n")
      << "one line changed, one added after the group's last key, a new group at the end";
  ASSERT_TRUE(tk::IniText(text.Text()).Get("StyleSheet", "Lines", value));
  EXPECT_EQ(value, " two\nlines\\");

  // Not text, or far larger than settings: read as nothing, never rewritten.
  const std::string big = "[StyleSheet]\nStyleSheet=3\n#" + std::string(1 << 20, 'x');
  for (const std::string& unreadable :
       {"[StyleSheet]\nStyleSheet=3\n\0\1"s, "[StyleSheet]\nStyleSheet=3\n\xC0\xAF"s, big}) {
    Start s = StartOnFile(unreadable);
    EXPECT_EQ(s.sheet, kClassic);
    EXPECT_TRUE(s.settingsAfter == unreadable) << "the file was rewritten";
  }
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
