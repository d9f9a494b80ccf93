// The controls' bitmaps and cursors: the bitmap slider's thumbs and rulers,
// the track bar's thumbs, the media button bar's glyph strips, the drive
// box's CD-ROM and RAM pictures, and the hand cursors.
#include <cmath>
#include <functional>

#include "data/generator/artwork.h"

namespace art {
namespace {

using namespace vga;

constexpr Pixel kKey = Olive;  // the controls' transparent colour (TColor 0x008080)

// --- Bitmap slider ---------------------------------------------------------

// One state of the classic pointer thumb, pointing down (horizontal
// slider): 11 x 20.
Canvas HorizontalThumb(bool pressed) {
  Canvas c(11, 20, kKey);
  const Pixel face = pressed ? White : Silver;
  c.FillRect(0, 0, 11, 15, face);
  for (int k = 0; k < 5; ++k) c.FillRect(k + 1, 15 + k, 10 - k, 16 + k, face);
  if (pressed)  // the pressed face is dithered
    for (int y = 1; y < 18; ++y)
      for (int x = 1; x < 10; ++x)
        if ((x + y) % 2 == 0 && c.At(x, y) == White) c.Set(x, y, Silver);
  c.Line(0, 0, 10, 0, White);
  c.Line(0, 0, 0, 14, White);
  c.Line(0, 15, 4, 19, White);
  c.Line(10, 0, 10, 14, Black);
  c.Line(10, 15, 5, 20 - 1, Black);
  c.Line(9, 1, 9, 14, Grey);
  c.Line(9, 15, 5, 18, Grey);
  return c;
}

// The same thumb turned to point right (vertical slider): 20 x 11.
Canvas Turned(const Canvas& h) {
  Canvas c(h.height(), h.width(), kKey);
  for (int y = 0; y < h.height(); ++y)
    for (int x = 0; x < h.width(); ++x) c.Set(y, x, h.At(x, y));
  return c;
}

Canvas SideBySide(const Canvas& a, const Canvas& b) {
  Canvas c(a.width() + b.width(), a.height(), kKey);
  c.Blit(a, 0, 0, 0x01000000u);
  c.Blit(b, a.width(), 0, 0x01000000u);
  return c;
}

// The sunken groove: 20 long, 4 thick; its ends are the 2-pixel edges.
Canvas HorizontalRuler() {
  Canvas c(20, 4, Silver);
  c.Frame3D(0, 0, 20, 4, Grey, White);
  c.Frame3D(1, 1, 19, 3, Black, Silver);
  return c;
}

// --- Track bar --------------------------------------------------------------

// A raised knob with a grip line across its middle.
Canvas Knob(int w, int h) {
  Canvas c(w, h, Silver);
  c.Frame3D(0, 0, w, h, White, Black);
  c.Frame3D(1, 1, w - 1, h - 1, Silver, Grey);
  if (w < h) {
    c.Line(2, h / 2 - 1, w - 3, h / 2 - 1, Grey);
    c.Line(2, h / 2, w - 3, h / 2, White);
  } else {
    c.Line(w / 2 - 1, 2, w / 2 - 1, h - 3, Grey);
    c.Line(w / 2, 2, w / 2, h - 3, White);
  }
  return c;
}

// --- Media button bar ---------------------------------------------------------

// Draws glyph `button` (TVrButtonType order) into an 11 x 9 cell at x0 in
// colour `ink`; `power` and `record` are the two coloured marks.
void Glyph(Canvas& c, int button, int x0, Pixel ink, Pixel power, Pixel record) {
  auto right = [&](double left, double top, double w) {  // a triangle pointing right
    c.FillPolygon({{x0 + left, top}, {x0 + left + w, 4.5}, {x0 + left, 9 - top}}, ink);
  };
  auto left = [&](double at, double top, double w) {  // a triangle pointing left
    c.FillPolygon({{x0 + at + w, top}, {x0 + at, 4.5}, {x0 + at + w, 9 - top}}, ink);
  };
  switch (button) {
    case 0:  // power lamp
      c.FillRect(x0 + 2, 3, x0 + 9, 6, power);
      c.FrameRect(x0 + 1, 2, x0 + 10, 7, ink);
      break;
    case 1:  // play
      right(3, 0.5, 5);
      break;
    case 2:  // pause
      c.FillRect(x0 + 3, 1, x0 + 5, 8, ink);
      c.FillRect(x0 + 6, 1, x0 + 8, 8, ink);
      break;
    case 3:  // stop
      c.FillRect(x0 + 2, 1, x0 + 9, 8, ink);
      break;
    case 4:  // previous: bar, two triangles left
      c.FillRect(x0 + 1, 1, x0 + 2, 8, ink);
      left(2, 1, 4);
      left(6, 1, 4);
      break;
    case 5:  // back one step: triangle left, bar
      left(2, 0.5, 5);
      c.FillRect(x0 + 8, 1, x0 + 9, 8, ink);
      break;
    case 6:  // one step forward: bar, triangle right
      c.FillRect(x0 + 2, 1, x0 + 3, 8, ink);
      right(4, 0.5, 5);
      break;
    case 7:  // next: two triangles right, bar
      right(1, 1, 4);
      right(5, 1, 4);
      c.FillRect(x0 + 9, 1, x0 + 10, 8, ink);
      break;
    case 8:  // record
      c.FillEllipse(x0 + 5.5, 4.5, 3.6, 3.6, record);
      break;
    case 9:  // eject: triangle over a bar
      c.FillPolygon({{x0 + 1.0, 5.0}, {x0 + 5.5, 0.5}, {x0 + 10.0, 5.0}}, ink);
      c.FillRect(x0 + 1, 6, x0 + 10, 8, ink);
      break;
  }
}

// The disabled look: the shape in white, one pixel down and right, under
// the shape in grey.
Canvas Strip(int cell_w, int h, int total_w, const std::function<void(Canvas&, int, int, Pixel, bool)>& draw,
             bool enabled) {
  Canvas c(total_w, h, kKey);
  for (int i = 0; i < 10; ++i) {
    if (enabled) {
      draw(c, i, i * cell_w, Black, true);
    } else {
      Canvas shadow(total_w, h, kKey);
      draw(shadow, i, i * cell_w + 1, White, false);
      for (int y = 0; y < h - 1; ++y)
        for (int x = 0; x < total_w; ++x)
          if (shadow.At(x, y) != kKey) c.Set(x, y + 1, White);
      draw(c, i, i * cell_w, Grey, false);
    }
  }
  return c;
}

Canvas PictureStrip(bool enabled) {
  return Strip(11, 9, 110, [](Canvas& c, int i, int x, Pixel ink, bool on) {
    Glyph(c, i, x, ink, on ? Lime : ink, on ? Red : ink);
  }, enabled);
}

// Digits 1..9 then 0, ten pixels apart, on a 101-pixel strip.
Canvas DigitStrip(bool enabled) {
  return Strip(10, 10, 101, [](Canvas& c, int i, int x, Pixel ink, bool) {
    c.Pattern5(DigitPattern((i + 1) % 10), x + 2, 1, ink);
  }, enabled);
}

// --- Drive box pictures ---------------------------------------------------------

Canvas CdPicture() {
  Canvas c(16, 16, kKey);
  c.FillEllipse(8, 8, 7.5, 7.5, Grey);
  c.FillEllipse(8, 8, 6.5, 6.5, Silver);
  c.FillEllipse(6, 6, 2.5, 1.5, White);
  c.FillEllipse(8, 8, 2.5, 2.5, Grey);
  c.FillEllipse(8, 8, 1.5, 1.5, kKey);
  return c;
}

Canvas RamPicture() {
  Canvas c(16, 16, kKey);
  c.FillRect(0, 4, 16, 12, Green);
  c.FrameRect(0, 4, 16, 12, Black);
  for (int x = 2; x < 14; x += 4) c.FillRect(x, 6, x + 3, 10, Black);
  for (int x = 1; x < 16; x += 2) c.Set(x, 12, Yellow);
  return c;
}

}  // namespace

Canvas HandCursor(bool pointing) {
  // The hand's outline, then filled white inside a one-pixel black edge.
  auto inside = [pointing](int x, int y) {
    auto in = [&](int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; };
    auto round_top = [&](int l, int t, int r, int b) {  // a finger with a rounded tip
      const double cx = (l + r) / 2.0, rad = (r - l) / 2.0;
      if (y < t || y >= b || x < l || x >= r) return false;
      if (y >= t + rad) return true;
      const double dx = x + 0.5 - cx, dy = y + 0.5 - (t + rad);
      return dx * dx + dy * dy <= rad * rad;
    };
    const bool finger = pointing ? round_top(5, 0, 10, 16) : round_top(5, 7, 10, 16);
    const bool others = round_top(9, 7, 13, 16) || round_top(12, 8, 16, 16) || round_top(15, 9, 19, 16);
    const bool palm = in(5, 14, 19, 24) || (y >= 24 && y < 27 && x >= 6 + (y - 24) && x < 18 - (y - 24) / 2);
    const bool thumb = y >= 13 && y < 22 && x >= 1 + (y - 13) / 3 && x < 6 && x >= (22 - y) / 3;
    return finger || others || palm || thumb;
  };
  Canvas c(32, 32, kClear);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      if (!inside(x, y)) continue;
      const bool edge = x == 0 || y == 0 || !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      c.Set(x, y, edge ? Black : White);
    }
  return c;
}

