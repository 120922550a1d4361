// The built-in resources against their catalogue (numbers, sizes, formats,
// sound lengths), the compiled-in copy against the files in resources/, and
// the BMP, ICO and WAV decoders on hand-made and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "toolkit/resources.h"

namespace {

using Bytes = std::vector<uint8_t>;
using tk::ResourceType;

const std::filesystem::path kResourceDir =
    std::filesystem::path(LUMBRAVICK_SOURCE_DIR) / "resources";

uint32_t Le(const Bytes& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return v;
}

void Put(Bytes& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Set(Bytes& b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path PathOf(ResourceType type, int id) {
  switch (type) {
    case ResourceType::Icon:
      return kResourceDir / "icons" / (std::to_string(id) + ".ico");
    case ResourceType::Bitmap:
      return kResourceDir / "bitmaps" / (std::to_string(id) + ".bmp");
    default:
      return kResourceDir / "sounds" / (std::to_string(id) + ".wav");
  }
}

Bytes Embedded(ResourceType type, int id) {
  auto s = tk::FindEmbeddedResource(type, id);
  return {s.begin(), s.end()};
}

// ---------------------------------------------------------------- catalogue

struct BitmapEntry {
  int id, width, height, bits;
};

struct SoundEntry {
  int id, channels, rate, bits;
  uint32_t dataBytes;
};

const int kPaddleHeights[5] = {32, 32, 36, 35, 35};
const int kPanelHeights[5] = {24, 23, 27, 27, 27};

int BallFrames(int sheet) { return sheet == 1 ? 8 : 10; }
bool HasPaddleFrame(int sheet, int frame) { return sheet <= 2 || frame == 0 || frame == 4; }

std::vector<int> ExpectedIcons() {
  std::vector<int> ids{1};
  for (int id = 101; id <= 107; ++id) ids.push_back(id);
  for (int s = 0; s < 5; ++s)
    for (int f = 0; f < BallFrames(s); ++f) ids.push_back((s + 1) * 1000 + f);
  for (int id = 6000; id <= 6009; ++id) ids.push_back(id);
  return ids;
}

std::vector<BitmapEntry> ExpectedBitmaps() {
  std::vector<BitmapEntry> out;
  for (int s = 0; s < 5; ++s) {
    int base = (s + 1) * 1000;
    for (int f = 0; f <= 4; ++f)
      if (HasPaddleFrame(s, f)) out.push_back({base + f, 168, kPaddleHeights[s], 8});
    out.push_back({base + 5, 150, kPanelHeights[s], 8});
  }
  out.push_back({9000, 300, 38, 24});
  out.push_back({9001, 141, 205, 24});
  return out;
}

const std::vector<SoundEntry> kSounds{
    {101, 1, 44100, 16, 1414},  {102, 1, 44100, 16, 706},  {103, 1, 44100, 16, 706},
    {104, 1, 22050, 16, 1694},  {105, 1, 22050, 16, 1688}, {106, 1, 22050, 16, 17548},
    {107, 1, 22050, 16, 51576}, {108, 1, 22050, 16, 2524}, {109, 1, 22050, 16, 65032},
    {110, 1, 22050, 16, 5444},  {111, 2, 11025, 8, 2964},
};

// Both copies of every resource: the compiled-in one and the file.
struct Copies {
  const char* name;
  Bytes (*get)(ResourceType, int);
};
const Copies kCopies[] = {
    {"embedded", Embedded},
    {"file", [](ResourceType t, int id) { return ReadFile(PathOf(t, id)); }},
};

double Luminance(tk::Argb p) {
  return (0.299 * ((p >> 16) & 255) + 0.587 * ((p >> 8) & 255) + 0.114 * (p & 255)) / 255.0;
}

TEST(ResourceCatalogue, IconsAreSixteenPixelsWithTransparentCorners) {
  for (const Copies& copy : kCopies) {
    for (int id : ExpectedIcons()) {
      if (id == 1) continue;  // the program icon has its own test
      SCOPED_TRACE(std::string(copy.name) + " icon " + std::to_string(id));
      Bytes b = copy.get(ResourceType::Icon, id);
      ASSERT_GE(b.size(), 22u);
      EXPECT_EQ(Le(b, 4, 2), 1u) << "one image";
      EXPECT_EQ(Le(b, Le(b, 18, 4) + 14, 2), 32u) << "with an alpha channel";
      tk::Picture p = tk::DecodeIco(b, 16);
      ASSERT_TRUE(p);
      EXPECT_EQ(p->Width(), 16);
      EXPECT_EQ(p->Height(), 16);
      EXPECT_EQ(p->At(0, 0) >> 24, 0u);
      EXPECT_EQ(p->At(15, 15) >> 24, 0u);
      if (id >= 1000) {
        EXPECT_EQ(p->At(8, 8) >> 24, 255u) << "balls are solid in the middle";
      }
    }
  }
}

TEST(ResourceCatalogue, MissingNumbersAreAbsent) {
  for (int sheet : {1}) {
    int base = (sheet + 1) * 1000;
    EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Icon, base + 8).empty());
    EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Icon, base + 9).empty());
  }
  for (int id : {4001, 4002, 4003, 5001, 5002, 5003}) {
    EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Bitmap, id).empty()) << id;
    EXPECT_FALSE(std::filesystem::exists(PathOf(ResourceType::Bitmap, id))) << id;
  }
  EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Sound, 100).empty());
  EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Sound, 112).empty());
  // Numbers are per type: bitmap 1000 exists, but no sound or icon 9000.
  EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Icon, 9000).empty());
  EXPECT_TRUE(tk::FindEmbeddedResource(ResourceType::Sound, 1000).empty());
}

