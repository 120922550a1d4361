// The five style sheets: what each one loads and how its animations count.
#pragma once

#include <cstdint>

#include "toolkit/surface.h"

enum StyleSheetNumber : int16_t {
  kClassic = 0,
  kLasVegas = 1,
  kFlatScreen = 2,
  kNewspaper = 3,
  kWood = 4
};

struct StyleSheetEntry {
  const char* name;
  int16_t ballFramesInGame;     // the game window cycles through these
  int16_t ballFramesInPreview;  // the chooser's preview cycles through these
  int16_t ballIcons;            // how many ball icons the sheet has
  int16_t paddleFrames;
  bool paddleAnimationSlots;  // false: slots 1 to 3 are empty
  int panelItemTop;           // top of the power-up icon and the counter in the panel
  tk::Color counterColour;
};

// Null for a number that is not a sheet.
const StyleSheetEntry* FindStyleSheet(int16_t sheet);

// Picture numbers are formed as text: the sheet number plus one, then "00",
// then the frame digit (ball icons, paddle frames 0-4, panel 5).
int SheetPictureNumber(int16_t sheet, int slot);
inline int BallIconNumber(int16_t sheet, int frame) { return SheetPictureNumber(sheet, frame); }
inline int PaddleBitmapNumber(int16_t sheet, int frame) { return SheetPictureNumber(sheet, frame); }
inline int PanelBitmapNumber(int16_t sheet) { return SheetPictureNumber(sheet, 5); }
