// The game's side of the guardian (toolkit/guardian.h): starts the guardian
// process before the desktop is touched, tells it each window the record
// notes and gives back, shows it signs of life, and keeps the record file
// that a later start repairs from when game and guardian both died.
//
// The guardian is this program again, started with kGuardianArgument; it
// holds one end of a socket pair, nothing else of the game's (no lock, no
// display connection, no terminal: it runs in a session of its own).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/guardian.h"
#include "toolkit/linux/desktop_record.h"

namespace tk::gtkx {

// argv[1] of the guardian; then the socket's descriptor, the display, the
// game's process id and the record file.
inline constexpr const char* kGuardianArgument = "--guardian";

class GuardianLink : public RecordListener {
 public:
  // The record file for `display` in `folder` (where the instance lock is).
  static std::string RecordPath(const std::string& folder, const std::string& display);

  GuardianLink(XDisplay* display, std::string recordPath);
  ~GuardianLink() override;
  GuardianLink(const GuardianLink&) = delete;
  GuardianLink& operator=(const GuardianLink&) = delete;

  // Gives back what an earlier game on this display left hidden when it died
  // with its guardian, as its record file says. Returns how many windows
  // came back.
  int RepairStaleRecord();
  // Starts the guardian and waits (briefly) until it has its own connection
  // to the display. `gameResource` is a resource of the game's connection.
  // False when it could not be started: the game then relies on its own
  // handlers.
  bool Start(uint64_t gameResource);
  bool Running() const;

  // A sign of life (sent at most once a second).
  void Alive();
  // A wait of `ms` without signs of life follows.
  void Quiet(uint32_t ms);

  // RecordListener
  void Hiding(const HiddenWindow& w) override;
  void GivenBack(XWindowId window) override;
  void AllGivenBack() override;

  // Async-signal-safe: whether a guardian stands by to give the desktop
  // back once this process is gone.
  static bool Standing();

 private:
  void Send(const std::string& line);
  void Apply(const std::string& line);
  void SaveRecord();
  XDisplay* display_;
  std::string record_path_;
  guardian::Record record_;
  int64_t last_alive_us_ = 0;
};

}  // namespace tk::gtkx
