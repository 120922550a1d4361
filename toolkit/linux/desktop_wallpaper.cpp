#include "toolkit/linux/desktop_wallpaper.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "toolkit/settings_ini.h"

namespace tk::gtkx {

namespace {

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

// QSettings quotes a value that has leading or trailing blanks or commas.
std::string Unquote(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

bool ParseHexColour(const std::string& text, Color& out) {
  unsigned rgb = 0;
  int used = 0;
  if (text.size() != 7 || std::sscanf(text.c_str(), "#%6x%n", &rgb, &used) != 1 || used != 7)
    return false;
  out = rgb & 0xFFFFFFu;
  return true;
}

bool ParseFill(const std::string& mode, WallpaperFill& out) {
  static const struct {
    const char* name;
    WallpaperFill fill;
  } kModes[] = {{"none", WallpaperFill::Colour},     {"color", WallpaperFill::Colour},
                {"stretch", WallpaperFill::Stretch}, {"fit", WallpaperFill::Fit},
                {"zoom", WallpaperFill::Zoom},       {"center", WallpaperFill::Centre},
                {"tile", WallpaperFill::Tile}};
  for (const auto& m : kModes)
    if (mode == m.name) {
      out = m.fill;
      return true;
    }
  return false;
}

Picture PictureFromPixbuf(GdkPixbuf* pb) {
  const int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
  const int stride = gdk_pixbuf_get_rowstride(pb), channels = gdk_pixbuf_get_n_channels(pb);
  const bool alpha = gdk_pixbuf_get_has_alpha(pb);
  const guchar* pixels = gdk_pixbuf_read_pixels(pb);
  std::vector<Argb> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    const guchar* p = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
    for (int x = 0; x < w; ++x, p += channels) {
      const Argb a = alpha ? p[3] : 255u;
      out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          a << 24 | Rgb(p[0], p[1], p[2]);
    }
  }
  return std::make_shared<PictureData>(w, h, std::move(out));
}

// 16-bit channels to 8 bits as the desktops' toolkit narrows them (pixbuf
// loaders cut them off: a difference of one in many pixels): the colour
// premultiplied by alpha, rounded once to the nearest 8-bit step.
void NarrowPixel(const png_uint_16* in, guchar* out) {
  constexpr uint64_t kScale = 65535ull * 257ull;  // 16-bit colour times 16-bit alpha to 8 bits
  const uint64_t alpha = in[3];
  const uint64_t a8 = (alpha * 2 + 257) / (2 * 257);
  out[3] = static_cast<guchar>(a8);
  for (int c = 0; c < 3; ++c) {
    const uint64_t premultiplied = (2 * in[c] * alpha + kScale) / (2 * kScale);
    // Straight colour again for a translucent pixel.
    out[c] = static_cast<guchar>(
        a8 == 255 ? premultiplied
        : a8 == 0 ? 0
                  : std::min<uint64_t>(255, (premultiplied * 255 + a8 / 2) / a8));
  }
}

// A PNG read with libpng, as 8-bit RGBA, 16-bit files narrowed as above.
// Null for a file that is no PNG or cannot be read.
GdkPixbuf* ReadPng(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  png_byte signature[8];
  if (!f || std::fread(signature, 1, 8, f.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
    return nullptr;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  GdkPixbuf* volatile pb = nullptr;
  std::vector<png_uint_16> wide;
  std::vector<png_bytep> rows;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    if (pb) g_object_unref(pb);
    return nullptr;
  }
  png_init_io(png, f.get());
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const bool sixteen = png_get_bit_depth(png, info) == 16;
  png_set_expand(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  if (sixteen) png_set_swap(png);  // native 16-bit words
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int w = static_cast<int>(png_get_image_width(png, info));
  const int h = static_cast<int>(png_get_image_height(png, info));
  const size_t channels = static_cast<size_t>(w) * 4;
  pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, w, h);
  if (!pb || png_get_rowbytes(png, info) != channels * (sixteen ? 2 : 1)) png_error(png, "layout");
  guchar* pixels = gdk_pixbuf_get_pixels(pb);
  const size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pb));
  if (sixteen) wide.resize(channels * static_cast<size_t>(h));
  for (size_t y = 0; y < static_cast<size_t>(h); ++y)
    rows.push_back(sixteen ? reinterpret_cast<png_bytep>(&wide[y * channels])
                           : pixels + y * stride);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  for (size_t y = 0; sixteen && y < static_cast<size_t>(h); ++y)
    for (size_t x = 0; x < static_cast<size_t>(w); ++x)
      NarrowPixel(&wide[y * channels + x * 4], pixels + y * stride + x * 4);
  return pb;
}

// Loads a picture, scaled to w x h when both are given and differ from its
// own size.
Picture LoadPicture(const std::string& path, int w = 0, int h = 0) {
  GdkPixbuf* pb = ReadPng(path);
  if (!pb) pb = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
  if (!pb) return nullptr;
  if (w > 0 && h > 0 && (w != gdk_pixbuf_get_width(pb) || h != gdk_pixbuf_get_height(pb))) {
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(pb, w, h, GDK_INTERP_BILINEAR);
    g_object_unref(pb);
    if (!scaled) return nullptr;
    pb = scaled;
  }
  Picture picture = PictureFromPixbuf(pb);
  g_object_unref(pb);
  return picture;
}

// Whether a scaled picture of w x h can be what `fill` made for the screen.
bool FitsScreen(WallpaperFill fill, int w, int h, int screenW, int screenH) {
  switch (fill) {
    case WallpaperFill::Stretch:
      return w == screenW && h == screenH;
    case WallpaperFill::Fit:
      return (w == screenW && h <= screenH) || (h == screenH && w <= screenW);
    case WallpaperFill::Zoom:
      return (w == screenW && h >= screenH) || (h == screenH && w >= screenW);
    default:
      return false;
  }
}

// The desktop's own scaled copy, when it was made from the picture set now
// and fits the screen.
Picture ScaledCopy(const WallpaperSetting& s, int screenW, int screenH) {
  if (s.scaledCopy.empty() || s.scaledCopyOrigin != s.file) return nullptr;
  int w = 0, h = 0;
  if (!gdk_pixbuf_get_file_info(s.scaledCopy.c_str(), &w, &h) ||
      !FitsScreen(s.fill, w, h, screenW, screenH))
    return nullptr;
  return LoadPicture(s.scaledCopy);
}

}  // namespace

