// lumbravick: the game on the user's X11 desktop.
//
// No command line (the program starts itself with a private argument as its
// guardian). LUMBRAVICK_TRACE=FILE appends the flight recorder's events to
// FILE; LUMBRAVICK_DUMP_CAPTURES=DIR writes the desktop captures there as PPM
// pictures (capture-1.ppm with the icons, capture-2.ppm without);
// LUMBRAVICK_GUARDIAN=0 plays without the guardian process.
#include <gtk/gtk.h>
#include <locale.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "game/program.h"
#include "toolkit/linux/exit_paths.h"
#include "toolkit/linux/gtk_peers.h"
#include "toolkit/linux/guardian_link.h"
#include "toolkit/linux/guardian_process.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/linux/pixel_format.h"
#include "toolkit/resources.h"
#include "toolkit/screen_limits.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// The program icon (icon resource 1) for every window.
void SetProgramIcon() {
  std::span<const uint8_t> ico = tk::FindEmbeddedResource(tk::ResourceType::Icon, 1);
  if (ico.empty()) return;
  GList* icons = nullptr;
  for (int size : {16, 32, 48}) {
    tk::Picture p = tk::DecodeIco(ico, size);
    if (!p) continue;
    if (GdkPixbuf* pb = tk::gtkx::PixbufFromPicture(*p)) icons = g_list_append(icons, pb);
  }
  if (!icons) return;
  gtk_window_set_default_icon_list(icons);
  g_list_free_full(icons, g_object_unref);
}

// Why no X display can be used, in one line.
void ExplainNoDisplay() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!display || !*display) && wayland && *wayland) {
    std::fprintf(stderr,
                 "lumbravick: this is a Wayland session without X11; the game needs an X11 session "
                 "(or XWayland with a capturable root window)\n");
  } else if (!display || !*display) {
    std::fprintf(
        stderr,
        "lumbravick: no X display (DISPLAY is not set); start the game in an X11 session\n");
  } else {
    std::fprintf(stderr, "lumbravick: cannot open the X display \"%s\"\n", display);
  }
}

// Why the game cannot be played on this screen, in one line; "" when it can.
// Checked before anything on the desktop is touched.
std::string UnusableScreen(tk::gtkx::LinuxPlatform& platform) {
  Display* display = platform.Xdpy();
  const int screen = DefaultScreen(display), depth = DefaultDepth(display, screen);
  const Visual* visual = DefaultVisual(display, screen);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
    return "the screen shows " + std::to_string(depth) +
           "-bit palette colours, which the game cannot photograph; it needs a true-colour "
           "screen (depth 16, 24 or 32)";
  }
  int bits = 0, count = 0;
  if (XPixmapFormatValues* formats = XListPixmapFormats(display, &count)) {
    for (int i = 0; i < count; ++i)
      if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    XFree(formats);
  }
  tk::gtkx::PixelFormat format(
      static_cast<uint32_t>(visual->red_mask), static_cast<uint32_t>(visual->green_mask),
      static_cast<uint32_t>(visual->blue_mask), bits, ImageByteOrder(display) == MSBFirst);
  if (!format.Valid()) {
    return "the game cannot read this screen's pixels (depth " + std::to_string(depth) + ", " +
           std::to_string(bits) + " bits per pixel)";
  }
  tk::Rect primary = platform.PrimaryScreen();
  return tk::ScreenTooSmall(primary.w, primary.h);
}

bool GuardianWanted() {
  const char* setting = std::getenv("LUMBRAVICK_GUARDIAN");
  return !setting || std::strcmp(setting, "0") != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], tk::gtkx::kGuardianArgument) == 0)
    return tk::gtkx::RunGuardian(argc, argv);

  // Numbers are read and written the C way inside the program; the user's
  // locale applies to texts and times only.
  gtk_disable_setlocale();
  setlocale(LC_ALL, "");
  setlocale(LC_NUMERIC, "C");
  // One window pixel is one screen pixel: the captures are laid under the
  // play surface one to one.
  g_setenv("GDK_SCALE", "1", TRUE);
  gdk_set_allowed_backends("x11");
  // The game draws with X images and never with OpenGL. Left on, GDK loads
  // the GL driver to choose its visuals, which alone maps 40-70 MB (a
  // software driver brings a whole compiler). Only GDK's start reads this,
  // so it is taken away again before anything is started from the game.
  const bool gl_was_set = g_getenv("GDK_GL") != nullptr;
  if (!gl_was_set) g_setenv("GDK_GL", "disable", TRUE);

  const char* display = std::getenv("DISPLAY");
  const bool started = display && *display && gtk_init_check(&argc, &argv);
  if (!gl_was_set) g_unsetenv("GDK_GL");
  if (!started) {
    ExplainNoDisplay();
    return 1;
  }
  tk::gtkx::InstallExitPaths();

  int code = 0;
  {
    tk::gtkx::LinuxPlatform platform;
    if (std::string why = UnusableScreen(platform); !why.empty()) {
      std::fprintf(stderr, "lumbravick: %s\n", why.c_str());
      return 1;
    }
    platform.SetGuarded(GuardianWanted());
    tk::InstallPlatform(&platform);
    if (const char* dir = std::getenv("LUMBRAVICK_DUMP_CAPTURES"); dir && *dir)
      platform.SetCaptureDumpDir(dir);
    if (const char* path = std::getenv("LUMBRAVICK_TRACE"); path && *path) {
      if (!tk::trace::Open(path))
        std::fprintf(stderr, "lumbravick: cannot write the trace to %s\n", path);
    }
    SetProgramIcon();

    try {
      game::RunResult result = game::RunProgram();
      code = result.exitCode;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "lumbravick: %s\n", e.what());
      code = 1;
    }
    platform.GiveDesktopBack();
    alarm(0);  // a termination request has reached its end in time
    tk::trace::Close();
    tk::InstallPlatform(nullptr);
  }

  // Ended by a signal: die of it, as the parent expects.
  if (int sig = tk::gtkx::LinuxPlatform::TerminationSignal()) {
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
  return code;
}
