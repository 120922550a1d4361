// Captures that must agree twice, the record of what was hidden, and the PPM
// files the captures are dumped to.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/ppm.h"
#include "toolkit/linux/x11_desktop.h"

using tk::Rgb;
using tk::Surface;
using tk::gtkx::CaptureUntilStable;

namespace {

// A screen that shows the given colours one after another (the last one
// stays), filling the whole picture.
struct ScriptedScreen {
  std::vector<tk::Color> frames;
  size_t grabs = 0;
  int pauses = 0;
  bool failFirst = false;

  bool Grab(Surface& s) {
    size_t i = grabs < frames.size() ? grabs : frames.size() - 1;
    ++grabs;
    if (failFirst && grabs == 1) return false;
    s.Fill(frames[i]);
    s.Set(0, 0, Rgb(1, 2, 3));  // something that never changes
    return true;
  }
};

bool Capture(ScriptedScreen& screen, Surface& out, int maxGrabs) {
  return CaptureUntilStable(
      out, [&](Surface& s) { return screen.Grab(s); }, [&] { ++screen.pauses; }, maxGrabs);
}

}  // namespace

TEST(StableCapture, TwoEqualPicturesInARowEndIt) {
  ScriptedScreen screen{{Rgb(9, 9, 9)}};
  Surface out(4, 3);
  EXPECT_TRUE(Capture(screen, out, 8));
  EXPECT_EQ(screen.grabs, 2u);
  EXPECT_EQ(screen.pauses, 1);
  EXPECT_EQ(out.Get(2, 2), Rgb(9, 9, 9));
  EXPECT_EQ(out.Width(), 4);
  EXPECT_EQ(out.Height(), 3);
}

TEST(StableCapture, AScreenStillChangingIsTakenAgain) {
  // Icons moving after the panel went away: three different pictures, then rest.
  ScriptedScreen screen{{Rgb(1, 0, 0), Rgb(2, 0, 0), Rgb(3, 0, 0), Rgb(4, 0, 0)}};
  Surface out(5, 5);
  EXPECT_TRUE(Capture(screen, out, 8));
  EXPECT_EQ(screen.grabs, 5u) << "the fourth picture must be seen twice";
  EXPECT_EQ(out.Get(3, 3), Rgb(4, 0, 0));
}

TEST(StableCapture, ANeverRestingScreenGivesTheLastPictureAfterTheLimit) {
  ScriptedScreen screen;
  for (int i = 0; i < 20; ++i) screen.frames.push_back(Rgb(i, i, i));
  screen.frames.push_back(Rgb(99, 0, 0));
  Surface out(2, 2);
  EXPECT_FALSE(Capture(screen, out, 6));
  EXPECT_EQ(screen.grabs, 6u);
  EXPECT_EQ(screen.pauses, 5);
  EXPECT_EQ(out.Get(1, 1), Rgb(5, 5, 5));
}

TEST(StableCapture, AFailedFirstPictureLeavesTheTargetAlone) {
  ScriptedScreen screen{{Rgb(7, 7, 7)}};
  screen.failFirst = true;
  Surface out(2, 2, Rgb(50, 50, 50));
  EXPECT_FALSE(Capture(screen, out, 4));
  EXPECT_EQ(out.Get(1, 1), Rgb(50, 50, 50));
  EXPECT_EQ(screen.pauses, 0);
}

TEST(DesktopRecord, WindowsAreNotedOnceAndForgotten) {
  tk::gtkx::DesktopRecord record;
  tk::gtkx::HiddenWindow w;
  w.window = 0x600008;
  w.hadState = true;
  w.stateCount = 2;
  w.states[0] = 11;
  w.states[1] = 12;
  EXPECT_EQ(record.Count(), 0);
  EXPECT_TRUE(record.Add(w));
  EXPECT_TRUE(record.Add(w));
  EXPECT_EQ(record.Count(), 1) << "the same window twice is one entry";
  EXPECT_TRUE(record.Contains(0x600008));
  EXPECT_FALSE(record.Contains(0x600009));
  record.Remove(0x600008);
  EXPECT_FALSE(record.Contains(0x600008));
  EXPECT_EQ(record.Count(), 0);
}

