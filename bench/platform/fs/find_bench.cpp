// Listing a folder of 10,000 files through FindFirstFile/FindNextFile, as the
// drive searches do for every folder they walk, and resolving paths.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/handles.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"

namespace {

constexpr int kFiles = 10'000;

// A folder of kFiles files (a third of them "*.mp3"), mapped as drive B:.
class TenThousandFiles {
 public:
  TenThousandFiles() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velko-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    for (int i = 0; i < kFiles; ++i) {
      const char* extension = i % 3 == 0 ? ".mp3" : (i % 3 == 1 ? ".ogg" : ".txt");
      std::ofstream(folder_ / ("Track " + std::to_string(i) + extension)) << "x";
    }
    platform::MapDrive('B', folder_.string());
  }
  ~TenThousandFiles() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

 private:
  std::filesystem::path folder_;
};

TenThousandFiles& Folder() {
  static TenThousandFiles folder;
  return folder;
}

int ListAll(const char* pattern) {
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 1;
  while (FindNextFile(find, &data)) ++count;
  FindClose(find);
  return count;
}

void BM_FindEverything(benchmark::State& state) {
  Folder();
  for (auto _ : state) benchmark::DoNotOptimize(ListAll("B:\\*.*"));
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FindEverything)->Unit(benchmark::kMillisecond);

void BM_FindByExtension(benchmark::State& state) {
  Folder();
  for (auto _ : state) benchmark::DoNotOptimize(ListAll("B:\\*.MP3"));
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FindByExtension)->Unit(benchmark::kMillisecond);

void BM_AttributesByWrongCase(benchmark::State& state) {
  Folder();
  // The exact name is missing, so the folder is scanned for the spelling.
  for (auto _ : state) benchmark::DoNotOptimize(GetFileAttributes("B:\\TRACK 9998.TXT"));
}
BENCHMARK(BM_AttributesByWrongCase)->Unit(benchmark::kMicrosecond);

void BM_AttributesByExactName(benchmark::State& state) {
  Folder();
  for (auto _ : state) benchmark::DoNotOptimize(GetFileAttributes("B:\\Track 9998.txt"));
}
BENCHMARK(BM_AttributesByExactName)->Unit(benchmark::kMicrosecond);

void BM_AttributesOfMissingName(benchmark::State& state) {
  Folder();
  // A name that exists in no spelling costs a scan of the folder too.
  for (auto _ : state) benchmark::DoNotOptimize(GetFileAttributes("B:\\Track 9999.txt"));
}
BENCHMARK(BM_AttributesOfMissingName)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
