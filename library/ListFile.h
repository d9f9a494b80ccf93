// The list file of the song and movie lists ("mp3.csv", "movie.csv"): one
// text line per row, CR LF written (LF or CR LF read): the caption, then
// for each sub-item the delimiter and its text. The writer puts every
// field inside quote marks, doubling the quote marks of its text, so that
// any text reads back whole; the reader takes such a field inside its
// marks and any other field (files of earlier copies) as the plain text up
// to the next delimiter. TAdvListView reads and writes its rows with these.
#pragma once

#include <cstddef>
#include <vector>

#include "classlib/Object.h"

// The candidates of the delimiter detection, in the order they are tried.
inline constexpr char DelimiterCandidates[] = {',', ';', '#', '\t', '|'};

// At most this many columns are added by one line of a list file.
inline constexpr int MaxColumnsAddedPerLine = 256;

// One field of a list file as read.
struct TListFileField {
  String text;
  bool quoted = false;  // it stood inside quote marks
  bool last = false;    // it ended its line
};

// Appends a field as the list file holds it: inside quote marks, a quote
// mark of the text doubled. Every field is written so: the reader then
// takes it whole, whatever it holds (delimiters, quote marks, line ends).
void AppendListFileField(String& line, const String& field);

// The delimiter of a list file (0: none found). The first candidate whose
// lone occurrences (CountSingle) in lines 1 and 2 agree with the highest
// count wins. Lines that agree on none (a file of one line, rows of
// different lengths) still show the delimiter when they have the writer's
// form: the first one that holds a delimiter gives it.
char DetectDelimiter(const String& text);

// Reads the lines of a list file one at a time, split into fields at the
// delimiter. Lines end at LF; a CR before the LF belongs to the line end,
// and nothing follows a final line end. A field that begins with a quote
// mark and whose closing quote mark (one that is not doubled) is followed by
// the delimiter or the end of the line is read inside the marks, with each
// doubled quote mark taken as one; it may hold delimiters and line ends.
// Any other field is the plain text up to the next delimiter or line end,
// quote marks included (files written before every field was quoted held
// names with quote marks as they are).
class TListFileReader {
 public:
  TListFileReader(const String& text, char delimiter) : text_(text), d_(delimiter) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  // What is left to read: its size, and at most how many lines it holds.
  std::size_t SizeLeft() const { return text_.size() - pos_; }
  std::size_t LinesLeft() const;

  // Reads the next line's fields (at least one) into the first entries of
  // `fields` and returns how many; call only when not AtEnd. The entries
  // beyond stay for later lines, so their texts keep their storage.
  std::size_t ReadLine(std::vector<TListFileField>& fields);

 private:
  // The quoted field at the reading position, when there is one.
  bool ReadQuoted(String& out);
  // Whether a field may end at `at`: the end of the text, the delimiter,
  // LF or CR LF.
  bool EndsField(std::size_t at) const;
  // The plain field at the reading position, up to the delimiter or the
  // line end (the reading position is left there).
  void ReadPlain(String& out);

  const String& text_;
  const char d_;
  std::size_t pos_ = 0;
  bool quoted_ = false;
};
