// Every picture the generator draws, as straight-alpha canvases.
#pragma once

#include "tools/resgen/canvas.h"

namespace resgen {

constexpr int kSheetCount = 5;  // 0 Classic, 1 Las Vegas, 2 Flat Screen, 3 Newspaper, 4 Wood

int BallFrameCount(int sheet);
Canvas BallFrame(int sheet, int frame);  // 16x16, transparent corners
// Paddle pictures: frames 0-3 in play (some sheets have only frame 0), 4 tilt.
bool PaddleFrameExists(int sheet, int frame);
Canvas PaddleFrame(int sheet, int frame);
Canvas Panel(int sheet);

// One sheet's pictures.
namespace classic {
Canvas Ball(int frame);
Canvas Paddle(int frame);
Canvas Panel();
}  // namespace classic
namespace vegas {
Canvas Ball(int frame);
Canvas Paddle(int frame);
Canvas Panel();
}  // namespace vegas
namespace flat {
Canvas Ball(int frame);
Canvas Paddle(int frame);
Canvas Panel();
}  // namespace flat
namespace news {
Canvas Ball(int frame);
Canvas Paddle(int frame);
Canvas Panel();
}  // namespace news
namespace wood {
Canvas Ball(int frame);
Canvas Paddle(int frame);
Canvas Panel();
}  // namespace wood

// The desktop items that power-ups look like (101-107), 16x16.
Canvas DesktopIcon(int id);
// The burning ball, 10 frames, 16x16.
Canvas FlameFrame(int frame);
// The program's own icon at 16, 32 or 48 pixels.
Canvas ProgramIcon(int size);
// The sponsor banner, 300x38.
Canvas SponsorBanner();
// The About picture, 141x205.
Canvas AboutPicture();

}  // namespace resgen
