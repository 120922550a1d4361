// The desktop operations against a real (scratch) X server.
#include <sys/select.h>

#include <chrono>
#include <thread>

#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/x11_desktop.h"
#include "tests/linux/x_fixture.h"

using tk::Rgb;
using tk::Surface;
using tk::gtkx::DesktopRecord;
using tk::gtkx::X11Desktop;

namespace {

class X11DesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_X();
    XDeleteProperty(xtest::Dpy(), xtest::Root(), xtest::A("_XROOTPMAP_ID"));
    XDeleteProperty(xtest::Dpy(), xtest::Root(), xtest::A("_NET_SUPPORTED"));
    XDeleteProperty(xtest::Dpy(), xtest::Root(), xtest::A("_NET_CLIENT_LIST"));
    XSync(xtest::Dpy(), False);
    record.SetDisplayName(DisplayString(xtest::Dpy()));
  }
  void TearDown() override {
    if (!xtest::Ready()) return;
    for (Window w : windows) XDestroyWindow(xtest::Dpy(), w);
    for (Pixmap p : pixmaps) XFreePixmap(xtest::Dpy(), p);
    XDeleteProperty(xtest::Dpy(), xtest::Root(), xtest::A("_XROOTPMAP_ID"));
    XSync(xtest::Dpy(), False);
  }
  Window Make(int x, int y, int w, int h, unsigned long pixel, const char* type = nullptr,
              std::initializer_list<Atom> states = {}, bool map = true) {
    windows.push_back(xtest::MakeWindow(x, y, w, h, pixel, type, states, map));
    return windows.back();
  }
  // A pixmap of the given depth whose pixel (x, y) is colours[y * w + x],
  // set as the root's wallpaper.
  Pixmap Wallpaper(int depth, int w, int h, const std::vector<tk::Color>& colours) {
    Display* d = xtest::Dpy();
    Pixmap p = XCreatePixmap(d, xtest::Root(), static_cast<unsigned>(w), static_cast<unsigned>(h),
                             static_cast<unsigned>(depth));
    pixmaps.push_back(p);
    XImage* img = XCreateImage(d, nullptr, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
    img->data = static_cast<char*>(calloc(static_cast<size_t>(img->bytes_per_line), static_cast<size_t>(h)));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        XPutPixel(img, x, y, colours[static_cast<size_t>(y * w + x)] | (depth == 32 ? 0xFF000000ul : 0));
    GC gc = XCreateGC(d, p, 0, nullptr);
    XPutImage(d, p, gc, img, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFreeGC(d, gc);
    XDestroyImage(img);
    XChangeProperty(d, xtest::Root(), xtest::A("_XROOTPMAP_ID"), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&p), 1);
    XSync(d, False);
    return p;
  }
  static bool HasDepth(int depth) {
    int n = 0;
    int* depths = XListDepths(xtest::Dpy(), DefaultScreen(xtest::Dpy()), &n);
    bool found = false;
    for (int i = 0; i < n; ++i) found = found || depths[i] == depth;
    if (depths) XFree(depths);
    return found;
  }

  DesktopRecord record;
  std::vector<Window> windows;
  std::vector<Pixmap> pixmaps;
};

}  // namespace

TEST_F(X11DesktopTest, AScreenCaptureSeesWhatIsOnTheScreen) {
  Make(100, 50, 40, 30, 0x12A4C8);
  X11Desktop desktop(xtest::Dpy(), record);
  Surface whole(300, 200);
  ASSERT_TRUE(desktop.GrabScreen(whole));
  EXPECT_EQ(whole.Get(100, 50), Rgb(0x12, 0xA4, 0xC8));
  EXPECT_EQ(whole.Get(139, 79), Rgb(0x12, 0xA4, 0xC8));
  // Only the primary area, copied to (0, 0) of the target.
  desktop.SetPrimary({100, 50, 40, 30});
  Surface part(40, 30, Rgb(1, 1, 1));
  ASSERT_TRUE(desktop.GrabScreen(part));
  for (tk::Color c : part.Pixels()) ASSERT_EQ(c, Rgb(0x12, 0xA4, 0xC8));
  // A target smaller than the screen gets what it can hold.
  Surface small(10, 5);
  ASSERT_TRUE(desktop.GrabScreen(small));
  EXPECT_EQ(small.Get(9, 4), Rgb(0x12, 0xA4, 0xC8));
}

