// The per-user files: the settings store (a key file per application under
// the configuration directory) and the lock that keeps a second copy of the
// program from starting a game.
#pragma once

#include <string>

namespace tk::gtkx {

// Settings as key files: application "Maker\Program" lives in
// <configDir>/Maker/Program/settings.ini, a section is a group. The file is
// edited line by line (toolkit/settings_ini.h): nothing in it is lost.
class KeyFileSettings {
 public:
  explicit KeyFileSettings(std::string configDir) : config_dir_(std::move(configDir)) {}
  // The file an application's settings live in. Backslashes and slashes both
  // separate folders; empty, "." and ".." parts are dropped.
  std::string PathFor(const std::string& app) const;
  bool Get(const std::string& app, const std::string& section, const std::string& key,
           std::string& value) const;
  // Creates the folders as needed; every other line of the file stays. A
  // file that could not be read is left alone and false returned.
  bool Set(const std::string& app, const std::string& section, const std::string& key,
           const std::string& value);

 private:
  std::string config_dir_;
};

// An exclusive, non-blocking flock on a file. The lock lives as long as the
// object (and goes with the process, however it ends).
class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  enum class Result { Acquired, HeldElsewhere, Unavailable };
  // Creates the folder and the file if needed. Unavailable: the file cannot
  // be opened or locked for another reason than a holder.
  Result Acquire(const std::string& path);
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Where the lock file lives: $XDG_RUNTIME_DIR when it is set and is a
// folder, otherwise the user's cache folder.
std::string InstanceLockPath(const char* runtimeDir, const std::string& cacheDir);

}  // namespace tk::gtkx
