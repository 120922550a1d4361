// Binary PPM (P6) pictures: the format the capture dumps are written in, and
// that the end-to-end checks read back. Needs no library.
#pragma once

#include <string>

#include "toolkit/surface.h"

namespace tk::gtkx {

bool WritePpm(const std::string& path, const Surface& image);
// Accepts P6 with a maximum value of 255 and comments in the header.
bool ReadPpm(const std::string& path, Surface& image, std::string& error);

}  // namespace tk::gtkx
