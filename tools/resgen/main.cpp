// lumbravick-resgen OUTDIR: draws and synthesises every built-in resource and
// writes them as OUTDIR/icons/N.ico, OUTDIR/bitmaps/N.bmp, OUTDIR/sounds/N.wav.
// The output is the same, byte for byte, on every run.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/resgen/art.h"
#include "tools/resgen/encode.h"
#include "tools/resgen/sounds.h"

namespace {

using namespace resgen;

int failures = 0;

void Save(const std::filesystem::path& path, const Bytes& bytes) {
  if (!WriteFile(path.string(), bytes)) {
    std::fprintf(stderr, "lumbravick-resgen: cannot write %s\n", path.string().c_str());
    ++failures;
  }
}

Bytes SingleIcon(Canvas picture) { return IcoFile({{std::move(picture), 32}}); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumbravick-resgen OUTDIR\n");
    return 2;
  }
  std::filesystem::path out(argv[1]);
  std::error_code ec;
  for (const char* sub : {"icons", "bitmaps", "sounds"}) {
    std::filesystem::create_directories(out / sub, ec);
    if (ec) {
      std::fprintf(stderr, "lumbravick-resgen: cannot create %s\n", (out / sub).string().c_str());
      return 1;
    }
  }
  auto icon = [&](int id) { return out / "icons" / (std::to_string(id) + ".ico"); };
  auto bitmap = [&](int id) { return out / "bitmaps" / (std::to_string(id) + ".bmp"); };

  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    int base = (sheet + 1) * 1000;
    for (int f = 0; f < BallFrameCount(sheet); ++f)
      Save(icon(base + f), SingleIcon(BallFrame(sheet, f)));
    for (int f = 0; f <= 4; ++f)
      if (PaddleFrameExists(sheet, f)) Save(bitmap(base + f), BmpFile8(PaddleFrame(sheet, f)));
    Save(bitmap(base + 5), BmpFile8(Panel(sheet)));
  }
  for (int id = 101; id <= 107; ++id) Save(icon(id), SingleIcon(DesktopIcon(id)));
  for (int f = 0; f < 10; ++f) Save(icon(6000 + f), SingleIcon(FlameFrame(f)));
  std::vector<IconImage> program;
  for (int size : {16, 32, 48})
    for (int bits : {4, 8}) program.push_back({ProgramIcon(size), bits});
  Save(icon(1), IcoFile(program));
  Save(bitmap(9000), BmpFile24(SponsorBanner()));
  Save(bitmap(9001), BmpFile24(AboutPicture()));
  for (const SoundEntry& s : SoundCatalogue())
    Save(out / "sounds" / (std::to_string(s.id) + ".wav"),
         WavFile(s.channels, s.sampleRate, s.bits, Synthesise(s)));
  return failures ? 1 : 0;
}
