// The desktop operations against a real (scratch) X server.
#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "tests/linux/x_fixture.h"
#include "toolkit/desktop_pictures.h"
#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/x11_desktop.h"

using tk::Rgb;
using tk::Surface;
using tk::gtkx::X11Desktop;
using xtest::MapState;

namespace {

class X11DesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_X();
    for (const char* p : {"_XROOTPMAP_ID", "_NET_SUPPORTED", "_NET_CLIENT_LIST", "_NET_WORKAREA"})
      xtest::DeleteProperty(Root(), p);
    record.SetDisplayName(DisplayString(xtest::Dpy()));
    desktop = std::make_unique<X11Desktop>(xtest::Dpy(), record);
  }
  void TearDown() override {
    if (!desktop) return;
    desktop.reset();
    for (Window w : windows) XDestroyWindow(xtest::Dpy(), w);
    for (Pixmap p : pixmaps) XFreePixmap(xtest::Dpy(), p);
    xtest::DeleteProperty(Root(), "_XROOTPMAP_ID");
  }
  static Window Root() { return xtest::Root(); }
  // A plain window (no window manager on the scratch server), optionally with
  // an EWMH window type and state, filled with one colour.
  Window Make(int x, int y, int w, int h, unsigned long pixel, const char* type = nullptr,
              std::initializer_list<Atom> states = {}, bool map = true) {
    XSetWindowAttributes a{};
    a.background_pixel = pixel;
    Window win = XCreateWindow(xtest::Dpy(), Root(), x, y, unsigned(w), unsigned(h), 0,
                               CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &a);
    windows.push_back(win);
    if (type) xtest::SetAtoms(win, "_NET_WM_WINDOW_TYPE", {xtest::A(type)});
    if (states.size()) xtest::SetAtoms(win, "_NET_WM_STATE", states);
    if (map) XMapWindow(xtest::Dpy(), win);
    XSync(xtest::Dpy(), False);
    return win;
  }
  // A pixmap of the given depth and width holding `colours` row by row, set
  // as the root's wallpaper.
  void Wallpaper(int depth, int w, const std::vector<tk::Color>& colours) {
    const int h = static_cast<int>(colours.size()) / w;
    Pixmap p = XCreatePixmap(xtest::Dpy(), Root(), unsigned(w), unsigned(h), unsigned(depth));
    pixmaps.push_back(p);
    GC gc = XCreateGC(xtest::Dpy(), p, 0, nullptr);
    for (int i = 0; i < w * h; ++i) {
      XSetForeground(xtest::Dpy(), gc, colours[size_t(i)] | (depth == 32 ? 0xFF000000ul : 0));
      XDrawPoint(xtest::Dpy(), p, gc, i % w, i / w);
    }
    XFreeGC(xtest::Dpy(), gc);
    xtest::SetAtoms(Root(), "_XROOTPMAP_ID", {p}, XA_PIXMAP);
  }

  tk::gtkx::DesktopRecord record;
  std::unique_ptr<X11Desktop> desktop;
  std::vector<Window> windows;
  std::vector<Pixmap> pixmaps;
};

}  // namespace

TEST_F(X11DesktopTest, CapturesShowThePrimaryAreaOnceTheScreenHasSettled) {
  Window w = Make(100, 50, 40, 30, 0x12A4C8);
  const tk::Color blue = Rgb(0x12, 0xA4, 0xC8);
  Surface whole(300, 200);
  ASSERT_TRUE(desktop->GrabScreen(whole));
  EXPECT_EQ(whole.Get(100, 50), blue);
  EXPECT_EQ(whole.Get(139, 79), blue);
  // Only the primary area, at (0, 0) of the target, as far as the target reaches.
  desktop->SetPrimary({100, 50, 40, 30});
  Surface small(10, 5);
  ASSERT_TRUE(desktop->GrabScreen(small));
  for (tk::Color c : small.Pixels()) ASSERT_EQ(c, blue);

  // The window changes colour during the first two pauses: the capture shows its last colour.
  int pauses = 0;
  Surface target(40, 30);
  ASSERT_TRUE(desktop->Capture(target, 8, [&] {
    if (++pauses > 2) return;
    XSetWindowBackground(xtest::Dpy(), w, pauses == 1 ? 0x00FF00 : 0x0000FF);
    XClearWindow(xtest::Dpy(), w);
    XSync(xtest::Dpy(), False);
  }));
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(target.Get(5, 5), Rgb(0, 0, 255));
}

