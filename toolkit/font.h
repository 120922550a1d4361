// The pixel font that labels are drawn with on composed surfaces (the status
// panel of the play surface). Dialogs use the platform's own fonts instead.
#pragma once

#include <string_view>

#include "toolkit/surface.h"

namespace tk {

// Height in pixels of one line of text, the advance of the label's box.
int FontLineHeight();
// Width in pixels of `text` on one line (characters outside printable ASCII
// count as '?').
int TextWidth(std::string_view text);
// Draws `text` with the top-left corner of its line box at (x, y) in colour `c`,
// clipped to `clip` and to the surface. Only the glyph pixels are written.
void DrawText(Surface& dst, int x, int y, std::string_view text, Color c, const Rect& clip);

}  // namespace tk
