#include "toolkit/settings_ini.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace tk {

namespace fs = std::filesystem;

namespace {

// A settings file holds a few short values; anything near this is not one.
constexpr size_t kMaxSettingsBytes = 1 << 20;
// As many links as the system itself follows before it gives up.
constexpr int kMaxLinks = 40;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Escape(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == ' ' && (i == 0 || i + 1 == value.size()))  // blanks at the ends would be trimmed
      out += "\\s";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const char* known = text[i] == '\\' ? std::strchr("sntr\\", next) : nullptr;
    if (!known || next == '\0') {
      out += text[i];
      continue;
    }
    out += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : '\\';
    ++i;
  }
  return out;
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > s.size()) return false;
    uint32_t code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      code = code << 6 | (byte(i + k) & 0x3F);
    }
    static constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

// Where writing `path` really lands: the end of its chain of links.
fs::path FollowLinks(fs::path path) {
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    fs::path to = fs::read_symlink(path, error);
    if (error) break;
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  return path;
}

bool WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

IniText::IniText(std::string_view text) {
  std::string section;
  final_break_ = text.empty() || text.back() == '\n';
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    Line line{std::string(raw), section, "", "", !raw.empty() && raw.back() == '\r', false};
    std::string_view content = TrimBlanks(line.crlf ? raw.substr(0, raw.size() - 1) : raw);
    size_t equals = content.find('=');
    if (content.size() >= 2 && content.front() == '[' && content.back() == ']') {
      section = line.section = std::string(content.substr(1, content.size() - 2));
      line.header = true;
    } else if (!content.empty() && content[0] != '#' && content[0] != ';' &&
               equals != std::string_view::npos && equals > 0) {
      line.key = std::string(TrimBlanks(content.substr(0, equals)));
      line.value = Unescape(TrimBlanks(content.substr(equals + 1)));
    }
    lines_.push_back(std::move(line));
  }
}

bool IniText::Get(const std::string& section, const std::string& key, std::string& value) const {
  for (auto l = lines_.rbegin(); l != lines_.rend(); ++l) {
    if (l->section == section && l->key == key && !key.empty()) {
      value = l->value;
      return true;
    }
  }
  return false;
}

void IniText::Set(const std::string& section, const std::string& key, const std::string& value) {
  const std::string raw = key + "=" + Escape(value);
  size_t insert_at = lines_.size();
  bool group_seen = false;
  for (size_t i = lines_.size(); i-- > 0;) {
    Line& l = lines_[i];
    if (l.section != section) continue;
    if (l.key == key) {
      l.raw = l.crlf ? raw + "\r" : raw;
      l.value = value;
      return;
    }
    // After the group's last key, or its header when it has none.
    if (!group_seen && (!l.key.empty() || l.header)) {
      insert_at = i + 1;
      group_seen = true;
    }
  }
  // A new line ends as the line before it does.
  bool crlf = insert_at > 0 && lines_[insert_at - 1].crlf;
  auto line = [&](const std::string& text, const std::string& key_name, bool header) {
    return Line{crlf ? text + "\r" : text, section, key_name, value, crlf, header};
  };
  if (group_seen) {
    lines_.insert(lines_.begin() + static_cast<long>(insert_at), line(raw, key, false));
    return;
  }
  if (!lines_.empty() && !TrimBlanks(lines_.back().raw).empty())
    lines_.push_back(line("", "", false));
  lines_.push_back(line("[" + section + "]", "", true));
  lines_.push_back(line(raw, key, false));
  final_break_ = true;
}

std::string IniText::Text() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i].raw;
    if (i + 1 < lines_.size() || final_break_) text += '\n';
  }
  return text;
}

bool IsSettingsText(std::string_view bytes) {
  return bytes.find('\0') == std::string_view::npos && IsUtf8(bytes);
}

IniLoad LoadIniFile(const std::string& path, IniText& out) {
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return IniLoad::Missing;
  if (error || status.type() != fs::file_type::regular) return IniLoad::Unreadable;
  std::ifstream in(path, std::ios::binary);
  std::string text(kMaxSettingsBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad() || (!in && !in.eof())) return IniLoad::Unreadable;
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxSettingsBytes || !IsSettingsText(text)) return IniLoad::Unreadable;
  out = IniText(text);
  return IniLoad::Loaded;
}

bool SaveTextFile(const std::string& path, const std::string& text) {
  const fs::path target = FollowLinks(path);
  std::error_code error;
  fs::file_status old = fs::status(target, error);
  bool existed = fs::is_regular_file(old);
  if (existed && fs::hard_link_count(target, error) > 1 && !error) return WriteFile(target, text);
  fs::path fresh = target;
  fresh.replace_filename(
      "." + target.filename().string() + "." +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  if (!WriteFile(fresh, text)) {
    fs::remove(fresh, error);
    return false;
  }
  if (existed) fs::permissions(fresh, old.permissions(), error);
  fs::rename(fresh, target, error);
  if (error) fs::remove(fresh, error);
  return !error;
}

std::string RegistryText(std::span<const uint8_t> bytes) {
  auto unit = [&](size_t i) { return uint32_t{bytes[2 * i]} | uint32_t{bytes[2 * i + 1]} << 8; };
  auto in = [](uint32_t c, uint32_t low, uint32_t high) { return c >= low && c <= high; };
  size_t units = bytes.size() / 2;
  while (units > 0 && unit(units - 1) == 0) --units;
  std::string text;
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = unit(i);
    if (in(c, 0xD800, 0xDBFF) && i + 1 < units && in(unit(i + 1), 0xDC00, 0xDFFF))
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    else if (in(c, 0xD800, 0xDFFF))
      c = 0xFFFD;
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else {
      int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
      static constexpr uint32_t kLead[] = {0, 0xC0, 0xE0, 0xF0};
      text += static_cast<char>(kLead[extra] | (c >> (6 * extra)));
      for (int k = extra - 1; k >= 0; --k)
        text += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
  }
  return text;
}

bool IniSettings::Get(const std::string& section, const std::string& key,
                      std::string& value) const {
  if (path_.empty()) return memory_.Get(section, key, value);
  IniText text;
  return LoadIniFile(path_, text) == IniLoad::Loaded && text.Get(section, key, value);
}

bool IniSettings::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
  if (path_.empty()) {
    memory_.Set(section, key, value);
    return true;
  }
  IniText text;
  if (LoadIniFile(path_, text) == IniLoad::Unreadable) return false;
  text.Set(section, key, value);
  return SaveTextFile(path_, text.Text());
}

}  // namespace tk
