// The ball's helpers that more than one place needs.
#pragma once

#include <cstdint>

// The direction change for the edge point of index i that touched an icon:
// the outline is cut into eight sectors of 5.75 indices starting at 2.875.
void TurnBallBySector(int16_t& dirX, int16_t& dirY, int32_t i);
