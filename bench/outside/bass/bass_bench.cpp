// Performance of the audio library stand-in:
//  - decoding, mixing, the ten-band equaliser, echo, reverb and one FFT per
//    33 ms for 60 s of 44.1 kHz stereo MP3, all on the mixer thread, as a
//    multiple of real time (goal: at least 150);
//  - the share of one core the device's thread uses while one MP3 with all
//    effects plays in real time on the silent device (goal: under 1.5 %);
//  - time from BASS_StreamCreateFile to the first consumed sample of a
//    5-minute MP3 (goal: under 30 ms), with and without asking for the exact
//    length in between, as the player does.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "outside/bass/bass_api.h"
#include "outside/bass/bass_test_controls.h"
#include "platform/core/clock.h"
#include "tests/outside/bass/audio_files.h"

namespace {

using Clock = std::chrono::steady_clock;

// Five minutes of a music-like signal (chords and noise) as a 128 kbit/s MP3,
// written once per run.
const std::string& FiveMinuteMp3() {
  static const std::string path = [] {
    bass_test::Pcm pcm;
    pcm.rate = 44100;
    pcm.channels = 2;
    const std::size_t frames = 44100 * 300;
    pcm.samples.resize(frames * 2);
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 600.0);
    for (std::size_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / 44100.0;
      const double v = 6000 * std::sin(2 * M_PI * 220 * t) + 4000 * std::sin(2 * M_PI * 330 * t) +
                       3000 * std::sin(2 * M_PI * 440 * t * (1 + 0.01 * std::sin(t)));
      pcm.samples[2 * i] = static_cast<std::int16_t>(v + noise(random));
      pcm.samples[2 * i + 1] = static_cast<std::int16_t>(0.8 * v + noise(random));
    }
    const std::string file =
        (std::filesystem::temp_directory_path() / "velko-bench-5min.mp3").string();
    std::ofstream(file, std::ios::binary) << bass_test::Mp3Bytes(pcm);
    return file;
  }();
  return path;
}

// The player's effect set: ten equaliser bands with gains, echo and reverb.
void PutAllEffects(HSTREAM h) {
  const float centres[10] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};
  const float widths[10] = {4, 4, 4, 4, 5, 6, 5, 4, 3, 3};
  for (int i = 0; i < 10; ++i) {
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_PARAMEQ);
    BASS_FXPARAMEQ eq{centres[i], widths[i], (i % 3 - 1) * 6.0f};
    BASS_FXSetParameters(fx, &eq);
  }
  HFX echo = BASS_ChannelSetFX(h, BASS_FX_ECHO);
  BASS_FXECHO e{30, 30, 500, 500, FALSE};
  BASS_FXSetParameters(echo, &e);
  HFX reverb = BASS_ChannelSetFX(h, BASS_FX_REVERB);
  BASS_FXREVERB r{0, 0, 1000, 0.1f};
  BASS_FXSetParameters(reverb, &r);
}

double ThreadCpuSeconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Learns the CPU clock of the thread that runs DSP callbacks: the mixer.
std::atomic<bool> g_have_mixer_clock{false};
clockid_t g_mixer_clock;
void NoteMixerThread(HDSP, DWORD, void*, DWORD, std::uintptr_t) {
  if (!g_have_mixer_clock) {
    pthread_getcpuclockid(pthread_self(), &g_mixer_clock);
    g_have_mixer_clock = true;
  }
}

void BM_SixtySecondsAllEffectsOneCore(benchmark::State& state) {
  const std::string& file = FiveMinuteMp3();
  platform::UseManualClock(1'000'000);
  VelkoBass_UseSilentDevice(TRUE);
  BASS_Init(-1, 44100, 0, nullptr);
  double cpu = 0.0, wall = 0.0;
  for (auto _ : state) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
    PutAllEffects(h);
    BASS_StreamGetLength(h);  // let the length scan finish outside the timing
    g_have_mixer_clock = false;
    HDSP probe = BASS_ChannelSetDSP(h, &NoteMixerThread, 0);
    BASS_StreamPlay(h, FALSE, 0);
    platform::AdvanceClockMs(1);
    BASS_ChannelRemoveDSP(h, probe);
    float bins[256];
    // The work, wherever it runs: the mixer thread's (decoding, mixing,
    // effects) plus this thread's (the spectrum). Waiting costs neither.
    const double mixer_start = ThreadCpuSeconds(g_mixer_clock);
    const double own_start = ThreadCpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const auto start = Clock::now();
    // 60 s in 33 ms steps, one spectrum each, as the player's timer does.
    for (int ms = 0; ms < 60000; ms += 33) {
      platform::AdvanceClockMs(33);
      benchmark::DoNotOptimize(BASS_ChannelGetData(h, bins, BASS_DATA_FFT512));
    }
    wall += std::chrono::duration<double>(Clock::now() - start).count();
    cpu += ThreadCpuSeconds(g_mixer_clock) - mixer_start +
           ThreadCpuSeconds(CLOCK_THREAD_CPUTIME_ID) - own_start;
    BASS_StreamFree(h);
  }
  BASS_Free();
  platform::UseRealClock();
  state.counters["times_real_time"] = 60.0 * state.iterations() / cpu;
  state.counters["times_real_time_wall"] = 60.0 * state.iterations() / wall;
}
BENCHMARK(BM_SixtySecondsAllEffectsOneCore)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_MixerCpuShareWhilePlaying(benchmark::State& state) {
  const std::string& file = FiveMinuteMp3();
  VelkoBass_UseSilentDevice(TRUE);
  BASS_Init(-1, 44100, 0, nullptr);
  double cpu = 0.0, wall = 0.0;
  for (auto _ : state) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
    PutAllEffects(h);
    BASS_StreamGetLength(h);
    g_have_mixer_clock = false;
    BASS_ChannelSetDSP(h, &NoteMixerThread, 0);
    BASS_StreamPlay(h, FALSE, 0);
    while (!g_have_mixer_clock) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The silent device's thread plays in real time; its CPU time over the
    // wall time is its share of one core.
    const double cpu_start = ThreadCpuSeconds(g_mixer_clock);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(4));
    cpu += ThreadCpuSeconds(g_mixer_clock) - cpu_start;
    wall += std::chrono::duration<double>(Clock::now() - start).count();
    BASS_StreamFree(h);
  }
  BASS_Free();
  state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_MixerCpuShareWhilePlaying)->Iterations(1)->Unit(benchmark::kMillisecond);

void StartLatency(benchmark::State& state, bool ask_length) {
  const std::string& file = FiveMinuteMp3();
  VelkoBass_UseSilentDevice(TRUE);
  BASS_Init(-1, 44100, 0, nullptr);
  double worst = 0.0, total = 0.0;
  for (auto _ : state) {
    const auto start = Clock::now();
    HSTREAM h = BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
    if (ask_length) benchmark::DoNotOptimize(BASS_StreamGetLength(h));
    BASS_StreamPlay(h, FALSE, 0);
    while (BASS_ChannelGetPosition(h) == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    worst = std::max(worst, ms);
    total += ms;
    state.SetIterationTime(ms / 1000.0);
    BASS_StreamFree(h);
  }
  BASS_Free();
  state.counters["mean_ms"] = total / state.iterations();
  state.counters["worst_ms"] = worst;
}

void BM_CreateToFirstSample(benchmark::State& state) { StartLatency(state, false); }
void BM_CreateLengthToFirstSample(benchmark::State& state) { StartLatency(state, true); }
BENCHMARK(BM_CreateToFirstSample)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateLengthToFirstSample)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
