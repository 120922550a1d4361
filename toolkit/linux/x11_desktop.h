// The desktop operations on an X11 screen, through Xlib on the program's
// display connection:
//  - minimise all windows: EWMH _NET_SHOWING_DESKTOP (or iconify each client
//    where the window manager does not support it);
//  - the taskbar: every mapped _NET_WM_WINDOW_TYPE_DOCK window is unmapped and
//    later mapped again with the _NET_WM_STATE it had;
//  - the icon layer: hidden for a capture by taking the first picture of the
//    desktop without icons that agrees with the screen: the wallpaper pixmap
//    of _XROOTPMAP_ID, the wallpaper rendered from the desktop's own setting
//    (a desktop that draws it in its icon window), else the screen with the
//    _NET_WM_WINDOW_TYPE_DESKTOP windows unmapped;
//  - screen captures of the root window (MIT-SHM where available), taken
//    until two in a row agree; once the picture without icons is taken, the
//    capture with icons takes its pixels outside the work area where no
//    hidden dock stood (a panel the compositor draws is no brick);
//  - the pointer: XFixes hides and shows it behind a display counter, and
//    XWarpPointer moves it.
// Everything unmapped is noted in the DesktopRecord so that it comes back on
// any way out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/pixel_format.h"
#include "toolkit/surface.h"

struct _XImage;

namespace tk::gtkx {

// Sets an error handler that counts errors instead of ending the program, for
// the lifetime of the object. Requests made inside may fail harmlessly (a
// window that went away meanwhile).
class XErrorTrap {
 public:
  explicit XErrorTrap(XDisplay* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  // Waits for the server and tells whether any request since the trap was
  // set failed.
  bool Failed();

 private:
  XDisplay* display_;
  void* previous_;  // the handler this one replaced
  int saved_count_;
};

// Takes pictures with `grab` until two in a row are the same, waiting with
// `pause` between them, at most `maxGrabs` pictures. Every picture goes into
// `out` itself (a grab that fails must leave it alone), so only fingerprints
// of the earlier ones are kept: `out` holds the last good picture. Returns
// true when two agreed.
bool CaptureUntilStable(Surface& out, const std::function<bool(Surface&)>& grab,
                        const std::function<void()>& pause, int maxGrabs);

class X11Desktop {
 public:
  X11Desktop(XDisplay* display, DesktopRecord& record);
  ~X11Desktop();
  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;

  XWindowId Root() const { return root_; }

  // The area of the root window that counts as the primary screen.
  void SetPrimary(const Rect& area) { primary_ = area; }

  // Windows of the program itself, never minimised, hidden or counted as docks.
  void SetOwnWindowFilter(std::function<bool(XWindowId)> own) { own_ = std::move(own); }

  void MinimiseAll();
  void SetDocksVisible(bool visible);
  void SetIconLayerVisible(bool visible);
  bool IconLayerVisible() const { return icons_visible_; }
  // Where the picture without icons comes from.
  enum class IconFreeSource { Screen, RootPixmap, WallpaperSetting, DesktopUnmapped };
  IconFreeSource Source() const { return source_; }
  // The last capture with icons, as corrected by the capture without them
  // (none once its target no longer holds it), and how many of its pixels
  // outside the work area that changed.
  const Surface* LastCaptureWithIcons() const {
    return TargetHoldsCapture() ? with_icons_target_ : nullptr;
  }
  int64_t MaskedPixels() const { return masked_pixels_; }
  static const char* SourceName(IconFreeSource source);

  // Copies the primary screen (or, with the icon layer hidden, the picture
  // without icons) into `target` at (0, 0), as far as the target reaches.
  // Waits between captures until two agree, at most `maxGrabs` captures. The
  // capture without icons also corrects the last capture with icons outside
  // the work area, if that target still holds what was captured: it must
  // live until the icon layer is shown again.
  bool Capture(Surface& target, int maxGrabs, const std::function<void()>& pause);
  // One capture of the root window's primary area.
  bool GrabScreen(Surface& target);
  // The wallpaper of _XROOTPMAP_ID, tiled from the root origin like a window
  // background, cut to the primary area. False without a usable pixmap.
  bool GrabWallpaper(Surface& target);

  int ShowCursor(bool show);
  int CursorCount() const { return cursor_count_; }
  bool CursorHidden() const { return cursor_hidden_; }
  void WarpPointer(int x, int y);

  // Gives back everything still taken: unmapped windows and the pointer.
  void GiveBackAll();

  // For tests and diagnostics.
  std::vector<XWindowId> FindWindowsOfType(const char* typeAtom, bool viewableOnly);
  bool ReadState(XWindowId w, HiddenWindow& out);
  // The work area of the current desktop (_NET_WORKAREA) within the primary
  // area, in its coordinates; empty when the window manager names none.
  Rect WorkArea();
  // What a window covers within the primary area, in its coordinates.
  Rect AreaOf(XWindowId w);

 private:
  XAtomId Intern(const char* name);
  std::vector<XWindowId> CandidateWindows();
  bool HasType(XWindowId w, XAtomId type);
  bool Viewable(XWindowId w);
  bool Hide(XWindowId w);
  bool SupportsHint(XAtomId hint);
  bool RenderDesktopWallpaper(Surface& out);
  void ChooseIconFreePicture();
  void CorrectCaptureWithIcons(const Surface& iconFree);
  PixelFormat FormatFor(const _XImage* image, int depth);
  bool EnsureShmImage(int width, int height);
  void DropShmImage();

  XDisplay* display_;
  DesktopRecord& record_;
  int screen_;
  XWindowId root_;
  Rect primary_;
  std::function<bool(XWindowId)> own_;
  bool icons_visible_ = true;
  IconFreeSource source_ = IconFreeSource::Screen;
  bool stale_pixmap_ = false;
  int64_t masked_pixels_ = 0;
  // The picture without icons, unless it is the live screen.
  Surface icon_free_;
  // The last capture with icons: where it was put and its fingerprint.
  Surface* with_icons_target_ = nullptr;
  uint64_t with_icons_print_ = 0;
  bool TargetHoldsCapture() const;
  // Desktop windows this object unmapped for the icon layer.
  std::vector<XWindowId> hidden_desktops_;
  std::vector<XWindowId> hidden_docks_;
  std::vector<Rect> hidden_dock_areas_;

  bool xfixes_ = false;
  int cursor_count_ = 0;
  bool cursor_hidden_ = false;

  bool shm_available_ = false;
  struct Shared;  // the MIT-SHM capture image
  std::unique_ptr<Shared> shm_;
};

}  // namespace tk::gtkx
