// Pixel formats: the layouts an X server hands out, to and from toolkit colours.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "toolkit/linux/pixel_format.h"

using tk::Color;
using tk::Rgb;
using tk::gtkx::PixelFormat;

namespace {

const std::vector<Color> kSamples = {Rgb(0, 0, 0),       Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(0, 255, 0),
                                     Rgb(0, 0, 255),     Rgb(18, 52, 86),    Rgb(200, 7, 99), Rgb(1, 128, 254)};

}  // namespace

TEST(PixelFormat, Xrgb32RowsCopyStraightAndDropTheTopByte) {
  PixelFormat f = PixelFormat::Xrgb32();
  ASSERT_TRUE(f.Valid());
  EXPECT_TRUE(f.Direct());
  // Little-endian x8r8g8b8 with a set alpha byte, as a depth-32 pixmap holds it.
  const uint8_t bytes[8] = {0x56, 0x34, 0x12, 0xFF, 0x03, 0x02, 0x01, 0x80};
  Color out[2] = {};
  f.DecodeRow(bytes, 2, out);
  EXPECT_EQ(out[0], Rgb(0x12, 0x34, 0x56));
  EXPECT_EQ(out[1], Rgb(0x01, 0x02, 0x03));

  uint8_t back[8] = {};
  f.EncodeRow(out, 2, back);
  EXPECT_EQ(back[0], 0x56);
  EXPECT_EQ(back[2], 0x12);
  EXPECT_EQ(back[3], 0xFF) << "pixels sent to the server are opaque";
  EXPECT_EQ(back[4], 0x03);
}

TEST(PixelFormat, BigEndianAndPackedLayoutsRoundTrip) {
  const PixelFormat formats[] = {
      PixelFormat::Xrgb32(true),                              // MSB-first 32 bit
      PixelFormat(0xFF0000, 0xFF00, 0xFF, 24, false),         // packed 24 bit
      PixelFormat(0xFF0000, 0xFF00, 0xFF, 24, true),          // packed 24 bit, MSB first
      PixelFormat(0xFF, 0xFF00, 0xFF0000, 32, false),         // BGR order
      PixelFormat(0xFF000000u, 0xFF0000, 0xFF00, 32, false),  // colour in the top bytes
  };
  for (const PixelFormat& f : formats) {
    ASSERT_TRUE(f.Valid());
    EXPECT_FALSE(f.Direct());
    std::vector<uint8_t> row(kSamples.size() * static_cast<size_t>(f.BytesPerPixel()));
    f.EncodeRow(kSamples.data(), static_cast<int>(kSamples.size()), row.data());
    std::vector<Color> back(kSamples.size());
    f.DecodeRow(row.data(), static_cast<int>(kSamples.size()), back.data());
    EXPECT_EQ(back, kSamples) << "bpp " << f.BitsPerPixel();
  }
}

TEST(PixelFormat, BytesLandWhereTheServerExpectsThem) {
  // Packed 24 bit, LSB first: blue, green, red.
  PixelFormat lsb(0xFF0000, 0xFF00, 0xFF, 24, false);
  uint8_t p[3] = {};
  Color c = Rgb(0x11, 0x22, 0x33);
  lsb.EncodeRow(&c, 1, p);
  EXPECT_EQ(p[0], 0x33);
  EXPECT_EQ(p[1], 0x22);
  EXPECT_EQ(p[2], 0x11);
  // 32 bit, MSB first: pad, red, green, blue.
  PixelFormat msb = PixelFormat::Xrgb32(true);
  uint8_t q[4] = {};
  msb.EncodeRow(&c, 1, q);
  EXPECT_EQ(q[0], 0x00);
  EXPECT_EQ(q[1], 0x11);
  EXPECT_EQ(q[3], 0x33);
}

TEST(PixelFormat, SixteenBitChannelsScaleToTheFullRange) {
  PixelFormat f(0xF800, 0x07E0, 0x001F, 16, false);
  ASSERT_TRUE(f.Valid());
  EXPECT_EQ(f.Decode(0xFFFF), Rgb(255, 255, 255));
  EXPECT_EQ(f.Decode(0x0000), Rgb(0, 0, 0));
  EXPECT_EQ(f.Decode(0xF800), Rgb(255, 0, 0));
  EXPECT_EQ(f.Decode(0x001F), Rgb(0, 0, 255));
  EXPECT_EQ(f.Encode(Rgb(255, 255, 255)), 0xFFFFu);
  EXPECT_EQ(f.Encode(Rgb(0, 255, 0)), 0x07E0u);
  // A middle grey survives the trip within one step of 5 or 6 bits.
  Color grey = f.Decode(f.Encode(Rgb(128, 128, 128)));
  EXPECT_NEAR(static_cast<int>((grey >> 16) & 255), 128, 5);
  EXPECT_NEAR(static_cast<int>((grey >> 8) & 255), 128, 3);
  // Stored little-endian in two bytes.
  uint8_t b[2] = {};
  Color red = Rgb(255, 0, 0);
  f.EncodeRow(&red, 1, b);
  EXPECT_EQ(b[0], 0x00);
  EXPECT_EQ(b[1], 0xF8);
}

TEST(PixelFormat, WiderChannelsKeepTheirTopBits) {
  // 10 bits per channel (depth 30).
  PixelFormat f(0x3FF00000, 0x000FFC00, 0x000003FF, 32, false);
  ASSERT_TRUE(f.Valid());
  EXPECT_EQ(f.Decode(0x3FFFFFFF), Rgb(255, 255, 255));
  EXPECT_EQ(f.Decode(0x20000000), Rgb(128, 0, 0));
  EXPECT_EQ(f.Decode(f.Encode(Rgb(12, 200, 77))), Rgb(12, 200, 77));
}

TEST(PixelFormat, MasksThatAreNoChannelsAreRejected) {
  EXPECT_FALSE(PixelFormat(0, 0xFF00, 0xFF, 32, false).Valid()) << "missing channel";
  EXPECT_FALSE(PixelFormat(0xFF00, 0xFF00, 0xFF, 32, false).Valid()) << "overlapping channels";
  EXPECT_FALSE(PixelFormat(0xF0F000, 0xFF00, 0xFF, 32, false).Valid()) << "a mask with a hole";
  EXPECT_FALSE(PixelFormat(0xFF0000, 0xFF00, 0xFF, 8, false).Valid()) << "8 bits per pixel";
}