TEST_F(X11DesktopTest, CaptureWaitsForTheScreenToSettle) {
  Window w = Make(10, 10, 20, 20, 0x000000);
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.SetPrimary({10, 10, 20, 20});
  Surface target(20, 20);
  int pauses = 0;
  // The window changes colour during the first two pauses: the capture must
  // show its last colour.
  ASSERT_TRUE(desktop.Capture(target, 8, [&] {
    if (++pauses <= 2) {
      XSetWindowBackground(xtest::Dpy(), w, pauses == 1 ? 0x00FF00 : 0x0000FF);
      XClearWindow(xtest::Dpy(), w);
      XSync(xtest::Dpy(), False);
    }
  }));
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(target.Get(5, 5), Rgb(0, 0, 255));
}

TEST_F(X11DesktopTest, TheWallpaperPixmapIsReadThroughItsMasksAndTiled) {
  X11Desktop desktop(xtest::Dpy(), record);
  Surface target(5, 3);
  EXPECT_FALSE(desktop.GrabWallpaper(target)) << "no _XROOTPMAP_ID yet";
  const std::vector<tk::Color> tile = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255),
                                       Rgb(10, 20, 30), Rgb(40, 50, 60), Rgb(70, 80, 90)};
  for (int depth : {24, 32}) {
    if (!HasDepth(depth)) continue;
    SCOPED_TRACE(depth);
    Wallpaper(depth, 3, 2, tile);
    desktop.SetPrimary({1, 1, 5, 3});
    target.Fill(0);
    ASSERT_TRUE(desktop.GrabWallpaper(target));
    // Root (1+x, 1+y) shows tile ((1+x) % 3, (1+y) % 2).
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(target.Get(x, y), tile[static_cast<size_t>(((1 + y) % 2) * 3 + (1 + x) % 3)]) << x << "," << y;
  }
}

TEST_F(X11DesktopTest, AWallpaperPropertyNamingNoPixmapIsNoWallpaper) {
  Pixmap p = XCreatePixmap(xtest::Dpy(), xtest::Root(), 4, 4, static_cast<unsigned>(DefaultDepth(xtest::Dpy(), 0)));
  XFreePixmap(xtest::Dpy(), p);
  XChangeProperty(xtest::Dpy(), xtest::Root(), xtest::A("_XROOTPMAP_ID"), XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&p), 1);
  XSync(xtest::Dpy(), False);
  X11Desktop desktop(xtest::Dpy(), record);
  Surface target(4, 4);
  EXPECT_FALSE(desktop.GrabWallpaper(target));
}

TEST_F(X11DesktopTest, DocksAreUnmappedAndComeBackWithTheirState) {
  const Atom above = xtest::A("_NET_WM_STATE_ABOVE"), sticky = xtest::A("_NET_WM_STATE_STICKY");
  Window dock = Make(0, 560, 300, 30, 0x303030, "_NET_WM_WINDOW_TYPE_DOCK", {above, sticky});
  Window hiddenDock = Make(0, 0, 300, 20, 0x303030, "_NET_WM_WINDOW_TYPE_DOCK", {}, false);
  Window normal = Make(50, 50, 30, 30, 0xFFFFFF, "_NET_WM_WINDOW_TYPE_NORMAL");
  X11Desktop desktop(xtest::Dpy(), record);

  desktop.SetDocksVisible(false);
  EXPECT_EQ(xtest::MapState(dock), IsUnmapped);
  EXPECT_EQ(xtest::MapState(normal), IsViewable) << "only docks";
  EXPECT_TRUE(record.Contains(dock));
  EXPECT_FALSE(record.Contains(hiddenDock)) << "a dock that was not shown is left alone";
  // What a window manager does on withdrawal.
  XDeleteProperty(xtest::Dpy(), dock, xtest::A("_NET_WM_STATE"));
  XSync(xtest::Dpy(), False);

  desktop.SetDocksVisible(true);
  EXPECT_EQ(xtest::MapState(dock), IsViewable);
  EXPECT_EQ(xtest::AtomList(dock, "_NET_WM_STATE"), (std::vector<Atom>{above, sticky}));
  EXPECT_EQ(xtest::MapState(hiddenDock), IsUnmapped);
  EXPECT_EQ(record.Count(), 0);
}

