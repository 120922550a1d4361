#include "toolkit/win32/win32_windows.h"

#include <algorithm>

#include "toolkit/toolkit.h"
#include "toolkit/win32/desktop_guard.h"

namespace tk::win32 {

namespace {

ATOM g_surface_atom = 0, g_dialog_atom = 0, g_box_atom = 0;

}  // namespace

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

HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

bool IsDialogRoot(HWND w) {
  ATOM atom = static_cast<ATOM>(GetClassLongPtrW(w, GCW_ATOM));
  return atom != 0 && (atom == g_dialog_atom || atom == g_box_atom);
}

DialogPeer* DialogPeerOf(HWND root) {
  if (!root || static_cast<ATOM>(GetClassLongPtrW(root, GCW_ATOM)) != g_dialog_atom) return nullptr;
  return dynamic_cast<DialogPeer*>(
      reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(root, GWLP_USERDATA)));
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
        Win32Platform::RequestEnd();
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

void Win32Peer::Queue(InputEvent e) {
  e.form = &form_;
  QueueInput(e);
}

}  // namespace tk::win32