TEST(ResourceCatalogue, ResourceFolderHoldsExactlyTheCatalogue) {
  std::set<std::string> expected, found;
  for (int id : ExpectedIcons()) expected.insert("icons/" + std::to_string(id) + ".ico");
  for (const BitmapEntry& b : ExpectedBitmaps())
    expected.insert("bitmaps/" + std::to_string(b.id) + ".bmp");
  for (const SoundEntry& s : kSounds) expected.insert("sounds/" + std::to_string(s.id) + ".wav");
  for (const char* sub : {"icons", "bitmaps", "sounds"})
    for (const auto& e : std::filesystem::directory_iterator(kResourceDir / sub))
      found.insert(std::string(sub) + "/" + e.path().filename().string());
  EXPECT_EQ(found, expected);
}

TEST(ResourceCatalogue, BitmapsHaveTheirSizeAndDepth) {
  for (const Copies& copy : kCopies) {
    for (const BitmapEntry& entry : ExpectedBitmaps()) {
      SCOPED_TRACE(std::string(copy.name) + " bitmap " + std::to_string(entry.id));
      Bytes b = copy.get(ResourceType::Bitmap, entry.id);
      ASSERT_GE(b.size(), 54u);
      EXPECT_EQ(b[0], 'B');
      EXPECT_EQ(b[1], 'M');
      EXPECT_EQ(Le(b, 2, 4), b.size());
      EXPECT_EQ(Le(b, 14, 4), 40u);  // BITMAPINFOHEADER
      EXPECT_EQ(static_cast<int32_t>(Le(b, 18, 4)), entry.width);
      EXPECT_EQ(static_cast<int32_t>(Le(b, 22, 4)), entry.height);  // positive: bottom-up
      EXPECT_EQ(Le(b, 28, 2), static_cast<uint32_t>(entry.bits));
      EXPECT_EQ(Le(b, 30, 4), 0u);  // uncompressed
      uint32_t colours = Le(b, 46, 4);
      if (entry.bits == 8) {
        EXPECT_GE(colours, 2u);
        EXPECT_LE(colours, 256u);
      }
      // The pixels follow the palette directly, rows padded to 4 bytes.
      EXPECT_EQ(Le(b, 10, 4), 54 + 4 * colours);
      EXPECT_EQ(b.size(),
                54 + 4 * colours + ((entry.width * entry.bits + 31) / 32) * 4 * entry.height);
      tk::Picture p = tk::DecodeBmp(b);
      ASSERT_TRUE(p);
      EXPECT_EQ(p->Width(), entry.width);
      EXPECT_EQ(p->Height(), entry.height);
      EXPECT_TRUE(p->Opaque());
    }
  }
}

