#include "toolkit/linux/guardian_process.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "toolkit/guardian.h"
#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/guardian_link.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>

namespace tk::gtkx {

namespace {

// How long the give-back may wait for an X server that does not answer once
// the game is gone; then the guardian gives up rather than linger.
constexpr unsigned kGiveUpSeconds = 30;
// Before a silent game is taken off the screen: time for it to speak once
// the server has answered (it may have been waiting for a stalled server).
constexpr int kLastChanceMs = 2000;

uint64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

void Say(const char* text) { std::fprintf(stderr, "lumbravick: %s\n", text); }

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }
// The server went away, and the windows with it: nothing left to give back.
int ServerGone(Display*) { _exit(0); }

class XHost : public guardian::Host {
 public:
  XHost(Display* display, pid_t game) : display_(display), game_(game) {}

  void Noted(const guardian::HiddenItem& item) override {
    // A window destroyed while hidden is forgotten (its id may come back on
    // another window).
    XSelectInput(display_, static_cast<Window>(item.id), StructureNotifyMask);
    XFlush(display_);
  }
  void GiveBack(const guardian::HiddenItem& item) override {
    if (GiveBackWindow(display_, WindowOf(display_, item)) == GiveBackResult::Mapped) ++given_;
    XSync(display_, False);
  }
  void TakeOffScreen(uint64_t gameResource) override {
    // Closing the game's connection takes its window away and shows the
    // pointer it hid.
    XKillClient(display_, static_cast<XID>(gameResource));
    XSync(display_, False);
    Say("the game has not answered for 20 s; its guardian gave the desktop back");
  }
  void EndGame() override {
    kill(game_, SIGKILL);
    Say("the game still did not answer; its guardian ended it");
  }
  int Given() const { return given_; }

 private:
  Display* display_;
  pid_t game_;
  int given_ = 0;
};

// The game's socket, read into the guardian. False once the game is gone.
class GameSocket {
 public:
  explicit GameSocket(int fd) : fd_(fd) {}
  int Fd() const { return fd_; }
  bool Read(guardian::Guardian& guardian) {
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) return false;
    for (const std::string& line : reader_.Feed(std::string_view(buf, static_cast<size_t>(n))))
      guardian.OnLine(line, NowMs());
    return true;
  }
  // Waits up to `ms` for the game to say something. False once it is gone.
  bool Listen(guardian::Guardian& guardian, int ms) {
    pollfd p{fd_, POLLIN, 0};
    int r = poll(&p, 1, ms);
    return r <= 0 || Read(guardian);
  }

 private:
  int fd_;
  guardian::LineReader reader_;
};

void DrainEvents(Display* display, guardian::Guardian& guardian) {
  while (XPending(display)) {
    XEvent e;
    XNextEvent(display, &e);
    if (e.type == DestroyNotify) guardian.OnWindowGone(e.xdestroywindow.window);
  }
}

// Follows the game until it is gone. Returns when its socket closes.
void Follow(Display* display, GameSocket& game, guardian::Guardian& guardian) {
  for (;;) {
    DrainEvents(display, guardian);
    uint64_t wait = guardian.WaitFrom(NowMs());
    if (wait == 0) {
      // The game looks hung; a stalled server would hold it too. Once the
      // server answers, the game gets a last chance to speak.
      XSync(display, False);
      if (!game.Listen(guardian, kLastChanceMs)) return;
      guardian.OnTick(NowMs());
      continue;
    }
    pollfd p[2] = {{game.Fd(), POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
    int r = poll(p, 2, static_cast<int>(wait < 60000 ? wait : 60000));
    if (r < 0 && errno != EINTR) return;
    if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) && !game.Read(guardian)) return;
  }
}

}  // namespace

int RunGuardian(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "lumbravick: %s is for the game's own use\n", kGuardianArgument);
    return 2;
  }
  const int fd = std::atoi(argv[2]);
  const pid_t game_pid = static_cast<pid_t>(std::atol(argv[4]));
  const std::string record_path = argv[5];
  signal(SIGPIPE, SIG_IGN);
  Display* display = XOpenDisplay(argv[3]);
  if (!display || game_pid <= 0) return 1;
  XSetErrorHandler(IgnoreErrors);
  XSetIOErrorHandler(ServerGone);
  const std::string ready = "ready " + std::to_string(getpid()) + "\n";
  if (write(fd, ready.data(), ready.size()) != static_cast<ssize_t>(ready.size())) return 1;

  XHost host(display, game_pid);
  guardian::Guardian guardian(host, NowMs());
  GameSocket game(fd);
  Follow(display, game, guardian);

  // The game is gone. A stalled server may keep the give-back waiting, but
  // not for ever.
  alarm(kGiveUpSeconds);
  XSync(display, False);
  DrainEvents(display, guardian);
  const bool left_hidden = !guardian.Noted().Empty();
  guardian.OnGameGone();
  if (left_hidden) {
    unlink(record_path.c_str());
    std::fprintf(stderr,
                 "lumbravick: the game ended without giving the desktop back; its guardian gave "
                 "back %d window(s)\n",
                 host.Given());
  }
  XCloseDisplay(display);
  return 0;
}

}  // namespace tk::gtkx
