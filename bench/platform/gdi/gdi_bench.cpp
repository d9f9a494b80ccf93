// Drawing speed goals:
//   - a full repaint of a 474 x 270 window holding 200 rows of 8-point text
//     (clipped to what is visible, as a window would) takes well under 2 ms;
//   - drawing 10,000 short different strings costs at most 3 times drawing
//     one string 10,000 times (the glyph cache does its work).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi/device.h"
#include "platform/gdi/gdi.h"

namespace {

struct Window {
  Window(int width, int height) : surface(platform::Surface::Create(width, height)) {
    dc = platform::CreateSurfaceDC(surface, POINT{0, 0}, platform::Region(RECT{0, 0, width, height}));
    font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
  }
  ~Window() {
    SelectObject(dc, old);
    DeleteObject(font);
    platform::DestroySurfaceDC(dc);
  }
  std::shared_ptr<platform::Surface> surface;
  HDC dc;
  HFONT font;
  HGDIOBJ old;
};

std::vector<std::string> ListRows(int count) {
  std::vector<std::string> rows;
  for (int i = 0; i < count; ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "%03d  Artist %d - Song title number %d (Remix).mp3   0%d:%02d", i + 1, i % 17,
                  i * 7 % 1000, i % 9, i * 13 % 60);
    rows.push_back(line);
  }
  return rows;
}

void BM_RepaintWindowOf200TextRows(benchmark::State& state) {
  Window w(474, 270);
  std::vector<std::string> rows = ListRows(200);
  RECT client{0, 0, 474, 270};
  HBRUSH background = GetSysColorBrush(COLOR_WINDOW);
  for (auto _ : state) {
    FillRect(w.dc, &client, background);
    for (int i = 0; i < 200; ++i) {
      TextOut(w.dc, 2, i * 13, rows[static_cast<std::size_t>(i)].c_str(), static_cast<int>(rows[static_cast<std::size_t>(i)].size()));
    }
  }
  benchmark::DoNotOptimize(w.surface->Pixel(10, 5));
}
BENCHMARK(BM_RepaintWindowOf200TextRows)->Unit(benchmark::kMicrosecond);

void BM_RepaintWithDrawText(benchmark::State& state) {
  Window w(474, 270);
  std::vector<std::string> rows = ListRows(200);
  RECT client{0, 0, 474, 270};
  HBRUSH background = GetSysColorBrush(COLOR_WINDOW);
  for (auto _ : state) {
    FillRect(w.dc, &client, background);
    for (int i = 0; i < 200; ++i) {
      RECT cell{2, i * 13, 300, i * 13 + 13};
      DrawText(w.dc, rows[static_cast<std::size_t>(i)].c_str(), -1, &cell,
               DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER);
    }
  }
}
BENCHMARK(BM_RepaintWithDrawText)->Unit(benchmark::kMicrosecond);

constexpr int kStrings = 10000;

void BM_OneStringTenThousandTimes(benchmark::State& state) {
  Window w(474, 270);
  const std::string text = "Track 0042";
  for (auto _ : state) {
    for (int i = 0; i < kStrings; ++i) TextOut(w.dc, (i % 7) * 60, (i % 19) * 13, text.c_str(), static_cast<int>(text.size()));
  }
}
BENCHMARK(BM_OneStringTenThousandTimes)->Unit(benchmark::kMillisecond);

void BM_TenThousandDifferentStrings(benchmark::State& state) {
  Window w(474, 270);
  std::vector<std::string> texts;
  for (int i = 0; i < kStrings; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%s %04d", (i % 3 == 0) ? "Caf\xC3\xA9" : (i % 3 == 1) ? "Song" : "M\xC3\xBCsik", i);
    texts.push_back(line);
  }
  for (auto _ : state) {
    for (int i = 0; i < kStrings; ++i) {
      const std::string& t = texts[static_cast<std::size_t>(i)];
      TextOut(w.dc, (i % 7) * 60, (i % 19) * 13, t.c_str(), static_cast<int>(t.size()));
    }
  }
}
BENCHMARK(BM_TenThousandDifferentStrings)->Unit(benchmark::kMillisecond);

void BM_BlitWindowSizedBitmap(benchmark::State& state) {
  Window w(474, 270);
  HDC memory = CreateCompatibleDC(w.dc);
  HBITMAP bitmap = CreateCompatibleBitmap(w.dc, 474, 270);
  HGDIOBJ old = SelectObject(memory, bitmap);
  for (auto _ : state) BitBlt(w.dc, 0, 0, 474, 270, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}
BENCHMARK(BM_BlitWindowSizedBitmap)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
