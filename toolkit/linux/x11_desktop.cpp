#include "toolkit/linux/x11_desktop.h"

#include "toolkit/desktop_pictures.h"
#include "toolkit/linux/desktop_wallpaper.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace tk::gtkx {

// Rows of the wallpaper pixmap read at a time: 2 MB of an 8K pixmap.
constexpr int kWallpaperBandRows = 64;

struct X11Desktop::Shared {
  XImage* image = nullptr;
  XShmSegmentInfo info{};
};

namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);
int g_trapped_errors = 0;

int CountError(Display*, XErrorEvent*) {
  ++g_trapped_errors;
  return 0;
}

// A property as a list of 32-bit items (atoms, windows, pixmaps).
bool ReadList(Display* d, Window w, Atom property, Atom type, std::vector<unsigned long>& out) {
  out.clear();
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actual, &format, &count, &after,
                         &data) != Success)
    return false;
  bool ok = actual == type && format == 32;
  if (ok) {
    auto* items = reinterpret_cast<unsigned long*>(data);
    out.assign(items, items + count);
  }
  if (data) XFree(data);
  return ok;
}

}  // namespace

// ---- XErrorTrap ---------------------------------------------------------------

XErrorTrap::XErrorTrap(XDisplay* display) : display_(display) {
  XSync(display_, False);
  saved_count_ = g_trapped_errors;
  g_trapped_errors = 0;
  previous_ = reinterpret_cast<void*>(XSetErrorHandler(CountError));
}

XErrorTrap::~XErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(reinterpret_cast<ErrorHandler>(previous_));
  g_trapped_errors += saved_count_;
}

bool XErrorTrap::Failed() {
  XSync(display_, False);
  return g_trapped_errors > 0;
}

// ---- stable captures ----------------------------------------------------------

bool CaptureUntilStable(Surface& out, const std::function<bool(Surface&)>& grab,
                        const std::function<void()>& pause, int maxGrabs) {
  if (!grab(out)) return false;
  for (int n = 1; n < maxGrabs; ++n) {
    uint64_t previous = Fingerprint(out);
    if (pause) pause();
    if (!grab(out)) break;
    if (Fingerprint(out) == previous) return true;
  }
  return false;
}

// ---- X11Desktop ---------------------------------------------------------------

X11Desktop::X11Desktop(XDisplay* display, DesktopRecord& record)
    : display_(display),
      record_(record),
      screen_(DefaultScreen(display)),
      root_(RootWindow(display, DefaultScreen(display))),
      shm_(std::make_unique<Shared>()) {
  primary_ = {0, 0, DisplayWidth(display, screen_), DisplayHeight(display, screen_)};
  int event_base = 0, error_base = 0;
  if (XFixesQueryExtension(display_, &event_base, &error_base)) {
    int major = 4, minor = 0;
    XFixesQueryVersion(display_, &major, &minor);
    xfixes_ = major >= 4;
  }
  // MIT-SHM works only when the server shares this machine's memory.
  shm_available_ = XShmQueryExtension(display_);
}

X11Desktop::~X11Desktop() { DropShmImage(); }

Atom X11Desktop::Intern(const char* name) { return XInternAtom(display_, name, False); }

std::vector<Window> X11Desktop::CandidateWindows() {
  std::vector<Window> found;
  XErrorTrap trap(display_);
  std::vector<unsigned long> clients;
  if (ReadList(display_, root_, Intern("_NET_CLIENT_LIST"), XA_WINDOW, clients))
    found.assign(clients.begin(), clients.end());
  // Windows the window manager does not list (or no window manager at all).
  Window root_return = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display_, root_, &root_return, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count; ++i) found.push_back(children[i]);
    if (children) XFree(children);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  if (own_) found.erase(std::remove_if(found.begin(), found.end(), own_), found.end());
  return found;
}

bool X11Desktop::HasType(Window w, Atom type) {
  std::vector<unsigned long> types;
  if (!ReadList(display_, w, Intern("_NET_WM_WINDOW_TYPE"), XA_ATOM, types)) return false;
  return std::find(types.begin(), types.end(), type) != types.end();
}

bool X11Desktop::Viewable(Window w) {
  XWindowAttributes a{};
  return XGetWindowAttributes(display_, w, &a) && a.map_state == IsViewable;
}

