#include "toolkit/dialog_keys.h"

namespace tk {

namespace {

bool Pressable(const Button* b) { return b && b->Enabled() && b->Showing(); }

bool TakesSpace(const Control* c) {
  return c && (c->Kind() == ControlKind::Button || c->Kind() == ControlKind::OptionButton);
}

}  // namespace

void SetInitialDialogFocus(Form& form) {
  Button* b = form.DefaultButton();
  form.Focus = Pressable(b) ? b : nullptr;
}

void UpdateDialogFocus(Button& button) {
  Form& form = button.Owner();
  if (!Pressable(&button)) {
    if (form.Focus == &button) form.Focus = nullptr;
  } else if (!form.Focus && &button == form.DefaultButton()) {
    form.Focus = &button;
  }
}

bool PressDialogKey(Form& form, int16_t key) {
  Button* target = nullptr;
  switch (key) {
    case kEnterKey:
      target = form.DefaultButton();
      break;
    case kEscapeKey:
      target = form.CancelButton();
      break;
    case kSpaceKey:
      if (TakesSpace(form.Focus)) Activate(*form.Focus);
      return true;
    default:
      return false;
  }
  if (target) target->Press();
  return true;
}

}  // namespace tk
