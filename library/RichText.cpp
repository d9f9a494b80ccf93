#include "library/RichText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

#include "classlib/Control.h"
#include "classlib/StringRoutines.h"
#include "platform/core/utf8.h"
#include "tags/TextCodec.h"

namespace {

// The destinations of RTF groups that hold no text of the document.
bool SkippedDestination(const String& word) {
  static const char* const kSkipped[] = {"stylesheet", "info",      "pict",     "header",   "footer",
                                         "headerl",    "headerr",   "footerl",  "footerr",  "object",
                                         "listtable",  "listoverridetable",     "rsidtbl",  "generator",
                                         "fldinst",    "filetbl",   "revtbl",   "pntext",   "xmlnstbl",
                                         "themedata",  "latentstyles", "datastore", "colorschememapping"};
  for (const char* name : kSkipped) {
    if (word == name) return true;
  }
  return false;
}

// Characters some control words stand for.
const char* SymbolOfWord(const String& word) {
  static const struct {
    const char* word;
    const char* text;
  } kSymbols[] = {{"emdash", "\u2014"},   {"endash", "\u2013"},    {"bullet", "\u2022"},
                  {"lquote", "\u2018"},   {"rquote", "\u2019"},    {"ldblquote", "\u201C"},
                  {"rdblquote", "\u201D"}, {"emspace", " "},       {"enspace", " "},
                  {"qmspace", " "}};
  for (const auto& symbol : kSymbols) {
    if (word == symbol.word) return symbol.text;
  }
  return nullptr;
}

class RichTextParser {
 public:
  RichTextParser(const String& rtf, TColor text_color) : rtf_(rtf), text_color_(text_color) {}

  std::vector<TMarkupRun> Parse() {
    const std::size_t n = rtf_.size();
    std::size_t i = 0;
    while (i < n) {
      const char c = rtf_[i];
      if (c == '{') {
        Flush();
        stack_.push_back(state_);
        ++i;
      } else if (c == '}') {
        Flush();
        if (state_.dest == kColorTable && color_started_) CommitColor();
        if (!stack_.empty()) {
          state_ = stack_.back();
          stack_.pop_back();
        }
        ++i;
      } else if (c == '\\') {
        i = ControlAt(i);
      } else if (c == '\r' || c == '\n') {
        ++i;
      } else {
        Character(String(1, c));
        ++i;
      }
    }
    Flush();
    return std::move(runs_);
  }

 private:
  enum Destination { kText, kSkip, kFontTable, kColorTable };
  struct State {
    Destination dest = kText;
    TFontStyles style;
    int font = -1;         // the font table's number; -1: the cell's font
    int half_points = 0;   // 0: the cell's size
    int color = 0;         // the colour table's index; 0: the text colour
    int highlight = 0;     // 0: none
    int unicode_skip = 1;  // characters after \u that stand in for it
  };

  // Reads the control word or symbol at `at` (a backslash) and returns
  // where reading goes on.
  std::size_t ControlAt(std::size_t at) {
    const std::size_t n = rtf_.size();
    if (at + 1 >= n) return n;
    const char next = rtf_[at + 1];
    if (!std::isalpha(static_cast<unsigned char>(next))) {
      switch (next) {
        case '\\':
        case '{':
        case '}': Character(String(1, next)); break;
        case '~': Character("\u00A0"); break;
        case '_': Character("-"); break;
        case '*': state_.dest = kSkip; break;
        case '\r':
        case '\n': LineBreak(); break;
        case '\'':
          if (at + 3 < n) {
            const String hex = rtf_.substr(at + 2, 2);
            char* end = nullptr;
            const long byte = std::strtol(hex.c_str(), &end, 16);
            if (hex.size() == 2 && end == hex.c_str() + 2) {
              Character(tags::Windows1252ToUtf8(String(1, static_cast<char>(byte))));
              return at + 4;
            }
          }
          return std::min(n, at + 2);
        default: break;
      }
      return at + 2;
    }
    std::size_t j = at + 1;
    while (j < n && std::isalpha(static_cast<unsigned char>(rtf_[j]))) ++j;
    const String word = rtf_.substr(at + 1, j - at - 1);
    bool has_param = false;
    long long param = 0;
    if (j < n && (rtf_[j] == '-' || std::isdigit(static_cast<unsigned char>(rtf_[j])))) {
      const bool negative = rtf_[j] == '-';
      if (negative) ++j;
      while (j < n && std::isdigit(static_cast<unsigned char>(rtf_[j]))) {
        has_param = true;
        if (param < 1000000000) param = param * 10 + (rtf_[j] - '0');
        ++j;
      }
      if (negative) param = -param;
    }
    if (j < n && rtf_[j] == ' ') ++j;
    Word(word, has_param, static_cast<int>(std::clamp(param, -2147483647LL, 2147483647LL)));
    return j;
  }

