// lumbravick-show-dialog: one of the game's dialogs on the X11 desktop, filled
// and shown as the game does, for screenshots of results a short game cannot
// reach and for trying the dialogs by hand. Returns when it is closed.
//
//   lumbravick-show-dialog end TOTAL STANDING SECONDS
//       the end screen of a game that found TOTAL icon pixels and left
//       STANDING of them after SECONDS seconds (OK locked for 5 s)
//   lumbravick-show-dialog about
//   lumbravick-show-dialog chooser
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/results.h"
#include "stylesheets/frmStyleSheets.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/toolkit.h"
#include "windows/frmAbout.h"
#include "windows/frmEndScreen.h"
#include "windows/sidewindows.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: lumbravick-show-dialog end TOTAL STANDING SECONDS | about | chooser\n");
  return 2;
}

bool ToNumber(const char* text, long long& out) {
  char* end = nullptr;
  out = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && out >= 0 && out <= 2147483647;
}

// The end screen as the game's quit fills it for a game that got through the
// icon scan.
void ShowEndScreen(int32_t total, int32_t standing, int64_t seconds) {
  frmEndScreen& end = EndScreen();
  end.Load();
  end.lblPlayTime.SetCaption(game::PlayTimeText(tk::TimeOfDayText(seconds), total, standing, true));
  std::string speed;
  if (game::SpeedText(total, standing, true, seconds, speed)) end.lblSpeed.SetCaption(speed);
  end.tmrEndSequence.SetEnabled(true);
  end.Show(true);
  game::ReleaseSideWindows();
}

}  // namespace

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  g_setenv("GDK_SCALE", "1", TRUE);
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "lumbravick-show-dialog: cannot open the X display\n");
    return 1;
  }
  const std::string what = argc > 1 ? argv[1] : "";
  long long total = 0, standing = 0, seconds = 0;
  if (what == "end" && (argc != 5 || !ToNumber(argv[2], total) || !ToNumber(argv[3], standing) ||
                        !ToNumber(argv[4], seconds)))
    return Usage();
  if (what != "end" && (argc != 2 || (what != "about" && what != "chooser"))) return Usage();

  tk::gtkx::LinuxPlatform platform;
  tk::InstallPlatform(&platform);
  if (what == "end")
    ShowEndScreen(static_cast<int32_t>(total), static_cast<int32_t>(standing), seconds);
  else if (what == "about")
    OpenAboutWindow();
  else
    OpenStyleSheetChooser();
  tk::InstallPlatform(nullptr);
  return 0;
}
