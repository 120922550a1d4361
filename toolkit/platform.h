// ==========================================================================
//  NON-PORTABLE SYSTEM SERVICES
//
//  Everything the game needs from the operating system, in one list. Each
//  backend folder (headless/, linux/, win32/) implements this interface once;
//  nothing above this line of the toolkit includes a platform header, and
//  the game cannot (see below).
//
//  Contract for every backend:
//  - Single thread. Input reaches the forms only through tk::DeliverInput
//    (toolkit/input.h) and only from inside PumpEvents. Callbacks from C
//    libraries translate what they get into tk::InputEvents, queue them and
//    return; exceptions (tk::ProgramEnded) must never unwind through a C
//    frame.
//  - Sleep blocks and delivers nothing.
//  - Timers are scheduled by the toolkit (TimerScheduler); the backend only
//    has to wake PumpEvents up in time, using NextTimerDue().
// ==========================================================================
#pragma once

// The game's sources are built without this definition: a game file that
// includes this header does not compile.
#ifndef LUMBRAVICK_PLATFORM_SIDE
#error "toolkit/platform.h is for the toolkit and its backends; game code uses toolkit/toolkit.h"
#endif

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/resources.h"
#include "toolkit/surface.h"
#include "toolkit/toolkit.h"

namespace tk {

struct MessageBoxRequest {
  std::string text, title;
  MsgBoxButtons buttons = MsgBoxButtons::Ok;
  MsgBoxIcon icon = MsgBoxIcon::None;
  MsgBoxResult defaultAnswer = MsgBoxResult::Ok;
};

// The backend's side of one window.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;
  virtual void Show(bool modal) = 0;  // returns at once; the toolkit runs the modal loop
  virtual void Hide() = 0;
  // A control's caption, picture, enabled state, value or geometry changed.
  virtual void ControlChanged(Control& c) = 0;
  // Composed forms: these areas of the frame have new pixels.
  virtual void Present(const Surface& frame, std::span<const Rect> areas) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- time ---------------------------------------------------------------
  virtual uint32_t TickCount() = 0;  // ms since an arbitrary start, wraps
  virtual void Sleep(uint32_t ms) = 0;
  // Seconds since local midnight with a fraction: what Randomize mixes in.
  virtual double ClockSeconds() = 0;

  // ---- events -------------------------------------------------------------
  // Delivers every pending input event (tk::DeliverQueuedInput). With
  // waitMs > 0 it first blocks until an event arrives or waitMs have passed.
  // Due timers are fired by the toolkit after this returns.
  virtual void PumpEvents(uint32_t waitMs) = 0;
  // One pass of the game's main loop is over.
  virtual void LoopPass() {}
  // Called when the toolkit's timer schedule changed (a backend that sleeps
  // in a native wait may need to wake earlier).
  virtual void TimersChanged() {}

  // ---- windows ------------------------------------------------------------
  virtual std::unique_ptr<WindowPeer> CreatePeer(Form& form) = 0;
  // Modal; timers keep ticking while it is open (use tk::RunModal or an
  // equivalent that fires due timers).
  virtual MsgBoxResult MessageBox(const MessageBoxRequest& request) = 0;
  virtual bool AnotherInstanceRunning() = 0;

  // ---- the desktop --------------------------------------------------------
  virtual Rect PrimaryScreen() = 0;
  virtual void MinimiseAllWindows() = 0;
  virtual void SetTaskbarVisible(bool visible) = 0;
  virtual void SetIconLayerVisible(bool visible) = 0;
  // Which window the last SetIconLayerVisible(false) found to hide, as the
  // platform names it (for the trace); empty where there is nothing to tell.
  virtual std::string IconLayerName() { return {}; }
  // Copies the whole primary screen into `target` at (0, 0), one to one, as
  // far as the target reaches. False when nothing could be copied.
  virtual bool CaptureScreen(Surface& target) = 0;
  // The display counter of the pointer: +1 / -1, returns the new count; the
  // pointer is visible while the count is 0 or more.
  virtual int ShowCursor(bool show) = 0;
  virtual void SetCursorPos(int x, int y) = 0;
  virtual bool OpenUrl(const std::string& url) = 0;

  // ---- sound --------------------------------------------------------------
  // Plays a whole WAV image asynchronously, cutting off the sound before. The
  // bytes stay valid until the next call or StopSound.
  virtual bool PlayWav(std::span<const uint8_t> wav) = 0;
  virtual void StopSound() = 0;

  // ---- settings -----------------------------------------------------------
  virtual std::string GetSetting(const std::string& app, const std::string& section,
                                 const std::string& key, const std::string& fallback) = 0;
  virtual bool SaveSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) = 0;

  // ---- resources and locale (portable defaults) ---------------------------
  virtual std::span<const uint8_t> ResourceBytes(ResourceType type, int id) {
    return FindEmbeddedResource(type, id);
  }
  virtual Picture LoadPicture(ResourceType type, int id, int iconSize);
  // A time of day in the user's long time format.
  virtual std::string FormatLongTime(int hours, int minutes, int seconds);
  virtual char DecimalSeparator() { return '.'; }
};

// The platform the toolkit runs on. Installed by the program's entry point or
// a test; there is exactly one at a time.
Platform& CurrentPlatform();
void InstallPlatform(Platform* platform);

}  // namespace tk
