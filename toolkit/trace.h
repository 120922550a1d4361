// The flight recorder: one JSON object per line, each starting with "t"
// (milliseconds since the program started) and "ev". Off unless opened.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tk::trace {

// Appends to `path` ("-" is standard output). False when it cannot be opened.
bool Open(const std::string& path);
void Close();
bool Enabled();
// The tick count that "t" counts from.
void SetStartTick(uint32_t tick);
uint32_t StartTick();
// The open stream, or null: for code that cannot allocate (a signal handler)
// and writes a line of its own.
std::FILE* Stream();

// Builds one event; it is written when the builder goes out of scope.
class Event {
 public:
  explicit Event(std::string_view name);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  Event& Str(std::string_view key, std::string_view value);
  Event& Int(std::string_view key, int64_t value);
  Event& Bool(std::string_view key, bool value);
  Event& Pair(std::string_view key, int64_t a, int64_t b);
  Event& PairF(std::string_view key, double a, double b);
  // Appends already formed `"key":value` members.
  Event& Raw(std::string_view members);

 private:
  void Key(std::string_view key);
  std::string line_;
  bool on_;
};

std::string JsonEscape(std::string_view text);

}  // namespace tk::trace
