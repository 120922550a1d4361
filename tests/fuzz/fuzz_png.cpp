// The simulator's desktop pictures: any bytes give a picture no larger than
// a screen, or a reason.
#include "tests/fuzz/fuzz_target.h"
#include "tools/pngio/png_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tk::Surface picture;
  std::string error;
  if (!tools::DecodePng({data, size}, picture, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(picture.Width() > 0 && picture.Height() > 0);
  FUZZ_CHECK(static_cast<uint32_t>(picture.Width()) <= tools::kMaxPngSide);
  FUZZ_CHECK(static_cast<uint64_t>(picture.Width()) * picture.Height() <= tools::kMaxPngPixels);
  return 0;
}
