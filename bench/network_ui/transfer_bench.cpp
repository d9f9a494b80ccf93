// Downloads a file of 20 or 200 MB over 127.0.0.1 from TGnutellaUploadFile
// in the test servent program, with TGnutellaDownloadFile in this process.
// Reports the throughput and how much this process's peak memory grew
// during the download (which must not depend on the file's size).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "network_ui/GnutellaTransfer.h"
#include "platform/fs/drives.h"
#include "platform/net/loopback_guard.h"
#include "platform/user/user.h"
#include "tests/support/loopback_server.h"
#include "tests/support/servent_process.h"
#include "tests/support/temp_dir.h"

namespace {

// A field of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
long StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return 0;
}

void ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

void WriteFile(const std::filesystem::path& path, std::size_t size) {
  std::string block(1 << 20, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 131) >> 3);
  std::ofstream out(path, std::ios::binary);
  for (std::size_t done = 0; done < size; done += block.size()) {
    out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
  }
}

void BM_LoopbackDownload(benchmark::State& state) {
  platform::net::SetLoopbackOnly(true);
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  velko_test::TempDir share, download, home, local;
  WriteFile(share / "big.bin", size);
  velko_test::ServentProcess::Options options;
  options.address = "127.0.0.2";
  options.share = share.path().string();
  options.download = download.path().string();
  options.home = home.path().string();
  velko_test::ServentProcess server(options);
  if (server.WaitFor("ready") == "") {
    state.SkipWithError("the test servent did not start");
    return;
  }
  const std::string target = platform::PlatformPath((local / "big.bin").string()).value_or("");
  double growth_mb = 0;
  for (auto _ : state) {
    std::filesystem::remove(local / "big.bin");
    const long before = StatusKilobytes("VmRSS");
    ResetPeak();
    bool done = false;
    bool failed = false;
    auto* d = new TGnutellaDownloadFile(nullptr);
    d->OnDisconnect = [&](TComponent*, const String&) { done = true; };
    d->OnError = [&](TComponent*, const String&, int, const String&) {
      failed = true;
      done = true;
    };
    d->IP = "127.0.0.2";
    d->Port = server.port();
    d->FileIndex = 0;
    d->Filename = "big.bin";
    d->SaveTo = target;
    d->Start();
    MSG msg;
    while (!done && GetMessage(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    const bool complete = d->Transfered() && d->BytesDone == static_cast<std::int64_t>(size);
    delete d;
    growth_mb = std::max(growth_mb, static_cast<double>(StatusKilobytes("VmHWM") - before) / 1024.0);
    if (failed || !complete) {
      state.SkipWithError("the download did not complete");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  state.counters["peak_growth_MB"] = growth_mb;
}

// The serving side alone: a plain blocking reader takes the upload.
void BM_LoopbackUploadOnly(benchmark::State& state) {
  platform::net::SetLoopbackOnly(true);
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  velko_test::TempDir share, download, home;
  WriteFile(share / "big.bin", size);
  velko_test::ServentProcess::Options options;
  options.address = "127.0.0.2";
  options.share = share.path().string();
  options.download = download.path().string();
  options.home = home.path().string();
  velko_test::ServentProcess server(options);
  if (server.WaitFor("ready") == "") {
    state.SkipWithError("the test servent did not start");
    return;
  }
  for (auto _ : state) {
    auto c = velko_test::LoopbackConnection::Dial(static_cast<std::uint16_t>(server.port()), "127.0.0.2");
    c->Write("GET /get/0/big.bin HTTP/1.0\r\nRange: bytes=0-\r\n\r\n");
    std::size_t got = c->CountToClose(60);
    if (got < size) {
      state.SkipWithError("short upload");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

BENCHMARK(BM_LoopbackUploadOnly)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoopbackDownload)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
