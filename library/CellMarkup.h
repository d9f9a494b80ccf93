// The mark-up of a list view cell: an HTML-like text ("<b>bold</b>",
// "<font color=\"clred\">", "<a href=\"...\">") read into runs that the
// list view lays out line by line, and the colour names and "#rrggbb"
// values the mark-up takes.
#pragma once

#include <vector>

#include "classlib/Colors.h"
#include "classlib/Fonts.h"

// The 16 standard colour keywords ("clred" ...) and the 24 system ones
// ("clbackground" ... "clinfobk"); black for any other name.
TColor ColorByName(const String& Name);
// "#rrggbb" (red in the low byte of the result); black unless six
// hexadecimal digits follow the "#".
TColor HexColor(const String& Text);

// One run of laid-out mark-up: a word (or a picture) in one style, or a
// command that ends or moves the line.
struct TMarkupRun {
  enum Kind { rkText, rkLineBreak, rkRule, rkIndent, rkImage, rkParagraph };
  Kind kind = rkText;
  String text;        // the word (rkText), or the picture's source (rkImage)
  TFontStyles style;
  TColor color = clBlack;
  TColor background = clNone;  // clNone: transparent
  String face;        // empty: the cell's font
  int size = 0;       // points; 0: the cell's font
  String anchor;      // the anchor the run belongs to (empty: none)
  int value = 0;      // rkIndent: x; rkParagraph: the alignment (TAlignment)
};

// The cell's text as runs. Tags are read by their first letter, attribute
// values between double quotes; a font size that is not a number and a bad
// "#rrggbb" colour are ignored (black for the colour); the cell fill of
// <BODY bgcolor> is returned through `body`.
std::vector<TMarkupRun> ParseMarkup(const String& Text, TColor TextColor, TColor AnchorColor,
                                      TColor* Body = nullptr);
