// The segmented gauge at the main window's size (280 x 8, red to lime):
// a full paint, and a rising position that only adds blocks.
#include <benchmark/benchmark.h>

#include "classlib/Application.h"
#include "classlib/Forms.h"
#include "controls/GProgress.h"

namespace {

TGProgress* MakeGauge(TForm* form) {
  form->SetBounds(100, 100, 400, 100);
  auto* gauge = new TGProgress(form);
  gauge->SetParent(form);
  gauge->SetBounds(10, 10, 280, 8);
  gauge->SetColor(clRed);
  gauge->SetColorEnd(clLime);
  gauge->SetBackgroundColor(clBlack);
  gauge->SetFrameColor1(clBlack);
  gauge->SetFrameColor2(clBlack);
  form->Show();
  Application->ProcessMessages();
  return gauge;
}

void BM_GaugeFullPaint(benchmark::State& state) {
  auto* form = new TForm(Application);
  TGProgress* gauge = MakeGauge(form);
  gauge->SetPosition(100);
  for (auto _ : state) {
    gauge->Invalidate();
    form->Update();
  }
  delete form;
}
BENCHMARK(BM_GaugeFullPaint)->Unit(benchmark::kMicrosecond);

void BM_GaugeRisingStep(benchmark::State& state) {
  auto* form = new TForm(Application);
  TGProgress* gauge = MakeGauge(form);
  int position = 0;
  for (auto _ : state) {
    position = position >= 100 ? 0 : position + 1;
    if (position == 0) {
      state.PauseTiming();
      gauge->SetPosition(0);
      form->Update();
      state.ResumeTiming();
    } else {
      gauge->SetPosition(position);
    }
  }
  delete form;
}
BENCHMARK(BM_GaugeRisingStep)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
