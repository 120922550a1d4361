// lumbravick-sim: the real game on the headless backend. A desktop pair and a
// script of input go in; the flight recorder's trace and the final play
// surface come out. Every run is deterministic.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "game/frmMain.h"
#include "game/program.h"
#include "toolkit/headless/headless_platform.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"
#include "tools/pngio/png_io.h"
#include "tools/sim/autopilot.h"
#include "tools/sim/invariants.h"

namespace {

constexpr const char* kUsage =
    "usage: lumbravick-sim --with-icons WITH.png --without-icons WITHOUT.png [--script FILE] "
    "[--trace FILE] [--final-screen OUT.png] [--final-frame OUT.png] [--settings FILE] "
    "[--pass-cost-us N] [--until-ms N] [--check-every PASSES]";

struct Arguments {
  std::string withIcons, withoutIcons, script, trace = "-", finalScreen, finalFrame, settings;
  uint32_t passCostUs = 100, untilMs = 600000, checkEvery = 0;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "lumbravick-sim: %s\n", message.c_str());
  std::exit(2);
}

uint32_t ParseCount(const std::string& option, const std::string& text) {
  char* end = nullptr;
  unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || text[0] == '-' || *end != '\0' || value > 0xFFFFFFFFull)
    Fail(option + " needs a whole number, not '" + text + "'");
  return static_cast<uint32_t>(value);
}

Arguments ParseArguments(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      std::puts(kUsage);
      std::exit(0);
    }
    if (i + 1 >= argc) Fail("option " + option + " needs a value (" + kUsage + ")");
    std::string value = argv[++i];
    if (option == "--with-icons")
      a.withIcons = value;
    else if (option == "--without-icons")
      a.withoutIcons = value;
    else if (option == "--script")
      a.script = value;
    else if (option == "--trace")
      a.trace = value;
    else if (option == "--final-screen")
      a.finalScreen = value;
    else if (option == "--final-frame")
      a.finalFrame = value;
    else if (option == "--settings")
      a.settings = value;
    else if (option == "--pass-cost-us")
      a.passCostUs = ParseCount(option, value);
    else if (option == "--until-ms")
      a.untilMs = ParseCount(option, value);
    else if (option == "--check-every")
      a.checkEvery = ParseCount(option, value);
    else
      Fail("unknown option " + option + " (" + kUsage + ")");
  }
  if (a.withIcons.empty()) Fail("--with-icons is missing (" + std::string(kUsage) + ")");
  if (a.withoutIcons.empty()) Fail("--without-icons is missing (" + std::string(kUsage) + ")");
  return a;
}

tk::Surface ReadDesktop(const std::string& path) {
  tk::Surface image;
  std::string error;
  if (!tools::ReadPng(path, image, error)) Fail("cannot read " + path + ": " + error);
  if (image.Empty()) Fail(path + " is an empty picture");
  return image;
}

// Soak runs: the icon-pixel map is checked every `every` passes; the first
// break ends the run with exit 3 and one line saying what broke.
struct MapChecks {
  uint32_t every = 0;
  uint64_t made = 0;
  void AfterPass(const tk::headless::HeadlessPlatform& platform) {
    frmMain* window = MainWindow();
    if (every != 0 && platform.passes % every == 0 && window) Check(*window, platform);
  }
  void Check(const frmMain& window, const tk::headless::HeadlessPlatform& platform) {
    if (every == 0) return;
    const auto& desktop = platform.GetOptions();
    std::string broken = sim::CheckIconPixels(window, desktop.withIcons, desktop.withoutIcons);
    if (!broken.empty()) {
      tk::trace::Close();
      std::fprintf(stderr, "lumbravick-sim: after %llu passes (%llu ms): %s\n",
                   static_cast<unsigned long long>(platform.passes),
                   static_cast<unsigned long long>(platform.NowMicros() / 1000), broken.c_str());
      std::exit(3);
    }
    ++made;
  }
};

}  // namespace

int main(int argc, char** argv) {
  Arguments args = ParseArguments(argc, argv);

  tk::headless::Options options;
  options.withIcons = ReadDesktop(args.withIcons);
  options.withoutIcons = ReadDesktop(args.withoutIcons);
  if (options.withIcons.Width() != options.withoutIcons.Width() ||
      options.withIcons.Height() != options.withoutIcons.Height())
    Fail("the two desktop pictures differ in size");
  if (!args.script.empty()) {
    std::ifstream in(args.script, std::ios::binary);
    if (!in) Fail("cannot read script " + args.script);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!tk::headless::ParseScript(text.str(), options.script, error))
      Fail(args.script + ": " + error);
  }
  options.settingsPath = args.settings;
  options.passCostUs = args.passCostUs;
  options.untilMs = args.untilMs;

  tk::headless::HeadlessPlatform platform(std::move(options));
  platform.Follow = sim::FollowBall;
  MapChecks checks{args.checkEvery};
  platform.AfterPass = [&] { checks.AfterPass(platform); };
  tk::InstallPlatform(&platform);
  if (!tk::trace::Open(args.trace)) Fail("cannot write trace " + args.trace);

  std::string finalScreenError;
  game::RunResult result = game::RunProgram([&](frmMain& window) {
    checks.Check(window, platform);
    if (!args.finalScreen.empty() &&
        !tools::WritePng(args.finalScreen, window.picScreenshot.Image(), finalScreenError))
      finalScreenError = "cannot write " + args.finalScreen + ": " + finalScreenError;
    if (!args.finalFrame.empty()) {
      // What the player saw last: the capture with every sprite drawn over it.
      tk::Surface frame(static_cast<int>(window.ScaleWidth()),
                        static_cast<int>(window.ScaleHeight()));
      window.ComposeArea(frame, {0, 0, frame.Width(), frame.Height()});
      if (!tools::WritePng(args.finalFrame, frame, finalScreenError))
        finalScreenError = "cannot write " + args.finalFrame + ": " + finalScreenError;
    }
  });
  tk::trace::Close();
  tk::InstallPlatform(nullptr);
  if (!finalScreenError.empty()) {
    std::fprintf(stderr, "lumbravick-sim: %s\n", finalScreenError.c_str());
    return 2;
  }
  if (checks.every != 0)
    std::printf("lumbravick-sim: the icon-pixel map held at all %llu checks over %llu passes\n",
                static_cast<unsigned long long>(checks.made),
                static_cast<unsigned long long>(platform.passes));
  if (!result.ended) {
    std::fprintf(stderr, "lumbravick-sim: the game had not ended after %u ms\n", args.untilMs);
    return 1;
  }
  return 0;
}
