// Effects (flanger, equaliser, echo, reverb) and the 25-band spectrum.
#include <cmath>
#include <vector>

#include "classlib/Timers.h"
#include "playback/PluginCtrl.h"
#include "playback/RT_BASS.h"
#include "platform/core/clock.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/playback/player_fixture.h"

namespace playback_test {
namespace {

using bass_test::Sine;
using bass_test::WavBytes;

const TEffectFlags kAllEffects{efFlanger, efEqualizer, efEcho, efReverb};

class Effects : public PlaybackTest {
 protected:
  std::string Wav(const std::string& name, const bass_test::Pcm& pcm) {
    return folder_->WriteFile(name, WavBytes(pcm));
  }
  DWORD SetCalls() { return bass_.FXParameterCalls(TRUE); }
  DWORD GetCalls() { return bass_.FXParameterCalls(FALSE); }
};

TEST_F(Effects, EffectsChosenBeforeOpenGoOntoTheNewChannel) {
  TBASSPlayer& player = MakePlayer();
  player.SetEffects(kAllEffects);
  EXPECT_EQ(player.EffectFlags, kAllEffects);
  EXPECT_EQ(player.DSPHandle(), 0u) << "no channel: the flags are only stored";
  EXPECT_EQ(SetCalls(), 0u);

  ASSERT_TRUE(player.Open(Wav("a.wav", Sine(440, 2.0))));
  EXPECT_NE(player.DSPHandle(), 0u);
  for (HFX handle : player.EQHandles()) EXPECT_NE(handle, 0u);
  ASSERT_NE(player.EchoHandle(), 0u);
  ASSERT_NE(player.ReverbHandle(), 0u);

  BASS_FXECHO echo{};
  ASSERT_TRUE(RT_BASS::BASS_FXGetParameters(player.EchoHandle(), &echo));
  EXPECT_FLOAT_EQ(echo.fWetDryMix, 30);
  EXPECT_FLOAT_EQ(echo.fFeedback, 30);
  BASS_FXREVERB reverb{};
  ASSERT_TRUE(RT_BASS::BASS_FXGetParameters(player.ReverbHandle(), &reverb));
  EXPECT_FLOAT_EQ(reverb.fInGain, 0);
  EXPECT_FLOAT_EQ(reverb.fReverbMix, 0);
  EXPECT_FLOAT_EQ(reverb.fReverbTime, 1000);
  EXPECT_FLOAT_EQ(reverb.fHighFreqRTRatio, 0.1f);
  BASS_FXPARAMEQ band{};
  ASSERT_TRUE(RT_BASS::BASS_FXGetParameters(player.EQHandles()[5], &band));
  EXPECT_FLOAT_EQ(band.fCenter, 3000);
  EXPECT_FLOAT_EQ(band.fBandwidth, 6);
  EXPECT_FLOAT_EQ(band.fGain, 0);

  // The choice survives the next song, whose channel gets effects of its own.
  const HFX old_echo = player.EchoHandle();
  ASSERT_TRUE(player.Open(Wav("b.wav", Sine(440, 1.0))));
  EXPECT_NE(player.EchoHandle(), 0u);
  EXPECT_NE(player.EchoHandle(), old_echo);
  EXPECT_NE(player.DSPHandle(), 0u);

  player.SetEffects({efEcho});
  EXPECT_EQ(player.DSPHandle(), 0u);
  EXPECT_EQ(player.ReverbHandle(), 0u);
  for (HFX handle : player.EQHandles()) EXPECT_EQ(handle, 0u);
  EXPECT_NE(player.EchoHandle(), 0u);
  player.SetEffects({});
  EXPECT_EQ(player.EchoHandle(), 0u);
}

TEST_F(Effects, EqualiserGainsAreClampedAndTinyChangesSkipped) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(Wav("a.wav", Sine(440, 2.0))));
  TEQGains gains{};
  gains[0] = 20;
  gains[1] = -20;
  gains[2] = 3;
  player.SetEQGains(gains);
  EXPECT_FLOAT_EQ(player.EQGains()[0], 15);
  EXPECT_FLOAT_EQ(player.EQGains()[1], -15);
  EXPECT_FLOAT_EQ(player.EQGains()[2], 3);
  EXPECT_EQ(SetCalls(), 0u) << "no equaliser on the channel: gains are only kept";

