// The skin engine at its goals: loading the test skin package (< 5 ms), one
// resize step of an 800 x 600 skinned form with its region and frame
// (< 2 ms), one fade frame of a 100 x 20 object (< 0.2 ms), the 10 ms
// timer of an idle skinned form (< 0.5 % of a core: < 50 us a tick),
// reading a configuration of 8,000 sections (< 200 ms) and refusing a
// package whose "Child" lists name sections over and over (< 100 ms).
#include <benchmark/benchmark.h>

#include "classlib/Application.h"
#include "classlib/Forms.h"
#include "classlib/Resources.h"
#include "classlib/StringRoutines.h"
#include "platform/fs/drives.h"
#include "platform/user/user.h"
#include "skins/SkinEngine.h"
#include "skins/SkinIniFiles.h"

namespace {

void Setup() {
  static const bool done = [] {
    RegisterResourceFolder(VELKO_RESOURCES_DIR);
    platform::MapDrive('S', VELKO_TEST_SKINS_DIR, DRIVE_FIXED, "SKINS");
    return true;
  }();
  (void)done;
}

struct SkinnedForm {
  SkinnedForm(int w, int h) {
    Setup();
    form = new TForm(Application);
    form->SetBounds(0, 0, w, h);
    engine = new TscSkinEngine(form);
    engine->SetSkinFolder("S:\\TestSkin\\");
    form->Show();
    Application->ProcessMessages();
  }
  ~SkinnedForm() {
    delete form;
    Application->ProcessMessages();
  }
  TForm* form;
  TscSkinEngine* engine;
};

void BM_LoadPackage(benchmark::State& state) {
  Setup();
  for (auto _ : state) {
    TscSkinSource s(nullptr);
    s.LoadFromFile("S:\\TestSkin.qzp");
    benchmark::DoNotOptimize(s.FormObject());
  }
}
BENCHMARK(BM_LoadPackage)->Unit(benchmark::kMillisecond);

void BM_ResizeStep800x600(benchmark::State& state) {
  SkinnedForm f(800, 600);
  int w = 800;
  for (auto _ : state) {
    w = w == 800 ? 801 : 800;
    f.form->SetBounds(0, 0, w, 600);  // frame layout, region and frame paint
  }
}
BENCHMARK(BM_ResizeStep800x600)->Unit(benchmark::kMillisecond);

void BM_FadeFrame100x20(benchmark::State& state) {
  SkinnedForm f(300, 200);
  TscSkinObject o;
  o.Source = f.engine->SkinSource();
  o.Wnd = f.form->Handle();
  o.SetBoundsRect(RECT{50, 50, 150, 70});
  o.Color = 0x800000;
  for (auto _ : state) {
    if (!o.EffectRunning) o.FadeColor(o.Color ^ 0xFFFFFF, 10000);
    o.Step();
  }
}
BENCHMARK(BM_FadeFrame100x20)->Unit(benchmark::kMicrosecond);

void BM_IdleTimerTick(benchmark::State& state) {
  SkinnedForm f(400, 300);
  f.engine->Active = true;
  for (auto _ : state) f.engine->TimerTick();
}
BENCHMARK(BM_IdleTimerTick)->Unit(benchmark::kMicrosecond);

// 8,000 object sections of a few keys each, every one read back.
void BM_Read8000Sections(benchmark::State& state) {
  String text = "[General]\r\nSkinName=Many\r\n\r\n";
  for (int i = 0; i < 8000; ++i)
    text += "[Section" + IntToStr(i) + "]\r\nKind=button\r\nColor=1,2,3\r\nWidth=10\r\n\r\n";
  for (auto _ : state) {
    TscStringsIniFile ini;
    ini.SetText(text);
    int found = 0;
    for (int i = 0; i < 8000; ++i) found += !ini.ReadString("section" + IntToStr(i), "Width", "").empty();
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_Read8000Sections)->Unit(benchmark::kMillisecond);

// A package of about 400 bytes whose form names the next section ten
// times, and that one the next, nine levels deep.
void BM_RefuseRepeatedChildren(benchmark::State& state) {
  String config = "[Form]\r\nKind=form\r\nChild=";
  for (int level = 0; level < 9; ++level) {
    const String next(1, static_cast<char>('a' + level));
    for (int i = 0; i < 10; ++i) config += (i ? "," : "") + next;
    config += "\r\n[" + next + "]\r\nColor=1,2,3\r\nChild=";
  }
  TMemoryStream package;
  WriteStreamString(&package, kSkinPackageHeader);
  WriteStreamString(&package, config);
  for (auto _ : state) {
    package.SetPosition(0);
    TscSkinSource s(nullptr);
    bool refused = false;
    try {
      s.LoadFromStream(&package);
    } catch (const Exception&) {
      refused = true;
    }
    if (!refused || s.FormObject()) state.SkipWithError("the tree was built");
  }
}
BENCHMARK(BM_RefuseRepeatedChildren)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
