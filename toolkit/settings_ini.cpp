#include "toolkit/settings_ini.h"

#include <fstream>
#include <sstream>

namespace tk {

namespace {

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

}  // namespace

IniSettings::IniSettings(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  std::stringstream text;
  text << in.rdbuf();
  Parse(text.str());
}

void IniSettings::Parse(const std::string& text) {
  lines_.clear();
  std::istringstream in(text);
  std::string raw, section;
  while (std::getline(in, raw)) {
    std::string line = Trim(raw);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = Trim(line.substr(1, line.size() - 2));
      lines_.push_back({section, "", "", line});
      continue;
    }
    size_t eq = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '#' || eq == std::string::npos) {
      lines_.push_back({section, "", "", line});
      continue;
    }
    lines_.push_back({section, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), ""});
  }
}

bool IniSettings::Get(const std::string& section, const std::string& key,
                      std::string& value) const {
  for (const Line& l : lines_) {
    if (!l.key.empty() && l.section == section && l.key == key) {
      value = l.value;
      return true;
    }
  }
  return false;
}

bool IniSettings::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
  bool found = false, section_seen = false;
  size_t insert_at = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    if (l.section == section) {
      section_seen = true;
      insert_at = i + 1;
      if (l.key == key) {
        l.value = value;
        found = true;
      }
    }
  }
  if (!found) {
    if (!section_seen)
      lines_.push_back({section, "", "", "[" + section + "]"}), insert_at = lines_.size();
    lines_.insert(lines_.begin() + static_cast<long>(insert_at), {section, key, value, ""});
  }
  if (path_.empty()) return true;
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out << Text();
  return static_cast<bool>(out);
}

std::string IniSettings::Text() const {
  std::string text;
  for (const Line& l : lines_) text += (l.key.empty() ? l.raw : l.key + "=" + l.value) + "\n";
  return text;
}

}  // namespace tk
