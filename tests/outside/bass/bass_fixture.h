// Shared set-up of the audio library's tests: the silent device on the
// manual clock, files in a temporary folder, and helpers that record what a
// channel's DSP callback sees.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/bass_test_controls.h"
#include "outside/basswma/basswma_api.h"
#include "platform/core/clock.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/support/temp_dir.h"

namespace bass_test {

// Collects the 16-bit samples a channel hands to its DSP callback.
struct DspRecorder {
  std::mutex mutex;
  std::vector<std::int16_t> samples;
  int calls = 0;

  static void Proc(HDSP, DWORD, void* buffer, DWORD length, std::uintptr_t user) {
    auto* self = reinterpret_cast<DspRecorder*>(user);
    std::lock_guard<std::mutex> lock(self->mutex);
    const auto* s = static_cast<const std::int16_t*>(buffer);
    self->samples.insert(self->samples.end(), s, s + length / 2);
    ++self->calls;
  }
  std::vector<std::int16_t> Take() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::int16_t> out;
    out.swap(samples);
    return out;
  }
};

// Root mean square of interleaved samples, over [begin, end) frames of one channel.
inline double Rms(const std::vector<std::int16_t>& s, std::size_t begin, std::size_t end,
                  int channels = 2, int channel = 0) {
  double sum = 0.0;
  std::size_t n = 0;
  for (std::size_t i = begin; i < end && i * channels + channel < s.size(); ++i, ++n) {
    const double v = s[i * channels + channel];
    sum += v * v;
  }
  return n == 0 ? 0.0 : std::sqrt(sum / n);
}

class BassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UseManualClock(5'000'000);
    VelkoBass_UseSilentDevice(TRUE);
    VelkoBass_FailInit(0);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr)) << BASS_ErrorGetCode();
    ASSERT_TRUE(VelkoBass_IsSilentDevice());
  }
  void TearDown() override {
    BASS_Free();
    platform::UseRealClock();
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    return temp_.WriteFile(name, bytes).string();
  }
  HSTREAM OpenStream(const std::string& path) {
    return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  }
  // Lets the silent device consume `ms` of audio.
  void PlayMs(std::uint64_t ms) { platform::AdvanceClockMs(ms); }
  // Everything a channel decodes from its current position to its end, as
  // the DSP callback sees it.
  std::vector<std::int16_t> DecodeAll(DWORD channel, std::uint64_t max_ms = 30000) {
    DspRecorder recorder;
    HDSP dsp = BASS_ChannelSetDSP(channel, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
    EXPECT_NE(dsp, 0u);
    for (std::uint64_t t = 0; t < max_ms && BASS_ChannelIsActive(channel) == BASS_ACTIVE_PLAYING; t += 100) {
      PlayMs(100);
    }
    BASS_ChannelRemoveDSP(channel, dsp);
    return recorder.Take();
  }

  velko_test::TempDir temp_;
};

}  // namespace bass_test