TEST(ResourceCatalogue, ProgramIconHasThreeSizesInSixteenAndTwoHundredFiftySixColours) {
  for (const Copies& copy : kCopies) {
    SCOPED_TRACE(copy.name);
    Bytes b = copy.get(ResourceType::Icon, 1);
    ASSERT_GE(b.size(), 6u);
    ASSERT_EQ(Le(b, 4, 2), 6u);
    std::set<std::pair<int, int>> images;
    for (size_t i = 0; i < 6; ++i) {
      size_t dir = 6 + i * 16, offset = Le(b, dir + 12, 4);
      int size = b.at(dir);
      int bits = static_cast<int>(Le(b, offset + 14, 2));  // from the image's own header
      EXPECT_EQ(static_cast<int>(Le(b, offset + 4, 4)), size);
      images.insert({size, bits});
    }
    EXPECT_EQ(images, (std::set<std::pair<int, int>>{
                          {16, 4}, {16, 8}, {32, 4}, {32, 8}, {48, 4}, {48, 8}}));
    for (int size : {16, 32, 48}) {
      tk::Picture p = tk::DecodeIco(b, size);
      ASSERT_TRUE(p);
      EXPECT_EQ(p->Width(), size);
      EXPECT_FALSE(p->Opaque());
    }
  }
}

TEST(ResourceCatalogue, SoundsHaveTheirFormatAndExactLength) {
  for (const Copies& copy : kCopies) {
    for (const SoundEntry& entry : kSounds) {
      SCOPED_TRACE(std::string(copy.name) + " sound " + std::to_string(entry.id));
      Bytes b = copy.get(ResourceType::Sound, entry.id);
      tk::WavFormat f;
      ASSERT_TRUE(tk::ParseWav(b, f));
      EXPECT_EQ(f.formatTag, 1);
      EXPECT_EQ(f.channels, entry.channels);
      EXPECT_EQ(f.sampleRate, entry.rate);
      EXPECT_EQ(f.bitsPerSample, entry.bits);
      EXPECT_EQ(f.dataBytes, entry.dataBytes);
      // The plain 44-byte layout: RIFF, "fmt " of 16 bytes, then "data".
      ASSERT_EQ(b.size(), 44 + entry.dataBytes);
      EXPECT_EQ(std::memcmp(&b[12], "fmt ", 4), 0);
      EXPECT_EQ(Le(b, 16, 4), 16u);
      EXPECT_EQ(std::memcmp(&b[36], "data", 4), 0);
      int blockAlign = entry.channels * entry.bits / 8;
      EXPECT_EQ(Le(b, 28, 4), static_cast<uint32_t>(entry.rate * blockAlign));
      EXPECT_EQ(Le(b, 32, 2), static_cast<uint32_t>(blockAlign));
    }
  }
}

TEST(ResourceCatalogue, SoundsAreAudibleAndStartAndEndInSilence) {
  for (const SoundEntry& entry : kSounds) {
    SCOPED_TRACE("sound " + std::to_string(entry.id));
    Bytes b = Embedded(ResourceType::Sound, entry.id);
    ASSERT_EQ(b.size(), 44 + entry.dataBytes);
    std::vector<double> samples;
    for (size_t at = 44; at < b.size(); at += entry.bits / 8)
      samples.push_back(entry.bits == 8 ? (b[at] - 128) / 128.0
                                        : static_cast<int16_t>(Le(b, at, 2)) / 32768.0);
    double peak = 0;
    for (double v : samples) peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.3) << "too quiet";
    EXPECT_LT(peak, 0.99) << "clipped";
    // No click at either end.
    for (int c = 0; c < entry.channels; ++c) {
      EXPECT_LT(std::abs(samples[c]), 0.02);
      EXPECT_LT(std::abs(samples[samples.size() - entry.channels + c]), 0.02);
    }
  }
}

TEST(ResourceCatalogue, EmbeddedCopiesMatchTheFiles) {
  for (int id : ExpectedIcons())
    EXPECT_EQ(Embedded(ResourceType::Icon, id), ReadFile(PathOf(ResourceType::Icon, id))) << id;
  for (const BitmapEntry& b : ExpectedBitmaps())
    EXPECT_EQ(Embedded(ResourceType::Bitmap, b.id), ReadFile(PathOf(ResourceType::Bitmap, b.id)))
        << b.id;
  for (const SoundEntry& s : kSounds)
    EXPECT_EQ(Embedded(ResourceType::Sound, s.id), ReadFile(PathOf(ResourceType::Sound, s.id)))
        << s.id;
}

