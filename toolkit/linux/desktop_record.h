// What the program has taken away from the desktop, kept in memory only, so
// that every way out can give it back: the normal end, a lost X connection, a
// termination signal and a crash.
//
// The record lives in static storage with fixed-size slots. Writing happens on
// the user-interface thread; a signal handler may read it at any moment, so a
// slot is filled before it is marked used and unmarked before it is reused.
#pragma once

#include <csignal>
#include <cstdint>

// Xlib's types, without its macros (they clash with toolkit names).
struct _XDisplay;

namespace tk::gtkx {

using XDisplay = _XDisplay;
using XWindowId = unsigned long;
using XAtomId = unsigned long;

struct HiddenWindow {
  static constexpr int kMaxStates = 16;
  XWindowId window = 0;
  // The window's _NET_WM_STATE before it was unmapped (the window manager
  // drops it on withdrawal; written back before the window is mapped again).
  bool hadState = false;
  int stateCount = 0;
  XAtomId states[kMaxStates] = {};
};

class DesktopRecord {
 public:
  static constexpr int kMaxWindows = 64;

  // The display a fresh connection is made to in an emergency.
  void SetDisplayName(const char* name);
  const char* DisplayName() const { return display_name_; }

  // False when the record is full (the window is then left as it is).
  bool Add(const HiddenWindow& w);
  void Remove(XWindowId window);
  bool Contains(XWindowId window) const;
  int Count() const;

  // Writes back the saved state of one recorded window, maps it and forgets
  // it. False when the window is not recorded (given back already).
  bool GiveBackOne(XDisplay* display, XWindowId window);
  // The same for every recorded window, most recently hidden first.
  void GiveBack(XDisplay* display);
  // The same through a new connection: for signal handlers and the X I/O
  // error handler, when the program's own connection cannot be trusted. Makes
  // no allocation of its own (Xlib's connection setup does).
  void GiveBackThroughNewConnection();

  void Clear();

 private:
  struct Slot {
    volatile sig_atomic_t used = 0;
    long sequence = 0;  // order of hiding
    HiddenWindow window;
  };
  // The used slot hidden last, or -1.
  int Latest() const;
  Slot slots_[kMaxWindows];
  long sequence_ = 0;
  char display_name_[256] = {};
};

// The program's one record.
DesktopRecord& Record();

// Writes `saved` back as the window's _NET_WM_STATE and maps it.
void MapWithState(XDisplay* display, const HiddenWindow& saved);

}  // namespace tk::gtkx
