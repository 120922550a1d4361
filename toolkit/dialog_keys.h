// The keyboard on a dialog, decided once for every backend: where the focus
// rests and what Enter, Esc and Space press. A backend only translates its
// keys into these characters, tells which control its native focus is on
// when a key comes, and puts its native focus where Form::Focus says.
#pragma once

#include <cstdint>

#include "toolkit/controls.h"

namespace tk {

constexpr int16_t kEnterKey = 13, kEscapeKey = 27, kSpaceKey = 32;

// A dialog that comes up rests its focus on its default button while that can
// be pressed, else on none of its controls (the window itself): a key typed
// at once presses nothing the form does not offer.
void SetInitialDialogFocus(Form& form);

// After `button` was enabled or disabled: an enabled default button takes the
// focus from the window; a button that can no longer be pressed gives it
// back to the window; any other focus stays.
void UpdateDialogFocus(Button& button);

// A key on a dialog: Enter presses the default button and Esc the cancel
// button, each only while it is enabled and showing, wherever the focus is;
// Space presses the focused button or selects the focused option. False for
// any other key.
bool PressDialogKey(Form& form, int16_t key);

}  // namespace tk
