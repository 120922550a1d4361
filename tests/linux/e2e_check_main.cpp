// lumbravick-e2e-check: the picture and trace checks of tools/ci/linux-e2e.sh.
//
//   diff A.ppm B.ppm [--region x,y,w,h] [--exclude x,y,w,h]...
//       prints how many pixels differ
//   bbox A.ppm B.ppm --region x,y,w,h
//       prints "x y w h" of the differing pixels, or "none"
//   size A.ppm                prints "w h"
//   field TRACE EVENT KEY [--where KEY=VALUE] [--first]
//       prints KEY of the last (or first) EVENT line; exit 1 if there is none
//   count TRACE EVENT [--where KEY=VALUE]
//       prints how many EVENT lines there are
#include <cstdio>
#include <string>
#include <vector>

#include "tests/linux/e2e_check.h"
#include "toolkit/linux/ppm.h"

namespace {

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "lumbravick-e2e-check: %s\n", message.c_str());
  std::exit(2);
}

tk::Surface Load(const std::string& path) {
  tk::Surface s;
  std::string error;
  if (!tk::gtkx::ReadPpm(path, s, error)) Fail(error);
  return s;
}

tk::Rect RectArg(const std::string& text) {
  tk::Rect r;
  if (!e2e::ParseRect(text, r)) Fail("not a rectangle x,y,w,h: " + text);
  return r;
}

std::vector<e2e::TraceFields> Matching(const std::string& trace, const std::string& event,
                                       const std::string& where) {
  std::vector<e2e::TraceFields> all = e2e::ReadEvents(trace, event), out;
  std::string key, value;
  if (!where.empty()) {
    size_t eq = where.find('=');
    if (eq == std::string::npos) Fail("--where needs KEY=VALUE");
    key = where.substr(0, eq);
    value = where.substr(eq + 1);
  }
  for (auto& f : all)
    if (key.empty() || (f.count(key) && f[key] == value)) out.push_back(f);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  if (a.empty()) Fail("usage: diff | bbox | size | field | count (see the source)");
  const std::string cmd = a[0];
  if (cmd == "diff" || cmd == "bbox") {
    if (a.size() < 3) Fail(cmd + " needs two pictures");
    tk::Surface p = Load(a[1]), q = Load(a[2]);
    std::optional<tk::Rect> region;
    std::vector<tk::Rect> exclude;
    for (size_t i = 3; i < a.size(); ++i) {
      if (i + 1 >= a.size()) Fail(a[i] + " needs a value");
      if (a[i] == "--region") region = RectArg(a[++i]);
      else if (a[i] == "--exclude") exclude.push_back(RectArg(a[++i]));
      else Fail("unknown option " + a[i]);
    }
    if (cmd == "diff") {
      std::printf("%lld\n", static_cast<long long>(e2e::CountDifferences(p, q, region, exclude)));
    } else {
      if (!region) Fail("bbox needs --region");
      auto box = e2e::DifferenceBox(p, q, *region);
      if (box) std::printf("%d %d %d %d\n", box->x, box->y, box->w, box->h);
      else std::printf("none\n");
    }
    return 0;
  }
  if (cmd == "size") {
    if (a.size() != 2) Fail("size needs one picture");
    tk::Surface p = Load(a[1]);
    std::printf("%d %d\n", p.Width(), p.Height());
    return 0;
  }
  if (cmd == "field" || cmd == "count") {
    size_t fixed = cmd == "field" ? 4 : 3;
    if (a.size() < fixed) Fail(cmd + ": missing arguments");
    std::string where;
    bool first = false;
    for (size_t i = fixed; i < a.size(); ++i) {
      if (a[i] == "--first") first = true;
      else if (a[i] == "--where" && i + 1 < a.size()) where = a[++i];
      else Fail("unknown option " + a[i]);
    }
    auto events = Matching(a[1], a[2], where);
    if (cmd == "count") {
      std::printf("%zu\n", events.size());
      return 0;
    }
    if (events.empty()) return 1;
    auto& f = first ? events.front() : events.back();
    auto it = f.find(a[3]);
    if (it == f.end()) return 1;
    std::printf("%s\n", it->second.c_str());
    return 0;
  }
  Fail("unknown command " + cmd);
}
