// The built-in resources against their catalogue (numbers, sizes, formats,
// sound lengths), the compiled-in copy against the files in resources/, and
// the BMP, ICO and WAV decoders on hand-made and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "stylesheets/catalogue.h"
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

// Appends little-endian fields, each {value, width in bytes}.
void Put(Bytes& b, std::initializer_list<std::pair<int64_t, int>> fields) {
  for (auto [v, n] : fields)
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(i < 8 ? v >> (8 * i) : 0));
}

void Set(Bytes& b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path PathOf(ResourceType type, int id) {
  const bool icon = type == ResourceType::Icon, bitmap = type == ResourceType::Bitmap;
  return kResourceDir /
         (icon     ? "icons"
          : bitmap ? "bitmaps"
                   : "sounds") /
         (std::to_string(id) + (icon     ? ".ico"
                                : bitmap ? ".bmp"
                                         : ".wav"));
}

// A parsed format as one comparable value: tag, channels, rate, bits, data bytes.
std::tuple<int, int, int, int, uint32_t> Fields(const tk::WavFormat& f) {
  return {f.formatTag, f.channels, f.sampleRate, f.bitsPerSample, f.dataBytes};
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

// The files in resources/ are the catalogue, nothing more, and the program
// carries exactly those bytes; the other tests read the compiled-in copies.
TEST(ResourceCatalogue, FolderAndCompiledInCopiesHoldExactlyTheCatalogue) {
  std::set<std::string> expected, found;
  std::vector<std::pair<ResourceType, int>> all;
  for (int id : ExpectedIcons()) all.push_back({ResourceType::Icon, id});
  for (const BitmapEntry& b : ExpectedBitmaps()) all.push_back({ResourceType::Bitmap, b.id});
  for (const SoundEntry& s : kSounds) all.push_back({ResourceType::Sound, s.id});
  for (const auto& [type, id] : all) {
    std::filesystem::path file = PathOf(type, id);
    expected.insert(file.parent_path().filename().string() + "/" + file.filename().string());
    EXPECT_EQ(Embedded(type, id), ReadFile(file)) << file;
  }
  for (const char* sub : {"icons", "bitmaps", "sounds"})
    for (const auto& e : std::filesystem::directory_iterator(kResourceDir / sub))
      found.insert(std::string(sub) + "/" + e.path().filename().string());
  EXPECT_EQ(found, expected);
  // Numbers are looked up per type: bitmap 1000 exists, but no sound or icon 9000.
  for (auto [type, id] : {std::pair{ResourceType::Icon, 2008},
                          {ResourceType::Icon, 2009},
                          {ResourceType::Bitmap, 4001},
                          {ResourceType::Bitmap, 5003},
                          {ResourceType::Sound, 100},
                          {ResourceType::Sound, 112},
                          {ResourceType::Icon, 9000},
                          {ResourceType::Sound, 1000}})
    EXPECT_TRUE(tk::FindEmbeddedResource(type, id).empty()) << id;
}

TEST(ResourceCatalogue, IconsAreSixteenPixelsWithTransparentCorners) {
  for (int id : ExpectedIcons()) {
    if (id == 1) continue;  // the program icon has its own test
    SCOPED_TRACE("icon " + std::to_string(id));
    Bytes b = Embedded(ResourceType::Icon, id);
    EXPECT_EQ(Le(b, 4, 2), 1u) << "one image";
    EXPECT_EQ(Le(b, Le(b, 18, 4) + 14, 2), 32u) << "with an alpha channel";
    tk::Picture p = tk::DecodeIco(b, 16);
    ASSERT_TRUE(p);
    EXPECT_EQ(std::pair(p->Width(), p->Height()), std::pair(16, 16));
    EXPECT_EQ(std::pair(p->At(0, 0) >> 24, p->At(15, 15) >> 24), std::pair(0u, 0u))
        << "see-through corners";
    EXPECT_TRUE(id < 1000 || p->At(8, 8) >> 24 == 255u) << "balls are solid in the middle";
  }
}

TEST(ResourceCatalogue, BitmapsAreUncompressedBottomUpWithTheirSizeAndDepth) {
  for (const BitmapEntry& entry : ExpectedBitmaps()) {
    SCOPED_TRACE("bitmap " + std::to_string(entry.id));
    Bytes b = Embedded(ResourceType::Bitmap, entry.id);
    EXPECT_EQ(Le(b, 2, 4), b.size());
    EXPECT_EQ(Le(b, 14, 4), 40u);                                 // BITMAPINFOHEADER
    EXPECT_EQ(static_cast<int32_t>(Le(b, 22, 4)), entry.height);  // positive: bottom-up
    EXPECT_EQ(Le(b, 28, 2), static_cast<uint32_t>(entry.bits));
    EXPECT_EQ(Le(b, 30, 4), 0u);  // uncompressed
    uint32_t colours = Le(b, 46, 4);
    EXPECT_TRUE(entry.bits != 8 || (colours >= 2 && colours <= 256)) << colours;
    // The pixels follow the palette directly, rows padded to 4 bytes.
    EXPECT_EQ(Le(b, 10, 4), 54 + 4 * colours);
    EXPECT_EQ(b.size(),
              54 + 4 * colours + ((entry.width * entry.bits + 31) / 32) * 4 * entry.height);
    tk::Picture p = tk::DecodeBmp(b);
    ASSERT_TRUE(p);
    EXPECT_EQ(std::pair(p->Width(), p->Height()), std::pair(entry.width, entry.height));
  }
}

TEST(ResourceCatalogue, ProgramIconHasThreeSizesInSixteenAndTwoHundredFiftySixColours) {
  Bytes b = Embedded(ResourceType::Icon, 1);
  ASSERT_EQ(Le(b, 4, 2), 6u);
  std::set<std::pair<int, int>> images;
  for (size_t i = 0; i < 6; ++i) {
    size_t dir = 6 + i * 16, offset = Le(b, dir + 12, 4);
    int size = b.at(dir);
    EXPECT_EQ(static_cast<int>(Le(b, offset + 4, 4)), size);
    images.insert(
        {size, static_cast<int>(Le(b, offset + 14, 2))});  // bits from the image's own header
  }
  EXPECT_EQ(images,
            (std::set<std::pair<int, int>>{{16, 4}, {16, 8}, {32, 4}, {32, 8}, {48, 4}, {48, 8}}));
  for (int size : {16, 32, 48}) {
    tk::Picture p = tk::DecodeIco(b, size);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Width(), size);
    EXPECT_FALSE(p->Opaque());
  }
}

TEST(ResourceCatalogue, SoundsHaveTheirFormatAndExactLengthAndAreCleanAndAudible) {
  for (const SoundEntry& entry : kSounds) {
    SCOPED_TRACE("sound " + std::to_string(entry.id));
    Bytes b = Embedded(ResourceType::Sound, entry.id);
    tk::WavFormat f;
    ASSERT_TRUE(tk::ParseWav(b, f));
    EXPECT_EQ(Fields(f),
              std::make_tuple(1, entry.channels, entry.rate, entry.bits, entry.dataBytes));
    // The plain 44-byte layout: RIFF, "fmt " of 16 bytes, then "data", nothing more.
    ASSERT_EQ(b.size(), 44 + entry.dataBytes);
    int blockAlign = entry.channels * entry.bits / 8;
    EXPECT_EQ(Le(b, 28, 4), static_cast<uint32_t>(entry.rate * blockAlign));
    EXPECT_EQ(Le(b, 32, 2), static_cast<uint32_t>(blockAlign));

    std::vector<double> samples;
    for (size_t at = 44; at < b.size(); at += entry.bits / 8)
      samples.push_back(entry.bits == 8 ? (b[at] - 128) / 128.0
                                        : static_cast<int16_t>(Le(b, at, 2)) / 32768.0);
    double peak = 0;
    for (double v : samples) peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.3) << "too quiet";
    if (entry.id == 111) {  // restarted every 5 ms while the paddle shakes
      double opening = 0;
      for (size_t i = 0; i < samples.size() && i < entry.rate / 200u * entry.channels; ++i)
        opening = std::max(opening, std::abs(samples[i]));
      EXPECT_GT(opening, 0.8 * peak) << "the first 5 ms are all that is heard";
    }
    EXPECT_LT(peak, 0.99) << "clipped";
    for (int c = 0; c < entry.channels; ++c) {  // no click at either end
      EXPECT_LT(std::abs(samples[c]), 0.02);
      EXPECT_LT(std::abs(samples[samples.size() - entry.channels + c]), 0.02);
    }
  }
}

