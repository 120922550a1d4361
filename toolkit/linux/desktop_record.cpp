#include "toolkit/linux/desktop_record.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace tk::gtkx {

namespace {

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// The atoms of a property of type ATOM, at most `max`; -1 when the window
// has no such property.
int ReadAtoms(Display* d, Window w, const char* property, Atom* out, int max) {
  Atom actual = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, XInternAtom(d, property, False), 0, 1024, False, XA_ATOM, &actual,
                         &format, &count, &after, &data) != Success)
    return -1;
  int n = -1;
  if (actual == XA_ATOM && format == 32) {
    n = static_cast<int>(count < static_cast<unsigned long>(max) ? count : max);
    std::memcpy(out, data, sizeof(Atom) * static_cast<size_t>(n));
  }
  if (data) XFree(data);
  return n;
}

// WM_CLASS as "name.class"; empty when the window has none.
void ReadClass(Display* d, Window w, char* out, size_t size) {
  out[0] = '\0';
  XClassHint hint{};
  if (!XGetClassHint(d, w, &hint)) return;
  std::snprintf(out, size, "%s.%s", hint.res_name ? hint.res_name : "",
                hint.res_class ? hint.res_class : "");
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
}

bool StillTheSame(Display* d, const HiddenWindow& saved) {
  if (saved.type) {
    Atom types[32];
    int n = ReadAtoms(d, saved.window, "_NET_WM_WINDOW_TYPE", types, 32);
    bool found = false;
    for (int i = 0; i < n; ++i) found = found || types[i] == saved.type;
    if (!found) return false;
  }
  if (saved.windowClass[0]) {
    char now[HiddenWindow::kMaxClass];
    ReadClass(d, saved.window, now, sizeof now);
    if (std::strcmp(now, saved.windowClass) != 0) return false;
  }
  return true;
}

std::string AtomName(Display* d, Atom atom) {
  char* name = atom ? XGetAtomName(d, atom) : nullptr;
  std::string text = name ? name : "";
  if (name) XFree(name);
  return text;
}

}  // namespace

DesktopRecord& Record() {
  static DesktopRecord record;
  return record;
}

void DesktopRecord::SetDisplayName(const char* name) {
  std::strncpy(display_name_, name ? name : "", sizeof display_name_ - 1);
  display_name_[sizeof display_name_ - 1] = '\0';
}

bool DesktopRecord::Add(const HiddenWindow& w) {
  if (Contains(w.window)) return true;
  for (Slot& s : slots_) {
    if (s.used) continue;
    s.window = w;
    s.sequence = ++sequence_;
    s.used = 1;
    if (listener_) listener_->Hiding(w);
    return true;
  }
  return false;
}

void DesktopRecord::Remove(XWindowId window) {
  for (Slot& s : slots_)
    if (s.used && s.window.window == window) s.used = 0;
  if (listener_) listener_->GivenBack(window);
}

bool DesktopRecord::Contains(XWindowId window) const {
  for (const Slot& s : slots_)
    if (s.used && s.window.window == window) return true;
  return false;
}

int DesktopRecord::Count() const {
  int n = 0;
  for (const Slot& s : slots_) n += s.used ? 1 : 0;
  return n;
}

int DesktopRecord::Latest() const {
  int best = -1;
  for (int i = 0; i < kMaxWindows; ++i)
    if (slots_[i].used && (best < 0 || slots_[i].sequence > slots_[best].sequence)) best = i;
  return best;
}

bool DesktopRecord::GiveBackOne(XDisplay* display, XWindowId window) {
  for (Slot& s : slots_) {
    if (!s.used || s.window.window != window) continue;
    GiveBackWindow(display, s.window);
    s.used = 0;
    if (listener_) listener_->GivenBack(window);
    return true;
  }
  return false;
}

void DesktopRecord::GiveBackAll(XDisplay* display) {
  for (int i = Latest(); i >= 0; i = Latest()) {
    GiveBackWindow(display, slots_[i].window);
    slots_[i].used = 0;
  }
  XFlush(display);
}

