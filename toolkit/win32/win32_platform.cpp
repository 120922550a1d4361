#include "toolkit/win32/win32_platform.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "toolkit/settings_ini.h"
#include "toolkit/toolkit.h"
#include "toolkit/win32/desktop_guard.h"
#include "toolkit/win32/shell_windows.h"
#include "toolkit/win32/win32_resource_files.h"
#include "toolkit/win32/win32_windows.h"

namespace tk::win32 {

namespace {
bool g_end_requested = false;
}  // namespace

void Win32Platform::RequestEnd() { g_end_requested = true; }

// ---- the platform ---------------------------------------------------------------------

Win32Platform::Win32Platform() {
  // Sleep and the waits for the next timer are precise to a millisecond for
  // as long as the program runs.
  timeBeginPeriod(1);
  // The shell may use COM to open a web address.
  com_ready_ =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  RegisterWindowClasses();
  g_end_requested = false;  // a request of an earlier platform is not for this one
  resource_module_ = GetModuleHandleW(nullptr);
}

Win32Platform::~Win32Platform() {
  // The game's end gave everything back (or its guard did): the guardian
  // has nothing left to do.
  if (guardian_.Running()) {
    guardian_.Shown(DesktopGuard::Hidden().Windows());
    DesktopGuard::Hidden().SetListener(nullptr, nullptr);
  }
  if (instance_mutex_) CloseHandle(instance_mutex_);
  if (com_ready_) CoUninitialize();
  timeEndPeriod(1);
}

uint32_t Win32Platform::TickCount() { return timeGetTime(); }

void Win32Platform::Sleep(uint32_t ms) {
  guardian_.Alive();
  // Long enough to count: the guardian is not to take it for a hang.
  if (ms >= 100) guardian_.Quiet(ms);
  ::Sleep(ms);
}

double Win32Platform::ClockSeconds() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

HWND Win32Platform::ActiveFormWindow() const {
  Form* active = ActiveForm();
  auto* peer = active ? dynamic_cast<Win32Peer*>(active->Peer()) : nullptr;
  return peer ? peer->Handle() : nullptr;
}

void Win32Platform::DrainMessages() {
  // Bounded, so a flood of input cannot keep the program in here.
  MSG msg;
  for (int n = 0; n < 4096 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      g_end_requested = true;
      continue;
    }
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (DialogPeer* dialog = DialogPeerOf(root); dialog && dialog->TakeKey(msg)) continue;
    if (root && IsDialogRoot(root) && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Platform::PumpEvents(uint32_t waitMs) {
  guardian_.Alive();
  DrainMessages();
  if (waitMs > 0 && !InputPending() && !g_end_requested) {
    MsgWaitForMultipleObjectsEx(0, nullptr, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    DrainMessages();
  }
  DeliverQueuedInput();
  if (g_end_requested) {
    // The session ends (or someone asked the thread to quit): the desktop
    // was already given back; leave through the ordinary way out.
    g_end_requested = false;
    ForgetInput(nullptr);
    EndProgram(0);
  }
}

std::unique_ptr<WindowPeer> Win32Platform::CreatePeer(Form& form) {
  if (form.Style() == FormStyle::Composed) return std::make_unique<ComposedPeer>(*this, form);
  return std::make_unique<DialogPeer>(*this, form);
}

MsgBoxResult Win32Platform::MessageBox(const MessageBoxRequest& request) {
  return RunMessageBox(*this, request, ActiveFormWindow());
}

bool Win32Platform::AnotherInstanceRunning() {
  if (!instance_checked_) {
    instance_checked_ = true;
    // The mutex lives as long as this platform: a later start finds it.
    instance_mutex_ = CreateMutexW(nullptr, FALSE, instance_name_.c_str());
    another_instance_ = instance_mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  }
  return another_instance_;
}

// ---- the desktop --------------------------------------------------------------------

Rect Win32Platform::PrimaryScreen() {
  RECT r{};
  GetWindowRect(GetDesktopWindow(), &r);
  return {0, 0, r.right - r.left, r.bottom - r.top};
}

void Win32Platform::GuardDesktop() {
  if (!guarded_ || guardian_.Running()) return;
  guarded_ = guardian_.Start();
  if (!guarded_) return;
  DesktopGuard::Hidden().SetListener(
      [](const ShellWindow& window, void* link) {
        static_cast<GuardianLink*>(link)->Hiding(window);
      },
      &guardian_);
}

void Win32Platform::MinimiseAllWindows() {
  GuardDesktop();
  // Win+M as the keyboard sends it: Windows key down, M down, Windows key up.
  constexpr BYTE kLeftWindows = 91, kM = 77;
  keybd_event(kLeftWindows, 0, 0, 0);
  keybd_event(kM, 0, 0, 0);
  keybd_event(kLeftWindows, 0, KEYEVENTF_KEYUP, 0);
}

void Win32Platform::SetTaskbarVisible(bool visible) {
  if (!visible) GuardDesktop();
  SetTaskbarsVisible(visible);
  if (visible) guardian_.Shown(DesktopGuard::Hidden().Windows());
}

void Win32Platform::SetIconLayerVisible(bool visible) {
  if (!visible) GuardDesktop();
  std::string path = tk::win32::SetIconLayerVisible(visible);
  if (!visible) icon_layer_ = path;
  if (visible) guardian_.Shown(DesktopGuard::Hidden().Windows());
}

bool Win32Platform::CaptureScreen(Surface& target) {
  RECT screen{};
  GetWindowRect(GetDesktopWindow(), &screen);
  int w = std::min<int>(screen.right - screen.left, target.Width());
  int h = std::min<int>(screen.bottom - screen.top, target.Height());
  if (w <= 0 || h <= 0) return false;
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (!display) return false;
  bool ok = false;
  HDC memory = CreateCompatibleDC(display);
  void* bits = nullptr;
  HBITMAP dib = memory ? CreateTopDownDib(display, w, h, &bits) : nullptr;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    ok = BitBlt(memory, 0, 0, w, h, display, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    if (ok) {
      // Blue, green, red, unused in memory: the toolkit's 0x00RRGGBB once the
      // unused byte is cleared.
      const auto* src = static_cast<const uint32_t*>(bits);
      for (int y = 0; y < h; ++y) {
        Color* dst = target.Row(y);
        for (int x = 0; x < w; ++x) dst[x] = src[static_cast<size_t>(y) * w + x] & 0xFFFFFFu;
      }
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  if (memory) DeleteDC(memory);
  DeleteDC(display);
  return ok;
}

int Win32Platform::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

void Win32Platform::SetCursorPos(int x, int y) { ::SetCursorPos(x, y); }

bool Win32Platform::OpenUrl(const std::string& url) {
  // The shell's default action for the address, with the address as the
  // working directory too, in a normal window.
  HINSTANCE result =
      ShellExecuteA(ActiveFormWindow(), nullptr, url.c_str(), nullptr, url.c_str(), SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

// ---- sound ------------------------------------------------------------------------------

bool Win32Platform::PlayWav(std::span<const uint8_t> wav) {
  if (wav.empty()) return false;
  return sndPlaySoundA(reinterpret_cast<LPCSTR>(wav.data()),
                       SND_ASYNC | SND_NODEFAULT | SND_MEMORY) != FALSE;
}

void Win32Platform::StopSound() { sndPlaySoundA(nullptr, 0); }

// ---- settings ------------------------------------------------------------------------

std::wstring Win32Platform::SettingsKeyPath(const std::string& app, const std::string& section) {
  return L"Software\\" + Wide(app) + L"\\" + Wide(section);
}

std::string Win32Platform::GetSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& fallback) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE,
                    &handle) != ERROR_SUCCESS)
    return fallback;
  std::wstring name = Wide(key);
  DWORD type = 0, bytes = 0;
  std::string value = fallback;
  if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<uint8_t> text(bytes + sizeof(wchar_t));
    DWORD size = static_cast<DWORD>(text.size());
    if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, text.data(), &size) ==
        ERROR_SUCCESS) {
      text.resize(std::min<size_t>(size, text.size()));
      value = RegistryText(text);
    }
  }
  RegCloseKey(handle);
  return value;
}

bool Win32Platform::SaveSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyPath(app, section).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  std::wstring text = Wide(value);
  LONG result = RegSetValueExW(handle, Wide(key).c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

// ---- resources ------------------------------------------------------------------------

namespace {

std::span<const uint8_t> RawResource(HMODULE module, const wchar_t* type, int id) {
  if (id <= 0 || id > 0xFFFF) return {};
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  DWORD size = SizeofResource(module, found);
  if (!data || size == 0) return {};
  // Resources stay mapped for as long as the module is loaded.
  return {static_cast<const uint8_t*>(data), size};
}

}  // namespace

std::span<const uint8_t> Win32Platform::ResourceBytes(ResourceType type, int id) {
  if (type == ResourceType::Sound) return RawResource(resource_module_, L"SOUND", id);
  auto key = std::make_pair(static_cast<int>(type), id);
  auto it = rebuilt_.find(key);
  if (it == rebuilt_.end()) {
    std::vector<uint8_t> file;
    if (type == ResourceType::Bitmap) {
      file =
          BmpFileFromResource(RawResource(resource_module_, MAKEINTRESOURCEW(2), id));  // RT_BITMAP
    } else {
      HMODULE module = resource_module_;
      file = IcoFileFromGroup(
          RawResource(module, MAKEINTRESOURCEW(14), id),  // RT_GROUP_ICON
          [module](int image) { return RawResource(module, MAKEINTRESOURCEW(3), image); });
    }
    it = rebuilt_.emplace(key, std::move(file)).first;
  }
  return it->second;
}

// ---- locale ------------------------------------------------------------------------------

std::string Win32Platform::FormatLongTime(int hours, int minutes, int seconds) {
  SYSTEMTIME t{};
  t.wYear = 1899;
  t.wMonth = 12;
  t.wDay = 30;
  t.wHour = static_cast<WORD>(hours);
  t.wMinute = static_cast<WORD>(minutes);
  t.wSecond = static_cast<WORD>(seconds);
  wchar_t text[64];
  // No format given: the user's long time format.
  int n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, 64);
  if (n <= 1) return Platform::FormatLongTime(hours, minutes, seconds);
  return Utf8(std::wstring_view(text, static_cast<size_t>(n - 1)));
}

char Win32Platform::DecimalSeparator() {
  wchar_t text[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, 8) > 1 && text[0] > 0 &&
      text[0] < 128)
    return static_cast<char>(text[0]);
  return '.';
}

}  // namespace tk::win32
