// Input as every backend reports it, and the one way it reaches a form.
//
// A backend translates what its system reports into InputEvents and queues
// them (its native callbacks must not run game code); before its PumpEvents
// returns it hands the queue over with DeliverQueuedInput. The headless
// backend makes its scripted input into events when each is due and hands
// them over one by one with DeliverInput. Either way the rules below decide,
// here and nowhere else, which form may take the input and what it means:
//  - a form takes input only while it is loaded and shown, no message box is
//    open and no modal form other than itself is open;
//  - the pointer over a composed form is hit-tested there (Form::DeliverMouse);
//  - a key goes to the form (Form::DeliverKeyPress: on a dialog Enter, Esc
//    and Space follow toolkit/dialog_keys.h, on the play surface the focused
//    control gets it);
//  - a dialog's native focus moving (Tab, a click) moves Form::Focus;
//  - a click on a dialog control activates it (tk::Activate).
#pragma once

#include <cstdint>

#include "toolkit/controls.h"

namespace tk {

struct InputEvent {
  enum class Kind : uint8_t {
    Pointer,         // the pointer over a composed form, at (x, y) of its client area
    Key,             // a character for the form (Enter 13 and Esc 27 included)
    CloseBox,        // the window's close box
    Activate,        // a click on a dialog control: a button, an option, a picture
    ControlPointer,  // a button down or up on a dialog control, at (x, y) of the control
    Focus,           // a dialog's keyboard focus went to `control` (null: the window itself)
  };
  Kind kind = Kind::Pointer;
  Form* form = nullptr;        // the window that saw it
  Control* control = nullptr;  // Activate, ControlPointer and Focus
  PointerAction action = PointerAction::Move;
  int16_t button = 0;  // Pointer and ControlPointer: kLeftButton, ...
  int x = 0, y = 0;
  int16_t key = 0;  // Key: the character code
};

// The form that has the user's attention, and that a new window belongs to:
// the innermost modal form, else the shown play surface; null when there is
// none. `except` is passed over: a window is never its own owner.
Form* ActiveForm(const Form* except = nullptr);

// Whether `form` may take input now.
bool TakesInput(const Form& form);

// Queues input for the next DeliverQueuedInput.
void QueueInput(const InputEvent& e);
// The same, but a pointer move replaces the move just before it when that one
// is of the same form: only the latest position matters, and a slow pass must
// not fall behind. For systems that report every motion (Windows merges
// moves itself).
void QueueInputMergingMoves(const InputEvent& e);
bool InputPending();
// Drops what is queued for `form` (it is going away); null drops everything.
void ForgetInput(const Form* form);

// Hands every queued event to its form in order. An event's handler may run a
// nested loop that delivers the events after it.
void DeliverQueuedInput();
// Hands one event to its form, or drops it when the form may not take it.
void DeliverInput(const InputEvent& e);

// A message box is open (tk::MsgBox counts them): no form takes input.
bool MessageBoxOpen();

}  // namespace tk
