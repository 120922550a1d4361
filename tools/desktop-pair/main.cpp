// lumbravick-desktop-pair: makes a desktop pair for the simulator and the
// tests: a wallpaper, and the same wallpaper with a column of desktop icons.
//   lumbravick-desktop-pair WITH.png WITHOUT.png WIDTH HEIGHT [ICONS] [--black-without]
// --black-without makes the picture without icons black, the way a wallpaper
// that is not drawn while the icon layer is hidden comes out.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "toolkit/font.h"
#include "toolkit/surface.h"
#include "tools/pngio/png_io.h"

namespace {

void PaintWallpaper(tk::Surface& s) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      double u = static_cast<double>(x) / s.Width(), v = static_cast<double>(y) / s.Height();
      int r = static_cast<int>(20 + 40 * u + 10 * std::sin(v * 9));
      int g = static_cast<int>(70 + 60 * v + 12 * std::sin(u * 7 + v * 3));
      int b = static_cast<int>(120 + 80 * (1 - v));
      s.Set(x, y, tk::Rgb(r, g, b));
    }
}

// A 32 x 32 icon: a sheet of paper or a folder, with its caption below.
void PaintIcon(tk::Surface& s, int x, int y, int kind, const std::string& caption) {
  tk::Rect body = kind % 2 ? tk::Rect{x + 2, y + 8, 28, 22} : tk::Rect{x + 6, y + 2, 20, 28};
  tk::Color face = kind % 2 ? tk::Rgb(236, 196, 86) : tk::Rgb(250, 250, 246);
  s.FillRect(body, tk::Rgb(40, 40, 40));
  s.FillRect({body.x + 1, body.y + 1, body.w - 2, body.h - 2}, face);
  if (kind % 2)
    s.FillRect({x + 2, y + 5, 12, 4}, tk::Rgb(214, 170, 60));
  else
    for (int line = 0; line < 5; ++line)
      s.FillRect({x + 9, y + 8 + 4 * line, 14, 1}, tk::Rgb(120, 130, 160));
  int text_x = x + 16 - tk::TextWidth(caption) / 2;
  tk::Rect all{0, 0, s.Width(), s.Height()};
  tk::DrawText(s, text_x + 1, y + 35, caption, tk::Rgb(0, 0, 0), all);
  tk::DrawText(s, text_x, y + 34, caption, tk::Rgb(255, 255, 255), all);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s WITH.png WITHOUT.png WIDTH HEIGHT [ICONS] [--black-without]\n",
                 argv[0]);
    return 2;
  }
  int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  int icons = argc > 5 && argv[5][0] != '-' ? std::atoi(argv[5]) : 6;
  bool black = std::string(argv[argc - 1]) == "--black-without";
  if (width <= 0 || height <= 0) return 2;

  tk::Surface without(width, height), with;
  PaintWallpaper(without);
  with = without;
  const char* names[] = {"Computer", "Documents", "Recycle", "Notes",
                         "Photos",   "Games",     "Music",   "Work"};
  for (int i = 0; i < icons; ++i) {
    int column = i / 8, row = i % 8;
    PaintIcon(with, 20 + column * 80, 16 + row * 72, i, names[i % 8]);
  }
  if (black) without.Fill(0);

  std::string error;
  if (!tools::WritePng(argv[1], with, error) || !tools::WritePng(argv[2], without, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
