#include "library/CellMarkup.h"

#include <cctype>

#include "classlib/Control.h"
#include "classlib/StringRoutines.h"

TColor ColorByName(const String& Name) {
  static const struct {
    const char* name;
    TColor color;
  } kStandard[] = {{"clred", clRed},         {"clblack", clBlack},   {"clblue", clBlue},     {"clgreen", clGreen},
                   {"claqua", clAqua},       {"clyellow", clYellow}, {"clfuchsia", clFuchsia}, {"clwhite", clWhite},
                   {"cllime", clLime},       {"clsilver", clSilver}, {"clgray", clGray},     {"clolive", clOlive},
                   {"clnavy", clNavy},       {"clpurple", clPurple}, {"clteal", clTeal},     {"clmaroon", clMaroon}};
  static const char* const kSystem[] = {
      "clbackground",  "clactivecaption", "clinactivecaption", "clmenu",       "clwindow",
      "clwindowframe", "clmenutext",      "clwindowtext",      "clcaptiontext", "clactiveborder",
      "clinactiveborder", "clappworkspace", "clhighlight",     "clhighlighttext", "clbtnface",
      "clbtnshadow",   "clgraytext",      "clbtntext",         "clinactivecaptiontext", "clbtnhighlight",
      "cl3ddkshadow",  "cl3dlight",       "clinfotext",        "clinfobk"};
  for (const auto& entry : kStandard) {
    if (Name == entry.name) return entry.color;
  }
  for (int i = 0; i < 24; ++i) {
    if (Name == kSystem[i]) return SystemColor(i + 1);
  }
  return clBlack;
}

TColor HexColor(const String& Text) {
  const std::size_t hash = Text.find('#');
  if (hash == String::npos || Text.size() < hash + 7) return clBlack;
  int rgb[3];
  for (int k = 0; k < 3; ++k) {
    int value = 0;
    for (int d = 0; d < 2; ++d) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(Text[hash + 1 + k * 2 + d])));
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        return clBlack;
      }
      value = value * 16 + digit;
    }
    rgb[k] = value;
  }
  return static_cast<TColor>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
}

namespace {

// The value of attribute `name` (upper case) of a tag: the text between the
// double quotes after the name; empty when the name or the quotes are
// missing.
String AttributeValue(const String& tag, const String& upper_tag, const String& name) {
  const std::size_t at = upper_tag.find(name);
  if (at == String::npos) return String();
  const std::size_t open = tag.find('"', at + name.size());
  if (open == String::npos) return String();
  const std::size_t close = tag.find('"', open + 1);
  if (close == String::npos) return String();
  return tag.substr(open + 1, close - open - 1);
}

TColor MarkupColor(const String& value) {
  if (LowerCase(value).find("cl") != String::npos) return ColorByName(LowerCase(value));
  if (value.find('#') != String::npos) return HexColor(value);
  return clBlack;
}

// The font a <FONT> tag changed, given back by its closing tag.
struct FontState {
  String face;
  int size = 0;
  TColor color;
  TColor background;
};

// Reads mark-up into runs, a word or a tag at a time. `current_` holds the
// style the next word takes; tags change it or add a command run.
class MarkupParser {
 public:
  MarkupParser(const String& text, TColor text_color, TColor anchor_color, TColor* body)
      : text_(text), anchor_color_(anchor_color), body_(body), color_before_anchor_(text_color) {
    current_.color = text_color;
  }

  std::vector<TMarkupRun> Parse() {
    while (pos_ < text_.size()) {
      if (text_[pos_] != '<') {
        ReadWord();
      } else if (!ReadTag()) {
        break;
      }
    }
    return std::move(runs_);
  }

 private:
  // A word ends before the next "<" or after a blank.
  void ReadWord() {
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != '<' && text_[end] != ' ') ++end;
    if (end < text_.size() && text_[end] == ' ') ++end;
    AddWord(text_.substr(pos_, end - pos_));
    pos_ = end;
  }

  // The tag at the reading position (its "<"); false for a tag that is
  // never closed, which is shown as text with the rest of the text.
  bool ReadTag() {
    const std::size_t close = text_.find('>', pos_ + 1);
    if (close == String::npos) {
      AddWord(text_.substr(pos_));
      return false;
    }
    const String tag = text_.substr(pos_ + 1, close - pos_ - 1);
    const String upper = UpperCase(tag);
    pos_ = close + 1;
    if (upper.empty()) return true;
    if (upper[0] == '/') {
      CloseTag(upper.size() > 1 ? upper[1] : '\0');
    } else {
      OpenTag(tag, upper);
    }
    return true;
  }

  // A closing tag, told by the letter after its "/".
  void CloseTag(char letter) {
    switch (letter) {
      case 'A': EndAnchor(); break;
      case 'B': current_.style.Exclude(fsBold); break;
      case 'I': current_.style.Exclude(fsItalic); break;
      case 'U': current_.style.Exclude(fsUnderline); break;
      case 'S': current_.style.Exclude(fsStrikeOut); break;
      case 'P': AddCommand(TMarkupRun::rkParagraph, taLeftJustify); break;
      case 'F': EndFont(); break;
      default: break;
    }
  }