std::vector<Window> X11Desktop::FindWindowsOfType(const char* typeAtom, bool viewableOnly) {
  std::vector<Window> out;
  Atom type = Intern(typeAtom);
  XErrorTrap trap(display_);
  for (Window w : CandidateWindows())
    if (HasType(w, type) && (!viewableOnly || Viewable(w))) out.push_back(w);
  return out;
}

bool X11Desktop::ReadState(Window w, HiddenWindow& out) {
  XErrorTrap trap(display_);
  return ReadWindow(display_, w, out) && !trap.Failed();
}

bool X11Desktop::Hide(Window w) {
  HiddenWindow saved;
  if (!ReadState(w, saved)) return false;
  // Noted before it goes, so that no way out can lose it.
  if (!record_.Add(saved)) return false;
  XErrorTrap trap(display_);
  XUnmapWindow(display_, w);
  // ICCCM withdrawal: the synthetic UnmapNotify tells the window manager even
  // where it does not see the real one.
  XEvent e{};
  e.xunmap.type = UnmapNotify;
  e.xunmap.event = root_;
  e.xunmap.window = w;
  e.xunmap.from_configure = False;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  if (trap.Failed()) {
    record_.Remove(w);
    return false;
  }
  return true;
}

bool X11Desktop::SupportsHint(Atom hint) {
  std::vector<unsigned long> supported;
  XErrorTrap trap(display_);
  if (!ReadList(display_, root_, Intern("_NET_SUPPORTED"), XA_ATOM, supported)) return false;
  return std::find(supported.begin(), supported.end(), hint) != supported.end();
}

void X11Desktop::MinimiseAll() {
  Atom showing = Intern("_NET_SHOWING_DESKTOP");
  if (SupportsHint(showing)) {
    // Setting (not toggling) the mode: asking twice leaves the windows hidden.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = root_;
    e.xclient.message_type = showing;
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(display_);
    return;
  }
  // No support: ask the window manager to iconify every client on the screen
  // that is not part of the desktop itself.
  Atom dock = Intern("_NET_WM_WINDOW_TYPE_DOCK");
  Atom desktop = Intern("_NET_WM_WINDOW_TYPE_DESKTOP");
  XErrorTrap trap(display_);
  std::vector<unsigned long> clients;
  ReadList(display_, root_, Intern("_NET_CLIENT_LIST"), XA_WINDOW, clients);
  for (Window w : clients) {
    if ((own_ && own_(w)) || HasType(w, dock) || HasType(w, desktop) || !Viewable(w)) continue;
    XIconifyWindow(display_, w, screen_);
  }
  XFlush(display_);
}

void X11Desktop::SetDocksVisible(bool visible) {
  if (visible) {
    XErrorTrap trap(display_);
    // Most recently hidden first; a window an emergency path gave back
    // already is no longer in the record.
    for (auto it = hidden_docks_.rbegin(); it != hidden_docks_.rend(); ++it)
      record_.GiveBackOne(display_, *it);
    hidden_docks_.clear();
    hidden_dock_areas_.clear();
    XFlush(display_);
    return;
  }
  for (Window w : FindWindowsOfType("_NET_WM_WINDOW_TYPE_DOCK", true)) {
    const Rect area = AreaOf(w);
    if (!Hide(w)) continue;
    hidden_docks_.push_back(w);
    hidden_dock_areas_.push_back(area);
  }
  XFlush(display_);
}

void X11Desktop::SetIconLayerVisible(bool visible) {
  if (visible == icons_visible_) return;
  icons_visible_ = visible;
  if (visible) {
    source_ = IconFreeSource::Screen;
    icon_free_ = Surface();
    with_icons_target_ = nullptr;
    XErrorTrap trap(display_);
    for (auto it = hidden_desktops_.rbegin(); it != hidden_desktops_.rend(); ++it)
      record_.GiveBackOne(display_, *it);
    hidden_desktops_.clear();
    XFlush(display_);
    return;
  }
  ChooseIconFreePicture();
}

const char* X11Desktop::SourceName(IconFreeSource source) {
  switch (source) {
    case IconFreeSource::RootPixmap:
      return "root_pixmap";
    case IconFreeSource::WallpaperSetting:
      return "wallpaper_setting";
    case IconFreeSource::DesktopUnmapped:
      return "desktop_unmapped";
    default:
      return "screen";
  }
}

