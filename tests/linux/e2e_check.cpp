#include "tests/linux/e2e_check.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace e2e {

namespace {

bool Excluded(int x, int y, const std::vector<tk::Rect>& exclude) {
  for (const tk::Rect& r : exclude)
    if (r.Contains(x, y)) return true;
  return false;
}

}  // namespace

int64_t CountDifferences(const tk::Surface& a, const tk::Surface& b, const std::optional<tk::Rect>& only,
                         const std::vector<tk::Rect>& exclude) {
  const int w = std::max(a.Width(), b.Width()), h = std::max(a.Height(), b.Height());
  tk::Rect area = only ? only->Intersect({0, 0, w, h}) : tk::Rect{0, 0, w, h};
  int64_t count = 0;
  for (int y = area.y; y < area.Bottom(); ++y)
    for (int x = area.x; x < area.Right(); ++x) {
      if (Excluded(x, y, exclude)) continue;
      bool shared = a.Inside(x, y) && b.Inside(x, y);
      if (!shared || a.Get(x, y) != b.Get(x, y)) ++count;
    }
  return count;
}

std::optional<tk::Rect> DifferenceBox(const tk::Surface& a, const tk::Surface& b, const tk::Rect& within) {
  tk::Rect area = within.Intersect({0, 0, std::min(a.Width(), b.Width()), std::min(a.Height(), b.Height())});
  int x0 = area.Right(), y0 = area.Bottom(), x1 = -1, y1 = -1;
  for (int y = area.y; y < area.Bottom(); ++y)
    for (int x = area.x; x < area.Right(); ++x)
      if (a.Get(x, y) != b.Get(x, y)) {
        x0 = std::min(x0, x), y0 = std::min(y0, y);
        x1 = std::max(x1, x), y1 = std::max(y1, y);
      }
  if (x1 < 0) return std::nullopt;
  return tk::Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool ParseRect(const std::string& text, tk::Rect& out) {
  int v[4];
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (pos >= text.size()) return false;
    char* end = nullptr;
    long n = std::strtol(text.c_str() + pos, &end, 10);
    if (end == text.c_str() + pos) return false;
    v[i] = static_cast<int>(n);
    pos = static_cast<size_t>(end - text.c_str());
    if (i < 3) {
      if (pos >= text.size() || text[pos] != ',') return false;
      ++pos;
    }
  }
  if (pos != text.size() || v[2] < 0 || v[3] < 0) return false;
  out = {v[0], v[1], v[2], v[3]};
  return true;
}

namespace {

class LineParser {
 public:
  explicit LineParser(const std::string& s) : s_(s) {}

  bool Object(TraceFields& out) {
    Blank();
    if (!Eat('{')) return false;
    Blank();
    if (Eat('}')) return End();
    for (;;) {
      std::string key, value;
      Blank();
      if (!String(key)) return false;
      Blank();
      if (!Eat(':')) return false;
      Blank();
      if (!Value(value)) return false;
      out[key] = value;
      Blank();
      if (Eat(',')) continue;
      if (Eat('}')) return End();
      return false;
    }
  }

 private:
  bool End() {
    Blank();
    return i_ == s_.size();
  }
  void Blank() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
  }
  bool Eat(char c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case '/': out += '/'; break;
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'u': {
          if (i_ + 4 > s_.size()) return false;
          unsigned code = static_cast<unsigned>(std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16));
          i_ += 4;
          // The recorder escapes only control characters this way.
          if (code < 0x80) out += static_cast<char>(code);
          else out += '?';
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool Scalar(std::string& out) {
    size_t start = i_;
    while (i_ < s_.size() && s_[i_] != ',' && s_[i_] != '}' && s_[i_] != ']' && s_[i_] != ' ') ++i_;
    out = s_.substr(start, i_ - start);
    return !out.empty();
  }
  bool Value(std::string& out) {
    if (i_ < s_.size() && s_[i_] == '"') return String(out);
    if (Eat('[')) {
      Blank();
      if (Eat(']')) return true;
      for (bool first = true;; first = false) {
        std::string item;
        Blank();
        if (!Value(item)) return false;
        if (!first) out += ',';
        out += item;
        Blank();
        if (Eat(',')) continue;
        return Eat(']');
      }
    }
    return Scalar(out);
  }

  const std::string& s_;
  size_t i_ = 0;
};

}  // namespace

bool ParseTraceLine(const std::string& line, TraceFields& out) {
  out.clear();
  LineParser p(line);
  if (p.Object(out)) return true;
  out.clear();
  return false;
}

std::vector<TraceFields> ReadEvents(const std::string& path, const std::string& event) {
  std::vector<TraceFields> found;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    TraceFields f;
    if (!ParseTraceLine(line, f)) continue;
    auto it = f.find("ev");
    if (it != f.end() && it->second == event) found.push_back(std::move(f));
  }
  return found;
}

}  // namespace e2e
