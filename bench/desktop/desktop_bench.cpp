// The desktop services' speed goals: the single-instance test at start-up
// (at most 2 ms), PlaySound's return (within 1 ms), and a move of a large
// file to another file system (within 1.2 times what mv takes).
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <filesystem>
#include <fstream>

#include "classlib/Application.h"
#include "desktop/AutoUpgrade.h"
#include "platform/net/wininet_http.h"
#include "desktop/zelOneInstance.h"
#include "platform/core/handles.h"
#include "platform/core/mutexes.h"
#include "platform/fs/drives.h"
#include "platform/mm/sound.h"
#include "platform/shell/file_operation.h"

namespace {

namespace fsys = std::filesystem;

fsys::path MakeFolder(const char* base) {
  std::string pattern = std::string(base) + "/velko-bench-XXXXXX";
  return mkdtemp(pattern.data()) != nullptr ? fsys::path(pattern) : fsys::path();
}

// The first instance's test: two named mutexes in a fresh folder.
void BM_SingleInstanceTest(benchmark::State& state) {
  const fsys::path folder = MakeFolder("/tmp");
  platform::SetMutexFolder(folder.string());
  Application->SetTitle("Velko Bench");
  for (auto _ : state) {
    TzelOneInstance guard(nullptr);
    benchmark::DoNotOptimize(guard.IsAnotherInstance());
    state.PauseTiming();
    ReleaseMutex(DefaultInstanceHandle);
    CloseHandle(DefaultInstanceHandle);
    DefaultInstanceHandle = nullptr;
    state.ResumeTiming();
  }
  fsys::remove_all(folder);
}
BENCHMARK(BM_SingleInstanceTest)->Unit(benchmark::kMicrosecond);

// An asynchronous cue on SDL's dummy driver: the call only hands it over.
void BM_PlaySoundAsync(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  platform::SetSoundOutput(platform::MakeSdlSoundOutput());
  std::string wave = "RIFF";
  const std::uint32_t frames = 8000;
  auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) wave += static_cast<char>(v >> (8 * i)); };
  auto put16 = [&](std::uint16_t v) { wave += static_cast<char>(v); wave += static_cast<char>(v >> 8); };
  put32(36 + frames * 2);
  wave += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(1);
  put32(8000);
  put32(16000);
  put16(2);
  put16(16);
  wave += "data";
  put32(frames * 2);
  wave.append(frames * 2, '\0');
  for (auto _ : state) {
    benchmark::DoNotOptimize(PlaySound(wave.data(), nullptr, SND_MEMORY | SND_ASYNC));
  }
  PlaySound(nullptr, nullptr, 0);
  platform::SetSoundOutput(nullptr);
}
BENCHMARK(BM_PlaySoundAsync)->Unit(benchmark::kMicrosecond);

// A 256 MB file moved from /tmp's file system to /dev/shm, by
// SHFileOperation and by mv; compare the two times.
void MoveAcross(benchmark::State& state, bool with_mv) {
  const fsys::path from = MakeFolder("/var/tmp");
  const fsys::path to = MakeFolder("/dev/shm");
  struct stat a{}, b{};
  if (from.empty() || to.empty() || ::stat(from.c_str(), &a) != 0 || ::stat(to.c_str(), &b) != 0 ||
      a.st_dev == b.st_dev) {
    state.SkipWithError("no second file system");
    return;
  }
  platform::MapDrive('S', from.string());
  platform::MapDrive('D', to.string());
  const std::string block(1 << 20, 'x');
  for (auto _ : state) {
    state.PauseTiming();
    {
      std::ofstream out(from / "big.bin", std::ios::binary);
      for (int i = 0; i < 256; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    fsys::remove(to / "big.bin");
    state.ResumeTiming();
    if (with_mv) {
      const std::string command = "mv '" + (from / "big.bin").string() + "' '" + to.string() + "/'";
      benchmark::DoNotOptimize(std::system(command.c_str()));
    } else {
      const std::string source = std::string("S:\\big.bin") + '\0';
      const std::string target = std::string("D:\\") + '\0';
      SHFILEOPSTRUCT op{};
      op.wFunc = FO_MOVE;
      op.pFrom = source.c_str();
      op.pTo = target.c_str();
      op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
      benchmark::DoNotOptimize(SHFileOperation(&op));
    }
  }
  platform::UnmapDrive('S');
  platform::UnmapDrive('D');
  fsys::remove_all(from);
  fsys::remove_all(to);
  state.SetBytesProcessed(state.iterations() * 256LL * (1 << 20));
}
void BM_MoveAcrossFileSystems(benchmark::State& state) { MoveAcross(state, false); }
void BM_MoveAcrossFileSystemsWithMv(benchmark::State& state) { MoveAcross(state, true); }
BENCHMARK(BM_MoveAcrossFileSystems)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_MoveAcrossFileSystemsWithMv)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The new version's download from a server on 127.0.0.1 (64 MB), with the
// progress handler on; the goal is at least 100 MB/s.
void BM_UpdateDownload(benchmark::State& state) {
  constexpr std::size_t kSize = 64u << 20;
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 8);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::thread server([listener] {
    const std::string block(1 << 20, 'v');
    for (;;) {
      const int client = ::accept(listener, nullptr, nullptr);
      if (client < 0) return;
      char request[4096];
      [[maybe_unused]] ssize_t got = ::recv(client, request, sizeof request, 0);
      const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(kSize) + "\r\n\r\n";
      bool ok = ::send(client, head.data(), head.size(), MSG_NOSIGNAL) > 0;
      for (std::size_t sent = 0; ok && sent < kSize; sent += block.size()) {
        ok = ::send(client, block.data(), block.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(block.size());
      }
      ::close(client);
    }
  });
  platform::net::SetTestHostPort("127.0.0.1", ntohs(address.sin_port));
  const fsys::path folder = MakeFolder("/tmp");
  platform::MapDrive('B', folder.string());
  for (auto _ : state) {
    auto* worker = new TAutoUpgradeThread();
    worker->Url = "http://127.0.0.1/new.bin";
    worker->Mode = 1;
    worker->FileName = "B:\\Upgrade.tmp";
    std::atomic<int> reports{0};
    worker->OnProgress = [&reports](TAutoUpgradeThread*, int, int) { ++reports; };
    worker->Start();
    worker->WaitFor();
    if (!worker->Success) state.SkipWithError("download failed");
    delete worker;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
  ::shutdown(listener, SHUT_RDWR);
  ::close(listener);
  server.join();
  platform::UnmapDrive('B');
  fsys::remove_all(folder);
}
BENCHMARK(BM_UpdateDownload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
