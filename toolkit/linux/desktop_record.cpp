#include "toolkit/linux/desktop_record.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

namespace tk::gtkx {

namespace {

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

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
    return true;
  }
  return false;
}

void DesktopRecord::Remove(XWindowId window) {
  for (Slot& s : slots_)
    if (s.used && s.window.window == window) s.used = 0;
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
    MapWithState(display, s.window);
    s.used = 0;
    return true;
  }
  return false;
}

void DesktopRecord::GiveBack(XDisplay* display) {
  for (int i = Latest(); i >= 0; i = Latest()) {
    MapWithState(display, slots_[i].window);
    slots_[i].used = 0;
  }
  XFlush(display);
}

void DesktopRecord::GiveBackThroughNewConnection() {
  if (Count() == 0) return;
  Display* display = XOpenDisplay(display_name_[0] ? display_name_ : nullptr);
  if (!display) return;
  XSetErrorHandler(IgnoreErrors);
  GiveBack(display);
  XSync(display, False);
  XCloseDisplay(display);
}

void DesktopRecord::Clear() {
  for (Slot& s : slots_) s.used = 0;
}

void MapWithState(XDisplay* display, const HiddenWindow& saved) {
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  if (saved.hadState) {
    XChangeProperty(display, saved.window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(saved.states), saved.stateCount);
  } else {
    XDeleteProperty(display, saved.window, state);
  }
  XMapWindow(display, saved.window);
}

}  // namespace tk::gtkx
