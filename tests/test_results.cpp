// The end screen's texts and the number and time formats they use.
#include <gtest/gtest.h>

#include "game/results.h"
#include "harness.h"
#include "toolkit/settings_ini.h"

using testing_support::DesktopPair;
using testing_support::Headless;

TEST(Results, PlayTimeLineNamesDestroyedPixelsOnlyAfterTheScan) {
  EXPECT_EQ(game::PlayTimeText("00:01:23", 1000, 1000, true), "You were playing 00:01:23");
  EXPECT_EQ(game::PlayTimeText("00:01:23", 1000, 400, false), "You were playing 00:01:23");
  EXPECT_EQ(game::PlayTimeText("00:01:23", 1000, 400, true),
            "You were playing 00:01:23 and destroyed 600 of 1000 pixels.");
  EXPECT_EQ(game::PlayTimeText("00:00:07", 777, 0, true),
            "You were playing 00:00:07 and destroyed 777 of 777 pixels.");
}

TEST(Results, SpeedLineAndVerdictCases) {
  Headless h(DesktopPair(10, 10));
  std::string text;
  const std::string disappointed =
      "You didn't even destroy one pixel of an icon.\r\nWe are very disappointed.";
  ASSERT_TRUE(game::SpeedText(1000, 1000, true, 10, text));
  EXPECT_EQ(text, disappointed);
  ASSERT_TRUE(game::SpeedText(1000, 10, false, 10, text));
  EXPECT_EQ(text, disappointed) << "nothing counts before the scan has finished";

  ASSERT_TRUE(game::SpeedText(1000, 0, true, 0, text));
  EXPECT_EQ(text.rfind("Congratulation! You have destroyed all pixels of your icons.", 0), 0u);
  EXPECT_EQ(text.find("pps"), std::string::npos);

  auto verdict = [&](int32_t total, int32_t left) {
    EXPECT_TRUE(game::SpeedText(total, left, true, 10, text));
    return text.substr(text.find("\r\n") + 2);
  };
  EXPECT_EQ(verdict(100000, 500), "You shouldn't give up. You nearly got it.");
  EXPECT_EQ(verdict(1002, 501), "At least you cleaned up more than half of your desktop.");
  EXPECT_EQ(verdict(1000, 501), "Perhaps you will succeed next time.");
  EXPECT_EQ(verdict(2000, 1000), "At least you cleaned up more than half of your desktop.")
      << "exactly half";

  ASSERT_TRUE(game::SpeedText(1000, 880, true, 10, text));
  EXPECT_EQ(text,
            "Your pixel destroy speed was 12. pps (pixels per second)\r\nPerhaps you will succeed "
            "next time.");
  text = "kept";
  EXPECT_FALSE(game::SpeedText(1000, 880, true, 0, text)) << "no whole second: no speed";
  EXPECT_EQ(text, "kept");
}

TEST(Formats, NumberPatternKeepsTheSeparatorAndAtMostTwoDecimals) {
  Headless h(DesktopPair(10, 10));
  EXPECT_EQ(tk::FormatNumber(12), "12.");
  EXPECT_EQ(tk::FormatNumber(12.345), "12.35");
  EXPECT_EQ(tk::FormatNumber(12.3), "12.3");
  EXPECT_EQ(tk::FormatNumber(12.304), "12.3");
  EXPECT_EQ(tk::FormatNumber(0.004), "0.");
  EXPECT_EQ(tk::FormatNumber(0.5), "0.5");
  EXPECT_EQ(tk::FormatNumber(99.999), "100.");
  EXPECT_EQ(tk::FormatNumber(1234567.891), "1234567.89");
}

TEST(Formats, TimeOfDayAndSettingConversion) {
  Headless h(DesktopPair(10, 10));
  EXPECT_EQ(tk::TimeOfDayText(0), "00:00:00");
  EXPECT_EQ(tk::TimeOfDayText(83), "00:01:23");
  EXPECT_EQ(tk::TimeOfDayText(86400 + 3661), "01:01:01") << "a day wraps round";

  int16_t v = -1;
  EXPECT_TRUE(tk::TextToInt16("3", v));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(tk::TextToInt16(" -7 ", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(tk::TextToInt16("32767", v));
  // As the registry hands it over: UTF-16, terminated or not.
  const uint8_t stored[] = {'3', 0, 0, 0};
  EXPECT_EQ(tk::RegistryText(stored), "3");
  const uint8_t odd[] = {0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'b', 0, 7};  // a pair, a lone half
  EXPECT_EQ(tk::RegistryText(odd),
            "\xF0\x9F\x98\x80\xEF\xBF\xBD"
            "b");
  for (const char* bad : {"abc", "70000", "32768", "", "3.5", "1 2", "-"}) {
    v = 9;
    EXPECT_FALSE(tk::TextToInt16(bad, v)) << bad;
    EXPECT_EQ(v, 9);
  }
}
