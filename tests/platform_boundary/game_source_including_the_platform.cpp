// A game source reaching for a backend directly. The build of this file must
// fail: the test passes only when the compiler stops it.
#include "game/frmMain.h"
#include "toolkit/platform.h"

void CheatPastTheToolkit() { tk::CurrentPlatform().SetTaskbarVisible(true); }