std::string PcmanfmQtProfile(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--profile=", 0) == 0) return a.substr(10);
    if ((a == "--profile" || a == "-p") && i + 1 < args.size()) return args[i + 1];
  }
  return "default";
}

bool ReadPcmanfmQtSetting(const std::string& profile, const std::string& configHome,
                          const std::vector<std::string>& systemConfigDirs,
                          const std::string& cacheHome, WallpaperSetting& out) {
  out = WallpaperSetting{};
  const std::string relative = "/pcmanfm-qt/" + profile + "/settings.conf";
  IniText ini;
  bool found = LoadIniFile(configHome + relative, ini) == IniLoad::Loaded;
  for (size_t i = 0; !found && i < systemConfigDirs.size(); ++i)
    found = LoadIniFile(systemConfigDirs[i] + relative, ini) == IniLoad::Loaded;
  if (!found) return false;
  std::string mode = "stretch", colour, flag;
  ini.Get("Desktop", "WallpaperMode", mode);
  if (!ParseFill(Unquote(mode), out.fill)) return false;
  if (ini.Get("Desktop", "BgColor", colour) && !ParseHexColour(Unquote(colour), out.background))
    return false;
  for (const char* unsupported : {"PerScreenWallpaper", "TransformWallpaper"})
    if (ini.Get("Desktop", unsupported, flag) && Unquote(flag) == "true") return false;
  if (out.fill == WallpaperFill::Colour) return true;
  if (!ini.Get("Desktop", "Wallpaper", out.file) || (out.file = Unquote(out.file)).empty())
    return false;
  const std::string cache = cacheHome + "/pcmanfm-qt/" + profile + "/wallpaper.cache";
  std::string origin;
  if (ReadText(cache + ".info", origin)) {
    out.scaledCopy = cache;
    out.scaledCopyOrigin = origin.substr(0, origin.find('\n'));
  }
  return true;
}

bool RenderWallpaper(const WallpaperSetting& setting, Surface& out) {
  if (out.Empty()) return false;
  const int screenW = out.Width(), screenH = out.Height();
  if (setting.fill == WallpaperFill::Colour) {
    ComposeWallpaper(out, setting.fill, nullptr, {}, setting.background);
    return true;
  }
  int w = 0, h = 0;
  if (!gdk_pixbuf_get_file_info(setting.file.c_str(), &w, &h)) return false;
  Rect place = PlaceWallpaper(setting.fill, w, h, screenW, screenH);
  Picture picture = ScaledCopy(setting, screenW, screenH);
  if (picture)
    place = PlaceWallpaper(WallpaperFill::Centre, picture->Width(), picture->Height(), screenW,
                           screenH);
  else
    picture = LoadPicture(setting.file, place.w, place.h);
  if (!picture) return false;
  ComposeWallpaper(out, setting.fill, picture.get(), place, setting.background);
  return true;
}

bool FindDesktopWallpaper(const std::vector<std::string>& args, WallpaperSetting& out) {
  if (args.empty()) return false;
  const std::string program = args[0].substr(args[0].rfind('/') + 1);
  if (program != "pcmanfm-qt") return false;
  std::vector<std::string> systemDirs;
  for (const gchar* const* dir = g_get_system_config_dirs(); dir && *dir; ++dir)
    systemDirs.emplace_back(*dir);
  return ReadPcmanfmQtSetting(PcmanfmQtProfile(args), g_get_user_config_dir(), systemDirs,
                              g_get_user_cache_dir(), out);
}

}  // namespace tk::gtkx
