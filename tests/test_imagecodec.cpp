// The BMP, ICO and WAV decoders on hand-made files, on every depth and
// direction a bitmap can have, and on damaged copies of the real resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "resource_bytes.h"
#include "toolkit/resources.h"

namespace {

using resource_bytes::Bytes;
using resource_bytes::Embedded;
using resource_bytes::Fields;
using tk::ResourceType;

// Appends little-endian fields of `width` bytes each.
void Put(Bytes& b, int width, std::initializer_list<int64_t> values) {
  for (int64_t v : values)
    for (int i = 0; i < width; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Set(Bytes& b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP file of w x h pixels; `pixel(x, y)` gives a palette index (bits <= 8)
// or 0x00RRGGBB colour, rows stored bottom-up unless `topDown`.
template <typename F>
Bytes MakeBmp(int w, int h, int bits, bool topDown, const std::vector<uint32_t>& palette, F pixel) {
  int stride = ((w * bits + 31) / 32) * 4;
  Bytes b{'B', 'M'};
  const int64_t offset = 54 + 4 * static_cast<int64_t>(palette.size());
  Put(b, 4, {offset + stride * h, 0, offset, 40, w, topDown ? -h : h});
  Put(b, 2, {1, bits});
  Put(b, 4, {0, stride * h, 0, 0, static_cast<int64_t>(palette.size()), 0});
  for (uint32_t c : palette) Put(b, 4, {c});
  for (int row = 0; row < h; ++row) {
    int y = topDown ? row : h - 1 - row;
    Bytes line(stride, 0);
    for (int x = 0; x < w; ++x) {  // indices packed from the high bits down, colours little-endian
      const uint32_t v = pixel(x, y);
      if (bits <= 8)
        line[x * bits / 8] |= static_cast<uint8_t>(v << (8 - bits - x * bits % 8));
      else
        for (int k = 0; k < bits / 8; ++k)
          line[x * bits / 8 + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

TEST(BmpDecoder, ReadsEveryDepthBothWaysUp) {
  const std::vector<uint32_t> palette{0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080,
                                      0x123456, 0xABCDEF, 0x010203, 0x0A0B0C, 0x111111, 0x222222,
                                      0x333333, 0x444444, 0x555555, 0x666666};
  auto index = [](int x, int y) { return static_cast<uint32_t>((x * 3 + y * 5) % 16); };
  for (int bits : {1, 4, 8, 24, 32}) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::to_string(bits) + (topDown ? " bpp top-down" : " bpp bottom-up"));
      const int w = 7, h = 5;  // odd sizes exercise the row padding
      int colours = bits == 1 ? 2 : 16;
      const std::vector<uint32_t> pal(palette.begin(), palette.begin() + (bits <= 8 ? colours : 0));
      auto value = [&](int x, int y) {
        uint32_t i = index(x, y) % colours;
        return bits <= 8 ? i : palette[i] | (bits == 32 ? 0x7F000000u : 0u);
      };
      tk::Picture p = tk::DecodeBmp(MakeBmp(w, h, bits, topDown, pal, value));
      ASSERT_TRUE(p);
      ASSERT_EQ(std::pair(p->Width(), p->Height()), std::pair(w, h));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(p->At(x, y), 0xFF000000u | palette[index(x, y) % colours]) << x << "," << y;
      EXPECT_TRUE(p->Opaque()) << "a bitmap's fourth byte is not transparency";
    }
  }
}

// A valid file, then one field at a time damaged: `decode` must refuse each.
struct Damage {
  size_t at;
  uint32_t value;
  int bytes;
  const char* what;
};

template <typename Decode>
void ExpectEachDamageRefused(const Bytes& good, std::initializer_list<Damage> damages,
                             Decode decode) {
  ASSERT_TRUE(decode(good));
  for (const Damage& d : damages) {
    Bytes b = good;
    Set(b, d.at, d.value, d.bytes);
    EXPECT_FALSE(decode(b)) << d.what;
  }
}

TEST(BmpDecoder, RejectsWhatNoBitmapHolds) {
  ExpectEachDamageRefused(MakeBmp(4, 4, 8, false, {0, 0xFFFFFF}, [](int x, int) { return x % 2u; }),
                          {{0, 'X', 1, "not BM"},
                           {30, 1, 4, "run-length compressed"},
                           {28, 16, 2, "16 bits per pixel"},
                           {18, 0x7FFFFFFF, 4, "absurd width"},
                           {18, 0, 4, "no width"},
                           {10, 0xFFFFFFF0u, 4, "pixels beyond the end"}},
                          [](const Bytes& b) { return tk::DecodeBmp(b) != nullptr; });
  auto zero = [](int, int) { return 0u; };
  EXPECT_FALSE(tk::DecodeBmp(MakeBmp(4, 4, 8, false, std::vector<uint32_t>(300, 0x808080), zero)))
      << "more palette entries than 8 bits can index, all of them in the file";
  Bytes b = MakeBmp(4, 4, 8, false, {0, 0xFFFFFF}, [](int x, int) { return x == 3 ? 7u : 0u; });
  EXPECT_FALSE(tk::DecodeBmp(b)) << "an index past the palette";
}

struct IcoImage {
  int size, bits;
  bool png = false;
  uint8_t alpha = 255;
};  // alpha: at 32 bpp

// An icon file; every image is a red square with its top-left pixel masked
// out (and, at 32 bpp, given alpha 0). A PNG image is only its signature.
Bytes MakeIco(const std::vector<IcoImage>& images) {
  Bytes b, dibs;
  Put(b, 2, {0, 1, static_cast<int64_t>(images.size())});
  for (const IcoImage& im : images) {
    const int s = im.size;
    Bytes d{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
    if (!im.png) {
      // An icon image is a bitmap without the file header whose height
      // counts the mask rows too.
      const std::vector<uint32_t> palette{0, 0xFF0000};  // below 32 bpp
      d = MakeBmp(s, s, im.bits, false, im.bits <= 8 ? palette : std::vector<uint32_t>{},
                  [&](int x, int y) {
                    return im.bits <= 8 ? 1u : 0xFF0000u | (x || y ? uint32_t{im.alpha} << 24 : 0u);
                  });
      d.erase(d.begin(), d.begin() + 14);
      Set(d, 8, 2 * s, 4);
      for (int row = 0; row < s; ++row) {
        Bytes mask(((s + 31) / 32) * 4, 0);
        mask[0] = row == s - 1 ? 0x80 : 0;  // bottom-up: the last row stored is the top
        d.insert(d.end(), mask.begin(), mask.end());
      }
    }
    const int64_t offset =
        6 + 16 * static_cast<int64_t>(images.size()) + static_cast<int64_t>(dibs.size());
    Put(b, 1, {s, s});
    Put(b, 2, {0, 1, im.bits});
    Put(b, 4, {static_cast<int64_t>(d.size()), offset});
    dibs.insert(dibs.end(), d.begin(), d.end());
  }
  b.insert(b.end(), dibs.begin(), dibs.end());
  return b;
}

TEST(IcoDecoder, PicksTheNearestSizeThenMostColoursAndSkipsPngImages) {
  auto width = [](const tk::Picture& p) { return p ? p->Width() : 0; };
  Bytes b = MakeIco({{32, 4}, {16, 4}, {16, 32}, {16, 8}, {48, 8}});
  tk::Picture p = tk::DecodeIco(b, 16);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->At(0, 0), 0x00FF0000u)
      << "only the 32-bit image keeps its see-through pixel's colour";
  EXPECT_EQ(width(tk::DecodeIco(b, 32)), 32);
  EXPECT_EQ(width(tk::DecodeIco(b, 48)), 48);
  EXPECT_EQ(width(tk::DecodeIco(b, 40)), 48) << "equally near 32 and 48: 48 has more colours";
  EXPECT_EQ(width(tk::DecodeIco(b, 20)), 16) << "16 is nearer than 32";
  EXPECT_EQ(width(tk::DecodeIco(MakeIco({{16, 0, true}, {32, 8}}), 16)), 32)
      << "PNG images are skipped";
  EXPECT_FALSE(tk::DecodeIco(MakeIco({{16, 0, true}}), 16));
}

TEST(IcoDecoder, MaskAndAlphaGiveTransparency) {
  for (int bits : {4, 8, 32}) {
    tk::Picture p = tk::DecodeIco(MakeIco({{16, bits}}), 16);
    ASSERT_TRUE(p) << bits;
    EXPECT_EQ(p->At(0, 0), bits == 32 ? 0x00FF0000u : 0u)
        << bits << ": masked out, transparent black";
    EXPECT_EQ(p->At(1, 0), 0xFFFF0000u) << bits;
    EXPECT_EQ(p->At(0, 15), 0xFFFF0000u) << bits << ": rows are bottom-up";
  }
  // Partial alpha is kept as it is (straight, not premultiplied).
  tk::Picture half = tk::DecodeIco(MakeIco({{16, 32, false, 128}}), 16);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->At(3, 3), 0x80FF0000u);
}

TEST(IcoDecoder, RejectsBadDirectories) {
  const Bytes good = MakeIco({{16, 8}});
  const uint32_t size = static_cast<uint32_t>(good.size());
  ExpectEachDamageRefused(good,
                          {{2, 2, 2, "a cursor"},
                           {4, 0, 2, "no images"},
                           {4, 0xFFFF, 2, "too many images"},
                           {6 + 12, size, 4, "image past the end"},
                           {6 + 8, size, 4, "image longer than the file"},
                           {22 + 8, 33, 4, "odd height"}},
                          [](const Bytes& b) { return tk::DecodeIco(b, 16) != nullptr; });
}

Bytes MakeWav(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const auto& [tag, body] : chunks) {
    b.insert(b.end(), tag.begin(), tag.end());
    Put(b, 4, {static_cast<int64_t>(body.size())});
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
  }
  Set(b, 4, static_cast<uint32_t>(b.size() - 8), 4);
  return b;
}

Bytes Fmt(int tag, int channels, int rate, int bits) {
  Bytes f;
  Put(f, 2, {tag, channels});
  Put(f, 4, {rate, rate * channels * bits / 8});
  Put(f, 2, {channels * bits / 8, bits});
  return f;
}

TEST(WavParser, ReadsFormatAndDataAcrossOtherChunksAndRejectsIncompleteFiles) {
  tk::WavFormat f;
  ASSERT_TRUE(tk::ParseWav(
      MakeWav({{"fmt ", Fmt(1, 2, 11025, 8)}, {"LIST", Bytes(5, 'x')}, {"data", Bytes(6, 128)}}),
      f));
  EXPECT_EQ(Fields(f), std::make_tuple(1, 2, 11025, 8, 6u));
  // Extensible fmt chunks are longer than 16 bytes.
  Bytes ext = Fmt(0xFFFE, 1, 44100, 16);
  ext.resize(40, 0);
  ASSERT_TRUE(tk::ParseWav(MakeWav({{"fmt ", ext}, {"data", Bytes(4, 0)}}), f));
  EXPECT_EQ(f.formatTag, 0xFFFE);

  EXPECT_FALSE(tk::ParseWav(MakeWav({{"data", Bytes(4, 0)}}), f));
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"fmt ", Fmt(1, 1, 22050, 16)}}), f));
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"fmt ", Bytes(12, 1)}, {"data", Bytes(4, 0)}}), f));
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"fmt ", Fmt(1, 0, 22050, 16)}, {"data", Bytes(4, 0)}}), f));
  Bytes b = MakeWav({{"fmt ", Fmt(1, 1, 22050, 16)}, {"data", Bytes(4, 0)}});
  ExpectEachDamageRefused(b,
                          {{b.size() - 8, 1000, 4, "data past the end"}, {8, 'A', 1, "not WAVE"}},
                          [&](const Bytes& bytes) { return tk::ParseWav(bytes, f); });
  f.channels = 77;
  EXPECT_FALSE(tk::ParseWav(Bytes(b.begin(), b.begin() + 30), f));
  EXPECT_EQ(f.channels, 77) << "a failed parse leaves the output alone";
}

// Every prefix of a real file is refused, read without going past its end
// (the sanitizer build checks that; garbled files are the fuzz targets' job).
TEST(DecoderRobustness, TruncatedResourcesAreRejected) {
  Bytes icon = Embedded(ResourceType::Icon, 1000), program = Embedded(ResourceType::Icon, 1);
  Bytes paddle = Embedded(ResourceType::Bitmap, 1000), sound = Embedded(ResourceType::Sound, 104);
  tk::WavFormat f;
  for (size_t n = 0; n < icon.size(); ++n) ASSERT_FALSE(tk::DecodeIco({icon.data(), n}, 16)) << n;
  for (size_t n = 0; n < program.size(); n += 7)
    ASSERT_FALSE(tk::DecodeIco({program.data(), n}, 48)) << n;
  for (size_t n = 0; n < paddle.size(); ++n) ASSERT_FALSE(tk::DecodeBmp({paddle.data(), n})) << n;
  for (size_t n = 0; n < sound.size(); ++n) ASSERT_FALSE(tk::ParseWav({sound.data(), n}, f)) << n;
}

}  // namespace
