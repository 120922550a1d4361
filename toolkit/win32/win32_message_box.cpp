// The message box, a small modal window of our own.
#include <algorithm>
#include <utility>
#include <vector>

#include "toolkit/toolkit.h"
#include "toolkit/win32/win32_windows.h"

namespace tk::win32 {

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
