// The headless backend: the whole platform simulated, deterministically.
//
// - A virtual clock in microseconds, advanced only by sleeps, by a fixed cost
//   per main-loop pass and, when the program waits (idle or modal), by jumping
//   to the next timer tick or scripted event.
// - A simulated desktop: two pictures of the same screen, with and without the
//   icon layer; a capture shows whichever the icon layer's state selects, with
//   the taskbar drawn over the bottom while it is visible.
// - Scripted input, delivered at the first yield at or after its time.
// - A recorder of every platform call, for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/platform.h"
#include "toolkit/settings_ini.h"
#include "toolkit/surface.h"
#include "toolkit/toolkit.h"

namespace tk::headless {

struct ScriptEvent {
  uint32_t ms = 0;
  std::string command;
  std::vector<std::string> args;
  int line = 0;
};

// Parses "<ms> <command> [args]" lines; '#' starts a comment. On a bad line
// returns false with a message naming the line.
bool ParseScript(const std::string& text, std::vector<ScriptEvent>& out, std::string& error);

struct Options {
  Surface withIcons, withoutIcons;
  std::vector<ScriptEvent> script;
  std::string settingsPath;  // empty: settings in memory
  uint32_t passCostUs = 100;
  uint32_t untilMs = 600000;
  bool anotherInstance = false;
  // Height of the simulated taskbar drawn into captures while it is visible.
  int taskbarHeight = 30;
};

class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(Options options);

  // ---- Platform -----------------------------------------------------------
  uint32_t TickCount() override { return static_cast<uint32_t>(now_us_ / 1000); }
  void Sleep(uint32_t ms) override;
  double ClockSeconds() override { return static_cast<double>(now_us_) / 1e6; }
  void PumpEvents(uint32_t waitMs) override;
  void LoopPass() override;
  std::unique_ptr<WindowPeer> CreatePeer(Form& form) override;
  MsgBoxResult MessageBox(const MessageBoxRequest& request) override;
  bool AnotherInstanceRunning() override;
  Rect PrimaryScreen() override;
  void MinimiseAllWindows() override;
  void SetTaskbarVisible(bool visible) override;
  void SetIconLayerVisible(bool visible) override;
  bool CaptureScreen(Surface& target) override;
  int ShowCursor(bool show) override;
  void SetCursorPos(int x, int y) override;
  bool OpenUrl(const std::string& url) override;
  bool PlayWav(std::span<const uint8_t> wav) override;
  void StopSound() override;
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;
  // Records every sound asked for ("Sound(101)"), whether or not it exists.
  std::span<const uint8_t> ResourceBytes(ResourceType type, int id) override;

  // ---- for the driver and the tests ----------------------------------------
  uint64_t NowMicros() const { return now_us_; }
  void AdvanceMicros(uint64_t us);
  // Queues input as if the user made it now; it arrives at the next yield.
  void QueueInput(const std::string& command, std::vector<std::string> args = {});
  // Autopilot: asked before every pass where the pointer should go.
  std::function<std::optional<std::pair<int, int>>()> Follow;
  // Called at the end of every pass of the main loop (soak checks).
  std::function<void()> AfterPass;

  // Every platform call in order, e.g. "SetTaskbarVisible(0)".
  std::vector<std::string> calls;
  bool taskbarVisible = true, iconLayerVisible = true, windowsMinimised = false;
  int cursorCount = 0;
  int pointerX = 0, pointerY = 0;
  int soundsStarted = 0, soundStops = 0;
  uint64_t passes = 0, presents = 0;
  std::vector<std::string> openedUrls;
  std::vector<MessageBoxRequest> messageBoxes;
  const Options& GetOptions() const { return options_; }
  bool ScriptUsedUp() const { return next_event_ >= options_.script.size() && queued_.empty(); }

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
  // Delivers due scripted and queued input; true when something was delivered.
  bool DeliverDue();
  void Deliver(const ScriptEvent& e);
  void DeliverPointer(PointerAction action, int16_t button);
  bool PressDefaultOfModal();

  Options options_;
  IniSettings settings_;
  uint64_t now_us_ = 0;
  size_t next_event_ = 0;
  std::vector<ScriptEvent> queued_;
  bool following_ = false;
  std::optional<MsgBoxResult> pending_answer_;
  std::optional<MsgBoxResult> box_answer_;
  const MessageBoxRequest* open_box_ = nullptr;
};

}  // namespace tk::headless
