// The clock is read on every timer check and every audio block: it must
// stay cheap.
#include <benchmark/benchmark.h>

#include "platform/core/clock.h"

static void BM_GetTickCount(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(GetTickCount());
}
BENCHMARK(BM_GetTickCount);

static void BM_QueryPerformanceCounter(benchmark::State& state) {
  LARGE_INTEGER count;
  for (auto _ : state) {
    QueryPerformanceCounter(&count);
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_QueryPerformanceCounter);

BENCHMARK_MAIN();
