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

struct FontState {
  String face;
  int size = 0;
  TColor color;
  TColor background;
};

}  // namespace

std::vector<TMarkupRun> ParseMarkup(const String& Text, TColor TextColor, TColor AnchorColor, TColor* Body) {
  std::vector<TMarkupRun> runs;
  TMarkupRun current;
  current.color = TextColor;
  std::vector<FontState> fonts;
  TColor color_before_anchor = TextColor;
  const std::size_t n = Text.size();
  std::size_t i = 0;
  auto add_word = [&](String word) {
    TMarkupRun run = current;
    run.kind = TMarkupRun::rkText;
    run.text = std::move(word);
    runs.push_back(std::move(run));
  };
  auto add_command = [&](TMarkupRun::Kind kind, int value = 0, String text = String()) {
    TMarkupRun run = current;
    run.kind = kind;
    run.value = value;
    run.text = std::move(text);
    runs.push_back(std::move(run));
  };
  while (i < n) {
    if (Text[i] != '<') {
      // A word ends before the next "<" or after a blank.
      std::size_t end = i;
      while (end < n && Text[end] != '<' && Text[end] != ' ') ++end;
      if (end < n && Text[end] == ' ') ++end;
      add_word(Text.substr(i, end - i));
      i = end;
      continue;
    }
    const std::size_t close = Text.find('>', i + 1);
    if (close == String::npos) {
      // An unclosed tag is shown as text.
      add_word(Text.substr(i));
      break;
    }
    const String tag = Text.substr(i + 1, close - i - 1);
    const String upper = UpperCase(tag);
    i = close + 1;
    if (upper.empty()) continue;
    if (upper[0] == '/') {
      const char letter = upper.size() > 1 ? upper[1] : '\0';
      switch (letter) {
        case 'A':
          current.anchor.clear();
          current.style.Exclude(fsUnderline);
          current.color = color_before_anchor;
          break;
        case 'B': current.style.Exclude(fsBold); break;
        case 'I': current.style.Exclude(fsItalic); break;
        case 'U': current.style.Exclude(fsUnderline); break;
        case 'S': current.style.Exclude(fsStrikeOut); break;
        case 'P':
          add_command(TMarkupRun::rkParagraph, taLeftJustify);
          break;
        case 'F':
          if (!fonts.empty()) {
            current.face = fonts.back().face;
            current.size = fonts.back().size;
            current.color = fonts.back().color;
            current.background = fonts.back().background;
            fonts.pop_back();
          }
          break;
        default: break;
      }
      continue;
    }
    switch (upper[0]) {
      case 'A':
        current.anchor = AttributeValue(tag, upper, "HREF");
        color_before_anchor = current.color;
        current.color = AnchorColor;
        current.style.Include(fsUnderline);
        break;
      case 'B':
        if (upper == "BR") {
          add_command(TMarkupRun::rkLineBreak);
        } else if (upper.rfind("BODY", 0) == 0) {
          const String value = AttributeValue(tag, upper, "BGCOLOR");
          if (Body != nullptr && !value.empty()) *Body = MarkupColor(value);
        } else if (upper == "B") {
          current.style.Include(fsBold);
        }
        break;
      case 'F': {
        fonts.push_back(FontState{current.face, current.size, current.color, current.background});
        const String face = AttributeValue(tag, upper, "FACE");
        if (!face.empty()) current.face = face;
        // The colour is recognised by " COLOR" but read after the first
        // "COLOR" of the tag.
        if (upper.find(" COLOR") != String::npos) {
          const String value = AttributeValue(tag, upper, "COLOR");
          if (!value.empty()) current.color = MarkupColor(value);
        }
        const String background = AttributeValue(tag, upper, "BGCOLOR");
        if (!background.empty()) current.background = MarkupColor(background);
        const String size = AttributeValue(tag, upper, "SIZE");
        int points = 0;
        if (!size.empty() && TryStrToInt(size, points) && points > 0) current.size = points;
        break;
      }
      case 'H':
        if (upper.rfind("HR", 0) == 0) add_command(TMarkupRun::rkRule);
        break;
      case 'I':
        if (upper == "I") {
          current.style.Include(fsItalic);
        } else if (upper.rfind("IND", 0) == 0) {
          int x = 0;
          TryStrToInt(AttributeValue(tag, upper, "X"), x);
          add_command(TMarkupRun::rkIndent, x);
        } else if (upper.rfind("IMG", 0) == 0) {
          add_command(TMarkupRun::rkImage, 0, AttributeValue(tag, upper, "SRC"));
        }
        break;
      case 'P': {
        const String align = LowerCase(AttributeValue(tag, upper, "ALIGN"));
        int value = taLeftJustify;
        if (align == "right") value = taRightJustify;
        if (align == "center") value = taCenter;
        add_command(TMarkupRun::rkParagraph, value);
        break;
      }
      case 'S': current.style.Include(fsStrikeOut); break;
      case 'U': current.style.Include(fsUnderline); break;
      default: break;
    }
  }
  return runs;
}
