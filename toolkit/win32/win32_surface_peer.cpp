// The play surface: a borderless window showing the composed frame.
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "toolkit/toolkit.h"
#include "toolkit/win32/win32_windows.h"

namespace tk::win32 {

ComposedPeer::~ComposedPeer() {
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
  window_dc_ = GetDC(hwnd_);  // the class keeps one drawing context per window
  buffer_dc_ = CreateCompatibleDC(window_dc_);
  EnsureBuffer(w, h);
}

void ComposedPeer::EnsureBuffer(int width, int height) {
  if (!buffer_dc_ || width <= 0 || height <= 0) return;
  if (buffer_ && width == buffer_w_ && height == buffer_h_) return;
  void* bits = nullptr;
  HBITMAP bmp = CreateTopDownDib(window_dc_, width, height, &bits);
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

LRESULT ComposedPeer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  auto mouse = [&](PointerAction action, int16_t button) {
    Queue({.kind = InputEvent::Kind::Pointer,
           .action = action,
           .button = button,
           .x = GET_X_LPARAM(lp),
           .y = GET_Y_LPARAM(lp)});
  };
  auto down = [&](int16_t button) {
    SetCapture(hwnd_);
    mouse(PointerAction::Down, button);
    return 0;
  };
  auto up = [&](int16_t button) {
    mouse(PointerAction::Up, button);
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
      mouse(PointerAction::Move, 0);
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
    case WM_CHAR:
      Queue({.kind = InputEvent::Kind::Key, .key = static_cast<int16_t>(wp)});
      return 0;
    case WM_CLOSE:
      Queue({.kind = InputEvent::Kind::CloseBox});
      return 0;
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

}  // namespace tk::win32
