// Forms on the program's busy paths: a message through a control's
// handlers, a form of many controls made, shown and deleted (eleven forms
// at every start), a form of many windowless controls painted, a bitmap
// drawn on a paint box outside of painting (the spectrum display, about
// 30 times a second), and an injected click through the application's
// loop.
#include <benchmark/benchmark.h>

#include <string>

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/Menus.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Label.h"
#include "platform/user/user.h"

namespace {

class TBusyForm : public TForm {
 public:
  TBusyForm(TComponent* AOwner, int count) : TForm(AOwner) {
    BeginLoad();
    SetClientSize(640, 480);
    for (int i = 0; i < count; ++i) {
      auto* panel = new TPanel(this);
      panel->SetParent(this);
      panel->SetBounds((i % 10) * 64, (i / 10) * 48, 60, 44);
      panel->SetCaption("");
      auto* label = new TLabel(panel);
      label->SetParent(panel);
      label->SetCaption("Label");
      label->SetLeft(4);
      label->SetTop(4);
      auto* button = new TSpeedButton(panel);
      button->SetParent(panel);
      button->SetBounds(30, 20, 24, 20);
    }
    EndLoad();
  }
};

void BM_PerformThroughTheHandlers(benchmark::State& state) {
  auto* form = new TForm(Application);
  auto* button = new TSpeedButton(form);
  button->SetParent(form);
  for (auto _ : state) benchmark::DoNotOptimize(button->Perform(CM_HITTEST, 0, 0));
  delete form;
}
BENCHMARK(BM_PerformThroughTheHandlers);

void BM_MakeShowAndDeleteAFormOfManyControls(benchmark::State& state) {
  for (auto _ : state) {
    auto* form = new TBusyForm(Application, static_cast<int>(state.range(0)));
    form->Show();
    Application->ProcessMessages();
    delete form;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 3);
}
BENCHMARK(BM_MakeShowAndDeleteAFormOfManyControls)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_PaintAFormOfManyWindowlessControls(benchmark::State& state) {
  auto* form = new TForm(Application);
  form->SetClientSize(640, 480);
  for (int i = 0; i < 200; ++i) {
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("Song title");
    label->SetLeft((i % 8) * 80);
    label->SetTop((i / 8) * 19);
  }
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) form->Repaint();
  delete form;
}
BENCHMARK(BM_PaintAFormOfManyWindowlessControls)->Unit(benchmark::kMicrosecond);

void BM_DrawABitmapOnAPaintBoxOutsidePainting(benchmark::State& state) {
  auto* form = new TForm(Application);
  form->SetClientSize(300, 150);
  auto* box = new TPaintBox(form);
  box->SetParent(form);
  box->SetBounds(10, 10, 275, 112);
  form->Show();
  Application->ProcessMessages();
  TBitmap frame;
  frame.SetSize(275, 112);
  for (auto _ : state) {
    box->Canvas()->Draw(0, 0, &frame);
    FreeDeviceContexts();
  }
  delete form;
}
BENCHMARK(BM_DrawABitmapOnAPaintBoxOutsidePainting)->Unit(benchmark::kMicrosecond);

void BM_AnInjectedClickThroughTheLoop(benchmark::State& state) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 200, 100);
  auto* button = new TSpeedButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 40, 30);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  Application->ProcessMessages();
  const TPoint at = button->ClientToScreen(Point(20, 15));
  int x = 0;
  for (auto _ : state) {
    // Apart from the last press, so no two make a double click.
    x = (x + 5) % 20;
    platform::InjectClick(at.x - 10 + x, at.y);
    Application->ProcessMessages();
  }
  benchmark::DoNotOptimize(clicks);
  delete form;
}
BENCHMARK(BM_AnInjectedClickThroughTheLoop)->Unit(benchmark::kMicrosecond);

// The song list: Arg rows loaded into a sorted report list (the
// main window's "mp3.csv", thousands of rows), one at a time as the list
// file is read, with (1) and without (0) BeginUpdate around the load.
void BM_LoadASortedSongList(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const bool batched = state.range(1) != 0;
  auto* form = new TForm(Application);
  form->SetClientSize(400, 300);
  auto* list = new TListView(form);
  list->SetParent(form);
  list->SetBounds(0, 0, 400, 300);
  list->SetViewStyle(vsReport);
  list->SetSortType(stText);
  list->Columns()->Add()->SetWidth(238);
  list->Columns()->Add()->SetWidth(100);
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) {
    if (batched) list->Items()->BeginUpdate();
    for (int i = 0; i < rows; ++i) {
      TListItem* item = list->Items()->Add();
      // Names out of order, as a folder walk finds them.
      item->SetCaption("Song " + std::to_string((i * 7919) % rows) + ".mp3");
      item->SubItems()->Add("C:\\Music\\Album\\");
    }
    if (batched) list->Items()->EndUpdate();
    state.PauseTiming();
    list->Items()->Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * rows);
  delete form;
}
BENCHMARK(BM_LoadASortedSongList)->Args({2000, 0})->Args({2000, 1})->Args({10000, 1})->Unit(benchmark::kMillisecond);

// A custom-drawn list of 40 visible rows repainted (the hunter windows'
// coloured rows).
void BM_PaintACustomDrawnList(benchmark::State& state) {
  auto* form = new TForm(Application);
  form->SetClientSize(400, 600);
  auto* list = new TListView(form);
  list->SetParent(form);
  list->SetBounds(0, 0, 400, 600);
  list->SetViewStyle(vsReport);
  list->Columns()->Add()->SetWidth(200);
  list->Columns()->Add()->SetWidth(180);
  for (int i = 0; i < 1000; ++i) {
    TListItem* item = list->Items()->Add();
    item->SetCaption("Song " + std::to_string(i));
    item->SubItems()->Add("Folder");
  }
  if (state.range(0) != 0) {
    list->OnCustomDrawItem = [](TCustomListView* sender, TListItem* item, TCustomDrawState, bool&) {
      if (item->Index() % 2 != 0) sender->Canvas()->Brush()->SetColor(clAqua);
    };
  }
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) list->Repaint();
  delete form;
}
BENCHMARK(BM_PaintACustomDrawnList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A checked menu item toggled while its menu bar is shown (the platform
// menu is rebuilt from the items each time).
void BM_ToggleAMenuItemOnTheBar(benchmark::State& state) {
  auto* form = new TForm(Application);
  auto* menu = new TMainMenu(form);
  for (int top = 0; top < 5; ++top) {
    auto* title = new TMenuItem(form);
    title->SetCaption("&Menu");
    menu->Items()->Add(title);
    for (int i = 0; i < 12; ++i) {
      auto* item = new TMenuItem(form);
      item->SetCaption("Item");
      title->Add(item);
    }
  }
  form->SetMenu(menu);
  form->Show();
  Application->ProcessMessages();
  TMenuItem* item = menu->Items()->Items(2)->Items(5);
  for (auto _ : state) item->SetChecked(!item->Checked());
  delete form;
}
BENCHMARK(BM_ToggleAMenuItemOnTheBar)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
