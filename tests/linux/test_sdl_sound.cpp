// Sound through SDL's queue: a new sound replaces what is queued, stopping
// empties the queue, and without a device everything stays silent.
#include <vector>

#include "tests/linux/x_fixture.h"
#include "toolkit/linux/sdl_sound.h"

namespace {

// An 8-bit mono PCM WAV of `samples` samples at `rate` Hz: a square wave.
std::vector<uint8_t> SquareWave(uint32_t rate, uint32_t samples) {
  std::vector<uint8_t> v;
  auto put = [&v](uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
  };
  auto tag = [&v](const char* t) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF"), put(36 + samples, 4), tag("WAVE");
  tag("fmt "), put(16, 4), put(1, 2) /* PCM */, put(1, 2) /* mono */, put(rate, 4),
      put(rate, 4) /* bytes/s */;
  put(1, 2) /* block align */, put(8, 2) /* bits */;
  tag("data"), put(samples, 4);
  for (uint32_t i = 0; i < samples; ++i) v.push_back((i / 20) % 2 ? 200 : 56);
  return v;
}

}  // namespace

TEST(SdlSound, ANewSoundReplacesTheQueueAndStopEmptiesIt) {
  xtest::ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  tk::gtkx::SdlSound sound;
  ASSERT_TRUE(sound.Available()) << "the dummy audio driver should always open";
  const auto longSound = SquareWave(11025, 11025);  // one second
  const auto shortSound = SquareWave(11025, 1102);  // a tenth
  ASSERT_TRUE(sound.Play(longSound));
  const uint32_t queuedLong = sound.Queued();
  // Converted to the device's format: far more bytes than the tenth of a second.
  EXPECT_GT(queuedLong, 40000u);
  ASSERT_TRUE(sound.Play(shortSound));
  const uint32_t queuedShort = sound.Queued();
  EXPECT_LT(queuedShort, queuedLong / 5) << "the long sound must be cut off, not followed";
  EXPECT_GT(queuedShort, 0u);
  // The same sound again (a tick that restarts it) starts it over.
  ASSERT_TRUE(sound.Play(shortSound));
  EXPECT_NEAR(sound.Queued(), queuedShort, 2048);
  sound.Stop();
  EXPECT_EQ(sound.Queued(), 0u);

  // Bytes that are no WAV play nothing.
  std::vector<uint8_t> cut = SquareWave(11025, 100);
  cut.resize(30);
  for (const std::vector<uint8_t>& junk :
       {std::vector<uint8_t>(200, 0x42), std::vector<uint8_t>{}, cut})
    EXPECT_FALSE(sound.Play(junk));
}

TEST(SdlSound, WithoutADeviceTheGameStaysSilent) {
  xtest::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-audio-driver");
  tk::gtkx::SdlSound sound;
  EXPECT_FALSE(sound.Available());
  EXPECT_FALSE(sound.Play(SquareWave(11025, 500)));
  sound.Stop();
  EXPECT_EQ(sound.Queued(), 0u);
}
