#include "toolkit/linux/sdl_sound.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace tk::gtkx {

SdlSound::~SdlSound() {
  if (device_) SDL_CloseAudioDevice(device_);
  if (tried_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSound::Available() {
  if (tried_) return device_ != 0;
  tried_ = true;
  // The program handles its own signals; SDL must not turn them into events.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kBufferSamples;
  want.callback = nullptr;  // queue API
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) return false;
  freq_ = have.freq;
  format_ = have.format;
  channels_ = have.channels;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

bool SdlSound::Play(std::span<const uint8_t> wav) {
  if (wav.empty() || !Available()) return false;
  bool same =
      wav.size() == last_wav_.size() && std::equal(wav.begin(), wav.end(), last_wav_.begin());
  if (!same) {
    SDL_AudioSpec spec{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &spec, &data, &length)) return false;
    SDL_AudioCVT cvt{};
    int needed =
        SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, format_, channels_, freq_);
    if (needed < 0) {
      SDL_FreeWAV(data);
      return false;
    }
    std::vector<uint8_t> pcm(static_cast<size_t>(length) *
                             static_cast<size_t>(std::max(cvt.len_mult, 1)));
    std::memcpy(pcm.data(), data, length);
    SDL_FreeWAV(data);
    if (needed > 0) {
      cvt.buf = pcm.data();
      cvt.len = static_cast<int>(length);
      if (SDL_ConvertAudio(&cvt) != 0) return false;
      pcm.resize(static_cast<size_t>(cvt.len_cvt));
    } else {
      pcm.resize(length);
    }
    last_wav_.assign(wav.begin(), wav.end());
    last_pcm_ = std::move(pcm);
  }
  SDL_ClearQueuedAudio(device_);
  if (last_pcm_.empty()) return true;
  return SDL_QueueAudio(device_, last_pcm_.data(), static_cast<Uint32>(last_pcm_.size())) == 0;
}

void SdlSound::Stop() {
  if (device_) SDL_ClearQueuedAudio(device_);
}

uint32_t SdlSound::Queued() const { return device_ ? SDL_GetQueuedAudioSize(device_) : 0; }

}  // namespace tk::gtkx
