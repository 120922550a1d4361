// Key codes, captions and the queue between GTK's callbacks and the toolkit.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "toolkit/linux/input_queue.h"
#include "toolkit/linux/text_input.h"

using tk::gtkx::InputEvent;
using tk::gtkx::InputQueue;
using tk::gtkx::KeyAscii;

TEST(KeyAscii, EditingKeysHaveTheirControlCodes) {
  EXPECT_EQ(KeyAscii(GDK_KEY_Return, '\r', false), 13);
  EXPECT_EQ(KeyAscii(GDK_KEY_KP_Enter, '\r', false), 13);
  EXPECT_EQ(KeyAscii(GDK_KEY_Escape, 27, false), 27);
  EXPECT_EQ(KeyAscii(GDK_KEY_BackSpace, 8, false), 8);
  EXPECT_EQ(KeyAscii(GDK_KEY_Tab, '\t', false), 9);
  EXPECT_EQ(KeyAscii(GDK_KEY_ISO_Left_Tab, 0, false), 9) << "Shift+Tab";
}

TEST(KeyAscii, CharactersArriveAsTheirCodes) {
  EXPECT_EQ(KeyAscii(GDK_KEY_a, 'a', false), 'a');
  EXPECT_EQ(KeyAscii(GDK_KEY_A, 'A', false), 'A');
  EXPECT_EQ(KeyAscii(GDK_KEY_space, ' ', false), ' ');
  EXPECT_EQ(KeyAscii(GDK_KEY_7, '7', false), '7');
  EXPECT_EQ(KeyAscii(GDK_KEY_eacute, 0xE9, false), 0xE9);
  EXPECT_EQ(KeyAscii(GDK_KEY_EuroSign, 0x20AC, false), '?') << "beyond Latin-1";
}

TEST(KeyAscii, ControlWithALetterGivesTheControlCharacter) {
  EXPECT_EQ(KeyAscii(GDK_KEY_a, 'a', true), 1);
  EXPECT_EQ(KeyAscii(GDK_KEY_Z, 'Z', true), 26);
  EXPECT_EQ(KeyAscii(GDK_KEY_bracketleft, '[', true), 27);
  EXPECT_EQ(KeyAscii(GDK_KEY_1, '1', true), '1') << "no control character for digits";
}

TEST(KeyAscii, KeysWithoutACharacterDeliverNothing) {
  for (unsigned key : {GDK_KEY_Shift_L, GDK_KEY_Control_R, GDK_KEY_Alt_L, GDK_KEY_Left, GDK_KEY_Down,
                       GDK_KEY_F1, GDK_KEY_F12, GDK_KEY_Home, GDK_KEY_Caps_Lock})
    EXPECT_EQ(KeyAscii(key, 0, false), -1) << std::hex << key;
  EXPECT_EQ(KeyAscii(GDK_KEY_Delete, 0x7F, false), -1);
}

TEST(Captions, AccessKeyMarksBecomeGtkMnemonics) {
  using tk::gtkx::MnemonicCaption;
  EXPECT_EQ(MnemonicCaption("&About"), "_About");
  EXPECT_EQ(MnemonicCaption("Choose &StyleSheet..."), "Choose _StyleSheet...");
  EXPECT_EQ(MnemonicCaption("Salt && Pepper"), "Salt & Pepper");
  EXPECT_EQ(MnemonicCaption("snake_case"), "snake__case");
  EXPECT_EQ(MnemonicCaption("OK"), "OK");
  EXPECT_EQ(MnemonicCaption("End&"), "End") << "a mark with nothing after it";
}

TEST(Captions, PlainCaptionDropsTheMarks) {
  using tk::gtkx::PlainCaption;
  EXPECT_EQ(PlainCaption("&Web"), "Web");
  EXPECT_EQ(PlainCaption("A&&B"), "A&B");
  EXPECT_EQ(PlainCaption("Style sheets"), "Style sheets");
}

TEST(Captions, LabelLineBreaksBecomeNewlines) {
  using tk::gtkx::LabelText;
  EXPECT_EQ(LabelText("one\r\ntwo"), "one\ntwo");
  EXPECT_EQ(LabelText("a\rb\nc"), "a\nb\nc");
  EXPECT_EQ(LabelText("x\r\n\r\ny"), "x\n\ny");
}

namespace {

InputEvent Move(const void* source, int x, int y) {
  InputEvent e;
  e.kind = InputEvent::Kind::Mouse;
  e.mouseKind = 0;
  e.source = source;
  e.x = x;
  e.y = y;
  return e;
}

InputEvent Button(const void* source, int kind) {
  InputEvent e = Move(source, 1, 1);
  e.mouseKind = kind;
  e.button = 1;
  return e;
}

}  // namespace

TEST(InputQueue, ConsecutiveMovesOfOneWindowMergeIntoTheLatest) {
  InputQueue q;
  int window = 0;
  q.Push(Move(&window, 1, 2));
  q.Push(Move(&window, 3, 4));
  q.Push(Move(&window, 5, 6));
  ASSERT_EQ(q.Size(), 1u);
  auto e = q.Pop();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->x, 5);
  EXPECT_EQ(e->y, 6);
  EXPECT_FALSE(q.Pop());
}

TEST(InputQueue, MovesAreNotMergedAcrossButtonsOrWindows) {
  InputQueue q;
  int a = 0, b = 0;
  q.Push(Move(&a, 1, 1));
  q.Push(Button(&a, 1));
  q.Push(Move(&a, 2, 2));
  q.Push(Move(&b, 3, 3));
  q.Push(Move(&a, 4, 4));
  ASSERT_EQ(q.Size(), 5u);
  EXPECT_EQ(q.Pop()->x, 1);
  EXPECT_EQ(q.Pop()->mouseKind, 1);
  EXPECT_EQ(q.Pop()->x, 2);
  EXPECT_EQ(q.Pop()->x, 3);
  EXPECT_EQ(q.Pop()->x, 4);
}

TEST(InputQueue, ForgettingAWindowDropsOnlyItsEvents) {
  InputQueue q;
  int a = 0, b = 0;
  q.Push(Button(&a, 1));
  q.Push(Button(&b, 1));
  q.Push(Button(&a, 2));
  q.Forget(&a);
  ASSERT_EQ(q.Size(), 1u);
  EXPECT_EQ(q.Pop()->source, &b);
  EXPECT_TRUE(q.Empty());
}
