#include "toolkit/linux/linux_platform.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "toolkit/controls.h"
#include "toolkit/linux/gtk_peers.h"
#include "toolkit/linux/ppm.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <gdk/gdkx.h>

namespace tk::gtkx {

namespace {

volatile sig_atomic_t g_termination = 0;
int g_wake_pipe[2] = {-1, -1};

gboolean DrainWakePipe(gint fd, GIOCondition, gpointer) {
  char buf[64];
  while (read(fd, buf, sizeof buf) > 0) {
  }
  return G_SOURCE_CONTINUE;
}

// Captures that disagree are retaken up to this many times in all, this far
// apart.
constexpr int kCaptureGrabs = 12;
constexpr uint32_t kCapturePauseMs = 150;

gboolean WaitExpired(gpointer data) {
  *static_cast<bool*>(data) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

LinuxPlatform::LinuxPlatform() : settings_(g_get_user_config_dir()) {
  GdkDisplay* display = gdk_display_get_default();
  xdisplay_ = gdk_x11_display_get_xdisplay(display);
  desktop_ = std::make_unique<X11Desktop>(xdisplay_, Record());
  desktop_->SetPrimary(PrimaryScreen());
  desktop_->SetOwnWindowFilter([this](Window w) { return IsOwnWindow(w); });
  Record().SetDisplayName(DisplayString(xdisplay_));
  lock_path_ = InstanceLockPath(g_getenv("XDG_RUNTIME_DIR"), g_get_user_cache_dir());
  if (g_wake_pipe[0] < 0 && pipe2(g_wake_pipe, O_NONBLOCK | O_CLOEXEC) == 0)
    g_unix_fd_add(g_wake_pipe[0], G_IO_IN, DrainWakePipe, nullptr);
}

LinuxPlatform::~LinuxPlatform() {
  GiveDesktopBack();
  if (guardian_) Record().SetListener(nullptr);
}

// ---- time --------------------------------------------------------------------------

uint32_t LinuxPlatform::TickCount() {
  return static_cast<uint32_t>(static_cast<uint64_t>(g_get_monotonic_time() / 1000));
}

void LinuxPlatform::Sleep(uint32_t ms) {
  // Blocks and delivers nothing; only a termination request cuts it short.
  if (guardian_) {
    guardian_->Alive();
    // Long enough to count: the guardian is not to take it for a hang.
    if (ms >= 100) guardian_->Quiet(ms);
  }
  const int64_t until = g_get_monotonic_time() + static_cast<int64_t>(ms) * 1000;
  for (;;) {
    CheckTermination();
    int64_t left_us = until - g_get_monotonic_time();
    if (left_us <= 0) return;
    struct pollfd p {
      g_wake_pipe[0], POLLIN, 0
    };
    int timeout = static_cast<int>((left_us + 999) / 1000);
    if (g_wake_pipe[0] < 0) {
      usleep(static_cast<useconds_t>(left_us));
    } else if (poll(&p, 1, timeout) > 0) {
      DrainWakePipe(g_wake_pipe[0], G_IO_IN, nullptr);  // a request came: looked at above
    }
  }
}

double LinuxPlatform::ClockSeconds() {
  GDateTime* now = g_date_time_new_now_local();
  double s = g_date_time_get_hour(now) * 3600.0 + g_date_time_get_minute(now) * 60.0 +
             g_date_time_get_seconds(now);
  g_date_time_unref(now);
  return s;
}

// ---- events -------------------------------------------------------------------------

void LinuxPlatform::RequestTermination(int signal) {
  g_termination = signal;
  if (g_wake_pipe[1] >= 0) {
    char c = 1;
    ssize_t written = write(g_wake_pipe[1], &c, 1);
    (void)written;
  }
}

int LinuxPlatform::TerminationSignal() { return g_termination; }

void LinuxPlatform::CheckTermination() {
  if (int sig = g_termination) {
    // Once: the program's way out runs from here, and the handlers that run
    // on the way (the end of the game) must not end it a second time.
    static bool ending = false;
    if (ending) return;
    ending = true;
    trace::Event("signal").Int("number", sig);
    EndProgram(128 + sig);
  }
}

void LinuxPlatform::Drain() {
  // Bounded: a source that is always ready must not hold the loop.
  for (int i = 0; i < 10000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void LinuxPlatform::PumpEvents(uint32_t waitMs) {
  CheckTermination();
  if (guardian_) guardian_->Alive();
  woken_ = false;
  Drain();
  if (waitMs > 0 && !InputPending() && !woken_) {
    bool expired = false;
    guint source = g_timeout_add(waitMs, WaitExpired, &expired);
    while (!expired && !woken_ && !InputPending() && !g_termination)
      g_main_context_iteration(nullptr, TRUE);
    if (!expired) g_source_remove(source);
    Drain();
  }
  CheckTermination();
  DeliverQueuedInput();
}

void LinuxPlatform::QueueInput(const InputEvent& e) {
  tk::QueueInputMergingMoves(e);
  Wake();
}

void LinuxPlatform::LoopPass() {
  if (PassObserver) PassObserver();
}

// ---- windows ------------------------------------------------------------------------

std::unique_ptr<WindowPeer> LinuxPlatform::CreatePeer(Form& form) {
  if (form.Style() == FormStyle::Composed) return MakeComposedPeer(*this, form);
  return MakeDialogPeer(*this, form);
}

void LinuxPlatform::RegisterWindow(const Form* form, GtkWidget* window) { windows_[form] = window; }

void LinuxPlatform::UnregisterWindow(const Form* form) { windows_.erase(form); }

GtkWindow* LinuxPlatform::ParentWindow(const Form* except) const {
  auto it = windows_.find(ActiveForm(except));
  return it == windows_.end() ? nullptr : GTK_WINDOW(it->second);
}

bool LinuxPlatform::IsOwnWindow(unsigned long xid) const {
  for (const auto& [form, widget] : windows_) {
    GdkWindow* w = gtk_widget_get_window(widget);
    if (w && gdk_x11_window_get_xid(w) == xid) return true;
  }
  return false;
}

bool LinuxPlatform::AnotherInstanceRunning() {
  // Unavailable (no writable place for the lock) does not stop a game.
  return lock_.Acquire(lock_path_) == InstanceLock::Result::HeldElsewhere;
}

// ---- the desktop ---------------------------------------------------------------------

Rect LinuxPlatform::PrimaryScreen() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0)
    monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) {
    int screen = DefaultScreen(xdisplay_);
    return {0, 0, DisplayWidth(xdisplay_, screen), DisplayHeight(xdisplay_, screen)};
  }
  GdkRectangle g{};
  gdk_monitor_get_geometry(monitor, &g);
  int scale = gdk_monitor_get_scale_factor(monitor);
  return {g.x * scale, g.y * scale, g.width * scale, g.height * scale};
}

void LinuxPlatform::GuardDesktop() {
  if (!guarded_ || guardian_) return;
  size_t slash = lock_path_.rfind('/');
  std::string folder = slash == std::string::npos ? "." : lock_path_.substr(0, slash);
  guardian_ = std::make_unique<GuardianLink>(
      xdisplay_, GuardianLink::RecordPath(folder, DisplayString(xdisplay_)));
  guardian_->RepairStaleRecord();
  Record().SetListener(guardian_.get());
  if (!start_guardian_) return;
  // A resource of this connection: closing it (the guardian's last resort
  // against a hung game) takes the game's windows off the screen.
  Pixmap token =
      XCreatePixmap(xdisplay_, desktop_->Root(), 1, 1,
                    static_cast<unsigned>(DefaultDepth(xdisplay_, DefaultScreen(xdisplay_))));
  XFlush(xdisplay_);
  if (!guardian_->Start(token))
    std::fprintf(stderr,
                 "lumbravick: the guardian could not be started; a hard kill may leave the "
                 "panel hidden\n");
}

void LinuxPlatform::MinimiseAllWindows() {
  GuardDesktop();
  desktop_->MinimiseAll();
}

void LinuxPlatform::SetTaskbarVisible(bool visible) {
  if (!visible) GuardDesktop();
  desktop_->SetDocksVisible(visible);
}

void LinuxPlatform::SetIconLayerVisible(bool visible) {
  if (!visible) GuardDesktop();
  desktop_->SetIconLayerVisible(visible);
}

bool LinuxPlatform::CaptureScreen(Surface& target) {
  desktop_->SetPrimary(PrimaryScreen());
  const bool withIcons = desktop_->IconLayerVisible();
  bool ok = desktop_->Capture(target, kCaptureGrabs, [this] { Sleep(kCapturePauseMs); });
  if (!ok) return ok;
  DumpCapture(target, ++dumps_);
  if (withIcons) {
    with_icons_dump_ = dumps_;
  } else if (const Surface* corrected = desktop_->LastCaptureWithIcons();
             with_icons_dump_ > 0 && corrected && desktop_->MaskedPixels() > 0) {
    // Corrected outside the work area: the file shows what the game plays on.
    DumpCapture(*corrected, with_icons_dump_);
  }
  return ok;
}

void LinuxPlatform::DumpCapture(const Surface& image, int number) {
  if (dump_dir_.empty()) return;
  WritePpm(dump_dir_ + "/capture-" + std::to_string(number) + ".ppm", image);
}

int LinuxPlatform::ShowCursor(bool show) { return desktop_->ShowCursor(show); }

void LinuxPlatform::SetCursorPos(int x, int y) { desktop_->WarpPointer(x, y); }

bool LinuxPlatform::OpenUrl(const std::string& url) {
  GError* error = nullptr;
  gboolean ok = gtk_show_uri_on_window(ParentWindow(), url.c_str(), GDK_CURRENT_TIME, &error);
  if (error) g_error_free(error);
  return ok;
}

void LinuxPlatform::GiveDesktopBack() {
  if (desktop_) desktop_->GiveBackAll();
}

// ---- sound, settings, locale -----------------------------------------------------------

bool LinuxPlatform::PlayWav(std::span<const uint8_t> wav) { return sound_.Play(wav); }

void LinuxPlatform::StopSound() { sound_.Stop(); }

std::string LinuxPlatform::GetSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& fallback) {
  std::string value;
  return settings_.Get(app, section, key, value) ? value : fallback;
}

bool LinuxPlatform::SaveSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
  return settings_.Set(app, section, key, value);
}

std::string LinuxPlatform::FormatLongTime(int hours, int minutes, int seconds) {
  std::tm t{};
  t.tm_hour = hours;
  t.tm_min = minutes;
  t.tm_sec = seconds;
  t.tm_mday = 1;
  t.tm_year = 100;
  char text[64] = {};
  // The user's time format (LC_TIME), whatever the program's own locale.
  locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  size_t n = user ? strftime_l(text, sizeof text, "%X", &t, user) : 0;
  if (user) freelocale(user);
  if (n == 0) return Platform::FormatLongTime(hours, minutes, seconds);
  return text;
}

char LinuxPlatform::DecimalSeparator() {
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (!user) return '.';
  const char* radix = nl_langinfo_l(RADIXCHAR, user);
  // A separator of more than one byte has no single character.
  char c = radix && radix[0] && !radix[1] ? radix[0] : '.';
  freelocale(user);
  return c;
}

}  // namespace tk::gtkx