TEST_F(X11DesktopTest, TheWallpaperPixmapIsReadThroughItsMasksAndTiled) {
  Surface target(5, 3);
  EXPECT_FALSE(desktop->GrabWallpaper(target)) << "no _XROOTPMAP_ID";
  Pixmap gone = XCreatePixmap(xtest::Dpy(), Root(), 4, 4,
                              static_cast<unsigned>(DefaultDepth(xtest::Dpy(), 0)));
  XFreePixmap(xtest::Dpy(), gone);
  xtest::SetAtoms(Root(), "_XROOTPMAP_ID", {gone}, XA_PIXMAP);
  EXPECT_FALSE(desktop->GrabWallpaper(target)) << "a property naming no pixmap";

  // A short tile repeats many times; a tall one is read in bands of rows,
  // and the screen here straddles the last two.
  int n = 0;
  int* depths = XListDepths(xtest::Dpy(), DefaultScreen(xtest::Dpy()), &n);
  for (int i = 0; i < n; ++i) {
    if (depths[i] != 24 && depths[i] != 32) continue;
    for (int h : {2, 130}) {
      SCOPED_TRACE(std::to_string(depths[i]) + " bits, tile height " + std::to_string(h));
      std::vector<tk::Color> tile;
      for (int k = 0; k < 3 * h; ++k) tile.push_back(Rgb(k % 3 * 80, k / 3, 7));
      Wallpaper(depths[i], 3, tile);
      desktop->SetPrimary({1, 127, 5, 3});
      target.Fill(0);
      ASSERT_TRUE(desktop->GrabWallpaper(target));
      // Root (1+x, 127+y) shows tile ((1+x) % 3, (127+y) % h).
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
          EXPECT_EQ(target.Get(x, y), tile[static_cast<size_t>(((127 + y) % h) * 3 + (1 + x) % 3)])
              << x << "," << y;
    }
  }
  if (depths) XFree(depths);
}

TEST_F(X11DesktopTest, DocksAreUnmappedAndComeBackWithTheirStateEveryWayOut) {
  const Atom above = xtest::A("_NET_WM_STATE_ABOVE"), sticky = xtest::A("_NET_WM_STATE_STICKY");
  Window dock = Make(0, 560, 300, 30, 0x303030, "_NET_WM_WINDOW_TYPE_DOCK", {above, sticky});
  Window hiddenDock = Make(0, 0, 300, 20, 0x303030, "_NET_WM_WINDOW_TYPE_DOCK", {}, false);
  Window normal = Make(50, 50, 30, 30, 0xFFFFFF, "_NET_WM_WINDOW_TYPE_NORMAL");
  Window own = Make(0, 100, 50, 10, 0x101010, "_NET_WM_WINDOW_TYPE_DOCK");
  desktop->SetOwnWindowFilter([own](tk::gtkx::XWindowId w) { return w == own; });
  const std::function<void()> waysBack[] = {
      [&] { desktop->SetDocksVisible(true); }, [&] { desktop->GiveBackAll(); },
      [&] { record.GiveBackThroughNewConnection(); },  // signals, crashes, a lost connection
  };
  for (const auto& giveBack : waysBack) {
    SCOPED_TRACE(&giveBack - waysBack);
    desktop->SetDocksVisible(false);
    EXPECT_EQ(MapState(dock), IsUnmapped);
    EXPECT_EQ(MapState(normal), IsViewable) << "only docks";
    EXPECT_EQ(MapState(own), IsViewable) << "never the program's own windows";
    xtest::DeleteProperty(dock, "_NET_WM_STATE");  // what a window manager does on withdrawal
    giveBack();
    EXPECT_EQ(MapState(dock), IsViewable);
    tk::gtkx::HiddenWindow now;
    ASSERT_TRUE(desktop->ReadState(dock, now));
    EXPECT_EQ(std::vector<Atom>(now.states, now.states + now.stateCount),
              (std::vector<Atom>{above, sticky}));
    EXPECT_EQ(MapState(hiddenDock), IsUnmapped) << "a dock that was not shown is left alone";
    EXPECT_EQ(record.Count(), 0);
  }
}

