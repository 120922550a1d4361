// One run of the program: the game window is created and loaded, the program
// idles in the event loop, and the run ends when the game ends it.
#pragma once

#include <functional>

class frmMain;

namespace game {

struct RunResult {
  int exitCode = 0;
  bool ended = false;  // false: the driver stopped the run before the game ended
};

// `atEnd` runs while the game window still exists, after the last statement of
// the game (or the driver's stop); the flight recorder's `state` line is
// written just before it.
RunResult RunProgram(const std::function<void(frmMain&)>& atEnd = {});

}  // namespace game
