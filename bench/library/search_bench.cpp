// The music hunt's search over 100,000 files: 50 folders of 100 folders of
// 20 files, 2 of every 20 ".mp3", mapped as drive B:. Beside it, the same
// run times `find <tree> -name '*.mp3'` on that tree; on one core (run it
// under `taskset -c 2`) the hunt should manage at least 500,000 files/s and
// stay within 1.5 times find's time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>

#include "library/EasyFileSearch.h"
#include "library/FindFile.h"
#include "platform/user/user.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"

extern char** environ;

namespace {

constexpr int kTop = 50;
constexpr int kSub = 100;
constexpr int kFiles = 20;
constexpr int kTotal = kTop * kSub * kFiles;

class MusicTree {
 public:
  MusicTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velko-hunt-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    for (int t = 0; t < kTop; ++t) {
      const auto top = root_ / ("Artist " + std::to_string(t));
      for (int s = 0; s < kSub; ++s) {
        const auto sub = top / ("Album " + std::to_string(s));
        std::filesystem::create_directories(sub);
        for (int f = 0; f < kFiles; ++f) {
          const std::string name = "Track " + std::to_string(f) + (f % 10 == 0 ? ".mp3" : ".txt");
          const int fd = open((sub / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
          if (fd < 0) std::abort();
          close(fd);
        }
      }
    }
    platform::MapDrive('B', root_.string());
  }
  ~MusicTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

MusicTree& Tree() {
  static MusicTree tree;
  return tree;
}

// Seconds `find <root> -name '*.mp3'` takes, its output thrown away.
double TimeFind(const std::filesystem::path& root) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string root_text = root.string();
  char find[] = "find";
  char name[] = "-name";
  char mask[] = "*.mp3";
  char* argv[] = {find, root_text.data(), name, mask, nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "find", &actions, nullptr, argv, environ) != 0) std::abort();
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Hunt() {
  TEasyFileSearch search(nullptr);
  search.SearchOptions = {okIncludeSubfolder, okLookForAnyFile};
  search.FileNames()->Clear();
  search.FileNames()->Add("*.mp3");
  search.SetRootPath("B:\\");
  int found = 0;
  search.OnFileFound = [&](const TFileInformations&) { ++found; };
  search.Execute();
  return found;
}

void BM_HuntOneHundredThousandFiles(benchmark::State& state) {
  Tree();
  double hunt_seconds = 0, find_seconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    const int found = Hunt();
    hunt_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (found != kTotal / 10) state.SkipWithError("wrong number of songs found");
    state.PauseTiming();
    find_seconds += TimeFind(Tree().root());
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kTotal);
  state.counters["hunt_over_find"] = hunt_seconds / find_seconds;
  state.counters["find_files_per_s"] = benchmark::Counter(static_cast<double>(kTotal) * state.iterations() / find_seconds);
}
// The platform's listing alone, folder by folder, for comparison.
int ListTree(const std::string& folder) {
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile((folder + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    ++count;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) count += ListTree(folder + name + "\\");
  } while (FindNextFile(find, &data));
  FindClose(find);
  return count;
}

void BM_PlatformListingOfTheTree(benchmark::State& state) {
  Tree();
  for (auto _ : state) benchmark::DoNotOptimize(ListTree("B:\\"));
  state.SetItemsProcessed(state.iterations() * kTotal);
}
BENCHMARK(BM_PlatformListingOfTheTree)->Unit(benchmark::kMillisecond);

// Wall time, as find's is measured.
BENCHMARK(BM_HuntOneHundredThousandFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The movie hunters' finder on its worker thread over the same tree: its
// reports reach this (main) thread through synchronised calls, handled by
// the message loop; the counter gives this thread's time per match.
void BM_ThreadedFinderOneHundredThousandFiles(benchmark::State& state) {
  Tree();
  double main_cpu = 0;
  long matches = 0;
  for (auto _ : state) {
    TFindFile finder(nullptr);
    finder.SetLocation("B:\\");
    finder.SetFilename("*.mp3");
    finder.Threaded = true;
    int found = 0;
    finder.OnFound = [&](TObject*, const String&, WIN32_FIND_DATA&) { ++found; };
    const double cpu_start = ThreadCpuSeconds();
    finder.Execute();
    MSG msg;
    while (finder.Busy() && GetMessage(&msg, nullptr, 0, 0)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    main_cpu += ThreadCpuSeconds() - cpu_start;
    matches += found;
    if (found != kTotal / 10) state.SkipWithError("wrong number of songs found");
  }
  state.SetItemsProcessed(state.iterations() * kTotal);
  state.counters["main_thread_us_per_match"] = main_cpu * 1e6 / static_cast<double>(matches);
}
BENCHMARK(BM_ThreadedFinderOneHundredThousandFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
