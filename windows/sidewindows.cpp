#include "windows/sidewindows.h"

void ReleaseEndScreen();

namespace game {

void ReleaseSideWindows() { ReleaseEndScreen(); }

}  // namespace game
