// The guardian on Windows (see toolkit/guardian.h): the game starts its own
// program again with a private argument before it touches the desktop,
// handing it the read end of a pipe and a handle to the game's process, and
// tells it through the pipe each shell window it is about to hide, each one
// it has shown again, and that it is alive. The guardian waits on the game's
// process: when it ends (TerminateProcess, Task Manager's End task, a crash
// the game's own handlers could not handle), it shows again what the game
// left hidden; when the game stops answering for 20 s it does so too, hides
// the game's windows, and ends the game 10 s later.
//
// The guardian has no window, so no taskbar entry, and holds nothing of the
// game's but those two handles (not its single-instance mutex).
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/guardian.h"
#include "toolkit/win32/desktop_guard.h"

namespace tk::win32 {

// argv[1] of the guardian; then the pipe's and the game process's handles.
inline constexpr const wchar_t* kGuardianArgument = L"--guardian";

class GuardianLink {
 public:
  GuardianLink() = default;
  ~GuardianLink();
  GuardianLink(const GuardianLink&) = delete;
  GuardianLink& operator=(const GuardianLink&) = delete;

  // False when it could not be started: the game then relies on its own
  // handlers (DesktopGuard).
  bool Start();
  bool Running() const { return pipe_ != nullptr; }

  // A sign of life (sent at most once a second).
  void Alive();
  // A wait of `ms` without signs of life follows.
  void Quiet(uint32_t ms);
  // The window is noted and about to be hidden.
  void Hiding(const ShellWindow& window);
  // Windows were shown again: tells which of those the guardian knows of are
  // no longer hidden.
  void Shown(const std::vector<ShellWindow>& stillHidden);

 private:
  void Send(const std::string& line);
  void* pipe_ = nullptr;  // the write end
  std::vector<ShellWindow> told_;
  uint64_t last_alive_ = 0;
};

// The guardian process: argv as the game started it. Returns its exit status.
int RunGuardian(int argc, wchar_t** argv);

}  // namespace tk::win32
