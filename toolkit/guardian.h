// The guardian: a small process the game starts before it touches the
// desktop, which gives the desktop back when the game cannot: when it is
// killed outright, or when it hangs.
//
// The game tells the guardian, one text line at a time, each window it is
// about to hide, each one it has shown again, that everything is back, and,
// while it runs, that it is alive. The same lines, kept in a file, are the
// record a later start repairs from when game and guardian both died.
//
//   display NAME                 the display the windows live on
//   game ID                      a resource of the game's own connection
//                                (closing it takes the game off the screen)
//   hide kind=K id=N class=C at=X,Y,W,H state=A,B,...
//                                about to hide window N; `at` and `state`
//                                only when known (no `state`: the window had
//                                no state property; `state=`: an empty one)
//   shown id=N                   window N is back
//   done                         everything is back
//   alive                        a sign of life
//   quiet MS                     a wait of MS ms without signs of life follows
//
// Texts are percent-encoded (space, '%', ',', '=' and control characters), so
// that a line always splits at its spaces. Unknown lines and keys are
// ignored: an older guardian reads what a newer game writes.
//
// Everything here is portable; a platform supplies the process, the pipe and
// the way each window is given back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/surface.h"

namespace tk::guardian {

// A window the game hid, with what is needed to give exactly it back.
struct HiddenItem {
  std::string kind;         // what it is to the desktop: "dock", "desktop", "taskbar", ...
  uint64_t id = 0;          // the native window
  std::string windowClass;  // its class when hidden: a later window may reuse the id
  std::optional<Rect> place;
  bool hadState = false;  // the window's state list (X11: _NET_WM_STATE) by name
  std::vector<std::string> states;

  bool operator==(const HiddenItem&) const = default;
};

struct Message {
  enum class Kind { Display, Game, Hide, Shown, Done, Alive, Quiet };
  Kind kind = Kind::Alive;
  HiddenItem item;   // Hide
  uint64_t id = 0;   // Shown, Game
  uint32_t ms = 0;   // Quiet
  std::string text;  // Display

  bool operator==(const Message&) const = default;
};

std::string DisplayLine(std::string_view name);
std::string GameLine(uint64_t resource);
std::string HideLine(const HiddenItem& item);
std::string ShownLine(uint64_t id);
std::string DoneLine();
std::string AliveLine();
std::string QuietLine(uint32_t ms);

// One line without its line end. Nothing for a line that is not understood.
std::optional<Message> Parse(std::string_view line);

// Splits a byte stream into lines. A line longer than kMaxLine is dropped
// whole (nothing the game writes comes near it).
class LineReader {
 public:
  static constexpr size_t kMaxLine = 64 * 1024;
  // Appends bytes; returns the complete lines they finished.
  std::vector<std::string> Feed(std::string_view bytes);

 private:
  std::string partial_;
  bool overlong_ = false;
};

// What is hidden now, in the order it was hidden.
class Record {
 public:
  // Display, Hide, Shown and Done change the record; the rest do not.
  void Apply(const Message& m);
  void Forget(uint64_t id);
  const std::vector<HiddenItem>& Items() const { return items_; }
  const std::string& Display() const { return display_; }
  bool Empty() const { return items_.empty(); }

  // As the lines that rebuild it (the record file), and back.
  std::string Text() const;
  static Record FromText(std::string_view text);

 private:
  std::string display_;
  std::vector<HiddenItem> items_;
};

// When a silent game is taken off the screen and when it is ended. Times are
// milliseconds of a monotonic clock.
class Watchdog {
 public:
  // Silence after which the desktop is given back and the game taken off the
  // screen, and the further silence after which the game is ended.
  static constexpr uint32_t kSilenceMs = 20000;
  static constexpr uint32_t kEndAfterMs = 10000;

  enum class Action { None, GiveBack, EndGame };

  explicit Watchdog(uint64_t now) : last_life_(now) {}
  void SignOfLife(uint64_t now);
  // The game starts a wait of `ms` in which it shows no sign of life.
  void Quiet(uint64_t now, uint32_t ms);
  // GiveBack once when the silence is over, then EndGame once when the game
  // stayed silent after that; None otherwise.
  Action Check(uint64_t now);
  // Milliseconds until Check may have something to do.
  uint64_t WaitFrom(uint64_t now) const;

 private:
  uint64_t Deadline() const;
  uint64_t last_life_;
  uint64_t quiet_until_ = 0;
  int stage_ = 0;  // 0: watching, 1: given back, 2: ended
};

// What the guardian does, whatever the platform: it keeps the record and the
// watchdog and tells its host when to act.
class Host {
 public:
  virtual ~Host() = default;
  // The game is about to hide this window.
  virtual void Noted(const HiddenItem&) {}
  // Gives one window back; the guardian forgets it either way.
  virtual void GiveBack(const HiddenItem& item) = 0;
  // Takes the silent game off the screen (closes its connection, shows the
  // pointer).
  virtual void TakeOffScreen(uint64_t gameResource) = 0;
  virtual void EndGame() = 0;
};

class Guardian {
 public:
  Guardian(Host& host, uint64_t now) : host_(host), watchdog_(now) {}
  // A line from the game.
  void OnLine(std::string_view line, uint64_t now);
  // A window went away for good: it must not be given back, nor one that
  // takes its id later.
  void OnWindowGone(uint64_t id) { record_.Forget(id); }
  // The game ended: gives back what it left hidden.
  void OnGameGone();
  // Time passes; acts when the game has been silent too long.
  void OnTick(uint64_t now);
  uint64_t WaitFrom(uint64_t now) const { return watchdog_.WaitFrom(now); }
  const Record& Noted() const { return record_; }

 private:
  void GiveBackAll();
  Host& host_;
  Record record_;
  Watchdog watchdog_;
  uint64_t game_resource_ = 0;
};

}  // namespace tk::guardian
