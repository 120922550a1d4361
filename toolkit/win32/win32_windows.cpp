#include "toolkit/win32/win32_windows.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "toolkit/toolkit.h"
#include "toolkit/win32/desktop_guard.h"

namespace tk::win32 {

namespace {

ATOM g_surface_atom = 0, g_dialog_atom = 0, g_box_atom = 0;

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

// The extent of `text` in `font`; with `wrapWidth` > 0 the text wraps there.
SIZE TextExtent(HWND w, HFONT font, const std::wstring& text, int wrapWidth) {
  HDC dc = GetDC(w);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK : 0);
  if (text.empty()) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    r.bottom = tm.tmHeight;
  } else {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
  }
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
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

Win32Platform* g_platform = nullptr;

}  // namespace

void SetWindowsPlatform(Win32Platform* platform) { g_platform = platform; }
void ForgetWindowsPlatform(Win32Platform* platform) {
  if (g_platform == platform) g_platform = nullptr;
}

bool IsDialogRoot(HWND w) {
  ATOM atom = static_cast<ATOM>(GetClassLongPtrW(w, GCW_ATOM));
  return atom != 0 && (atom == g_dialog_atom || atom == g_box_atom);
}

HFONT CreateDialogFont(bool bold) {
  return CreateFontW(-11, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

LRESULT CALLBACK NativeWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<NativeWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->HandleMessage(msg, wp, lp);
}

void RegisterWindowClasses() {
  if (g_surface_atom) return;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (!icon) icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = NativeWindowProc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW

  // The play surface keeps its drawing context: it is drawn on every pass.
  wc.style = CS_OWNDC;
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kSurfaceClass;
  g_surface_atom = RegisterClassExW(&wc);

  wc.style = 0;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kDialogClass;
  g_dialog_atom = RegisterClassExW(&wc);
  wc.lpszClassName = kMessageBoxClass;
  g_box_atom = RegisterClassExW(&wc);
}

// ---- NativeWindow -------------------------------------------------------------

NativeWindow::~NativeWindow() { DestroyNative(); }

bool NativeWindow::CreateNative(const wchar_t* cls, const std::wstring& title, DWORD style,
                                DWORD exStyle, int x, int y, int w, int h, HWND owner) {
  RegisterWindowClasses();
  CreateWindowExW(exStyle, cls, title.c_str(), style, x, y, w, h, owner, nullptr,
                  GetModuleHandleW(nullptr), this);
  return hwnd_ != nullptr;
}

void NativeWindow::DestroyNative() {
  EnableOthers();
  if (hwnd_) {
    HWND w = hwnd_;
    DestroyWindow(w);
    hwnd_ = nullptr;
  }
}

LRESULT NativeWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (CommonMessage(msg, wp, lp, result)) return result;
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool NativeWindow::CommonMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_QUERYENDSESSION:
      result = TRUE;  // the desktop is given back when the session really ends
      return true;
    case WM_ENDSESSION:
      if (wp) {
        // The process may be ended as soon as this returns: give the desktop
        // back now, then leave through the ordinary way if there is time.
        DesktopGuard::Restore();
        DesktopGuard::RestorePointer();
        if (g_platform) g_platform->RequestEnd();
      }
      result = 0;
      return true;
    default:
      return false;
  }
}

namespace {
struct DisableContext {
  HWND self;
  std::vector<HWND>* disabled;
};
BOOL CALLBACK DisableOne(HWND w, LPARAM lp) {
  auto* ctx = reinterpret_cast<DisableContext*>(lp);
  if (w != ctx->self && IsWindowVisible(w) && IsWindowEnabled(w)) {
    EnableWindow(w, FALSE);
    ctx->disabled->push_back(w);
  }
  return TRUE;
}
}  // namespace

void NativeWindow::DisableOthers() {
  DisableContext ctx{hwnd_, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&ctx));
}

void NativeWindow::EnableOthers() {
  // In reverse, so the window that was active before comes back on top.
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  disabled_.clear();
}

