// The Linux backend: GTK 3 for windows, dialogs, the event loop and tool tips;
// Xlib on GDK's display for the desktop; SDL2 for sound; a GKeyFile for the
// settings; flock for the single instance.
//
// Event flow: GTK's callbacks only translate what they see into the toolkit's
// input events and queue them (and wake the loop). PumpEvents lets GTK
// dispatch what is pending, optionally blocking until something arrives or
// the wait is over, and then has the toolkit deliver the queue. Nothing the
// toolkit runs is ever called from inside a GTK callback.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "toolkit/input.h"
#include "toolkit/linux/guardian_link.h"
#include "toolkit/linux/sdl_sound.h"
#include "toolkit/linux/user_files.h"
#include "toolkit/linux/x11_desktop.h"
#include "toolkit/platform.h"

namespace tk::gtkx {

class LinuxPlatform : public Platform {
 public:
  // GTK must be initialised on an X11 display.
  LinuxPlatform();
  ~LinuxPlatform() override;

  // ---- Platform -------------------------------------------------------------
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  double ClockSeconds() override;
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
  std::string FormatLongTime(int hours, int minutes, int seconds) override;
  char DecimalSeparator() override;

  // ---- the backend's own ----------------------------------------------------
  // Maps back every window still hidden and shows the pointer. Safe to call
  // more than once.
  void GiveDesktopBack();

  // Queues what a window saw (pointer moves merged: GTK reports every motion)
  // and makes a blocking PumpEvents return.
  void QueueInput(const InputEvent& e);
  // Makes a blocking PumpEvents return (a GTK callback changed something the
  // waiting loop looks at).
  void Wake() { woken_ = true; }
  X11Desktop& Desktop() { return *desktop_; }
  SdlSound& Sound() { return sound_; }
  XDisplay* Xdpy() const { return xdisplay_; }

  // The toplevels of the forms, for transient parents and to tell the
  // program's own windows from others on the desktop.
  void RegisterWindow(const Form* form, GtkWidget* window);
  void UnregisterWindow(const Form* form);
  // The window a new dialog or message box belongs to: that of the active
  // form (tk::ActiveForm).
  GtkWindow* ParentWindow(const Form* except = nullptr) const;
  bool IsOwnWindow(unsigned long xid) const;

  // The settings folder (default: the user's configuration folder).
  void SetConfigDir(const std::string& dir) { settings_ = KeyFileSettings(dir); }
  void SetLockPath(const std::string& path) { lock_path_ = path; }
  // Before the desktop is first touched: repair what an earlier game left
  // hidden, keep the record file (next to the lock) and, with
  // `startGuardian`, start the guardian process. Off unless asked for.
  void SetGuarded(bool startGuardian) {
    guarded_ = true;
    start_guardian_ = startGuardian;
  }
  // Where captures are written as PPM files (capture-1.ppm, ...); empty: not.
  void SetCaptureDumpDir(const std::string& dir) { dump_dir_ = dir; }

  // ---- termination by signal ------------------------------------------------
  // Async-signal-safe: notes the signal and wakes the loop. The next
  // PumpEvents or Sleep ends the program with exit code 128 + signal.
  static void RequestTermination(int signal);
  static int TerminationSignal();

  // ---- measurements (the benchmark) ------------------------------------------
  std::function<void()> PassObserver;
  struct PresentStats {
    uint64_t calls = 0, areas = 0, pixels = 0, nanoseconds = 0;
  } presentStats;

 private:
  void Drain();
  void CheckTermination();
  void DumpCapture(const Surface& image, int number);
  void GuardDesktop();

  XDisplay* xdisplay_ = nullptr;
  std::unique_ptr<X11Desktop> desktop_;
  bool woken_ = false;
  SdlSound sound_;
  KeyFileSettings settings_;
  InstanceLock lock_;
  std::string lock_path_;
  std::string dump_dir_;
  int dumps_ = 0;
  int with_icons_dump_ = 0;  // the number of the last capture with icons
  std::map<const Form*, GtkWidget*> windows_;
  bool guarded_ = false;
  bool start_guardian_ = false;
  std::unique_ptr<GuardianLink> guardian_;
};

}  // namespace tk::gtkx
