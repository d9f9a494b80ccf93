// The main window's costs: from the program's entry to the main window
// shown and activated (silent device, headless screen, a 1,000-row
// "mp3.csv"; goal under 300 ms); a 100,000-row "mp3.csv" into the sorted
// song list (goal under 1 s) and one repaint of it (goal under 5 ms); the
// save of that list; one spectrum frame.
//
// Everything runs in a program folder, registry and drive C: of the
// benchmark's own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/BassTest.h"
#include "app/Program.h"
#include "app/Settings.h"
#include "app/aboutpar.h"
#include "classlib/Application.h"
#include "classlib/Registry.h"
#include "library/CDHunter.h"
#include "library/dotags.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "outside/bass/bass_test_controls.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/core/mutexes.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/reg/registry.h"
#include "ripper/Ripper.h"
#include "ripper/SetAlbumInfo.h"

namespace {

namespace fs = std::filesystem;

fs::path BuildProgramFolder() {
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
}

std::string ListText(int rows) {
  std::string text;
  text.reserve(static_cast<std::size_t>(rows) * 48);
  for (int i = 0; i < rows; ++i) {
    // Names out of order, so the sorted list has work to do.
    const int n = (i * 7919) % rows;
    text += "Song number " + std::to_string(n) + ".mp3,C:\\Music\\Folder " + std::to_string(n % 50) + "\\\r\n";
  }
  return text;
}

class Setup {
 public:
  Setup() {
    folder_ = fs::temp_directory_path() / ("velko-app-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder_ / "registry");
    fs::create_directories(folder_ / "mutexes");
    fs::create_directories(folder_ / "music");
    platform::SetRegistryFolder((folder_ / "registry").string());
    platform::SetMutexFolder((folder_ / "mutexes").string());
    platform::MapDrive('C', (folder_ / "music").string());
    for (const char* name : {"bass.dll", "basswma.dll", "zig.jpg"}) {
      if (fs::exists(BuildProgramFolder() / name)) {
        fs::copy_file(BuildProgramFolder() / name, folder_ / name, fs::copy_options::overwrite_existing);
      }
    }
    platform::SetProgramPath((folder_ / "velko").string());
    bass_ = LoadLibrary(platform::PlatformPath((folder_ / "bass.dll").string()).value_or("").c_str());
    auto silent = reinterpret_cast<decltype(&::VelkoBass_UseSilentDevice)>(
        GetProcAddress(bass_, "VelkoBass_UseSilentDevice"));
    if (silent != nullptr) silent(TRUE);
    platform::UseManualClock(1'000'000'000);
    platform::SetMessageBoxHook([](const platform::MessageBoxRequest& r) { return r.DefaultButton(); });
  }
  ~Setup() {
    platform::SetMessageBoxHook({});
    platform::UseRealClock();
    platform::SetProgramPath("");
    FreeLibrary(bass_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  void WriteList(int rows) const { std::ofstream(folder_ / "mp3.csv", std::ios::binary) << ListText(rows); }
  void CountStarts(int n) const {
    TRegistryIniFile reg(kSettingsKey);
    reg.WriteString(kSettingsSection, kStartCountValue, std::to_string(n));
  }
  std::string ListPath() const { return platform::PlatformPath((folder_ / "mp3.csv").string()).value_or(""); }

 private:
  fs::path folder_;
  HMODULE bass_ = nullptr;
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void EndProgram() {
  delete Application;
  Application = new TApplication(nullptr);
  Form1 = nullptr;
  VideoHunterForm = nullptr;
  VideoForm = nullptr;
  ParAbout = nullptr;
  CDHunterForm = nullptr;
  SettingsForm = nullptr;
  TagForm = nullptr;
  AlbumInfoForm = nullptr;
  RipperForm = nullptr;
  NutsForm = nullptr;
  Form2 = nullptr;
  MainPlayer = nullptr;
}

void StartProgram() {
  delete Application;
  Application = new TApplication(nullptr);
  CreateProgramForms();
  Form1->Show();
  Application->ProcessMessages();
}

void BM_EntryToMainWindowActivated(benchmark::State& state) {
  Setup& setup = TheSetup();
  setup.WriteList(1000);
  for (auto _ : state) {
    state.PauseTiming();
    setup.CountStarts(9);
    state.ResumeTiming();
    StartProgram();
    if (Form1 == nullptr || !Form1->Active()) state.SkipWithError("the main window did not activate");
    benchmark::DoNotOptimize(Form1->MusicList->Items()->Count());
    state.PauseTiming();
    EndProgram();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_EntryToMainWindowActivated)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Load100000RowsSorted(benchmark::State& state) {
  Setup& setup = TheSetup();
  setup.WriteList(0);
  setup.CountStarts(9);
  StartProgram();
  setup.WriteList(100000);
  for (auto _ : state) {
    state.PauseTiming();
    Form1->MusicList->Items()->Clear();
    state.ResumeTiming();
    Form1->LoadMusic();
  }
  state.counters["rows"] = Form1->MusicList->Items()->Count();
  EndProgram();
}
BENCHMARK(BM_Load100000RowsSorted)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RepaintAndSave100000Rows(benchmark::State& state) {
  Setup& setup = TheSetup();
  setup.WriteList(100000);
  setup.CountStarts(9);
  StartProgram();
  Form1->MusicList->SetVisible(true);
  const bool save = state.range(0) == 1;
  for (auto _ : state) {
    if (save) {
      Form1->MusicList->SaveToFile(setup.ListPath());
    } else {
      Form1->MusicList->Repaint();
    }
  }
  EndProgram();
}
BENCHMARK(BM_RepaintAndSave100000Rows)->Arg(0)->Arg(1)->ArgNames({"save"})->Unit(benchmark::kMillisecond);

void BM_SpectrumFrame(benchmark::State& state) {
  Setup& setup = TheSetup();
  setup.WriteList(0);
  setup.CountStarts(9);
  StartProgram();
  TBandOut bands{};
  int frame = 0;
  for (auto _ : state) {
    for (int b = 0; b < NumFFTBands; ++b) bands[b] = static_cast<std::uint16_t>((b * 13 + frame * 7) % 120);
    ++frame;
    Form1->DisplayFFTBand(nullptr, bands);
  }
  EndProgram();
}
BENCHMARK(BM_SpectrumFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