TEST_F(X11DesktopTest, TheProgramsOwnWindowsAreNeverHidden) {
  Window own = Make(0, 0, 50, 10, 0x101010, "_NET_WM_WINDOW_TYPE_DOCK");
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.SetOwnWindowFilter([own](tk::gtkx::XWindowId w) { return w == own; });
  desktop.SetDocksVisible(false);
  EXPECT_EQ(xtest::MapState(own), IsViewable);
  EXPECT_EQ(record.Count(), 0);
}

TEST_F(X11DesktopTest, AnEmergencyGivesBackThroughAFreshConnection) {
  const Atom below = xtest::A("_NET_WM_STATE_BELOW");
  Window dock = Make(0, 560, 300, 30, 0x303030, "_NET_WM_WINDOW_TYPE_DOCK", {below});
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.SetDocksVisible(false);
  ASSERT_EQ(xtest::MapState(dock), IsUnmapped);
  XDeleteProperty(xtest::Dpy(), dock, xtest::A("_NET_WM_STATE"));
  XSync(xtest::Dpy(), False);
  record.GiveBackThroughNewConnection();
  XSync(xtest::Dpy(), False);
  EXPECT_EQ(xtest::MapState(dock), IsViewable);
  EXPECT_EQ(xtest::AtomList(dock, "_NET_WM_STATE"), std::vector<Atom>{below});
  EXPECT_EQ(record.Count(), 0);
  // The normal way back afterwards finds nothing left to do.
  desktop.SetDocksVisible(true);
  EXPECT_EQ(xtest::MapState(dock), IsViewable);
}

TEST_F(X11DesktopTest, WithoutAWallpaperPixmapTheDesktopWindowIsUnmappedForTheCapture) {
  Window desk = Make(0, 0, 200, 150, 0x336699, "_NET_WM_WINDOW_TYPE_DESKTOP");
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.SetIconLayerVisible(false);
  EXPECT_FALSE(desktop.UsingWallpaperPixmap());
  EXPECT_EQ(xtest::MapState(desk), IsUnmapped);
  EXPECT_TRUE(record.Contains(desk));
  desktop.SetIconLayerVisible(true);
  EXPECT_EQ(xtest::MapState(desk), IsViewable);
  EXPECT_EQ(record.Count(), 0);
}

TEST_F(X11DesktopTest, WithAWallpaperPixmapTheDesktopStaysAndTheCaptureIsTheWallpaper) {
  Window desk = Make(0, 0, 200, 150, 0x336699, "_NET_WM_WINDOW_TYPE_DESKTOP");
  Wallpaper(DefaultDepth(xtest::Dpy(), 0), 1, 1, {Rgb(9, 99, 199)});
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.SetPrimary({0, 0, 200, 150});
  desktop.SetIconLayerVisible(false);
  EXPECT_TRUE(desktop.UsingWallpaperPixmap());
  EXPECT_EQ(xtest::MapState(desk), IsViewable);
  Surface shot(200, 150);
  ASSERT_TRUE(desktop.Capture(shot, 4, [] {}));
  EXPECT_EQ(shot.Get(100, 100), Rgb(9, 99, 199));
  desktop.SetIconLayerVisible(true);
  ASSERT_TRUE(desktop.Capture(shot, 4, [] {}));
  EXPECT_EQ(shot.Get(100, 100), Rgb(0x33, 0x66, 0x99)) << "with the icon layer the screen again";
}

