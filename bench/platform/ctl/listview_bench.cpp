// The list view with 100,000 rows: inserting them at sorted positions (the
// caller finding the place, as the class library does, and the sorted
// style finding it itself), scrolling to the end and repainting one screen,
// repainting a screen, and sorting with a callback.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/ctl/listview.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace {

constexpr int kRows = 100'000;

std::vector<std::string> SongNames() {
  std::mt19937 random(11);
  std::vector<std::string> names;
  names.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    names.push_back("Track " + std::to_string(random() % 100'000'000) + " - Artist.mp3");
  }
  return names;
}

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = SongNames();
  return names;
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

// A shown 640 x 480 window holding a 600 x 440 report list with the
// columns "Song" and "Location".
struct Window {
  explicit Window(DWORD style) {
    top = CreateWindowEx(0, "STATIC_BENCH_PARENT", "Bench", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                         nullptr, nullptr, nullptr, nullptr);
    list = CreateWindowEx(0, WC_LISTVIEW, nullptr,
                          WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | style, 10, 10,
                          600, 440, top, nullptr, nullptr, nullptr);
    LVCOLUMN column;
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<LPSTR>("Song");
    column.cx = 300;
    ListView_InsertColumn(list, 0, &column);
    column.pszText = const_cast<LPSTR>("Location");
    column.cx = 280;
    ListView_InsertColumn(list, 1, &column);
    Pump();
  }
  ~Window() {
    DestroyWindow(top);
    Pump();
  }
  HWND top = nullptr;
  HWND list = nullptr;
};

void RegisterParent() {
  static const bool done = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "STATIC_BENCH_PARENT";
    return RegisterClass(&wc) != 0;
  }();
  (void)done;
}

void InsertRow(HWND list, int index, const std::string& name, LPARAM lparam) {
  LVITEM item;
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<LPSTR>(name.c_str());
  item.lParam = lparam;
  int at = ListView_InsertItem(list, &item);
  ListView_SetItemText(list, at, 1, "C:\\Music\\Albums\\");
}

// The caller keeps its own sorted copy of the captions (as the class
// library keeps its item objects) and inserts each row where it belongs.
void BM_InsertAtSortedPositions(benchmark::State& state) {
  RegisterParent();
  const auto& names = Names();
  for (auto _ : state) {
    auto window = std::make_unique<Window>(0);
    std::vector<const std::string*> sorted;
    sorted.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
      const std::string& name = names[static_cast<std::size_t>(i)];
      auto at =
          std::upper_bound(sorted.begin(), sorted.end(), &name,
                           [](const std::string* a, const std::string* b) { return *a < *b; });
      int index = static_cast<int>(at - sorted.begin());
      sorted.insert(at, &name);
      InsertRow(window->list, index, name, i);
    }
    benchmark::DoNotOptimize(ListView_GetItemCount(window->list));
    state.PauseTiming();
    window.reset();  // tearing the list down is not timed
    state.ResumeTiming();
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_InsertAtSortedPositions)->Unit(benchmark::kMillisecond)->Iterations(3);

// The sorted style finds the place itself.
void BM_InsertIntoSortedStyle(benchmark::State& state) {
  RegisterParent();
  const auto& names = Names();
  for (auto _ : state) {
    auto window = std::make_unique<Window>(LVS_SORTASCENDING);
    for (int i = 0; i < kRows; ++i)
      InsertRow(window->list, 0, names[static_cast<std::size_t>(i)], i);
    benchmark::DoNotOptimize(ListView_GetItemCount(window->list));
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_InsertIntoSortedStyle)->Unit(benchmark::kMillisecond)->Iterations(3);

struct FullList {
  FullList() : window(LVS_SORTASCENDING) {
    for (int i = 0; i < kRows; ++i)
      InsertRow(window.list, 0, Names()[static_cast<std::size_t>(i)], i);
    Pump();
  }
  Window window;
};

FullList& Full() {
  RegisterParent();
  static FullList* full = new FullList;
  return *full;
}

// Jumps to the last row (selecting it, as End does) and paints the screen
// that shows; the next round goes back to the top.
void BM_ScrollToEndAndRepaint(benchmark::State& state) {
  HWND list = Full().window.list;
  bool to_end = true;
  for (auto _ : state) {
    int target = to_end ? kRows - 1 : 0;
    ListView_SetItemState(list, target, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, target, FALSE);
    UpdateWindow(list);
    to_end = !to_end;
  }
  benchmark::DoNotOptimize(ListView_GetTopIndex(list));
}
BENCHMARK(BM_ScrollToEndAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_RepaintOneScreen(benchmark::State& state) {
  HWND list = Full().window.list;
  ListView_EnsureVisible(list, kRows - 1, FALSE);
  UpdateWindow(list);
  for (auto _ : state) {
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
  }
  state.counters["rows_per_screen"] = ListView_GetCountPerPage(list);
}
BENCHMARK(BM_RepaintOneScreen)->Unit(benchmark::kMicrosecond);

int CompareParams(LPARAM a, LPARAM b, LPARAM direction) {
  return static_cast<int>(direction * (a < b ? -1 : a > b ? 1 : 0));
}

void BM_SortItemsWithCallback(benchmark::State& state) {
  HWND list = Full().window.list;
  LPARAM direction = 1;
  for (auto _ : state) {
    ListView_SortItems(list, CompareParams, direction);
    direction = -direction;
  }
}
BENCHMARK(BM_SortItemsWithCallback)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

BENCHMARK_MAIN();
