#include "toolkit/linux/ppm.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace tk::gtkx {

bool WritePpm(const std::string& path, const Surface& image) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", image.Width(), image.Height());
  std::vector<uint8_t> row(static_cast<size_t>(image.Width()) * 3);
  bool ok = true;
  for (int y = 0; y < image.Height() && ok; ++y) {
    const Color* src = image.Row(y);
    for (int x = 0; x < image.Width(); ++x) {
      row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(src[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(src[x]);
    }
    ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
  }
  return std::fclose(f) == 0 && ok;
}

namespace {

// The next header number, skipping blanks and '#' comments.
bool HeaderNumber(const std::string& data, size_t& pos, long& value) {
  for (;;) {
    while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    if (pos < data.size() && data[pos] == '#') {
      while (pos < data.size() && data[pos] != '\n') ++pos;
      continue;
    }
    break;
  }
  if (pos >= data.size() || !std::isdigit(static_cast<unsigned char>(data[pos]))) return false;
  value = 0;
  while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos]))) {
    value = value * 10 + (data[pos] - '0');
    if (value > 100000) return false;
    ++pos;
  }
  return true;
}

}  // namespace

bool ReadPpm(const std::string& path, Surface& image, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() < 2 || data[0] != 'P' || data[1] != '6') {
    error = path + " is not a binary PPM (P6)";
    return false;
  }
  size_t pos = 2;
  long w = 0, h = 0, max = 0;
  if (!HeaderNumber(data, pos, w) || !HeaderNumber(data, pos, h) || !HeaderNumber(data, pos, max)) {
    error = path + ": damaged header";
    return false;
  }
  if (max != 255 || w <= 0 || h <= 0) {
    error = path + ": only 8-bit pictures of a positive size are read";
    return false;
  }
  ++pos;  // the single blank after the maximum value
  size_t need = static_cast<size_t>(w) * static_cast<size_t>(h) * 3;
  if (data.size() < pos + need) {
    error = path + ": the pixel data is cut short";
    return false;
  }
  image.Resize(static_cast<int>(w), static_cast<int>(h));
  const auto* p = reinterpret_cast<const uint8_t*>(data.data() + pos);
  for (int y = 0; y < h; ++y) {
    Color* row = image.Row(y);
    for (int x = 0; x < w; ++x, p += 3) row[x] = Rgb(p[0], p[1], p[2]);
  }
  return true;
}

}  // namespace tk::gtkx
