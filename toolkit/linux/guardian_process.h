// The guardian process itself (see toolkit/guardian.h and guardian_link.h):
// this program started with kGuardianArgument. It opens a connection of its
// own to the game's display, says "ready", and then follows the game's lines
// until the game is gone, giving back whatever it left hidden.
#pragma once

namespace tk::gtkx {

// argv: program, kGuardianArgument, socket descriptor, display, game's
// process id, record file. Returns the process's exit status.
int RunGuardian(int argc, char** argv);

}  // namespace tk::gtkx
