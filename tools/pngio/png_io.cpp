#include "tools/pngio/png_io.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

// libpng reads through this from memory.
struct ByteSource {
  std::span<const uint8_t> bytes;
  size_t at = 0;
};

void ReadFromSource(png_structp png, png_bytep out, size_t length) {
  auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
  if (length > source->bytes.size() - source->at) png_error(png, "the file ends early");
  std::memcpy(out, source->bytes.data() + source->at, length);
  source->at += length;
}

// Whatever the stored form, rows come out as 8-bit RGB.
void AskForRgb(png_structp png, png_infop info) {
  png_set_strip_16(png);
  png_set_packing(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

// Rows of an interlaced picture are visited once per pass, so they all must
// exist from the start; a plain one grows by the rows actually read. libpng
// leaves by longjmp, past every destructor here: the caller owns the memory.
void ReadRows(png_structp png, png_infop info, std::vector<png_byte>& pixels,
              std::vector<png_bytep>& rows) {
  const size_t stride = png_get_rowbytes(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    pixels.resize(stride * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + stride * y;
    png_read_image(png, rows.data());
    return;
  }
  for (png_uint_32 y = 0; y < h; ++y) {
    pixels.resize(stride * (y + 1));
    png_read_row(png, pixels.data() + stride * y, nullptr);
  }
}

// The size the header claims, read before libpng so that a refusal can say
// what was asked for. The header chunk always comes first.
bool ClaimsMoreThanAScreen(std::span<const uint8_t> bytes, std::string& error) {
  if (bytes.size() < 24 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
  auto be32 = [&](size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
           uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
  };
  uint32_t w = be32(16), h = be32(20);
  if (w <= kMaxPngSide && h <= kMaxPngSide && uint64_t{w} * h <= kMaxPngPixels) return false;
  error = "the picture is " + std::to_string(w) + " x " + std::to_string(h) +
          " pixels, more than a screen can be";
  return true;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> bytes, tk::Surface& out, std::string& error) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    error = "not a PNG file";
    return false;
  }
  if (ClaimsMoreThanAScreen(bytes, error)) return false;
  ErrorSink sink;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "out of memory";
    return false;
  }
  // Everything that must be freed after a jump lives outside this frame.
  ByteSource source{bytes, 8};
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = sink.message.empty() ? "corrupt PNG" : sink.message;
    return false;
  }
  png_set_read_fn(png, &source, ReadFromSource);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  AskForRgb(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 3)
    png_error(png, "unexpected row layout");
  ReadRows(png, info, pixels, rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  tk::Surface image(static_cast<int>(w), static_cast<int>(h));
  const png_byte* p = pixels.data();
  for (png_uint_32 y = 0; y < h; ++y) {
    tk::Color* row = image.Row(static_cast<int>(y));
    for (png_uint_32 x = 0; x < w; ++x, p += 3) row[x] = tk::Rgb(p[0], p[1], p[2]);
  }
  out = std::move(image);
  return true;
}

bool ReadPng(const std::string& path, tk::Surface& out, std::string& error) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t block[65536];
  while (size_t n = std::fread(block, 1, sizeof block, f.get()))
    bytes.insert(bytes.end(), block, block + n);
  if (std::ferror(f.get())) {
    error = std::strerror(errno);
    return false;
  }
  return DecodePng(bytes, out, error);
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
