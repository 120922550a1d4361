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
std::vector<char> Printable() {
  std::vector<char> chars;
  for (int c = 32; c <= 126; ++c) chars.push_back(static_cast<char>(c));
  return chars;
}

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

Ink InkOf(std::string_view text) {
  return InkOf(Render(text, 4, 2, tk::TextWidth(text) + 8, tk::FontLineHeight() + 4));
}

TEST(Font, WidthsAddUpDigitsAreTabularAndLettersProportional) {
  EXPECT_EQ(tk::FontLineHeight(), 13);
  EXPECT_EQ(tk::TextWidth(""), 0);
  EXPECT_EQ(InkOf(Render("", 2, 2, 20, 20)).count, 0);
  const std::string text = "Pause 0123456789 Wim, jog!";
  int sum = 0;
  for (char c : text) sum += tk::TextWidth(std::string(1, c));
  EXPECT_EQ(tk::TextWidth(text), sum);
  // The counter's digits share one width, so the number does not jiggle.
  const int zero = tk::TextWidth("0");
  EXPECT_TRUE(zero >= 5 && zero <= 7) << zero;
  for (char d = '1'; d <= '9'; ++d) EXPECT_EQ(tk::TextWidth(std::string(1, d)), zero) << d;
  EXPECT_LT(tk::TextWidth("i"), tk::TextWidth("n"));
  EXPECT_LT(tk::TextWidth("l"), tk::TextWidth("o"));
  EXPECT_LT(tk::TextWidth("n"), tk::TextWidth("m"));
  EXPECT_LT(tk::TextWidth("0"), tk::TextWidth("W"));
}

// Each visible glyph lights pixels only inside its own box: between its pen
// position and its advance, within the line height, and leaves exactly the
// last column of its advance blank as letter spacing. A line's glyphs follow
// one another by their advances.
TEST(Font, EveryGlyphAndLineInkFitsItsBox) {
  const int x = 5, y = 3;
  for (char c : Printable()) {
    const std::string text(1, c);
    const int w = tk::TextWidth(text);
    Ink ink = InkOf(Render(text, x, y, w + 10, tk::FontLineHeight() + 6));
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
      EXPECT_EQ(ink.right, x + w - 2) << "glyph '" << c << "' must end one column before its advance";
  }
  for (std::string text : {"Pause 0123456789", "123456", "14", "Wow~", "a_b_", "(x)|"}) {
    const int w = tk::TextWidth(text);
    Ink ink = InkOf(Render(text, x, 0, w + 20, tk::FontLineHeight()));
    EXPECT_GE(ink.left, x) << text;
    EXPECT_TRUE(ink.right < x + w && ink.right >= x + w - 2) << text;
  }
}

TEST(Font, CapitalsDigitsAndLowerCaseShareABaseline) {
  const Ink cap = InkOf("H"), digit = InkOf("8"), lower = InkOf("x"), tall = InkOf("l");
  EXPECT_EQ(cap.bottom - cap.top + 1, 8) << "cap height";
  EXPECT_EQ(digit.top, cap.top);
  EXPECT_EQ(digit.bottom, cap.bottom);
  EXPECT_EQ(lower.bottom, cap.bottom);
  EXPECT_GT(lower.top, cap.top);
  EXPECT_GE(lower.bottom - lower.top + 1, 5) << "x-height";
  EXPECT_EQ(tall.top, cap.top);
  for (char c : std::string("gjpqy")) {
    Ink d = InkOf(std::string(1, c));
    EXPECT_GT(d.bottom, cap.bottom) << c << " has a descender";
  }
  for (char c : std::string("acemnorsuvwxz")) {
    Ink d = InkOf(std::string(1, c));
    EXPECT_EQ(d.bottom, cap.bottom) << c << " sits on the baseline";
    EXPECT_EQ(d.top, lower.top) << c << " is x-height tall";
  }
}

// Two different printable characters never look the same, so no table entry
// was duplicated or left as a copy of its neighbour.
TEST(Font, VisibleGlyphsAreDistinct) {
  std::vector<std::pair<char, tk::Surface>> seen;
  for (char c : Printable()) {
    if (c == ' ') continue;
    tk::Surface s = Render(std::string(1, c), 1, 0, 14, tk::FontLineHeight());
    for (const auto& [other, pixels] : seen)
      EXPECT_NE(pixels.Pixels(), s.Pixels()) << "'" << c << "' looks like '" << other << "'";
    seen.emplace_back(c, std::move(s));
  }
}

TEST(Font, UnknownCharactersFallBackToQuestionMark) {
  const tk::Surface expected = Render("a?b", 2, 1, 40, 16);
  ASSERT_GT(InkOf(expected).count, 0);
  for (std::string odd :
       {std::string("\x01"), std::string("\n"), std::string("\t"), std::string("\x7f"),
        std::string("\x80"), std::string("\xff"), std::string(1, '\0')}) {
    const std::string text = "a" + odd + "b";
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
  const tk::Rect clips[] = {{0, 0, sw, sh},     {3, 2, 10, 5},   {-20, -20, 30, 25}, {30, 5, 100, 100},
                            {-5, 4, 200, 3},     {12, -3, 1, 30}, {0, 0, 0, 0},       {5, 5, -3, 4},
                            {-50, -50, 20, 20},  {sw, 0, 10, sh}, {-1000, -1000, 3000, 3000}};
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

TEST(Font, ExtremePositionsDrawNothingAndDoNotOverflow) {
  const std::string text(400, 'W');
  const tk::Rect all{INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX};
  for (auto [x, y] : {std::pair{INT_MIN, 0}, {INT_MAX, 0}, {0, INT_MIN}, {0, INT_MAX},
                      {INT_MAX - 5, INT_MAX - 5}, {INT_MIN, INT_MIN}}) {
    tk::Surface s(30, 20, kPaper);
    tk::DrawText(s, x, y, text, kInk, all);
    tk::DrawText(s, x, y, text, kInk, {0, 0, 30, 20});
    EXPECT_EQ(InkOf(s).count, 0) << x << "," << y;
  }
  // A text starting far to the left still reaches the surface if it is long
  // enough.
  const int w = tk::TextWidth(text);
  tk::Surface s(30, 20, kPaper);
  tk::DrawText(s, -w + 20, 0, text, kInk, {0, 0, 30, 20});
  Ink ink = InkOf(s);
  EXPECT_GT(ink.count, 0);
  EXPECT_LT(ink.right, 20);
}

}  // namespace
