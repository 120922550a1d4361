#include "toolkit/linux/text_input.h"

#include <gdk/gdkkeysyms.h>

namespace tk::gtkx {

int16_t KeyAscii(unsigned keyval, uint32_t unicode, bool control) {
  switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return 13;
    case GDK_KEY_Escape:
      return 27;
    case GDK_KEY_BackSpace:
      return 8;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
      return 9;
    default:
      break;
  }
  if (unicode == 0 || unicode == 0x7F) return -1;
  if (control) {
    // Ctrl with a letter (or one of @[\]^_) gives the control character.
    uint32_t u = unicode;
    if (u >= 'a' && u <= 'z') u -= 'a' - 'A';
    if (u >= '@' && u <= '_') return static_cast<int16_t>(u - '@');
  }
  if (unicode < 0x20) return static_cast<int16_t>(unicode);
  if (unicode < 0x100) return static_cast<int16_t>(unicode);
  return '?';
}

std::string MnemonicCaption(const std::string& caption) {
  std::string out;
  out.reserve(caption.size() + 2);
  for (size_t i = 0; i < caption.size(); ++i) {
    char c = caption[i];
    if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      } else if (i + 1 < caption.size()) {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

std::string PlainCaption(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      // "&&" stands for one ampersand; a single one only marks the access key.
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

std::string LabelText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace tk::gtkx
