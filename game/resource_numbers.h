// Every picture and sound the game asks for, by the number docs/RESOURCES.md
// lists it under. Numbers that depend on a style sheet, a power-up kind or a
// frame are built here as text, the way the game has always built them.
#pragma once

#include <cstdint>
#include <string>

namespace res {

// ---- sounds (SOUND 101 to 111) ---------------------------------------------
inline constexpr int16_t kSoundPaddleKnock = 101;
inline constexpr int16_t kSoundEdgeTick = 102;
inline constexpr int16_t kSoundPixelCrack = 103;
inline constexpr int16_t kSoundCatchGood = 104;   // fire ball, auto paddle
inline constexpr int16_t kSoundCatchOther = 105;  // inverted control, the shake
inline constexpr int16_t kSoundLostBall = 106;
inline constexpr int16_t kSoundFireWhoosh = 107;
inline constexpr int16_t kSoundFireCrackle = 108;
inline constexpr int16_t kSoundEndFanfare = 109;
inline constexpr int16_t kSoundClick = 110;
inline constexpr int16_t kSoundRattle = 111;

// ---- style sheets ----------------------------------------------------------
// Sheet s uses the numbers from (s + 1) * 1000: the sheet's number plus one,
// "00" and the slot. Ball icons are in slots 0-9, paddle bitmaps in 0-3, and
// the tilt picture and the panel in these two.
inline constexpr int kPaddleTiltSlot = 4;
inline constexpr int kPanelSlot = 5;
inline int SheetPictureNumber(int16_t sheet, int slot) {
  return std::stoi(std::to_string(sheet + 1) + "00" + std::to_string(slot));
}

// ---- power-ups -------------------------------------------------------------
// Icon "10" followed by the kind (101 to 107) falls; while an effect runs the
// panel shows the fire ball's first flame or the icon of kind 6 or 7.
inline int PowerUpIconNumber(int16_t kind) { return std::stoi("10" + std::to_string(kind)); }
inline constexpr int kInvertedControlIcon = 106;
inline constexpr int kAutoPaddleIcon = 107;
// The burning ball: one icon per frame, 6000 to 6009.
inline constexpr int kFireBallIconFirst = 6000;

// ---- the side windows ------------------------------------------------------
inline constexpr int kSponsorBannerBitmap = 9000;
inline constexpr int kAboutPictureBitmap = 9001;

}  // namespace res
