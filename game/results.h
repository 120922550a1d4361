// The texts of the end screen, composed from the game's counters.
#pragma once

#include <cstdint>
#include <string>

namespace game {

// "You were playing <time>" and, once pixels were destroyed after the scan,
// how many of how many.
std::string PlayTimeText(const std::string& playTime, int32_t total, int32_t standing, bool done);
// The speed line and verdict. False when the speed cannot be computed (no
// whole second played): the label then keeps its text.
bool SpeedText(int32_t total, int32_t standing, bool done, int64_t wholeSeconds, std::string& text);

}  // namespace game
