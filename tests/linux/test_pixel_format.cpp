// Pixel formats: the layouts an X server hands out, to and from toolkit colours.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "toolkit/linux/pixel_format.h"

using tk::Color;
using tk::Rgb;
using tk::gtkx::PixelFormat;

TEST(PixelFormat, EveryLayoutPutsTheBytesWhereTheServerExpectsThemAndReadsThemBack) {
  struct Case {
    const char* what;
    PixelFormat format;
    std::vector<uint8_t> bytes;  // of Rgb(0x11, 0x22, 0x33), the first sample
    bool direct;
  };
  const Case cases[] = {
      {"x8r8g8b8, opaque for the server", PixelFormat::Xrgb32(), {0x33, 0x22, 0x11, 0xFF}, true},
      {"32 bit, MSB first", PixelFormat::Xrgb32(true), {0x00, 0x11, 0x22, 0x33}, false},
      {"packed 24 bit", PixelFormat(0xFF0000, 0xFF00, 0xFF, 24, false), {0x33, 0x22, 0x11}, false},
      {"packed 24 bit, MSB first",
       PixelFormat(0xFF0000, 0xFF00, 0xFF, 24, true),
       {0x11, 0x22, 0x33},
       false},
      {"BGR order",
       PixelFormat(0xFF, 0xFF00, 0xFF0000, 32, false),
       {0x11, 0x22, 0x33, 0x00},
       false},
      {"colour in the top bytes",
       PixelFormat(0xFF000000u, 0xFF0000, 0xFF00, 32, false),
       {0x00, 0x33, 0x22, 0x11},
       false},
  };
  const std::vector<Color> samples = {Rgb(0x11, 0x22, 0x33), Rgb(0, 0, 0),    Rgb(255, 255, 255),
                                      Rgb(255, 0, 0),        Rgb(0, 255, 0),  Rgb(0, 0, 255),
                                      Rgb(18, 52, 86),       Rgb(200, 7, 99), Rgb(1, 128, 254)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.format.Valid());
    EXPECT_EQ(c.format.Direct(), c.direct);
    std::vector<uint8_t> row(c.bytes.size() * samples.size());
    c.format.EncodeRow(samples.data(), static_cast<int>(samples.size()), row.data());
    EXPECT_EQ(std::vector<uint8_t>(row.begin(), row.begin() + std::ssize(c.bytes)), c.bytes);
    std::vector<Color> back(samples.size());
    c.format.DecodeRow(row.data(), static_cast<int>(samples.size()), back.data());
    EXPECT_EQ(back, samples);
  }
}

TEST(PixelFormat, NarrowAndWideChannelsScaleToTheFullRange) {
  PixelFormat f(0xF800, 0x07E0, 0x001F, 16, false);
  ASSERT_TRUE(f.Valid());
  for (auto [pixel, colour] : {std::pair{0xFFFFu, Rgb(255, 255, 255)},
                               {0xF800u, Rgb(255, 0, 0)},
                               {0x07E0u, Rgb(0, 255, 0)},
                               {0x001Fu, Rgb(0, 0, 255)}}) {
    EXPECT_EQ(f.Decode(pixel), colour) << std::hex << pixel;
    EXPECT_EQ(f.Encode(colour), pixel);
  }
  // A middle grey survives the trip within one step of 5 or 6 bits.
  Color grey = f.Decode(f.Encode(Rgb(128, 128, 128)));
  EXPECT_NEAR(static_cast<int>((grey >> 16) & 255), 128, 5);
  EXPECT_NEAR(static_cast<int>((grey >> 8) & 255), 128, 3);
  // Stored little-endian in two bytes.
  uint8_t b[2] = {};
  const Color red = Rgb(255, 0, 0);
  f.EncodeRow(&red, 1, b);
  EXPECT_EQ(b[0] | b[1] << 8, 0xF800);

  // 10 bits per channel (depth 30) keep their top bits.
  PixelFormat wide(0x3FF00000, 0x000FFC00, 0x000003FF, 32, false);
  ASSERT_TRUE(wide.Valid());
  EXPECT_EQ(wide.Decode(0x3FFFFFFF), Rgb(255, 255, 255));
  EXPECT_EQ(wide.Decode(0x20000000), Rgb(128, 0, 0));
  EXPECT_EQ(wide.Decode(wide.Encode(Rgb(12, 200, 77))), Rgb(12, 200, 77));
}

TEST(PixelFormat, MasksThatAreNoChannelsAreRejected) {
  EXPECT_FALSE(PixelFormat(0, 0xFF00, 0xFF, 32, false).Valid()) << "missing channel";
  EXPECT_FALSE(PixelFormat(0xFF00, 0xFF00, 0xFF, 32, false).Valid()) << "overlapping channels";
  EXPECT_FALSE(PixelFormat(0xF0F000, 0xFF00, 0xFF, 32, false).Valid()) << "a mask with a hole";
  EXPECT_FALSE(PixelFormat(0xFF0000, 0xFF00, 0xFF, 8, false).Valid()) << "8 bits per pixel";
}
