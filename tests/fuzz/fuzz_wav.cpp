// Sound resources: a format is read only from a file whose chunks all lie
// inside it.
#include "tests/fuzz/fuzz_target.h"
#include "toolkit/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tk::WavFormat format;
  if (!tk::ParseWav({data, size}, format)) return 0;
  FUZZ_CHECK(format.channels > 0 && format.sampleRate > 0 && format.bitsPerSample > 0);
  FUZZ_CHECK(format.dataBytes <= size);
  return 0;
}
