// Text output and measurement: TextOut, ExtTextOut, extents and metrics.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/gdi/paths.h"
#include "platform/gdi/raster.h"
#include "platform/gdi/text_render.h"

namespace platform::gdi {

namespace {


// Blends one glyph whose top-left lies at (ox, oy) on the surface.
void BlendGlyph(const PixelStore& store, const Region& clip, const Glyph& g, LONG ox, LONG oy,
                std::uint32_t value, COLORREF color) {
  if (g.width <= 0 || g.height <= 0) return;
  RECT box{ox, oy, ox + g.width, oy + g.height};
  const std::uint32_t cr = (value >> 16) & 0xFF, cg = (value >> 8) & 0xFF, cb = value & 0xFF;
  clip.ForEachRectIn(box, [&](const RECT& r) {
    for (LONG y = r.top; y < r.bottom; ++y) {
      const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(y - oy) * g.width - ox;
      if (store.format == Format::Bgrx32) {
        auto* row = reinterpret_cast<std::uint32_t*>(store.Row(y));
        for (LONG x = r.left; x < r.right; ++x) {
          std::uint32_t a = cov[x];
          if (a == 0) continue;
          if (a == 255) {
            row[x] = value;
            continue;
          }
          std::uint32_t d = row[x];
          auto mix = [a](std::uint32_t from, std::uint32_t to) {
            return (from * (255 - a) + to * a + 127) / 255;
          };
          row[x] = (mix((d >> 16) & 0xFF, cr) << 16) | (mix((d >> 8) & 0xFF, cg) << 8) | mix(d & 0xFF, cb);
        }
      } else if (store.format == Format::Mono || store.format == Format::Index4 || store.format == Format::Index8) {
        for (LONG x = r.left; x < r.right; ++x) {
          if (cov[x] >= 128) store.Put(x, y, value);
        }
      } else {
        for (LONG x = r.left; x < r.right; ++x) {
          std::uint32_t a = cov[x];
          if (a == 0) continue;
          COLORREF d = store.ToColor(store.Get(x, y));
          auto mix = [a](std::uint32_t from, std::uint32_t to) {
            return static_cast<BYTE>((from * (255 - a) + to * a + 127) / 255);
          };
          store.Put(x, y, store.FromColor(RGB(mix(GetRValue(d), GetRValue(color)), mix(GetGValue(d), GetGValue(color)),
                                              mix(GetBValue(d), GetBValue(color)))));
        }
      }
    }
  });
}

}  // namespace

bool OpenText(HDC handle, TextCanvas* canvas) {
  canvas->dc = LookupDC(handle);
  if (!canvas->dc) return false;
  if (!canvas->dc->Target(&canvas->store)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!canvas->dc->state.font) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  canvas->face = canvas->dc->state.font->Face();
  canvas->log = &canvas->dc->state.font->log;
  return canvas->face != nullptr;
}

int MeasureLine(FontFace& face, const char32_t* chars, std::size_t count, int extra) {
  std::lock_guard<std::mutex> lock(face.mutex());
  std::int64_t total = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (face.rotated()) {
      const Glyph& g = face.GlyphFor(chars[i], false);
      total += std::lround(std::hypot(g.advanceX, g.advanceY) / 64.0) + extra;
    } else {
      total += face.Advance(chars[i]) + extra;
    }
  }
  return static_cast<int>(std::clamp<std::int64_t>(total, -(1 << 30), 1 << 30));
}

PlacedLine PlaceLine(FontFace& face, const std::u32string& chars, int extra) {
  PlacedLine line;
  line.chars = chars;
  line.x.resize(chars.size());
  std::lock_guard<std::mutex> lock(face.mutex());
  int pen = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    line.x[i] = pen;
    pen += face.Advance(chars[i]) + extra;
  }
  line.width = pen;
  return line;
}