// ---- Win32Peer -------------------------------------------------------------------

Win32Peer::~Win32Peer() {
  if (hwnd_) platform_.Unregister(hwnd_);
}

void Win32Peer::Registered() {
  if (hwnd_) platform_.Register(hwnd_, this);
}

// ---- ComposedPeer ----------------------------------------------------------------

ComposedPeer::~ComposedPeer() {
  if (hwnd_) platform_.Unregister(hwnd_);
  DestroyNative();
  if (buffer_dc_) {
    SelectObject(buffer_dc_, buffer_old_);
    DeleteDC(buffer_dc_);
  }
  if (buffer_) DeleteObject(buffer_);
}

void ComposedPeer::EnsureWindow() {
  if (hwnd_) return;
  int w = std::max(1, static_cast<int>(form_.ScaleWidth()));
  int h = std::max(1, static_cast<int>(form_.ScaleHeight()));
  int x = 0, y = 0;
  if (!form_.Maximised) {
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    x = (screen.right - screen.left - w) / 2;
    y = (screen.bottom - screen.top - h) / 2;
  }
  if (!CreateNative(kSurfaceClass, Wide(form_.Caption), WS_POPUP | WS_CLIPCHILDREN, WS_EX_APPWINDOW,
                    x, y, w, h, nullptr))
    return;
  Registered();
  window_dc_ = GetDC(hwnd_);  // the class keeps one drawing context per window
  buffer_dc_ = CreateCompatibleDC(window_dc_);
  EnsureBuffer(w, h);
}

