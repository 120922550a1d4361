// The Linux backend's main loop on a real X server: how long one pass of the
// game's loop really takes against the LoopDelay it sleeps, and what putting
// the dirty areas of the play surface on the screen costs per pass.
//
// Run it on Xvfb at 1920 x 1080:
//   xvfb-run -s "-screen 0 1920x1080x24" build/game/toolkit/linux/lumbravick_linux_bench
// Without an X display it says so and does nothing.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/toolkit.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;

tk::Picture Solid(int w, int h, tk::Argb colour) {
  return std::make_shared<tk::PictureData>(
      w, h, std::vector<tk::Argb>(static_cast<size_t>(w) * h, colour));
}

// A play surface laid out like the game's: the desktop picture, a ball, the
// paddle and the status panel.
struct Play : tk::Form {
  explicit Play(const tk::Rect& screen) : tk::Form("benchPlay", tk::FormStyle::Composed) {
    Caption = "present benchmark";
    SetClientSize(screen.w, screen.h);
    desktop.Move(0, 0, static_cast<float>(screen.w), static_cast<float>(screen.h));
    desktop.ClearImage();
    for (int y = 0; y < screen.h; ++y)
      for (int x = 0; x < screen.w; ++x)
        desktop.Image().Set(x, y, tk::Rgb(x / 8, y / 5, (x ^ y) & 255));
    paddle.SetPicture(Solid(168, 32, 0xFFC02020));
    paddle.Move(static_cast<float>(screen.w / 2 - 84), static_cast<float>(screen.h - 72), 168, 32);
    ball.SetPicture(Solid(16, 16, 0xFFF0F0F0));
    ball.Move(static_cast<float>(screen.w / 2), static_cast<float>(screen.h - 90), 16, 16);
    status.Move(static_cast<float>(screen.w - 150), static_cast<float>(screen.h - 27), 150, 27);
    status.BackColor = tk::Rgb(20, 30, 60);
  }
  tk::PictureBox desktop{*this, "desktop"};
  tk::PictureBox paddle{*this, "paddle"};
  tk::Image ball{*this, "ball"};
  tk::PictureBox status{*this, "status"};
  int dx = 3, dy = -2;

  // What a pass of the game's loop does to the play surface: the ball moves
  // and bounces, the paddle follows it.
  void Step() {
    float x = ball.Left() + dx, y = ball.Top() + dy;
    if (x <= 0 || x >= ScaleWidth() - 16) dx = -dx;
    if (y <= 0 || y >= ScaleHeight() - 100) dy = -dy;
    ball.Move(x, y);
    paddle.SetLeft(std::clamp(x - 76, 0.0f, ScaleWidth() - 168));
  }
};

tk::gtkx::LinuxPlatform* g_platform = nullptr;
Play* g_play = nullptr;

void MainLoopPass(benchmark::State& state) {
  const auto delay = static_cast<uint32_t>(state.range(0));
  std::vector<double> periods;
  periods.reserve(4096);
  Clock::time_point last{};
  g_platform->PassObserver = [&] {
    auto now = Clock::now();
    if (last != Clock::time_point{})
      periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  };
  auto before = g_platform->presentStats;
  uint64_t passes = 0;
  for (auto _ : state) {
    // The game's loop, as in frmMain::GameLoop once the scan is over.
    tk::Sleep(delay);
    g_play->Step();
    tk::DoEvents();
    tk::LoopPass();
    ++passes;
  }
  g_platform->PassObserver = nullptr;
  auto after = g_platform->presentStats;
  if (periods.empty()) return;
  std::vector<double> sorted = periods;
  std::sort(sorted.begin(), sorted.end());
  double mean =
      std::accumulate(periods.begin(), periods.end(), 0.0) / static_cast<double>(periods.size());
  double p99 = sorted[std::min(sorted.size() - 1,
                               static_cast<size_t>(0.99 * static_cast<double>(sorted.size())))];
  state.counters["LoopDelay_ms"] = delay;
  state.counters["pass_mean_ms"] = mean;
  state.counters["pass_p99_ms"] = p99;
  state.counters["over_delay_mean_ms"] = mean - delay;
  state.counters["present_us_per_pass"] =
      static_cast<double>(after.nanoseconds - before.nanoseconds) / 1000.0 /
      static_cast<double>(passes);
  state.counters["present_px_per_pass"] =
      static_cast<double>(after.pixels - before.pixels) / static_cast<double>(passes);
}
BENCHMARK(MainLoopPass)->Arg(4)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole screen at once: the first show, or a repaint of everything.
void PresentWholeFrame(benchmark::State& state) {
  auto before = g_platform->presentStats;
  for (auto _ : state) {
    g_play->Invalidate(
        {0, 0, static_cast<int>(g_play->ScaleWidth()), static_cast<int>(g_play->ScaleHeight())});
    g_play->Refresh();
    XSync(g_platform->Xdpy(), False);
  }
  auto after = g_platform->presentStats;
  state.counters["present_ms"] = static_cast<double>(after.nanoseconds - before.nanoseconds) / 1e6 /
                                 static_cast<double>(state.iterations());
  state.counters["pixels"] =
      static_cast<double>(after.pixels - before.pixels) / static_cast<double>(state.iterations());
}
BENCHMARK(PresentWholeFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const char* display = std::getenv("DISPLAY");
  gdk_set_allowed_backends("x11");
  if (!display || !*display || !gtk_init_check(nullptr, nullptr)) {
    std::printf(
        "linux_present: skipped, no X display (run it under xvfb-run -s \"-screen 0 "
        "1920x1080x24\")\n");
    return 0;
  }
  tk::gtkx::LinuxPlatform platform;
  tk::InstallPlatform(&platform);
  g_platform = &platform;
  tk::Rect screen = platform.PrimaryScreen();
  std::printf("screen %dx%d on %s\n", screen.w, screen.h, display);
  {
    Play play(screen);
    g_play = &play;
    play.Load();
    play.Show(false);
    // Until the window is on the screen and takes pixels.
    for (int i = 0; i < 500 && platform.presentStats.calls == 0; ++i) {
      play.Invalidate({0, 0, screen.w, screen.h});
      play.Refresh();
      platform.PumpEvents(10);
    }
    if (platform.presentStats.calls == 0) {
      std::printf("linux_present: the window never came on the screen\n");
      return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    play.Unload();
    g_play = nullptr;
  }
  benchmark::Shutdown();
  tk::InstallPlatform(nullptr);
  return 0;
}