void AddResourceArtwork(std::vector<ArtFile>& files) {
  files.push_back({"W95_HTB.bmp", [] { return Bmp24(SideBySide(HorizontalThumb(false), HorizontalThumb(true))); }});
  files.push_back({"W95_HRL.bmp", [] { return Bmp24(HorizontalRuler()); }});
  files.push_back({"W95_VTB.bmp", [] {
    return Bmp24(SideBySide(Turned(HorizontalThumb(false)), Turned(HorizontalThumb(true))));
  }});
  files.push_back({"W95_VRL.bmp", [] { return Bmp24(Turned(HorizontalRuler())); }});
  files.push_back({"VRTB_HORI.bmp", [] { return Bmp24(Knob(9, 17)); }});
  files.push_back({"VRTB_VERT.bmp", [] { return Bmp24(Knob(17, 9)); }});
  files.push_back({"EN_IMAGES.bmp", [] { return Bmp4(PictureStrip(true)); }});
  files.push_back({"DI_IMAGES.bmp", [] { return Bmp4(PictureStrip(false)); }});
  files.push_back({"EN_NUMERIC.bmp", [] { return Bmp4(DigitStrip(true)); }});
  files.push_back({"DI_NUMERIC.bmp", [] { return Bmp4(DigitStrip(false)); }});
  files.push_back({"16900.bmp", [] { return Bmp4(CdPicture()); }});
  files.push_back({"RAM.bmp", [] { return Bmp4(RamPicture()); }});
  // The slider's thumb cursor (installed as cursor 14000), the track bar's
  // hand point (cursor 99) and the control pack's cursor −255 (#16548).
  files.push_back({"AD_HAND.cur", [] {
    const Canvas c = HandCursor(true);
    return IconFile({{&c, 7, 0}}, true);
  }});
  files.push_back({"VRCURSORHANDPOINT.cur", [] {
    const Canvas c = HandCursor(true);
    return IconFile({{&c, 7, 0}}, true);
  }});
  files.push_back({"16548.cur", [] {
    const Canvas c = HandCursor(false);
    return IconFile({{&c, 10, 10}}, true);
  }});
}

}  // namespace art
