// The simulator's scripts: a script is refused with a reason, or every event
// in it can be delivered as the headless platform delivers it.
#include <string>

#include "tests/fuzz/fuzz_target.h"
#include "toolkit/headless/headless_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<tk::headless::ScriptEvent> events;
  std::string error;
  if (!tk::headless::ParseScript(std::string(reinterpret_cast<const char*>(data), size), events,
                                 error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  uint32_t last = 0;
  for (const auto& e : events) {
    FUZZ_CHECK(e.ms >= last);
    last = e.ms;
    if (e.command == "move" || e.command == "click") {
      // What delivery does with them: it must neither throw nor overflow.
      for (const std::string& coordinate : e.args) {
        int value = std::stoi(coordinate);
        FUZZ_CHECK(value >= -32768 && value <= 32767);
      }
    }
  }
  return 0;
}
