// Sorting 100,000 rows of a list view by a number and by a date style,
// reading a 100,000-row song list file into a list kept in text order, and
// showing that list; with the heap each row takes in the list and in its
// window.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <random>

#include "classlib/Forms.h"
#include "library/advlistv.h"

namespace {

constexpr int kRows = 100'000;

// Bytes of the heap in use.
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

std::unique_ptr<TAdvListView> FilledList(int style) {
  auto list = std::make_unique<TAdvListView>(nullptr);
  list->Columns()->Add();
  list->Columns()->Add();
  std::mt19937 random(7);
  list->Items()->BeginUpdate();
  for (int i = 0; i < kRows; ++i) {
    TListItem* item = list->Items()->Add();
    item->SetCaption("Song " + std::to_string(i) + ".mp3");
    const unsigned r = random();
    item->SubItems()->Add(style == 2 ? std::to_string(r % 100000) + " KB"
                                     : std::to_string(r % 28 + 1) + "-" + std::to_string(r % 12 + 1) + "-" +
                                           std::to_string(r % 100));
  }
  list->Items()->EndUpdate();
  list->OnGetFormat = [style](TObject*, int, TSortStyle& s, String&, String& suffix) {
    s = style;
    suffix = " KB";
  };
  return list;
}

void SortBy(benchmark::State& state, int style) {
  for (auto _ : state) {
    state.PauseTiming();
    auto list = FilledList(style);
    state.ResumeTiming();
    list->Sort(1);
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_Sort100000RowsByNumber(benchmark::State& state) { SortBy(state, 2); }
void BM_Sort100000RowsByDate(benchmark::State& state) { SortBy(state, 6); }
BENCHMARK(BM_Sort100000RowsByNumber)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Sort100000RowsByDate)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 100,000-row song list as "mp3.csv" holds it, names out of order so the
// sorted list has work to do: as earlier copies wrote it (plain fields), or
// as the program writes it now (every field in quote marks).
String SongListText(bool quoted) {
  String text;
  for (int i = 0; i < kRows; ++i) {
    const int n = (i * 7919) % kRows;
    const String name = "Song number " + std::to_string(n) + ".mp3";
    const String folder = "C:\\Music\\Folder " + std::to_string(n % 50) + "\\";
    text += quoted ? "\"" + name + "\",\"" + folder + "\"\r\n" : name + "," + folder + "\r\n";
  }
  return text;
}

// Reading the list into a list kept sorted by caption, as the main window
// and the tag editor each do at start (arg: 1 the quoted form).
void BM_Load100000RowListFile(benchmark::State& state) {
  const String text = SongListText(state.range(0) == 1);
  double bytes = 0;
  for (auto _ : state) {
    const double before = HeapInUse();
    auto list = std::make_unique<TAdvListView>(nullptr);
    list->Columns()->Add();
    list->Columns()->Add();
    list->SetSortType(stText);
    list->LoadFromText(text, false);
    benchmark::DoNotOptimize(list->Items()->Count());
    state.PauseTiming();
    bytes = HeapInUse() - before;
    list.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  // What the loaded list keeps per row: item, caption and sub-items.
  state.counters["heap_bytes_per_row"] = bytes / kRows;
}
BENCHMARK(BM_Load100000RowListFile)->Arg(0)->Arg(1)->ArgNames({"quoted"})->Unit(benchmark::kMillisecond)->Iterations(5);

// Showing a window whose sorted list holds those rows: the list's window
// takes every row.
void BM_Show100000RowList(benchmark::State& state) {
  const String text = SongListText(true);
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto* form = new TForm(Application);
    form->SetClientSize(640, 480);
    auto* list = new TAdvListView(form);
    list->SetParent(form);
    list->SetBounds(0, 0, 640, 480);
    list->Columns()->Add();
    list->Columns()->Add();
    list->SetSortType(stText);
    list->LoadFromText(text, false);
    const double before = HeapInUse();
    state.ResumeTiming();
    form->Show();
    state.PauseTiming();
    bytes = HeapInUse() - before;
    delete form;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  // What the list's window adds per row.
  state.counters["window_heap_bytes_per_row"] = bytes / kRows;
}
BENCHMARK(BM_Show100000RowList)->Unit(benchmark::kMillisecond)->Iterations(3);

// A page of owner-drawn mark-up rows (as many as the list shows) painted
// again.
void BM_RepaintAPageOfMarkupRows(benchmark::State& state) {
  auto* form = new TForm(Application);
  form->SetClientSize(640, 480);
  auto* list = new TAdvListView(form);
  list->SetParent(form);
  list->SetBounds(0, 0, 640, 480);
  list->SetViewStyle(vsReport);
  list->Columns()->Add()->SetWidth(400);
  list->Columns()->Add()->SetWidth(200);
  list->SetOwnerDraw(true);
  for (int i = 0; i < 60; ++i) {
    TListItem* item = list->Items()->Add();
    item->SetCaption("<b>Song " + std::to_string(i) + "</b> by <font color=\"clred\">Artist</font> <a href=\"x\">more</a>");
    item->SubItems()->Add("<i>C:\\Music\\</i>");
  }
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) list->Repaint();
  state.counters["rows"] = list->VisibleRowCount();
  delete form;
}
BENCHMARK(BM_RepaintAPageOfMarkupRows)->Unit(benchmark::kMillisecond);

}  // namespace
