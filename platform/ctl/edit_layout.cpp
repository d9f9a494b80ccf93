#include "platform/ctl/edit_layout.h"

#include <algorithm>
#include <cctype>

#include "platform/ctl/control_base.h"

namespace platform::ctl {

namespace {

bool IsBreak(char c) {
  return c == '\r' || c == '\n';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

enum class CharClass { kBreak, kBlank, kPunct, kWord };

CharClass ClassAt(const std::string& text, std::size_t pos) {
  const char c = text[pos];
  if (IsBreak(c)) return CharClass::kBreak;
  if (IsBlank(c)) return CharClass::kBlank;
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x80 || std::isalnum(u) || c == '_') return CharClass::kWord;
  return CharClass::kPunct;
}

// The length of the line break at `pos` (0 when there is none).
std::size_t BreakLength(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  if (text[pos] == '\r') return pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
  return text[pos] == '\n' ? 1 : 0;
}

// Wraps one hard line [start, end) whose break ends at `next`.
void WrapLine(const std::string& text, std::size_t start, std::size_t end, std::size_t next,
              int wrap_width, const PrefixWidths& widths, std::vector<EditLine>* lines) {
  if (start == end) {
    lines->push_back(EditLine{start, end, next});
    return;
  }
  const std::vector<int> x = widths(text, start, end);
  auto width = [&](std::size_t from, std::size_t to) { return x[to - start] - x[from - start]; };
  std::size_t s = start;
  while (width(s, end) > wrap_width) {
    // The last character end that fits; at least one character.
    std::size_t fit = NextCharacter(text, s);
    for (std::size_t p = fit; p < end;) {
      std::size_t q = NextCharacter(text, p);
      if (width(s, q) > wrap_width) break;
      fit = q;
      p = q;
    }
    // Rather after a blank within that.
    std::size_t cut = fit;
    for (std::size_t p = fit; p > s; p = PreviousCharacter(text, p)) {
      if (IsBlank(text[p - 1])) {
        cut = p;
        break;
      }
    }
    // Blanks after the cut stay on this line.
    while (cut < end && IsBlank(text[cut])) ++cut;
    if (cut >= end) break;
    lines->push_back(EditLine{s, cut, cut});
    s = cut;
  }
  lines->push_back(EditLine{s, end, next});
}

}  // namespace

std::vector<EditLine> LayoutEditLines(const std::string& text, bool multiline, int wrap_width,
                                      const PrefixWidths& widths) {
  std::vector<EditLine> lines;
  if (!multiline) {
    lines.push_back(EditLine{0, text.size(), text.size()});
    return lines;
  }
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find_first_of("\r\n", start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    const std::size_t next = end + BreakLength(text, end);
    if (wrap_width > 0) {
      WrapLine(text, start, end, next, wrap_width, widths, &lines);
    } else {
      lines.push_back(EditLine{start, end, next});
    }
    if (last) break;
    start = next;
  }
  return lines;
}

std::size_t LineOfPosition(const std::vector<EditLine>& lines, std::size_t pos) {
  auto it = std::upper_bound(lines.begin(), lines.end(), pos,
                             [](std::size_t p, const EditLine& line) { return p < line.start; });
  if (it == lines.begin()) return 0;
  return static_cast<std::size_t>(it - lines.begin()) - 1;
}

std::size_t NextCaretStop(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  if (std::size_t length = BreakLength(text, pos)) return pos + length;
  return NextCharacter(text, pos);
}

std::size_t PreviousCaretStop(const std::string& text, std::size_t pos) {
  if (pos == 0) return 0;
  if (pos > text.size()) pos = text.size();
  if (text[pos - 1] == '\n' && pos >= 2 && text[pos - 2] == '\r') return pos - 2;
  return PreviousCharacter(text, pos);
}

std::size_t SnapPosition(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  pos = CharacterStart(text, pos);
  if (pos > 0 && text[pos] == '\n' && text[pos - 1] == '\r') --pos;
  return pos;
}

std::size_t NextWordStart(const std::string& text, std::size_t pos) {
  pos = SnapPosition(text, pos);
  if (pos >= text.size()) return text.size();
  const CharClass cls = ClassAt(text, pos);
  if (cls == CharClass::kBreak) {
    pos = NextCaretStop(text, pos);
  } else if (cls != CharClass::kBlank) {
    while (pos < text.size() && ClassAt(text, pos) == cls) pos = NextCaretStop(text, pos);
  }
  while (pos < text.size() && ClassAt(text, pos) == CharClass::kBlank) ++pos;
  return pos;
}

std::size_t PreviousWordStart(const std::string& text, std::size_t pos) {
  pos = SnapPosition(text, pos);
  if (pos == 0) return 0;
  std::size_t p = PreviousCaretStop(text, pos);
  while (p > 0 && ClassAt(text, p) == CharClass::kBlank) p = PreviousCaretStop(text, p);
  const CharClass cls = ClassAt(text, p);
  if (cls == CharClass::kBreak || cls == CharClass::kBlank) return p;
  while (p > 0) {
    std::size_t q = PreviousCaretStop(text, p);
    if (ClassAt(text, q) != cls) break;
    p = q;
  }
  return p;
}

void WordAround(const std::string& text, std::size_t pos, std::size_t* start, std::size_t* end) {
  pos = SnapPosition(text, pos);
  // On a line break or at the end, the word before counts.
  if ((pos >= text.size() || ClassAt(text, pos) == CharClass::kBreak) && pos > 0 &&
      ClassAt(text, PreviousCaretStop(text, pos)) != CharClass::kBreak) {
    pos = PreviousCaretStop(text, pos);
  }
  if (pos >= text.size() || ClassAt(text, pos) == CharClass::kBreak) {
    *start = *end = pos;
    return;
  }
  CharClass cls = ClassAt(text, pos);
  std::size_t s = pos;
  if (cls == CharClass::kBlank) {
    // Blanks go with the word before them.
    while (s > 0 && ClassAt(text, s - 1) == CharClass::kBlank) --s;
    if (s > 0 && ClassAt(text, PreviousCaretStop(text, s)) != CharClass::kBreak) {
      s = PreviousCaretStop(text, s);
      cls = ClassAt(text, s);
    }
  }
  while (s > 0) {
    std::size_t q = PreviousCaretStop(text, s);
    if (ClassAt(text, q) != cls) break;
    s = q;
  }
  std::size_t e = s;
  while (e < text.size() && ClassAt(text, e) == cls) e = NextCaretStop(text, e);
  while (e < text.size() && ClassAt(text, e) == CharClass::kBlank) ++e;
  *start = s;
  *end = e;
}

}  // namespace platform::ctl
