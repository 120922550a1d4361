// The rules for the picture of the desktop without icons: when it belongs to
// the screen, what the capture with icons takes from it outside the work area,
// and how a desktop lays its wallpaper picture out.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "toolkit/desktop_pictures.h"

using tk::Rect;
using tk::Rgb;
using tk::Surface;
using tk::WallpaperFill;

namespace {

constexpr tk::Color kWall = Rgb(20, 60, 100), kIcon = Rgb(240, 240, 0), kPanel = Rgb(50, 50, 50);

}  // namespace

TEST(IconFreePicture, BelongsToTheScreenUnlessMoreThanHalfOfItDisagrees) {
  const Surface screen(10, 10, kWall);
  for (int differing : {0, 1, 50, 51, 100}) {
    SCOPED_TRACE(differing);
    Surface picture(10, 10, kWall);
    for (int i = 0; i < differing; ++i) picture.Set(i % 10, i / 10, kIcon);
    EXPECT_EQ(tk::CountDifferentPixels(picture, screen), differing);
    EXPECT_EQ(tk::BelongsToScreen(picture, screen), differing <= 50);
  }
  // Where only one reaches, the pixels differ; an empty picture never belongs.
  EXPECT_EQ(tk::CountDifferentPixels(Surface(10, 5, kWall), screen), 50);
  EXPECT_FALSE(tk::BelongsToScreen(Surface(10, 4, kWall), screen));
  EXPECT_FALSE(tk::BelongsToScreen(Surface(), screen));
}

TEST(IconFreePicture, OutsideTheWorkAreaTheCaptureTakesTheIconFreePixelsBesideHiddenWindows) {
  // A 20 x 12 screen: a panel the compositor draws in the bottom 2 rows, a
  // dock that was hidden in the top 2 rows (the desktop moved an icon under
  // it), icons inside the work area.
  const Surface iconFree(20, 12, kWall);
  Surface withIcons = iconFree;
  withIcons.FillRect({0, 10, 20, 2}, kPanel);
  withIcons.FillRect({3, 0, 2, 2}, kIcon);
  withIcons.FillRect({5, 5, 3, 3}, kIcon);
  const Rect work{0, 2, 20, 8};
  const std::vector<Rect> hidden{{0, 0, 20, 2}};
  Surface masked = withIcons;
  EXPECT_EQ(tk::TakeIconFreeOutsideWorkArea(masked, iconFree, work, hidden), 40);
  EXPECT_EQ(tk::CountDifferentPixels(masked, iconFree), 4 + 9) << "only the icons are left";
  EXPECT_EQ(masked.Get(4, 1), kIcon) << "where the dock stood the desktop itself showed";
  EXPECT_EQ(masked.Get(6, 6), kIcon);
  EXPECT_EQ(masked.Get(0, 11), kWall);
  // Without a work area nothing is outside it.
  masked = withIcons;
  EXPECT_EQ(tk::TakeIconFreeOutsideWorkArea(masked, iconFree, {}, hidden), 0);
  EXPECT_EQ(masked.Pixels(), withIcons.Pixels());
}

TEST(WallpaperLayout, EachFillCoversWhatItPromisesCentredInWholePixels) {
  struct Case {
    WallpaperFill fill;
    int w, h;
    Rect place;
  };
  // An 800 x 520 picture on a 1024 x 768 screen, as the desktops lay it out
  // (measured on a real one for zoom: 1181 x 768, 78 pixels cut on the left).
  const Case cases[] = {
      {WallpaperFill::Stretch, 800, 520, {0, 0, 1024, 768}},
      {WallpaperFill::Fit, 800, 520, {0, 51, 1024, 665}},
      {WallpaperFill::Zoom, 800, 520, {-78, 0, 1181, 768}},
      {WallpaperFill::Centre, 801, 519, {111, 124, 801, 519}},
      {WallpaperFill::Centre, 1101, 800, {-38, -16, 1101, 800}},
      {WallpaperFill::Tile, 100, 70, {0, 0, 100, 70}},
      {WallpaperFill::Fit, 300, 900, {384, 0, 256, 768}},
      {WallpaperFill::Zoom, 300, 900, {0, -1152, 1024, 3072}},
      {WallpaperFill::Colour, 800, 520, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.fill) << " " << c.w << "x" << c.h);
    const Rect place = tk::PlaceWallpaper(c.fill, c.w, c.h, 1024, 768);
    EXPECT_EQ(place, c.place);
    if (c.fill == WallpaperFill::Fit || c.fill == WallpaperFill::Zoom) {
      // Fit stays inside, zoom covers, one side is the screen's, the
      // proportions hold to a pixel.
      const bool inside = place.w <= 1024 && place.h <= 768;
      EXPECT_EQ(inside, c.fill == WallpaperFill::Fit);
      EXPECT_TRUE(place.w == 1024 || place.h == 768);
      EXPECT_NEAR(static_cast<double>(place.w) / place.h, static_cast<double>(c.w) / c.h,
                  1.0 / std::min(place.w, place.h));
    }
  }
  EXPECT_TRUE(tk::PlaceWallpaper(WallpaperFill::Zoom, 0, 10, 1024, 768).Empty());
}

TEST(WallpaperLayout, ThePictureIsDrawnOverTheBackgroundOnceOrTiledFromTheCorner) {
  const auto picture = std::make_shared<tk::PictureData>(
      2, 2, std::vector<tk::Argb>{0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0x00000000u});
  Surface out(5, 3);
  tk::ComposeWallpaper(out, WallpaperFill::Tile, picture.get(), {0, 0, 2, 2}, kWall);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const tk::Argb p = picture->At(x % 2, y % 2);
      EXPECT_EQ(out.Get(x, y), p >> 24 ? (p & 0xFFFFFFu) : kWall) << x << "," << y;
    }
  tk::ComposeWallpaper(out, WallpaperFill::Centre, picture.get(), {1, 1, 2, 2}, kWall);
  EXPECT_EQ(out.Get(0, 0), kWall);
  EXPECT_EQ(out.Get(1, 1), Rgb(0, 0, 255));
  EXPECT_EQ(out.Get(4, 2), kWall);
  tk::ComposeWallpaper(out, WallpaperFill::Colour, picture.get(), {0, 0, 2, 2}, kPanel);
  EXPECT_EQ(tk::CountDifferentPixels(out, Surface(5, 3, kPanel)), 0);
}
