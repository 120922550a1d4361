// Key codes and captions as GTK wants them.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <tuple>

#include "toolkit/linux/text_input.h"

TEST(KeyAscii, KeysGiveTheCodesOfTheirCharacters) {
  // Key, its character, Control down, the code the form gets (-1: nothing).
  const std::tuple<unsigned, uint32_t, bool, int16_t> cases[] = {
      // Editing keys.
      {GDK_KEY_Return, '\r', false, 13},
      {GDK_KEY_KP_Enter, '\r', false, 13},
      {GDK_KEY_Escape, 27, false, 27},
      {GDK_KEY_BackSpace, 8, false, 8},
      {GDK_KEY_Tab, '\t', false, 9},
      {GDK_KEY_ISO_Left_Tab, 0, false, 9},
      // Characters, Latin-1 and beyond.
      {GDK_KEY_a, 'a', false, 'a'},
      {GDK_KEY_7, '7', false, '7'},
      {GDK_KEY_eacute, 0xE9, false, 0xE9},
      {GDK_KEY_EuroSign, 0x20AC, false, '?'},
      // Control with a letter gives the control character; with a digit the digit.
      {GDK_KEY_a, 'a', true, 1},
      {GDK_KEY_Z, 'Z', true, 26},
      {GDK_KEY_bracketleft, '[', true, 27},
      {GDK_KEY_1, '1', true, '1'},
      // Keys without a character.
      {GDK_KEY_Shift_L, 0, false, -1},
      {GDK_KEY_Left, 0, false, -1},
      {GDK_KEY_F1, 0, false, -1},
      {GDK_KEY_Delete, 0x7F, false, -1},
  };
  for (auto [keyval, unicode, control, ascii] : cases)
    EXPECT_EQ(tk::gtkx::KeyAscii(keyval, unicode, control), ascii) << std::hex << keyval << control;
}

TEST(Captions, AccessKeyMarksAndLineBreaksBecomeGtksOwn) {
  using tk::gtkx::MnemonicCaption;
  EXPECT_EQ(MnemonicCaption("Choose &StyleSheet..."), "Choose _StyleSheet...");
  EXPECT_EQ(MnemonicCaption("Salt && Pepper"), "Salt & Pepper");
  EXPECT_EQ(MnemonicCaption("snake_case"), "snake__case");
  EXPECT_EQ(MnemonicCaption("End&"), "End") << "a mark with nothing after it";
  EXPECT_EQ(tk::gtkx::PlainCaption("&Web A&&B"), "Web A&B");
  EXPECT_EQ(tk::gtkx::LabelText("one\r\ntwo\rthree\nfour\r\n\r\nfive"),
            "one\ntwo\nthree\nfour\n\nfive");
}
