// The per-user settings as an INI file: [section] headers and key=value lines.
// Used by the headless backend; unknown lines are kept when the file is saved.
#pragma once

#include <string>
#include <vector>

namespace tk {

class IniSettings {
 public:
  // With an empty path the settings live in memory only.
  explicit IniSettings(std::string path = {});
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  // Writes through to the file at once. False when the file cannot be written.
  bool Set(const std::string& section, const std::string& key, const std::string& value);
  std::string Text() const;
  void Parse(const std::string& text);

 private:
  struct Line {
    std::string section, key, value, raw;  // raw: for lines that are not key=value
  };
  std::string path_;
  std::vector<Line> lines_;
};

}  // namespace tk
