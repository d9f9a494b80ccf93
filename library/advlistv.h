// TAdvListView: the report list of the program's list windows (song list,
// movie list, search results, ripper tracks): a list view whose rows are a
// caption and sub-items, with the list files that keep a list between runs
// ("mp3.csv", "movie.csv"; their format is ListFile's).
//
// One class, its methods grouped by concern: creation and the list files
// here (advlistv.cpp); what cells show in ListViewCells, what the window
// does with the mouse, keys and header in ListViewWindow, sorting in
// ListViewSorting, the settings objects and the clipboard in
// ListViewSettings.
#pragma once

#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/ComCtrls.h"
#include "classlib/Exceptions.h"
#include "classlib/Fonts.h"
#include "library/CellMarkup.h"
#include "library/ListFile.h"
#include "library/ListViewCells.h"
#include "library/ListViewSettings.h"
#include "library/ListViewSorting.h"
#include "library/ListViewWindow.h"
#include "library/RichText.h"

class EAdvListViewError : public Exception {
 public:
  using Exception::Exception;
};

class THintWindow;

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

  // --- Cells (ListViewCells, ListViewWindow) ---
  // The cell under a point of the client area (sub-item 0: the caption
  // column); false when no row is there.
  bool CellAt(int X, int Y, int& SubItem, int& Item) const;
  // Column 0: the caption; others the sub-item (empty when missing); row
  // -1: the column's header caption.
  String CellText(int Column, int Row) const;
  void SetCellText(int Column, int Row, const String& Text);
  // The 16 standard colour keywords ("clred" ...) and the 24 system ones
  // ("clbackground" ... "clinfobk"); black for any other name.
  static TColor ColorByName(const String& Name);
  // "#rrggbb" (red in the low byte of the result); black unless six
  // hexadecimal digits follow the "#".
  static TColor HexColor(const String& Text);
  // Lays out (and with Draw, draws) mark-up into a rectangle; the anchor
  // under Point (when given) goes to Anchor. Returns the laid-out size.
  TSize DrawMarkup(TCanvas* Canvas, const TRect& Rect, const String& Text, bool Draw,
                   const TPoint* Point = nullptr, String* Anchor = nullptr);
  // Draws a rich-text (RTF) cell's text with its formatting into a
  // rectangle; in a selected row, unless SelectionRTFKeep, all of it in
  // SelectionTextColor. Returns the laid-out size.
  TSize DrawRichText(TCanvas* Canvas, const TRect& Rect, const String& Rtf, bool Selected);
  // Draws the shell's small or large icon of a file or folder (its own when
  // it exists, else that of its type), or the icon of that index.
  void DrawShellIcon(TCanvas* Canvas, int X, int Y, const String& Name, bool Large);
  // Moves a row to another place, keeping its selection and making it the
  // focused row.
  void MoveItem(int From, int To);

  // --- Sorting (ListViewSorting) ---
  // Sorts the rows by a column with its style (OnGetFormat), through
  // CompareItems.
  void Sort(int Column);
  // The comparison of the sort, in the shape the list's custom sort takes
  // (two TListItem pointers; Data is not used): the two rows' texts in the
  // column of the last Sort compared by that column's style, times the
  // direction; negative when Item1 goes first. The column and the
  // direction are shared by every list of this class, as the callback
  // form has no list of its own to read them from.
  static int CompareItems(LPARAM Item1, LPARAM Item2, LPARAM Data);
  TSortDirection SortDirection() const { return sort_direction_; }
  void SetSortDirection(TSortDirection Value);
  int SortColumn() const { return sort_column_; }
  TBitmap* SortUpGlyph() const { return sort_up_glyph_.get(); }
  void SetSortUpGlyph(TBitmap* Value) { sort_up_glyph_->Assign(Value); }
  TBitmap* SortDownGlyph() const { return sort_down_glyph_.get(); }
  void SetSortDownGlyph(TBitmap* Value) { sort_down_glyph_->Assign(Value); }
  bool SortShow = false;
  TSortIndicator SortIndicator = siLeft;
  TCustomImageList* HeaderImages = nullptr;

  // --- Settings and clipboard (ListViewSettings) ---
  TColumnSize* ColumnSize() const { return column_size_.get(); }
  TPrintsettings* PrintSettings() const { return print_settings_.get(); }
  THTMLSettings* HTMLSettings() const { return html_settings_.get(); }
  // Writes each column's width as "col<i>" into ColumnSize's file or key
  // (with Save, a Key and a Section).
  void SaveColumnSizes();
  // The selected rows (all rows unless SelectedOnly) as lines of TAB
  // separated fields ended by CR LF; false when the clipboard refused.
  bool CopyToClipboard(bool SelectedOnly = true);
  // Adds the clipboard's lines as rows (fields at TAB; lines end at CR LF,
  // LF or CR), selected, the last one focused; a line adds at most
  // MaxColumnsAddedPerLine columns.
  void PasteFromClipboard();
  // The text CopyToClipboard puts on the clipboard.
  String ClipboardText(bool SelectedOnly) const;
  // What PasteFromClipboard does with a text.
  void PasteText(const String& Text);
  bool ClipboardEnable = false;

  // --- Other published settings ---
  bool URLShow = false;
  bool URLFull = false;
  TColor URLColor = clBlue;
  bool WordWrap = false;
  TVAlignment VAlignment = vtaCenter;
  bool AutoHint = false;
  // While the vertical scroll thumb is dragged, the caption of the row at
  // the thumb shows beside the pointer.
  bool ScrollHint = false;
  bool SelectionRTFKeep = false;
  bool ReArrangeItems = false;
  // Cells of sub-items can be selected (Left and Right move between the
  // columns) and, with SubItemEdit, edited in place (Space or the list's
  // own label editing).
  bool SubItemEdit = false;
  bool SubItemSelect = false;
  int SelectedColumn() const { return selected_column_; }
  // The header's row of filter boxes (OnFilterChange, OnFilterBtnClick).
  bool FilterBar() const { return filter_bar_; }
  void SetFilterBar(bool Value);
  // Milliseconds from a filter edit to OnFilterChange.
  int FilterTimeOut() const { return filter_time_out_; }
  void SetFilterTimeOut(int Value);
  // The text of a column's filter box.
  String FilterText(int Column) const;
  // Header styles: hot tracking, flat (not buttons), columns dragged to
  // another place; sub-items with images.
  bool HeaderHotTrack() const { return header_hot_track_; }
  void SetHeaderHotTrack(bool Value);
  bool HeaderFlatStyle() const { return header_flat_style_; }
  void SetHeaderFlatStyle(bool Value);
  bool HeaderDragDrop() const { return header_drag_drop_; }
  void SetHeaderDragDrop(bool Value);
  bool SubImages() const { return sub_images_; }
  void SetSubImages(bool Value);
  // A picture tiled behind the rows (empty: the control's Color); rows
  // scrolled over it by other than whole tiles redraw the whole control.
  TBitmap* Wallpaper() const { return wallpaper_.get(); }
  void SetWallpaper(TBitmap* Value);

  TDrawItemPropEvent OnDrawItemProp;
  TAdvDrawItemEvent OnDrawItem;
  TGetFormatEvent OnGetFormat;
  TCustomCompareEvent OnCustomCompare;
  TSortStartEvent OnSortStart;
  TColumnEvent OnSortDone;
  TColumnEvent OnColumnSized;
  TColumnEvent OnColumnRClick;
  TPrintPageEvent OnPrintPage;
  TFitToPageEvent OnFitToPage;
  TPrintColumnWidthEvent OnPrintSetColumnWidth;
  TPrintNewPageEvent OnPrintNewPage;
  TColumnAllowEvent OnStartColumnTrack;
  TColumnEvent OnEndColumnTrack;
  TCellClickEvent OnRightClickCell;
  TCellClickEvent OnLeftClickCell;
  TCanEditCellEvent OnCanEditCell;
  TFilterEvent OnFilterChange;
  TFilterEvent OnFilterBtnClick;
  TAnchorEvent OnAnchorClick;
  TAnchorEvent OnAnchorEnter;
  TAnchorEvent OnAnchorExit;

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
  void Dispatch(TMessage& Message) override;
  void ColClick(TListColumn* Column) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DestroyWnd() override;
  bool CanEdit(TListItem* Item) override;
  void Edit(TListItem* Item, String& S) override;
  void DrawItem(TListItem* Item, TRect Rect, TOwnerDrawState State) override;
  // The list's own comparison (AlphaSort, kept sorting) stays the base's.
  using TListView::CompareItems;
  // Draws one cell of an owner-drawn row.
  virtual void DrawCell(int Item, int Column, const TRect& Rect, TOwnerDrawState State);
  virtual void LeftClickCell(int Item, int SubItem);
  virtual void RightClickCell(int Item, int SubItem);
  // Raises OnDrawItemProp.
  virtual void GetCellProps(int Item, int SubItem, TOwnerDrawState State, TBrush* ABrush, TFont* AFont,
                            const String& Text);

 private:
  // The clipboard keys (with ClipboardEnable): Ctrl+C and Ctrl+Insert
  // copy the selected rows, Ctrl+X and Shift+Delete cut them, Ctrl+V and
  // Shift+Insert paste; a key they take is cleared.
  void ClipboardKeyDown(Word& Key, TShiftState Shift);
  void HeaderFontChanged(TObject* Sender);
  void ApplyHeaderFont();
  // Reads the fields of the header line of a list file (the first Count
  // entries of Fields) into the columns.
  void ReadHeaderLine(std::vector<TListFileField>& Fields, std::size_t Count);
  // Adds the columns an item line of a list file asks for, and returns how
  // many of its first fields the item takes (the caption, then sub-items).
  std::size_t ItemLineFields(const std::vector<TListFileField>& Fields, std::size_t Count);
  // Reads the rest of a list file into the list while it is empty and kept
  // in text order or in none.
  void LoadIntoEmptyList(TListFileReader& Reader, std::vector<TListFileField>& Fields);

  // Lays out (and with Draw, draws) runs line by line into a rectangle,
  // filled first with Body unless it is clNone.
  TSize DrawRuns(TCanvas* Canvas, const TRect& Rect, const std::vector<TMarkupRun>& Runs, TColor Body, bool Draw,
                 const TPoint* Point, String* Anchor);
  // Pictures of <IMG src>: "idx:<n>" of the small images, "file://<path>"
  // of a bitmap file (only when it exists); 0 x 0 for any other.
  TSize PictureSize(const String& Source);
  void DrawPicture(TCanvas* Canvas, int X, int Y, const String& Source);
  // The anchor under the pointer in the cell at (X, Y) (empty: none).
  String AnchorAt(int X, int Y);

  std::unique_ptr<TFont> header_font_;
  std::unique_ptr<TColumnSize> column_size_;
  std::unique_ptr<TPrintsettings> print_settings_;
  std::unique_ptr<THTMLSettings> html_settings_;
  std::unique_ptr<TBitmap> wallpaper_;
  std::unique_ptr<TBitmap> sort_up_glyph_;
  std::unique_ptr<TBitmap> sort_down_glyph_;
  TSortDirection sort_direction_ = sdAscending;
  int sort_column_ = -1;
  // What CompareItems reads: the sub-item of the sort column (-1: the
  // caption) and +1 ascending or -1 descending.
  static int sort_sub_item_;
  static int sort_factor_;
  // The text CompareItems compares of a row: its caption or the sub-item
  // of the sort column (empty where the row has fewer sub-items).
  static String SortText(const TListItem* Item);
  String last_anchor_;
  // The column of the selected cell (SubItemSelect, SubItemEdit).
  int selected_column_ = 0;
  // The caption of the row whose sub-item is edited.
  String edited_caption_;
  // The control's cursor as loaded (back when the pointer leaves a link).
  TCursor saved_cursor_ = crDefault;
  // The row being dragged to another place (ReArrangeItems; -1: none).
  int drag_row_ = -1;
  // Scrolls the list while a row is dragged past its ends (every 300 ms).
  void DragTimer();
  bool filter_bar_ = false;
  bool header_hot_track_ = false;
  bool header_flat_style_ = false;
  bool header_drag_drop_ = false;
  bool sub_images_ = false;
  void ApplyHeaderStyles();
  void ApplyBackground();
  // ScrollHint: while the vertical thumb is dragged, the caption of the
  // row at the thumb in a hint window beside the pointer; hidden when the
  // scrolling ends.
  void ScrollHintFor(WPARAM Request);
  std::unique_ptr<THintWindow> scroll_hint_;
  // The first row shown at the last paint: rows scrolled since over a
  // wallpaper whose tiles they do not move by whole are all drawn anew.
  int painted_top_ = -1;
  bool WallpaperNeedsWholeRepaint();
  // With SortShow: a column's header without an indicator, and the sort
  // column's header showing the direction (glyphs or HeaderImages).
  void ShowPlainHeader(int Column);
  void ShowSortIndicator();
  int filter_time_out_ = 500;
  HWND HeaderWindow() const;
  void ApplyFilterBar();
  int item_height_ = 13;
  // The handler a list view puts into its form's OnResize: it can be told
  // apart from other handlers, so the chain can be mended when a list view
  // goes.
  struct ResizeLink {
    TAdvListView* view;
    void operator()(TObject* Sender) const { view->FormResized(Sender); }
  };
  TNotifyEvent previous_form_resize_;
  bool had_previous_form_resize_ = false;
  int last_form_width_ = 0;
  int last_form_height_ = 0;
};
