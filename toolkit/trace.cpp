#include "toolkit/trace.h"

#include <cstdio>

#include "toolkit/platform.h"

namespace tk::trace {

namespace {

FILE* g_out = nullptr;
bool g_owned = false;
uint32_t g_start = 0;

}  // namespace

bool Open(const std::string& path) {
  Close();
  if (path == "-") {
    g_out = stdout;
    g_owned = false;
    return true;
  }
  g_out = std::fopen(path.c_str(), "a");
  g_owned = g_out != nullptr;
  return g_out != nullptr;
}

void Close() {
  if (g_out && g_owned)
    std::fclose(g_out);
  else if (g_out)
    std::fflush(g_out);
  g_out = nullptr;
  g_owned = false;
}

bool Enabled() { return g_out != nullptr; }
void SetStartTick(uint32_t tick) { g_start = tick; }
uint32_t StartTick() { return g_start; }
std::FILE* Stream() { return g_out; }

std::string JsonEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

Event::Event(std::string_view name) : on_(g_out != nullptr) {
  if (!on_) return;
  uint32_t t = CurrentPlatform().TickCount() - g_start;
  line_ = "{\"t\":";
  line_ += std::to_string(t);
  line_ += ",\"ev\":\"";
  line_ += JsonEscape(name);
  line_ += '"';
}

Event::~Event() {
  if (!on_ || !g_out) return;
  line_ += "}\n";
  std::fwrite(line_.data(), 1, line_.size(), g_out);
  std::fflush(g_out);
}

void Event::Key(std::string_view key) {
  line_ += ",\"";
  line_ += JsonEscape(key);
  line_ += "\":";
}

Event& Event::Str(std::string_view key, std::string_view value) {
  if (!on_) return *this;
  Key(key);
  line_ += '"';
  line_ += JsonEscape(value);
  line_ += '"';
  return *this;
}

Event& Event::Int(std::string_view key, int64_t value) {
  if (!on_) return *this;
  Key(key);
  line_ += std::to_string(value);
  return *this;
}

Event& Event::Bool(std::string_view key, bool value) {
  if (!on_) return *this;
  Key(key);
  line_ += value ? "true" : "false";
  return *this;
}

Event& Event::Pair(std::string_view key, int64_t a, int64_t b) {
  if (!on_) return *this;
  Key(key);
  line_ += '[';
  line_ += std::to_string(a);
  line_ += ',';
  line_ += std::to_string(b);
  line_ += ']';
  return *this;
}

Event& Event::PairF(std::string_view key, double a, double b) {
  if (!on_) return *this;
  Key(key);
  char buf[64];
  std::snprintf(buf, sizeof buf, "[%.9g,%.9g]", a, b);
  line_ += buf;
  return *this;
}

Event& Event::Raw(std::string_view members) {
  if (!on_ || members.empty()) return *this;
  line_ += ",";
  line_ += members;
  return *this;
}

}  // namespace tk::trace