TEST(ResourceCatalogue, AnimationFramesDiffer) {
  auto icon = [](int id) { return tk::DecodeIco(Embedded(ResourceType::Icon, id), 16)->Pixels(); };
  auto bitmap = [](int id) { return tk::DecodeBmp(Embedded(ResourceType::Bitmap, id))->Pixels(); };
  for (int s = 0; s < 5; ++s) {
    int base = (s + 1) * 1000;
    for (int f = 0; f + 1 < BallFrames(s); ++f)
      EXPECT_NE(icon(base + f), icon(base + f + 1)) << base + f;
    EXPECT_NE(bitmap(base), bitmap(base + 4)) << "the tilt picture of sheet " << s;
    for (int f = 0; s <= 2 && f < 3; ++f)
      EXPECT_NE(bitmap(base + f), bitmap(base + f + 1)) << base + f;
  }
  for (int id = 6000; id < 6009; ++id) EXPECT_NE(icon(id), icon(id + 1)) << id;
}

TEST(ResourceCatalogue, LasVegasBallFlashesGreyBlueGreyYellowGreyGreenGreyRed) {
  enum Hue { kGrey, kBlue, kYellow, kGreen, kRed, kOther };
  auto hue = [](int id) {
    tk::Picture p = tk::DecodeIco(Embedded(ResourceType::Icon, id), 16);
    double sum[3] = {0, 0, 0};
    int n = 0;
    for (tk::Argb px : p->Pixels())
      if ((px >> 24) == 255)
        sum[0] += (px >> 16) & 255, sum[1] += (px >> 8) & 255, sum[2] += px & 255, ++n;
    double r = sum[0] / n, g = sum[1] / n, b = sum[2] / n;
    double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    if (hi - lo < 30) return kGrey;
    if (b > r && b > g) return kBlue;
    if (g > r && g > b) return kGreen;
    if (r > b && g > b && g > 0.6 * r) return kYellow;
    if (r > g && r > b) return kRed;
    return kOther;
  };
  const Hue expected[8] = {kGrey, kBlue, kGrey, kYellow, kGrey, kGreen, kGrey, kRed};
  for (int f = 0; f < 8; ++f) EXPECT_EQ(hue(2000 + f), expected[f]) << "frame " << f;
}

TEST(ResourceCatalogue, PanelCounterWindowSuitsItsTextColour) {
  // White counter text on sheets 0-2, black on 3-4: the middle of the counter's
  // window must be dark or light enough to read it.
  for (int s = 0; s < 5; ++s) {
    tk::Picture p = tk::DecodeBmp(Embedded(ResourceType::Bitmap, (s + 1) * 1000 + 5));
    ASSERT_TRUE(p);
    double sum = 0;
    int n = 0;
    for (int x = 40; x <= 110; x += 5)
      for (int y = p->Height() / 2 - 3; y <= p->Height() / 2 + 3; ++y, ++n)
        sum += Luminance(p->At(x, y));
    double mean = sum / n;
    if (s <= 2)
      EXPECT_LT(mean, 0.3) << "sheet " << s;
    else
      EXPECT_GT(mean, 0.75) << "sheet " << s;
  }
}

// ---------------------------------------------------------------- decoders

