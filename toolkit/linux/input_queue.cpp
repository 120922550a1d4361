#include "toolkit/linux/input_queue.h"

#include <algorithm>

namespace tk::gtkx {

void InputQueue::Push(const InputEvent& e) {
  if (e.kind == InputEvent::Kind::Mouse && e.mouseKind == 0 && !events_.empty()) {
    InputEvent& last = events_.back();
    if (last.kind == InputEvent::Kind::Mouse && last.mouseKind == 0 && last.source == e.source) {
      last.x = e.x;
      last.y = e.y;
      return;
    }
  }
  events_.push_back(e);
}

std::optional<InputEvent> InputQueue::Pop() {
  if (events_.empty()) return std::nullopt;
  InputEvent e = events_.front();
  events_.pop_front();
  return e;
}

void InputQueue::Forget(const void* source) {
  events_.erase(std::remove_if(events_.begin(), events_.end(),
                               [source](const InputEvent& e) { return e.source == source; }),
                events_.end());
}

}  // namespace tk::gtkx
