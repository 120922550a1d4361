// Sound through SDL2's audio subsystem only: one device, a queue of samples,
// a new sound clears the queue before its samples go in, and stopping clears
// it. Where no audio device can be opened the program stays silent.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tk::gtkx {

class SdlSound {
 public:
  SdlSound() = default;
  ~SdlSound();
  SdlSound(const SdlSound&) = delete;
  SdlSound& operator=(const SdlSound&) = delete;

  // Starts a WAV image (RIFF file in memory), cutting off what plays. False
  // when it cannot be decoded or there is no device.
  bool Play(std::span<const uint8_t> wav);
  void Stop();
  // Opens the device on first use; false when there is none.
  bool Available();
  // Bytes still waiting in the device's queue (tests and diagnostics).
  uint32_t Queued() const;

  // Samples per device buffer.
  static constexpr uint16_t kBufferSamples = 512;

 private:
  bool tried_ = false;
  uint32_t device_ = 0;
  // The device's format, which every sound is converted to.
  int freq_ = 0;
  uint16_t format_ = 0;
  uint8_t channels_ = 0;
  // The last sound converted, kept for a sound that restarts on every tick.
  std::vector<uint8_t> last_wav_, last_pcm_;
};

}  // namespace tk::gtkx
