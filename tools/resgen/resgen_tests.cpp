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
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    int k = a.Int(3, 5);
    b.Int(3, 5);
    c.Int(3, 5);
    ASSERT_GE(k, 3);
    ASSERT_LE(k, 5);
  }
  EXPECT_TRUE(differs);
  double lo = 1, hi = 0;
  for (int i = 0; i < 2000; ++i) {
    double n = Fbm(i * 0.173, i * 0.091, 3, 7);
    lo = std::min(lo, n), hi = std::max(hi, n);
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
  s.xHeight = 10, s.weight = 2;
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

TEST(ResgenEncode, IconsReadBackWithTheirTransparency) {
  Canvas c(16, 16);
  c.Fill(Circle(8, 8, 6), Rgba{0.2, 0.6, 1.0, 1});
  c.Put(8, 8, Rgba{1, 0, 0, 0.5});
  Bytes file = IcoFile({{c, 32}, {c, 8}, {c, 4}});
  ASSERT_EQ(file[4], 3);
  for (int bits : {32, 8, 4}) {
    // Cut out one image at a time by keeping only its directory entry.
    int i = bits == 32 ? 0 : (bits == 8 ? 1 : 2);
    Bytes one(file.begin(), file.begin() + 6);
    one[4] = 1;
    one.insert(one.end(), file.begin() + 6 + 16 * i, file.begin() + 6 + 16 * (i + 1));
    one.insert(one.end(), file.begin() + 6 + 16 * 3, file.end());
    uint32_t offset =
        one[18] | (one[19] << 8) | (one[20] << 16) | (static_cast<uint32_t>(one[21]) << 24);
    offset -= 32;  // two directory entries fewer
    for (int k = 0; k < 4; ++k) one[18 + k] = static_cast<uint8_t>(offset >> (8 * k));
    tk::Picture p = tk::DecodeIco(one, 16);
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

TEST(ResgenSounds, EveryCatalogueEntryFillsItsExactLength) {
  ASSERT_EQ(SoundCatalogue().size(), 11u);
  for (const SoundEntry& s : SoundCatalogue()) {
    std::vector<double> samples = Synthesise(s);
    Bytes file = WavFile(s.channels, s.sampleRate, s.bits, samples);
    tk::WavFormat f;
    ASSERT_TRUE(tk::ParseWav(file, f)) << s.id;
    EXPECT_EQ(f.dataBytes, s.dataBytes) << s.id;
    EXPECT_EQ(file.size(), 44 + s.dataBytes) << s.id;
    double peak = 0;
    for (double v : samples) peak = std::max(peak, std::abs(v));
    EXPECT_LE(peak, 0.9) << s.id;
    EXPECT_EQ(samples.front(), 0.0) << s.id;
    EXPECT_EQ(samples.back(), 0.0) << s.id;
  }
}

TEST(ResgenSounds, WavSamplesAreRoundedAndClamped) {
  Bytes w16 = WavFile(1, 8000, 16, {0.0, 1.0, -1.0, 2.0, 0.5});
  auto s16 = [&](int i) { return static_cast<int16_t>(w16[44 + 2 * i] | (w16[45 + 2 * i] << 8)); };
  EXPECT_EQ(s16(0), 0);
  EXPECT_EQ(s16(1), 32767);
  EXPECT_EQ(s16(2), -32767);
  EXPECT_EQ(s16(3), 32767);
  EXPECT_EQ(s16(4), 16384);
  Bytes w8 = WavFile(2, 8000, 8, {0.0, 1.0, -1.0, -3.0});
  EXPECT_EQ(w8[44], 128);
  EXPECT_EQ(w8[45], 255);
  EXPECT_EQ(w8[46], 1);
  EXPECT_EQ(w8[47], 1);
}

TEST(ResgenArt, PicturesHaveTheirCatalogueSizes) {
  const int paddleHeights[5] = {32, 32, 36, 35, 35}, panelHeights[5] = {24, 23, 27, 27, 27};
  for (int s = 0; s < kSheetCount; ++s) {
    Canvas ball = BallFrame(s, 0);
    EXPECT_EQ(ball.Width(), 16);
    EXPECT_EQ(ball.Height(), 16);
    Canvas paddle = PaddleFrame(s, 4);
    EXPECT_EQ(paddle.Width(), 168);
    EXPECT_EQ(paddle.Height(), paddleHeights[s]);
    EXPECT_EQ(Panel(s).Height(), panelHeights[s]);
    // Bitmaps are opaque all over.
    for (int y = 0; y < paddle.Height(); ++y)
      for (int x = 0; x < paddle.Width(); ++x) ASSERT_GE(paddle.At(x, y).a, 0.999) << s;
  }
  EXPECT_FALSE(PaddleFrameExists(3, 1));
  EXPECT_FALSE(PaddleFrameExists(4, 3));
  EXPECT_TRUE(PaddleFrameExists(2, 3));
  EXPECT_EQ(BallFrameCount(1), 8);
  EXPECT_EQ(ProgramIcon(48).Width(), 48);
}

}  // namespace
}  // namespace resgen