TEST_F(X11DesktopTest, TheIconLayerIsAWallpaperPixmapThatAgreesWithTheScreenElseUnmapped) {
  using Source = X11Desktop::IconFreeSource;
  desktop->SetPrimary({0, 0, 200, 150});
  const tk::Color wall = Rgb(0x33, 0x66, 0x99);
  Window desk = Make(0, 0, 200, 150, 0x336699, "_NET_WM_WINDOW_TYPE_DESKTOP");
  Make(10, 10, 20, 20, 0xFFFF00);  // an icon
  Surface with(200, 150), without(200, 150);
  // No pixmap, one of the desktop's wallpaper, one another program left.
  const struct {
    const char* what;
    std::vector<tk::Color> pixmap;
    Source source;
  } cases[] = {{"none", {}, Source::DesktopUnmapped},
               {"the wallpaper", {wall}, Source::RootPixmap},
               {"left behind", {Rgb(9, 99, 199)}, Source::DesktopUnmapped}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.pixmap.empty()) Wallpaper(DefaultDepth(xtest::Dpy(), 0), 1, c.pixmap);
    ASSERT_TRUE(desktop->Capture(with, 4, [] {}));
    desktop->SetIconLayerVisible(false);
    EXPECT_EQ(desktop->Source(), c.source);
    EXPECT_EQ(MapState(desk), c.source == Source::RootPixmap ? IsViewable : IsUnmapped);
    ASSERT_TRUE(desktop->Capture(without, 4, [] {}));
    if (c.source == Source::RootPixmap) {
      EXPECT_EQ(tk::CountDifferentPixels(with, without), 400) << "the icon, nothing else";
    }
    desktop->SetIconLayerVisible(true);
    EXPECT_EQ(MapState(desk), IsViewable);
    EXPECT_EQ(record.Count(), 0);
    ASSERT_TRUE(desktop->Capture(with, 4, [] {}));
    EXPECT_EQ(with.Get(100, 100), wall) << "with the icon layer the screen again";
  }
}

TEST_F(X11DesktopTest, APanelDrawnIntoTheRootOutsideTheWorkAreaIsNoBrick) {
  // The wallpaper as the root's background; a panel drawn into the root in
  // the bottom 20 rows, as a compositor draws it; a dock over the top 20 rows
  // that the game hides; the work area between them.
  desktop->SetPrimary({0, 0, 200, 150});
  const tk::Color wall = Rgb(20, 80, 140);
  Wallpaper(DefaultDepth(xtest::Dpy(), 0), 1, {wall});
  XSetWindowBackgroundPixmap(xtest::Dpy(), Root(), pixmaps.back());
  XClearWindow(xtest::Dpy(), Root());
  xtest::SetAtoms(Root(), "_NET_WORKAREA", {0, 20, 200, 110}, XA_CARDINAL);
  Make(0, 0, 200, 20, 0x404040, "_NET_WM_WINDOW_TYPE_DOCK");
  Make(50, 50, 10, 10, 0xFFFF00);  // an icon
  GC gc = XCreateGC(xtest::Dpy(), Root(), 0, nullptr);
  XSetForeground(xtest::Dpy(), gc, 0x202020);
  XFillRectangle(xtest::Dpy(), Root(), gc, 0, 130, 200, 20);
  desktop->SetDocksVisible(false);
  // The desktop moves an icon to where the dock was.
  XSetForeground(xtest::Dpy(), gc, 0xFFFF00);
  XFillRectangle(xtest::Dpy(), Root(), gc, 5, 5, 5, 5);
  XFreeGC(xtest::Dpy(), gc);
  XSync(xtest::Dpy(), False);

  Surface with(200, 150), without(200, 150);
  ASSERT_TRUE(desktop->Capture(with, 4, [] {}));
  EXPECT_NE(with.Get(100, 140), wall) << "the panel is on the screen";
  desktop->SetIconLayerVisible(false);
  ASSERT_TRUE(desktop->Capture(without, 4, [] {}));
  desktop->SetIconLayerVisible(true);
  EXPECT_EQ(with.Get(100, 140), wall) << "the capture with icons shows no panel";
  EXPECT_EQ(tk::CountDifferentPixels(with, without), 100 + 25) << "the icons, nothing else";
  desktop->SetDocksVisible(true);
  XSetWindowBackground(xtest::Dpy(), Root(), 0);
  XClearWindow(xtest::Dpy(), Root());
}

