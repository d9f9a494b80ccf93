// The equaliser, echo and reverb change the sound as their parameters say,
// and the spectrum shows where a tone lies.
#include <algorithm>
#include <cstring>
#include <random>

#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

double Db(double ratio) { return 20.0 * std::log10(ratio); }

class Effects : public BassTest {
 protected:
  // Plays `pcm` from a WAV file with `setup` applied to its channel and
  // returns the device's output for `ms`.
  template <class Setup>
  std::vector<std::int16_t> Render(const Pcm& pcm, std::uint64_t ms, Setup setup) {
    HSTREAM h = OpenStream(Write("in" + std::to_string(++files_) + ".wav", WavBytes(pcm)));
    EXPECT_NE(h, 0u);
    setup(h);
    VelkoBass_CaptureOutput(TRUE);
    EXPECT_TRUE(BASS_StreamPlay(h, FALSE, 0));
    PlayMs(ms);
    std::vector<std::int16_t> out(ms * 441 / 10 * 2);
    out.resize(VelkoBass_ReadOutput(out.data(), static_cast<DWORD>(out.size() * 2)) / 2);
    BASS_StreamFree(h);
    return out;
  }
  int files_ = 0;
};

TEST_F(Effects, EqualiserBandRaisesItsCentreAndLeavesFarFrequencies) {
  auto with_band = [](HSTREAM h) {
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_PARAMEQ);
    ASSERT_NE(fx, 0u);
    BASS_FXPARAMEQ eq{1000.0f, 12.0f, 15.0f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &eq));
  };
  auto plain = [](HSTREAM) {};
  const Pcm tone = Sine(1000, 0.5, 44100, 2, 0.1);
  const double boosted = Rms(Render(tone, 400, with_band), 4410, 17640);
  const double flat = Rms(Render(tone, 400, plain), 4410, 17640);
  EXPECT_NEAR(Db(boosted / flat), 15.0, 1.0);

  const Pcm low = Sine(100, 0.5, 44100, 2, 0.1);
  const double low_boosted = Rms(Render(low, 400, with_band), 4410, 17640);
  const double low_flat = Rms(Render(low, 400, plain), 4410, 17640);
  EXPECT_NEAR(Db(low_boosted / low_flat), 0.0, 1.0);
}

TEST_F(Effects, EchoRepeatsAnImpulseAfterItsDelay) {
  Pcm impulse;
  impulse.samples.assign(44100 * 2, 0);
  impulse.samples[1000 * 2] = impulse.samples[1000 * 2 + 1] = 16000;
  const std::vector<std::int16_t> out = Render(impulse, 800, [](HSTREAM h) {
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_ECHO);
    BASS_FXECHO echo{50.0f, 40.0f, 100.0f, 250.0f, FALSE};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &echo));
  });
  ASSERT_GE(out.size(), 30000u * 2);
  EXPECT_EQ(out[1000 * 2], 8000);  // dry half
  // Left repeats after 100 ms (4410 frames), right after 250 ms.
  EXPECT_EQ(out[(1000 + 4410) * 2], 8000);
  EXPECT_EQ(out[(1000 + 4410) * 2 + 1], 0);
  EXPECT_EQ(out[(1000 + 11025) * 2 + 1], 8000);
  // With 40 % feedback the second left repeat is 40 % of the first.
  EXPECT_EQ(out[(1000 + 8820) * 2], 3200);
  int others = 0;
  for (std::size_t i = 1001; i < 1000 + 4410; ++i) others += out[i * 2] != 0;
  EXPECT_EQ(others, 0) << "nothing between the impulse and its echo";
}

