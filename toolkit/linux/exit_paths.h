// Every way out of the program gives the desktop back:
//  - SIGINT, SIGTERM, SIGHUP: the request is noted and the program leaves
//    through its normal end at the next yield or sleep; if it has not left
//    within a few seconds (or the signal comes again), the handler gives the
//    desktop back itself and dies of the signal;
//  - SIGSEGV, SIGABRT, SIGBUS, SIGFPE: the handler gives the desktop back and
//    raises the signal again;
//  - a lost X connection: the desktop is given back through a new connection
//    (where the server still runs) and the program exits.
// The program's own connection is not used in a handler: what was hidden is
// mapped again through a fresh one (see DesktopRecord).
#pragma once

namespace tk::gtkx {

void InstallExitPaths();

// Seconds a termination request may take to reach the normal end.
constexpr unsigned kTerminationGraceSeconds = 3;

}  // namespace tk::gtkx
