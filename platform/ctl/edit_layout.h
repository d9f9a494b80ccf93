// How an edit field's text falls into lines, and the character and word
// steps of its caret. Independent of windows: the widths come from a
// measuring function.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform::ctl {

// One line as shown: bytes [start, end) are its text; `next` is where the
// following line starts (after the line break, or `end` itself for a line
// wrapped at a word).
struct EditLine {
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  bool soft() const { return next == end; }
};

// The x of every byte offset of text[from, to], measured from `from`
// (to - from + 1 values; only those on character starts matter).
using PrefixWidths =
    std::function<std::vector<int>(const std::string& text, std::size_t from, std::size_t to)>;

// The lines of a text. Single-line text is one line whatever it holds. A
// `wrap_width` above 0 wraps multi-line text: a line too wide breaks after
// the last blank that fits (the blanks stay at its end), or inside a word
// that alone is too wide. Always at least one line; text ending in a line
// break has an empty last line.
std::vector<EditLine> LayoutEditLines(const std::string& text, bool multiline, int wrap_width,
                                      const PrefixWidths& widths);

// The line a position is on: the last line starting at or before it.
std::size_t LineOfPosition(const std::vector<EditLine>& lines, std::size_t pos);

// One caret step forward or back: a whole UTF-8 character, or a whole line
// break (CR LF counts as one step).
std::size_t NextCaretStop(const std::string& text, std::size_t pos);
std::size_t PreviousCaretStop(const std::string& text, std::size_t pos);
// A position made valid: inside the text, not inside a character or
// between CR and LF.
std::size_t SnapPosition(const std::string& text, std::size_t pos);

// Word steps (Ctrl+Left / Ctrl+Right): to the start of the next word, or
// of this or the previous one. Words are runs of letters and digits (and
// of other characters than blanks and punctuation), or runs of
// punctuation; blanks separate them; a line break is a stop of its own.
std::size_t NextWordStart(const std::string& text, std::size_t pos);
std::size_t PreviousWordStart(const std::string& text, std::size_t pos);
// The word at a position and the blanks after it (a double click).
void WordAround(const std::string& text, std::size_t pos, std::size_t* start, std::size_t* end);

}  // namespace platform::ctl