// How far apart two pictures of the same size look: the mean difference of
// their channels, transparency included.
double Distance(const tk::Picture& a, const tk::Picture& b) {
  double sum = 0;
  for (size_t i = 0; i < a->Pixels().size(); ++i)
    for (int shift = 0; shift < 32; shift += 8)
      sum += std::abs(static_cast<int>((a->Pixels()[i] >> shift) & 255) -
                      static_cast<int>((b->Pixels()[i] >> shift) & 255));
  return sum / static_cast<double>(a->Pixels().size());
}

// Every step of an animation as the game cycles it changes the picture, and
// the step from the last frame back to the first is no bigger than the
// others: the loop turns without a jump.
void ExpectSmoothLoop(const std::vector<int>& icons) {
  std::vector<double> steps;
  for (size_t f = 0; f < icons.size(); ++f) {
    const int from = icons[f], to = icons[(f + 1) % icons.size()];
    steps.push_back(Distance(tk::DecodeIco(Embedded(ResourceType::Icon, from), 16),
                             tk::DecodeIco(Embedded(ResourceType::Icon, to), 16)));
    EXPECT_GT(steps.back(), 0) << from << " -> " << to;
  }
  const double longest = *std::max_element(steps.begin(), steps.end() - 1);
  EXPECT_LE(steps.back(), 1.5 * longest) << icons.back() << " -> " << icons.front();
}

