// The window system's own costs: a paint cycle of a framed window with
// children (invalidate, WM_PAINT, BeginPaint with erase, EndPaint), and
// mouse input from injection to dispatched messages.
#include <benchmark/benchmark.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/user.h"

namespace {

constexpr char kClass[] = "VelkoUserBench";

LRESULT BenchProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r{2, 2, 40, 12};
    FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterOnce() {
  static bool done = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = BenchProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClass;
    return RegisterClass(&wc) != 0;
  }();
  (void)done;
}

int Pump() {
  int count = 0;
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessage(&msg);
    ++count;
  }
  return count;
}

// A 474 x 270 framed window with 20 child controls, repainted whole.
void BM_RepaintFramedWindowWithChildren(benchmark::State& state) {
  RegisterOnce();
  HWND top = CreateWindowEx(0, kClass, "Bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 474, 270,
                            nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 20; ++i) {
    CreateWindowEx(0, kClass, nullptr, WS_CHILD | WS_VISIBLE, (i % 5) * 90, (i / 5) * 55, 80, 50,
                   top, nullptr, nullptr, nullptr);
  }
  Pump();
  for (auto _ : state) {
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    benchmark::DoNotOptimize(Pump());
  }
  DestroyWindow(top);
}
BENCHMARK(BM_RepaintFramedWindowWithChildren);

// Mouse moves over a window and a click, through hit testing to dispatch.
void BM_MouseInputToMessages(benchmark::State& state) {
  RegisterOnce();
  HWND top = CreateWindowEx(0, kClass, "Bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 474, 270,
                            nullptr, nullptr, nullptr, nullptr);
  Pump();
  int x = 0;
  std::int64_t messages = 0;
  for (auto _ : state) {
    x = (x + 1) % 200;
    platform::InjectMouse(platform::MouseAction::kMove, 100 + x, 100);
    platform::InjectClick(100 + x, 120);
    messages += Pump();
  }
  state.counters["messages"] =
      benchmark::Counter(static_cast<double>(messages), benchmark::Counter::kAvgIterations);
  DestroyWindow(top);
}
BENCHMARK(BM_MouseInputToMessages);

}  // namespace

BENCHMARK_MAIN();
