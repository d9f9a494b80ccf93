// DrawText: formatted text in a rectangle.
#include <algorithm>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/gdi/text_render.h"

using namespace platform::gdi;
using platform::Region;

namespace {

// Text with the mnemonic marks taken out: each character, and whether it
// is to be underlined.
struct MarkedText {
  std::u32string chars;
  std::vector<bool> underline;
};

MarkedText TakePrefixes(const std::u32string& in, UINT format) {
  MarkedText out;
  bool process = !(format & DT_NOPREFIX);
  bool show = !(format & DT_HIDEPREFIX);
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (process && c == U'&') {
      if (i + 1 >= in.size()) break;  // a lone '&' at the end shows nothing
      char32_t next = in[++i];
      out.chars.push_back(next);
      out.underline.push_back(next != U'&' && show);
      continue;
    }
    out.chars.push_back(c);
    out.underline.push_back(false);
  }
  return out;
}

struct Layout {
  FontFace* face;
  int extra;
  int tabWidth;
  bool expandTabs;

  int Advance(char32_t c, int x) const {
    if (c == U'\t' && expandTabs && tabWidth > 0) return (x / tabWidth + 1) * tabWidth - x;
    return face->Advance(c) + extra;
  }
  // Width of chars[from, to).
  int Width(const MarkedText& t, std::size_t from, std::size_t to) const {
    std::lock_guard<std::mutex> lock(face->mutex());
    int x = 0;
    for (std::size_t i = from; i < to; ++i) x += Advance(t.chars[i], x);
    return x;
  }
};

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t'; }

// Breaks a paragraph [from, to) into lines no wider than `limit`.
void BreakParagraph(const MarkedText& t, std::size_t from, std::size_t to, const Layout& layout, int limit,
                    bool editControl, std::vector<std::pair<std::size_t, std::size_t>>* lines) {
  std::size_t start = from;
  while (true) {
    if (start >= to) {
      if (start == from) lines->push_back({from, to});
      return;
    }
    // Grow the line word by word.
    std::size_t end = start;       // end of the last word that fits
    std::size_t scan = start;
    while (scan < to) {
      std::size_t wordEnd = scan;
      while (wordEnd < to && IsSpace(t.chars[wordEnd])) ++wordEnd;
      while (wordEnd < to && !IsSpace(t.chars[wordEnd])) ++wordEnd;
      if (layout.Width(t, start, wordEnd) > limit && end > start) break;
      end = wordEnd;
      scan = wordEnd;
      if (layout.Width(t, start, end) > limit) break;  // a single word too long for the line
    }
    if (editControl && layout.Width(t, start, end) > limit) {
      // Break inside the word: as many characters as fit (at least one).
      std::size_t cut = start + 1;
      while (cut < end && layout.Width(t, start, cut + 1) <= limit) ++cut;
      end = cut;
    }
    std::size_t visibleEnd = end;
    while (visibleEnd > start && IsSpace(t.chars[visibleEnd - 1])) --visibleEnd;
    lines->push_back({start, visibleEnd});
    start = end;
    while (start < to && IsSpace(t.chars[start])) ++start;
    if (start >= to) return;
  }
}

MarkedText Slice(const MarkedText& t, std::size_t from, std::size_t to) {
  MarkedText out;
  out.chars.assign(t.chars.begin() + static_cast<std::ptrdiff_t>(from), t.chars.begin() + static_cast<std::ptrdiff_t>(to));
  out.underline.assign(t.underline.begin() + static_cast<std::ptrdiff_t>(from),
                       t.underline.begin() + static_cast<std::ptrdiff_t>(to));
  return out;
}

void Append(MarkedText& t, const std::u32string& s) {
  t.chars += s;
  t.underline.insert(t.underline.end(), s.size(), false);
}

// The longest start of `line` that fits with "..." after it.
MarkedText EndEllipsis(const MarkedText& line, const Layout& layout, int limit, bool wordBoundary) {
  const std::u32string dots = U"...";
  MarkedText dotsText;
  Append(dotsText, dots);
  int dotsWidth = layout.Width(dotsText, 0, dots.size());
  std::size_t keep = line.chars.size();
  while (keep > 0 && layout.Width(line, 0, keep) + dotsWidth > limit) --keep;
  if (wordBoundary && keep < line.chars.size() && keep > 0 && !IsSpace(line.chars[keep])) {
    // Back to the start of the word that was cut.
    std::size_t word = keep;
    while (word > 0 && !IsSpace(line.chars[word - 1])) --word;
    if (word > 0) keep = word;
  }
  MarkedText out = Slice(line, 0, keep);
  while (wordBoundary && !out.chars.empty() && IsSpace(out.chars.back())) {
    out.chars.pop_back();
    out.underline.pop_back();
  }
  if (dotsWidth <= limit) {
    Append(out, dots);
  } else {
    // Not even the dots fit: as many of them as do.
    std::u32string some;
    for (std::size_t n = dots.size(); n > 0; --n) {
      MarkedText probe;
      Append(probe, dots.substr(0, n));
      if (layout.Width(probe, 0, n) <= limit) {
        some = dots.substr(0, n);
        break;
      }
    }
    Append(out, some);
  }
  return out;
}

// "C:\a\b\...\file.ext": the start of the path shortened before its last
// component.
MarkedText PathEllipsis(const MarkedText& line, const Layout& layout, int limit) {
  std::size_t slash = line.chars.find_last_of(U"\\/");
  if (slash == std::u32string::npos) return EndEllipsis(line, layout, limit, false);
  MarkedText tail = Slice(line, slash, line.chars.size());
  for (std::size_t keep = slash; ; --keep) {
    MarkedText candidate = Slice(line, 0, keep);
    Append(candidate, U"...");
    candidate.chars += tail.chars;
    candidate.underline.insert(candidate.underline.end(), tail.underline.begin(), tail.underline.end());
    if (layout.Width(candidate, 0, candidate.chars.size()) <= limit) return candidate;
    if (keep == 0) return EndEllipsis(candidate, layout, limit, false);
  }
}

