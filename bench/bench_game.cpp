// Cost of the game's per-pass work, and whether it depends on the screen
// size. Run: lumbravick_bench. Besides Google Benchmark's table it prints the
// ratio of each cost at 3840 x 2160 to the same cost at 1920 x 1080; a ratio
// near 1 means the cost is independent of the screen size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "toolkit/headless/headless_platform.h"
#include "toolkit/toolkit.h"

namespace {

// A desktop whose whole left half is icon pixels, so every hit explodes.
struct Scene {
  explicit Scene(int w, int h) {
    tk::headless::Options o;
    o.withoutIcons = tk::Surface(w, h, tk::Rgb(20, 80, 140));
    o.withIcons = o.withoutIcons;
    o.withIcons.FillRect({0, 0, w / 2, h}, tk::Rgb(240, 220, 40));
    o.taskbarHeight = 0;
    o.untilMs = 0xFFFFFFFFu;
    platform = std::make_unique<tk::headless::HeadlessPlatform>(o);
    tk::InstallPlatform(platform.get());
    window = std::make_unique<frmMain>();
    window->SetClientSize(w, h);
    window->picScreenshot.Move(0, 0, static_cast<float>(w), static_cast<float>(h));
    window->picScreenshot.Image() = o.withIcons;
    window->picScreenshotNoIcons.Image() = o.withoutIcons;
    window->picPaddle.Move(static_cast<float>(w / 2), static_cast<float>(h - 72), 168, 32);
    window->picBall.SetVisible(true);
    window->picPaddle.SetVisible(true);
    window->GetBallEdges();
    window->IconPixels = window->IconPixelsTotal = window->SpeedUpMark = w * h;  // never won
    window->IconPixelsDone = true;
    window->LoopDelay = 4;
  }
  ~Scene() {
    window.reset();
    tk::InstallPlatform(nullptr);
  }
  // The ball sits on fresh icon pixels at every pass: the worst case.
  void Aim(int pass) {
    int w = static_cast<int>(window->ScaleWidth()), h = static_cast<int>(window->ScaleHeight());
    window->picBall.Move(static_cast<float>(40 + (pass * 37) % (w / 2 - 80)),
                         static_cast<float>(40 + (pass * 53) % (h - 200)));
    window->BallDirX = 2;
    window->BallDirY = 1;
  }
  std::unique_ptr<tk::headless::HeadlessPlatform> platform;
  std::unique_ptr<frmMain> window;
};

void BM_CollisionExplosionMove(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  int pass = 0;
  for (auto _ : state) {
    state.PauseTiming();
    scene.Aim(pass++);
    // Keep the spot fresh: repaint the icons an earlier hit cleared there.
    scene.window->picScreenshot.Image().FillRect(
        {static_cast<int>(scene.window->picBall.Left()) - 40,
         static_cast<int>(scene.window->picBall.Top()) - 40, 100, 100},
        tk::Rgb(240, 220, 40));
    scene.window->IconPixels = scene.window->SpeedUpMark = scene.window->IconPixelsTotal;
    state.ResumeTiming();
    scene.window->Collision();
    scene.window->MoveBall();
  }
}
BENCHMARK(BM_CollisionExplosionMove)->Args({1920, 1080})->Args({3840, 2160});

void BM_ComposePass(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  scene.window->Refresh();  // the first full frame is not part of a pass
  int pass = 0;
  for (auto _ : state) {
    // What a pass changes on screen: the ball moves, the paddle follows, a
    // square of pixels was destroyed.
    scene.Aim(pass++);
    scene.window->picPaddle.SetLeft(scene.window->picBall.Left());
    scene.window->picScreenshot.InvalidateImage({static_cast<int>(scene.window->picBall.Left()),
                                                 static_cast<int>(scene.window->picBall.Top()), 31,
                                                 31});
    scene.window->Refresh();
  }
}
BENCHMARK(BM_ComposePass)->Args({1920, 1080})->Args({3840, 2160});

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      std::string name = r.benchmark_name();
      std::string family = name.substr(0, name.find('/'));
      times_[family][name.find("3840") != std::string::npos] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (auto& [family, t] : times_)
      if (t.count(0) && t.count(1))
        std::printf("ratio %s 3840x2160 / 1920x1080 = %.2f\n", family.c_str(), t[1] / t[0]);
  }

 private:
  std::map<std::string, std::map<bool, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
