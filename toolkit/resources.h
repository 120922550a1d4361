// Built-in resources by number: icons, bitmaps and WAV sounds.
//
// The raw files live in resources/ and are compiled into the program (Linux and
// headless) or linked as Windows resources. A number that has no resource gives
// an empty span / a null picture, which the caller's error trap skips.
#pragma once

#include <cstdint>
#include <span>

#include "toolkit/surface.h"

namespace tk {

enum class ResourceType { Icon, Bitmap, Sound };

// The compiled-in copy of resources/ (generated at build time).
std::span<const uint8_t> FindEmbeddedResource(ResourceType type, int id);

// Decoders of the file formats in resources/. They accept exactly what a real
// file of that kind may hold and give a null picture on anything malformed.
Picture DecodeBmp(std::span<const uint8_t> bytes);
// Picks the image of the icon closest to `size` pixels (exact size first,
// then the most colours).
Picture DecodeIco(std::span<const uint8_t> bytes, int size = 16);

struct WavFormat {
  int formatTag = 0;  // 1 = PCM
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  uint32_t dataBytes = 0;
};
// False when the bytes are not a RIFF/WAVE file with a "fmt " and a "data" chunk.
bool ParseWav(std::span<const uint8_t> bytes, WavFormat& out);

}  // namespace tk