// The first way that gives a picture agreeing with the screen: nothing on the
// real desktop has to change for the wallpaper pixmap or the rendered
// setting; only where both fail are the desktop windows unmapped.
void X11Desktop::ChooseIconFreePicture() {
  // The capture with icons where it still lies, or a picture taken now.
  Surface grabbed;
  const bool held = TargetHoldsCapture() && with_icons_target_->Width() == primary_.w &&
                    with_icons_target_->Height() == primary_.h;
  if (!held) {
    grabbed = Surface(primary_.w, primary_.h);
    if (!GrabScreen(grabbed)) grabbed = Surface();
    DropShmImage();
  }
  const Surface& screen = held ? *with_icons_target_ : grabbed;
  icon_free_ = Surface(primary_.w, primary_.h);
  stale_pixmap_ = false;
  if (GrabWallpaper(icon_free_)) {
    // Without a picture of the screen to compare with, the pixmap is trusted.
    if (screen.Empty() || BelongsToScreen(icon_free_, screen)) {
      source_ = IconFreeSource::RootPixmap;
      return;
    }
    stale_pixmap_ = true;
  }
  if (!screen.Empty() && RenderDesktopWallpaper(icon_free_) &&
      BelongsToScreen(icon_free_, screen)) {
    source_ = IconFreeSource::WallpaperSetting;
    return;
  }
  icon_free_ = Surface();
  source_ = IconFreeSource::DesktopUnmapped;
  for (Window w : FindWindowsOfType("_NET_WM_WINDOW_TYPE_DESKTOP", true))
    if (Hide(w)) hidden_desktops_.push_back(w);
  XFlush(display_);
}

namespace {

// The command line of the program that owns the desktop window, where it runs
// on this machine.
std::vector<std::string> CommandLineOf(unsigned long pid) {
  std::vector<std::string> args;
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
  return args;
}

}  // namespace

bool X11Desktop::RenderDesktopWallpaper(Surface& out) {
  for (Window w : FindWindowsOfType("_NET_WM_WINDOW_TYPE_DESKTOP", true)) {
    std::vector<unsigned long> pid;
    std::vector<std::string> args;
    {
      XErrorTrap trap(display_);
      if (ReadList(display_, w, Intern("_NET_WM_PID"), XA_CARDINAL, pid) && !pid.empty())
        args = CommandLineOf(pid[0]);
    }
    WallpaperSetting setting;
    if (FindDesktopWallpaper(args, setting) && RenderWallpaper(setting, out)) return true;
  }
  return false;
}

Rect X11Desktop::WorkArea() {
  XErrorTrap trap(display_);
  std::vector<unsigned long> area, current;
  if (!ReadList(display_, root_, Intern("_NET_WORKAREA"), XA_CARDINAL, area)) return {};
  size_t desktop = 0;
  if (ReadList(display_, root_, Intern("_NET_CURRENT_DESKTOP"), XA_CARDINAL, current) &&
      !current.empty())
    desktop = current[0];
  if (area.size() < 4 * (desktop + 1)) desktop = 0;
  if (area.size() < 4) return {};
  const unsigned long* a = &area[4 * desktop];
  Rect work{static_cast<int>(a[0]) - primary_.x, static_cast<int>(a[1]) - primary_.y,
            static_cast<int>(a[2]), static_cast<int>(a[3])};
  return work.Intersect({0, 0, primary_.w, primary_.h});
}

Rect X11Desktop::AreaOf(Window w) {
  XErrorTrap trap(display_);
  XWindowAttributes a{};
  Window child = 0;
  int x = 0, y = 0;
  if (!XGetWindowAttributes(display_, w, &a) ||
      !XTranslateCoordinates(display_, w, root_, 0, 0, &x, &y, &child) || trap.Failed())
    return {};
  return Rect{x - primary_.x, y - primary_.y, a.width, a.height}.Intersect(
      {0, 0, primary_.w, primary_.h});
}

bool X11Desktop::TargetHoldsCapture() const {
  return with_icons_target_ && Fingerprint(*with_icons_target_) == with_icons_print_;
}

void X11Desktop::CorrectCaptureWithIcons(const Surface& iconFree) {
  // Only a target that still holds the capture: the program may have drawn
  // on it or let it go since.
  if (!TargetHoldsCapture()) return;
  const Rect work = WorkArea();
  masked_pixels_ =
      TakeIconFreeOutsideWorkArea(*with_icons_target_, iconFree, work, hidden_dock_areas_);
  with_icons_print_ = Fingerprint(*with_icons_target_);
  TraceIconFreePicture(SourceName(source_), stale_pixmap_, work,
                       static_cast<int>(hidden_dock_areas_.size()), masked_pixels_);
}

