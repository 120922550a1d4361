// Icon resources: any bytes give a picture of the size its entry names, or
// no picture, whichever size is asked for.
#include "tests/fuzz/fuzz_target.h"
#include "toolkit/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int wanted : {16, 48}) {
    tk::Picture picture = tk::DecodeIco({data, size}, wanted);
    if (!picture) continue;
    FUZZ_CHECK(picture->Width() > 0 && picture->Height() > 0);
    FUZZ_CHECK(picture->Pixels().size() ==
               static_cast<size_t>(picture->Width()) * picture->Height());
  }
  return 0;
}