TEST(ResourceCatalogue, AnimationsChangeEveryFrameAndLoopWithoutAJump) {
  auto bitmap = [](int id) { return tk::DecodeBmp(Embedded(ResourceType::Bitmap, id))->Pixels(); };
  for (int16_t s = 0; s < 5; ++s) {
    SCOPED_TRACE("sheet " + std::to_string(s));
    const StyleSheetEntry& sheet = *FindStyleSheet(s);
    std::vector<int> ball;
    for (int f = 0; f < sheet.ballFramesInGame; ++f) ball.push_back(BallIconNumber(s, f));
    ExpectSmoothLoop(ball);
    int base = (s + 1) * 1000;
    EXPECT_NE(bitmap(base), bitmap(base + 4)) << "the tilt picture";
    for (int f = 0; s <= 2 && f < 3; ++f)
      EXPECT_NE(bitmap(base + f), bitmap(base + f + 1)) << base + f;
  }
  // The flame shows 6000 to 6008 in a loop.
  ExpectSmoothLoop({6000, 6001, 6002, 6003, 6004, 6005, 6006, 6007, 6008});
}

TEST(ResourceCatalogue, LasVegasBallFlashesGreyBlueGreyYellowGreyGreenGreyRed) {
  enum Hue { kGrey, kBlue, kYellow, kGreen, kRed, kOther };
  auto hue = [](int id) {
    const tk::Picture p = tk::DecodeIco(Embedded(ResourceType::Icon, id), 16);
    double r = 0, g = 0, b = 0, n = 0;  // the mean colour of the solid pixels
    for (tk::Argb px : p->Pixels())
      if ((px >> 24) == 255) {
        r += (px >> 16) & 255;
        g += (px >> 8) & 255;
        b += px & 255;
        ++n;
      }
    r /= n;
    g /= n;
    b /= n;
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
    double sum = 0, n = 0;
    for (int x = 40; x <= 110; x += 5)
      for (int y = p->Height() / 2 - 3; y <= p->Height() / 2 + 3; ++y, ++n) {
        const tk::Argb c = p->At(x, y);
        sum += (0.299 * ((c >> 16) & 255) + 0.587 * ((c >> 8) & 255) + 0.114 * (c & 255)) / 255.0;
      }
    EXPECT_TRUE(s <= 2 ? sum / n < 0.3 : sum / n > 0.75)
        << "sheet " << s << ", mean luminance " << sum / n;
  }
}

TEST(ResourceCatalogue, AboutPictureShowsTheDesktopAsTheGameLeavesIt) {
  // Destroyed icon pixels show the wallpaper, never black, and the taskbar
  // is hidden: along the bottom edge, left of the panel, lie the green hills.
  tk::Picture p = tk::DecodeBmp(Embedded(ResourceType::Bitmap, 9001));
  ASSERT_TRUE(p);
  for (int y = 0; y < p->Height(); ++y)
    for (int x = 0; x < p->Width(); ++x) {
      const tk::Argb c = p->At(x, y);
      const int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
      ASSERT_GT(r + g + b, 0) << "black at " << x << "," << y;
      if (y >= p->Height() - 10 && x < 80) {
        ASSERT_TRUE(g > r && g > b) << x << "," << y;
      }
    }
}

