#include "platform/gdi/paths.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/font.h"
#include "platform/gdi/freetype_font.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/pixels.h"

namespace platform::gdi {

// One piece of a path, in FreeType's space (26.6 units, y upwards, so that
// surface point (x, y) is (64 x, -64 y)): a glyph outline, or the edges of
// a glyph's pixels for faces without outlines.
struct PathPiece {
  FT_Glyph glyph = nullptr;                          // outline glyph, placed
  std::vector<std::pair<FT_Vector, FT_Vector>> edges;  // open unit segments
};

struct TextPath {
  bool recording = true;
  std::vector<PathPiece> pieces;

  ~TextPath() {
    for (PathPiece& p : pieces)
      if (p.glyph != nullptr) FT_Done_Glyph(p.glyph);
  }
};

namespace {

FT_Pos Units(double pixels) { return static_cast<FT_Pos>(std::lround(pixels * 64.0)); }

// The boundary of a glyph's pixels (coverage of at least half) as unit
// segments, for a glyph whose top-left pixel lies at (ox, oy).
void PixelEdges(const Glyph& g, LONG ox, LONG oy, PathPiece* piece) {
  auto set = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < g.width && y < g.height && g.coverage[static_cast<std::size_t>(y * g.width + x)] >= 128;
  };
  auto point = [&](int x, int y) { return FT_Vector{(ox + x) * 64L, -(oy + y) * 64L}; };
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      if (!set(x, y)) continue;
      if (!set(x, y - 1)) piece->edges.emplace_back(point(x, y), point(x + 1, y));
      if (!set(x, y + 1)) piece->edges.emplace_back(point(x, y + 1), point(x + 1, y + 1));
      if (!set(x - 1, y)) piece->edges.emplace_back(point(x, y), point(x, y + 1));
      if (!set(x + 1, y)) piece->edges.emplace_back(point(x + 1, y), point(x + 1, y + 1));
    }
}

// Fills the pixels of a stroked outline with `value`, inside `clip`.
void FillOutline(FT_Library library, FT_Outline* outline, const PixelStore& store, const Region& clip,
                 std::uint32_t value) {
  FT_BBox box;
  FT_Outline_Get_CBox(outline, &box);
  const FT_Pos x0 = box.xMin & ~63, y0 = box.yMin & ~63;
  const FT_Pos x1 = (box.xMax + 63) & ~63, y1 = (box.yMax + 63) & ~63;
  const long width = (x1 - x0) >> 6, height = (y1 - y0) >> 6;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return;
  FT_Bitmap bitmap{};
  bitmap.width = static_cast<unsigned>(width);
  bitmap.rows = static_cast<unsigned>(height);
  bitmap.pitch = static_cast<int>(((width + 15) / 16) * 2);
  bitmap.pixel_mode = FT_PIXEL_MODE_MONO;
  bitmap.num_grays = 2;
  std::vector<unsigned char> bits(static_cast<std::size_t>(bitmap.pitch) * static_cast<std::size_t>(height), 0);
  bitmap.buffer = bits.data();
  FT_Outline_Translate(outline, -x0, -y0);
  const FT_Error error = FT_Outline_Get_Bitmap(library, outline, &bitmap);
  FT_Outline_Translate(outline, x0, y0);
  if (error != 0) return;
  // Bitmap row r is surface row r - top, top being the highest pixel row.
  const LONG left = static_cast<LONG>(x0 >> 6), top = static_cast<LONG>(-(y1 >> 6));
  const RECT area{left, top, left + static_cast<LONG>(width), top + static_cast<LONG>(height)};
  clip.ForEachRectIn(area, [&](const RECT& r) {
    for (LONG y = r.top; y < r.bottom; ++y) {
      const unsigned char* row = bits.data() + static_cast<std::size_t>(y - top) * static_cast<std::size_t>(bitmap.pitch);
      for (LONG x = r.left; x < r.right; ++x) {
        const LONG bx = x - left;
        if (row[bx >> 3] & (0x80 >> (bx & 7))) store.Put(x, y, value);
      }
    }
  });
}

}  // namespace

