// The play surface: a fullscreen toplevel whose X window receives the
// composed pixels.
#include <gtk/gtk.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "toolkit/controls.h"
#include "toolkit/input.h"
#include "toolkit/linux/gtk_peers.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/linux/pixel_format.h"
#include "toolkit/linux/text_input.h"

// After the toolkit's headers: Xlib's macros (KeyPress, None, ...) would
// clash with them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>

namespace tk::gtkx {

namespace {

class ComposedPeer : public WindowPeer {
 public:
  ComposedPeer(LinuxPlatform& platform, Form& form) : platform_(platform), form_(form) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    gtk_window_set_title(GTK_WINDOW(window_), form_.Caption.c_str());
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_NORMAL);
    gtk_widget_set_app_paintable(window_, TRUE);
    // Exposed parts are painted straight from the frame. Double-buffered, GTK
    // would first paint into a window-sized buffer of shared memory in this
    // process: one more frame's worth (130 MB at 8K).
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_widget_set_double_buffered(window_, FALSE);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_widget_add_events(window_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                       GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK);
    gtk_widget_set_has_tooltip(window_, TRUE);
    g_signal_connect(window_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(window_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(window_, "button-press-event", G_CALLBACK(OnButton), this);
    g_signal_connect(window_, "button-release-event", G_CALLBACK(OnButton), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "query-tooltip", G_CALLBACK(OnQueryTooltip), this);
    platform_.RegisterWindow(&form_, window_);
  }

  ~ComposedPeer() override {
    platform_.UnregisterWindow(&form_);
    DropImage();
    if (gc_) XFreeGC(platform_.Xdpy(), gc_);
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
  }

  void Show(bool) override {
    gtk_window_set_title(GTK_WINDOW(window_), form_.Caption.c_str());
    if (!gtk_widget_get_visible(window_)) {
      Rect screen = platform_.PrimaryScreen();
      int w = std::max(static_cast<int>(form_.ScaleWidth()), 1);
      int h = std::max(static_cast<int>(form_.ScaleHeight()), 1);
      gtk_window_set_default_size(GTK_WINDOW(window_), w, h);
      gtk_window_move(GTK_WINDOW(window_), screen.x, screen.y);
      if (form_.Maximised) {
        gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
        gtk_window_fullscreen(GTK_WINDOW(window_));
      }
      gtk_window_set_keep_above(GTK_WINDOW(window_), TRUE);
      gtk_widget_show(window_);
    }
    gtk_window_present(GTK_WINDOW(window_));
  }

  void Hide() override { gtk_widget_hide(window_); }

  void ControlChanged(Control&) override {}  // the toolkit draws the controls

  void Present(const Surface& frame, std::span<const Rect> areas) override {
    if (!gtk_widget_get_mapped(window_) || frame.Empty()) return;
    auto started = std::chrono::steady_clock::now();
    GdkWindow* gdk_window = gtk_widget_get_window(window_);
    if (!gdk_window || !EnsureImage(gdk_window, frame)) return;
    Display* d = platform_.Xdpy();
    Window xid = gdk_x11_window_get_xid(gdk_window);
    uint64_t pixels = 0;
    const Rect whole{0, 0, frame.Width(), frame.Height()};
    for (const Rect& area : areas) {
      Rect r = area.Intersect(whole);
      if (r.Empty()) continue;
      for (int y = r.y; y < r.Bottom() && !borrowed_; ++y) {
        auto* dst = reinterpret_cast<uint8_t*>(image_->data) +
                    static_cast<size_t>(y) * image_->bytes_per_line +
                    static_cast<size_t>(r.x) * static_cast<size_t>(format_->BytesPerPixel());
        format_->EncodeRow(frame.Row(y) + r.x, r.w, dst);
      }
      if (shared_ && !borrowed_)
        XShmPutImage(d, xid, gc_, image_, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.w),
                     static_cast<unsigned>(r.h), False);
      else
        XPutImage(d, xid, gc_, image_, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.w),
                  static_cast<unsigned>(r.h));
      pixels += static_cast<uint64_t>(r.w) * static_cast<uint64_t>(r.h);
      ++platform_.presentStats.areas;
    }
    XFlush(d);
    auto& stats = platform_.presentStats;
    ++stats.calls;
    stats.pixels += pixels;
    stats.nanoseconds += static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                   std::chrono::steady_clock::now() - started)
                                                   .count());
  }

 private:
  static char* FrameBytes(const Surface& frame) {
    return reinterpret_cast<char*>(const_cast<Color*>(frame.Row(0)));
  }

  // An X image of the whole frame. Where the window stores its pixels as the
  // toolkit does (x8r8g8b8 at depth 24, the common case) the image is only a
  // description of the frame's own memory: the screen takes the pixels from
  // there and no second copy of the frame exists. Otherwise it is an image in
  // the window's format, in shared memory where the server allows it, that
  // each present encodes into.
  bool EnsureImage(GdkWindow* gdk_window, const Surface& frame) {
    const int width = frame.Width(), height = frame.Height();
    if (image_ && image_->width == width && image_->height == height) {
      if (borrowed_) image_->data = FrameBytes(frame);  // the frame may have moved
      return true;
    }
    DropImage();
    Display* d = platform_.Xdpy();
    GdkVisual* gv = gdk_window_get_visual(gdk_window);
    Visual* visual = gdk_x11_visual_get_xvisual(gv);
    int depth = gdk_visual_get_depth(gv);
    Window xid = gdk_x11_window_get_xid(gdk_window);
    if (!gc_) gc_ = XCreateGC(d, xid, 0, nullptr);
    if (depth == 24 && BorrowFrame(visual, frame)) return true;
    if (XShmQueryExtension(d)) {
      image_ = XShmCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm_,
                               static_cast<unsigned>(width), static_cast<unsigned>(height));
      if (image_) {
        size_t bytes = static_cast<size_t>(image_->bytes_per_line) * static_cast<size_t>(height);
        shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void* addr = shm_.shmid >= 0 ? shmat(shm_.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
        bool attached = false;
        if (addr != reinterpret_cast<void*>(-1)) {
          shm_.shmaddr = image_->data = static_cast<char*>(addr);
          shm_.readOnly = False;
          XErrorTrap trap(d);
          XShmAttach(d, &shm_);
          attached = !trap.Failed();
        }
        if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);
        if (attached) {
          shared_ = true;
        } else {
          if (addr != reinterpret_cast<void*>(-1)) shmdt(addr);
          image_->data = nullptr;
          XDestroyImage(image_);
          image_ = nullptr;
        }
      }
    }
    if (!image_) {
      image_ = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
      if (!image_) return false;
      image_->data = static_cast<char*>(
          std::calloc(static_cast<size_t>(image_->bytes_per_line), static_cast<size_t>(height)));
      if (!image_->data) {
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
      }
      shared_ = false;
    }
    format_ = std::make_unique<PixelFormat>(static_cast<uint32_t>(image_->red_mask),
                                            static_cast<uint32_t>(image_->green_mask),
                                            static_cast<uint32_t>(image_->blue_mask),
                                            image_->bits_per_pixel, image_->byte_order == MSBFirst);
    if (!format_->Valid()) {
      DropImage();
      return false;
    }
    return true;
  }

  bool BorrowFrame(Visual* visual, const Surface& frame) {
    image_ = XCreateImage(platform_.Xdpy(), visual, 24, ZPixmap, 0, FrameBytes(frame),
                          static_cast<unsigned>(frame.Width()),
                          static_cast<unsigned>(frame.Height()), 32, frame.Width() * 4);
    if (!image_) return false;
    PixelFormat format(static_cast<uint32_t>(image_->red_mask),
                       static_cast<uint32_t>(image_->green_mask),
                       static_cast<uint32_t>(image_->blue_mask), image_->bits_per_pixel,
                       image_->byte_order == MSBFirst);
    borrowed_ = format.Direct() && image_->bytes_per_line == frame.Width() * 4;
    if (!borrowed_) {
      image_->data = nullptr;
      XDestroyImage(image_);
      image_ = nullptr;
    }
    return borrowed_;
  }

  void DropImage() {
    if (!image_) return;
    Display* d = platform_.Xdpy();
    if (borrowed_) image_->data = nullptr;  // the frame's memory is the form's
    if (shared_) {
      {
        XErrorTrap trap(d);
        XShmDetach(d, &shm_);
      }
      shmdt(shm_.shmaddr);
      image_->data = nullptr;
    }
    XDestroyImage(image_);  // frees the calloc'ed buffer of a plain image
    image_ = nullptr;
    shared_ = false;
    borrowed_ = false;
    format_.reset();
  }

  void Queue(InputEvent e) {
    e.form = &form_;
    platform_.QueueInput(e);
  }

  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* self = static_cast<ComposedPeer*>(data);
    const Surface& frame = self->form_.Frame();
    if (frame.Empty()) {
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_paint(cr);
      return TRUE;
    }
    // What was exposed is put on the screen the way every present is, from
    // the frame itself. Painting through cairo would have it send the frame
    // through a buffer of shared memory of its own, as large as the window.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    const Rect exposed{static_cast<int>(x1), static_cast<int>(y1),
                       static_cast<int>(x2 - static_cast<int>(x1) + 1),
                       static_cast<int>(y2 - static_cast<int>(y1) + 1)};
    self->Present(frame, std::span(&exposed, 1));
    return TRUE;
  }

  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    static_cast<ComposedPeer*>(data)->Queue({.kind = InputEvent::Kind::Pointer,
                                             .action = PointerAction::Move,
                                             .x = WholePixel(event->x),
                                             .y = WholePixel(event->y)});
    return TRUE;
  }

  static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer data) {
    // A double click arrives as press, release, press, double-press,
    // release: the extra double-press is not a button going down.
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
    int16_t button = ToolkitButton(event->button);
    if (!button) return FALSE;
    static_cast<ComposedPeer*>(data)->Queue({.kind = InputEvent::Kind::Pointer,
                                             .action = ButtonAction(event->type),
                                             .button = button,
                                             .x = WholePixel(event->x),
                                             .y = WholePixel(event->y)});
    return TRUE;
  }

  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    int16_t key = KeyAscii(event->keyval, gdk_keyval_to_unicode(event->keyval),
                           (event->state & GDK_CONTROL_MASK) != 0);
    if (key < 0) return FALSE;
    static_cast<ComposedPeer*>(data)->Queue({.kind = InputEvent::Kind::Key, .key = key});
    return TRUE;
  }

  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<ComposedPeer*>(data)->Queue({.kind = InputEvent::Kind::CloseBox});
    return TRUE;  // the form decides; the window stays
  }

  static gboolean OnQueryTooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tooltip,
                                 gpointer data) {
    auto* self = static_cast<ComposedPeer*>(data);
    Control* c = self->form_.HitTest(x, y);
    if (!c || c->ToolTipText.empty()) return FALSE;
    gtk_tooltip_set_text(tooltip, c->ToolTipText.c_str());
    return TRUE;
  }

  LinuxPlatform& platform_;
  Form& form_;
  GtkWidget* window_ = nullptr;
  GC gc_ = nullptr;
  XImage* image_ = nullptr;
  bool shared_ = false;
  bool borrowed_ = false;  // image_ describes the frame's own memory
  XShmSegmentInfo shm_{};
  std::unique_ptr<PixelFormat> format_;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeComposedPeer(LinuxPlatform& platform, Form& form) {
  return std::make_unique<ComposedPeer>(platform, form);
}

}  // namespace tk::gtkx
