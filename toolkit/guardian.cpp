#include "toolkit/guardian.h"

#include <algorithm>
#include <charconv>

namespace tk::guardian {

namespace {

bool NeedsEscape(unsigned char c) {
  return c <= ' ' || c == '%' || c == ',' || c == '=' || c == 127;
}

std::string Encode(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Decode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

template <class Number>
bool ParseNumber(std::string_view text, Number& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && !text.empty();
}

std::optional<Rect> ParsePlace(std::string_view text) {
  std::vector<std::string_view> parts = Split(text, ',');
  Rect r;
  if (parts.size() != 4 || !ParseNumber(parts[0], r.x) || !ParseNumber(parts[1], r.y) ||
      !ParseNumber(parts[2], r.w) || !ParseNumber(parts[3], r.h) || r.w <= 0 || r.h <= 0)
    return std::nullopt;
  return r;
}

// The key=value words of a hide line; false when one of them is malformed.
bool ParseHide(const std::vector<std::string_view>& words, HiddenItem& item) {
  bool has_id = false;
  for (size_t i = 1; i < words.size(); ++i) {
    size_t eq = words[i].find('=');
    if (eq == std::string_view::npos) return false;
    std::string_view key = words[i].substr(0, eq), value = words[i].substr(eq + 1);
    if (key == "id") {
      if (!ParseNumber(value, item.id) || item.id == 0) return false;
      has_id = true;
    } else if (key == "kind" || key == "class") {
      std::optional<std::string> text = Decode(value);
      if (!text) return false;
      (key == "kind" ? item.kind : item.windowClass) = *text;
    } else if (key == "at") {
      item.place = ParsePlace(value);
      if (!item.place) return false;
    } else if (key == "state") {
      item.hadState = true;
      if (value.empty()) continue;
      for (std::string_view part : Split(value, ',')) {
        std::optional<std::string> name = Decode(part);
        if (!name || name->empty()) return false;
        item.states.push_back(*name);
      }
    }
  }
  return has_id;
}

}  // namespace

std::string DisplayLine(std::string_view name) { return "display " + Encode(name); }
std::string GameLine(uint64_t resource) { return "game " + std::to_string(resource); }
std::string ShownLine(uint64_t id) { return "shown id=" + std::to_string(id); }
std::string DoneLine() { return "done"; }
std::string AliveLine() { return "alive"; }
std::string QuietLine(uint32_t ms) { return "quiet " + std::to_string(ms); }

std::string HideLine(const HiddenItem& item) {
  std::string line = "hide kind=";
  line += Encode(item.kind);
  line += " id=";
  line += std::to_string(item.id);
  line += " class=";
  line += Encode(item.windowClass);
  if (item.place) {
    const char* separator = " at=";
    for (int v : {item.place->x, item.place->y, item.place->w, item.place->h}) {
      line += separator;
      line += std::to_string(v);
      separator = ",";
    }
  }
  if (item.hadState) {
    line += " state=";
    for (size_t i = 0; i < item.states.size(); ++i) {
      if (i) line += ',';
      line += Encode(item.states[i]);
    }
  }
  return line;
}

std::optional<Message> Parse(std::string_view line) {
  std::vector<std::string_view> words = Split(line, ' ');
  Message m;
  const std::string_view verb = words[0];
  if (verb == "alive" || verb == "done") {
    m.kind = verb == "alive" ? Message::Kind::Alive : Message::Kind::Done;
    return words.size() == 1 ? std::optional(m) : std::nullopt;
  }
  if (words.size() < 2) return std::nullopt;
  if (verb == "display" && words.size() == 2) {
    std::optional<std::string> name = Decode(words[1]);
    if (!name) return std::nullopt;
    m.kind = Message::Kind::Display;
    m.text = *name;
    return m;
  }
  if (verb == "game" && words.size() == 2 && ParseNumber(words[1], m.id) && m.id != 0) {
    m.kind = Message::Kind::Game;
    return m;
  }
  if (verb == "quiet" && words.size() == 2 && ParseNumber(words[1], m.ms)) {
    m.kind = Message::Kind::Quiet;
    return m;
  }
  if (verb == "shown" && words.size() == 2 && words[1].starts_with("id=") &&
      ParseNumber(words[1].substr(3), m.id)) {
    m.kind = Message::Kind::Shown;
    return m;
  }
  if (verb == "hide" && ParseHide(words, m.item)) {
    m.kind = Message::Kind::Hide;
    return m;
  }
  return std::nullopt;
}

// ---- LineReader ----------------------------------------------------------------

std::vector<std::string> LineReader::Feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (char c : bytes) {
    if (c == '\n') {
      if (!overlong_) lines.push_back(std::move(partial_));
      partial_.clear();
      overlong_ = false;
    } else if (partial_.size() >= kMaxLine) {
      overlong_ = true;
      partial_.clear();
    } else if (!overlong_) {
      partial_ += c;
    }
  }
  return lines;
}

// ---- Record ----------------------------------------------------------------------

void Record::Apply(const Message& m) {
  switch (m.kind) {
    case Message::Kind::Display:
      display_ = m.text;
      break;
    case Message::Kind::Hide:
      // A window noted twice keeps what it was like the first time: the
      // second look saw it hidden already.
      if (std::none_of(items_.begin(), items_.end(),
                       [&](const HiddenItem& i) { return i.id == m.item.id; }))
        items_.push_back(m.item);
      break;
    case Message::Kind::Shown:
      Forget(m.id);
      break;
    case Message::Kind::Done:
      items_.clear();
      break;
    default:
      break;
  }
}

void Record::Forget(uint64_t id) {
  std::erase_if(items_, [id](const HiddenItem& i) { return i.id == id; });
}

std::string Record::Text() const {
  std::string text = DisplayLine(display_) + "\n";
  for (const HiddenItem& item : items_) text += HideLine(item) + "\n";
  return text;
}

Record Record::FromText(std::string_view text) {
  Record record;
  LineReader reader;
  for (const std::string& line : reader.Feed(text))
    if (std::optional<Message> m = Parse(line)) record.Apply(*m);
  return record;
}

// ---- Watchdog ------------------------------------------------------------------------

void Watchdog::SignOfLife(uint64_t now) {
  last_life_ = std::max(last_life_, now);
  stage_ = 0;
}

void Watchdog::Quiet(uint64_t now, uint32_t ms) {
  SignOfLife(now);
  quiet_until_ = std::max(quiet_until_, now + ms);
}

uint64_t Watchdog::Deadline() const {
  uint64_t silent_since = std::max(last_life_, quiet_until_);
  return silent_since + kSilenceMs + (stage_ >= 1 ? kEndAfterMs : 0);
}

Watchdog::Action Watchdog::Check(uint64_t now) {
  if (stage_ >= 2 || now < Deadline()) return Action::None;
  ++stage_;
  return stage_ == 1 ? Action::GiveBack : Action::EndGame;
}

uint64_t Watchdog::WaitFrom(uint64_t now) const {
  if (stage_ >= 2) return UINT64_MAX;
  uint64_t deadline = Deadline();
  return deadline > now ? deadline - now : 0;
}

// ---- Guardian --------------------------------------------------------------------------

void Guardian::OnLine(std::string_view line, uint64_t now) {
  std::optional<Message> m = Parse(line);
  if (!m) return;
  if (m->kind == Message::Kind::Quiet)
    watchdog_.Quiet(now, m->ms);
  else
    watchdog_.SignOfLife(now);
  if (m->kind == Message::Kind::Game) game_resource_ = m->id;
  if (m->kind == Message::Kind::Hide) host_.Noted(m->item);
  record_.Apply(*m);
}

void Guardian::GiveBackAll() {
  // The most recently hidden first, as the game itself does.
  std::vector<HiddenItem> items = record_.Items();
  for (const HiddenItem& item : items) record_.Forget(item.id);
  for (auto it = items.rbegin(); it != items.rend(); ++it) host_.GiveBack(*it);
}

void Guardian::OnGameGone() { GiveBackAll(); }

void Guardian::OnTick(uint64_t now) {
  switch (watchdog_.Check(now)) {
    case Watchdog::Action::GiveBack:
      GiveBackAll();
      if (game_resource_) host_.TakeOffScreen(game_resource_);
      break;
    case Watchdog::Action::EndGame:
      host_.EndGame();
      break;
    case Watchdog::Action::None:
      break;
  }
}

}  // namespace tk::guardian
