#include "tools/pngio/png_io.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace tools {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

// libpng reports errors by longjmp; the message is kept here before the jump.
struct ErrorSink {
  std::string message;
};

void OnError(png_structp png, png_const_charp msg) {
  if (auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png))) sink->message = msg;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace

bool ReadPng(const std::string& path, tk::Surface& out, std::string& error) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  unsigned char sig[8];
  if (std::fread(sig, 1, 8, f.get()) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
    error = path + " is not a PNG file";
    return false;
  }
  ErrorSink sink;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "out of memory";
    return false;
  }
  // Everything that must be freed after a jump lives outside this frame.
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  tk::Surface image;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = path + ": " + (sink.message.empty() ? "corrupt PNG" : sink.message);
    return false;
  }
  png_init_io(png, f.get());
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (w == 0 || h == 0 || w > 32768 || h > 32768) png_error(png, "unsupported image size");
  // Whatever the stored form, read 8-bit RGB.
  png_set_strip_16(png);
  png_set_packing(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 3)
    png_error(png, "unexpected row layout");
  pixels.resize(static_cast<size_t>(w) * h * 3);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * w * 3;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  image.Resize(static_cast<int>(w), static_cast<int>(h));
  for (png_uint_32 y = 0; y < h; ++y) {
    tk::Color* row = image.Row(static_cast<int>(y));
    const png_byte* p = rows[y];
    for (png_uint_32 x = 0; x < w; ++x, p += 3) row[x] = tk::Rgb(p[0], p[1], p[2]);
  }
  out = std::move(image);
  return true;
}

bool WritePng(const std::string& path, const tk::Surface& image, std::string& error) {
  if (image.Empty()) {
    error = "empty image";
    return false;
  }
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) {
    error = "cannot create " + path;
    return false;
  }
  ErrorSink sink;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    error = "out of memory";
    return false;
  }
  int w = image.Width(), h = image.Height();
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = path + ": " + (sink.message.empty() ? "write failed" : sink.message);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const tk::Color* src = image.Row(y);
    for (int x = 0; x < w; ++x) {
      row[x * 3] = static_cast<png_byte>(src[x] >> 16);
      row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<png_byte>(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(f.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tools