int DrawTextCore(HDC handle, LPCSTR text, int length, RECT* rect, UINT format, int tabChars, int leftMargin,
                 int rightMargin) {
  if (rect == nullptr || (text == nullptr && length != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (length < 0) length = text ? static_cast<int>(std::strlen(text)) : 0;
  if (!(format & DT_CALCRECT)) PreparePixels(handle);
  TextCanvas c;
  if (!OpenText(handle, &c)) return 0;
  DeviceContext& dc = *c.dc;
  FontFace& face = *c.face;
  const TEXTMETRIC& m = face.metrics();
  if (format & DT_TABSTOP) {
    tabChars = static_cast<int>((format >> 8) & 0xFF);
    format &= ~0xFF00u;
  }
  if (tabChars <= 0) tabChars = 8;
  Layout layout{&face, dc.state.charExtra, tabChars * m.tmAveCharWidth, (format & DT_EXPANDTABS) != 0};
  const int lineHeight = m.tmHeight + ((format & DT_EXTERNALLEADING) ? m.tmExternalLeading : 0);
  RECT box = *rect;
  box.left += leftMargin;
  box.right -= rightMargin;
  const int limit = box.right - box.left;

  MarkedText all = TakePrefixes(DecodeUtf8(text ? text : "", static_cast<std::size_t>(length)), format);
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  if (format & DT_SINGLELINE) {
    ranges.push_back({0, all.chars.size()});
  } else {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= all.chars.size(); ++i) {
      bool end = i == all.chars.size();
      if (!end && all.chars[i] != U'\r' && all.chars[i] != U'\n') continue;
      if (format & DT_WORDBREAK) BreakParagraph(all, start, i, layout, limit, (format & DT_EDITCONTROL) != 0, &ranges);
      else ranges.push_back({start, i});
      if (end) break;
      if (all.chars[i] == U'\r' && i + 1 < all.chars.size() && all.chars[i + 1] == U'\n') ++i;
      start = i + 1;
    }
  }

  std::vector<MarkedText> lines;
  int widest = 0;
  for (const auto& [from, to] : ranges) {
    MarkedText line = Slice(all, from, to);
    int width = layout.Width(line, 0, line.chars.size());
    if (width > limit && (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))) {
      if (format & DT_PATH_ELLIPSIS) line = PathEllipsis(line, layout, limit);
      else line = EndEllipsis(line, layout, limit, (format & DT_WORD_ELLIPSIS) != 0);
      width = layout.Width(line, 0, line.chars.size());
    }
    widest = std::max(widest, width);
    lines.push_back(std::move(line));
  }
  const int totalHeight = static_cast<int>(lines.size()) * lineHeight;

  LONG top = box.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) top = box.top + (box.bottom - box.top - lineHeight) / 2;
    else if (format & DT_BOTTOM) top = box.bottom - lineHeight;
  }
  if (format & DT_CALCRECT) {
    rect->right = rect->left + leftMargin + widest + rightMargin;
    rect->bottom = rect->top + totalHeight;
    return totalHeight;
  }

  const Region& base = dc.Clip();
  Region clipped;
  if (!(format & DT_NOCLIP)) {
    RECT r{dc.SurfaceX(box.left), dc.SurfaceY(rect->top), dc.SurfaceX(box.right), dc.SurfaceY(rect->bottom)};
    clipped = base.Intersected(r);
  }
  const Region& clip = (format & DT_NOCLIP) ? base : clipped;
  bool opaque = dc.state.bkMode == OPAQUE;
  LONG y = top;
  for (const MarkedText& text : lines) {
    PlacedLine placed;
    placed.chars = text.chars;
    placed.x.resize(text.chars.size());
    {
      std::lock_guard<std::mutex> lock(face.mutex());
      int x = 0;
      for (std::size_t i = 0; i < text.chars.size(); ++i) {
        placed.x[i] = x;
        int advance = layout.Advance(text.chars[i], x);
        if (text.underline[i]) placed.underlines.push_back({x, x + advance - layout.extra});
        x += advance;
      }
      placed.width = x;
    }
    if (format & DT_PREFIXONLY) {
      for (char32_t& ch : placed.chars) ch = U' ';
      opaque = false;
    }
    for (char32_t& ch : placed.chars) {
      if (ch == U'\t') ch = U' ';
    }
    LONG x = box.left;
    if (format & DT_CENTER) x = box.left + (limit - placed.width) / 2;
    else if (format & DT_RIGHT) x = box.right - placed.width;
    RenderLine(c, dc.SurfaceX(x), dc.SurfaceY(y + m.tmAscent), placed, clip, opaque);
    y += lineHeight;
  }
  if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) return top - rect->top + lineHeight;
  return totalHeight;
}

}  // namespace

int DrawText(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
  return DrawTextCore(dc, text, length, rect, format, 8, 0, 0);
}

int DrawTextEx(HDC dc, LPSTR text, int length, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  if (params && params->cbSize != sizeof(DRAWTEXTPARAMS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int tab = params && params->iTabLength > 0 ? params->iTabLength : 8;
  int left = params ? params->iLeftMargin : 0;
  int right = params ? params->iRightMargin : 0;
  int result = DrawTextCore(dc, text, length, rect, format, tab, left, right);
  if (params && result) params->uiLengthDrawn = static_cast<UINT>(length < 0 && text ? std::strlen(text) : std::max(length, 0));
  return result;
}
