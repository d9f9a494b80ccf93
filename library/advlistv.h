// TAdvListView: the report list of the program's list windows (song list,
// movie list, search results, ripper tracks): a list view whose rows are a
// caption and sub-items, with the list files that keep a list between runs
// ("mp3.csv", "movie.csv").
//
// List file: one text line per item, CR LF written (LF or CR LF read): the
// caption, then for each sub-item the delimiter and its text. The
// delimiter is a comma until a loaded file shows another, which the
// control then keeps for its later saves. A field is read inside quote
// marks when it begins with one; the writer puts a field that holds the
// delimiter (and no quote mark) inside quote marks so that it reads back
// whole.
#pragma once

#include <memory>

#include "classlib/ComCtrls.h"
#include "classlib/Exceptions.h"
#include "classlib/Fonts.h"

class EAdvListViewError : public Exception {
 public:
  using Exception::Exception;
};

// The candidates of the delimiter detection, in the order they are tried.
inline constexpr char DelimiterCandidates[] = {',', ';', '#', '\t', '|'};

// At most this many columns are added by one line of a list file.
inline constexpr int MaxColumnsAddedPerLine = 256;

class TAdvListView : public TListView {
 public:
  explicit TAdvListView(TComponent* AOwner);
  ~TAdvListView() override;

  void Loaded() override;

  // Writes the list file. A list without columns or items writes nothing
  // (an existing file keeps its content). The file is replaced whole: a
  // write that fails leaves the old file and raises EInOutError.
  void SaveToFile(const String& FileName);
  void LoadFromFile(const String& FileName) { LoadFromFileEx(FileName, false); }
  // Reads a list file into the control, appending its items (with
  // LoadHeader and not NoHeader, the columns are cleared and the first line
  // gives their captions). Raises EAdvListViewError "File cannot be opened"
  // when the file cannot be opened (the control is unchanged).
  void LoadFromFileEx(const String& FileName, bool NoHeader);
  // Loads list-file text (what LoadFromFileEx reads from the file).
  void LoadFromText(const String& Text, bool NoHeader);
  // The list-file text SaveToFile writes (empty when it would write none).
  String SaveToText() const;
  // Deletes every item and empties every column caption.
  void ClearAll();

  // Follows the owner form's size changes (with SizeWithForm), then calls
  // the form's previous OnResize handler.
  void FormResized(TObject* Sender);

  TFont* HeaderFont() const { return header_font_.get(); }
  void SetHeaderFont(TFont* Value) { header_font_->Assign(Value); }
  int ItemHeight() const { return item_height_; }
  // Values below 1 are ignored.
  void SetItemHeight(int Value);

  // Separator of the list file; 0 until a load detects one (writing then
  // uses a comma).
  char Delimiter = 0;
  bool SaveHeader = false;
  bool LoadHeader = false;
  bool SizeWithForm = false;
  TColor SelectionColor = clHighlight;
  TColor SelectionTextColor = clHighlightText;

 protected:
  void CreateWnd() override;

 private:
  void HeaderFontChanged(TObject* Sender);
  void ApplyHeaderFont();
  // Reads one line of a list file into the columns or a new item.
  void ReadHeaderLine(String Rest, char D);
  void ReadItemLine(String Rest, char D);

  std::unique_ptr<TFont> header_font_;
  int item_height_ = 13;
  TNotifyEvent previous_form_resize_;
  bool had_previous_form_resize_ = false;
  int last_form_width_ = 0;
  int last_form_height_ = 0;
};
