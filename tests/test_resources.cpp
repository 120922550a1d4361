// The built-in resources against their catalogue (numbers, sizes, formats,
// sound lengths) and the compiled-in copy against the files in resources/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "resource_bytes.h"
#include "stylesheets/catalogue.h"
#include "toolkit/resources.h"

namespace {

using resource_bytes::Bytes;
using resource_bytes::Embedded;
using resource_bytes::Fields;
using tk::ResourceType;

const std::filesystem::path kResourceDir =
    std::filesystem::path(LUMBRAVICK_SOURCE_DIR) / "resources";

uint32_t Le(const Bytes& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return v;
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

}  // namespace
