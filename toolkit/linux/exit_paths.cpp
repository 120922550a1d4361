#include "toolkit/linux/exit_paths.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "toolkit/linux/desktop_record.h"
#include "toolkit/linux/guardian_link.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/trace.h"

#include <X11/Xlib.h>

namespace tk::gtkx {

namespace {

volatile sig_atomic_t g_requested = 0;
// The signal the process is dying of, for a give-back cut short.
volatile sig_atomic_t g_dying = 0;

void Say(const char* text) {
  ssize_t n = write(STDERR_FILENO, text, std::strlen(text));
  (void)n;
}

void Install(int sig, void (*handler)(int), int flags) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = flags;
  sigaction(sig, &sa, nullptr);
}

void Unblock(int sig) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

// The flight recorder's exit line, written without allocating.
void TraceExit(int sig, const char* reason) {
  std::FILE* stream = trace::Stream();
  if (!stream) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  // The platform's tick count: monotonic milliseconds, wrapping at 32 bits.
  auto tick = static_cast<unsigned>(static_cast<unsigned long long>(now.tv_sec) * 1000 +
                                    static_cast<unsigned long long>(now.tv_nsec) / 1000000);
  char line[160];
  int n = FormatExitLine(line, sizeof line, tick - trace::StartTick(), 128 + sig, sig, reason);
  ssize_t written = write(fileno_unlocked(stream), line, static_cast<size_t>(n));
  (void)written;
}

[[noreturn]] void Die(int sig) {
  signal(sig, SIG_DFL);
  Unblock(sig);
  raise(sig);
  _exit(128 + sig);
}

void OnGiveBackTimeout(int) {
  Say("lumbravick: giving the desktop back took too long\n");
  Die(g_dying);
}

[[noreturn]] void GiveBackAndDie(int sig, const char* reason) {
  g_dying = sig;
  TraceExit(sig, reason);
  if (!GuardianLink::Standing()) {
    // No guardian: try here, through a fresh connection. That allocates and
    // waits for the server, so an alarm ends it (this may run inside the
    // SIGALRM handler itself: the alarm must not stay blocked).
    Install(SIGALRM, OnGiveBackTimeout, SA_NODEFER);
    Unblock(SIGALRM);
    alarm(kTerminationGraceSeconds);
    Record().GiveBackThroughNewConnection();
  }
  Die(sig);
}

void OnTermination(int sig) {
  if (g_requested) GiveBackAndDie(g_requested, "signal_again");  // asked again: at once
  g_requested = sig;
  LinuxPlatform::RequestTermination(sig);
  alarm(kTerminationGraceSeconds);
}

void OnGraceOver(int) {
  Say("lumbravick: did not end in time after a termination signal\n");
  GiveBackAndDie(g_requested ? g_requested : SIGTERM, "termination_timeout");
}

void OnCrash(int sig) {
  Say("lumbravick: crashed\n");
  GiveBackAndDie(sig, "crash");
}

int OnConnectionLost(Display*) {
  Say("lumbravick: the connection to the X server was lost\n");
  trace::Event("exit").Int("code", 1).Str("reason", "x_connection_lost");
  trace::Close();
  if (!GuardianLink::Standing()) Record().GiveBackThroughNewConnection();
  _exit(1);
}

// Appends `text` to out[*at..size-1), keeping room for the line end.
void Put(char* out, int size, int* at, const char* text) {
  while (*text && *at < size - 2) out[(*at)++] = *text++;
}

void PutNumber(char* out, int size, int* at, long long value) {
  char digits[24];
  int n = 0;
  unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                   : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  if (value < 0) digits[n++] = '-';
  while (n > 0 && *at < size - 2) out[(*at)++] = digits[--n];
}

}  // namespace

int FormatExitLine(char* out, int size, unsigned t, int code, int signal, const char* reason) {
  int at = 0;
  Put(out, size, &at, "{\"t\":");
  PutNumber(out, size, &at, t);
  Put(out, size, &at, ",\"ev\":\"exit\",\"code\":");
  PutNumber(out, size, &at, code);
  Put(out, size, &at, ",\"signal\":");
  PutNumber(out, size, &at, signal);
  Put(out, size, &at, ",\"reason\":\"");
  Put(out, size, &at, reason);
  Put(out, size, &at, "\"}");
  out[at++] = '\n';
  return at;
}

void InstallExitPaths() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) Install(sig, OnTermination, SA_RESTART);
  Install(SIGALRM, OnGraceOver, SA_NODEFER);
  for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE})
    Install(sig, OnCrash, SA_RESETHAND | SA_NODEFER);
  XSetIOErrorHandler(OnConnectionLost);
}

}  // namespace tk::gtkx
