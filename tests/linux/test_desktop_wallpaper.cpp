// The wallpaper of a desktop that draws it itself, rendered from its setting:
// where the setting is found, which scaled copy is trusted, and pictures read
// to the exact 8-bit colours the desktop shows.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/linux/x_fixture.h"
#include "toolkit/linux/desktop_wallpaper.h"
#include "toolkit/linux/ppm.h"

using tk::Rgb;
using tk::Surface;
using tk::WallpaperFill;
using tk::gtkx::WallpaperSetting;

namespace {

void WriteText(const std::string& path, const std::string& text) {
  (void)!std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str());
  std::ofstream(path) << text;
}

// A 16-bit RGBA PNG of one row.
void WritePng16(const std::string& path, const std::vector<std::array<uint16_t, 4>>& row) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(row.size()), 1, 16, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> bytes;
  for (const auto& px : row)
    for (uint16_t v : px) bytes.insert(bytes.end(), {png_byte(v >> 8), png_byte(v & 255)});
  png_write_row(png, bytes.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

}  // namespace

TEST(DesktopWallpaper, TheSettingOfTheProfileOnTheCommandLineIsRead) {
  using tk::gtkx::PcmanfmQtProfile;
  EXPECT_EQ(PcmanfmQtProfile({"pcmanfm-qt", "--desktop", "--profile=lxqt"}), "lxqt");
  EXPECT_EQ(PcmanfmQtProfile({"pcmanfm-qt", "-p", "work", "--desktop"}), "work");
  EXPECT_EQ(PcmanfmQtProfile({"pcmanfm-qt", "--desktop"}), "default");

  xtest::TempDir dir;
  const std::string config = dir.Path() + "/config", system = dir.Path() + "/xdg",
                    cache = dir.Path() + "/cache";
  WallpaperSetting s;
  EXPECT_FALSE(tk::gtkx::ReadPcmanfmQtSetting("lxqt", config, {system}, cache, s)) << "none";
  // The system's file serves until the user has one.
  WriteText(system + "/pcmanfm-qt/lxqt/settings.conf",
            "[Desktop]\nWallpaperMode=tile\nWallpaper=/usr/share/a.png\nBgColor=#102030\n");
  ASSERT_TRUE(tk::gtkx::ReadPcmanfmQtSetting("lxqt", config, {system}, cache, s));
  EXPECT_EQ(s.file, "/usr/share/a.png");
  EXPECT_EQ(s.fill, WallpaperFill::Tile);
  EXPECT_EQ(s.background, Rgb(0x10, 0x20, 0x30));
  const std::string user = config + "/pcmanfm-qt/lxqt/settings.conf";
  WriteText(user,
            "[Desktop]\nBgColor=#204060\nFont=\"Sans,9\"\nWallpaper=\"/home/u/b c.jpg\"\n"
            "WallpaperMode=zoom\nPerScreenWallpaper=false\n");
  WriteText(cache + "/pcmanfm-qt/lxqt/wallpaper.cache.info", "/home/u/b c.jpg");
  ASSERT_TRUE(tk::gtkx::ReadPcmanfmQtSetting("lxqt", config, {system}, cache, s));
  EXPECT_EQ(s.file, "/home/u/b c.jpg");
  EXPECT_EQ(s.fill, WallpaperFill::Zoom);
  EXPECT_EQ(s.scaledCopy, cache + "/pcmanfm-qt/lxqt/wallpaper.cache");
  EXPECT_EQ(s.scaledCopyOrigin, "/home/u/b c.jpg");
  // Settings this renderer does not draw: the caller takes another way.
  for (const char* unknown : {"WallpaperMode=spiral\n", "PerScreenWallpaper=true\n",
                              "TransformWallpaper=true\n", "BgColor=blue\n"}) {
    WriteText(user, std::string("[Desktop]\nWallpaper=/a.png\n") + unknown);
    EXPECT_FALSE(tk::gtkx::ReadPcmanfmQtSetting("lxqt", config, {system}, cache, s)) << unknown;
  }
  EXPECT_FALSE(tk::gtkx::FindDesktopWallpaper({"/usr/bin/caja", "-n"}, s));
}

TEST(DesktopWallpaper, PicturesAreDrawnInTheColoursTheDesktopShows) {
  xtest::TempDir dir;
  // 16-bit channels narrowed as the desktop's toolkit narrows them, alpha
  // first (values measured on a real desktop).
  const std::string wide = dir.Path() + "/wide.png";
  WritePng16(wide,
             {{7838, 20462, 35511, 65534}, {36623, 12978, 18890, 65533}, {128, 385, 0, 65535}});
  WallpaperSetting s;
  s.file = wide;
  s.fill = WallpaperFill::Centre;
  s.background = Rgb(1, 2, 3);
  Surface out(5, 1);
  ASSERT_TRUE(tk::gtkx::RenderWallpaper(s, out));
  EXPECT_EQ(out.Get(0, 0), s.background);
  EXPECT_EQ(out.Get(1, 0), Rgb(30, 80, 138));
  EXPECT_EQ(out.Get(2, 0), Rgb(142, 50, 73));
  EXPECT_EQ(out.Get(3, 0), Rgb(0, 1, 0)) << "halfway steps round down";

  // The desktop's own scaled copy is trusted only when made from this
  // picture in a size that fits the screen.
  const std::string copy = dir.Path() + "/copy.png";
  WritePng16(copy, std::vector<std::array<uint16_t, 4>>(5, {65535, 0, 0, 65535}));
  s.fill = WallpaperFill::Stretch;
  s.scaledCopy = copy;
  for (const std::string& origin : {wide, std::string("/elsewhere.png")}) {
    s.scaledCopyOrigin = origin;
    ASSERT_TRUE(tk::gtkx::RenderWallpaper(s, out));
    EXPECT_EQ(out.Get(2, 0) == Rgb(255, 0, 0), origin == wide) << origin;
  }
  Surface wider(6, 1);
  s.scaledCopyOrigin = wide;
  ASSERT_TRUE(tk::gtkx::RenderWallpaper(s, wider));
  EXPECT_NE(wider.Get(2, 0), Rgb(255, 0, 0)) << "a copy for another screen size";
  s.file = dir.Path() + "/missing.png";
  EXPECT_FALSE(tk::gtkx::RenderWallpaper(s, out));
}
