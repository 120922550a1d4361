// Every way out of the program gives the desktop back:
//  - SIGINT, SIGTERM, SIGHUP: the request is noted and the program leaves
//    through its normal end at the next yield or sleep; if it has not left
//    within a few seconds (or the signal comes again), it dies of the signal;
//  - SIGSEGV, SIGABRT, SIGBUS, SIGFPE: the process dies of the signal;
//  - a lost X connection: the program exits with status 1.
// In the last three the guardian process (guardian_link.h) gives the desktop
// back once this process is gone: a handler cannot safely do it (a crash may
// hold the allocator's lock, and the X server may not answer). Only without a
// guardian does the handler try itself, through a fresh connection (see
// DesktopRecord), cut short by an alarm. Either way the trace gets an `exit`
// line that says what happened, and the exit status is the signal's.
#pragma once

namespace tk::gtkx {

void InstallExitPaths();

// Seconds a termination request may take to reach the normal end, and a
// handler's own give-back may take.
constexpr unsigned kTerminationGraceSeconds = 3;

// Formats the trace's exit line for a death by `signal` without allocating
// (for signal handlers). Returns its length; the line ends with '\n'.
int FormatExitLine(char* out, int size, unsigned t, int code, int signal, const char* reason);

}  // namespace tk::gtkx