// A BMP file of w x h pixels; `pixel(x, y)` gives a palette index (bits <= 8)
// or 0x00RRGGBB colour, rows stored bottom-up unless `topDown`.
template <typename F>
Bytes MakeBmp(int w, int h, int bits, bool topDown, const std::vector<uint32_t>& palette, F pixel) {
  int stride = ((w * bits + 31) / 32) * 4;
  Bytes b{'B', 'M'};
  uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
  Put(b, offset + stride * h, 4);
  Put(b, 0, 4);
  Put(b, offset, 4);
  Put(b, 40, 4);
  Put(b, w, 4);
  Put(b, static_cast<uint32_t>(topDown ? -h : h), 4);
  Put(b, 1, 2);
  Put(b, bits, 2);
  Put(b, 0, 4);
  Put(b, stride * h, 4);
  Put(b, 0, 4);
  Put(b, 0, 4);
  Put(b, static_cast<uint32_t>(palette.size()), 4);
  Put(b, 0, 4);
  for (uint32_t c : palette) Put(b, c, 4);
  for (int row = 0; row < h; ++row) {
    int y = topDown ? row : h - 1 - row;
    Bytes line(stride, 0);
    for (int x = 0; x < w; ++x) {
      uint32_t v = pixel(x, y);
      if (bits <= 8) {
        int per = 8 / bits;
        line[x / per] |= static_cast<uint8_t>(v << (8 - bits * (x % per + 1)));
      } else {
        for (int k = 0; k < bits / 8; ++k)
          line[x * (bits / 8) + k] = static_cast<uint8_t>(v >> (8 * k));
      }
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
      std::vector<uint32_t> pal(bits <= 8 ? palette.begin() : palette.end(),
                                bits <= 8 ? palette.begin() + colours : palette.end());
      auto value = [&](int x, int y) {
        uint32_t i = index(x, y) % colours;
        return bits <= 8 ? i : palette[i] | (bits == 32 ? 0x7F000000u : 0u);
      };
      tk::Picture p = tk::DecodeBmp(MakeBmp(w, h, bits, topDown, pal, value));
      ASSERT_TRUE(p);
      ASSERT_EQ(p->Width(), w);
      ASSERT_EQ(p->Height(), h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(p->At(x, y), 0xFF000000u | palette[index(x, y) % colours]) << x << "," << y;
      EXPECT_TRUE(p->Opaque()) << "a bitmap's fourth byte is not transparency";
    }
  }
}

TEST(BmpDecoder, RejectsWhatNoBitmapHolds) {
  auto good = [] {
    return MakeBmp(4, 4, 8, false, {0, 0xFFFFFF}, [](int x, int) { return x % 2u; });
  };
  ASSERT_TRUE(tk::DecodeBmp(good()));
  Bytes b = good();
  b[0] = 'X';
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = good();
  Set(b, 30, 1, 4);  // run-length compressed
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = good();
  Set(b, 28, 16, 2);  // 16 bits per pixel
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = good();
  Set(b, 18, 0x7FFFFFFF, 4);  // absurd width
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = good();
  Set(b, 18, 0, 4);
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = good();
  Set(b, 10, 0xFFFFFFF0u, 4);  // pixels beyond the end
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = good();
  Set(b, 46, 300, 4);  // more palette entries than 8 bits can index
  EXPECT_FALSE(tk::DecodeBmp(b));
  b = MakeBmp(4, 4, 8, false, {0, 0xFFFFFF}, [](int x, int) { return x == 3 ? 7u : 0u; });
  EXPECT_FALSE(tk::DecodeBmp(b)) << "an index past the palette";
}

struct IcoImage {
  int size, bits;
  bool png = false;
  uint8_t alpha = 255;  // for 32 bpp
};

// An icon file; every image is a red square with its top-left pixel masked
// out (and, at 32 bpp, given alpha 0).
Bytes MakeIco(const std::vector<IcoImage>& images) {
  std::vector<Bytes> dibs;
  for (const IcoImage& im : images) {
    Bytes d;
    if (im.png) {
      d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
      dibs.push_back(d);
      continue;
    }
    int s = im.size, stride = ((s * im.bits + 31) / 32) * 4, maskStride = ((s + 31) / 32) * 4;
    Put(d, 40, 4);
    Put(d, s, 4);
    Put(d, 2 * s, 4);
    Put(d, 1, 2);
    Put(d, im.bits, 2);
    for (int i = 0; i < 6; ++i) Put(d, 0, 4);
    if (im.bits <= 8)
      for (int i = 0; i < (1 << im.bits); ++i) Put(d, i == 1 ? 0xFF0000u : 0u, 4);
    for (int row = 0; row < s; ++row) {
      Bytes line(stride, 0);
      for (int x = 0; x < s; ++x) {
        if (im.bits == 4) line[x / 2] |= static_cast<uint8_t>(1 << (x % 2 ? 0 : 4));
        if (im.bits == 8) line[x] = 1;
        if (im.bits == 32) {
          line[x * 4 + 2] = 0xFF;
          line[x * 4 + 3] = (row == s - 1 && x == 0) ? 0 : im.alpha;
        }
      }
      d.insert(d.end(), line.begin(), line.end());
    }
    for (int row = 0; row < s; ++row) {
      Bytes line(maskStride, 0);
      if (row == s - 1) line[0] = 0x80;  // bottom-up: the last row stored is the top
      d.insert(d.end(), line.begin(), line.end());
    }
    dibs.push_back(d);
  }
  Bytes b;
  Put(b, 0, 2);
  Put(b, 1, 2);
  Put(b, static_cast<uint32_t>(images.size()), 2);
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    b.push_back(static_cast<uint8_t>(images[i].size));
    b.push_back(static_cast<uint8_t>(images[i].size));
    b.push_back(0);
    b.push_back(0);
    Put(b, 1, 2);
    Put(b, images[i].bits, 2);
    Put(b, static_cast<uint32_t>(dibs[i].size()), 4);
    Put(b, offset, 4);
    offset += static_cast<uint32_t>(dibs[i].size());
  }
  for (const Bytes& d : dibs) b.insert(b.end(), d.begin(), d.end());
  return b;
}

