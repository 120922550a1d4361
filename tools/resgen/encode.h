// File encoders: palettised and true-colour BMP, ICO with several images,
// PCM WAV. Each returns the whole file as bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/resgen/canvas.h"

namespace resgen {

using Bytes = std::vector<uint8_t>;

// 0x00RRGGBB colours and one palette index per pixel, rows top to bottom.
struct Indexed {
  int width = 0, height = 0;
  std::vector<uint32_t> palette;
  std::vector<uint8_t> index;
};

// Reduces the opaque pixels of `c` (alpha >= 0.5) to at most `maxColours`
// colours (median cut, then refined); other pixels get index 0.
Indexed Quantise(const Canvas& c, int maxColours);
// 8-bit colour of a channel value in [0, 1].
uint8_t Channel(double v);

Bytes BmpFile8(const Canvas& opaque);
Bytes BmpFile24(const Canvas& opaque);

struct IconImage {
  Canvas picture;
  int bitsPerPixel = 32;  // 4, 8 or 32
};
Bytes IcoFile(const std::vector<IconImage>& images);

// `samples` in [-1, 1], interleaved by channel; bits is 8 or 16.
Bytes WavFile(int channels, int sampleRate, int bits, const std::vector<double>& samples);

bool WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace resgen
