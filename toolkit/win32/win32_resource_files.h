// Resource parts put back together as the files they were made from, so the
// portable decoders read them exactly as on every other platform.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tk::win32 {

// A RT_BITMAP resource is a BMP file without its 14-byte file header.
std::vector<uint8_t> BmpFileFromResource(std::span<const uint8_t> dib);
// A RT_GROUP_ICON directory names its images by RT_ICON id; `image` fetches
// one (empty when missing, which fails the whole icon).
std::vector<uint8_t> IcoFileFromGroup(std::span<const uint8_t> group,
                                      const std::function<std::span<const uint8_t>(int)>& image);

}  // namespace tk::win32
