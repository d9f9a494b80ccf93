// Costs of the platform core's waits, named mutexes and registry writes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/mutexes.h"
#include "platform/core/waits.h"
#include "platform/reg/registry.h"

namespace {

std::string MakeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velko-bench-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

// One round trip: this thread sets an auto-reset event, a second thread
// wakes and sets another one back.
void BM_EventPingPong(benchmark::State& state) {
  HANDLE ping = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE pong = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    while (WaitForSingleObject(ping, INFINITE) == WAIT_OBJECT_0 && !stop) SetEvent(pong);
  });
  for (auto _ : state) {
    SetEvent(ping);
    WaitForSingleObject(pong, INFINITE);
  }
  stop = true;
  SetEvent(ping);
  partner.join();
  CloseHandle(ping);
  CloseHandle(pong);
}
BENCHMARK(BM_EventPingPong);

// Taking and releasing a named mutex nobody else holds (lock file round trip).
void BM_NamedMutexTakeRelease(benchmark::State& state) {
  const std::string folder = MakeTempFolder();
  platform::SetMutexFolder(folder);
  HANDLE mutex = CreateMutex(nullptr, FALSE, "bench.mutex");
  for (auto _ : state) {
    WaitForSingleObject(mutex, INFINITE);
    ReleaseMutex(mutex);
  }
  CloseHandle(mutex);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_NamedMutexTakeRelease);

// One settings value written through to disk (temporary file, fsync,
// rename), with the eight values of the preferences window in the hive.
void BM_RegistryWriteThrough(benchmark::State& state) {
  const std::string folder = MakeTempFolder();
  platform::SetRegistryFolder(folder);
  HKEY key = nullptr;
  RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Calvane Technology\\Velko", 0, nullptr, 0,
                 KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const char* names[] = {"Priority",  "SwapSkin", "Shuffle", "Startup",
                         "NavSwitch", "ShowBig",  "Updates", "Hunter"};
  int i = 0;
  for (auto _ : state) {
    const char* value = (i++ & 1) ? "1" : "0";
    RegSetValueEx(key, names[i % 8], 0, REG_SZ, reinterpret_cast<const BYTE*>(value), 2);
  }
  RegCloseKey(key);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RegistryWriteThrough);

// Reading a value: a stat of the hive file to see whether another process
// changed it, then a look-up.
void BM_RegistryRead(benchmark::State& state) {
  const std::string folder = MakeTempFolder();
  platform::SetRegistryFolder(folder);
  HKEY key = nullptr;
  RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Calvane Technology\\Velko", 0, nullptr, 0,
                 KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueEx(key, "Shuffle", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  char data[16];
  for (auto _ : state) {
    DWORD size = sizeof data;
    RegQueryValueEx(key, "shuffle", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    benchmark::DoNotOptimize(data);
  }
  RegCloseKey(key);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RegistryRead);

}  // namespace

BENCHMARK_MAIN();
