// The control library at the program's sizes: full paints of the 180 x 20
// button bar and a 15 x 121 knob, one drag step of the position slider,
// showing the shaped hint with its copy of a 1024 x 768 screen, and one
// tick of a timer pool holding 250 items.
#include <benchmark/benchmark.h>

#include "classlib/Application.h"
#include "classlib/Forms.h"
#include "classlib/Resources.h"
#include "controls/ControlPack.h"
#include "controls/KavoShapeHint.h"
#include "controls/VrNavigator.h"
#include "controls/VrTrackBar.h"
#include "controls/kavoclass.h"
#include "controls/slider.h"
#include "platform/user/user.h"

namespace {

TForm* MakeForm() {
  static const bool resources = RegisterResourceFolder(VELKO_RESOURCES_DIR) > 0;
  (void)resources;
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 500, 300);
  return form;
}

void BM_NavigatorPaint(benchmark::State& state) {
  TForm* form = MakeForm();
  form->BeginLoad();
  auto* nav = new TVrNavigator(form);
  nav->SetParent(form);
  nav->SetBounds(10, 10, 180, 20);
  nav->SetVisibleButtons({btPlay, btPause, btStop, btPrev, btNext});
  form->EndLoad();
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) nav->Repaint();
  delete form;
}
BENCHMARK(BM_NavigatorPaint)->Unit(benchmark::kMicrosecond);

void BM_KnobPaint(benchmark::State& state) {
  TForm* form = MakeForm();
  auto* knob = new TVrTrackBar(form);
  knob->SetParent(form);
  knob->SetOrientation(voVertical);
  knob->SetBounds(10, 10, 15, 121);
  knob->SetBorderWidth(2);
  knob->SetTickColor(clWhite);
  knob->SetMinValue(-100);
  knob->SetMaxValue(100);
  knob->SetFrequency(20);
  form->Show();
  Application->ProcessMessages();
  for (auto _ : state) knob->Repaint();
  delete form;
}
BENCHMARK(BM_KnobPaint)->Unit(benchmark::kMicrosecond);

void BM_PosSliderDragStep(benchmark::State& state) {
  TForm* form = MakeForm();
  auto* slider = new TSlider(form);
  slider->SetParent(form);
  slider->SetBounds(10, 10, 400, 25);
  slider->SetMaxValue(200);
  form->Show();
  Application->ProcessMessages();
  TSliderThumb* thumb = slider->Thumb();
  thumb->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  int step = 0;
  for (auto _ : state) {
    // The pointer one pixel further along the thumb each time, back and
    // forth across the bar; the bar and thumb repaint.
    const int x = (step++ % 2) ? 4 : 2;
    thumb->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 3));
    slider->Update();
    thumb->Update();
  }
  thumb->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  delete form;
}
BENCHMARK(BM_PosSliderDragStep)->Unit(benchmark::kMicrosecond);

void BM_ShowShapedHint(benchmark::State& state) {
  TForm* form = MakeForm();
  form->BeginLoad();
  auto* hint = new TKavoShapeHint(form);
  hint->MaxWidth = -1;
  hint->Shadow()->SetStyle(hssNone);
  hint->Font()->SetStyle({fsBold});
  form->EndLoad();
  form->Show();
  Application->ProcessMessages();
  auto* window = new TKavoShapeHintWindow(form);
  for (auto _ : state) {
    window->ActivateHint(Rect(400, 400, -1, -1), "Play the selected song");
    window->ReleaseHandle();
  }
  delete form;
  HintWindowClass = HintWindowClassOf<THintWindow>();
}
BENCHMARK(BM_ShowShapedHint)->Unit(benchmark::kMicrosecond);

void BM_PoolTickWith250Items(benchmark::State& state) {
  ControlPackStartup();
  int fired = 0;
  for (int i = 0; i < 250; ++i) KavoApplication->Add(50, [&](TObject*) { ++fired; });
  TKavoTimerPool* pool = KavoApplication->TimerPool();
  for (auto _ : state) pool->Tick();
  benchmark::DoNotOptimize(fired);
  ResetControlPack();
}
BENCHMARK(BM_PoolTickWith250Items)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
