// Resources as bytes, for the tests of the catalogue and of the decoders.
#pragma once

#include <cstdint>
#include <tuple>
#include <vector>

#include "toolkit/resources.h"

namespace resource_bytes {

using Bytes = std::vector<uint8_t>;

// The copy compiled into the program.
inline Bytes Embedded(tk::ResourceType type, int id) {
  auto s = tk::FindEmbeddedResource(type, id);
  return {s.begin(), s.end()};
}

// A parsed format as one comparable value: tag, channels, rate, bits, data bytes.
inline std::tuple<int, int, int, int, uint32_t> Fields(const tk::WavFormat& f) {
  return {f.formatTag, f.channels, f.sampleRate, f.bitsPerSample, f.dataBytes};
}

}  // namespace resource_bytes