  void Word(const String& word, bool has_param, int param) {
    const bool on = !has_param || param != 0;
    if (word == "fonttbl") {
      state_.dest = kFontTable;
      return;
    }
    if (word == "colortbl") {
      state_.dest = kColorTable;
      return;
    }
    if (SkippedDestination(word)) {
      state_.dest = kSkip;
      return;
    }
    if (state_.dest == kFontTable) {
      if (word == "f") font_number_ = param;
      return;
    }
    if (state_.dest == kColorTable) {
      const int value = std::clamp(param, 0, 255);
      if (word == "red") red_ = value;
      if (word == "green") green_ = value;
      if (word == "blue") blue_ = value;
      if (word == "red" || word == "green" || word == "blue") color_started_ = true;
      return;
    }
    if (state_.dest == kSkip) return;
    if (word == "u") {
      const int code = param < 0 ? param + 65536 : param;
      String text;
      platform::AppendUtf8(text, static_cast<char32_t>(std::max(0, code)));
      skip_ = 0;
      Character(text);
      skip_ = state_.unicode_skip;
      return;
    }
    if (word == "uc") {
      state_.unicode_skip = std::clamp(param, 0, 16);
      return;
    }
    if (const char* symbol = SymbolOfWord(word)) {
      Character(symbol);
      return;
    }
    if (word == "tab") {
      Character("\t");
      return;
    }
    if (word == "par" || word == "line" || word == "sect" || word == "page") {
      LineBreak();
      return;
    }
    Flush();
    auto style = [&](TFontStyle which, bool value) {
      if (value) {
        state_.style.Include(which);
      } else {
        state_.style.Exclude(which);
      }
    };
    if (word == "b") {
      style(fsBold, on);
    } else if (word == "i") {
      style(fsItalic, on);
    } else if (word == "strike") {
      style(fsStrikeOut, on);
    } else if (word == "ulnone") {
      style(fsUnderline, false);
    } else if (word.rfind("ul", 0) == 0) {
      style(fsUnderline, on);
    } else if (word == "plain") {
      state_.style = TFontStyles();
      state_.font = -1;
      state_.half_points = 0;
      state_.color = 0;
      state_.highlight = 0;
    } else if (word == "f") {
      state_.font = param;
    } else if (word == "fs") {
      state_.half_points = std::clamp(param, 0, 3276);
    } else if (word == "cf") {
      state_.color = param;
    } else if (word == "cb" || word == "highlight") {
      state_.highlight = param;
    } else if (word == "pard" || word == "ql" || word == "qj") {
      Paragraph(taLeftJustify);
    } else if (word == "qc") {
      Paragraph(taCenter);
    } else if (word == "qr") {
      Paragraph(taRightJustify);
    }
  }

  void Character(const String& text) {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    switch (state_.dest) {
      case kText: pending_ += text; break;
      case kFontTable:
        if (text == ";") {
          fonts_[font_number_] = Trim(font_name_);
          font_name_.clear();
        } else {
          font_name_ += text;
        }
        break;
      case kColorTable:
        if (text == ";") CommitColor();
        break;
      case kSkip: break;
    }
  }

  void CommitColor() {
    colors_.push_back(color_started_ ? static_cast<TColor>(red_ | (green_ << 8) | (blue_ << 16)) : clNone);
    red_ = green_ = blue_ = 0;
    color_started_ = false;
  }

  TColor ColorAt(int index, TColor fallback) const {
    if (index <= 0 || index >= static_cast<int>(colors_.size())) return fallback;
    const TColor color = colors_[static_cast<std::size_t>(index)];
    return color == clNone ? fallback : color;
  }

  // The pending text as words (a word ends after a blank) in the current
  // format.
  void Flush() {
    skip_ = 0;
    if (pending_.empty()) return;
    TMarkupRun run;
    run.style = state_.style;
    if (const auto font = fonts_.find(state_.font); font != fonts_.end()) run.face = font->second;
    run.size = (state_.half_points + 1) / 2;
    run.color = ColorAt(state_.color, text_color_);
    run.background = ColorAt(state_.highlight, clNone);
    std::size_t from = 0;
    while (from < pending_.size()) {
      std::size_t blank = pending_.find(' ', from);
      const std::size_t end = blank == String::npos ? pending_.size() : blank + 1;
      run.text = pending_.substr(from, end - from);
      runs_.push_back(run);
      from = end;
    }
    pending_.clear();
  }

  void LineBreak() {
    if (state_.dest != kText) return;
    Flush();
    TMarkupRun run;
    run.kind = TMarkupRun::rkLineBreak;
    runs_.push_back(run);
  }

  void Paragraph(int alignment) {
    TMarkupRun run;
    run.kind = TMarkupRun::rkParagraph;
    run.value = alignment;
    runs_.push_back(run);
  }

  const String& rtf_;
  const TColor text_color_;
  std::vector<TMarkupRun> runs_;
  State state_;
  std::vector<State> stack_;
  String pending_;
  int skip_ = 0;
  std::map<int, String> fonts_;
  int font_number_ = 0;
  String font_name_;
  std::vector<TColor> colors_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool color_started_ = false;
};

}  // namespace

std::vector<TMarkupRun> ParseRichText(const String& Rtf, TColor TextColor) {
  return RichTextParser(Rtf, TextColor).Parse();
}

String RtfPlainText(const String& Rtf) {
  String plain;
  for (const TMarkupRun& run : ParseRichText(Rtf, clBlack)) {
    if (run.kind == TMarkupRun::rkText) plain += run.text;
    if (run.kind == TMarkupRun::rkLineBreak) plain += ' ';
  }
  return plain;
}
