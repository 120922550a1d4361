// Decoders of the picture and sound files in resources/: BMP, ICO and WAV.
// Every field read is bounds-checked; anything malformed gives a null picture
// (or false), never a crash or an out-of-range read.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "toolkit/resources.h"

namespace tk {
namespace {

// Pictures larger than this are refused, so a garbled header cannot ask for
// gigabytes of memory.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = 16 * 1024 * 1024;

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : bytes_(b) {}
  size_t Size() const { return bytes_.size(); }
  bool Has(size_t offset, size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  uint32_t U8(size_t o) const { return bytes_[o]; }
  uint32_t U16(size_t o) const { return bytes_[o] | (static_cast<uint32_t>(bytes_[o + 1]) << 8); }
  uint32_t U32(size_t o) const { return U16(o) | (U16(o + 2) << 16); }
  int32_t S32(size_t o) const { return static_cast<int32_t>(U32(o)); }
  bool Tag(size_t o, const char* tag) const {
    return Has(o, 4) && std::memcmp(&bytes_[o], tag, 4) == 0;
  }
  const uint8_t* At(size_t o) const { return bytes_.data() + o; }

 private:
  std::span<const uint8_t> bytes_;
};

// The parts of a DIB (the header that follows a BMP file header, or one icon
// image) needed to decode it.
struct DibInfo {
  int width = 0;
  int height = 0;  // rows of colour data (icons: half the stored height)
  bool topDown = false;
  int bits = 0;
  size_t paletteOffset = 0;
  size_t paletteEntries = 0;
  size_t paletteStride = 4;  // 3 in the old 12-byte header
};

size_t Stride(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// Parses the header at `offset`. `icon` halves the height (colour + mask).
std::optional<DibInfo> ParseDibHeader(const Reader& r, size_t offset, bool icon) {
  if (!r.Has(offset, 4)) return std::nullopt;
  uint32_t headerSize = r.U32(offset);
  DibInfo d;
  int64_t w, h;
  uint32_t planes, compression = 0, used = 0;
  if (headerSize == 12) {
    if (!r.Has(offset, 12)) return std::nullopt;
    w = r.U16(offset + 4);
    h = static_cast<int16_t>(r.U16(offset + 6));
    planes = r.U16(offset + 8);
    d.bits = static_cast<int>(r.U16(offset + 10));
    d.paletteStride = 3;
  } else if (headerSize >= 40 && headerSize <= 1024) {
    if (!r.Has(offset, headerSize)) return std::nullopt;
    w = r.S32(offset + 4);
    h = r.S32(offset + 8);
    planes = r.U16(offset + 12);
    d.bits = static_cast<int>(r.U16(offset + 14));
    compression = r.U32(offset + 16);
    used = r.U32(offset + 32);
  } else {
    return std::nullopt;
  }
  if (planes != 1) return std::nullopt;
  if (d.bits != 1 && d.bits != 4 && d.bits != 8 && d.bits != 24 && d.bits != 32)
    return std::nullopt;
  size_t masks = 0;
  if (compression == 3 && d.bits == 32) {
    // Bit fields are accepted only in the usual 8-8-8 layout.
    size_t m = offset + 40;  // after a 40-byte header, or inside a longer one
    if (!r.Has(m, 12) || r.U32(m) != 0xFF0000u || r.U32(m + 4) != 0xFF00u || r.U32(m + 8) != 0xFFu)
      return std::nullopt;
    if (headerSize == 40) masks = 12;
  } else if (compression != 0) {
    return std::nullopt;
  }
  if (icon) {
    if (h <= 0 || h % 2 != 0) return std::nullopt;
    h /= 2;
  }
  d.topDown = h < 0;
  if (h < 0) h = -h;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) return std::nullopt;
  d.width = static_cast<int>(w);
  d.height = static_cast<int>(h);
  if (d.bits <= 8) {
    size_t most = static_cast<size_t>(1) << d.bits;
    d.paletteEntries = used == 0 ? most : used;
    if (d.paletteEntries > most) return std::nullopt;
  }
  d.paletteOffset = offset + headerSize + masks;
  if (!r.Has(d.paletteOffset, d.paletteEntries * d.paletteStride)) return std::nullopt;
  return d;
}

size_t PaletteEnd(const DibInfo& d) { return d.paletteOffset + d.paletteEntries * d.paletteStride; }

// Decodes the colour rows at `pixels` into opaque ARGB; `alpha` keeps the
// fourth byte of 32-bit pixels instead of making them opaque.
std::optional<std::vector<Argb>> DecodeRows(const Reader& r, const DibInfo& d, size_t pixels,
                                            bool alpha) {
  size_t stride = Stride(d.width, d.bits);
  if (!r.Has(pixels, stride * d.height)) return std::nullopt;
  std::vector<Argb> palette;
  for (size_t i = 0; i < d.paletteEntries; ++i) {
    size_t o = d.paletteOffset + i * d.paletteStride;
    palette.push_back(0xFF000000u | (r.U8(o + 2) << 16) | (r.U8(o + 1) << 8) | r.U8(o));
  }
  std::vector<Argb> out(static_cast<size_t>(d.width) * d.height);
  for (int row = 0; row < d.height; ++row) {
    int y = d.topDown ? row : d.height - 1 - row;
    const uint8_t* src = r.At(pixels + stride * row);
    Argb* dst = out.data() + static_cast<size_t>(y) * d.width;
    for (int x = 0; x < d.width; ++x) {
      if (d.bits <= 8) {
        int perByte = 8 / d.bits;
        int shift = 8 - d.bits * (x % perByte + 1);
        size_t index = (src[x / perByte] >> shift) & ((1u << d.bits) - 1);
        if (index >= palette.size()) return std::nullopt;
        dst[x] = palette[index];
      } else {
        const uint8_t* p = src + static_cast<size_t>(x) * (d.bits / 8);
        uint32_t a = d.bits == 32 && alpha ? p[3] : 255u;
        dst[x] = (a << 24) | (static_cast<uint32_t>(p[2]) << 16) |
                 (static_cast<uint32_t>(p[1]) << 8) | p[0];
      }
    }
  }
  return out;
}

struct IconEntry {
  size_t offset = 0, size = 0;
  DibInfo info;
};

Picture DecodeIconImage(const Reader& whole, const IconEntry& e) {
  // Bounds are checked against the entry's own bytes, not the whole file.
  Reader r(std::span<const uint8_t>(whole.At(e.offset), e.size));
  std::optional<DibInfo> d = ParseDibHeader(r, 0, true);
  if (!d) return nullptr;
  size_t colourStart = PaletteEnd(*d);
  auto pixels = DecodeRows(r, *d, colourStart, true);
  if (!pixels) return nullptr;
  size_t maskStart = colourStart + Stride(d->width, d->bits) * d->height;
  size_t maskStride = Stride(d->width, 1);
  bool hasMask = r.Has(maskStart, maskStride * d->height);
  bool anyAlpha = d->bits == 32 && std::any_of(pixels->begin(), pixels->end(),
                                               [](Argb p) { return (p >> 24) != 0; });
  if (anyAlpha) return std::make_shared<PictureData>(d->width, d->height, std::move(*pixels));
  if (!hasMask) return nullptr;  // only an alpha channel may stand in for the mask
  for (int row = 0; row < d->height; ++row) {
    int y = d->topDown ? row : d->height - 1 - row;
    const uint8_t* m = r.At(maskStart + maskStride * row);
    for (int x = 0; x < d->width; ++x) {
      Argb& p = (*pixels)[static_cast<size_t>(y) * d->width + x];
      bool transparent = (m[x / 8] >> (7 - x % 8)) & 1;
      p = transparent ? 0u : (p | 0xFF000000u);
    }
  }
  return std::make_shared<PictureData>(d->width, d->height, std::move(*pixels));
}

}  // namespace

Picture DecodeBmp(std::span<const uint8_t> bytes) {
  Reader r(bytes);
  if (!r.Has(0, 14) || r.U8(0) != 'B' || r.U8(1) != 'M') return nullptr;
  std::optional<DibInfo> d = ParseDibHeader(r, 14, false);
  if (!d) return nullptr;
  size_t pixels = r.U32(10);
  if (pixels < PaletteEnd(*d)) return nullptr;  // the pixels may not overlap the header
  auto decoded = DecodeRows(r, *d, pixels, false);
  if (!decoded) return nullptr;
  return std::make_shared<PictureData>(d->width, d->height, std::move(*decoded));
}

Picture DecodeIco(std::span<const uint8_t> bytes, int size) {
  Reader r(bytes);
  if (!r.Has(0, 6) || r.U16(0) != 0 || r.U16(2) != 1) return nullptr;
  size_t count = r.U16(4);
  if (count == 0 || !r.Has(6, count * 16)) return nullptr;
  std::optional<IconEntry> best;
  auto better = [size](const DibInfo& a, const DibInfo& b) {
    int da = std::abs(a.width - size), db = std::abs(b.width - size);
    if (da != db) return da < db;
    if (a.bits != b.bits) return a.bits > b.bits;
    return a.width > b.width;  // equally far: the larger one scales down better
  };
  for (size_t i = 0; i < count; ++i) {
    size_t dir = 6 + i * 16;
    IconEntry e;
    e.size = r.U32(dir + 8);
    e.offset = r.U32(dir + 12);
    if (!r.Has(e.offset, e.size) || e.size < 8) return nullptr;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(r.At(e.offset), kPng, 8) == 0) continue;  // PNG images are not supported
    Reader sub(std::span<const uint8_t>(r.At(e.offset), e.size));
    std::optional<DibInfo> info = ParseDibHeader(sub, 0, true);
    if (!info) return nullptr;
    e.info = *info;
    if (!best || better(e.info, best->info)) best = e;
  }
  if (!best) return nullptr;
  return DecodeIconImage(r, *best);
}

