// A WAV rip of a three-minute track from a written image through the
// ripper window's loop (the ripping library, paranoia reads, Song.wav).
// The counter "x_realtime" is how many times faster than playing it is.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "classlib/Forms.h"
#include "platform/cd/cd.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "ripper/Ripper.h"
#include "tests/support/cd_image.h"
#include "tests/support/temp_dir.h"

namespace {

void WaveRipThroughTheWindow(benchmark::State& state) {
  namespace fs = std::filesystem;
  velko_test::TempDir dir;
  const fs::path program = dir.path() / "prog";
  fs::create_directories(program);
  fs::create_symlink(velko_test::ProgramFolder() / "CDRIP3.DLL", program / "CDRIP3.DLL");
  platform::SetProgramPath((program / "velko").string());
  const int sectors = 180 * 75;
  const auto cue = velko_test::WriteCdImage(dir.path(), "disc", {{sectors}});
  if (!platform::cd::InsertImage('K', cue.string())) {
    state.SkipWithError("image not readable");
    return;
  }
  InitCDRip();
  if (!Application) Application = new TApplication(nullptr);
  auto* form = new TRipperForm(Application);
  form->Show();
  if (form->RipperList->Items()->Count() < 1) {
    state.SkipWithError("no track listed");
    return;
  }
  form->RipperList->Items()->Item(0)->SetSelected(true);
  for (auto _ : state) form->btnRipTrackClick(nullptr);
  state.counters["x_realtime"] =
      benchmark::Counter(180.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  delete form;
  DoneCDRip();
  platform::cd::RemoveImage('K');
  platform::SetProgramPath(std::string());
}

BENCHMARK(WaveRipThroughTheWindow)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
