// Sound through SDL's queue: a new sound replaces what is queued, stopping
// empties the queue, and without a device everything stays silent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/linux/sdl_sound.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// An 8-bit mono PCM WAV of `samples` samples at `rate` Hz: a square wave.
std::vector<uint8_t> SquareWave(uint32_t rate, uint32_t samples) {
  std::vector<uint8_t> v;
  v.reserve(44 + samples);
  auto tag = [&v](const char* t) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  Put32(v, 36 + samples);
  tag("WAVE");
  tag("fmt ");
  Put32(v, 16);
  Put16(v, 1);  // PCM
  Put16(v, 1);  // mono
  Put32(v, rate);
  Put32(v, rate);  // bytes per second
  Put16(v, 1);     // block align
  Put16(v, 8);     // bits
  tag("data");
  Put32(v, samples);
  for (uint32_t i = 0; i < samples; ++i) v.push_back((i / 20) % 2 ? 200 : 56);
  return v;
}

class SoundTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("SDL_AUDIODRIVER");
    saved_ = old ? old : "";
    had_ = old != nullptr;
  }
  void TearDown() override {
    if (had_) setenv("SDL_AUDIODRIVER", saved_.c_str(), 1);
    else unsetenv("SDL_AUDIODRIVER");
  }
  std::string saved_;
  bool had_ = false;
};

}  // namespace

TEST_F(SoundTest, ANewSoundReplacesTheQueueAndStopEmptiesIt) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  tk::gtkx::SdlSound sound;
  ASSERT_TRUE(sound.Available()) << "the dummy audio driver should always open";
  const auto longSound = SquareWave(11025, 11025);   // one second
  const auto shortSound = SquareWave(11025, 1102);   // a tenth
  ASSERT_TRUE(sound.Play(longSound));
  uint32_t queuedLong = sound.Queued();
  // Converted to the device's format: far more bytes than the tenth of a second.
  EXPECT_GT(queuedLong, 40000u);
  ASSERT_TRUE(sound.Play(shortSound));
  uint32_t queuedShort = sound.Queued();
  EXPECT_LT(queuedShort, queuedLong / 5) << "the long sound must be cut off, not followed";
  EXPECT_GT(queuedShort, 0u);
  // The same sound again (a tick that restarts it) starts it over.
  ASSERT_TRUE(sound.Play(shortSound));
  EXPECT_GE(sound.Queued() + 2048, queuedShort);
  EXPECT_LE(sound.Queued(), queuedShort + 2048);
  sound.Stop();
  EXPECT_EQ(sound.Queued(), 0u);
  sound.Stop();  // stopping silence is fine
  EXPECT_EQ(sound.Queued(), 0u);
}

TEST_F(SoundTest, BytesThatAreNoWavPlayNothing) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  tk::gtkx::SdlSound sound;
  ASSERT_TRUE(sound.Available());
  ASSERT_TRUE(sound.Play(SquareWave(22050, 22050)));
  std::vector<uint8_t> junk(200, 0x42);
  EXPECT_FALSE(sound.Play(junk));
  EXPECT_FALSE(sound.Play({}));
  auto cut = SquareWave(11025, 100);
  cut.resize(30);  // header cut off
  EXPECT_FALSE(sound.Play(cut));
}

TEST_F(SoundTest, WithoutADeviceTheGameStaysSilent) {
  setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
  tk::gtkx::SdlSound sound;
  EXPECT_FALSE(sound.Available());
  EXPECT_FALSE(sound.Play(SquareWave(11025, 500)));
  sound.Stop();
  EXPECT_EQ(sound.Queued(), 0u);
}