void RenderLine(TextCanvas& c, LONG x, LONG baseline, const PlacedLine& line, const Region& clip,
                bool opaqueBox) {
  FontFace& face = *c.face;
  if (c.dc->path) {  // recording a path: the outlines go there instead
    std::vector<double> penX(line.chars.size()), penY(line.chars.size(), static_cast<double>(baseline));
    for (std::size_t i = 0; i < line.chars.size(); ++i) penX[i] = x + line.x[i];
    if (AddTextToPath(*c.dc, face, line.chars.data(), penX.data(), penY.data(), line.chars.size())) return;
  }
  const TEXTMETRIC& m = face.metrics();
  const DcState& s = c.dc->state;
  if (opaqueBox && line.width > 0) {
    RECT box{x, baseline - m.tmAscent, x + line.width, baseline + m.tmDescent};
    FillRect(c.store, clip, box, SolidPaint(c.store, s.bkColor), Mix{});
  }
  RECT bounds = clip.Bounds();
  if (clip.IsEmpty() || baseline - m.tmAscent - m.tmHeight > bounds.bottom ||
      baseline + m.tmDescent + m.tmHeight < bounds.top) {
    return;  // the line lies wholly outside what may be drawn
  }
  std::uint32_t value = c.store.FromColor(s.textColor);
  {
    std::lock_guard<std::mutex> lock(face.mutex());
    for (std::size_t i = 0; i < line.chars.size(); ++i) {
      LONG pen = x + line.x[i];
      // Glyphs of a line wholly outside the clip are skipped cheaply.
      if (pen > bounds.right + m.tmMaxCharWidth || pen < bounds.left - 2 * m.tmMaxCharWidth - 64) continue;
      const Glyph& g = face.GlyphFor(line.chars[i], true);
      BlendGlyph(c.store, clip, g, pen + g.left, baseline - g.top, value, s.textColor);
    }
  }
  Paint ink = SolidPaint(c.store, s.textColor);
  if (c.log && c.log->lfUnderline && line.width > 0) {
    LONG top = baseline + face.underlinePosition();
    FillRect(c.store, clip, RECT{x, top, x + line.width, top + face.underlineThickness()}, ink, Mix{});
  }
  if (c.log && c.log->lfStrikeOut && line.width > 0) {
    LONG top = baseline - face.strikeoutPosition();
    FillRect(c.store, clip, RECT{x, top, x + line.width, top + face.strikeoutThickness()}, ink, Mix{});
  }
  for (const auto& [from, to] : line.underlines) {
    LONG top = baseline + face.underlinePosition();
    FillRect(c.store, clip, RECT{x + from, top, x + to, top + face.underlineThickness()}, ink, Mix{});
  }
}

namespace {

// Rotated text: glyphs along the turned baseline, no underline.
void RenderRotated(TextCanvas& c, double x, double y, const std::u32string& chars, const std::vector<int>& dxPixels,
                   bool useDx, const Region& clip, bool opaqueBox, double* advanceOut) {
  FontFace& face = *c.face;
  const DcState& s = c.dc->state;
  const double cs = std::cos(face.angle()), sn = std::sin(face.angle());
  std::vector<std::pair<double, double>> pens;
  double px = x, py = y, along = 0;
  {
    std::lock_guard<std::mutex> lock(face.mutex());
    for (std::size_t i = 0; i < chars.size(); ++i) {
      pens.emplace_back(px, py);
      double step;
      if (useDx) {
        step = dxPixels[i];
      } else {
        const Glyph& g = face.GlyphFor(chars[i], false);
        step = std::hypot(g.advanceX, g.advanceY) / 64.0 + s.charExtra;
      }
      px += step * cs;
      py -= step * sn;
      along += step;
    }
  }
  *advanceOut = along;
  if (c.dc->path) {  // recording a path: the outlines go there instead
    std::vector<double> penX, penY;
    for (const auto& [px0, py0] : pens) {
      penX.push_back(px0);
      penY.push_back(py0);
    }
    if (AddTextToPath(*c.dc, face, chars.data(), penX.data(), penY.data(), chars.size())) return;
  }
  const TEXTMETRIC& m = face.metrics();
  if (opaqueBox && along > 0) {
    // The cell box, turned.
    auto at = [&](double u, double v) { return PointF{x + u * cs - v * sn, y - u * sn - v * cs}; };
    std::vector<PointF> box{at(0, m.tmAscent), at(along, m.tmAscent), at(along, -m.tmDescent), at(0, -m.tmDescent)};
    FillRegion(c.store, clip, PolygonRegion(box, WINDING), SolidPaint(c.store, s.bkColor), Mix{});
  }
  std::uint32_t value = c.store.FromColor(s.textColor);
  std::lock_guard<std::mutex> lock(face.mutex());
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const Glyph& g = face.GlyphFor(chars[i], true);
    LONG ox = static_cast<LONG>(std::lround(pens[i].first)) + g.left;
    LONG oy = static_cast<LONG>(std::lround(pens[i].second)) - g.top;
    BlendGlyph(c.store, clip, g, ox, oy, value, s.textColor);
  }
}

