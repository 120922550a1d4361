// The per-user settings as an INI file: [group] lines and key=value lines,
// values escaped as key files escape them (\n, \t, \r, \\, a leading \s).
//
// Nothing is lost: a line that is not understood is kept as it was, other
// groups and keys are never touched, and changing a value rewrites only its
// own line. A file that could not be read as text is never written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

// One settings file's text, kept line by line.
class IniText {
 public:
  IniText() = default;
  explicit IniText(std::string_view text);
  // The last value of `key` in any group called `section`, as the readers of
  // key files take it.
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  // Changes that value's line, or adds the key at the end of the group's
  // last block of keys, or adds the group at the end.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  std::string Text() const;

 private:
  struct Line {
    std::string raw;           // exactly as read, without the line break
    std::string section, key;  // key empty: not a key=value line
    std::string value;         // unescaped
    bool crlf = false;         // ended with "\r\n"
    bool header = false;       // a [group] line
  };
  std::vector<Line> lines_;
  bool final_break_ = true;
};

// True for bytes a settings file may hold: UTF-8 text without NUL bytes.
bool IsSettingsText(std::string_view bytes);

enum class IniLoad { Loaded, Missing, Unreadable };
// Reads a settings file. Unreadable: it exists but cannot be read, is not a
// regular file, is larger than any settings file should be, or is not text
// (a NUL byte or bytes that are not UTF-8).
IniLoad LoadIniFile(const std::string& path, IniText& out);
// Replaces the contents of the file at `path`; a symbolic link is followed
// and the file it leads to is written. A new file is written beside it and
// renamed over it, so a failure leaves the old one whole; it keeps the old
// file's permissions. A file with more than one hard link is written in place.
bool SaveTextFile(const std::string& path, const std::string& text);

// The settings of one file, or in memory only when the path is empty. Every
// call reads the file anew, so changes made by others meanwhile are kept.
class IniSettings {
 public:
  explicit IniSettings(std::string path = {}) : path_(std::move(path)) {}
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  // False when the file could not be read (it is then left alone) or
  // cannot be written.
  bool Set(const std::string& section, const std::string& key, const std::string& value);

 private:
  std::string path_;
  IniText memory_;
};

// The text of a string value as the Windows registry hands it over: UTF-16
// code units, little-endian, usually but not always ending with terminators,
// perhaps with an odd byte left over. Trailing terminators and the odd byte
// are dropped; a surrogate without its partner becomes U+FFFD, as Windows'
// own conversion makes it.
std::string RegistryText(std::span<const uint8_t> bytes);

}  // namespace tk
