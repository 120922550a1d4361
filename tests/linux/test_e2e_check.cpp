// The end-to-end run's picture comparisons and trace reading.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/linux/e2e_check.h"

using tk::Rect;
using tk::Rgb;
using tk::Surface;

TEST(E2eCheck, DifferencesAreCountedInsideTheRegionAndOutsideTheExclusions) {
  Surface a(10, 10, Rgb(1, 1, 1)), b = a;
  b.FillRect({2, 2, 3, 3}, Rgb(9, 9, 9));  // 9 pixels
  b.Set(8, 8, Rgb(9, 9, 9));              // 1 pixel
  EXPECT_EQ(e2e::CountDifferences(a, b, std::nullopt, {}), 10);
  EXPECT_EQ(e2e::CountDifferences(a, b, Rect{0, 0, 5, 5}, {}), 9);
  EXPECT_EQ(e2e::CountDifferences(a, b, std::nullopt, {Rect{2, 2, 3, 3}}), 1);
  EXPECT_EQ(e2e::CountDifferences(a, b, std::nullopt, {Rect{2, 2, 3, 3}, Rect{8, 8, 1, 1}}), 0);
  EXPECT_EQ(e2e::CountDifferences(a, b, Rect{3, 3, 20, 20}, {Rect{8, 8, 5, 5}}), 4);
  EXPECT_EQ(e2e::CountDifferences(a, a, std::nullopt, {}), 0);
}

TEST(E2eCheck, PicturesOfDifferentSizesDifferWhereOnlyOneReaches) {
  Surface a(4, 4, Rgb(5, 5, 5)), b(4, 3, Rgb(5, 5, 5));
  EXPECT_EQ(e2e::CountDifferences(a, b, std::nullopt, {}), 4) << "the missing row";
}

TEST(E2eCheck, TheBoxHoldsEveryDifferenceInTheRegion) {
  Surface a(20, 10, Rgb(0, 0, 0)), b = a;
  b.Set(3, 4, Rgb(1, 0, 0));
  b.Set(7, 6, Rgb(1, 0, 0));
  b.Set(15, 1, Rgb(1, 0, 0));
  auto box = e2e::DifferenceBox(a, b, {0, 3, 20, 7});
  ASSERT_TRUE(box);
  EXPECT_EQ(*box, (Rect{3, 4, 5, 3}));
  box = e2e::DifferenceBox(a, b, {0, 0, 20, 10});
  ASSERT_TRUE(box);
  EXPECT_EQ(*box, (Rect{3, 1, 13, 6}));
  EXPECT_FALSE(e2e::DifferenceBox(a, b, {8, 0, 5, 10}));
}

TEST(E2eCheck, RectanglesAreReadStrictly) {
  Rect r;
  ASSERT_TRUE(e2e::ParseRect("1,-2,30,40", r));
  EXPECT_EQ(r, (Rect{1, -2, 30, 40}));
  EXPECT_FALSE(e2e::ParseRect("1,2,3", r));
  EXPECT_FALSE(e2e::ParseRect("1,2,3,4,5", r));
  EXPECT_FALSE(e2e::ParseRect("1,2,-3,4", r));
  EXPECT_FALSE(e2e::ParseRect("a,2,3,4", r));
  EXPECT_FALSE(e2e::ParseRect("", r));
}

TEST(E2eCheck, TraceLinesAreReadField) {
  e2e::TraceFields f;
  ASSERT_TRUE(e2e::ParseTraceLine(
      R"({"t":13881,"ev":"end_screen","play_time":"You were \"playing\"","speed":"a\r\nb\\c\u0001"})", f));
  EXPECT_EQ(f["t"], "13881");
  EXPECT_EQ(f["ev"], "end_screen");
  EXPECT_EQ(f["play_time"], "You were \"playing\"");
  EXPECT_EQ(f["speed"], std::string("a\r\nb\\c\x01"));

  ASSERT_TRUE(e2e::ParseTraceLine(R"({"t":1,"ev":"serve","ball":[504,679.5],"dir":[-3, 2],"ok":true,"e":[]})", f));
  EXPECT_EQ(f["ball"], "504,679.5");
  EXPECT_EQ(f["dir"], "-3,2");
  EXPECT_EQ(f["ok"], "true");
  EXPECT_EQ(f["e"], "");
}

TEST(E2eCheck, BrokenTraceLinesAreRefused) {
  e2e::TraceFields f;
  EXPECT_FALSE(e2e::ParseTraceLine(R"({"t":1,"ev":"label","text":"12)", f)) << "cut short";
  EXPECT_TRUE(f.empty());
  EXPECT_FALSE(e2e::ParseTraceLine(R"({"t":1 "ev":"x"})", f));
  EXPECT_FALSE(e2e::ParseTraceLine(R"({"t":1,"ev":"x"} trailing)", f));
  EXPECT_FALSE(e2e::ParseTraceLine("", f));
  EXPECT_TRUE(e2e::ParseTraceLine("{}", f));
}

TEST(E2eCheck, EventsAreFoundByNameInOrder) {
  std::string path = std::string(testing::TempDir()) + "lumbravick-trace.jsonl";
  {
    std::ofstream out(path);
    out << R"({"t":1,"ev":"label","text":"1"})" << "\n"
        << R"({"t":2,"ev":"sound","id":110})" << "\n"
        << "garbage\n"
        << R"({"t":3,"ev":"label","text":"Pause"})" << "\n"
        << R"({"t":4,"ev":"label","text":"unfinished)";
  }
  auto labels = e2e::ReadEvents(path, "label");
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0]["text"], "1");
  EXPECT_EQ(labels[1]["text"], "Pause");
  EXPECT_EQ(e2e::ReadEvents(path, "sound").size(), 1u);
  EXPECT_TRUE(e2e::ReadEvents(path, "exit").empty());
  std::remove(path.c_str());
}
