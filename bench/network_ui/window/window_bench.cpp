// The file-sharing window's own costs: one statistics tick with ten host
// rows and the whole graph, 1,000 search hits placed into tabs in one
// burst, and a 200 MB download from the test servent program on 127.0.0.2
// started from a result row, with its row updated on every progress event.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "classlib/Application.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/net/loopback_guard.h"
#include "platform/user/user.h"
#include "tests/support/servent_process.h"
#include "tests/support/temp_dir.h"

namespace {

struct Window {
  Window() {
    platform::net::SetLoopbackOnly(true);
    platform::SetProgramPath((program.path() / "velko").string());
    Form2 = new TForm2(nullptr);
    form = new TNutsForm(nullptr);
    form->Timer1->SetEnabled(false);
    form->DownloadDir = platform::PlatformPath(download.path().string()).value_or("") + "\\";
  }
  ~Window() {
    delete form;
    delete Form2;
    Form2 = nullptr;
    platform::SetProgramPath("");
  }
  velko_test::TempDir program, download;
  TNutsForm* form;
};

void BM_StatisticsTick(benchmark::State& state) {
  Window w;
  bool accept = true;
  for (int i = 0; i < 10; ++i) w.form->Gnutella1IncomingConnection(w.form, "127.0.0." + std::to_string(i + 2), accept);
  for (auto _ : state) w.form->Timer1Timer(w.form);
}

void BM_HitBurst(benchmark::State& state) {
  Window w;
  const GUID none{};
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* text : {"rock", "jazz", "blues"}) w.form->AddSearchTab(text);
    state.ResumeTiming();
    for (int i = 0; i < 1000; ++i) {
      const char* word = i % 3 == 0 ? "Rock" : i % 3 == 1 ? "JAZZ" : "folk";
      w.form->FoundStuff(w.form->Gnutella1, "127.0.0.2", none, "127.0.0.2", 6346, 100, none, i, 1000 + i,
                         "Artist " + std::to_string(i) + " - " + word + " song.mp3", "");
    }
    state.PauseTiming();
    for (int t = 0; t < 3; ++t) w.form->ClearResults(w.form->ResultList(t));
    state.ResumeTiming();
  }
}

void WriteFile(const std::filesystem::path& path, std::size_t size) {
  std::string block(1 << 20, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 131) >> 3);
  std::ofstream out(path, std::ios::binary);
  for (std::size_t done = 0; done < size; done += block.size()) {
    out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
  }
}

void BM_WindowDownload(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  velko_test::TempDir share, peer_download, home;
  WriteFile(share / "big.bin", size);
  velko_test::ServentProcess::Options options;
  options.address = "127.0.0.2";
  options.share = share.path().string();
  options.download = peer_download.path().string();
  options.home = home.path().string();
  velko_test::ServentProcess server(options);
  if (server.WaitFor("ready") == "") {
    state.SkipWithError("the test servent did not start");
    return;
  }
  Window w;
  TListView* results = w.form->AddSearchTab("big");
  const GUID none{};
  w.form->FoundStuff(w.form->Gnutella1, "127.0.0.2", none, "127.0.0.2", server.port(), 100, none, 0,
                     static_cast<DWORD>(size), "big.bin", "");
  for (auto _ : state) {
    std::filesystem::remove(w.download / "big.bin");
    results->Items()->Item(0)->SetSelected(true);
    const int row = w.form->DownList->Items()->Count();
    w.form->ResultDblClick(results);
    auto status = [&] {
      TStrings* subs = w.form->DownList->Items()->Item(row)->SubItems();
      return subs->Count() > 2 ? subs->Strings(2) : String();
    };
    MSG msg;
    while (!w.form->Transfers().empty() && GetMessage(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (status() != "Completed" || std::filesystem::file_size(w.download / "big.bin") != size) {
      state.SkipWithError("the download did not complete");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

BENCHMARK(BM_StatisticsTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HitBurst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowDownload)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
