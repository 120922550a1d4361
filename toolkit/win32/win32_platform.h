// The Windows backend: the toolkit's system services on plain Win32, GDI and
// winmm.
//
// - One user-interface thread. Window procedures never call into the game:
//   they translate what arrives (pointer, keys, clicks, the close box) into
//   the toolkit's input events and queue them; PumpEvents has the toolkit
//   deliver the queue, so a handler that ends the program unwinds through
//   our own frames only.
// - Composed forms are a popup window backed by a DIB section that receives
//   the toolkit's frame, area by area. Dialog forms are native windows with
//   real controls built from the form's control list.
// - The desktop operations are the ones Windows offers: Win+M by synthesised
//   key strokes, the taskbar window hidden and shown, the desktop's icon
//   window hidden and shown, the screen copied from the display DC.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The toolkit has its own members of these names.
#undef MessageBox
#undef DrawText
#undef PlaySound

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/input.h"
#include "toolkit/platform.h"
#include "toolkit/win32/guardian_link.h"
#include "toolkit/win32/win32_text.h"

namespace tk::win32 {

class Win32Peer;

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // ---- Platform -------------------------------------------------------------
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  double ClockSeconds() override;
  void PumpEvents(uint32_t waitMs) override;
  std::unique_ptr<WindowPeer> CreatePeer(Form& form) override;
  MsgBoxResult MessageBox(const MessageBoxRequest& request) override;
  bool AnotherInstanceRunning() override;
  Rect PrimaryScreen() override;
  void MinimiseAllWindows() override;
  void SetTaskbarVisible(bool visible) override;
  void SetIconLayerVisible(bool visible) override;
  std::string IconLayerName() override { return icon_layer_; }
  bool CaptureScreen(Surface& target) override;
  int ShowCursor(bool show) override;
  void SetCursorPos(int x, int y) override;
  bool OpenUrl(const std::string& url) override;
  bool PlayWav(std::span<const uint8_t> wav) override;
  void StopSound() override;
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;
  std::span<const uint8_t> ResourceBytes(ResourceType type, int id) override;
  std::string FormatLongTime(int hours, int minutes, int seconds) override;
  char DecimalSeparator() override;

  // ---- for the window procedures ---------------------------------------------
  // The window of the form that has the user's attention (tk::ActiveForm);
  // null when there is none.
  HWND ActiveFormWindow() const;
  // A session end or WM_QUIT was seen: the next pump ends the program.
  // Static, as the window procedures that see the session end hold no
  // platform.
  static void RequestEnd();

  // The name of the mutex that tells whether the program already runs.
  void SetInstanceName(std::wstring name) { instance_name_ = std::move(name); }
  static constexpr const wchar_t* kInstanceName = L"Local\\Vantoro.Lumbravick.Running";

  // Before the desktop is first touched, start the guardian process
  // (guardian_link.h). Off unless asked for.
  void SetGuarded(bool on) { guarded_ = on; }

  // The registry key that (app, section) maps to, below HKEY_CURRENT_USER.
  static std::wstring SettingsKeyPath(const std::string& app, const std::string& section);

 private:
  // Dispatches everything waiting on the thread's message queue.
  void DrainMessages();
  void GuardDesktop();

  std::wstring instance_name_ = kInstanceName;
  HANDLE instance_mutex_ = nullptr;
  bool com_ready_ = false;
  bool instance_checked_ = false, another_instance_ = false;
  HMODULE resource_module_ = nullptr;  // whose resources are read: the program's
  std::string icon_layer_;
  bool guarded_ = false;
  GuardianLink guardian_;
  // Pictures rebuilt as whole files from their resource parts, by id.
  std::map<std::pair<int, int>, std::vector<uint8_t>> rebuilt_;
};

}  // namespace tk::win32
