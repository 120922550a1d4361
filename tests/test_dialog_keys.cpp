// The keyboard on a dialog, the same on every backend: where the focus rests
// when the dialog comes up and when its default button is enabled, and what
// Enter, Esc and Space press wherever the focus is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "toolkit/dialog_keys.h"

using testing_support::DesktopPair;
using testing_support::Headless;

namespace {

struct KeyDialog : tk::Form {
  KeyDialog() : tk::Form("frmKeys", tk::FormStyle::Dialog) {
    SetClientSize(200, 100);
    ok.Default = true;
    cancel.Cancel = true;
    for (tk::Control* c : std::vector<tk::Control*>{&ok, &cancel, &other, &option})
      c->Click = [this, c] { pressed.push_back(c->Name()); };
  }
  // The presses each key makes, in order: Enter, Esc, Space.
  std::vector<std::string> Keys() {
    std::vector<std::string> all;
    for (int16_t key : {tk::kEnterKey, tk::kEscapeKey, tk::kSpaceKey}) {
      pressed.clear();
      DeliverKeyPress(key);
      all.push_back(pressed.empty() ? "-" : pressed.front());
    }
    return all;
  }
  tk::Button ok{*this, "ok"}, cancel{*this, "cancel"}, other{*this, "other"};
  tk::OptionButton option{*this, "option"};
  std::vector<std::string> pressed;
};

using Presses = std::vector<std::string>;

}  // namespace

TEST(DialogKeys, EnterAndEscPressDefaultAndCancelWhereverTheFocusIsAndSpaceTheFocused) {
  Headless h(DesktopPair(100, 100));
  // Up with a locked default button: the focus on the window, so no key
  // presses what the form does not offer yet.
  KeyDialog d;
  d.ok.SetEnabled(false);
  d.Show();
  EXPECT_EQ(d.Focus, nullptr);
  EXPECT_EQ(d.Keys(), (Presses{"-", "cancel", "-"}));
  // Unlocked, the default button takes the focus.
  d.ok.SetEnabled(true);
  EXPECT_EQ(d.Focus, &d.ok);
  EXPECT_EQ(d.Keys(), (Presses{"ok", "cancel", "ok"}));
  // The focus moved on (Tab, a click): Enter and Esc still mean the form's
  // buttons; Space presses the focused one or selects the focused option.
  d.Focus = &d.other;
  EXPECT_EQ(d.Keys(), (Presses{"ok", "cancel", "other"}));
  d.Focus = &d.option;
  EXPECT_EQ(d.Keys(), (Presses{"ok", "cancel", "option"}));
  EXPECT_TRUE(d.option.Value());
  // Locking the focused button hands the focus back to the window; enabling
  // the default again does not take it from another control.
  d.Focus = &d.ok;
  d.ok.SetEnabled(false);
  EXPECT_EQ(d.Focus, nullptr);
  d.Focus = &d.other;
  d.ok.SetEnabled(true);
  EXPECT_EQ(d.Focus, &d.other);
  d.cancel.SetVisible(false);
  EXPECT_EQ(d.Keys(), (Presses{"ok", "-", "other"})) << "a hidden cancel button is not pressed";

  // A dialog that comes up with its default button enabled rests on it.
  KeyDialog fresh;
  fresh.Show();
  EXPECT_EQ(fresh.Focus, &fresh.ok);
}
