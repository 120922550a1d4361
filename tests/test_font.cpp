#include "toolkit/font.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "toolkit/surface.h"

namespace {

constexpr tk::Color kPaper = tk::Rgb(10, 20, 30);
constexpr tk::Color kInk = tk::Rgb(250, 240, 5);

// Every printable ASCII character: 32..126.
const std::string kPrintable = [] {
  std::string s;
  for (char c = 32; c <= 126; ++c) s += c;
  return s;
}();

// The bounding box and pixel count of the ink on a surface.
struct Ink {
  int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;  // inclusive
  int count = 0;
};

// `text` drawn at (x, y) on a fresh w x h surface, clipped to the whole surface.
tk::Surface Render(std::string_view text, int x, int y, int w, int h) {
  tk::Surface s(w, h, kPaper);
  tk::DrawText(s, x, y, text, kInk, {0, 0, w, h});
  return s;
}

Ink InkOf(const tk::Surface& s) {
  Ink ink;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      tk::Color p = s.Get(x, y);
      if (p == kPaper) continue;
      EXPECT_EQ(p, kInk) << "at " << x << "," << y;
      ++ink.count;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

Ink InkOf(char c) {
  const std::string text(1, c);
  return InkOf(Render(text, 4, 2, tk::TextWidth(text) + 8, tk::FontLineHeight() + 4));
}

// A line is as wide as its glyphs' advances together, and drawing moves the
// pen by the same advances: only then does the ink of a line of every glyph
// end exactly one spacing column before its width.
TEST(Font, WidthsAddUpAndDrawingFollowsThemDigitsAreTabularLettersProportional) {
  EXPECT_EQ(tk::FontLineHeight(), 13);
  int sum = 0;
  for (char c : kPrintable) sum += tk::TextWidth(std::string(1, c));
  EXPECT_EQ(tk::TextWidth(kPrintable), sum);
  const Ink line = InkOf(Render(kPrintable, 5, 0, sum + 20, tk::FontLineHeight()));
  EXPECT_GE(line.left, 5);
  EXPECT_EQ(line.right, 5 + sum - 2);
  // The counter's digits share one width, so the number does not jiggle.
  const int zero = tk::TextWidth("0");
  EXPECT_TRUE(zero >= 5 && zero <= 7) << zero;
  for (char d = '1'; d <= '9'; ++d) EXPECT_EQ(tk::TextWidth(std::string(1, d)), zero) << d;
  for (auto [narrow, wide] : {std::pair{"i", "n"}, {"l", "o"}, {"n", "m"}, {"0", "W"}})
    EXPECT_LT(tk::TextWidth(narrow), tk::TextWidth(wide)) << narrow << " against " << wide;
}

// Each visible glyph lights pixels only inside its own box: between its pen
// position and its advance, within the line height, and leaves exactly the
// last column of its advance blank as letter spacing. No two look the same,
// so no table entry was duplicated or left as a copy of its neighbour.
TEST(Font, EveryGlyphInkFitsItsBoxAndDiffersFromTheOthers) {
  const int x = 5, y = 3;
  std::vector<std::pair<char, tk::Surface>> seen;
  for (char c : kPrintable) {
    const std::string text(1, c);
    const int w = tk::TextWidth(text);
    tk::Surface s = Render(text, x, y, 30, tk::FontLineHeight() + 6);
    Ink ink = InkOf(s);
    for (const auto& [other, pixels] : seen)
      EXPECT_NE(pixels.Pixels(), s.Pixels()) << "'" << c << "' looks like '" << other << "'";
    seen.emplace_back(c, std::move(s));
    if (c == ' ') {
      EXPECT_EQ(ink.count, 0);
      EXPECT_GE(w, 2);
      continue;
    }
    ASSERT_GT(ink.count, 0) << "glyph '" << c << "' is blank";
    EXPECT_TRUE(ink.left >= x && ink.top >= y && ink.bottom < y + tk::FontLineHeight()) << c;
    // Proportional glyphs end exactly one column before their advance; the
    // tabular digits may leave more room (the narrow '1').
    if (c >= '0' && c <= '9')
      EXPECT_LE(ink.right, x + w - 2) << "digit '" << c << "' runs into its spacing column";
    else
      EXPECT_EQ(ink.right, x + w - 2)
          << "glyph '" << c << "' must end one column before its advance";
  }
}

TEST(Font, CapitalsDigitsAndLowerCaseShareABaseline) {
  const Ink cap = InkOf('H'), digit = InkOf('8'), lower = InkOf('x'), tall = InkOf('l');
  EXPECT_EQ(cap.bottom - cap.top + 1, 8) << "cap height";
  EXPECT_EQ(digit.top, cap.top);
  EXPECT_EQ(digit.bottom, cap.bottom);
  EXPECT_EQ(lower.bottom, cap.bottom);
  EXPECT_GT(lower.top, cap.top);
  EXPECT_GE(lower.bottom - lower.top + 1, 5) << "x-height";
  EXPECT_EQ(tall.top, cap.top);
  for (char c : std::string("gjpqy"))
    EXPECT_GT(InkOf(c).bottom, cap.bottom) << c << " has a descender";
  for (char c : std::string("acemnorsuvwxz")) {
    EXPECT_EQ(InkOf(c).bottom, cap.bottom) << c << " sits on the baseline";
    EXPECT_EQ(InkOf(c).top, lower.top) << c << " is x-height tall";
  }
}

TEST(Font, UnknownCharactersFallBackToQuestionMark) {
  const tk::Surface expected = Render("a?b", 2, 1, 40, 16);
  ASSERT_GT(InkOf(expected).count, 0);
  for (char odd : std::string("\x01\n\t\x7f\x80\xff\0", 7)) {
    const std::string text = std::string("a") + odd + "b";
    EXPECT_EQ(tk::TextWidth(text), tk::TextWidth("a?b"));
    EXPECT_EQ(Render(text, 2, 1, 40, 16).Pixels(), expected.Pixels());
  }
  // A two-byte UTF-8 character counts byte by byte.
  EXPECT_EQ(tk::TextWidth("\xc3\xa9"), tk::TextWidth("??"));
}

// Draws at many positions, with many clip rectangles (some reaching past the
// surface or lying at negative coordinates), and compares with an unclipped
// rendering on a large surface: exactly the reference ink inside clip and
// surface is written, nothing else.
TEST(Font, ClippingMatchesAnUnclippedRendering) {
  const std::string text = "Pause 0123456789 gj";
  const int tw = tk::TextWidth(text), lh = tk::FontLineHeight();
  const int sw = 40, sh = 11;
  const int margin = 200;
  const tk::Rect clips[] = {{0, 0, sw, sh},
                            {3, 2, 10, 5},
                            {-20, -20, 30, 25},
                            {30, 5, 100, 100},
                            {-5, 4, 200, 3},
                            {12, -3, 1, 30},
                            {0, 0, 0, 0},
                            {5, 5, -3, 4},
                            {-50, -50, 20, 20},
                            {sw, 0, 10, sh},
                            {-1000, -1000, 3000, 3000}};
  tk::Surface ref(tw + 2 * margin, lh + 2 * margin, kPaper);
  tk::DrawText(ref, margin, margin, text, kInk, {0, 0, ref.Width(), ref.Height()});
  for (const tk::Rect& clip : clips) {
    const tk::Rect visible = clip.Intersect({0, 0, sw, sh});
    for (int y = -lh - 2; y <= sh + 1; ++y)
      for (int x = -tw - 2; x <= sw + 1; x += 3) {
        tk::Surface s(sw, sh, kPaper);
        tk::DrawText(s, x, y, text, kInk, clip);
        for (int py = 0; py < sh; ++py)
          for (int px = 0; px < sw; ++px) {
            const bool lit = ref.Get(px - x + margin, py - y + margin) == kInk;
            const tk::Color want = lit && visible.Contains(px, py) ? kInk : kPaper;
            ASSERT_EQ(s.Get(px, py), want)
                << "text at " << x << "," << y << " clip " << clip.x << "," << clip.y << " "
                << clip.w << "x" << clip.h << " pixel " << px << "," << py;
          }
      }
  }
}

// The pen is far outside the int range's middle: nothing wraps round onto
// the surface, yet a long enough text from far to the left still reaches it.
TEST(Font, ExtremePositionsDrawNothingAndDoNotOverflow) {
  const std::string text(400, 'W');
  const tk::Rect all{INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX};
  for (auto [x, y] : {std::pair{INT_MIN, 0},
                      {INT_MAX, 0},
                      {0, INT_MIN},
                      {0, INT_MAX},
                      {INT_MAX - 5, INT_MAX - 5},
                      {INT_MIN, INT_MIN}}) {
    tk::Surface s(30, 20, kPaper);
    tk::DrawText(s, x, y, text, kInk, all);
    tk::DrawText(s, x, y, text, kInk, {0, 0, 30, 20});
    EXPECT_EQ(InkOf(s).count, 0) << x << "," << y;
  }
  Ink ink = InkOf(Render(text, -tk::TextWidth(text) + 20, 0, 30, 20));
  EXPECT_GT(ink.count, 0);
  EXPECT_LT(ink.right, 20);
}

}  // namespace
