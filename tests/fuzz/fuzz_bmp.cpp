// Bitmap resources: any bytes give an opaque picture of the size its header
// names, or no picture.
#include "tests/fuzz/fuzz_target.h"
#include "toolkit/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tk::Picture picture = tk::DecodeBmp({data, size});
  if (!picture) return 0;
  FUZZ_CHECK(picture->Width() > 0 && picture->Height() > 0);
  FUZZ_CHECK(picture->Pixels().size() == static_cast<size_t>(picture->Width()) * picture->Height());
  FUZZ_CHECK(picture->Opaque());
  return 0;
}
