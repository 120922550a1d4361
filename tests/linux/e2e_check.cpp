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
//   set-root-pixmap A.ppm
//       leaves A as the root's wallpaper pixmap (_XROOTPMAP_ID) and
//       background after it exits, as a wallpaper setter does
//   show-panel x,y,w,h
//       until it is ended, shows a panel as a compositor draws one: no
//       window a program could hide, and the work area (_NET_WORKAREA,
//       for a screen without a window manager) leaves it out
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/linux/ppm.h"
#include "toolkit/surface.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using TraceFields = std::map<std::string, std::string>;

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
  int used = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d%n", &r.x, &r.y, &r.w, &r.h, &used) != 4 ||
      used != static_cast<int>(text.size()) || r.w < 0 || r.h < 0)
    Fail("not a rectangle x,y,w,h: " + text);
  return r;
}

// Pixels at which two pictures differ, counted inside `only` (the whole
// picture when absent) and outside every `exclude` area. Where only one of
// the pictures reaches, the pixels count as different.
int64_t CountDifferences(const tk::Surface& a, const tk::Surface& b,
                         const std::optional<tk::Rect>& only,
                         const std::vector<tk::Rect>& exclude) {
  const tk::Rect whole{0, 0, std::max(a.Width(), b.Width()), std::max(a.Height(), b.Height())};
  const tk::Rect area = only ? only->Intersect(whole) : whole;
  int64_t count = 0;
  for (int y = area.y; y < area.Bottom(); ++y)
    for (int x = area.x; x < area.Right(); ++x) {
      if (std::any_of(exclude.begin(), exclude.end(),
                      [x, y](const tk::Rect& r) { return r.Contains(x, y); }))
        continue;
      bool shared = a.Inside(x, y) && b.Inside(x, y);
      if (!shared || a.Get(x, y) != b.Get(x, y)) ++count;
    }
  return count;
}

std::optional<tk::Rect> DifferenceBox(const tk::Surface& a, const tk::Surface& b,
                                      const tk::Rect& within) {
  tk::Rect area =
      within.Intersect({0, 0, std::min(a.Width(), b.Width()), std::min(a.Height(), b.Height())});
  int x0 = area.Right(), y0 = area.Bottom(), x1 = -1, y1 = -1;
  for (int y = area.y; y < area.Bottom(); ++y)
    for (int x = area.x; x < area.Right(); ++x)
      if (a.Get(x, y) != b.Get(x, y)) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) return std::nullopt;
  return tk::Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// One trace line, a flat JSON object as the recorder writes it: strings
// unescaped, numbers and booleans as written, an array as its items joined
// by ','. False for anything else (a line still being written).
// The string that starts at s[i] (a '"'), with the recorder's escapes undone.
bool ReadString(const std::string& s, size_t& i, std::string& out) {
  if (i >= s.size() || s[i++] != '"') return false;
  while (i < s.size()) {
    const char c = s[i++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    static const char kEscaped[] = "nrt\"\\", kMeant[] = "\n\r\t\"\\";
    const char e = i < s.size() ? s[i++] : '\0';
    if (const char* escape = e ? std::strchr(kEscaped, e) : nullptr) {
      out += kMeant[escape - kEscaped];
    } else if (e == 'u' && i + 4 <= s.size()) {  // only control characters are escaped this way
      out += static_cast<char>(std::strtoul(s.substr(i, 4).c_str(), nullptr, 16) & 0x7F);
      i += 4;
    } else {
      return false;
    }
  }
  return false;
}

// A string, a number, true/false/null, or an array of numbers (kept without
// its brackets).
bool ReadValue(const std::string& s, size_t& i, std::string& out) {
  if (i < s.size() && s[i] == '"') return ReadString(s, i, out);
  const size_t array = i < s.size() && s[i] == '[' ? 1 : 0;
  const size_t end = array ? s.find(']', i) : s.find_first_of(",} ", i);
  if (end == std::string::npos) return false;
  out = s.substr(i + array, end - i - array);
  i = end + array;
  return array || !out.empty();
}

bool ParseTraceLine(const std::string& line, TraceFields& out) {
  out.clear();
  size_t i = 0;
  bool ok = line.size() >= 2 && line[i++] == '{';
  for (bool first = true; ok && i < line.size() && line[i] != '}'; first = false) {
    std::string key, value;
    ok = (first || line[i++] == ',') && ReadString(line, i, key) && i < line.size() &&
         line[i++] == ':' && ReadValue(line, i, value);
    out[key] = value;
  }
  // The closing brace ends the line.
  if (ok && i + 1 == line.size()) return true;
  out.clear();
  return false;
}

void SetRootPixmap(const tk::Surface& picture) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) Fail("no X display");
  const int screen = DefaultScreen(d);
  const Window root = RootWindow(d, screen);
  const unsigned w = static_cast<unsigned>(picture.Width()),
                 h = static_cast<unsigned>(picture.Height());
  // The pixmap outlives this connection, as the property promises.
  XSetCloseDownMode(d, RetainPermanent);
  Pixmap pixmap = XCreatePixmap(d, root, w, h, static_cast<unsigned>(DefaultDepth(d, screen)));
  XImage* image =
      XCreateImage(d, DefaultVisual(d, screen), static_cast<unsigned>(DefaultDepth(d, screen)),
                   ZPixmap, 0, nullptr, w, h, 32, 0);
  if (!image) Fail("cannot make an image");
  image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * h));
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) XPutPixel(image, x, y, picture.Get(x, y));
  GC gc = XCreateGC(d, pixmap, 0, nullptr);
  XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, w, h);
  XFreeGC(d, gc);
  XDestroyImage(image);
  for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
    XChangeProperty(d, root, XInternAtom(d, name, False), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pixmap), 1);
  XSetWindowBackgroundPixmap(d, root, pixmap);
  XClearWindow(d, root);
  XCloseDisplay(d);
}