TEST(DesktopRecord, AFullRecordRefusesMore) {
  tk::gtkx::DesktopRecord record;
  tk::gtkx::HiddenWindow w;
  for (int i = 0; i < tk::gtkx::DesktopRecord::kMaxWindows; ++i) {
    w.window = 100 + static_cast<unsigned long>(i);
    ASSERT_TRUE(record.Add(w));
  }
  w.window = 99999;
  EXPECT_FALSE(record.Add(w)) << "a window that cannot be noted must not be hidden";
  record.Remove(100);
  EXPECT_TRUE(record.Add(w));
  record.Clear();
  EXPECT_EQ(record.Count(), 0);
}

TEST(DesktopRecord, TheDisplayNameIsKeptAndCut) {
  tk::gtkx::DesktopRecord record;
  record.SetDisplayName(":42.0");
  EXPECT_STREQ(record.DisplayName(), ":42.0");
  std::string longName(400, 'x');
  record.SetDisplayName(longName.c_str());
  EXPECT_EQ(std::string(record.DisplayName()).size(), 255u);
  record.SetDisplayName(nullptr);
  EXPECT_STREQ(record.DisplayName(), "");
}

namespace {

std::string TempFile(const char* name) { return std::string(testing::TempDir()) + name; }

}  // namespace

TEST(Ppm, PicturesRoundTripExactly) {
  Surface s(3, 2);
  s.Set(0, 0, Rgb(255, 0, 0));
  s.Set(1, 0, Rgb(0, 255, 0));
  s.Set(2, 0, Rgb(0, 0, 255));
  s.Set(0, 1, Rgb(1, 2, 3));
  s.Set(2, 1, Rgb(255, 255, 255));
  std::string path = TempFile("lumbravick-roundtrip.ppm");
  ASSERT_TRUE(tk::gtkx::WritePpm(path, s));
  Surface back;
  std::string error;
  ASSERT_TRUE(tk::gtkx::ReadPpm(path, back, error)) << error;
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Height(), 2);
  EXPECT_EQ(back.Pixels(), s.Pixels());
  std::remove(path.c_str());
}

TEST(Ppm, HeadersWithCommentsAreRead) {
  std::string path = TempFile("lumbravick-comment.ppm");
  {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n# made by hand\n2 1\n# another\n255\n";
    out.write("\x10\x20\x30\x40\x50\x60", 6);
  }
  Surface s;
  std::string error;
  ASSERT_TRUE(tk::gtkx::ReadPpm(path, s, error)) << error;
  EXPECT_EQ(s.Get(0, 0), Rgb(0x10, 0x20, 0x30));
  EXPECT_EQ(s.Get(1, 0), Rgb(0x40, 0x50, 0x60));
  std::remove(path.c_str());
}

TEST(Ppm, DamagedFilesAreRefusedWithAReason) {
  std::string path = TempFile("lumbravick-bad.ppm");
  auto write = [&](const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
  };
  Surface s;
  std::string error;
  write("P3\n1 1\n255\n0 0 0\n");
  EXPECT_FALSE(tk::gtkx::ReadPpm(path, s, error));
  EXPECT_NE(error.find("P6"), std::string::npos) << error;
  write("P6\n2 2\n255\nabc");
  EXPECT_FALSE(tk::gtkx::ReadPpm(path, s, error));
  EXPECT_NE(error.find("cut short"), std::string::npos) << error;
  write("P6\n1 1\n65535\nabcdef");
  EXPECT_FALSE(tk::gtkx::ReadPpm(path, s, error));
  write("P6\nx 1\n255\nabc");
  EXPECT_FALSE(tk::gtkx::ReadPpm(path, s, error));
  EXPECT_FALSE(tk::gtkx::ReadPpm(path + ".missing", s, error));
  std::remove(path.c_str());
}