// ---------------------------------------------------------------- decoders

// A BMP file of w x h pixels; `pixel(x, y)` gives a palette index (bits <= 8)
// or 0x00RRGGBB colour, rows stored bottom-up unless `topDown`.
template <typename F>
Bytes MakeBmp(int w, int h, int bits, bool topDown, const std::vector<uint32_t>& palette, F pixel) {
  int stride = ((w * bits + 31) / 32) * 4;
  Bytes b{'B', 'M'};
  const int64_t offset = 54 + 4 * static_cast<int64_t>(palette.size());
  Put(b, {{offset + stride * h, 4},
          {0, 4},
          {offset, 4},
          {40, 4},
          {w, 4},
          {topDown ? -h : h, 4},
          {1, 2},
          {bits, 2},
          {0, 4},
          {stride * h, 4},
          {0, 4},
          {0, 4},
          {static_cast<int64_t>(palette.size()), 4},
          {0, 4}});
  for (uint32_t c : palette) Put(b, {{c, 4}});
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
  Put(b, {{0, 2}, {1, 2}, {static_cast<int64_t>(images.size()), 2}});
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
    Put(b, {{s, 1},
            {s, 1},
            {0, 2},
            {1, 2},
            {im.bits, 2},
            {static_cast<int64_t>(d.size()), 4},
            {offset, 4}});
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
    Put(b, {{static_cast<int64_t>(body.size()), 4}});
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
  }
  Set(b, 4, static_cast<uint32_t>(b.size() - 8), 4);
  return b;
}

Bytes Fmt(int tag, int channels, int rate, int bits) {
  Bytes f;
  Put(f, {{tag, 2},
          {channels, 2},
          {rate, 4},
          {rate * channels * bits / 8, 4},
          {channels * bits / 8, 2},
          {bits, 2}});
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
TEST(DecoderRobustness, TruncatedResourcesAreRejectedAndGarbledOnesNeverCrash) {
  Bytes icon = Embedded(ResourceType::Icon, 1000), program = Embedded(ResourceType::Icon, 1);
  Bytes paddle = Embedded(ResourceType::Bitmap, 1000), sound = Embedded(ResourceType::Sound, 104);
  tk::WavFormat f;
  for (size_t n = 0; n < icon.size(); ++n) ASSERT_FALSE(tk::DecodeIco({icon.data(), n}, 16)) << n;
  for (size_t n = 0; n < program.size(); n += 7)
    ASSERT_FALSE(tk::DecodeIco({program.data(), n}, 48)) << n;
  for (size_t n = 0; n < paddle.size(); ++n) ASSERT_FALSE(tk::DecodeBmp({paddle.data(), n})) << n;
  for (size_t n = 0; n < sound.size(); ++n) ASSERT_FALSE(tk::ParseWav({sound.data(), n}, f)) << n;

  std::mt19937 random(12345);
  int decoded = 0;
  for (auto [type, id] : {std::pair{ResourceType::Icon, 1},
                          {ResourceType::Icon, 2003},
                          {ResourceType::Bitmap, 3000},
                          {ResourceType::Bitmap, 9000},
                          {ResourceType::Sound, 111}}) {
    const Bytes original = Embedded(type, id);
    ASSERT_FALSE(original.empty());
    for (int round = 0; round < 300; ++round) {
      Bytes b = original;
      // Garble a few bytes, mostly in the headers where the sizes live.
      for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
        const size_t span = random() % 2 ? std::min<size_t>(b.size(), 128) : b.size();
        b[random() % span] = static_cast<uint8_t>(random());
      }
      decoded += type == ResourceType::Icon     ? tk::DecodeIco(b, 16) != nullptr
                 : type == ResourceType::Bitmap ? tk::DecodeBmp(b) != nullptr
                                                : tk::ParseWav(b, f);
    }
  }
  EXPECT_GT(decoded, 0) << "most changes land in pixels, which still decode";
}

}  // namespace
