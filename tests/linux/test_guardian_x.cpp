// Giving windows back on a real (scratch) X server: only the window that was
// hidden, in its place and with its state, also after X has handed the
// hidden window's id to another window.
#include <string>

#include "tests/linux/x_fixture.h"
#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/x11_desktop.h"

#include <X11/Xutil.h>

using tk::gtkx::GiveBackResult;
using tk::gtkx::HiddenWindow;
using xtest::MapState;

namespace {

// A client of its own, as a panel is: its windows go when it goes, and the
// next client to connect is handed the same ids.
class Client {
 public:
  Client() : display_(XOpenDisplay(nullptr)) {}
  ~Client() { Close(); }
  void Close() {
    if (display_) XCloseDisplay(display_);
    display_ = nullptr;
  }
  // A dock window of class `name`, mapped unless told otherwise.
  Window Dock(const char* name, bool map = true) {
    Window w =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 700, 320, 24, 0, 0, 0x303030);
    XClassHint hint{const_cast<char*>(name), const_cast<char*>(name)};
    XSetClassHint(display_, w, &hint);
    Atom dock = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&dock), 1);
    if (map) XMapWindow(display_, w);
    XSync(display_, False);
    return w;
  }

 private:
  Display* display_;
};

HiddenWindow Hide(Window w) {
  HiddenWindow saved;
  EXPECT_TRUE(tk::gtkx::ReadWindow(xtest::Dpy(), w, saved));
  XUnmapWindow(xtest::Dpy(), w);
  xtest::DeleteProperty(w, "_NET_WM_STATE");  // what a window manager does on withdrawal
  return saved;
}

std::vector<Atom> States(Window w) {
  HiddenWindow now;
  tk::gtkx::ReadWindow(xtest::Dpy(), w, now);
  return std::vector<Atom>(now.states, now.states + now.stateCount);
}

}  // namespace

TEST(GiveBack, OnlyTheWindowThatWasHiddenComesBackInItsPlaceWithItsState) {
  REQUIRE_X();
  tk::gtkx::XErrorTrap trap(xtest::Dpy());
  const Atom above = xtest::A("_NET_WM_STATE_ABOVE");
  Client panel;
  Window dock = panel.Dock("panel");
  xtest::SetAtoms(dock, "_NET_WM_STATE", {above});
  HiddenWindow saved = Hide(dock);
  EXPECT_EQ(saved.type, xtest::A("_NET_WM_WINDOW_TYPE_DOCK"));
  EXPECT_STREQ(saved.windowClass, "panel.panel");
  // A window manager that places a window mapped again as it likes.
  XMoveWindow(xtest::Dpy(), dock, 40, 0);
  EXPECT_EQ(tk::gtkx::GiveBackWindow(xtest::Dpy(), saved), GiveBackResult::Mapped);
  XSync(xtest::Dpy(), False);
  EXPECT_EQ(MapState(dock), IsViewable);
  EXPECT_EQ(States(dock), std::vector<Atom>{above});
  HiddenWindow now;
  tk::gtkx::ReadWindow(xtest::Dpy(), dock, now);
  EXPECT_EQ(std::make_tuple(now.x, now.y, now.width, now.height), std::make_tuple(0, 700, 320, 24));
  EXPECT_EQ(tk::gtkx::GiveBackWindow(xtest::Dpy(), saved), GiveBackResult::AlreadyShown);

  // The panel dies while hidden; the next client gets its id.
  saved = Hide(dock);
  panel.Close();
  EXPECT_EQ(tk::gtkx::GiveBackWindow(xtest::Dpy(), saved), GiveBackResult::Gone);
  {
    Client intruder;
    Window other = intruder.Dock("intruder", false);
    ASSERT_EQ(other, dock) << "the X server handed the freed id on";
    EXPECT_EQ(tk::gtkx::GiveBackWindow(xtest::Dpy(), saved), GiveBackResult::Foreign);
    EXPECT_EQ(MapState(other), IsUnmapped);
  }
  // The panel restarted and took the id again: it showed itself, with a
  // state of its own that must stay.
  Client restarted;
  Window again = restarted.Dock("panel");
  ASSERT_EQ(again, dock);
  EXPECT_EQ(tk::gtkx::GiveBackWindow(xtest::Dpy(), saved), GiveBackResult::AlreadyShown);
  EXPECT_TRUE(States(again).empty());
}
