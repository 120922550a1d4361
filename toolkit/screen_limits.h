// The smallest screen the game is played on. Its windows (the About window
// is 479 × 256, the message boxes are wider than their text) must fit with
// room to spare; on a smaller screen the wallpaper warning's threshold of
// "all but 1000 pixels" also stops making sense.
#pragma once

#include <string>

namespace tk {

inline constexpr int kMinScreenWidth = 640;
inline constexpr int kMinScreenHeight = 480;

// The one line a refusal says, or "" when the screen is large enough.
inline std::string ScreenTooSmall(int width, int height) {
  if (width >= kMinScreenWidth && height >= kMinScreenHeight) return "";
  return "the screen is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels; the game needs at least " + std::to_string(kMinScreenWidth) + " x " +
         std::to_string(kMinScreenHeight);
}

}  // namespace tk