bool X11Desktop::Capture(Surface& target, int maxGrabs, const std::function<void()>& pause) {
  if (target.Empty()) return false;
  bool ok = false;
  if (!icons_visible_ && !icon_free_.Empty()) {
    target.CopyFrom(icon_free_, {0, 0, icon_free_.Width(), icon_free_.Height()}, 0, 0);
    ok = true;
  } else {
    ok = CaptureUntilStable(
             target, [this](Surface& s) { return GrabScreen(s); }, pause, maxGrabs) ||
         !target.Empty();
  }
  // The screen-sized capture image is not kept between captures: the game
  // takes two, seconds apart, and then none.
  DropShmImage();
  if (!ok) return false;
  if (icons_visible_) {
    with_icons_target_ = &target;
    with_icons_print_ = Fingerprint(target);
    masked_pixels_ = 0;
  } else {
    CorrectCaptureWithIcons(target);
  }
  return true;
}

PixelFormat X11Desktop::FormatFor(const _XImage* image, int depth) {
  uint32_t r = static_cast<uint32_t>(image->red_mask), g = static_cast<uint32_t>(image->green_mask),
           b = static_cast<uint32_t>(image->blue_mask);
  if (r == 0 || g == 0 || b == 0) {
    // Images of pixmaps carry no visual: take the masks of a TrueColor
    // visual of the same depth, or the usual ones.
    XVisualInfo info{};
    if (XMatchVisualInfo(display_, screen_, depth, TrueColor, &info)) {
      r = static_cast<uint32_t>(info.red_mask);
      g = static_cast<uint32_t>(info.green_mask);
      b = static_cast<uint32_t>(info.blue_mask);
    } else if (depth == 16) {
      r = 0xF800;
      g = 0x07E0;
      b = 0x001F;
    } else {
      r = 0xFF0000;
      g = 0xFF00;
      b = 0xFF;
    }
  }
  return PixelFormat(r, g, b, image->bits_per_pixel, image->byte_order == MSBFirst);
}

bool X11Desktop::EnsureShmImage(int width, int height) {
  if (!shm_available_) return false;
  if (shm_->image && shm_->image->width == width && shm_->image->height == height) return true;
  DropShmImage();
  Visual* visual = DefaultVisual(display_, screen_);
  int depth = DefaultDepth(display_, screen_);
  shm_->image =
      XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm_->info,
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (!shm_->image) {
    shm_available_ = false;
    return false;
  }
  size_t bytes = static_cast<size_t>(shm_->image->bytes_per_line) * static_cast<size_t>(height);
  shm_->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm_->info.shmid < 0) {
    XDestroyImage(shm_->image);
    shm_->image = nullptr;
    shm_available_ = false;
    return false;
  }
  shm_->info.shmaddr = shm_->image->data = static_cast<char*>(shmat(shm_->info.shmid, nullptr, 0));
  shm_->info.readOnly = False;
  bool attached = false;
  if (shm_->info.shmaddr != reinterpret_cast<char*>(-1)) {
    XErrorTrap trap(display_);
    XShmAttach(display_, &shm_->info);
    attached = !trap.Failed();
  }
  // Removed now: the segment goes away with the last detach, however the
  // program ends.
  shmctl(shm_->info.shmid, IPC_RMID, nullptr);
  if (!attached) {
    if (shm_->info.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_->info.shmaddr);
    shm_->image->data = nullptr;
    XDestroyImage(shm_->image);
    shm_->image = nullptr;
    shm_available_ = false;  // a remote server: plain XGetImage from now on
    return false;
  }
  return true;
}

void X11Desktop::DropShmImage() {
  if (!shm_->image) return;
  {
    XErrorTrap trap(display_);
    XShmDetach(display_, &shm_->info);
  }
  shmdt(shm_->info.shmaddr);
  shm_->image->data = nullptr;
  XDestroyImage(shm_->image);
  shm_->image = nullptr;
}

