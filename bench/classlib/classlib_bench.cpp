// Speed of the class library pieces the lists and settings lean on: sorted
// string lists (a song list holds thousands of rows), comma text, Format
// and FormatFloat (status texts several times a second), and ini reads.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "classlib/FormatRoutines.h"
#include "classlib/IniFiles.h"
#include "classlib/StringRoutines.h"
#include "classlib/Strings.h"
#include "platform/fs/drives.h"

namespace {

void BM_SortedStringListAdd(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TStringList list;
    list.SetSorted(true);
    for (int i = 0; i < n; ++i) list.Add("Song " + IntToStr((i * 7919) % n) + ".mp3");
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SortedStringListAdd)->Arg(1000)->Arg(10000);

void BM_CommaTextRoundTrip(benchmark::State& state) {
  TStringList list;
  for (int i = 0; i < 100; ++i) list.Add("field with space " + IntToStr(i));
  for (auto _ : state) {
    TStringList back;
    back.SetCommaText(list.CommaText());
    benchmark::DoNotOptimize(back.Count());
  }
}
BENCHMARK(BM_CommaTextRoundTrip);

void BM_Format(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    ++i;
    benchmark::DoNotOptimize(Format("%s: %d of %d (%.1f%%)", "Ripping", i, 1000, i / 10.0));
  }
}
BENCHMARK(BM_Format);

void BM_FormatFloat(benchmark::State& state) {
  double v = 0;
  for (auto _ : state) benchmark::DoNotOptimize(FormatFloat("#,##0.00 \" B/S\"", v += 1234.5678));
}
BENCHMARK(BM_FormatFloat);

void BM_IniReadString(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("velko-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  platform::MapDrive('B', folder.string());
  {
    TIniFile ini("B:\\bench.ini");
    for (int s = 0; s < 5; ++s) {
      for (int k = 0; k < 10; ++k) ini.WriteString("Section" + IntToStr(s), "Key" + IntToStr(k), "value");
    }
  }
  TIniFile ini("B:\\bench.ini");
  for (auto _ : state) benchmark::DoNotOptimize(ini.ReadString("Section4", "Key9", ""));
  platform::UnmapDrive('B');
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_IniReadString);

}  // namespace

BENCHMARK_MAIN();
