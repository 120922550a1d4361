// The sound effects: one WAV image at a time, played from memory and cut off
// by the next one.
#include "game/mdlLumbravick.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace mdlLumbravick {

std::vector<uint8_t> SoundBuffer;

bool PlaySound(int16_t id) {
  tk::trace::Event("sound").Int("id", id);
  bool started = false;
  std::span<const uint8_t> wav = tk::LoadSoundResource(id);
  if (!wav.empty()) {
    // The sound still playing reads the old image until the new one replaces
    // it, so the old image is released only after the hand-over.
    std::vector<uint8_t> previous(wav.begin(), wav.end());
    SoundBuffer.swap(previous);
    started = tk::PlayWav(SoundBuffer);
  }
  // Pending events run here, in the middle of whatever played the sound.
  tk::DoEvents();
  return started;
}

void StopSound() { tk::StopWav(); }

}  // namespace mdlLumbravick
