// Unit tests of the resource generator: its arithmetic, the anti-aliased
// drawing, the lettering, the palette reduction, the file encoders (read back
// through the game's own decoders) and the sound synthesiser.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "toolkit/resources.h"
#include "tools/resgen/art.h"
#include "tools/resgen/encode.h"
#include "tools/resgen/lettering.h"
#include "tools/resgen/sounds.h"

namespace resgen {
namespace {

TEST(ResgenMath, TranscendentalsMatchTheLibraryClosely) {
  for (double x = -20; x <= 20; x += 0.0137) {
    ASSERT_NEAR(Sin(x), std::sin(x), 1e-9) << x;
    ASSERT_NEAR(Cos(x), std::cos(x), 1e-9) << x;
    ASSERT_NEAR(Exp(x), std::exp(x), std::exp(x) * 1e-12) << x;
  }
  for (double y = -3; y <= 3; y += 0.071)
    for (double x = -3; x <= 3; x += 0.113)
      ASSERT_NEAR(Atan2(y, x), std::atan2(y, x), 2e-5) << y << "," << x;
  EXPECT_EQ(PowI(1.5, 3), 3.375);
  EXPECT_EQ(Floor(-0.5), -1.0);
  EXPECT_EQ(SmoothStep(0, 1, 2), 1.0);
  EXPECT_EQ(SmoothStep(0, 1, 0.5), 0.5);
}

TEST(ResgenMath, RandomNumbersAreRepeatableAndInRange) {
  Rng a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    double u = a.Uniform();
    ASSERT_EQ(u, b.Uniform());
    differs |= u != c.Uniform();
    ASSERT_TRUE(u >= 0.0 && u < 1.0) << u;
    int k = a.Int(3, 5);
    ASSERT_EQ(k, b.Int(3, 5));
    ASSERT_TRUE(k >= 3 && k <= 5) << k;
  }
  EXPECT_TRUE(differs);
  double lo = 1, hi = 0;
  for (int i = 0; i < 2000; ++i) {
    double n = Fbm(i * 0.173, i * 0.091, 3, 7);
    lo = std::min(lo, n);
    hi = std::max(hi, n);
  }
  EXPECT_GE(lo, 0.0);
  EXPECT_LE(hi, 1.0);
  EXPECT_GT(hi - lo, 0.3) << "the noise varies";
}

double TotalAlpha(const Canvas& c) {
  double sum = 0;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) sum += c.At(x, y).a;
  return sum;
}

TEST(ResgenCanvas, FilledShapesCoverTheirAreaWithSoftEdges) {
  Canvas c(40, 40);
  c.Fill(Circle(20, 20, 12.3), Rgba{1, 0, 0, 1});
  EXPECT_NEAR(TotalAlpha(c), kPi * 12.3 * 12.3, 2.0);
  EXPECT_EQ(c.At(20, 20).a, 1.0);
  EXPECT_EQ(c.At(2, 2).a, 0.0);
  int partial = 0;
  for (int x = 0; x < 40; ++x)
    if (c.At(x, 20).a > 0.05 && c.At(x, 20).a < 0.95) ++partial;
  EXPECT_EQ(partial, 2) << "one soft pixel on each side";

  Canvas box(10, 10);
  box.Fill(Box(2, 2, 8, 5), Rgba{0, 0, 1, 1});
  EXPECT_NEAR(TotalAlpha(box), 18.0, 1e-9);
  Canvas poly(10, 10);
  poly.Fill(Polygon({{0, 0}, {10, 0}, {0, 10}}), Rgba{0, 1, 0, 1});
  EXPECT_NEAR(TotalAlpha(poly), 50.0, 0.5);
}

