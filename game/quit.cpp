// The end of a game, whatever ended it: the result goes to the end screen, and
// when the player closes it the desktop is given back and the program ends.
#include <cmath>
#include <string>

#include "game/frmMain.h"
#include "game/mdlLumbravick.h"
#include "game/results.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"
#include "windows/frmEndScreen.h"

namespace game {

std::string PlayTimeText(const std::string& playTime, int32_t total, int32_t standing, bool done) {
  int64_t destroyed = static_cast<int64_t>(total) - standing;
  std::string suffix;
  if (destroyed > 0 && done)
    suffix =
        " and destroyed " + std::to_string(destroyed) + " of " + std::to_string(total) + " pixels.";
  return "You were playing " + playTime + suffix;
}

bool SpeedText(int32_t total, int32_t standing, bool done, int64_t wholeSeconds,
               std::string& text) {
  int64_t destroyed = static_cast<int64_t>(total) - standing;
  if (destroyed <= 0 || !done) {
    text = "You didn't even destroy one pixel of an icon.\r\nWe are very disappointed.";
    return true;
  }
  if (standing <= 0) {
    text =
        "Congratulation! You have destroyed all pixels of your icons. We are sure you don't have "
        "lots of icons. You can make your game more difficult, if you add more icons on your "
        "desktop.";
    return true;
  }
  // No whole second played: the speed cannot be computed and the text stays empty.
  if (wholeSeconds == 0) return false;
  double speed = static_cast<double>(destroyed) / static_cast<double>(wholeSeconds);
  text = "Your pixel destroy speed was " + tk::FormatNumber(speed) + " pps (pixels per second)\r\n";
  if (standing <= 500)
    text += "You shouldn't give up. You nearly got it.";
  else if (total / 2.0 >= standing)
    text += "At least you cleaned up more than half of your desktop.";
  else
    text += "Perhaps you will succeed next time.";
  return true;
}

}  // namespace game

void frmMain::Quit() {
  QuitStarted = true;
  mdlLumbravick::SaveStyleSheetSetting();
  CursorShow();
  frmEndScreen& end = EndScreen();
  end.Load();

  std::string playTime = tk::TimeOfDayText(WholeSecondsSinceStart(tk::GetTickCount()));
  end.lblPlayTime.SetCaption(
      game::PlayTimeText(playTime, IconPixelsTotal, IconPixels, IconPixelsDone));
  std::string speed;
  if (game::SpeedText(IconPixelsTotal, IconPixels, IconPixelsDone,
                      WholeSecondsSinceStart(tk::GetTickCount()), speed))
    end.lblSpeed.SetCaption(speed);

  end.tmrEndSequence.SetEnabled(true);
  tk::trace::Event("end_screen")
      .Str("play_time", end.lblPlayTime.Caption())
      .Str("speed", end.lblSpeed.Caption());
  end.Show(true);

  mdlLumbravick::StopSound();
  tk::SetTaskbarVisible(true);
  tk::MinimiseAllWindows();
  Unload();
  tk::EndProgram();
}

int64_t frmMain::WholeSecondsSinceStart(uint32_t tick) const {
  return static_cast<int64_t>(std::floor((tick - static_cast<uint32_t>(StartTick)) / 1000.0));
}
