#include "toolkit/linux/pixel_format.h"

#include <bit>
#include <cstring>

namespace tk::gtkx {

PixelFormat::PixelFormat(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, int bitsPerPixel,
                         bool msbFirst)
    : r_(Describe(redMask)),
      g_(Describe(greenMask)),
      b_(Describe(blueMask)),
      bpp_(bitsPerPixel),
      msb_(msbFirst) {
  valid_ = (bpp_ == 16 || bpp_ == 24 || bpp_ == 32) && r_.bits > 0 && g_.bits > 0 && b_.bits > 0 &&
           (redMask & greenMask) == 0 && (redMask & blueMask) == 0 && (greenMask & blueMask) == 0;
  // Rows can be copied as they are when the pixel is a little-endian 32-bit
  // word laid out like a toolkit colour (on a little-endian host).
  direct_ = valid_ && bpp_ == 32 && !msb_ && std::endian::native == std::endian::little &&
            redMask == 0xFF0000u && greenMask == 0xFF00u && blueMask == 0xFFu;
}

PixelFormat PixelFormat::Xrgb32(bool msbFirst) {
  return PixelFormat(0xFF0000u, 0xFF00u, 0xFFu, 32, msbFirst);
}

PixelFormat::Channel PixelFormat::Describe(uint32_t mask) {
  Channel c;
  if (mask == 0) return c;
  c.mask = mask;
  c.shift = std::countr_zero(mask);
  c.bits = std::popcount(mask);
  // A mask with holes is not a channel.
  if (((mask >> c.shift) & ((mask >> c.shift) + 1)) != 0) return Channel{};
  c.max = c.bits >= 32 ? 0xFFFFFFFFu : ((1u << c.bits) - 1);
  return c;
}

uint8_t PixelFormat::Widen(const Channel& c, uint32_t pixel) {
  uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.bits == 8) return static_cast<uint8_t>(v);
  if (c.bits > 8) return static_cast<uint8_t>(v >> (c.bits - 8));
  // Fewer bits: scale so that the largest value becomes 255.
  return static_cast<uint8_t>((v * 255u + c.max / 2) / c.max);
}

uint32_t PixelFormat::Narrow(const Channel& c, uint8_t value) {
  uint32_t v;
  if (c.bits == 8)
    v = value;
  else if (c.bits > 8)
    v = static_cast<uint32_t>(value) << (c.bits - 8);
  else
    v = (static_cast<uint32_t>(value) * c.max + 127u) / 255u;
  return (v << c.shift) & c.mask;
}

Color PixelFormat::Decode(uint32_t pixel) const {
  return Rgb(Widen(r_, pixel), Widen(g_, pixel), Widen(b_, pixel));
}

uint32_t PixelFormat::Encode(Color colour) const {
  return Narrow(r_, static_cast<uint8_t>(colour >> 16)) |
         Narrow(g_, static_cast<uint8_t>(colour >> 8)) | Narrow(b_, static_cast<uint8_t>(colour));
}

uint32_t PixelFormat::Load(const uint8_t* p) const {
  switch (bpp_) {
    case 16:
      return msb_ ? (uint32_t{p[0]} << 8) | p[1] : (uint32_t{p[1]} << 8) | p[0];
    case 24:
      return msb_ ? (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]
                  : (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    default:
      return msb_ ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                  : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  }
}

void PixelFormat::Store(uint32_t v, uint8_t* p) const {
  int n = BytesPerPixel();
  for (int i = 0; i < n; ++i) {
    int shift = msb_ ? 8 * (n - 1 - i) : 8 * i;
    p[i] = static_cast<uint8_t>(v >> shift);
  }
}

void PixelFormat::DecodeRow(const uint8_t* src, int count, Color* dst) const {
  if (count <= 0) return;
  if (direct_) {
    std::memcpy(dst, src, static_cast<size_t>(count) * 4);
    for (int i = 0; i < count; ++i) dst[i] &= 0xFFFFFFu;  // depth-32 alpha or padding
    return;
  }
  const int step = BytesPerPixel();
  for (int i = 0; i < count; ++i, src += step) dst[i] = Decode(Load(src));
}

void PixelFormat::EncodeRow(const Color* src, int count, uint8_t* dst) const {
  if (count <= 0) return;
  if (direct_) {
    // Opaque where the server keeps an alpha byte.
    uint32_t* out = reinterpret_cast<uint32_t*>(dst);
    for (int i = 0; i < count; ++i) out[i] = src[i] | 0xFF000000u;
    return;
  }
  const int step = BytesPerPixel();
  for (int i = 0; i < count; ++i, dst += step) Store(Encode(src[i]), dst);
}

}  // namespace tk::gtkx