namespace {

// The next client message sent to the root, as another client sees it.
bool NextRootMessage(Display* watcher, XEvent& out) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < until) {
    while (XPending(watcher)) {
      XNextEvent(watcher, &out);
      if (out.type == ClientMessage) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

TEST_F(X11DesktopTest, MinimisingAllAsksTheWindowManager) {
  Display* watcher = XOpenDisplay(DisplayString(xtest::Dpy()));
  ASSERT_TRUE(watcher);
  XSelectInput(watcher, DefaultRootWindow(watcher), SubstructureNotifyMask);
  XSync(watcher, False);

  // A window manager that shows the desktop: the mode is set, not toggled.
  Atom showing = xtest::A("_NET_SHOWING_DESKTOP");
  XChangeProperty(xtest::Dpy(), xtest::Root(), xtest::A("_NET_SUPPORTED"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&showing), 1);
  XSync(xtest::Dpy(), False);
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.MinimiseAll();
  XEvent e{};
  ASSERT_TRUE(NextRootMessage(watcher, e));
  EXPECT_EQ(e.xclient.message_type, showing);
  EXPECT_EQ(e.xclient.data.l[0], 1);

  // One that does not: each listed client is asked to iconify.
  XDeleteProperty(xtest::Dpy(), xtest::Root(), xtest::A("_NET_SUPPORTED"));
  Window app = Make(20, 20, 50, 50, 0xAAAAAA, "_NET_WM_WINDOW_TYPE_NORMAL");
  Window dock = Make(0, 0, 50, 10, 0x101010, "_NET_WM_WINDOW_TYPE_DOCK");
  Window list[] = {dock, app};
  XChangeProperty(xtest::Dpy(), xtest::Root(), xtest::A("_NET_CLIENT_LIST"), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(list), 2);
  XSync(xtest::Dpy(), False);
  desktop.MinimiseAll();
  ASSERT_TRUE(NextRootMessage(watcher, e));
  EXPECT_EQ(e.xclient.message_type, xtest::A("WM_CHANGE_STATE"));
  EXPECT_EQ(e.xclient.window, app) << "the dock is not a window to minimise";
  EXPECT_EQ(e.xclient.data.l[0], IconicState);
  EXPECT_FALSE(NextRootMessage(watcher, e)) << "only one request";
  XCloseDisplay(watcher);
}

TEST_F(X11DesktopTest, ThePointerFollowsTheDisplayCounter) {
  X11Desktop desktop(xtest::Dpy(), record);
  EXPECT_EQ(desktop.ShowCursor(false), -1);
  EXPECT_TRUE(desktop.CursorHidden());
  EXPECT_EQ(desktop.ShowCursor(false), -2);
  EXPECT_EQ(desktop.ShowCursor(true), -1);
  EXPECT_TRUE(desktop.CursorHidden()) << "visible only from 0 up";
  EXPECT_EQ(desktop.ShowCursor(true), 0);
  EXPECT_FALSE(desktop.CursorHidden());
  EXPECT_EQ(desktop.ShowCursor(true), 1);
  EXPECT_EQ(desktop.ShowCursor(false), 0);
  EXPECT_FALSE(desktop.CursorHidden());
  desktop.ShowCursor(false);
  desktop.GiveBackAll();
  EXPECT_FALSE(desktop.CursorHidden());
  EXPECT_EQ(desktop.CursorCount(), 0);
}

TEST_F(X11DesktopTest, WarpingMovesThePointer) {
  X11Desktop desktop(xtest::Dpy(), record);
  desktop.WarpPointer(123, 45);
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  ASSERT_TRUE(XQueryPointer(xtest::Dpy(), xtest::Root(), &root, &child, &rx, &ry, &wx, &wy, &mask));
  EXPECT_EQ(rx, 123);
  EXPECT_EQ(ry, 45);
}