BOOL TextOutCore(HDC handle, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length,
                 const INT* dx) {
  if ((text == nullptr && length > 0) || length > (1u << 24)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PreparePixels(handle);
  TextCanvas c;
  if (!OpenText(handle, &c)) return FALSE;
  DeviceContext& dc = *c.dc;
  DcState& s = dc.state;
  FontFace& face = *c.face;
  const TEXTMETRIC& m = face.metrics();

  std::vector<std::size_t> byteIndex;
  std::u32string chars = DecodeUtf8(text ? text : "", length, &byteIndex);
  std::vector<int> dxPixels;
  if (dx) {
    dxPixels.resize(chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
      std::size_t end = i + 1 < chars.size() ? byteIndex[i + 1] : length;
      int sum = 0;
      for (std::size_t b = byteIndex[i]; b < end; ++b) sum += dx[b];
      dxPixels[i] = sum;
    }
  }

  bool updateCp = (s.textAlign & TA_UPDATECP) != 0;
  if (updateCp) {
    x = s.position.x;
    y = s.position.y;
  }
  const Region& base = dc.Clip();
  Region clipped;
  if (rect && (options & ETO_CLIPPED)) {
    RECT r{dc.SurfaceX(rect->left), dc.SurfaceY(rect->top), dc.SurfaceX(rect->right), dc.SurfaceY(rect->bottom)};
    clipped = base.Intersected(r);
  }
  const Region& clip = (rect && (options & ETO_CLIPPED)) ? clipped : base;
  if (rect && (options & ETO_OPAQUE)) {
    RECT r{dc.SurfaceX(rect->left), dc.SurfaceY(rect->top), dc.SurfaceX(rect->right), dc.SurfaceY(rect->bottom)};
    FillRect(c.store, base, r, SolidPaint(c.store, s.bkColor), Mix{});
  }
  bool opaqueBox = s.bkMode == OPAQUE && !(rect && (options & ETO_OPAQUE));
  UINT horizontal = s.textAlign & TA_CENTER;
  UINT vertical = s.textAlign & TA_BASELINE;

  if (face.rotated()) {
    // Measure first for the alignment, then draw from the aligned start.
    double total = 0;
    if (dx) {
      for (int v : dxPixels) total += v;
    } else {
      total = MeasureLine(face, chars.data(), chars.size(), s.charExtra);
    }
    double cs = std::cos(face.angle()), sn = std::sin(face.angle());
    double shift = horizontal == TA_CENTER ? -total / 2 : horizontal == TA_RIGHT ? -total : 0;
    double rise = vertical == TA_BASELINE ? 0 : vertical == TA_BOTTOM ? m.tmDescent : -m.tmAscent;
    // Along the baseline by `shift`, upwards by `rise`.
    double sx = dc.SurfaceX(x) + shift * cs - rise * sn;
    double sy = dc.SurfaceY(y) - shift * sn - rise * cs;
    double advance = 0;
    RenderRotated(c, sx, sy, chars, dxPixels, dx != nullptr, clip, opaqueBox, &advance);
    if (updateCp && horizontal != TA_CENTER) {
      s.position.x = x + static_cast<LONG>(std::lround((horizontal == TA_RIGHT ? -total : total) * cs));
      s.position.y = y - static_cast<LONG>(std::lround((horizontal == TA_RIGHT ? -total : total) * sn));
    }
    return TRUE;
  }

  // A line wholly above or below what may be drawn costs nothing more (a
  // window repainting a long list clips most of its rows away).
  if (!updateCp) {
    LONG baselineGuess = vertical == TA_TOP ? y + m.tmAscent : vertical == TA_BOTTOM ? y - m.tmDescent : y;
    LONG top = dc.SurfaceY(baselineGuess) - m.tmAscent - m.tmHeight;
    LONG bottom = dc.SurfaceY(baselineGuess) + m.tmDescent + m.tmHeight;
    RECT bounds = clip.Bounds();
    if (clip.IsEmpty() || bottom <= bounds.top || top >= bounds.bottom) return TRUE;
  }
  PlacedLine line;
  if (dx) {
    line.chars = chars;
    line.x.resize(chars.size());
    int pen = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      line.x[i] = pen;
      pen += dxPixels[i];
    }
    line.width = pen;
  } else {
    line = PlaceLine(face, chars, s.charExtra);
  }
  LONG start = x;
  if (horizontal == TA_CENTER) start = x - line.width / 2;
  else if (horizontal == TA_RIGHT) start = x - line.width;
  LONG baseline = y;
  if (vertical == TA_TOP) baseline = y + m.tmAscent;
  else if (vertical == TA_BOTTOM) baseline = y - m.tmDescent;
  RenderLine(c, dc.SurfaceX(start), dc.SurfaceY(baseline), line, clip, opaqueBox);
  if (updateCp) {
    if (horizontal == TA_RIGHT) s.position.x = start;
    else if (horizontal != TA_CENTER) s.position.x = start + line.width;
  }
  return TRUE;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int length) {
  if (length < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TextOutCore(dc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const INT* dx) {
  return TextOutCore(dc, x, y, options, rect, text, length, dx);
}

BOOL GetTextExtentPoint32(HDC handle, LPCSTR text, int length, SIZE* size) {
  if (size == nullptr || length < 0 || (text == nullptr && length > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TextCanvas c;
  if (!OpenText(handle, &c)) return FALSE;
  std::u32string chars = DecodeUtf8(text ? text : "", static_cast<std::size_t>(length));
  size->cx = MeasureLine(*c.face, chars.data(), chars.size(), c.dc->state.charExtra);
  size->cy = c.face->metrics().tmHeight;
  return TRUE;
}

BOOL GetTextExtentPoint(HDC dc, LPCSTR text, int length, SIZE* size) {
  return GetTextExtentPoint32(dc, text, length, size);
}

BOOL GetTextExtentExPoint(HDC handle, LPCSTR text, int length, int maxExtent, INT* fit, INT* dx, SIZE* size) {
  if (size == nullptr || length < 0 || (text == nullptr && length > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TextCanvas c;
  if (!OpenText(handle, &c)) return FALSE;
  std::vector<std::size_t> byteIndex;
  std::u32string chars = DecodeUtf8(text ? text : "", static_cast<std::size_t>(length), &byteIndex);
  int extra = c.dc->state.charExtra;
  int total = 0;
  int fitting = fit ? -1 : 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    total += MeasureLine(*c.face, &chars[i], 1, extra);
    std::size_t end = i + 1 < chars.size() ? byteIndex[i + 1] : static_cast<std::size_t>(length);
    if (fit && fitting < 0 && total > maxExtent) fitting = static_cast<int>(byteIndex[i]);
    if (dx) {
      for (std::size_t b = byteIndex[i]; b < end; ++b) dx[b] = total;
    }
  }
  if (fit) *fit = fitting < 0 ? length : fitting;
  size->cx = total;
  size->cy = c.face->metrics().tmHeight;
  return TRUE;
}

BOOL GetTextMetrics(HDC handle, TEXTMETRIC* metrics) {
  if (metrics == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TextCanvas c;
  if (!OpenText(handle, &c)) return FALSE;
  *metrics = c.face->metrics();
  return TRUE;
}

int GetTextFace(HDC handle, int size, LPSTR name) {
  TextCanvas c;
  if (!OpenText(handle, &c)) return 0;
  std::string face(c.log->lfFaceName, strnlen(c.log->lfFaceName, LF_FACESIZE));
  if (face.empty()) face = c.face->familyName();
  if (name == nullptr) return static_cast<int>(face.size()) + 1;
  if (size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::size_t n = std::min(face.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(name, face.data(), n);
  name[n] = '\0';
  return static_cast<int>(n);
}

BOOL GetCharWidth32(HDC handle, UINT first, UINT last, INT* widths) {
  if (widths == nullptr || last < first || last - first > 0x10000 || last > 0x10FFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TextCanvas c;
  if (!OpenText(handle, &c)) return FALSE;
  for (UINT ch = first; ch <= last; ++ch) {
    char32_t one = static_cast<char32_t>(ch);
    widths[ch - first] = MeasureLine(*c.face, &one, 1, 0);
  }
  return TRUE;
}

BOOL GetCharWidth(HDC dc, UINT first, UINT last, INT* widths) { return GetCharWidth32(dc, first, last, widths); }