TEST_F(Effects, ReverbTailDecaysOverItsReverbTime) {
  Pcm burst;
  burst.samples.assign(44100 * 2 * 2, 0);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(-12000, 12000);
  for (std::size_t i = 0; i < 2205 * 2; ++i) burst.samples[i] = static_cast<std::int16_t>(noise(random));
  const std::vector<std::int16_t> out = Render(burst, 1500, [](HSTREAM h) {
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB);
    BASS_FXREVERB reverb{0.0f, 0.0f, 1000.0f, 0.999f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &reverb));
  });
  auto window = [&](int start_ms) {
    return Rms(out, static_cast<std::size_t>(start_ms) * 441 / 10,
               static_cast<std::size_t>(start_ms + 50) * 441 / 10);
  };
  const double early = window(100);
  ASSERT_GT(early, 30.0) << "a tail follows the burst";
  // 60 dB over the reverb time: about 30 dB after half of it.
  EXPECT_NEAR(Db(early / window(600)), 30.0, 8.0);
  EXPECT_NEAR(Db(early / window(350)), 15.0, 6.0);
}

TEST_F(Effects, NewEffectsStartWithTheirDefaultsAndSetClamps) {
  HSTREAM h = OpenStream(Write("t.wav", WavBytes(Sine(440, 0.1))));
  VelkoBass_ResetCounters();
  HFX eq = BASS_ChannelSetFX(h, BASS_FX_PARAMEQ);
  HFX echo = BASS_ChannelSetFX(h, BASS_FX_ECHO);
  HFX reverb = BASS_ChannelSetFX(h, BASS_FX_REVERB);
  ASSERT_TRUE(eq && echo && reverb);
  EXPECT_EQ(BASS_ChannelSetFX(h, BASS_FX_FLANGER), 0u);
  EXPECT_EQ(BASS_ChannelSetFX(1, BASS_FX_ECHO), 0u);

  BASS_FXPARAMEQ p{};
  ASSERT_TRUE(BASS_FXGetParameters(eq, &p));
  EXPECT_EQ(p.fCenter, 8000.0f);
  EXPECT_EQ(p.fBandwidth, 12.0f);
  EXPECT_EQ(p.fGain, 0.0f);
  BASS_FXECHO e{};
  ASSERT_TRUE(BASS_FXGetParameters(echo, &e));
  EXPECT_EQ(e.fWetDryMix, 50.0f);
  EXPECT_EQ(e.fFeedback, 50.0f);
  EXPECT_EQ(e.fLeftDelay, 500.0f);
  EXPECT_EQ(e.fRightDelay, 500.0f);
  EXPECT_EQ(e.lPanDelay, FALSE);
  BASS_FXREVERB r{};
  ASSERT_TRUE(BASS_FXGetParameters(reverb, &r));
  EXPECT_EQ(r.fInGain, 0.0f);
  EXPECT_EQ(r.fReverbMix, 0.0f);
  EXPECT_EQ(r.fReverbTime, 1000.0f);
  EXPECT_EQ(r.fHighFreqRTRatio, 0.001f);

  p = {20.0f, 40.0f, 20.0f};
  ASSERT_TRUE(BASS_FXSetParameters(eq, &p));
  ASSERT_TRUE(BASS_FXGetParameters(eq, &p));
  EXPECT_EQ(p.fCenter, 80.0f);
  EXPECT_EQ(p.fBandwidth, 36.0f);
  EXPECT_EQ(p.fGain, 15.0f);
  e = {150.0f, -3.0f, 0.0f, 5000.0f, TRUE};
  ASSERT_TRUE(BASS_FXSetParameters(echo, &e));
  ASSERT_TRUE(BASS_FXGetParameters(echo, &e));
  EXPECT_EQ(e.fWetDryMix, 100.0f);
  EXPECT_EQ(e.fFeedback, 0.0f);
  EXPECT_EQ(e.fLeftDelay, 1.0f);
  EXPECT_EQ(e.fRightDelay, 2000.0f);
  EXPECT_EQ(e.lPanDelay, TRUE);
  r = {-200.0f, 5.0f, 9000.0f, 1.0f};
  ASSERT_TRUE(BASS_FXSetParameters(reverb, &r));
  ASSERT_TRUE(BASS_FXGetParameters(reverb, &r));
  EXPECT_EQ(r.fInGain, -96.0f);
  EXPECT_EQ(r.fReverbMix, 0.0f);
  EXPECT_EQ(r.fReverbTime, 3000.0f);
  EXPECT_EQ(r.fHighFreqRTRatio, 0.999f);

  EXPECT_EQ(VelkoBass_FXParameterCalls(TRUE), 3u);
  EXPECT_EQ(VelkoBass_FXParameterCalls(FALSE), 6u);
  ASSERT_TRUE(BASS_ChannelRemoveFX(h, echo));
  EXPECT_FALSE(BASS_ChannelRemoveFX(h, echo));
  EXPECT_FALSE(BASS_FXGetParameters(echo, &e));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Effects, InfoReportsDirectSound8WithoutWritingPastItsSize) {
  BASS_INFO info[2];
  std::memset(info, 0xAB, sizeof(info));
  info[0].size = sizeof(BASS_INFO);
  BASS_GetInfo(&info[0]);
  EXPECT_EQ(info[0].size, 48u);
  EXPECT_EQ(info[0].dsver, 8u);
  EXPECT_EQ(info[1].size, 0xABABABABu);
  BASS_INFO small;
  std::memset(&small, 0xAB, sizeof(small));
  small.size = 8;
  BASS_GetInfo(&small);
  EXPECT_EQ(small.flags, 0u);
  EXPECT_EQ(small.hwsize, 0xABABABABu);
  EXPECT_EQ(small.dsver, 0xABABABABu);
}