TEST(IcoDecoder, PicksExactSizeThenMostColours) {
  Bytes b = MakeIco({{32, 4}, {16, 4}, {16, 32}, {16, 8}, {48, 8}});
  // Only the 32-bit image keeps the colour of its see-through top-left pixel
  // (alpha 0, red); a masked pixel comes out as transparent black.
  tk::Picture p = tk::DecodeIco(b, 16);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Width(), 16);
  EXPECT_EQ(p->At(0, 0), 0x00FF0000u);
  EXPECT_EQ(p->At(5, 5), 0xFFFF0000u);
  tk::Picture masked = tk::DecodeIco(MakeIco({{16, 4}, {16, 8}}), 16);
  ASSERT_TRUE(masked);
  EXPECT_EQ(masked->At(0, 0), 0u);
  EXPECT_EQ(tk::DecodeIco(b, 32)->Width(), 32);
  EXPECT_EQ(tk::DecodeIco(b, 48)->Width(), 48);
  EXPECT_EQ(tk::DecodeIco(b, 40)->Width(), 48) << "equally near 32 and 48: 48 has more colours";
  EXPECT_EQ(tk::DecodeIco(b, 20)->Width(), 16) << "16 is nearer than 32";
}

TEST(IcoDecoder, MaskAndAlphaGiveTransparency) {
  for (int bits : {4, 8, 32}) {
    tk::Picture p = tk::DecodeIco(MakeIco({{16, bits}}), 16);
    ASSERT_TRUE(p) << bits;
    EXPECT_EQ(p->At(0, 0) >> 24, 0u) << bits;
    EXPECT_EQ(p->At(1, 0), 0xFFFF0000u) << bits;
    EXPECT_EQ(p->At(0, 15), 0xFFFF0000u) << bits << ": rows are bottom-up";
  }
  // Partial alpha is kept as it is (straight, not premultiplied).
  tk::Picture half = tk::DecodeIco(MakeIco({{16, 32, false, 128}}), 16);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->At(3, 3), 0x80FF0000u);
}

TEST(IcoDecoder, SkipsPngImagesAndRejectsIconsWithOnlyThose) {
  Bytes mixed = MakeIco({{16, 0, true}, {32, 8}});
  tk::Picture p = tk::DecodeIco(mixed, 16);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Width(), 32);
  EXPECT_FALSE(tk::DecodeIco(MakeIco({{16, 0, true}}), 16));
}

TEST(IcoDecoder, RejectsBadDirectories) {
  Bytes b = MakeIco({{16, 8}});
  ASSERT_TRUE(tk::DecodeIco(b, 16));
  Bytes cursor = b;
  Set(cursor, 2, 2, 2);
  EXPECT_FALSE(tk::DecodeIco(cursor, 16));
  Bytes none = b;
  Set(none, 4, 0, 2);
  EXPECT_FALSE(tk::DecodeIco(none, 16));
  Bytes many = b;
  Set(many, 4, 0xFFFF, 2);
  EXPECT_FALSE(tk::DecodeIco(many, 16));
  Bytes past = b;
  Set(past, 6 + 12, static_cast<uint32_t>(b.size()), 4);
  EXPECT_FALSE(tk::DecodeIco(past, 16));
  Bytes longer = b;
  Set(longer, 6 + 8, static_cast<uint32_t>(b.size()), 4);
  EXPECT_FALSE(tk::DecodeIco(longer, 16));
  Bytes oddHeight = b;
  Set(oddHeight, 22 + 8, 33, 4);
  EXPECT_FALSE(tk::DecodeIco(oddHeight, 16));
}

