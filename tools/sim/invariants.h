// What must hold of the icon-pixel map at any moment of a game, checked by
// the simulator's soak runs (--check-every).
#pragma once

#include <string>

#include "toolkit/surface.h"

class frmMain;

namespace sim {

// Empty when the map is sound: every pixel of the capture the player sees is
// either the desktop with icons or the desktop without them at that point,
// the capture without icons is that desktop unchanged, and the count of icon
// pixels standing is the number of pixels that still differ (during the
// scan: that number in the columns counted so far). Otherwise says what broke.
std::string CheckIconPixels(const frmMain& window, const tk::Surface& withIcons,
                            const tk::Surface& withoutIcons);

}  // namespace sim