void DesktopRecord::GiveBack(XDisplay* display) {
  GiveBackAll(display);
  if (listener_) listener_->AllGivenBack();
}

void DesktopRecord::GiveBackThroughNewConnection() {
  if (Count() == 0) return;
  Display* display = XOpenDisplay(display_name_[0] ? display_name_ : nullptr);
  if (!display) return;
  XSetErrorHandler(IgnoreErrors);
  GiveBackAll(display);
  XSync(display, False);
  XCloseDisplay(display);
}

void DesktopRecord::Clear() {
  for (Slot& s : slots_) s.used = 0;
}

bool ReadWindow(XDisplay* display, XWindowId window, HiddenWindow& out) {
  out = HiddenWindow{};
  out.window = window;
  XWindowAttributes a{};
  if (!XGetWindowAttributes(display, window, &a)) return false;
  Window child = 0;
  if (XTranslateCoordinates(display, window, a.root, 0, 0, &out.x, &out.y, &child)) {
    out.hasPlace = a.width > 0 && a.height > 0;
    out.x -= a.border_width;
    out.y -= a.border_width;
    out.width = a.width;
    out.height = a.height;
  }
  Atom types[1];
  if (ReadAtoms(display, window, "_NET_WM_WINDOW_TYPE", types, 1) == 1) out.type = types[0];
  ReadClass(display, window, out.windowClass, sizeof out.windowClass);
  int n = ReadAtoms(display, window, "_NET_WM_STATE", out.states, HiddenWindow::kMaxStates);
  out.hadState = n >= 0;
  out.stateCount = n > 0 ? n : 0;
  return true;
}

GiveBackResult GiveBackWindow(XDisplay* display, const HiddenWindow& saved) {
  XWindowAttributes a{};
  if (!XGetWindowAttributes(display, saved.window, &a)) return GiveBackResult::Gone;
  if (a.map_state != IsUnmapped) return GiveBackResult::AlreadyShown;
  if (!StillTheSame(display, saved)) return GiveBackResult::Foreign;
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  if (saved.hadState) {
    XChangeProperty(display, saved.window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(saved.states), saved.stateCount);
  } else {
    XDeleteProperty(display, saved.window, state);
  }
  XMapWindow(display, saved.window);
  // After the map: a window manager handles the map request first (and
  // places the window as it likes), then this move.
  if (saved.hasPlace)
    XMoveResizeWindow(display, saved.window, saved.x, saved.y, static_cast<unsigned>(saved.width),
                      static_cast<unsigned>(saved.height));
  return GiveBackResult::Mapped;
}

guardian::HiddenItem ItemOf(XDisplay* display, const HiddenWindow& w) {
  guardian::HiddenItem item;
  item.kind = AtomName(display, w.type);
  item.id = w.window;
  item.windowClass = w.windowClass;
  if (w.hasPlace) item.place = Rect{w.x, w.y, w.width, w.height};
  item.hadState = w.hadState;
  for (int i = 0; i < w.stateCount; ++i) item.states.push_back(AtomName(display, w.states[i]));
  return item;
}

HiddenWindow WindowOf(XDisplay* display, const guardian::HiddenItem& item) {
  HiddenWindow w;
  w.window = static_cast<XWindowId>(item.id);
  w.type = item.kind.empty() ? 0 : XInternAtom(display, item.kind.c_str(), False);
  std::snprintf(w.windowClass, sizeof w.windowClass, "%s", item.windowClass.c_str());
  if (item.place) {
    w.hasPlace = true;
    w.x = item.place->x;
    w.y = item.place->y;
    w.width = item.place->w;
    w.height = item.place->h;
  }
  w.hadState = item.hadState;
  for (const std::string& name : item.states) {
    if (w.stateCount == HiddenWindow::kMaxStates) break;
    w.states[w.stateCount++] = XInternAtom(display, name.c_str(), False);
  }
  return w;
}

}  // namespace tk::gtkx
