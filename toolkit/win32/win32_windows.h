// The native windows of the Windows backend: what every window of ours
// shares (win32_windows.cpp), the composed play surface
// (win32_surface_peer.cpp), the dialog windows with real controls
// (win32_dialog_peer.cpp) and the message box (win32_message_box.cpp).
#pragma once

#include "toolkit/win32/win32_platform.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace tk::win32 {

// Window class names, for tests and tools that look for our windows.
inline constexpr wchar_t kSurfaceClass[] = L"LumbravickSurface";
inline constexpr wchar_t kDialogClass[] = L"LumbravickDialog";
inline constexpr wchar_t kMessageBoxClass[] = L"LumbravickMessageBox";
// Control ids of a dialog's controls start here (below are IDOK, IDCANCEL...).
inline constexpr int kFirstControlId = 100;

// Registers the window classes once per process.
void RegisterWindowClasses();
// Dialogs and message boxes: their keyboard goes through IsDialogMessage.
bool IsDialogRoot(HWND window);
// A 32-bit DIB section, top-down: row y starts at *bits + y * width pixels,
// each blue, green, red, unused.
HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits);

// An HWND whose messages go to a C++ object. The object outlives its window.
class NativeWindow {
 public:
  NativeWindow() = default;
  virtual ~NativeWindow();
  NativeWindow(const NativeWindow&) = delete;
  NativeWindow& operator=(const NativeWindow&) = delete;
  HWND Handle() const { return hwnd_; }

 protected:
  bool CreateNative(const wchar_t* cls, const std::wstring& title, DWORD style, DWORD exStyle,
                    int x, int y, int w, int h, HWND owner);
  void DestroyNative();
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Messages every top-level window of ours treats the same way; true when
  // `result` is the answer.
  bool CommonMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // While a modal window is up, the program's other windows take no input.
  void DisableOthers();
  void EnableOthers();

  HWND hwnd_ = nullptr;

 private:
  friend LRESULT CALLBACK NativeWindowProc(HWND, UINT, WPARAM, LPARAM);
  std::vector<HWND> disabled_;
};

// A form's window.
class Win32Peer : public WindowPeer, public NativeWindow {
 public:
  Win32Peer(Win32Platform& platform, Form& form) : platform_(platform), form_(form) {}

 protected:
  // Queues what the window saw for the form.
  void Queue(InputEvent e);
  Win32Platform& platform_;
  Form& form_;
  bool modal_ = false;
};

// The play surface: a borderless window showing a DIB section that holds a
// copy of the toolkit's frame.
class ComposedPeer : public Win32Peer {
 public:
  using Win32Peer::Win32Peer;
  ~ComposedPeer() override;
  void Show(bool modal) override;
  void Hide() override;
  void ControlChanged(Control&) override {}
  void Present(const Surface& frame, std::span<const Rect> areas) override;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void EnsureWindow();
  void EnsureBuffer(int width, int height);
  void CopyArea(const Surface& frame, const Rect& area);

  HDC window_dc_ = nullptr, buffer_dc_ = nullptr;
  HBITMAP buffer_ = nullptr;
  HGDIOBJ buffer_old_ = nullptr;
  uint32_t* bits_ = nullptr;
  int buffer_w_ = 0, buffer_h_ = 0;
};

// A dialog: a fixed-border window whose controls are real Win32 controls.
class DialogPeer : public Win32Peer {
 public:
  using Win32Peer::Win32Peer;
  ~DialogPeer() override;
  void Show(bool modal) override;
  void Hide() override;
  void ControlChanged(Control& c) override;
  void Present(const Surface&, std::span<const Rect>) override {}

  // The native control made for `c` (null before the window exists).
  HWND ControlWindow(const Control& c) const;
  HWND ToolTips() const { return tooltips_; }
  // Enter, Esc and Space pressed on the window or one of its controls go to
  // the form (toolkit/dialog_keys.h), not to the dialog manager; false for
  // any other message.
  bool TakeKey(const MSG& msg);

 private:
  struct Child {
    Control* control = nullptr;  // may have gone: check against the form's list
    ControlKind kind = ControlKind::Label;
    HWND hwnd = nullptr;
    int id = 0;
    HBITMAP bitmap = nullptr;
    std::wstring tip;
  };
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void EnsureWindow();
  Child* Find(const Control& c);
  bool Alive(const Control* c) const;
  Control* ControlById(int id) const;
  void CreateChild(Control& c);
  void SinkFrames();
  void Update(Child& child);
  void UpdateBitmap(Child& child, int width, int height);
  void UpdateToolTip(Child& child);
  int BorderOf(const Control& c) const;
  // The native focus where the form has it; only when the form moved it, or
  // `always`.
  void PlaceFocus(bool always);

  std::vector<Child> children_;
  int next_id_ = kFirstControlId;
  HFONT font_ = nullptr, bold_font_ = nullptr;
  HWND tooltips_ = nullptr;
  const Control* placed_focus_ = nullptr;
  bool placing_focus_ = false;
};

// The dialog peer whose window `root` is, or null (another window, a message
// box).
DialogPeer* DialogPeerOf(HWND root);

// The message box: a small modal native window run through tk::RunModal, so
// timers keep ticking while it is open.
MsgBoxResult RunMessageBox(Win32Platform& platform, const MessageBoxRequest& request, HWND owner);

// The font the dialogs are laid out for: MS Sans Serif, 8 points at 96
// pixels per inch.
HFONT CreateDialogFont(bool bold);
// The extent of `text` in `font`; with `wrapWidth` > 0 the text wraps there.
SIZE TextExtent(HWND window, HFONT font, const std::wstring& text, int wrapWidth);

}  // namespace tk::win32
