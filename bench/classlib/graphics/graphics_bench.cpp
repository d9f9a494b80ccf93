// The drawing classes on the program's busiest paths: one frame of the
// spectrum display (whole-bitmap copies, 25 bar copies and peak lines, at
// about 30 frames a second), a background picture decoded from JPEG (ten
// windows at every activation of the main window), and BMP loading (skin
// images).
#include <benchmark/benchmark.h>

#include "classlib/Graphics.h"

namespace {

std::unique_ptr<TBitmap> Filled(int width, int height, TPixelFormat format, TColor colour) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(width, height);
  b->Canvas()->Brush()->SetColor(colour);
  b->Canvas()->FillRect(Rect(0, 0, width, height));
  return b;
}

void BM_SpectrumFrame(benchmark::State& state) {
  auto background = Filled(275, 112, pfDevice, clBlack);
  auto work = Filled(275, 112, pfDevice, clBlack);
  auto bars = Filled(8, 111, pf32bit, clYellow);
  auto screen = Filled(275, 112, pfDevice, clBlack);
  const TRect all = Rect(0, 0, 275, 112);
  int frame = 0;
  for (auto _ : state) {
    work->Canvas()->CopyRect(all, background->Canvas(), all);
    for (int band = 0; band < 25; ++band) {
      const int level = (band * 7 + frame) % 112;
      const int x = band * 11 + 2;
      work->Canvas()->CopyRect(Rect(x, 111 - level, x + 8, 112), bars->Canvas(), Rect(0, 111 - level, 8, 112));
      work->Canvas()->Pen()->SetColor(static_cast<TColor>(RGB(192, 192, 192)));
      work->Canvas()->MoveTo(x, 111 - level / 2);
      work->Canvas()->LineTo(x + 8, 111 - level / 2);
    }
    screen->Canvas()->CopyRect(all, work->Canvas(), all);
    ++frame;
  }
}
BENCHMARK(BM_SpectrumFrame);

std::string BackgroundJpeg() {
  auto picture = Filled(474, 273, pf24bit, clNavy);
  TCanvas* c = picture->Canvas();
  for (int i = 0; i < 60; ++i) {
    c->Brush()->SetColor(static_cast<TColor>(RGB(i * 4, 255 - i * 3, i * 2)));
    c->Ellipse(i * 7, i * 3, i * 7 + 80, i * 3 + 60);
  }
  TJPEGImage jpeg;
  jpeg.Assign(picture.get());
  TMemoryStream out;
  jpeg.SaveToStream(&out);
  return std::string(static_cast<const char*>(out.Memory()), static_cast<std::size_t>(out.Size()));
}

void BM_BackgroundPictureFromJpeg(benchmark::State& state) {
  const std::string data = BackgroundJpeg();
  auto window = Filled(474, 273, pfDevice, clBlack);
  for (auto _ : state) {
    TMemoryStream in;
    in.WriteBuffer(data.data(), static_cast<int>(data.size()));
    in.SetPosition(0);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(&in);
    window->Canvas()->Draw(0, 0, &jpeg);
  }
  state.counters["bytes"] = static_cast<double>(data.size());
}
BENCHMARK(BM_BackgroundPictureFromJpeg)->Unit(benchmark::kMillisecond);

void BM_LoadBmp24(benchmark::State& state) {
  auto picture = Filled(474, 273, pf24bit, clTeal);
  TMemoryStream file;
  picture->SaveToStream(&file);
  for (auto _ : state) {
    file.SetPosition(0);
    TBitmap b;
    b.LoadFromStream(&file);
    benchmark::DoNotOptimize(b.Handle());
  }
}
BENCHMARK(BM_LoadBmp24)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
