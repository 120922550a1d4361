// The five style sheets: what each one loads and how its animations count.
#pragma once

#include <cstdint>

#include "game/resource_numbers.h"
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
  int16_t paddleFrames;
  bool paddleAnimationSlots;  // false: slots 1 to 3 are empty
  int panelItemTop;           // top of the power-up icon and the counter in the panel
  tk::Color counterColour;
};

// Null for a number that is not a sheet.
const StyleSheetEntry* FindStyleSheet(int16_t sheet);

// The sheet's pictures by frame (ball icons, paddle frames 0-4) and its panel.
inline int BallIconNumber(int16_t sheet, int frame) {
  return res::SheetPictureNumber(sheet, frame);
}
inline int PaddleBitmapNumber(int16_t sheet, int frame) {
  return res::SheetPictureNumber(sheet, frame);
}
inline int PanelBitmapNumber(int16_t sheet) {
  return res::SheetPictureNumber(sheet, res::kPanelSlot);
}
