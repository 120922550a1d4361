#include "windows/sidewindows.h"

#include "windows/frmEndScreen.h"

namespace game {

void ReleaseSideWindows() { ReleaseEndScreen(); }

}  // namespace game
