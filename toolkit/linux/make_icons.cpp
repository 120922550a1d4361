// lumbravick-icons OUTDIR: writes the program icon (icon resource 1) as
// OUTDIR/NxN/lumbravick.png for N = 16, 32, 48, for the hicolor icon theme.
// Without icon resource 1 it says so and writes nothing (the install step
// then has no icon to install).
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <cstdio>
#include <string>

#include "toolkit/linux/gtk_peers.h"
#include "toolkit/resources.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumbravick-icons OUTDIR\n");
    return 2;
  }
  std::span<const uint8_t> ico = tk::FindEmbeddedResource(tk::ResourceType::Icon, 1);
  if (ico.empty()) {
    std::fprintf(stderr, "lumbravick-icons: no icon resource 1; no program icon is made\n");
    return 0;
  }
  for (int size : {16, 32, 48}) {
    tk::Picture picture = tk::DecodeIco(ico, size);
    if (!picture) {
      std::fprintf(stderr, "lumbravick-icons: icon resource 1 cannot be decoded\n");
      return 1;
    }
    GdkPixbuf* natural = tk::gtkx::PixbufFromPicture(*picture);
    GdkPixbuf* sized = natural;
    if (picture->Width() != size || picture->Height() != size) {
      sized = gdk_pixbuf_scale_simple(natural, size, size, GDK_INTERP_HYPER);
      g_object_unref(natural);
    }
    std::string dir =
        std::string(argv[1]) + "/" + std::to_string(size) + "x" + std::to_string(size);
    g_mkdir_with_parents(dir.c_str(), 0755);
    std::string path = dir + "/lumbravick.png";
    GError* error = nullptr;
    bool ok = gdk_pixbuf_save(sized, path.c_str(), "png", &error, nullptr);
    g_object_unref(sized);
    if (!ok) {
      std::fprintf(stderr, "lumbravick-icons: cannot write %s: %s\n", path.c_str(),
                   error ? error->message : "?");
      if (error) g_error_free(error);
      return 1;
    }
  }
  return 0;
}
