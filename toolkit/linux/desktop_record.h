// What the program has taken away from the desktop, kept in memory so that
// every way out can give it back: the normal end, a lost X connection, a
// termination signal and a crash. A listener (the guardian link) is told of
// every change, to keep the guardian process and the record file in step.
//
// The record lives in static storage with fixed-size slots. Writing happens on
// the user-interface thread; a signal handler may read it at any moment, so a
// slot is filled before it is marked used and unmarked before it is reused.
#pragma once

#include <csignal>
#include <cstdint>

#include "toolkit/guardian.h"

// Xlib's types, without its macros (they clash with toolkit names).
struct _XDisplay;

namespace tk::gtkx {

using XDisplay = _XDisplay;
using XWindowId = unsigned long;
using XAtomId = unsigned long;

struct HiddenWindow {
  static constexpr int kMaxStates = 16;
  static constexpr int kMaxClass = 128;
  XWindowId window = 0;
  // Its first _NET_WM_WINDOW_TYPE and its WM_CLASS ("name.class"): X hands a
  // freed window id to the next window, so a window is given back only while
  // it is still what it was. Empty: not known, not checked.
  XAtomId type = 0;
  char windowClass[kMaxClass] = {};
  // Where it was (the root position of its outer corner, its inner size):
  // some window managers place a window mapped again anywhere.
  bool hasPlace = false;
  int x = 0, y = 0, width = 0, height = 0;
  // The window's _NET_WM_STATE before it was unmapped (the window manager
  // drops it on withdrawal; written back before the window is mapped again).
  bool hadState = false;
  int stateCount = 0;
  XAtomId states[kMaxStates] = {};
};

// Told of each change of the record, on the user-interface thread.
class RecordListener {
 public:
  virtual ~RecordListener() = default;
  virtual void Hiding(const HiddenWindow& w) = 0;  // noted, about to be unmapped
  virtual void GivenBack(XWindowId window) = 0;    // shown again (or never hidden)
  virtual void AllGivenBack() = 0;
};

class DesktopRecord {
 public:
  static constexpr int kMaxWindows = 64;

  // The display a fresh connection is made to in an emergency.
  void SetDisplayName(const char* name);
  const char* DisplayName() const { return display_name_; }
  void SetListener(RecordListener* listener) { listener_ = listener; }

  // False when the record is full (the window is then left as it is).
  bool Add(const HiddenWindow& w);
  void Remove(XWindowId window);
  bool Contains(XWindowId window) const;
  int Count() const;

  // Gives one recorded window back (GiveBackWindow) and forgets it. False
  // when the window is not recorded (given back already).
  bool GiveBackOne(XDisplay* display, XWindowId window);
  // The same for every recorded window, most recently hidden first.
  void GiveBack(XDisplay* display);
  // The same through a new connection, without telling the listener: for
  // signal handlers and the X I/O error handler, when the program's own
  // connection cannot be trusted. Makes no allocation of its own (Xlib does).
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
  void GiveBackAll(XDisplay* display);
  Slot slots_[kMaxWindows];
  long sequence_ = 0;
  char display_name_[256] = {};
  RecordListener* listener_ = nullptr;
};

// The program's one record.
DesktopRecord& Record();

// Reads what giving `window` back needs: its state, type, class and place.
// False when the window cannot be read (it went away).
bool ReadWindow(XDisplay* display, XWindowId window, HiddenWindow& out);

enum class GiveBackResult { Mapped, Gone, AlreadyShown, Foreign };
// Maps the window again, provided it is still the window that was hidden: it
// exists, is unmapped, and has the type and class it had. Its saved
// _NET_WM_STATE is written back first, and it is put back in its place.
GiveBackResult GiveBackWindow(XDisplay* display, const HiddenWindow& saved);

// The same window as the guardian and the record file describe it (atoms by
// name, valid on any connection to the server), and back.
guardian::HiddenItem ItemOf(XDisplay* display, const HiddenWindow& w);
HiddenWindow WindowOf(XDisplay* display, const guardian::HiddenItem& item);

}  // namespace tk::gtkx
