// The game's eleven sounds, synthesised.
#pragma once

#include <cstdint>
#include <vector>

namespace resgen {

struct SoundEntry {
  int id;
  int channels;
  int sampleRate;
  int bits;
  uint32_t dataBytes;  // exact size of the data chunk
  const char* what;
};

// The catalogue, 101..111.
const std::vector<SoundEntry>& SoundCatalogue();
// Samples in [-1, 1], interleaved by channel, exactly filling entry.dataBytes.
std::vector<double> Synthesise(const SoundEntry& entry);

}  // namespace resgen
