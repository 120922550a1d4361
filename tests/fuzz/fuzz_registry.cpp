// A string value from the Windows registry, as the game reads its setting:
// any bytes give UTF-8 text, and the sheet number from it is a 16-bit number
// or nothing.
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_target.h"
#include "toolkit/settings_ini.h"
#include "toolkit/toolkit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = tk::RegistryText({data, size});
  std::string without_nul = text;
  std::erase(without_nul, '\0');
  FUZZ_CHECK(tk::IsSettingsText(without_nul));
  FUZZ_CHECK(text.size() <= size / 2 * 3);  // no unit grows beyond three bytes
  int16_t sheet = 0;
  if (tk::TextToInt16(text, sheet)) FUZZ_CHECK(std::to_string(sheet).size() <= text.size());
  return 0;
}
