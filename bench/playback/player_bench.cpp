// The player's own cost on the GUI thread while a song plays with every
// effect and the spectrum on: the 33 ms timer, the band computation (with
// the FFT read it makes), the posted message and its OnNewFFTData event.
// Goal: under 0.5 % of one core per second of playback.
//
// The song plays on the audio library's silent device under the manual
// clock; each iteration is one second of playback in 10 ms steps. Only the
// GUI thread's CPU time spent handling its messages is counted (the mixer
// runs on its own thread and is the library's cost, not the player's).
#include <benchmark/benchmark.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "outside/bass/bass_test_controls.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "playback/BASSPlayer.h"
#include "playback/PluginCtrl.h"
#include "tests/outside/bass/audio_files.h"

namespace {

namespace fs = std::filesystem;

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

fs::path BuildProgramFolder() {
  // Benchmarks live in build*/bench; the program folder is build*/bin.
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
}

std::string PlatformPathOf(const fs::path& native) {
  return platform::PlatformPath(native.string()).value_or(native.string());
}

// A program folder of the benchmark's own with the audio library in it, and
// a minute of music-like sound.
class Setup {
 public:
  Setup() {
    folder_ = fs::temp_directory_path() / ("velko-player-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    fs::copy_file(BuildProgramFolder() / "bass.dll", folder_ / "bass.dll", fs::copy_options::overwrite_existing);
    platform::SetProgramPath((folder_ / "velko").string());
    bass_ = LoadLibrary(PlatformPathOf(folder_ / "bass.dll").c_str());
    auto silent = reinterpret_cast<decltype(&::VelkoBass_UseSilentDevice)>(
        GetProcAddress(bass_, "VelkoBass_UseSilentDevice"));
    wait_feeders_ = reinterpret_cast<decltype(&::VelkoBass_WaitFeeders)>(GetProcAddress(bass_, "VelkoBass_WaitFeeders"));
    if (silent != nullptr) silent(TRUE);
    platform::UseManualClock(1'000'000'000);

    bass_test::Pcm pcm = bass_test::Sine(1000, 60.0);
    for (std::size_t i = 0; i < pcm.samples.size(); i += 7) pcm.samples[i] /= 3;  // a little grit
    song_ = PlatformPathOf(folder_ / "song.wav");
    std::ofstream(folder_ / "song.wav", std::ios::binary) << bass_test::WavBytes(pcm);
  }
  ~Setup() {
    platform::UseRealClock();
    platform::SetProgramPath("");
    FreeLibrary(bass_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  const std::string& song() const { return song_; }
  void WaitFeeders() const {
    if (wait_feeders_ != nullptr) wait_feeders_(2000);
  }

 private:
  fs::path folder_;
  HMODULE bass_ = nullptr;
  decltype(&::VelkoBass_WaitFeeders) wait_feeders_ = nullptr;
  std::string song_;
};

void BM_PlayerGuiThreadPerSecondOfPlayback(benchmark::State& state) {
  Setup setup;
  auto* player = new TBASSPlayer(nullptr);
  if (!player->BASSReady) {
    state.SkipWithError("the audio library is not ready");
    delete player;
    return;
  }
  std::uint64_t events = 0;
  TBandOut shown{};
  player->OnNewFFTData = [&](TObject*, const TBandOut& bands) {
    shown = bands;  // what a display would take
    ++events;
  };
  player->SetEffects({efFlanger, efEqualizer, efEcho, efReverb});
  TEQGains gains{};
  for (int i = 0; i < NumEQBands; ++i) gains[i] = static_cast<float>(i - 5);
  player->SetEQGains(gains);

  double cpu_total = 0;
  std::int64_t seconds = 0;
  for (auto _ : state) {
    if (player->PlayerMode != pmPlaying) {
      player->Open(setup.song());
      player->Play();
    }
    double cpu = 0;
    for (int step = 0; step < 100; ++step) {
      setup.WaitFeeders();
      platform::AdvanceClockMs(10);
      const double before = ThreadCpuSeconds();
      ProcessPendingMessages();
      cpu += ThreadCpuSeconds() - before;
    }
    state.SetIterationTime(cpu);
    cpu_total += cpu;
    ++seconds;
  }
  benchmark::DoNotOptimize(shown);
  state.counters["gui_cpu_percent"] = seconds > 0 ? 100.0 * cpu_total / static_cast<double>(seconds) : 0;
  state.counters["fft_events_per_s"] = seconds > 0 ? static_cast<double>(events) / static_cast<double>(seconds) : 0;
  delete player;
}
BENCHMARK(BM_PlayerGuiThreadPerSecondOfPlayback)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
