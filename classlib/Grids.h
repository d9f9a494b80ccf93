// TCustomGrid and TStringGrid: a windowed table of cells in rows and
// columns, the first FixedRows rows and FixedCols columns fixed (drawn as
// headers, never selected or scrolled), with a current cell (Col, Row), a
// selection, whole-row selection (goRowSelect), column and row sizing with
// the mouse (goColSizing, goRowSizing) and moving with the keys.
// TStringGrid keeps a text and an object per cell; Rows(i) and Cols(i) are
// string-list views of one row or column.
//
// The grid scrolls its non-fixed cells by TopRow and LeftCol (the keys keep
// the current cell in view); it shows no scroll bars.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "classlib/CustomControls.h"
#include "classlib/Exceptions.h"
#include "classlib/Form.h"
#include "classlib/Strings.h"

enum TGridOption {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking
};
using TGridOptions = Set<TGridOption>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = Set<TGridDrawStateItem>;

struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

VELKO_DECLARE_EXCEPTION(EInvalidGridOperation, Exception);

using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* AOwner);

  int ColCount() const { return col_count_; }
  void SetColCount(int Value);
  int RowCount() const { return row_count_; }
  void SetRowCount(int Value);
  int FixedCols() const { return fixed_cols_; }
  void SetFixedCols(int Value);
  int FixedRows() const { return fixed_rows_; }
  void SetFixedRows(int Value);
  int DefaultColWidth() const { return default_col_width_; }
  void SetDefaultColWidth(int Value);
  int DefaultRowHeight() const { return default_row_height_; }
  void SetDefaultRowHeight(int Value);
  int ColWidths(int Index) const;
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const;
  void SetRowHeights(int Index, int Value);
  int GridLineWidth() const { return grid_line_width_; }
  void SetGridLineWidth(int Value);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions Value);
  TColor FixedColor() const { return fixed_color_; }
  void SetFixedColor(TColor Value);
  TScrollStyle ScrollBars = ssBoth;
  bool DefaultDrawing = true;
  // bsSingle: a sunken edge around the grid.
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);

  // The current cell.
  int Col() const { return col_; }
  void SetCol(int Value) { FocusCell(Value, row_); }
  int Row() const { return row_; }
  void SetRow(int Value) { FocusCell(col_, Value); }
  TGridRect Selection() const;
  void SetSelection(const TGridRect& Value);
  // The first non-fixed row and column shown.
  int TopRow() const { return top_row_; }
  void SetTopRow(int Value);
  int LeftCol() const { return left_col_; }
  void SetLeftCol(int Value);
  // Non-fixed rows and columns that fit wholly.
  int VisibleRowCount();
  int VisibleColCount();

  // The inside of a cell on the grid (empty when it is not shown).
  TRect CellRect(int ACol, int ARow);
  // The cell at a point of the grid; -1 where there is none.
  void MouseToCell(int X, int Y, int& ACol, int& ARow);

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState);
  // Asks OnSelectCell whether the cell may become current.
  virtual bool SelectCell(int ACol, int ARow);
  virtual void SizeChanged(int /*OldColCount*/, int /*OldRowCount*/) {}
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void InvalidateCell(int ACol, int ARow);
  void InvalidateRow(int ARow);
  void InvalidateGrid() { Invalidate(); }

 private:
  // Makes (ACol, ARow) the current cell when it is a non-fixed cell that
  // may be selected, and shows it.
  void FocusCell(int ACol, int ARow);
  void ScrollIntoView(int ACol, int ARow);
  // The left edge of a column (top edge of a row) on the grid, or -1 when
  // it is scrolled out of view.
  int ColumnLeft(int ACol) const;
  int RowTop(int ARow) const;
  bool InSelection(int ACol, int ARow) const;
  // The column whose right border lies within a few pixels of X, in the
  // fixed rows (-1 when none): where a drag sizes the column.
  int SizingColumnAt(int X, int Y) const;

  int col_count_ = 5;
  int row_count_ = 5;
  int fixed_cols_ = 1;
  int fixed_rows_ = 1;
  int default_col_width_ = 64;
  int default_row_height_ = 24;
  std::vector<int> col_widths_;
  std::vector<int> row_heights_;
  int grid_line_width_ = 1;
  TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TColor fixed_color_ = clBtnFace;
  TBorderStyle border_style_ = bsSingle;
  int col_ = 1;
  int row_ = 1;
  TGridRect anchor_{1, 1, 1, 1};
  int top_row_ = 1;
  int left_col_ = 1;
  int sizing_col_ = -1;
  int sizing_start_x_ = 0;
  int sizing_start_width_ = 0;
};

class TStringGrid;

// One row or column of a string grid as a string list.
class TStringGridStrings : public TStrings {
 public:
  TStringGridStrings(TStringGrid* Grid, bool IsRow, int Index) : grid_(Grid), is_row_(IsRow), index_(Index) {}

  int Count() const override;
  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  // Fills the first empty cell; EInvalidGridOperation when none is left.
  int Add(const String& S) override;
  // A row or column has a fixed number of cells: these raise
  // EInvalidGridOperation.
  void Insert(int Index, const String& S) override;
  void Delete(int Index) override;
  // Empties every cell.
  void Clear() override;

 private:
  TStringGrid* grid_;
  bool is_row_;
  int index_;
};

class TStringGrid : public TCustomGrid {
 public:
  explicit TStringGrid(TComponent* AOwner);
  ~TStringGrid() override;

  // Raise EInvalidGridOperation "Grid index out of range" outside the grid.
  String Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const String& Value);
  TObject* Objects(int ACol, int ARow) const;
  void SetObjects(int ACol, int ARow, TObject* Value);
  TStrings* Rows(int ARow);
  TStrings* Cols(int ACol);

 protected:
  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
  void SizeChanged(int OldColCount, int OldRowCount) override;

 private:
  struct Cell {
    String text;
    TObject* object = nullptr;
  };
  const Cell& At(int ACol, int ARow) const;
  Cell& At(int ACol, int ARow);

  std::vector<std::vector<Cell>> cells_;  // [row][col]
  std::map<int, std::unique_ptr<TStringGridStrings>> rows_;
  std::map<int, std::unique_ptr<TStringGridStrings>> cols_;
};
