#include "toolkit/win32/win32_resource_files.h"

namespace tk::win32 {

namespace {

uint32_t U16(std::span<const uint8_t> b, size_t o) {
  return b[o] | (static_cast<uint32_t>(b[o + 1]) << 8);
}
uint32_t U32(std::span<const uint8_t> b, size_t o) { return U16(b, o) | (U16(b, o + 2) << 16); }
void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> BmpFileFromResource(std::span<const uint8_t> dib) {
  if (dib.size() < 12) return {};
  uint32_t header = U32(dib, 0);
  size_t colours = 0, entry = 4, masks = 0;
  if (header == 12) {
    uint32_t bits = U16(dib, 10);
    colours = bits <= 8 ? (size_t{1} << bits) : 0;
    entry = 3;
  } else if (header >= 40 && dib.size() >= 40) {
    uint32_t bits = U16(dib, 14), compression = U32(dib, 16), used = U32(dib, 32);
    colours = used != 0 ? used : (bits <= 8 ? (size_t{1} << bits) : 0);
    // After the short header the channel masks follow it; the longer
    // headers hold them inside.
    if (header == 40 && compression == 3) masks = 12;
    if (header == 40 && compression == 6) masks = 16;
  } else {
    return {};
  }
  size_t pixels = 14 + header + masks + colours * entry;
  if (pixels > 14 + dib.size()) return {};
  std::vector<uint8_t> file;
  file.reserve(14 + dib.size());
  file.push_back('B');
  file.push_back('M');
  Put32(file, static_cast<uint32_t>(14 + dib.size()));
  Put32(file, 0);
  Put32(file, static_cast<uint32_t>(pixels));
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

std::vector<uint8_t> IcoFileFromGroup(std::span<const uint8_t> group,
                                      const std::function<std::span<const uint8_t>(int)>& image) {
  // The group: reserved, type 1, count; then per image 14 bytes: width,
  // height, colours, reserved, planes, bit count, byte count, RT_ICON id.
  if (group.size() < 6 || U16(group, 0) != 0 || U16(group, 2) != 1) return {};
  size_t count = U16(group, 4);
  if (count == 0 || group.size() < 6 + count * 14) return {};
  std::vector<std::span<const uint8_t>> images;
  for (size_t i = 0; i < count; ++i) {
    std::span<const uint8_t> one = image(static_cast<int>(U16(group, 6 + i * 14 + 12)));
    if (one.empty()) return {};
    images.push_back(one);
  }
  // The file: the same header, 16-byte entries that give each image's offset
  // instead of its id, then the images one after the other.
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<uint32_t>(count));
  size_t offset = 6 + count * 16;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = group.data() + 6 + i * 14;
    file.insert(file.end(), e, e + 8);
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, static_cast<uint32_t>(offset));
    offset += images[i].size();
  }
  for (auto one : images) file.insert(file.end(), one.begin(), one.end());
  return file;
}

}  // namespace tk::win32
