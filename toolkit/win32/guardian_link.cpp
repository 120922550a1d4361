#include "toolkit/win32/guardian_link.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "toolkit/trace.h"
#include "toolkit/win32/shell_windows.h"

namespace tk::win32 {

namespace {

constexpr uint64_t kAliveEveryMs = 1000;
constexpr DWORD kPipeBytes = 64 * 1024;

// The game gives way to the guardian when it looks hung: its windows go, and
// with them the hidden pointer (the display counter belongs to their thread).
BOOL CALLBACK HideIfOf(HWND window, LPARAM process) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  // Asynchronous: the game's thread does not answer.
  if (owner == static_cast<DWORD>(process) && IsWindowVisible(window))
    ShowWindowAsync(window, SW_HIDE);
  return TRUE;
}

class ShellHost : public guardian::Host {
 public:
  explicit ShellHost(HANDLE game) : game_(game) {}
  void GiveBack(const guardian::HiddenItem& item) override {
    std::optional<ShellWindow> window = ShellWindowOf(item);
    if (window && !IsWindowVisible(WindowOfHandle(window->handle)))
      SetShellWindowVisible(*window, true);
  }
  void TakeOffScreen(uint64_t gameProcess) override {
    EnumWindows(HideIfOf, static_cast<LPARAM>(gameProcess));
  }
  void EndGame() override { TerminateProcess(game_, 1); }

 private:
  HANDLE game_;
};

// What the pipe holds now, without waiting for more.
std::string ReadWaiting(HANDLE pipe) {
  std::string bytes;
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    char buf[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, buf, std::min<DWORD>(available, sizeof buf), &got, nullptr) || got == 0)
      break;
    bytes.append(buf, got);
  }
  return bytes;
}

HANDLE HandleArgument(const wchar_t* text) {
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::wcstoull(text, nullptr, 10)));
}

}  // namespace

// ---- the game's side -----------------------------------------------------------------

GuardianLink::~GuardianLink() {
  if (pipe_) CloseHandle(static_cast<HANDLE>(pipe_));
}

bool GuardianLink::Start() {
  if (Running()) return true;
  wchar_t exe[MAX_PATH * 2] = {};
  if (!GetModuleFileNameW(nullptr, exe, MAX_PATH * 2)) return false;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr, self = nullptr;
  if (!CreatePipe(&read, &write, &inherit, kPipeBytes)) return false;
  SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                  SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" " + kGuardianArgument + L" " +
                         std::to_wstring(reinterpret_cast<uintptr_t>(read)) + L" " +
                         std::to_wstring(reinterpret_cast<uintptr_t>(self));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // Out of the game's job where that is allowed (a job that ends with the
  // game would end the guardian too), and out of its console group.
  const DWORD flags = DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP;
  bool started = self && (CreateProcessW(exe, command.data(), nullptr, nullptr, TRUE,
                                         flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr,
                                         &startup, &process) ||
                          CreateProcessW(exe, command.data(), nullptr, nullptr, TRUE, flags,
                                         nullptr, nullptr, &startup, &process));
  CloseHandle(read);
  if (self) CloseHandle(self);
  if (!started) {
    CloseHandle(write);
    trace::Event("guardian").Str("op", "unavailable");
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  pipe_ = write;
  trace::Event("guardian")
      .Str("op", "start")
      .Int("pid", process.dwProcessId)
      .Int("game_pid", GetCurrentProcessId());
  Send(guardian::GameLine(GetCurrentProcessId()));
  return true;
}

void GuardianLink::Send(const std::string& line) {
  if (!pipe_) return;
  std::string text = line + "\n";
  DWORD written = 0;
  if (!WriteFile(static_cast<HANDLE>(pipe_), text.data(), static_cast<DWORD>(text.size()), &written,
                 nullptr)) {
    // The guardian is gone; the game's own handlers remain.
    CloseHandle(static_cast<HANDLE>(pipe_));
    pipe_ = nullptr;
    trace::Event("guardian").Str("op", "lost");
  }
}

void GuardianLink::Alive() {
  uint64_t now = GetTickCount64();
  if (!pipe_ || now - last_alive_ < kAliveEveryMs) return;
  last_alive_ = now;
  Send(guardian::AliveLine());
}

void GuardianLink::Quiet(uint32_t ms) { Send(guardian::QuietLine(ms)); }

void GuardianLink::Hiding(const ShellWindow& window) {
  if (std::find(told_.begin(), told_.end(), window) != told_.end()) return;
  told_.push_back(window);
  Send(guardian::HideLine(ItemOf(window)));
}

void GuardianLink::Shown(const std::vector<ShellWindow>& stillHidden) {
  std::erase_if(told_, [&](const ShellWindow& w) {
    if (std::find(stillHidden.begin(), stillHidden.end(), w) != stillHidden.end()) return false;
    Send(guardian::ShownLine(w.handle));
    return true;
  });
}

// ---- the guardian --------------------------------------------------------------------

int RunGuardian(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  HANDLE pipe = HandleArgument(argv[2]), game = HandleArgument(argv[3]);
  ShellHost host(game);
  guardian::Guardian guardian(host, GetTickCount64());
  guardian::LineReader reader;
  auto take = [&] {
    for (const std::string& line : reader.Feed(ReadWaiting(pipe)))
      guardian.OnLine(line, GetTickCount64());
  };
  for (;;) {
    // The pipe is looked at every 100 ms; the game's end is seen at once.
    uint64_t wait = std::min<uint64_t>(guardian.WaitFrom(GetTickCount64()), 100);
    DWORD ended = WaitForSingleObject(game, static_cast<DWORD>(wait));
    take();
    if (ended != WAIT_TIMEOUT) break;
    guardian.OnTick(GetTickCount64());
  }
  guardian.OnGameGone();
  return 0;
}

}  // namespace tk::win32
