// The one code module: the values that live outside any window (the current
// style sheet and the animation counters shared by the game window and the
// style-sheet chooser), the sound buffer, and the procedures that use them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/controls.h"

class frmMain;
struct StyleSheetEntry;

namespace mdlLumbravick {

// ---- style sheets (stylesheets/) -------------------------------------------
extern int16_t StyleSheet;
extern int16_t BallFrame;
extern int16_t BallStep;
extern int16_t BallFrameCount;
extern int16_t PaddleFrame;
extern int16_t PaddleStep;
extern int16_t PaddleFrameCount;
extern int16_t PaddleHoldTicks;

// Where the chosen sheet is kept in the per-user settings.
inline const std::string kSettingsApp = "Vantoro\\Lumbravick";
inline const std::string kStyleSheetSection = "StyleSheet";
inline const std::string kStyleSheetKey = "StyleSheet";

void LoadStyleSheet(int16_t sheet, frmMain& window);
// The sheet a stored setting names. Anything but a whole number of a sheet
// (a hand-edited or damaged value) plays Classic, which the game then stores.
int16_t SheetFromSetting(std::string_view stored);
// What the game window and the chooser's preview load alike: StyleSheet set,
// both animations back at frame 0 with step 1, the ball frames into
// `ballSlots`, frame 0 into `paddle` and the paddle frames into
// `paddleSlots`. Returns the sheet's catalogue entry, null for a number that
// is not a sheet (then only ball icons are tried).
const StyleSheetEntry* LoadSheetFrames(int16_t sheet, tk::ControlArray<tk::PictureBox>& ballSlots,
                                       tk::PictureBox& paddle,
                                       tk::ControlArray<tk::PictureBox>& paddleSlots);
// One tick of the paddle animation on the shared values: false when the
// frame stays (Flat Screen holds frame 0 for 13 ticks), true when PaddleFrame
// moved on and its picture is to be shown.
bool AdvancePaddleFrame();
// Stores StyleSheet as decimal text.
void SaveStyleSheetSetting();

// ---- sound (sound/) -------------------------------------------------------
// The WAV image of the sound started last; the platform plays from it.
extern std::vector<uint8_t> SoundBuffer;
// Starts sound `id` and lets pending events run before it returns.
bool PlaySound(int16_t id);
void StopSound();

// Every module value back to zero, as at program start (for a new program
// run in the same process: the tests and the simulator).
void ResetModule();

}  // namespace mdlLumbravick

// The maker's web address, opened by the paddle while paused and by the
// sponsor banners.
inline const std::string kMakerWebAddress = "https://www.vantoro.example/";
// Where advertisers write to, named in the About window.
inline const std::string kMakerEmail = "sponsoring@vantoro.example";
