#include "toolkit/linux/user_files.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "toolkit/settings_ini.h"

namespace tk::gtkx {

namespace {

std::string DirName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string KeyFileSettings::PathFor(const std::string& app) const {
  std::string path = config_dir_;
  std::string part;
  auto flush = [&] {
    if (!part.empty() && part != "." && part != "..") path += "/" + part;
    part.clear();
  };
  for (char c : app) {
    if (c == '\\' || c == '/')
      flush();
    else
      part += c;
  }
  flush();
  return path + "/settings.ini";
}

bool KeyFileSettings::Get(const std::string& app, const std::string& section,
                          const std::string& key, std::string& value) const {
  return IniSettings(PathFor(app)).Get(section, key, value);
}

bool KeyFileSettings::Set(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& value) {
  const std::string path = PathFor(app);
  if (g_mkdir_with_parents(DirName(path).c_str(), 0700) != 0) return false;
  return IniSettings(path).Set(section, key, value);
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

InstanceLock::Result InstanceLock::Acquire(const std::string& path) {
  if (fd_ >= 0) return Result::Acquired;
  g_mkdir_with_parents(DirName(path).c_str(), 0700);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Unavailable;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    close(fd);
    return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Unavailable;
  }
  fd_ = fd;
  return Result::Acquired;
}

std::string InstanceLockPath(const char* runtimeDir, const std::string& cacheDir) {
  struct stat st {};
  if (runtimeDir && *runtimeDir && stat(runtimeDir, &st) == 0 && S_ISDIR(st.st_mode))
    return std::string(runtimeDir) + "/lumbravick.lock";
  return cacheDir + "/lumbravick/lumbravick.lock";
}

}  // namespace tk::gtkx