// A grey bar with a lighter button on it, in an override-redirect window of
// no type, and the work area above or below it.
[[noreturn]] void ShowPanel(const tk::Rect& r) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) Fail("no X display");
  const int screen = DefaultScreen(d);
  const Window root = RootWindow(d, screen);
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = 0x303438;
  Window panel = XCreateWindow(d, root, r.x, r.y, static_cast<unsigned>(r.w),
                               static_cast<unsigned>(r.h), 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
  a.background_pixel = 0x7090B0;
  XCreateWindow(d, panel, 4, 4, 40, static_cast<unsigned>(std::max(1, r.h - 8)), 0, CopyFromParent,
                InputOutput, CopyFromParent, CWBackPixel, &a);
  XMapSubwindows(d, panel);
  XMapWindow(d, panel);
  const int sh = DisplayHeight(d, screen), top = r.y == 0 ? r.h : 0;
  long work[4] = {0, top, DisplayWidth(d, screen), sh - r.h};
  XChangeProperty(d, root, XInternAtom(d, "_NET_WORKAREA", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(work), 4);
  XSync(d, False);
  for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  const std::string cmd = a.empty() ? "" : a[0];
  const bool picture = cmd == "diff" || cmd == "bbox", trace = cmd == "field" || cmd == "count";
  // Options follow the `fixed` arguments; all but --first take a value.
  const size_t fixed = cmd == "field" ? 4 : picture || trace ? 3 : 2;
  if (a.size() < fixed)
    Fail(
        "usage: diff | bbox | size | field | count | set-root-pixmap | show-panel (see the "
        "source)");
  std::optional<tk::Rect> region;
  std::vector<tk::Rect> exclude;
  std::string whereKey, whereValue;
  bool first = false;
  for (size_t i = fixed; i < a.size(); ++i) {
    const std::string& option = a[i];
    if (trace && option == "--first") {
      first = true;
      continue;
    }
    if (++i >= a.size()) Fail(option + " needs a value");
    const std::string& value = a[i];
    const size_t eq = value.find('=');
    if (picture && option == "--region") {
      region = RectArg(value);
    } else if (picture && option == "--exclude") {
      exclude.push_back(RectArg(value));
    } else if (trace && option == "--where" && eq != std::string::npos) {
      whereKey = value.substr(0, eq);
      whereValue = value.substr(eq + 1);
    } else {
      Fail("unknown option " + option);
    }
  }

  if (cmd == "diff") {
    std::printf("%lld\n",
                static_cast<long long>(CountDifferences(Load(a[1]), Load(a[2]), region, exclude)));
  } else if (cmd == "bbox") {
    if (!region) Fail("bbox needs --region");
    auto box = DifferenceBox(Load(a[1]), Load(a[2]), *region);
    if (box)
      std::printf("%d %d %d %d\n", box->x, box->y, box->w, box->h);
    else
      std::printf("none\n");
  } else if (cmd == "size" && a.size() == 2) {
    tk::Surface p = Load(a[1]);
    std::printf("%d %d\n", p.Width(), p.Height());
  } else if (cmd == "show-panel" && a.size() == 2) {
    ShowPanel(RectArg(a[1]));
  } else if (cmd == "set-root-pixmap" && a.size() == 2) {
    SetRootPixmap(Load(a[1]));
  } else if (trace) {
    // The EVENT lines with KEY=VALUE, in order.
    std::vector<TraceFields> events;
    std::ifstream in(a[1]);
    std::string line;
    TraceFields f;
    while (std::getline(in, line)) {
      if (!ParseTraceLine(line, f) || f["ev"] != a[2]) continue;
      if (whereKey.empty() || (f.count(whereKey) && f[whereKey] == whereValue)) events.push_back(f);
    }
    if (cmd == "count") {
      std::printf("%zu\n", events.size());
      return 0;
    }
    if (events.empty() || !(first ? events.front() : events.back()).count(a[3])) return 1;
    std::printf("%s\n", (first ? events.front() : events.back())[a[3]].c_str());
  } else {
    Fail("unknown command " + cmd);
  }
  return 0;
}
