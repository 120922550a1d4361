// The settings file: reading keeps every byte, and storing a value changes
// only that value's line. The input is the file, then a NUL, then the value.
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_target.h"
#include "toolkit/settings_ini.h"

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

// How many lines of `before` are not in `after` when the two are matched
// from the start and from the end: storing one value is one local edit.
size_t LinesChanged(std::string_view before, std::string_view after) {
  std::vector<std::string_view> old = Lines(before), now = Lines(after);
  size_t head = 0, tail = 0;
  while (head < old.size() && head < now.size() && old[head] == now[head]) ++head;
  while (tail < old.size() - head && tail < now.size() - head &&
         old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
    ++tail;
  return old.size() - head - tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t nul = input.find('\0');
  std::string text(input.substr(0, nul));
  std::string value(nul == std::string_view::npos ? "" : input.substr(nul + 1));
  tk::IsSettingsText(input);

  tk::IniText file(text);
  FUZZ_CHECK(file.Text() == text);
  std::string old;
  bool had = file.Get("StyleSheet", "StyleSheet", old);
  file.Set("StyleSheet", "StyleSheet", value);
  std::string written = file.Text(), read;
  FUZZ_CHECK(tk::IniText(written).Get("StyleSheet", "StyleSheet", read) && read == value);
  FUZZ_CHECK(LinesChanged(text, written) <= (had ? 1u : 0u));
  return 0;
}
