// PNG files in and out, for the tools that read desktop pairs and write
// screens or contact sheets. Not part of the game.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "toolkit/surface.h"

namespace tools {

// The largest picture read: what a screen can be. A side of 16384 pixels is
// the most a graphics card shows; the area allows two 8K screens side by side.
constexpr uint32_t kMaxPngSide = 16384;
constexpr uint64_t kMaxPngPixels = 2ull * 7680 * 4320;

// Reads any PNG as opaque 24-bit colour (alpha is dropped, grey and palette
// are expanded). On failure returns false and says why in `error` (without
// the path). A header
// naming a larger picture than the limits is refused before any pixel
// memory is taken, and rows are kept only as they arrive, so a short file
// costs no more than its contents.
bool ReadPng(const std::string& path, tk::Surface& out, std::string& error);
bool DecodePng(std::span<const uint8_t> bytes, tk::Surface& out, std::string& error);
// Writes an 8-bit RGB PNG.
bool WritePng(const std::string& path, const tk::Surface& image, std::string& error);

}  // namespace tools
