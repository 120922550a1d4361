// A dialog form as a native window with one Win32 control per control.
#include <algorithm>

#include "toolkit/dialog_face.h"
#include "toolkit/dialog_keys.h"
#include "toolkit/toolkit.h"
#include "toolkit/win32/win32_windows.h"

namespace tk::win32 {

namespace {

COLORREF ToColorRef(Color c) { return RGB((c >> 16) & 255, (c >> 8) & 255, c & 255); }
Color FromColorRef(COLORREF c) { return Rgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

std::wstring WindowText(HWND w) {
  int n = GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
  n = GetWindowTextW(w, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

void SetTextIfChanged(HWND w, const std::wstring& text) {
  if (WindowText(w) != text) SetWindowTextW(w, text.c_str());
}

void SetVisibleIfChanged(HWND w, bool visible) {
  bool now = (GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) != 0;
  if (now != visible) ShowWindow(w, visible ? SW_SHOWNA : SW_HIDE);
}

// A 24-bit DIB section of the surface: 24 bits so that no control takes the
// unused fourth byte of a 32-bit bitmap for transparency.
HBITMAP BitmapOf(const Surface& s) {
  if (s.Empty()) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = s.Width();
  info.bmiHeader.biHeight = -s.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) return bmp;
  size_t stride = (static_cast<size_t>(s.Width()) * 3 + 3) & ~static_cast<size_t>(3);
  for (int y = 0; y < s.Height(); ++y) {
    auto* dst = static_cast<uint8_t*>(bits) + stride * y;
    const Color* src = s.Row(y);
    for (int x = 0; x < s.Width(); ++x) {
      dst[3 * x] = static_cast<uint8_t>(src[x]);
      dst[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
      dst[3 * x + 2] = static_cast<uint8_t>(src[x] >> 16);
    }
  }
  GdiFlush();
  return bmp;
}

int LineHeight(HWND w, HFONT font) {
  HDC dc = GetDC(w);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return std::max<int>(tm.tmHeight, 1);
}

}  // namespace

DialogPeer::~DialogPeer() {
  if (tooltips_) DestroyWindow(tooltips_);
  DestroyNative();
  for (Child& c : children_)
    if (c.bitmap) DeleteObject(c.bitmap);
  if (font_) DeleteObject(font_);
  if (bold_font_) DeleteObject(bold_font_);
}

void DialogPeer::EnsureWindow() {
  if (hwnd_) return;
  // No WS_CLIPCHILDREN: a group box leaves its inside to the dialog to paint.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT r{0, 0, static_cast<LONG>(form_.ScaleWidth()), static_cast<LONG>(form_.ScaleHeight())};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (form_.CentreOnScreen) {
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    x = (screen.right - screen.left - w) / 2;
    y = (screen.bottom - screen.top - h) / 2;
  }
  if (!CreateNative(kDialogClass, Wide(form_.Caption), style, exStyle, x, y, w, h,
                    platform_.ActiveFormWindow()))
    return;
  font_ = CreateDialogFont(false);
  bold_font_ = CreateDialogFont(true);
  for (Control* c : form_.Controls()) CreateChild(*c);
}

DialogPeer::Child* DialogPeer::Find(const Control& c) {
  for (Child& ch : children_)
    if (ch.control == &c) return &ch;
  return nullptr;
}

HWND DialogPeer::ControlWindow(const Control& c) const {
  for (const Child& ch : children_)
    if (ch.control == &c) return ch.hwnd;
  return nullptr;
}

bool DialogPeer::Alive(const Control* c) const {
  // A control may go while its widget stays: only the form's list knows.
  const auto& live = form_.Controls();
  return std::find(live.begin(), live.end(), c) != live.end();
}

Control* DialogPeer::ControlById(int id) const {
  for (const Child& ch : children_)
    if (ch.id == id) return Alive(ch.control) ? ch.control : nullptr;
  return nullptr;
}

int DialogPeer::BorderOf(const Control& c) const {
  if (c.Kind() != ControlKind::PictureBox) return 0;
  return BorderWidth(PictureBoxBorder(static_cast<const PictureBox&>(c)));
}

void DialogPeer::CreateChild(Control& c) {
  Child ch;
  ch.control = &c;
  ch.id = next_id_++;
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  std::wstring text;
  switch (c.Kind()) {
    case ControlKind::Label:
      style |= SS_NOTIFY | SS_LEFT;  // Update picks wrapping or not
      text = Wide(static_cast<Label&>(c).Caption());
      break;
    case ControlKind::Button:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_NOTIFY |
               (static_cast<Button&>(c).Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      text = Wide(static_cast<Button&>(c).Caption());
      break;
    case ControlKind::OptionButton: {
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_NOTIFY | BS_RADIOBUTTON;
      // The first option of each container starts a group of its own.
      bool first = true;
      for (const Child& other : children_)
        if (other.kind == ControlKind::OptionButton && Alive(other.control) &&
            other.control->Container() == c.Container())
          first = false;
      if (first) style |= WS_GROUP;
      text = Wide(static_cast<OptionButton&>(c).Caption());
      break;
    }
    case ControlKind::Frame:
      cls = L"BUTTON";
      style |= BS_GROUPBOX;
      text = Wide(static_cast<Frame&>(c).Caption);
      break;
    case ControlKind::PictureBox:
    case ControlKind::Image:
      style |= SS_BITMAP | SS_NOTIFY;
      break;
  }
  Rect r = c.FormRect();
  ch.hwnd = CreateWindowExW(0, cls, text.c_str(), style, r.x, r.y, r.w, r.h, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ch.id)),
                            GetModuleHandleW(nullptr), nullptr);
  if (!ch.hwnd) return;
  ch.kind = c.Kind();
  SendMessageW(ch.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  children_.push_back(ch);
  Update(children_.back());
  SinkFrames();
}

void DialogPeer::SinkFrames() {
  // A group box lies beneath everything, so what it holds shows on top.
  for (const Child& ch : children_)
    if (ch.kind == ControlKind::Frame && ch.hwnd)
      SetWindowPos(ch.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DialogPeer::UpdateBitmap(Child& ch, int width, int height) {
  Control& c = *ch.control;
  if (width <= 0 || height <= 0) return;
  Surface s(width, height);
  if (c.Kind() == ControlKind::PictureBox) {
    auto& pb = static_cast<PictureBox&>(c);
    s.Fill(pb.BackColor);
    if (!pb.Image().Empty()) {
      s.CopyFrom(pb.Image(), {0, 0, pb.Image().Width(), pb.Image().Height()}, 0, 0);
    } else if (const Picture& p = pb.GetPicture()) {
      DrawPicture(s, *p, 0, 0, p->Width(), p->Height(), {0, 0, width, height});
    }
  } else {
    // An image is transparent where its picture is: the dialog shows through.
    s.Fill(FromColorRef(GetSysColor(COLOR_BTNFACE)));
    if (const Picture& p = static_cast<Image&>(c).GetPicture())
      DrawPicture(s, *p, 0, 0, width, height, {0, 0, width, height});
  }
  HBITMAP bmp = BitmapOf(s);
  SendMessageW(ch.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
  if (ch.bitmap) DeleteObject(ch.bitmap);
  ch.bitmap = bmp;
}

void DialogPeer::UpdateToolTip(Child& ch) {
  std::wstring tip = Wide(ch.control->ToolTipText);
  if (tip == ch.tip) return;
  if (!tooltips_) {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!tooltips_) return;
  }
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(ch.hwnd);
  ti.hinst = nullptr;
  ti.lpszText = const_cast<wchar_t*>(tip.c_str());
  if (ch.tip.empty())
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  else if (tip.empty())
    SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  else
    SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  ch.tip = tip;
}

void DialogPeer::Update(Child& ch) {
  Control& c = *ch.control;
  Rect r = c.FormRect();
  int w = r.w, h = r.h;
  switch (c.Kind()) {
    case ControlKind::Label: {
      auto& l = static_cast<Label&>(c);
      std::wstring text = Wide(l.Caption());
      SetTextIfChanged(ch.hwnd, text);
      HFONT font = l.Bold ? bold_font_ : font_;
      if (reinterpret_cast<HFONT>(SendMessageW(ch.hwnd, WM_GETFONT, 0, 0)) != font)
        SendMessageW(ch.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      // A label wraps inside its box when told to, or when the box has room
      // for more than one line; a one-line box keeps its line whole.
      bool wrap = l.WordWrap || (!l.AutoSize && h >= 2 * LineHeight(ch.hwnd, font));
      // The toolkit measures text in its own pixel font and the system's
      // fonts differ from machine to machine: a line is never cut off while
      // the window has room for it, a self-sizing label that would pass the
      // window's edge wraps there, and it takes the height its text needs.
      SIZE need = TextExtent(ch.hwnd, font, text, wrap ? w : 0);
      if (l.AutoSize && !wrap && need.cx > AutoSizeLabelLimit(l)) {
        wrap = true;
        w = AutoSizeLabelLimit(l);
        need = TextExtent(ch.hwnd, font, text, w);
      }
      if (!wrap)
        w = std::max<int>(w, std::min<int>(need.cx, static_cast<int>(form_.ScaleWidth()) - r.x));
      if (l.AutoSize) h = std::max<int>(h, need.cy);
      LONG_PTR style = GetWindowLongPtrW(ch.hwnd, GWL_STYLE);
      LONG_PTR type = wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
      if ((style & SS_TYPEMASK) != type)
        SetWindowLongPtrW(ch.hwnd, GWL_STYLE, (style & ~SS_TYPEMASK) | type);
      InvalidateRect(ch.hwnd, nullptr, TRUE);  // the colour may have changed
      break;
    }
    case ControlKind::Button: {
      auto& b = static_cast<Button&>(c);
      SetTextIfChanged(ch.hwnd, Wide(b.Caption()));
      if ((IsWindowEnabled(ch.hwnd) != FALSE) != b.Enabled()) EnableWindow(ch.hwnd, b.Enabled());
      DWORD kind = b.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      if ((GetWindowLongPtrW(ch.hwnd, GWL_STYLE) & BS_TYPEMASK) != kind)
        SendMessageW(ch.hwnd, BM_SETSTYLE, kind, TRUE);
      break;
    }
    case ControlKind::OptionButton: {
      auto& o = static_cast<OptionButton&>(c);
      SetTextIfChanged(ch.hwnd, Wide(o.Caption()));
      SendMessageW(ch.hwnd, BM_SETCHECK, o.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    }
    case ControlKind::Frame:
      SetTextIfChanged(ch.hwnd, Wide(static_cast<Frame&>(c).Caption));
      break;
    case ControlKind::PictureBox:
    case ControlKind::Image: {
      int border = BorderOf(c);
      LONG_PTR style = GetWindowLongPtrW(ch.hwnd, GWL_STYLE),
               ex = GetWindowLongPtrW(ch.hwnd, GWL_EXSTYLE);
      LONG_PTR newStyle =
          border == 1 ? (style | WS_BORDER) : (style & ~static_cast<LONG_PTR>(WS_BORDER));
      LONG_PTR newEx =
          border == 2 ? (ex | WS_EX_CLIENTEDGE) : (ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
      if (newStyle != style || newEx != ex) {
        SetWindowLongPtrW(ch.hwnd, GWL_STYLE, newStyle);
        SetWindowLongPtrW(ch.hwnd, GWL_EXSTYLE, newEx);
        SetWindowPos(ch.hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      }
      UpdateBitmap(ch, w - 2 * border, h - 2 * border);
      break;
    }
  }
  // Setting a bitmap may resize a static control: the geometry comes last.
  SetWindowPos(ch.hwnd, nullptr, r.x, r.y, std::max(w, 0), std::max(h, 0),
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetVisibleIfChanged(ch.hwnd, c.Showing());
  UpdateToolTip(ch);
}

void DialogPeer::ControlChanged(Control& c) {
  if (!hwnd_) return;  // the widgets are made from the controls when it is shown
  if (Child* ch = Find(c)) {
    Update(*ch);
  } else {
    CreateChild(c);
  }
  // What a frame holds moves and shows with it.
  for (Child& other : children_) {
    if (c.Kind() != ControlKind::Frame || !Alive(other.control)) continue;
    for (const Control* k = other.control->Container(); k; k = k->Container())
      if (k == &c) {
        Update(other);
        break;
      }
  }
  PlaceFocus(false);
}

void DialogPeer::PlaceFocus(bool always) {
  if (!always && form_.Focus == placed_focus_) return;
  placed_focus_ = form_.Focus;
  HWND target = form_.Focus ? ControlWindow(*form_.Focus) : nullptr;
  if (!target || !IsWindowEnabled(target)) target = hwnd_;
  placing_focus_ = true;
  SetFocus(target);
  placing_focus_ = false;
}

bool DialogPeer::TakeKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  int16_t key = 0;
  switch (msg.wParam) {
    case VK_RETURN:
      key = kEnterKey;
      break;
    case VK_ESCAPE:
      key = kEscapeKey;
      break;
    case VK_SPACE:
      key = kSpaceKey;
      break;
    default:
      return false;
  }
  Queue({.kind = InputEvent::Kind::Key, .key = key});
  return true;
}

void DialogPeer::Show(bool modal) {
  EnsureWindow();
  if (!hwnd_) return;
  SetTextIfChanged(hwnd_, Wide(form_.Caption));
  // Fields without change notification (tool tips, default buttons) are
  // read again now.
  const auto& live = form_.Controls();
  for (Control* c : live)
    if (!Find(*c)) CreateChild(*c);
  for (Child& ch : children_)
    if (Alive(ch.control)) Update(ch);
  if (modal && !modal_) DisableOthers();
  modal_ = modal;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  PlaceFocus(true);
}

void DialogPeer::Hide() {
  if (modal_) EnableOthers();
  modal_ = false;
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

LRESULT DialogPeer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wp), code = HIWORD(wp);
      // Clicks of buttons and of pictures with a click handler, and the
      // player's focus moves (Tab, a click, an access key) for the form.
      Control* c = lp != 0 ? ControlById(id) : nullptr;
      if (c && code == BN_CLICKED) Queue({.kind = InputEvent::Kind::Activate, .control = c});
      if (c && code == BN_SETFOCUS && !placing_focus_)
        Queue({.kind = InputEvent::Kind::Focus, .control = c});
      return 0;
    }
    case DM_GETDEFID: {
      Button* b = form_.DefaultButton();
      if (b && b->Enabled() && b->Showing())
        if (HWND w = ControlWindow(*b)) return MAKELRESULT(GetDlgCtrlID(w), DC_HASDEFID);
      return 0;
    }
    case WM_SETFOCUS:
      // The focus on the window itself, on none of the controls.
      if (!placing_focus_) {
        placed_focus_ = nullptr;
        Queue({.kind = InputEvent::Kind::Focus});
      }
      return 0;
    case WM_ACTIVATE:
      // Back in front (a window it opened has closed): the focus where the
      // form has it, not on the window as the system would put it.
      if (LOWORD(wp) != WA_INACTIVE) PlaceFocus(true);
      return 0;
    case WM_CTLCOLORSTATIC: {
      HWND w = reinterpret_cast<HWND>(lp);
      for (Child& ch : children_) {
        if (ch.hwnd != w || ch.kind != ControlKind::Label) continue;
        if (!Alive(ch.control)) break;
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, ToColorRef(static_cast<Label*>(ch.control)->ForeColor()));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_CLOSE:
      Queue({.kind = InputEvent::Kind::CloseBox});
      return 0;
    default:
      break;
  }
  return NativeWindow::HandleMessage(msg, wp, lp);
}

}  // namespace tk::win32
