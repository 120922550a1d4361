// The side windows live from their first use until the program run ends.
#pragma once

namespace game {
// Destroys every side window (end of a program run).
void ReleaseSideWindows();
}  // namespace game
