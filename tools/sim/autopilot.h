// The simulator's autopilot (`follow on`): where the pointer goes before each
// pass so that the paddle's middle comes under the ball's middle.
#pragma once

#include <optional>
#include <utility>

namespace sim {

// Null while there is no game window. The pointer stays within the screen and
// on a row where the play surface itself is under it, so the movement reaches
// the play surface and not a sprite.
std::optional<std::pair<int, int>> FollowBall();

}  // namespace sim