  player.SetEffects({efEqualizer});
  BASS_FXPARAMEQ band{};
  ASSERT_TRUE(RT_BASS::BASS_FXGetParameters(player.EQHandles()[0], &band));
  EXPECT_FLOAT_EQ(band.fGain, 15) << "the kept gains go on with the equaliser";
  ASSERT_TRUE(RT_BASS::BASS_FXGetParameters(player.EQHandles()[1], &band));
  EXPECT_FLOAT_EQ(band.fGain, -15);

  bass_.ResetCounters();
  gains[2] = 3.0005f;
  gains[3] = 0.0009f;
  player.SetEQGains(gains);
  EXPECT_EQ(GetCalls(), 10u) << "every band is read";
  EXPECT_EQ(SetCalls(), 0u) << "changes under 0.001 dB are not applied";
  EXPECT_FLOAT_EQ(player.EQGains()[2], 3.0005f) << "but kept";

  bass_.ResetCounters();
  gains[2] = 3.0015f;
  gains[9] = -6;
  player.SetEQGains(gains);
  EXPECT_EQ(SetCalls(), 2u);
  ASSERT_TRUE(RT_BASS::BASS_FXGetParameters(player.EQHandles()[9], &band));
  EXPECT_FLOAT_EQ(band.fGain, -6);
  EXPECT_FLOAT_EQ(band.fCenter, 14000);
  EXPECT_FLOAT_EQ(band.fBandwidth, 3);
}

TEST_F(Effects, FlangerIsLeftOffMonoChannels) {
  TBASSPlayer& player = MakePlayer();
  player.SetEffects(kAllEffects);
  ASSERT_TRUE(player.Open(Wav("mono.wav", Sine(440, 1.0, 44100, 1))));
  EXPECT_EQ(player.DSPHandle(), 0u);
  EXPECT_NE(player.EchoHandle(), 0u) << "the other effects work on any channel";
  player.Play();
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 100u);
}

// The flanger's delay line starts empty: the first frames pass unchanged,
// and an impulse comes back about 175 frames later, split between the two
// neighbouring frames of the fractional delay.
TEST_F(Effects, FlangerMixesInTheSignalFromHalfTheLineAgo) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(Wav("a.wav", Sine(440, 1.0))));
  player.SetEffects({efFlanger});  // starts the delay line afresh
  ASSERT_NE(player.DSPHandle(), 0u);

  std::vector<std::int16_t> frames(2 * 400, 0);
  frames[0] = 1000;    // left impulse
  frames[1] = -20000;  // right impulse
  FlangerDSP(player.DSPHandle(), player.ChannelHandle(), frames.data(),
             static_cast<DWORD>(frames.size() * 2), 0);
  EXPECT_EQ(frames[0], 1000);
  EXPECT_EQ(frames[1], -20000);
  for (int i = 1; i < 174; ++i) {
    ASSERT_EQ(frames[2 * i], 0) << i;
    ASSERT_EQ(frames[2 * i + 1], 0) << i;
  }
  // Frame i reads the line at i + 175 (mod 350) and the entry after it,
  // weighted by the sweep's fraction; the sweep is a 32-bit float that
  // grows by 0.002 every frame.
  float sweep = 175.0f;
  for (int i = 0; i < 174; ++i) sweep += 0.002f;
  const float f174 = sweep - 175.0f;
  const float f175 = (sweep + 0.002f) - 175.0f;
  EXPECT_EQ(frames[2 * 174], static_cast<int>(f174 * 1000));
  EXPECT_EQ(frames[2 * 175], static_cast<int>((1.0f - f175) * 1000));
  EXPECT_EQ(frames[2 * 175 + 1], static_cast<int>((1.0f - f175) * -20000));
  for (int i = 176; i < 400; ++i) ASSERT_EQ(frames[2 * i], 0) << i;

  // Loud input clips instead of wrapping round.
  std::vector<std::int16_t> loud(2 * 400, 30000);
  FlangerDSP(player.DSPHandle(), player.ChannelHandle(), loud.data(), static_cast<DWORD>(loud.size() * 2), 0);
  EXPECT_EQ(loud[2 * 399], 32767);

  // Only whole frames: two trailing bytes are left alone.
  std::vector<std::int16_t> odd = {5, 5, 5, 5, 1234};
  FlangerDSP(player.DSPHandle(), player.ChannelHandle(), odd.data(), 10, 0);
  EXPECT_EQ(odd[4], 1234);
}

