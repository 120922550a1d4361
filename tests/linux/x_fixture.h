// Helpers of the backend's tests. Those that need an X server change the root
// window's properties and create dock and desktop windows, so they run only on
// a scratch server: the end-to-end script starts one and sets
// LUMBRAVICK_X_TESTS=1. Elsewhere they skip.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// After the toolkit's headers (Xlib's macros clash with them).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

// Xlib's names that clash with the toolkit's (the tests use neither).
#undef KeyPress
#undef None

namespace xtest {

// A fresh folder under /tmp, removed with everything in it afterwards.
class TempDir {
 public:
  ~TempDir() { (void)!std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_ = mkdtemp(std::string("/tmp/lumbravick-test.XXXXXX").data());
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// GTK on the scratch display, once per process; false when there is none.
inline bool Ready() {
  static const bool ready = [] {
    const char* allowed = getenv("LUMBRAVICK_X_TESTS");
    const char* display = getenv("DISPLAY");
    if (!allowed || std::string(allowed) != "1" || !display || !*display) return false;
    gdk_set_allowed_backends("x11");
    return gtk_init_check(nullptr, nullptr) == TRUE;
  }();
  return ready;
}

inline Display* Dpy() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }
inline Window Root() { return DefaultRootWindow(Dpy()); }
inline Atom A(const char* name) { return XInternAtom(Dpy(), name, False); }

inline void SetAtoms(Window w, const char* property, std::vector<Atom> atoms, Atom type = XA_ATOM) {
  XChangeProperty(Dpy(), w, A(property), type, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
  XSync(Dpy(), False);
}

inline void DeleteProperty(Window w, const char* property) {
  XDeleteProperty(Dpy(), w, A(property));
  XSync(Dpy(), False);
}

inline int MapState(Window w) {
  XWindowAttributes a{};
  XGetWindowAttributes(Dpy(), w, &a);
  return a.map_state;
}

}  // namespace xtest

#define REQUIRE_X()                                                                         \
  do {                                                                                      \
    if (!xtest::Ready()) GTEST_SKIP() << "needs a scratch X server (LUMBRAVICK_X_TESTS=1)"; \
  } while (0)