TEST(ResgenCanvas, ShapeAlgebra) {
  Sdf ring = Subtract(Circle(0, 0, 5), Circle(0, 0, 3));
  EXPECT_LT(ring(4, 0), 0);
  EXPECT_GT(ring(0, 0), 0);
  EXPECT_GT(ring(6, 0), 0);
  EXPECT_NEAR(Shell(Circle(0, 0, 5), 0.5)(5, 0), -0.5, 1e-12);
  EXPECT_LT(Union(Circle(0, 0, 1), Circle(10, 0, 1))(10, 0), 0);
  EXPECT_GT(Intersect(Circle(0, 0, 1), Circle(10, 0, 1))(10, 0), 0);
  Sdf moved = Transformed(Circle(0, 0, 2), Affine::Rotate(kPi / 2, 5, 0));
  EXPECT_NEAR(moved(5, -5), -2, 1e-9) << "(0,0) turned a quarter round (5,0)";
  Affine m = Affine::Rotate(0.3, 1, 2).Then(Affine::Scale(2, 3)).Then(Affine::Translate(4, 5));
  Point p = m.Apply(7, -1);
  Point back = m.Inverse().Apply(p.x, p.y);
  EXPECT_NEAR(back.x, 7, 1e-9);
  EXPECT_NEAR(back.y, -1, 1e-9);
}

TEST(ResgenCanvas, CompositingAndBlur) {
  Canvas under(4, 4), over(4, 4);
  under.Cover(Solid(Rgba{0, 0, 1, 1}));
  over.Put(1, 1, Rgba{1, 0, 0, 0.5});
  under.Draw(over, 0, 0);
  Rgba mixed = under.At(1, 1);
  EXPECT_NEAR(mixed.r, 0.5, 1e-12);
  EXPECT_NEAR(mixed.b, 0.5, 1e-12);
  EXPECT_EQ(mixed.a, 1.0);

  Canvas dot(21, 21);
  dot.Put(10, 10, Rgba{1, 1, 1, 1});
  dot.Blur(3);
  EXPECT_NEAR(TotalAlpha(dot), 1.0, 1e-9) << "blurring keeps the amount of paint";
  EXPECT_GT(dot.At(10, 10).a, dot.At(12, 10).a);
  EXPECT_GT(dot.At(12, 10).a, 0.0);

  Canvas flat(3, 3);
  flat.Put(0, 0, Rgba{1, 1, 1, 0.25});
  flat.Flatten(Rgba{0, 0, 0, 1});
  EXPECT_NEAR(flat.At(0, 0).r, 0.25, 1e-12);
  EXPECT_EQ(flat.At(2, 2).a, 1.0);
}

TEST(ResgenLettering, WidthsAndShapesAgree) {
  TextStyle s;
  s.xHeight = 10;
  s.weight = 2;
  double one = TextWidth("o", s), two = TextWidth("oo", s);
  EXPECT_GT(two, one * 1.8);
  Sdf o = TextShape("o", 0, 20, s);
  EXPECT_LT(o(1, 15), 0) << "the left side of the bowl";
  EXPECT_GT(o(one / 2, 15), 0) << "the hole of the o";
  EXPECT_GT(o(one + 2, 15), 0);
  double width = TextWidth("Vantoro", s);
  Canvas c(static_cast<int>(width) + 4, 30);
  c.Fill(TextShape("Vantoro", 1, 22, s), Rgba{0, 0, 0, 1});
  // Ink reaches both ends of the measured width and goes no further.
  auto column = [&](int x) {
    double ink = 0;
    for (int y = 0; y < 30; ++y) ink += c.At(x, y).a;
    return ink;
  };
  EXPECT_EQ(column(0), 0.0);
  EXPECT_GT(column(1), 0.2);
  EXPECT_GT(column(static_cast<int>(width)), 0.2);
  EXPECT_EQ(column(static_cast<int>(width) + 2), 0.0);
  TextStyle serif = s;
  serif.serifs = true;
  EXPECT_GT(TextWidth("Vantoro", serif), TextWidth("Vantoro", s) - 0.001);
}

Canvas Stripes(int w, int h, int colours) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int k = (x + y * w) % colours;
      c.Put(x, y, Rgba{(k % 7) / 6.0, ((k / 7) % 7) / 6.0, (k / 49) / 6.0, 1});
    }
  return c;
}

