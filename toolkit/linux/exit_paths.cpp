#include "toolkit/linux/exit_paths.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/linux_platform.h"

#include <X11/Xlib.h>

namespace tk::gtkx {

namespace {

volatile sig_atomic_t g_requested = 0;

void Say(const char* text) {
  ssize_t n = write(STDERR_FILENO, text, std::strlen(text));
  (void)n;
}

[[noreturn]] void GiveBackAndDie(int sig) {
  // A restore that hangs must not keep the process alive.
  signal(SIGALRM, SIG_DFL);
  alarm(kTerminationGraceSeconds);
  Record().GiveBackThroughNewConnection();
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

void OnTermination(int sig) {
  if (g_requested) GiveBackAndDie(g_requested);  // asked again: at once
  g_requested = sig;
  LinuxPlatform::RequestTermination(sig);
  alarm(kTerminationGraceSeconds);
}

void OnGraceOver(int) {
  Say("lumbravick: did not end in time after a termination signal; desktop given back\n");
  GiveBackAndDie(g_requested ? g_requested : SIGTERM);
}

void OnCrash(int sig) {
  Say("lumbravick: crashed; giving the desktop back\n");
  GiveBackAndDie(sig);
}

int OnConnectionLost(Display*) {
  Say("lumbravick: the connection to the X server was lost\n");
  Record().GiveBackThroughNewConnection();
  _exit(1);
}

void Install(int sig, void (*handler)(int), int flags) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = flags;
  sigaction(sig, &sa, nullptr);
}

}  // namespace

void InstallExitPaths() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) Install(sig, OnTermination, SA_RESTART);
  Install(SIGALRM, OnGraceOver, 0);
  for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE})
    Install(sig, OnCrash, SA_RESETHAND | SA_NODEFER);
  XSetIOErrorHandler(OnConnectionLost);
}

}  // namespace tk::gtkx
