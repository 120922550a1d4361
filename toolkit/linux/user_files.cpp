#include "toolkit/linux/user_files.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace tk::gtkx {

namespace {

struct KeyFileDeleter {
  void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

KeyFilePtr LoadKeyFile(const std::string& path, bool& existed) {
  KeyFilePtr file(g_key_file_new());
  GError* error = nullptr;
  existed = g_key_file_load_from_file(file.get(), path.c_str(),
                                      static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS), &error);
  if (error) g_error_free(error);
  return file;
}

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
  bool existed = false;
  KeyFilePtr file = LoadKeyFile(PathFor(app), existed);
  if (!existed) return false;
  GError* error = nullptr;
  gchar* text = g_key_file_get_string(file.get(), section.c_str(), key.c_str(), &error);
  if (error) {
    g_error_free(error);
    return false;
  }
  value = text ? text : "";
  g_free(text);
  return true;
}

bool KeyFileSettings::Set(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& value) {
  const std::string path = PathFor(app);
  if (g_mkdir_with_parents(DirName(path).c_str(), 0700) != 0) return false;
  bool existed = false;
  KeyFilePtr file = LoadKeyFile(path, existed);
  g_key_file_set_string(file.get(), section.c_str(), key.c_str(), value.c_str());
  GError* error = nullptr;
  bool ok = g_key_file_save_to_file(file.get(), path.c_str(), &error);
  if (error) g_error_free(error);
  return ok;
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
