// Pixels as the X server stores them, converted to and from the toolkit's
// 0x00RRGGBB colours. A format is described by its channel masks, so the same
// code reads a depth-24 root window, a depth-32 wallpaper pixmap or a 16-bit
// screen.
#pragma once

#include <cstdint>

#include "toolkit/surface.h"

namespace tk::gtkx {

class PixelFormat {
 public:
  // `bitsPerPixel` is the storage size of one pixel: 16, 24 or 32.
  // `msbFirst`: the server's image byte order is big-endian.
  PixelFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, int bitsPerPixel,
              bool msbFirst);

  // The usual TrueColor layout of depth 24 and 32: x8r8g8b8 in 32 bits.
  static PixelFormat Xrgb32(bool msbFirst = false);

  Color Decode(uint32_t pixel) const;
  uint32_t Encode(Color colour) const;

  // Whole rows. `src`/`dst` point at the first byte of the first pixel.
  void DecodeRow(const uint8_t* src, int count, Color* dst) const;
  void EncodeRow(const Color* src, int count, uint8_t* dst) const;

  int BytesPerPixel() const { return bpp_ / 8; }
  // True when the stored pixel equals the toolkit colour (rows can be copied).
  bool Direct() const { return direct_; }
  bool Valid() const { return valid_; }

 private:
  struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    uint32_t max = 0;
  };
  static Channel Describe(uint32_t mask);
  static uint8_t Widen(const Channel& c, uint32_t pixel);
  static uint32_t Narrow(const Channel& c, uint8_t value);
  uint32_t Load(const uint8_t* p) const;
  void Store(uint32_t v, uint8_t* p) const;

  Channel r_, g_, b_;
  int bpp_;
  bool msb_;
  bool direct_;
  bool valid_;
};

}  // namespace tk::gtkx
