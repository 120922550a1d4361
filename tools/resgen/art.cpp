#include "tools/resgen/art.h"

namespace resgen {

int BallFrameCount(int sheet) { return sheet == 1 ? 8 : 10; }

Canvas BallFrame(int sheet, int frame) {
  switch (sheet) {
    case 0:
      return classic::Ball(frame);
    case 1:
      return vegas::Ball(frame);
    case 2:
      return flat::Ball(frame);
    case 3:
      return news::Ball(frame);
    default:
      return wood::Ball(frame);
  }
}

bool PaddleFrameExists(int sheet, int frame) {
  if (frame < 0 || frame > 4) return false;
  // Newspaper and Wood have one picture in play and the tilt picture.
  return sheet <= 2 || frame == 0 || frame == 4;
}

Canvas PaddleFrame(int sheet, int frame) {
  switch (sheet) {
    case 0:
      return classic::Paddle(frame);
    case 1:
      return vegas::Paddle(frame);
    case 2:
      return flat::Paddle(frame);
    case 3:
      return news::Paddle(frame);
    default:
      return wood::Paddle(frame);
  }
}

Canvas Panel(int sheet) {
  switch (sheet) {
    case 0:
      return classic::Panel();
    case 1:
      return vegas::Panel();
    case 2:
      return flat::Panel();
    case 3:
      return news::Panel();
    default:
      return wood::Panel();
  }
}

}  // namespace resgen
