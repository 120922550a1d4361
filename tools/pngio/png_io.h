// PNG files in and out, for the tools that read desktop pairs and write
// screens or contact sheets. Not part of the game.
#pragma once

#include <string>

#include "toolkit/surface.h"

namespace tools {

// Reads any PNG as opaque 24-bit colour (alpha is dropped, grey and palette
// are expanded). On failure returns false and says why in `error`.
bool ReadPng(const std::string& path, tk::Surface& out, std::string& error);
// Writes an 8-bit RGB PNG.
bool WritePng(const std::string& path, const tk::Surface& image, std::string& error);

}  // namespace tools