bool AddTextToPath(DeviceContext& dc, FontFace& face, const char32_t* chars, const double* penX, const double* penY,
                   std::size_t count) {
  if (!dc.path || !dc.path->recording) return false;
  std::lock_guard<std::mutex> lock(face.mutex());
  for (std::size_t i = 0; i < count; ++i) {
    PathPiece piece;
    if (void* outline = face.CopyOutline(chars[i])) {
      piece.glyph = static_cast<FT_Glyph>(outline);
      FT_Vector at{Units(penX[i]), -Units(penY[i])};
      FT_Glyph_Transform(piece.glyph, nullptr, &at);
    } else {
      const Glyph& g = face.GlyphFor(chars[i], true);
      PixelEdges(g, static_cast<LONG>(std::lround(penX[i])) + g.left, static_cast<LONG>(std::lround(penY[i])) - g.top,
                 &piece);
    }
    if (piece.glyph != nullptr || !piece.edges.empty()) dc.path->pieces.push_back(std::move(piece));
  }
  return true;
}

}  // namespace platform::gdi

using namespace platform::gdi;

BOOL BeginPath(HDC handle) {
  auto dc = LookupDC(handle);
  if (!dc) return FALSE;
  dc->path = std::make_shared<TextPath>();
  return TRUE;
}

BOOL EndPath(HDC handle) {
  auto dc = LookupDC(handle);
  if (!dc) return FALSE;
  if (!dc->path || !dc->path->recording) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return FALSE;
  }
  dc->path->recording = false;
  return TRUE;
}

BOOL AbortPath(HDC handle) {
  auto dc = LookupDC(handle);
  if (!dc) return FALSE;
  dc->path.reset();
  return TRUE;
}

BOOL StrokePath(HDC handle) {
  auto dc = LookupDC(handle);
  if (!dc) return FALSE;
  if (!dc->path || dc->path->recording) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return FALSE;
  }
  std::shared_ptr<TextPath> path = std::move(dc->path);
  const DcState& s = dc->state;
  if (!s.pen || s.pen->log.lopnStyle == PS_NULL) return TRUE;
  const COLORREF color = s.pen->dcPen ? s.dcPenColor : s.pen->log.lopnColor;
  const LONG width = std::max<LONG>(1, s.pen->log.lopnWidth.x);
  PixelStore store;
  if (!dc->Pixels(&store)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const platform::Region& clip = dc->Clip();
  const std::uint32_t value = store.FromColor(color);
  // The path was placed in surface coordinates when its text was output.
  auto library = static_cast<FT_Library>(FreeTypeLibrary());
  if (library == nullptr) return TRUE;
  std::lock_guard<std::mutex> lock(FreeTypeLibraryMutex());
  FT_Stroker stroker = nullptr;
  if (FT_Stroker_New(library, &stroker) != 0) return TRUE;
  FT_Stroker_Set(stroker, width * 32, FT_STROKER_LINECAP_BUTT, FT_STROKER_LINEJOIN_MITER, 0x20000);
  for (const PathPiece& piece : path->pieces) {
    FT_Error error = 0;
    if (piece.glyph != nullptr) {
      error = FT_Stroker_ParseOutline(stroker, &reinterpret_cast<FT_OutlineGlyph>(piece.glyph)->outline, false);
    } else {
      FT_Stroker_Rewind(stroker);
      for (const auto& [from, to] : piece.edges) {
        FT_Vector a = from, b = to;
        if (FT_Stroker_BeginSubPath(stroker, &a, true) != 0 || FT_Stroker_LineTo(stroker, &b) != 0 ||
            FT_Stroker_EndSubPath(stroker) != 0) {
          error = 1;
          break;
        }
      }
    }
    FT_UInt points = 0, contours = 0;
    if (error != 0 || FT_Stroker_GetCounts(stroker, &points, &contours) != 0 || points == 0) continue;
    FT_Outline outline;
    if (FT_Outline_New(library, points, static_cast<FT_Int>(contours), &outline) != 0) continue;
    outline.n_points = 0;
    outline.n_contours = 0;
    FT_Stroker_Export(stroker, &outline);
    FillOutline(library, &outline, store, clip, value);
    FT_Outline_Done(library, &outline);
  }
  FT_Stroker_Done(stroker);
  return TRUE;
}