TEST_F(Effects, FftOfAFullScaleSinePeaksInItsBin) {
  HSTREAM h = OpenStream(Write("k.wav", WavBytes(Sine(1000, 1.0, 44100, 2, 1.0))));
  float bins[256];
  EXPECT_EQ(BASS_ChannelGetData(h, bins, BASS_DATA_FFT512), 0xFFFFFFFFu) << "not playing";
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(100);
  ASSERT_EQ(BASS_ChannelGetData(h, bins, BASS_DATA_FFT512), 256u * sizeof(float));
  const auto peak = std::max_element(bins, bins + 256) - bins;
  EXPECT_EQ(peak, 12);
  EXPECT_GE(bins[12], 0.5f);
  EXPECT_LE(bins[12], 1.0f);
  EXPECT_LT(bins[40], 0.01f);
  ASSERT_TRUE(BASS_ChannelPause(h));
  EXPECT_EQ(BASS_ChannelGetData(h, bins, BASS_DATA_FFT512), 0xFFFFFFFFu);
  EXPECT_EQ(BASS_ChannelGetData(0, bins, BASS_DATA_FFT512), 0xFFFFFFFFu);
}

TEST_F(Effects, VolumePanAndGlobalVolumesScaleTheMix) {
  const Pcm tone = Sine(440, 0.5, 44100, 2, 0.5);
  const double full = Rms(Render(tone, 200, [](HSTREAM) {}), 0, 8820);
  auto half_left = Render(tone, 200, [](HSTREAM h) { BASS_ChannelSetAttributes(h, -1, 50, -100); });
  EXPECT_NEAR(Rms(half_left, 0, 8820, 2, 0) / full, 0.5, 0.01);
  EXPECT_EQ(Rms(half_left, 0, 8820, 2, 1), 0.0);
  ASSERT_TRUE(BASS_SetGlobalVolumes(-1, -1, 25));
  int music = 0, sample = 0, stream = 0;
  ASSERT_TRUE(BASS_GetGlobalVolumes(&music, &sample, &stream));
  EXPECT_EQ(music, 100);
  EXPECT_EQ(stream, 25);
  EXPECT_NEAR(Rms(Render(tone, 200, [](HSTREAM) {}), 0, 8820) / full, 0.25, 0.01);
  BASS_SetGlobalVolumes(100, 100, 100);
}

}  // namespace
}  // namespace bass_test