bool ParseWav(std::span<const uint8_t> bytes, WavFormat& out) {
  Reader r(bytes);
  if (!r.Has(0, 12) || !r.Tag(0, "RIFF") || !r.Tag(8, "WAVE")) return false;
  size_t end = std::min<size_t>(r.Size(), static_cast<size_t>(r.U32(4)) + 8);
  WavFormat f;
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at + 8 <= end) {
    size_t length = r.U32(at + 4);
    size_t body = at + 8;
    if (length > end - body) return false;  // a chunk running past the file
    if (r.Tag(at, "fmt ")) {
      if (length < 16 || haveFormat) return false;
      f.formatTag = static_cast<int>(r.U16(body));
      f.channels = static_cast<int>(r.U16(body + 2));
      f.sampleRate = static_cast<int>(std::min<uint32_t>(r.U32(body + 4), 0x7FFFFFFF));
      f.bitsPerSample = static_cast<int>(r.U16(body + 14));
      if (f.channels == 0 || f.sampleRate == 0 || f.bitsPerSample == 0) return false;
      haveFormat = true;
    } else if (r.Tag(at, "data")) {
      if (haveData) return false;
      f.dataBytes = static_cast<uint32_t>(length);
      haveData = true;
    }
    at = body + length + (length & 1);
  }
  if (!haveFormat || !haveData) return false;
  out = f;
  return true;
}

}  // namespace tk
