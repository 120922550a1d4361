#include "toolkit/input.h"

#include <algorithm>
#include <deque>

#include "toolkit/controls.h"

namespace tk {

namespace {

std::deque<InputEvent>& Queue() {
  static std::deque<InputEvent> queue;
  return queue;
}

bool IsMove(const InputEvent& e) {
  return e.kind == InputEvent::Kind::Pointer && e.action == PointerAction::Move;
}

// A control may go while an event for it waits: only its form's list knows.
bool StillOnForm(const Form& form, const Control* c) {
  const auto& live = form.Controls();
  return c && std::find(live.begin(), live.end(), c) != live.end();
}

void DeliverControlPointer(Control& c, const InputEvent& e) {
  if (!c.Showing()) return;
  float x = static_cast<float>(e.x), y = static_cast<float>(e.y);
  if (e.action == PointerAction::Down) {
    if (c.MouseDown) c.MouseDown(e.button, 0, x, y);
    return;
  }
  if (c.MouseUp) c.MouseUp(e.button, 0, x, y);
  Rect box = c.FormRect();
  bool over = e.x >= 0 && e.y >= 0 && e.x < box.w && e.y < box.h;
  if (over && e.button == kLeftButton && c.Click && c.Showing()) c.Click();
}

}  // namespace

Form* ActiveForm(const Form* except) {
  if (Form* modal = TopModalForm(); modal && modal != except) return modal;
  for (Form* f : LoadedForms())
    if (f != except && f->IsShown() && f->Style() == FormStyle::Composed) return f;
  return nullptr;
}

bool TakesInput(const Form& form) {
  if (!form.Loaded() || !form.IsShown() || MessageBoxOpen()) return false;
  Form* modal = TopModalForm();
  return !modal || modal == &form;
}

void QueueInput(const InputEvent& e) { Queue().push_back(e); }

void QueueInputMergingMoves(const InputEvent& e) {
  auto& queue = Queue();
  if (IsMove(e) && !queue.empty() && IsMove(queue.back()) && queue.back().form == e.form) {
    queue.back().x = e.x;
    queue.back().y = e.y;
    return;
  }
  queue.push_back(e);
}

bool InputPending() { return !Queue().empty(); }

void ForgetInput(const Form* form) {
  auto& queue = Queue();
  if (!form) {
    queue.clear();
    return;
  }
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [form](const InputEvent& e) { return e.form == form; }),
              queue.end());
}

void DeliverQueuedInput() {
  auto& queue = Queue();
  while (!queue.empty()) {
    InputEvent e = queue.front();
    queue.pop_front();
    DeliverInput(e);
  }
}

void DeliverInput(const InputEvent& e) {
  if (!e.form || !TakesInput(*e.form)) return;
  Form& form = *e.form;
  switch (e.kind) {
    case InputEvent::Kind::Pointer:
      if (form.Style() == FormStyle::Composed) form.DeliverMouse(e.action, e.button, e.x, e.y);
      break;
    case InputEvent::Kind::Key:
      form.DeliverKeyPress(e.key);
      break;
    case InputEvent::Kind::CloseBox:
      form.DeliverCloseBox();
      break;
    case InputEvent::Kind::Activate:
      if (StillOnForm(form, e.control)) Activate(*e.control);
      break;
    case InputEvent::Kind::ControlPointer:
      if (StillOnForm(form, e.control)) DeliverControlPointer(*e.control, e);
      break;
    case InputEvent::Kind::Focus:
      if (form.Style() == FormStyle::Dialog)
        form.Focus = StillOnForm(form, e.control) ? e.control : nullptr;
      break;
  }
}

}  // namespace tk
