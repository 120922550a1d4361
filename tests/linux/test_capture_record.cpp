// Captures that must agree twice, the record of what was hidden, and the PPM
// files the captures are dumped to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/ppm.h"
#include "toolkit/linux/x11_desktop.h"

using tk::Rgb;
using tk::Surface;

TEST(StableCapture, PicturesAreTakenUntilTwoInARowAgreeOrTheLimitIsReached) {
  struct Case {
    const char* what;
    std::vector<tk::Color> frames;  // the screen shows them one after another; the last one stays
    bool failFirst;
    int maxGrabs;
    bool stable;
    size_t grabs;
    int pauses;
    tk::Color result;  // what the target holds afterwards (it starts as 50,50,50)
  };
  std::vector<tk::Color> restless;
  for (int i = 0; i < 20; ++i) restless.push_back(Rgb(i, i, i));
  const std::vector<tk::Color> moving(restless.begin() + 1, restless.begin() + 5);
  const Case cases[] = {
      {"at rest", {Rgb(9, 9, 9)}, false, 8, true, 2, 1, Rgb(9, 9, 9)},
      {"icons still moving", moving, false, 8, true, 5, 4, Rgb(4, 4, 4)},
      {"never at rest: the last picture", restless, false, 6, false, 6, 5, Rgb(5, 5, 5)},
      {"the first picture fails", {Rgb(7, 7, 7)}, true, 4, false, 1, 0, Rgb(50, 50, 50)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    size_t grabs = 0;
    int pauses = 0;
    auto grab = [&](Surface& s) {
      if (++grabs == 1 && c.failFirst) return false;
      s.Fill(c.frames[std::min(grabs, c.frames.size()) - 1]);
      s.Set(0, 0, Rgb(1, 2, 3));  // something that never changes
      return true;
    };
    Surface out(4, 3, Rgb(50, 50, 50));
    EXPECT_EQ(tk::gtkx::CaptureUntilStable(
                  out, grab, [&] { ++pauses; }, c.maxGrabs),
              c.stable);
    EXPECT_EQ(grabs, c.grabs);
    EXPECT_EQ(pauses, c.pauses);
    EXPECT_EQ(std::make_pair(out.Width(), out.Height()), std::make_pair(4, 3));
    EXPECT_EQ(out.Get(3, 2), c.result);
  }
}

TEST(DesktopRecord, WindowsAreNotedOnceUpToTheLimitAndForgotten) {
  tk::gtkx::DesktopRecord record;
  EXPECT_TRUE(record.Add({.window = 100}));
  EXPECT_TRUE(record.Add({.window = 100}));
  EXPECT_EQ(record.Count(), 1) << "the same window twice is one entry";
  EXPECT_TRUE(record.Contains(100));
  for (unsigned long i = 1; i < tk::gtkx::DesktopRecord::kMaxWindows; ++i)
    ASSERT_TRUE(record.Add({.window = 100 + i}));
  EXPECT_FALSE(record.Add({.window = 99999})) << "a window that cannot be noted must not be hidden";
  record.Remove(100);
  EXPECT_FALSE(record.Contains(100));
  EXPECT_TRUE(record.Add({.window = 99999})) << "a slot set free is used again";
  record.Clear();
  EXPECT_EQ(record.Count(), 0);

  record.SetDisplayName(std::string(400, 'x').c_str());
  EXPECT_EQ(std::string(record.DisplayName()), std::string(255, 'x'));
  record.SetDisplayName(nullptr);
  EXPECT_STREQ(record.DisplayName(), "");
}

TEST(Ppm, PicturesRoundTripAndHandMadeHeadersAreRead) {
  const std::string path = std::string(testing::TempDir()) + "lumbravick-test.ppm";
  Surface s(3, 2), back;
  for (int i = 0; i < 6; ++i)
    s.Set(i % 3, i / 3, Rgb(40 * i, 255 - i, 7 * i + 1));  // a channel swap shows
  std::string error;
  ASSERT_TRUE(tk::gtkx::WritePpm(path, s));
  ASSERT_TRUE(tk::gtkx::ReadPpm(path, back, error)) << error;
  EXPECT_EQ(std::make_pair(back.Width(), back.Height()), std::make_pair(3, 2));
  EXPECT_EQ(back.Pixels(), s.Pixels());

  auto write = [&](const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; };
  write(std::string("P6\n# made by hand\n2 1\n# another\n255\n") + "\x10\x20\x30\x40\x50\x60");
  ASSERT_TRUE(tk::gtkx::ReadPpm(path, back, error)) << error;
  EXPECT_EQ(back.Pixels(), (std::vector<tk::Color>{Rgb(0x10, 0x20, 0x30), Rgb(0x40, 0x50, 0x60)}));

  // Damaged files are refused with a reason.
  const std::pair<const char*, const char*> damaged[] = {{"P3\n1 1\n255\n0 0 0\n", "P6"},
                                                         {"P6\n2 2\n255\nabc", "cut short"},
                                                         {"P6\n1 1\n65535\nabcdef", "8-bit"},
                                                         {"P6\nx 1\n255\nabc", "header"}};
  for (const auto& [bytes, reason] : damaged) {
    write(bytes);
    EXPECT_FALSE(tk::gtkx::ReadPpm(path, back, error)) << bytes;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  EXPECT_FALSE(tk::gtkx::ReadPpm(path + ".missing", back, error));
  std::remove(path.c_str());
}
