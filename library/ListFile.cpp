#include "library/ListFile.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "library/alvutil.h"

namespace {

constexpr char kQuote = '"';

// The lines of a list file as the delimiter detection counts them: the
// text inside quote marks is left out (the marks stay), so that what a
// quoted field holds is never taken for a delimiter, and a line end inside
// quote marks does not end the line.
class DetectionLines {
 public:
  explicit DetectionLines(const String& text) : text_(text) {}

  // The next line; false at the end of the text, or when a quote mark is
  // never closed (then Unbalanced is true).
  bool Next(String& line) {
    line.clear();
    if (pos_ >= text_.size()) return false;
    bool inside = false;
    for (; pos_ < text_.size(); ++pos_) {
      const char c = text_[pos_];
      if (c == kQuote) {
        inside = !inside;
        line += c;
      } else if (inside) {
        continue;
      } else if (c == '\n') {
        ++pos_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      } else {
        line += c;
      }
    }
    if (inside) {
      unbalanced_ = true;
      return false;
    }
    return true;
  }
  bool Unbalanced() const { return unbalanced_; }

 private:
  const String& text_;
  std::size_t pos_ = 0;
  bool unbalanced_ = false;
};

// Line `index` (0 or 1) of a text as it stands; empty when there is none.
String PlainLine(const String& text, int index) {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const std::size_t end = text.find('\n', start);
    if (end == String::npos) return String();
    start = end + 1;
  }
  if (start >= text.size()) return String();
  std::size_t end = text.find('\n', start);
  if (end == String::npos) return text.substr(start);
  if (end > start && text[end - 1] == '\r') --end;
  return text.substr(start, end - start);
}

// A detection line of the form the writer gives every line (each field in
// quote marks): nothing but quote marks and one candidate between them.
// That candidate, 0 for a line of one field, nothing for another form.
std::optional<char> WriterFormDelimiter(const String& line) {
  if (line.size() < 2 || line.front() != kQuote) return std::nullopt;
  char found = 0;
  for (char c : line) {
    if (c == kQuote) continue;
    if (found != 0 && c != found) return std::nullopt;
    if (std::find(std::begin(DelimiterCandidates), std::end(DelimiterCandidates), c) == std::end(DelimiterCandidates))
      return std::nullopt;
    found = c;
  }
  return found;
}

}  // namespace

void AppendListFileField(String& line, const String& field) {
  line += kQuote;
  std::size_t from = 0;
  for (std::size_t q = field.find(kQuote); q != String::npos; q = field.find(kQuote, from)) {
    line.append(field, from, q + 1 - from);
    line += kQuote;
    from = q + 1;
  }
  line.append(field, from, String::npos);
  line += kQuote;
}

char DetectDelimiter(const String& text) {
  DetectionLines lines(text);
  String line1, line2;
  if (lines.Next(line1)) lines.Next(line2);
  const bool plain = lines.Unbalanced();
  if (plain) {
    // A quote mark never closed: the lines as they stand.
    line1 = PlainLine(text, 0);
    line2 = PlainLine(text, 1);
  }
  char delimiter = 0;
  int best = 0;
  for (char candidate : DelimiterCandidates) {
    const int n1 = CountSingle(candidate, line1);
    const int n2 = CountSingle(candidate, line2);
    if (n1 == n2 && n1 > best) {
      delimiter = candidate;
      best = n1;
    }
  }
  if (delimiter != 0 || plain) return delimiter;
  String line = line1;
  for (int i = 0;; ++i) {
    const std::optional<char> form = WriterFormDelimiter(line);
    if (!form) return 0;
    if (*form != 0) return *form;
    if (i == 0) {
      line = line2;
    } else if (!lines.Next(line)) {
      return 0;
    }
  }
}

std::size_t TListFileReader::LinesLeft() const {
  return static_cast<std::size_t>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(pos_), text_.end(), '\n')) + 1;
}

std::size_t TListFileReader::ReadLine(std::vector<TListFileField>& fields) {
  std::size_t count = 0;
  for (;;) {
    if (count == fields.size()) fields.emplace_back();
    TListFileField& field = fields[count++];
    if (!ReadQuoted(field.text)) ReadPlain(field.text);
    field.quoted = quoted_;
    field.last = false;
    if (pos_ >= text_.size()) {
      field.last = true;
      return count;
    }
    const char c = text_[pos_];
    if (c == d_) {
      ++pos_;
      continue;
    }
    // The line end: LF, or CR LF.
    pos_ += c == '\r' ? 2 : 1;
    field.last = true;
    return count;
  }
}

bool TListFileReader::ReadQuoted(String& out) {
  quoted_ = false;
  if (pos_ >= text_.size() || text_[pos_] != kQuote) return false;
  out.clear();  // when this fails, ReadPlain fills it anew
  std::size_t from = pos_ + 1;
  for (;;) {
    const std::size_t q = text_.find(kQuote, from);
    if (q == String::npos) return false;
    if (q + 1 < text_.size() && text_[q + 1] == kQuote) {
      out.append(text_, from, q + 1 - from);
      from = q + 2;
      continue;
    }
    if (!EndsField(q + 1)) return false;
    out.append(text_, from, q - from);
    pos_ = q + 1;
    quoted_ = true;
    return true;
  }
}

bool TListFileReader::EndsField(std::size_t at) const {
  if (at >= text_.size()) return true;
  const char c = text_[at];
  return c == d_ || c == '\n' || (c == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n');
}

void TListFileReader::ReadPlain(String& out) {
  std::size_t end = pos_;
  while (end < text_.size() && text_[end] != d_ && text_[end] != '\n') ++end;
  std::size_t stop = end;
  if (end < text_.size() && text_[end] == '\n' && stop > pos_ && text_[stop - 1] == '\r') --stop;
  out.assign(text_, pos_, stop - pos_);
  pos_ = stop;
}