class Spectrum : public Effects {
 protected:
  // Advances 10 ms at a time until the next spectrum event.
  bool NextEvent(int max_steps = 10) {
    const std::size_t before = events_.size();
    for (int i = 0; i < max_steps; ++i) {
      bass_.WaitFeeders(2000);
      platform::AdvanceClockMs(10);
      ProcessPendingMessages();
      if (events_.size() > before) return true;
    }
    return false;
  }
  void Listen(TBASSPlayer& player) {
    player.OnNewFFTData = [this](TObject* sender, const TBandOut& bands) {
      EXPECT_EQ(sender, player_);
      events_.push_back(bands);
    };
  }
  std::vector<TBandOut> events_;
};

// Bands and bins: bin k of the 512-point FFT at 44100 Hz is k x 86.1 Hz;
// 1 kHz falls in bins 11 and 12, which belong to band 4 (bins 7 to 12).
TEST_F(Spectrum, ToneRisesInItsBandAndFallsByTwoPerTickAfterIt) {
  TBASSPlayer& player = MakePlayer();
  Listen(player);
  bass_test::Pcm pcm = Sine(1000, 0.5);
  pcm.samples.resize(pcm.samples.size() + 2 * 44100, 0);  // then one second of silence
  ASSERT_TRUE(player.Open(Wav("beep.wav", pcm)));
  player.Play();
  EXPECT_TRUE(player.FFTTimer()->Enabled());
  EXPECT_EQ(player.FFTTimer()->Interval(), 33u);

  for (int i = 0; i < 8; ++i) ASSERT_TRUE(NextEvent());
  const TBandOut& playing = events_.back();
  for (int b = 0; b < NumFFTBands; ++b) {
    if (b != 4) {
      EXPECT_LT(playing[b], playing[4]) << "band " << b;
    }
  }
  EXPECT_GT(playing[4], 20);
  EXPECT_LT(playing[20], playing[4] / 10);

  // Each level is the band's largest bin scaled by (band x 0.15 + 1) x 80,
  // or the last level less 2 when that is higher.
  ASSERT_TRUE(NextEvent());
  const TBandOut before = events_[events_.size() - 2];
  float fft[256];
  ASSERT_NE(RT_BASS::BASS_ChannelGetData(player.ChannelHandle(), fft, BASS_DATA_FFT512), ~DWORD{0});
  const int last_bin[NumFFTBands] = {1,  2,  3,  6,  12, 18, 24, 30,  36,  42,  48,  54, 60,
                                     66, 72, 78, 84, 90, 96, 102, 108, 120, 132, 156, 180};
  int bin = 1;
  for (int b = 0; b < NumFFTBands; ++b) {
    float peak = 0;
    for (; bin <= last_bin[b]; ++bin) peak = std::max(peak, fft[bin]);
    const int level = static_cast<int>(std::nearbyint((b * 0.15 + 1) * peak * 80));
    const int fallen = before[b] < 2 ? 0 : before[b] - 2;
    EXPECT_EQ(player.BandOut()[b], std::max(level, fallen)) << "band " << b;
  }

  // After the tone: down by 2 a tick, to 0.
  while (events_.size() < 200 && player.GetPosition() < 560) ASSERT_TRUE(NextEvent());
  for (int tick = 0; tick < 60 && events_.back()[4] > 0; ++tick) {
    const int level = events_.back()[4];
    ASSERT_TRUE(NextEvent());
    EXPECT_EQ(events_.back()[4], level < 2 ? 0 : level - 2);
  }
  EXPECT_EQ(events_.back()[4], 0);
}

TEST_F(Spectrum, TimerStopsWhenTheChannelNoLongerPlays) {
  TBASSPlayer& player = MakePlayer();
  Listen(player);
  ASSERT_TRUE(player.Open(Wav("beep.wav", Sine(1000, 0.4))));
  player.Play();
  PlayMs(200);
  ASSERT_FALSE(events_.empty());
  player.Pause();
  PlayMs(100);
  EXPECT_FALSE(player.FFTTimer()->Enabled()) << "the next tick after the pause";
  const std::size_t paused_events = events_.size();
  PlayMs(100);
  EXPECT_EQ(events_.size(), paused_events);

  player.Resume();
  EXPECT_TRUE(player.FFTTimer()->Enabled());
  PlayMs(400);
  EXPECT_EQ(play_ends_, 1);
  EXPECT_FALSE(player.FFTTimer()->Enabled());
  EXPECT_EQ(player.BandOut(), events_.back()) << "the last levels stay";
}

TEST_F(Spectrum, NoTimerWithoutAListener) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(Wav("beep.wav", Sine(1000, 0.4))));
  player.Play();
  EXPECT_FALSE(player.FFTTimer()->Enabled());
  PlayMs(100);
  EXPECT_EQ(player.BandOut()[4], 0);
}

}  // namespace
}  // namespace playback_test
