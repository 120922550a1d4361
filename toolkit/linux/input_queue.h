// Input that GTK's callbacks have seen, waiting to be handed to the toolkit.
//
// GTK calls back from C frames, where a toolkit handler must never run (it may
// end the program by throwing). The callbacks only append here; PumpEvents
// takes the events out one by one and delivers them.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace tk {
class Control;
class Form;
}  // namespace tk

namespace tk::gtkx {

struct InputEvent {
  enum class Kind {
    Mouse,         // pointer on a composed form: mouseKind 0 move, 1 down, 2 up
    Key,           // a character for the form (Enter and Esc included)
    CloseBox,      // the window's close box
    Click,         // a dialog widget was clicked (button, picture)
    Select,        // an option button became the selected one
    ControlMouse,  // pointer down/up on a dialog picture: mouseKind 1 or 2
  };
  Kind kind = Kind::Mouse;
  const void* source = nullptr;  // the window peer that saw it
  Form* form = nullptr;
  Control* control = nullptr;
  int mouseKind = 0;
  int16_t button = 0;
  int x = 0, y = 0;
  int16_t key = 0;
};

class InputQueue {
 public:
  // A pointer move right after another move of the same window replaces it:
  // only the latest position matters, and a slow pass must not fall behind.
  void Push(const InputEvent& e);
  std::optional<InputEvent> Pop();
  // Forgets everything a window saw (the window is going away).
  void Forget(const void* source);
  bool Empty() const { return events_.empty(); }
  size_t Size() const { return events_.size(); }
  void Clear() { events_.clear(); }

 private:
  std::deque<InputEvent> events_;
};

}  // namespace tk::gtkx
