#include <charconv>
#include <cstdint>
#include <sstream>

#include "toolkit/headless/headless_platform.h"

namespace tk::headless {

namespace {

struct CommandShape {
  const char* name;
  size_t args;
};
constexpr CommandShape kCommands[] = {
    {"move", 2},    {"down", 1},   {"up", 1},    {"click", 2},  {"key", 1},
    {"keydown", 1}, {"answer", 1}, {"press", 1}, {"follow", 1},
};

// Pointer positions travel as 16-bit values in the X protocol and in Windows
// mouse messages; no screen reaches beyond them.
constexpr int64_t kMinCoordinate = -32768, kMaxCoordinate = 32767;
// The platform's tick count is 32 bits of milliseconds.
constexpr int64_t kMaxMs = UINT32_MAX;

enum class Number { Ok, NotWhole, OutOfRange };

// Decimal digits with an optional minus sign and nothing else around them.
Number ParseWhole(const std::string& s, int64_t lowest, int64_t highest, int64_t& out) {
  size_t digits = s.size() > 1 && s[0] == '-' ? 1 : 0;
  if (digits >= s.size()) return Number::NotWhole;
  for (size_t i = digits; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return Number::NotWhole;
  int64_t value = 0;
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size() || value < lowest || value > highest)
    return Number::OutOfRange;
  out = value;
  return Number::Ok;
}

std::string CheckCoordinates(const ScriptEvent& e) {
  int64_t unused = 0;
  for (const std::string& a : e.args) {
    Number n = ParseWhole(a, kMinCoordinate, kMaxCoordinate, unused);
    if (n == Number::NotWhole) return "coordinates must be whole numbers";
    if (n == Number::OutOfRange) return "coordinate " + a + " is outside -32768 to 32767";
  }
  return "";
}

std::string CheckArgs(const ScriptEvent& e) {
  const auto& a = e.args;
  if (e.command == "move" || e.command == "click") return CheckCoordinates(e);
  if (e.command == "down" || e.command == "up")
    return a[0] == "left" || a[0] == "right" || a[0] == "middle"
               ? ""
               : "button must be left, right or middle";
  if (e.command == "answer") return a[0] == "yes" || a[0] == "no" ? "" : "answer must be yes or no";
  if (e.command == "follow") return a[0] == "on" || a[0] == "off" ? "" : "follow must be on or off";
  if (e.command == "press") {
    size_t dot = a[0].find('.');
    return dot != std::string::npos && dot > 0 && dot + 1 < a[0].size()
               ? ""
               : "press needs WINDOW.CONTROL";
  }
  if (e.command == "key") {
    const std::string& k = a[0];
    bool named = k == "Esc" || k == "Enter" || k == "Space" || k == "Backspace" || k == "Tab";
    return named || k.size() == 1 ? ""
                                  : "key needs one character or Esc, Enter, Space, Backspace, Tab";
  }
  return "";
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<ScriptEvent>& out, std::string& error) {
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  uint32_t last_ms = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (size_t hash = raw.find('#'); hash != std::string::npos) raw.resize(hash);
    std::istringstream words(raw);
    std::string ms_text;
    if (!(words >> ms_text)) continue;
    ScriptEvent e;
    e.line = number;
    std::string word;
    int64_t ms = 0;
    Number time = ParseWhole(ms_text, 0, kMaxMs, ms);
    if (time == Number::OutOfRange) {
      error = "script line " + std::to_string(number) + ": time " + ms_text + " is outside 0 to " +
              std::to_string(kMaxMs) + " ms";
      return false;
    }
    if (time == Number::NotWhole || !(words >> e.command)) {
      error = "script line " + std::to_string(number) + ": expected '<ms> <command> [args]'";
      return false;
    }
    while (words >> word) e.args.push_back(word);
    const CommandShape* shape = nullptr;
    for (const auto& c : kCommands)
      if (e.command == c.name) shape = &c;
    if (!shape) {
      error = "script line " + std::to_string(number) + ": unknown command '" + e.command + "'";
      return false;
    }
    if (e.args.size() != shape->args) {
      error = "script line " + std::to_string(number) + ": '" + e.command + "' takes " +
              std::to_string(shape->args) + " argument(s)";
      return false;
    }
    if (std::string why = CheckArgs(e); !why.empty()) {
      error = "script line " + std::to_string(number) + ": " + why;
      return false;
    }
    e.ms = static_cast<uint32_t>(ms);
    if (e.ms < last_ms) {
      error = "script line " + std::to_string(number) + ": times must not go backwards";
      return false;
    }
    last_ms = e.ms;
    out.push_back(std::move(e));
  }
  return true;
}

}  // namespace tk::headless
