// Test harness: the game on the headless backend with a small made-up desktop.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "toolkit/headless/headless_platform.h"
#include "toolkit/toolkit.h"
#include "tools/sim/autopilot.h"
#include "windows/sidewindows.h"

namespace testing_support {

constexpr tk::Color kWallpaper = tk::Rgb(10, 90, 140);
constexpr tk::Color kIcon = tk::Rgb(250, 240, 30);

// A plain wallpaper; the picture with icons has the given blocks painted in.
inline tk::headless::Options DesktopPair(int width, int height,
                                         const std::vector<tk::Rect>& icons = {}) {
  tk::headless::Options o;
  o.withoutIcons = tk::Surface(width, height, kWallpaper);
  o.withIcons = o.withoutIcons;
  for (const tk::Rect& r : icons) o.withIcons.FillRect(r, kIcon);
  o.taskbarHeight = 0;
  return o;
}

inline tk::headless::Options WithScript(tk::headless::Options o, const std::string& script) {
  std::string error;
  if (!tk::headless::ParseScript(script, o.script, error)) throw std::runtime_error(error);
  return o;
}

// Installs a headless platform (or one derived from it) for the lifetime of
// the object, with the module values as at start.
template <class Platform>
class Installed {
 public:
  explicit Installed(tk::headless::Options options) : platform(std::move(options)) {
    platform.Follow = sim::FollowBall;
    tk::InstallPlatform(&platform);
    mdlLumbravick::ResetModule();
    tk::ResetRandom();
  }
  ~Installed() { tk::InstallPlatform(nullptr); }
  Platform platform;
};
using Headless = Installed<tk::headless::HeadlessPlatform>;

// The recorded platform calls that begin with one of `prefixes` ("Sound(",
// "OpenUrl("), in the order they were made.
inline std::vector<std::string> CallsStartingWith(const tk::headless::HeadlessPlatform& p,
                                                  const std::vector<std::string>& prefixes) {
  std::vector<std::string> out;
  for (const std::string& call : p.calls)
    for (const std::string& prefix : prefixes)
      if (call.rfind(prefix, 0) == 0) out.push_back(call);
  return out;
}

// A game window laid out as start-up leaves it, without running start-up:
// captures taken from the platform's desktop, the paddle and the ball served.
// Tests then drive single procedures.
template <class Platform>
struct BasicTable {
  explicit BasicTable(tk::headless::Options options) : headless(std::move(options)) {
    const auto& o = headless.platform.GetOptions();
    window = std::make_unique<frmMain>();
    window->SetClientSize(o.withIcons.Width(), o.withIcons.Height());
    for (tk::PictureBox* box : {&window->picScreenshot, &window->picScreenshotNoIcons}) {
      box->Move(0, 0, window->ScaleWidth(), window->ScaleHeight());
      box->ClearImage();
    }
    window->picScreenshot.Image() = o.withIcons;
    window->picScreenshotNoIcons.Image() = o.withoutIcons;
    window->GetBallEdges();
    window->LoopDelay = 4;
    window->TiltStep = 1;
    window->BallsLeft = 1;
  }
  ~BasicTable() {
    window.reset();
    game::ReleaseSideWindows();
  }
  // The scan as finished: every differing pixel counted.
  void FinishScan() {
    int32_t count = 0;
    const auto& a = window->picScreenshot.Image();
    const auto& b = window->picScreenshotNoIcons.Image();
    for (size_t i = 0; i < a.Pixels().size(); ++i) count += a.Pixels()[i] != b.Pixels()[i];
    window->IconPixels = window->IconPixelsTotal = window->SpeedUpMark = count;
    window->IconPixelsDone = true;
  }
  void PlaceBall(float left, float top, int16_t dx, int16_t dy) {
    window->picBall.Move(left, top, 16, 16);
    window->BallDirX = dx;
    window->BallDirY = dy;
  }
  void PlacePaddle(float left, float top, float width = 168, float height = 32) {
    window->picPaddle.Move(left, top, width, height);
  }
  Installed<Platform> headless;
  std::unique_ptr<frmMain> window;
};
using Table = BasicTable<tk::headless::HeadlessPlatform>;

// Runs `body`; true when it ended the program (Quit or another EndProgram).
template <class F>
bool EndsProgram(F&& body) {
  try {
    body();
  } catch (const tk::ProgramEnded&) {
    return true;
  }
  return false;
}

// Runs `check` once, when the clock reaches `atMs` and the program waits or
// yields (modal windows included), to look inside a run that does not return.
class ProbeAt {
 public:
  ProbeAt(uint32_t atMs, std::function<void()> check) : check_(std::move(check)) {
    timer_.SetInterval(atMs - tk::GetTickCount());
    timer_.Tick = [this] {
      timer_.SetEnabled(false);
      fired = true;
      check_();
    };
    timer_.SetEnabled(true);
  }
  bool fired = false;

 private:
  tk::Form form_{"frmProbe", tk::FormStyle::Dialog};
  tk::Timer timer_{form_, "tmrProbe", 1, false};
  std::function<void()> check_;
};

// Steps the clock one millisecond at a time, yielding after each, until `until`
// holds or `limitMs` have passed; the milliseconds taken.
inline uint32_t RunUntil(tk::headless::HeadlessPlatform& p, uint32_t limitMs,
                         const std::function<bool()>& until) {
  for (uint32_t ms = 1; ms <= limitMs; ++ms) {
    p.AdvanceMicros(1000);
    tk::DoEvents();
    if (until()) return ms;
  }
  return limitMs + 1;
}

inline std::string TopModalName() {
  tk::Form* top = tk::TopModalForm();
  return top ? top->Name() : "";
}

}  // namespace testing_support