TEST(ResgenPalette, FewColoursAreKeptExactlyManyAreReduced) {
  Canvas few = Stripes(20, 10, 37);
  Indexed a = Quantise(few, 256);
  EXPECT_EQ(a.palette.size(), 37u);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      Rgba p = few.At(x, y);
      uint32_t rgb = (Channel(p.r) << 16) | (Channel(p.g) << 8) | Channel(p.b);
      ASSERT_EQ(a.palette[a.index[y * 20 + x]], rgb);
    }
  Canvas many(64, 64);
  many.Cover([](double x, double y) { return Rgba{x / 64, y / 64, 0.5, 1}; }, 1);
  for (int limit : {16, 256}) {
    Indexed b = Quantise(many, limit);
    EXPECT_LE(b.palette.size(), static_cast<size_t>(limit));
    double worst = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        uint32_t c = b.palette[b.index[y * 64 + x]];
        worst = std::max(
            {worst, std::abs(((c >> 16) & 255) - x * 4.0), std::abs(((c >> 8) & 255) - y * 4.0)});
      }
    EXPECT_LT(worst, limit == 16 ? 48 : 12) << limit;
  }
}

TEST(ResgenEncode, BitmapsReadBackThroughTheDecoder) {
  Canvas c = Stripes(13, 7, 40);
  for (bool eight : {true, false}) {
    Bytes file = eight ? BmpFile8(c) : BmpFile24(c);
    tk::Picture p = tk::DecodeBmp(file);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->Width(), 13);
    ASSERT_EQ(p->Height(), 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        Rgba q = c.At(x, y);
        ASSERT_EQ(p->At(x, y),
                  0xFF000000u | (Channel(q.r) << 16) | (Channel(q.g) << 8) | Channel(q.b));
      }
  }
}

// One image per file here; the program icon's six images in one file are
// read back in tests/test_resources.cpp.
TEST(ResgenEncode, IconsReadBackWithTheirTransparency) {
  Canvas c(16, 16);
  c.Fill(Circle(8, 8, 6), Rgba{0.2, 0.6, 1.0, 1});
  c.Put(8, 8, Rgba{1, 0, 0, 0.5});
  for (int bits : {32, 8, 4}) {
    tk::Picture p = tk::DecodeIco(IcoFile({{c, bits}}), 16);
    ASSERT_TRUE(p) << bits;
    EXPECT_EQ(p->At(0, 0) >> 24, 0u) << bits;
    EXPECT_EQ(p->At(8, 3) >> 24, 255u) << bits;
    if (bits == 32) {
      EXPECT_EQ(p->At(8, 8), 0x80FF0000u);
    } else {
      // Half-transparent pixels become opaque under a mask.
      EXPECT_EQ(p->At(8, 8) >> 24, 255u);
      EXPECT_LE(std::set<tk::Argb>(p->Pixels().begin(), p->Pixels().end()).size(),
                (1u << bits) + 1);
    }
  }
}

// The synthesised sounds and the drawn pictures themselves are checked in
// their files (tests/test_resources.cpp), which must equal what this
// generator writes (compare_output.cmake).
TEST(ResgenSounds, WavSamplesAreRoundedAndClamped) {
  Bytes w16 = WavFile(1, 8000, 16, {0.0, 1.0, -1.0, 2.0, 0.5});
  std::vector<int16_t> s16;
  for (size_t at = 44; at + 1 < w16.size(); at += 2)
    s16.push_back(static_cast<int16_t>(w16[at] | (w16[at + 1] << 8)));
  EXPECT_EQ(s16, (std::vector<int16_t>{0, 32767, -32767, 32767, 16384}));
  Bytes w8 = WavFile(2, 8000, 8, {0.0, 1.0, -1.0, -3.0});
  EXPECT_EQ(Bytes(w8.begin() + 44, w8.end()), (Bytes{128, 255, 1, 1}));
}

}  // namespace
}  // namespace resgen