  // An opening tag, told by its first letter (B and I by the whole tag).
  void OpenTag(const String& tag, const String& upper) {
    switch (upper[0]) {
      case 'A': BeginAnchor(AttributeValue(tag, upper, "HREF")); break;
      case 'B': OpenBTag(tag, upper); break;
      case 'F': BeginFont(tag, upper); break;
      case 'H':
        if (upper.rfind("HR", 0) == 0) AddCommand(TMarkupRun::rkRule);
        break;
      case 'I': OpenITag(tag, upper); break;
      case 'P': Paragraph(LowerCase(AttributeValue(tag, upper, "ALIGN"))); break;
      case 'S': current_.style.Include(fsStrikeOut); break;
      case 'U': current_.style.Include(fsUnderline); break;
      default: break;
    }
  }

  // <BR>, <BODY bgcolor="..."> (the cell's fill) and <B>.
  void OpenBTag(const String& tag, const String& upper) {
    if (upper == "BR") {
      AddCommand(TMarkupRun::rkLineBreak);
    } else if (upper.rfind("BODY", 0) == 0) {
      const String value = AttributeValue(tag, upper, "BGCOLOR");
      if (body_ != nullptr && !value.empty()) *body_ = MarkupColor(value);
    } else if (upper == "B") {
      current_.style.Include(fsBold);
    }
  }

  // <I>, <IND x="..."> and <IMG src="...">.
  void OpenITag(const String& tag, const String& upper) {
    if (upper == "I") {
      current_.style.Include(fsItalic);
    } else if (upper.rfind("IND", 0) == 0) {
      int x = 0;
      TryStrToInt(AttributeValue(tag, upper, "X"), x);
      AddCommand(TMarkupRun::rkIndent, x);
    } else if (upper.rfind("IMG", 0) == 0) {
      AddCommand(TMarkupRun::rkImage, 0, AttributeValue(tag, upper, "SRC"));
    }
  }

  // Words up to </A> are the anchor's: underlined, in the anchor colour.
  void BeginAnchor(const String& href) {
    current_.anchor = href;
    color_before_anchor_ = current_.color;
    current_.color = anchor_color_;
    current_.style.Include(fsUnderline);
  }

  void EndAnchor() {
    current_.anchor.clear();
    current_.style.Exclude(fsUnderline);
    current_.color = color_before_anchor_;
  }

  // <FONT face color bgcolor size>: the font is kept for </FONT>. The
  // colour is recognised by " COLOR" but read after the first "COLOR" of
  // the tag.
  void BeginFont(const String& tag, const String& upper) {
    fonts_.push_back(FontState{current_.face, current_.size, current_.color, current_.background});
    const String face = AttributeValue(tag, upper, "FACE");
    if (!face.empty()) current_.face = face;
    if (upper.find(" COLOR") != String::npos) {
      const String value = AttributeValue(tag, upper, "COLOR");
      if (!value.empty()) current_.color = MarkupColor(value);
    }
    const String background = AttributeValue(tag, upper, "BGCOLOR");
    if (!background.empty()) current_.background = MarkupColor(background);
    const String size = AttributeValue(tag, upper, "SIZE");
    int points = 0;
    if (!size.empty() && TryStrToInt(size, points) && points > 0) current_.size = points;
  }

  void EndFont() {
    if (fonts_.empty()) return;
    current_.face = fonts_.back().face;
    current_.size = fonts_.back().size;
    current_.color = fonts_.back().color;
    current_.background = fonts_.back().background;
    fonts_.pop_back();
  }

  // <P align="left|right|center">.
  void Paragraph(const String& align) {
    int value = taLeftJustify;
    if (align == "right") value = taRightJustify;
    if (align == "center") value = taCenter;
    AddCommand(TMarkupRun::rkParagraph, value);
  }

  void AddWord(String word) {
    TMarkupRun run = current_;
    run.kind = TMarkupRun::rkText;
    run.text = std::move(word);
    runs_.push_back(std::move(run));
  }

  void AddCommand(TMarkupRun::Kind kind, int value = 0, String text = String()) {
    TMarkupRun run = current_;
    run.kind = kind;
    run.value = value;
    run.text = std::move(text);
    runs_.push_back(std::move(run));
  }

  const String& text_;
  const TColor anchor_color_;
  TColor* const body_;
  std::size_t pos_ = 0;
  TMarkupRun current_;
  TColor color_before_anchor_;
  std::vector<FontState> fonts_;
  std::vector<TMarkupRun> runs_;
};

}  // namespace

std::vector<TMarkupRun> ParseMarkup(const String& Text, TColor TextColor, TColor AnchorColor, TColor* Body) {
  return MarkupParser(Text, TextColor, AnchorColor, Body).Parse();
}
