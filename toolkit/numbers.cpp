// Numbers, time of day and chance, as the game's texts and rules need them.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "toolkit/platform.h"
#include "toolkit/toolkit.h"

namespace tk {

namespace {

constexpr uint64_t kRandomStateAtStart = 0x853C49E6748FEA9Bull;
uint64_t g_random_state = kRandomStateAtStart;

uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

void ResetRandom() { g_random_state = kRandomStateAtStart; }

void Randomize() {
  double clock = CurrentPlatform().ClockSeconds();
  uint64_t bits = static_cast<uint64_t>(std::llround(clock * 1e6));
  g_random_state ^= bits * 0xD6E8FEB86659FD93ull;
  SplitMix(g_random_state);
}

float Rnd() {
  // 24 random bits: every value is exact in a float and strictly below 1.
  return static_cast<float>(SplitMix(g_random_state) >> 40) / 16777216.0f;
}

bool TextToInt16(std::string_view text, int16_t& out) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t first_digit = i;
  int64_t value = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 32768) return false;
  }
  if (i == first_digit) return false;
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i != n) return false;
  if (negative) value = -value;
  if (value < INT16_MIN || value > INT16_MAX) return false;
  out = static_cast<int16_t>(value);
  return true;
}

std::string FormatNumber(double value) {
  if (!std::isfinite(value)) return "";
  bool negative = value < 0;
  // Hundredths, rounded half away from zero; the tiny nudge keeps 12.345
  // (stored as 12.3449999...) rounding up like its decimal text does.
  double scaled = std::floor(std::fabs(value) * 100.0 * (1.0 + 1e-12) + 0.5);
  auto hundredths = static_cast<uint64_t>(scaled);
  uint64_t whole = hundredths / 100, cents = hundredths % 100;
  std::string text = negative && hundredths != 0 ? "-" : "";
  text += std::to_string(whole);
  text += CurrentPlatform().DecimalSeparator();
  if (cents != 0) {
    text += static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) text += static_cast<char>('0' + cents % 10);
  }
  return text;
}

std::string TimeOfDayText(int64_t seconds) {
  int64_t day = ((seconds % 86400) + 86400) % 86400;
  return CurrentPlatform().FormatLongTime(
      static_cast<int>(day / 3600), static_cast<int>(day / 60 % 60), static_cast<int>(day % 60));
}

}  // namespace tk