void ComposedPeer::EnsureBuffer(int width, int height) {
  if (!buffer_dc_ || width <= 0 || height <= 0) return;
  if (buffer_ && width == buffer_w_ && height == buffer_h_) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: row y is at bits + y * width
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(window_dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) {
    if (bmp) DeleteObject(bmp);
    return;
  }
  HGDIOBJ old = SelectObject(buffer_dc_, bmp);
  if (buffer_)
    DeleteObject(buffer_);
  else
    buffer_old_ = old;
  buffer_ = bmp;
  bits_ = static_cast<uint32_t*>(bits);
  buffer_w_ = width;
  buffer_h_ = height;
  std::memset(bits_, 0, static_cast<size_t>(width) * height * 4);
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (client.right != width || client.bottom != height)
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A 32-bit BI_RGB pixel is blue, green, red, unused in memory: read as a
// little-endian word that is exactly the toolkit's 0x00RRGGBB.
void ComposedPeer::CopyArea(const Surface& frame, const Rect& area) {
  Rect r =
      area.Intersect({0, 0, buffer_w_, buffer_h_}).Intersect({0, 0, frame.Width(), frame.Height()});
  if (r.Empty()) return;
  for (int y = r.y; y < r.Bottom(); ++y)
    std::memcpy(bits_ + static_cast<size_t>(y) * buffer_w_ + r.x, frame.Row(y) + r.x,
                static_cast<size_t>(r.w) * 4);
}

void ComposedPeer::Show(bool modal) {
  EnsureWindow();
  if (!hwnd_) return;
  const Surface& frame = form_.Frame();
  EnsureBuffer(frame.Width(), frame.Height());
  CopyArea(frame, {0, 0, frame.Width(), frame.Height()});
  if (modal && !modal_) DisableOthers();
  modal_ = modal;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  SetFocus(hwnd_);
}

void ComposedPeer::Hide() {
  if (modal_) EnableOthers();
  modal_ = false;
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void ComposedPeer::Present(const Surface& frame, std::span<const Rect> areas) {
  if (!hwnd_) return;
  EnsureBuffer(frame.Width(), frame.Height());
  if (!bits_) return;
  for (const Rect& area : areas) {
    CopyArea(frame, area);
    Rect r = area.Intersect({0, 0, buffer_w_, buffer_h_});
    if (!r.Empty()) BitBlt(window_dc_, r.x, r.y, r.w, r.h, buffer_dc_, r.x, r.y, SRCCOPY);
  }
  GdiFlush();
}

void ComposedPeer::Deliver(const QueuedInput& in) {
  switch (in.kind) {
    case QueuedInput::Kind::Mouse:
      form_.DeliverMouse(in.mouseKind, in.button, in.x, in.y);
      break;
    case QueuedInput::Kind::Key:
      form_.DeliverKeyPress(in.key);
      break;
    case QueuedInput::Kind::CloseBox:
      form_.DeliverCloseBox();
      break;
    case QueuedInput::Kind::Command:
      break;
  }
}

LRESULT ComposedPeer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  auto mouse = [&](int kind, int16_t button) {
    QueuedInput in;
    in.kind = QueuedInput::Kind::Mouse;
    in.window = hwnd_;
    in.mouseKind = kind;
    in.button = button;
    in.x = GET_X_LPARAM(lp);
    in.y = GET_Y_LPARAM(lp);
    platform_.Queue(in);
  };
  auto down = [&](int16_t button) {
    SetCapture(hwnd_);
    mouse(1, button);
    return 0;
  };
  auto up = [&](int16_t button) {
    mouse(2, button);
    if (!(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ReleaseCapture();
    return 0;
  };
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      const RECT& r = ps.rcPaint;
      if (buffer_)
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer_dc_, r.left, r.top,
               SRCCOPY);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      mouse(0, 0);
      return 0;
    case WM_LBUTTONDOWN:
      return down(kLeftButton);
    case WM_RBUTTONDOWN:
      return down(kRightButton);
    case WM_MBUTTONDOWN:
      return down(kMiddleButton);
    case WM_LBUTTONUP:
      return up(kLeftButton);
    case WM_RBUTTONUP:
      return up(kRightButton);
    case WM_MBUTTONUP:
      return up(kMiddleButton);
    case WM_CHAR: {
      QueuedInput in;
      in.kind = QueuedInput::Kind::Key;
      in.window = hwnd_;
      in.key = static_cast<int16_t>(wp);
      platform_.Queue(in);
      return 0;
    }
    case WM_CLOSE: {
      QueuedInput in;
      in.kind = QueuedInput::Kind::CloseBox;
      in.window = hwnd_;
      platform_.Queue(in);
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return NativeWindow::HandleMessage(msg, wp, lp);
}

// ---- DialogPeer ------------------------------------------------------------------

DialogPeer::~DialogPeer() {
  if (hwnd_) platform_.Unregister(hwnd_);
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
  Registered();
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
  // A picture box drawn with a border is a little larger than its picture:
  // two pixels on each side for a sunken edge, one for a flat line.
  if (c.Kind() != ControlKind::PictureBox) return 0;
  auto& pb = static_cast<const PictureBox&>(c);
  int pw = 0, ph = 0;
  if (!pb.Image().Empty()) {
    pw = pb.Image().Width();
    ph = pb.Image().Height();
  } else if (pb.GetPicture()) {
    pw = pb.GetPicture()->Width();
    ph = pb.GetPicture()->Height();
  } else {
    return 0;
  }
  Rect r = c.FormRect();
  int margin = std::min(r.w - pw, r.h - ph) / 2;
  return std::clamp(margin, 0, 2);
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
      style |= WS_TABSTOP | (static_cast<Button&>(c).Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      text = Wide(static_cast<Button&>(c).Caption());
      break;
    case ControlKind::OptionButton: {
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_RADIOBUTTON;
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
      LONG_PTR style = GetWindowLongPtrW(ch.hwnd, GWL_STYLE);
      LONG_PTR type = wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
      if ((style & SS_TYPEMASK) != type)
        SetWindowLongPtrW(ch.hwnd, GWL_STYLE, (style & ~SS_TYPEMASK) | type);
      // The toolkit measures text in its own pixel font and the system's
      // fonts differ from machine to machine: a line is never cut off while
      // the window has room for it, and a self-sizing label takes the
      // height its text needs.
      SIZE need = TextExtent(ch.hwnd, font, text, wrap ? w : 0);
      if (!wrap)
        w = std::max<int>(w, std::min<int>(need.cx, static_cast<int>(form_.ScaleWidth()) - r.x));
      if (l.AutoSize) h = std::max<int>(h, need.cy);
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
  Child* ch = Find(c);
  if (!ch) {
    CreateChild(c);
    return;
  }
  Update(*ch);
  if (c.Kind() != ControlKind::Frame) return;
  // What a frame holds moves and shows with it.
  for (Child& other : children_) {
    if (!Alive(other.control)) continue;
    for (const Control* k = other.control->Container(); k; k = k->Container())
      if (k == &c) {
        Update(other);
        break;
      }
  }
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
  // The keyboard goes to the window itself: Enter and Esc then always mean
  // the default and the cancel button, even while one of them is disabled.
  SetFocus(hwnd_);
}

void DialogPeer::Hide() {
  if (modal_) EnableOthers();
  modal_ = false;
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void DialogPeer::Deliver(const QueuedInput& in) {
  switch (in.kind) {
    case QueuedInput::Kind::Command: {
      if (in.command == IDOK) {
        form_.DeliverKeyPress(13);
        return;
      }
      if (in.command == IDCANCEL) {
        form_.DeliverKeyPress(27);
        return;
      }
      if (Control* c = ControlById(in.command)) Activate(*c);
      return;
    }
    case QueuedInput::Kind::Key:
      form_.DeliverKeyPress(in.key);
      return;
    case QueuedInput::Kind::CloseBox:
      form_.DeliverCloseBox();
      return;
    case QueuedInput::Kind::Mouse:
      return;
  }
}

LRESULT DialogPeer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wp), code = HIWORD(wp);
      // Clicks of buttons and of pictures with a click handler; IDOK and
      // IDCANCEL come from Enter and Esc through IsDialogMessage.
      if (id == IDOK || id == IDCANCEL || (lp != 0 && code == BN_CLICKED)) {
        QueuedInput in;
        in.kind = QueuedInput::Kind::Command;
        in.window = hwnd_;
        in.command = id;
        platform_.Queue(in);
      }
      return 0;
    }
    case DM_GETDEFID: {
      Button* b = form_.DefaultButton();
      if (b && b->Enabled() && b->Showing())
        if (HWND w = ControlWindow(*b)) return MAKELRESULT(GetDlgCtrlID(w), DC_HASDEFID);
      return 0;
    }
    case WM_CHAR:
      // Enter and Esc while the window itself has the keyboard and the
      // dialog manager did not take them.
      if (wp == 13 || wp == 27) {
        QueuedInput in;
        in.kind = QueuedInput::Kind::Key;
        in.window = hwnd_;
        in.key = static_cast<int16_t>(wp);
        platform_.Queue(in);
        return 0;
      }
      break;
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
    case WM_CLOSE: {
      QueuedInput in;
      in.kind = QueuedInput::Kind::CloseBox;
      in.window = hwnd_;
      platform_.Queue(in);
      return 0;
    }
    default:
      break;
  }
  return NativeWindow::HandleMessage(msg, wp, lp);
}

// ---- the message box --------------------------------------------------------------

namespace {

class MessageBoxWindow : public NativeWindow {
 public:
  explicit MessageBoxWindow(const MessageBoxRequest& request) : request_(request) {}
  ~MessageBoxWindow() override {
    DestroyNative();
    if (font_) DeleteObject(font_);
  }

  bool Open(HWND owner) {
    font_ = CreateDialogFont(false);
    const bool yesNo = request_.buttons == MsgBoxButtons::YesNo;
    const bool icon = request_.icon == MsgBoxIcon::Critical;
    std::wstring text = Wide(request_.text);

    // Lines wrap at a comfortable width, as the system's own boxes do.
    constexpr int kMargin = 12, kIcon = 32, kButtonW = 75, kButtonH = 23, kGap = 6, kWrap = 420;
    SIZE single = TextExtent(nullptr, font_, text, 0);
    SIZE extent = single.cx > kWrap ? TextExtent(nullptr, font_, text, kWrap) : single;
    int buttons = yesNo ? 2 : 1;
    int buttonsW = buttons * kButtonW + (buttons - 1) * kGap;
    int textX = kMargin + (icon ? kIcon + kMargin : 0);
    int contentH = std::max<int>(extent.cy, icon ? kIcon : 0);
    int cw = std::max<int>(textX + extent.cx + kMargin, buttonsW + 2 * kMargin);
    int ch = kMargin + contentH + kMargin + kButtonH + kMargin;

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT r{0, 0, cw, ch};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (!CreateNative(kMessageBoxClass, Wide(request_.title), style, exStyle,
                      (screen.right - w) / 2, (screen.bottom - h) / 2, w, h, owner))
      return false;

    HINSTANCE inst = GetModuleHandleW(nullptr);
    auto child = [&](const wchar_t* cls, const std::wstring& caption, DWORD childStyle, int x,
                     int y, int cx, int cy, int id) {
      HWND c =
          CreateWindowExW(0, cls, caption.c_str(), WS_CHILD | WS_VISIBLE | childStyle, x, y, cx, cy,
                          hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
      SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      return c;
    };
    if (icon) {
      HWND picture = child(L"STATIC", L"", SS_ICON, kMargin, kMargin, kIcon, kIcon, -1);
      SendMessageW(picture, STM_SETICON,
                   reinterpret_cast<WPARAM>(LoadIconW(nullptr, MAKEINTRESOURCEW(32513))), 0);
    }
    child(L"STATIC", text, SS_LEFT | SS_NOPREFIX, textX, kMargin + (contentH - extent.cy) / 2,
          extent.cx, extent.cy, -1);

    default_id_ = yesNo ? (request_.defaultAnswer == MsgBoxResult::No ? IDNO : IDYES) : IDOK;
    int x = (cw - buttonsW) / 2, y = ch - kMargin - kButtonH;
    std::vector<std::pair<int, std::wstring>> ids;
    if (yesNo)
      ids = {{IDYES, L"&Yes"}, {IDNO, L"&No"}};
    else
      ids = {{IDOK, L"OK"}};
    HWND focus = nullptr;
    for (size_t i = 0; i < ids.size(); ++i) {
      DWORD s = WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                (ids[i].first == default_id_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      HWND b = child(L"BUTTON", ids[i].second, s, x, y, kButtonW, kButtonH, ids[i].first);
      if (ids[i].first == default_id_) focus = b;
      x += kButtonW + kGap;
    }
    // Without a cancel button there is nothing for the close box to mean.
    if (yesNo) EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

    DisableOthers();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(focus);
    if (icon) MessageBeep(MB_ICONHAND);
    return true;
  }

  int answer = 0;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    const bool yesNo = request_.buttons == MsgBoxButtons::YesNo;
    switch (msg) {
      case WM_COMMAND: {
        int id = LOWORD(wp);
        if (yesNo && (id == IDYES || id == IDNO))
          answer = id;
        else if (!yesNo && (id == IDOK || id == IDCANCEL))
          answer = IDOK;
        return 0;
      }
      case DM_GETDEFID:
        return MAKELRESULT(default_id_, DC_HASDEFID);
      case WM_CLOSE:
        if (!yesNo) answer = IDOK;
        return 0;
      default:
        break;
    }
    return NativeWindow::HandleMessage(msg, wp, lp);
  }

  const MessageBoxRequest& request_;
  HFONT font_ = nullptr;
  int default_id_ = IDOK;
};

}  // namespace

MsgBoxResult RunMessageBox(Win32Platform&, const MessageBoxRequest& request, HWND owner) {
  MessageBoxWindow box(request);
  if (!box.Open(owner)) return request.defaultAnswer;
  RunModal([&box] { return box.answer != 0; });
  switch (box.answer) {
    case IDYES:
      return MsgBoxResult::Yes;
    case IDNO:
      return MsgBoxResult::No;
    default:
      return MsgBoxResult::Ok;
  }
}

}  // namespace tk::win32