bool X11Desktop::GrabScreen(Surface& target) {
  Rect area = primary_;
  int w = std::min(area.w, target.Width()), h = std::min(area.h, target.Height());
  if (w <= 0 || h <= 0) return false;
  XImage* image = nullptr;
  bool shared = false;
  {
    XErrorTrap trap(display_);
    if (EnsureShmImage(area.w, area.h) &&
        XShmGetImage(display_, root_, shm_->image, area.x, area.y, AllPlanes) && !trap.Failed()) {
      image = shm_->image;
      shared = true;
    }
  }
  if (!image) {
    XErrorTrap trap(display_);
    image = XGetImage(display_, root_, area.x, area.y, static_cast<unsigned>(w),
                      static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (trap.Failed() && image) {
      XDestroyImage(image);
      image = nullptr;
    }
  }
  if (!image) return false;
  PixelFormat format = FormatFor(image, DefaultDepth(display_, screen_));
  bool ok = format.Valid();
  if (ok) {
    for (int y = 0; y < h; ++y)
      format.DecodeRow(reinterpret_cast<const uint8_t*>(image->data) +
                           static_cast<size_t>(y) * image->bytes_per_line,
                       w, target.Row(y));
  }
  if (!shared) XDestroyImage(image);
  return ok;
}

bool X11Desktop::GrabWallpaper(Surface& target) {
  if (target.Empty()) return false;
  XErrorTrap trap(display_);
  std::vector<unsigned long> ids;
  if (!ReadList(display_, root_, Intern("_XROOTPMAP_ID"), XA_PIXMAP, ids) || ids.empty() ||
      ids[0] == 0)
    return false;
  Pixmap pixmap = ids[0];
  Window geometry_root = 0;
  int px = 0, py = 0;
  unsigned int pw = 0, ph = 0, border = 0, depth = 0;
  if (!XGetGeometry(display_, pixmap, &geometry_root, &px, &py, &pw, &ph, &border, &depth) ||
      trap.Failed() || pw == 0 || ph == 0)
    return false;
  // Read in bands of rows, each laid at once wherever the tiles repeat it (a
  // window background repeats its pixmap from the root's origin): no copy of
  // the whole pixmap is ever held.
  const int tw = static_cast<int>(pw), th = static_cast<int>(ph);
  const int rows = std::min(target.Height(), primary_.h),
            cols = std::min(target.Width(), primary_.w);
  std::vector<Color> decoded(pw);
  for (int band = 0; band < th; band += kWallpaperBandRows) {
    const int count = std::min(kWallpaperBandRows, th - band);
    XImage* image =
        XGetImage(display_, pixmap, 0, band, pw, static_cast<unsigned>(count), AllPlanes, ZPixmap);
    if (!image || trap.Failed()) {
      if (image) XDestroyImage(image);
      return false;
    }
    PixelFormat format = FormatFor(image, static_cast<int>(depth));
    for (int y = 0; y < rows && format.Valid(); ++y) {
      const int source = ((primary_.y + y) % th + th) % th;
      if (source < band || source >= band + count) continue;
      format.DecodeRow(reinterpret_cast<const uint8_t*>(image->data) +
                           static_cast<size_t>(source - band) * image->bytes_per_line,
                       tw, decoded.data());
      Color* dst = target.Row(y);
      for (int x = 0; x < cols; ++x) dst[x] = decoded[((primary_.x + x) % tw + tw) % tw];
    }
    XDestroyImage(image);
    if (!format.Valid()) return false;
  }
  return true;
}

int X11Desktop::ShowCursor(bool show) {
  cursor_count_ += show ? 1 : -1;
  bool hide = cursor_count_ < 0;
  if (hide != cursor_hidden_ && xfixes_) {
    XErrorTrap trap(display_);
    if (hide)
      XFixesHideCursor(display_, root_);
    else
      XFixesShowCursor(display_, root_);
    XFlush(display_);
  }
  cursor_hidden_ = hide;
  return cursor_count_;
}

void X11Desktop::WarpPointer(int x, int y) {
  XWarpPointer(display_, None, root_, 0, 0, 0, 0, x, y);
  XFlush(display_);
}

void X11Desktop::GiveBackAll() {
  {
    XErrorTrap trap(display_);
    record_.GiveBack(display_);
    hidden_docks_.clear();
    hidden_dock_areas_.clear();
    hidden_desktops_.clear();
    icons_visible_ = true;
    source_ = IconFreeSource::Screen;
    icon_free_ = Surface();
    with_icons_target_ = nullptr;
    if (cursor_hidden_ && xfixes_) XFixesShowCursor(display_, root_);
  }
  cursor_hidden_ = false;
  cursor_count_ = 0;
  XFlush(display_);
}

}  // namespace tk::gtkx