Bytes MakeWav(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const auto& [tag, body] : chunks) {
    b.insert(b.end(), tag.begin(), tag.end());
    Put(b, static_cast<uint32_t>(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
  }
  Set(b, 4, static_cast<uint32_t>(b.size() - 8), 4);
  return b;
}

Bytes Fmt(int tag, int channels, int rate, int bits) {
  Bytes f;
  Put(f, tag, 2);
  Put(f, channels, 2);
  Put(f, rate, 4);
  Put(f, rate * channels * bits / 8, 4);
  Put(f, channels * bits / 8, 2);
  Put(f, bits, 2);
  return f;
}

TEST(WavParser, ReadsFormatAndDataAcrossOtherChunks) {
  tk::WavFormat f;
  Bytes b =
      MakeWav({{"fmt ", Fmt(1, 2, 11025, 8)}, {"LIST", Bytes(5, 'x')}, {"data", Bytes(6, 128)}});
  ASSERT_TRUE(tk::ParseWav(b, f));
  EXPECT_EQ(f.formatTag, 1);
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.sampleRate, 11025);
  EXPECT_EQ(f.bitsPerSample, 8);
  EXPECT_EQ(f.dataBytes, 6u);
  // Extensible fmt chunks are longer than 16 bytes.
  Bytes ext = Fmt(0xFFFE, 1, 44100, 16);
  ext.resize(40, 0);
  ASSERT_TRUE(tk::ParseWav(MakeWav({{"fmt ", ext}, {"data", Bytes(4, 0)}}), f));
  EXPECT_EQ(f.formatTag, 0xFFFE);
}

TEST(WavParser, RejectsIncompleteFiles) {
  tk::WavFormat f;
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"data", Bytes(4, 0)}}), f));
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"fmt ", Fmt(1, 1, 22050, 16)}}), f));
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"fmt ", Bytes(12, 1)}, {"data", Bytes(4, 0)}}), f));
  EXPECT_FALSE(tk::ParseWav(MakeWav({{"fmt ", Fmt(1, 0, 22050, 16)}, {"data", Bytes(4, 0)}}), f));
  Bytes b = MakeWav({{"fmt ", Fmt(1, 1, 22050, 16)}, {"data", Bytes(4, 0)}});
  Bytes longData = b;
  Set(longData, b.size() - 8, 1000, 4);  // data runs past the end of the file
  EXPECT_FALSE(tk::ParseWav(longData, f));
  Bytes notWave = b;
  notWave[8] = 'A';
  EXPECT_FALSE(tk::ParseWav(notWave, f));
  f.channels = 77;
  EXPECT_FALSE(tk::ParseWav(Bytes(b.begin(), b.begin() + 30), f));
  EXPECT_EQ(f.channels, 77) << "a failed parse leaves the output alone";
}

// Every prefix and many garbled copies of real files: the decoders must
// answer without reading outside the bytes (the sanitizer build checks that).
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

TEST(DecoderRobustness, GarbledResourcesNeverCrash) {
  uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  };
  const std::pair<ResourceType, int> files[] = {{ResourceType::Icon, 1},
                                                {ResourceType::Icon, 2003},
                                                {ResourceType::Bitmap, 3000},
                                                {ResourceType::Bitmap, 9000},
                                                {ResourceType::Sound, 111}};
  int decoded = 0;
  for (const auto& [type, id] : files) {
    Bytes original = Embedded(type, id);
    ASSERT_FALSE(original.empty());
    for (int round = 0; round < 300; ++round) {
      Bytes b = original;
      // Garble a few bytes, mostly in the headers where the sizes live.
      int edits = 1 + static_cast<int>(next() % 4);
      for (int e = 0; e < edits; ++e) {
        size_t at = next() % (next() % 2 ? std::min<size_t>(b.size(), 128) : b.size());
        b[at] = static_cast<uint8_t>(next());
      }
      tk::WavFormat f;
      bool ok = type == ResourceType::Icon     ? tk::DecodeIco(b, 16) != nullptr
                : type == ResourceType::Bitmap ? tk::DecodeBmp(b) != nullptr
                                               : tk::ParseWav(b, f);
      decoded += ok;
    }
  }
  // Most single-byte changes land in pixels, which still decode.
  EXPECT_GT(decoded, 0);
}

}  // namespace
