// The services the game runs on, as the game calls them. Each call forwards to
// the installed platform and records what the flight recorder wants to see.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "toolkit/controls.h"
#include "toolkit/resources.h"
#include "toolkit/surface.h"

namespace tk {

// ---- the program ----------------------------------------------------------
// Thrown by EndProgram and caught only by the program's entry point (and the
// test harness): the way the last statement of the game leaves every procedure
// on the stack at once. It is not an error and no error trap catches it.
struct ProgramEnded {
  int exitCode = 0;
};
[[noreturn]] void EndProgram(int exitCode = 0);
// Thrown by a backend whose driver stops a run from outside (the simulator's
// time limit). Like ProgramEnded, only the entry point catches it.
struct RunStopped {};

// ---- events ---------------------------------------------------------------
// The yield: delivers every pending input event and fires every due timer.
void DoEvents();
// Blocks for `ms` milliseconds and delivers nothing.
void Sleep(uint32_t ms);
uint32_t GetTickCount();
// Runs the event loop until `done` returns true (modal windows, message boxes).
void RunModal(const std::function<bool()>& done);
// Runs the event loop until the program ends (the idle state).
[[noreturn]] void RunIdle();
// The game's main loop finished one pass.
void LoopPass();

// Timer bookkeeping, for backends.
uint32_t MillisecondsToNextTimer(uint32_t cap);  // 0 when one is due
void FireDueTimers();

// ---- the desktop ----------------------------------------------------------
Rect PrimaryScreen();
bool AnotherInstanceRunning();
void MinimiseAllWindows();
void SetTaskbarVisible(bool visible);
void SetIconLayerVisible(bool visible);
bool CaptureScreen(PictureBox& target);
int ShowCursor(bool show);
void SetCursorPos(int x, int y);
bool OpenUrl(const std::string& url);

// ---- dialogs, settings, resources ----------------------------------------
enum class MsgBoxButtons { Ok, YesNo };
enum class MsgBoxIcon { None, Critical };
enum class MsgBoxResult { Ok = 1, Yes = 6, No = 7 };
MsgBoxResult MsgBox(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const std::string& title);
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& fallback);
bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value);
Picture LoadIconResource(int id);
Picture LoadBitmapResource(int id);
std::span<const uint8_t> LoadSoundResource(int id);
bool PlayWav(std::span<const uint8_t> wav);
void StopWav();

// ---- numbers, time, chance -----------------------------------------------
// Mixes the clock into the generator's state (successive reseeds in the same
// millisecond still give fresh values).
void Randomize();
// Uniform in [0, 1).
float Rnd();
// The generator as at program start (a new program run in the same process).
void ResetRandom();
// Converts text to a 16-bit integer the way a stored setting is read: optional
// blanks and sign, decimal digits; false when it is not a whole number or does
// not fit.
bool TextToInt16(std::string_view text, int16_t& out);
// "########0.##": at least one integer digit, up to two decimals rounded half
// away from zero, trailing zero decimals dropped, the separator kept.
std::string FormatNumber(double value);
// 00:00:00 plus `seconds`, as a time of day in the user's long time format.
std::string TimeOfDayText(int64_t seconds);

}  // namespace tk
