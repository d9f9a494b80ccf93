// The text of a rich-text (RTF) list view cell read into the runs the
// list view lays out as it does mark-up.
#pragma once

#include <vector>

#include "library/CellMarkup.h"

// A rich-text (RTF) cell's text as runs: words in their font (from the
// font table), size (half-points of \fs, as points), colour (from the
// colour table; \cf0 and no table: TextColor), highlight, bold, italic,
// underline and strikeout; \par and \line as line breaks, \ql, \qc and
// \qr as paragraph alignments. \'hh bytes are Windows-1252, \u the
// character of its number (the \uc characters after it skipped).
std::vector<TMarkupRun> ParseRichText(const String& Rtf, TColor TextColor);
// The text of a rich-text (RTF) cell without its mark-up.
String RtfPlainText(const String& Rtf);
