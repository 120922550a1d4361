// Keyboard and caption conventions of the toolkit, translated to GTK's.
#pragma once

#include <cstdint>
#include <string>

namespace tk::gtkx {

// The character code a key press delivers to a KeyPress handler: Enter 13,
// Esc 27, Backspace 8, Tab 9, printable characters as their code (Latin-1
// range; anything beyond it arrives as '?'), Ctrl with a letter as the
// control character (Ctrl+A = 1). -1 for keys that produce no character:
// bare modifiers, arrows, function keys.
int16_t KeyAscii(unsigned keyval, uint32_t unicode, bool control);

// "&About" -> "_About": '&' marks the access key, "&&" is a literal '&', and
// a literal '_' is doubled so GTK does not take it as a mnemonic.
std::string MnemonicCaption(const std::string& caption);
// The caption without its access-key marks ("&About" -> "About").
std::string PlainCaption(const std::string& caption);
// Label text as GTK shows it: CR LF and lone CR become LF.
std::string LabelText(const std::string& text);

}  // namespace tk::gtkx
