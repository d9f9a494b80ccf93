// A 480 x 360, 25 frames/s movie played in a window of the same size: the
// process's processor time per second of movie (decoding, scaling into the
// window, painting), reported as "core_share" (1.0 = one core busy). The
// goal is under 0.2.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/fs/drives.h"
#include "platform/mm/mci.h"
#include "platform/mm/mci_movie.h"
#include "platform/user/user.h"
#include "tests/support/movie_maker.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void PumpFor(double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  MSG msg;
  while (std::chrono::steady_clock::now() < end) {
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void BM_MovieInPanel(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velko-movie-bench";
  std::filesystem::create_directories(folder);
  const std::filesystem::path movie = folder / "movie.mpg";
  if (!std::filesystem::exists(movie) && !velko_test::MakeMovie(movie, 4.0, 480, 360, 25, "red", "blue")) {
    state.SkipWithError("ffmpeg could not make the movie");
    return;
  }
  platform::MapDrive('M', folder.string());
  platform::mm::SetMciAudioEnabled(false);
  HWND window = CreateWindowEx(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 480, 360, nullptr, nullptr, nullptr, nullptr);
  double share = 0;
  unsigned long long frames = 0;
  for (auto _ : state) {
    MCI_OPEN_PARMS open{};
    open.lpstrElementName = "M:\\movie.mpg";
    if (mciSendCommand(0, MCI_OPEN, MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open)) != 0) {
      state.SkipWithError("the movie did not open");
      break;
    }
    MCI_DGV_WINDOW_PARMS parent{};
    parent.hWnd = window;
    mciSendCommand(open.wDeviceID, MCI_WINDOW, MCI_DGV_WINDOW_HWND, reinterpret_cast<DWORD_PTR>(&parent));
    const unsigned long long drawn = platform::mm::MovieFramesDrawn();
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    mciSendCommand(open.wDeviceID, MCI_PLAY, 0, 0);
    PumpFor(3.0);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    share = (CpuSeconds() - cpu) / wall;
    frames = platform::mm::MovieFramesDrawn() - drawn;
    mciSendCommand(open.wDeviceID, MCI_CLOSE, 0, 0);
  }
  DestroyWindow(window);
  state.counters["core_share"] = share;
  state.counters["frames_drawn_in_3s"] = static_cast<double>(frames);
}
BENCHMARK(BM_MovieInPanel)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
