// Giving windows back on a real (scratch) X server: only the window that was
// hidden, in its place and with its state, by the game and by its guardian
// process, also after X has handed the hidden window's id to another window.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/linux/x_fixture.h"
#include "toolkit/guardian.h"
#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/x11_desktop.h"

#include <X11/Xutil.h>

using tk::gtkx::GiveBackResult;
using tk::gtkx::HiddenWindow;
using xtest::MapState;

extern char** environ;

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

// The guardian process (the game program with its private argument), fed
// the lines the game sends.
class GuardianProcess : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_X();
    record_ = dir_.Path() + "/record.txt";
    std::ofstream(record_) << "display " << DisplayString(xtest::Dpy()) << "\n";
    // Stands for the game: the guardian may end it.
    const char* sleep_args[] = {"sleep", "60", nullptr};
    ASSERT_EQ(
        posix_spawnp(&game_, "sleep", nullptr, nullptr, const_cast<char**>(sleep_args), environ),
        0);
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 3);
    const std::string pid = std::to_string(game_);
    const char* args[] = {
        LUMBRAVICK_GAME_PROGRAM, "--guardian", "3", DisplayString(xtest::Dpy()), pid.c_str(),
        record_.c_str(),         nullptr};
    ASSERT_EQ(
        posix_spawn(&guardian_, args[0], &actions, nullptr, const_cast<char**>(args), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    socket_ = pair[0];
    char ready[32] = {};
    pollfd p{socket_, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    ASSERT_GT(read(socket_, ready, sizeof ready - 1), 0);
    ASSERT_EQ(std::string(ready), "ready " + std::to_string(guardian_) + "\n");
  }
  void TearDown() override {
    if (socket_ >= 0) close(socket_);
    if (guardian_ > 0) waitpid(guardian_, nullptr, 0);
    if (game_ > 0) {
      kill(game_, SIGKILL);
      waitpid(game_, nullptr, 0);
    }
  }
  void Say(const std::string& line) {
    std::string text = line + "\n";
    ASSERT_EQ(write(socket_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // The game is gone: the guardian gives back and ends.
  int GameGone() {
    close(socket_);
    socket_ = -1;
    int status = -1;
    waitpid(guardian_, &status, 0);
    guardian_ = 0;
    return status;
  }
  std::string HideLine(Window w) {
    HiddenWindow saved;
    tk::gtkx::ReadWindow(xtest::Dpy(), w, saved);
    return tk::guardian::HideLine(tk::gtkx::ItemOf(xtest::Dpy(), saved));
  }

  xtest::TempDir dir_;
  std::string record_;
  pid_t game_ = 0, guardian_ = 0;
  int socket_ = -1;
};

TEST_F(GuardianProcess, GivesBackWhatTheGameLeftButNoWindowThatTookAHiddenOnesId) {
  Client panels;
  Window kept = panels.Dock("panel");
  xtest::SetAtoms(kept, "_NET_WM_STATE", {xtest::A("_NET_WM_STATE_STICKY")});
  Window shown = panels.Dock("panel");
  Client dying;
  Window died = dying.Dock("panel");
  for (Window w : {kept, shown, died}) {
    Say(HideLine(w));
    Hide(w);
  }
  Say(tk::guardian::ShownLine(shown));
  Say(tk::guardian::AliveLine());
  // The guardian must have seen the hides before the window dies.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  dying.Close();
  Client successor;
  Window taker = successor.Dock("panel", false);
  ASSERT_EQ(taker, died) << "the X server handed the freed id on";

  EXPECT_EQ(GameGone(), 0);
  EXPECT_EQ(MapState(kept), IsViewable);
  EXPECT_EQ(States(kept), std::vector<Atom>{xtest::A("_NET_WM_STATE_STICKY")});
  EXPECT_EQ(MapState(shown), IsUnmapped) << "the game said it was back: not the guardian's to map";
  EXPECT_EQ(MapState(taker), IsUnmapped) << "same class and type, but not the window hidden";
  EXPECT_EQ(access(record_.c_str(), F_OK), -1) << "the record file is done with";
  EXPECT_EQ(kill(game_, 0), 0) << "a game that ended is not killed";
}

TEST_F(GuardianProcess, AGameThatGaveEverythingBackLeavesNothingToDo) {
  Client panels;
  Window dock = panels.Dock("panel");
  Say(HideLine(dock));
  Hide(dock);
  Say(tk::guardian::DoneLine());
  EXPECT_EQ(GameGone(), 0);
  EXPECT_EQ(MapState(dock), IsUnmapped);
  EXPECT_EQ(access(record_.c_str(), F_OK), 0) << "only a guardian that gave back removes it";
}