TEST_F(X11DesktopTest, MinimisingAllAsksTheWindowManager) {
  Display* watcher = XOpenDisplay(DisplayString(xtest::Dpy()));
  ASSERT_TRUE(watcher);
  XSelectInput(watcher, DefaultRootWindow(watcher), SubstructureNotifyMask);
  XSync(watcher, False);
  // The next client message sent to the root, as another client sees it.
  auto nextMessage = [watcher](XEvent& e) {
    for (int i = 0; i < 200; ++i) {
      if (XCheckTypedEvent(watcher, ClientMessage, &e)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };

  // A window manager that shows the desktop: the mode is set, not toggled.
  const Atom showing = xtest::A("_NET_SHOWING_DESKTOP");
  xtest::SetAtoms(Root(), "_NET_SUPPORTED", {showing});
  desktop->MinimiseAll();
  XEvent e{};
  ASSERT_TRUE(nextMessage(e));
  EXPECT_EQ(std::make_tuple(e.xclient.message_type, e.xclient.window, e.xclient.data.l[0]),
            std::make_tuple(showing, Root(), 1L));

  // One that does not: each listed client is asked to iconify.
  xtest::DeleteProperty(Root(), "_NET_SUPPORTED");
  Window app = Make(20, 20, 50, 50, 0xAAAAAA, "_NET_WM_WINDOW_TYPE_NORMAL");
  Window dock = Make(0, 0, 50, 10, 0x101010, "_NET_WM_WINDOW_TYPE_DOCK");
  xtest::SetAtoms(Root(), "_NET_CLIENT_LIST", {dock, app}, XA_WINDOW);
  desktop->MinimiseAll();
  ASSERT_TRUE(nextMessage(e));
  EXPECT_EQ(std::make_tuple(e.xclient.message_type, e.xclient.window, e.xclient.data.l[0]),
            std::make_tuple(xtest::A("WM_CHANGE_STATE"), app, long{IconicState}))
      << "the dock is not a window to minimise";
  EXPECT_FALSE(nextMessage(e)) << "only one request";
  XCloseDisplay(watcher);
}

TEST_F(X11DesktopTest, ThePointerIsHiddenBelowZeroAndWarped) {
  for (auto [show, count, hidden] :
       {std::tuple{false, -1, true}, {false, -2, true}, {true, -1, true}, {true, 0, false}}) {
    EXPECT_EQ(desktop->ShowCursor(show), count);
    EXPECT_EQ(desktop->CursorHidden(), hidden) << "visible only from 0 up; count " << count;
  }
  desktop->ShowCursor(false);
  desktop->GiveBackAll();
  EXPECT_FALSE(desktop->CursorHidden());
  EXPECT_EQ(desktop->CursorCount(), 0);

  desktop->WarpPointer(123, 45);
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  ASSERT_TRUE(XQueryPointer(xtest::Dpy(), Root(), &root, &child, &rx, &ry, &wx, &wy, &mask));
  EXPECT_EQ(std::make_pair(rx, ry), std::make_pair(123, 45));
}
