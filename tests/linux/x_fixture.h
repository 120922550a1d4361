// Tests that need an X server. They change the root window's properties and
// create dock and desktop windows, so they run only on a scratch server: the
// end-to-end script starts one and sets LUMBRAVICK_X_TESTS=1. Elsewhere they
// skip.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <initializer_list>
#include <vector>
#include <string>

// After the toolkit's headers (Xlib's macros clash with them).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

// Xlib's names that clash with the toolkit's (the tests use neither).
#undef KeyPress
#undef None

namespace xtest {

// GTK on the scratch display, once per process; false when there is none.
inline bool Ready() {
  static int state = -1;
  if (state < 0) {
    const char* allowed = std::getenv("LUMBRAVICK_X_TESTS");
    const char* display = std::getenv("DISPLAY");
    state = 0;
    if (allowed && std::string(allowed) == "1" && display && *display) {
      gdk_set_allowed_backends("x11");
      state = gtk_init_check(nullptr, nullptr) ? 1 : 0;
    }
  }
  return state == 1;
}

inline Display* Dpy() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }
inline Window Root() { return DefaultRootWindow(Dpy()); }
inline Atom A(const char* name) { return XInternAtom(Dpy(), name, False); }

// A plain window (no window manager on the scratch server), optionally with
// an EWMH window type and state, filled with one colour.
inline Window MakeWindow(int x, int y, int w, int h, unsigned long pixel, const char* type = nullptr,
                         std::initializer_list<Atom> states = {}, bool map = true) {
  XSetWindowAttributes a{};
  a.background_pixel = pixel;
  a.override_redirect = False;
  Window win = XCreateWindow(Dpy(), Root(), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                             CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &a);
  if (type) {
    Atom t = A(type);
    XChangeProperty(Dpy(), win, A("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&t), 1);
  }
  if (states.size()) {
    std::vector<Atom> s(states);
    XChangeProperty(Dpy(), win, A("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(s.data()), static_cast<int>(s.size()));
  }
  if (map) XMapWindow(Dpy(), win);
  XSync(Dpy(), False);
  return win;
}

inline int MapState(Window w) {
  XWindowAttributes a{};
  XGetWindowAttributes(Dpy(), w, &a);
  return a.map_state;
}

inline std::vector<Atom> AtomList(Window w, const char* property) {
  std::vector<Atom> out;
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(Dpy(), w, A(property), 0, 64, False, XA_ATOM, &type, &format, &n, &after, &data) ==
          Success &&
      type == XA_ATOM) {
    auto* items = reinterpret_cast<Atom*>(data);
    out.assign(items, items + n);
  }
  if (data) XFree(data);
  return out;
}

}  // namespace xtest

#define REQUIRE_X()                                                                      \
  do {                                                                                   \
    if (!xtest::Ready()) GTEST_SKIP() << "needs a scratch X server (LUMBRAVICK_X_TESTS=1)"; \
  } while (0)
