#include "classlib/Grids.h"

#include <algorithm>

#include "platform/gdi/gdi.h"

namespace {

constexpr const char* SGridIndexError = "Grid index out of range";
constexpr const char* SFixedColTooBig = "Fixed column count must be less than column count";
constexpr const char* SFixedRowTooBig = "Fixed row count must be less than row count";
// How near a column border the mouse must be to size the column.
constexpr int kSizingMargin = 3;

}  // namespace

// --- TCustomGrid ---

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
  SetBounds(0, 0, 320, 120);
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
}

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (border_style_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value) {
  if (border_style_ == Value) return;
  border_style_ = Value;
  RecreateWnd();
}

void TCustomGrid::SetColCount(int Value) {
  if (Value < 1) Value = 1;
  if (Value == col_count_) return;
  if (Value <= fixed_cols_) fixed_cols_ = Value - 1;
  const int old_cols = col_count_;
  col_count_ = Value;
  if (static_cast<int>(col_widths_.size()) > Value) col_widths_.resize(static_cast<std::size_t>(Value));
  col_ = std::clamp(col_, fixed_cols_, Value - 1);
  left_col_ = std::clamp(left_col_, fixed_cols_, Value - 1);
  anchor_ = TGridRect{col_, row_, col_, row_};
  SizeChanged(old_cols, row_count_);
  Invalidate();
}

void TCustomGrid::SetRowCount(int Value) {
  if (Value < 1) Value = 1;
  if (Value == row_count_) return;
  if (Value <= fixed_rows_) fixed_rows_ = Value - 1;
  const int old_rows = row_count_;
  row_count_ = Value;
  if (static_cast<int>(row_heights_.size()) > Value) row_heights_.resize(static_cast<std::size_t>(Value));
  row_ = std::clamp(row_, fixed_rows_, Value - 1);
  top_row_ = std::clamp(top_row_, fixed_rows_, Value - 1);
  anchor_ = TGridRect{col_, row_, col_, row_};
  SizeChanged(col_count_, old_rows);
  Invalidate();
}

void TCustomGrid::SetFixedCols(int Value) {
  if (Value < 0 || Value >= col_count_) throw EInvalidGridOperation(SFixedColTooBig);
  fixed_cols_ = Value;
  // The grid starts again at its first non-fixed column.
  col_ = Value;
  left_col_ = Value;
  anchor_ = TGridRect{col_, row_, col_, row_};
  Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
  if (Value < 0 || Value >= row_count_) throw EInvalidGridOperation(SFixedRowTooBig);
  fixed_rows_ = Value;
  row_ = Value;
  top_row_ = Value;
  anchor_ = TGridRect{col_, row_, col_, row_};
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
  default_col_width_ = Value;
  col_widths_.clear();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
  default_row_height_ = Value;
  row_heights_.clear();
  Invalidate();
}

int TCustomGrid::ColWidths(int Index) const {
  if (Index < 0 || Index >= col_count_) throw EInvalidGridOperation(SGridIndexError);
  return Index < static_cast<int>(col_widths_.size()) ? col_widths_[static_cast<std::size_t>(Index)]
                                                      : default_col_width_;
}

void TCustomGrid::SetColWidths(int Index, int Value) {
  if (Index < 0 || Index >= col_count_) throw EInvalidGridOperation(SGridIndexError);
  if (static_cast<int>(col_widths_.size()) <= Index) {
    col_widths_.resize(static_cast<std::size_t>(col_count_), default_col_width_);
  }
  col_widths_[static_cast<std::size_t>(Index)] = std::max(Value, 0);
  Invalidate();
}

int TCustomGrid::RowHeights(int Index) const {
  if (Index < 0 || Index >= row_count_) throw EInvalidGridOperation(SGridIndexError);
  return Index < static_cast<int>(row_heights_.size()) ? row_heights_[static_cast<std::size_t>(Index)]
                                                       : default_row_height_;
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
  if (Index < 0 || Index >= row_count_) throw EInvalidGridOperation(SGridIndexError);
  if (static_cast<int>(row_heights_.size()) <= Index) {
    row_heights_.resize(static_cast<std::size_t>(row_count_), default_row_height_);
  }
  row_heights_[static_cast<std::size_t>(Index)] = std::max(Value, 0);
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value) {
  if (grid_line_width_ == Value) return;
  grid_line_width_ = std::max(Value, 0);
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
  if (options_ == Value) return;
  options_ = Value;
  if (options_.Contains(goRowSelect)) col_ = fixed_cols_;
  anchor_ = TGridRect{col_, row_, col_, row_};
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
  if (fixed_color_ == Value) return;
  fixed_color_ = Value;
  Invalidate();
}

TGridRect TCustomGrid::Selection() const {
  TGridRect r{std::min(anchor_.Left, col_), std::min(anchor_.Top, row_), std::max(anchor_.Left, col_),
              std::max(anchor_.Top, row_)};
  if (options_.Contains(goRowSelect)) {
    r.Left = fixed_cols_;
    r.Right = col_count_ - 1;
  }
  return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
  anchor_ = TGridRect{Value.Left, Value.Top, Value.Left, Value.Top};
  col_ = std::clamp(Value.Right, fixed_cols_, col_count_ - 1);
  row_ = std::clamp(Value.Bottom, fixed_rows_, row_count_ - 1);
  Invalidate();
}

void TCustomGrid::SetTopRow(int Value) {
  Value = std::clamp(Value, fixed_rows_, std::max(fixed_rows_, row_count_ - 1));
  if (Value == top_row_) return;
  top_row_ = Value;
  Invalidate();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::SetLeftCol(int Value) {
  Value = std::clamp(Value, fixed_cols_, std::max(fixed_cols_, col_count_ - 1));
  if (Value == left_col_) return;
  left_col_ = Value;
  Invalidate();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

int TCustomGrid::ColumnLeft(int ACol) const {
  if (ACol >= fixed_cols_ && ACol < left_col_) return -1;
  int x = 0;
  for (int c = 0; c < fixed_cols_ && c < ACol; ++c) x += ColWidths(c) + grid_line_width_;
  for (int c = std::max(left_col_, fixed_cols_); c < ACol; ++c) x += ColWidths(c) + grid_line_width_;
  return x;
}

int TCustomGrid::RowTop(int ARow) const {
  if (ARow >= fixed_rows_ && ARow < top_row_) return -1;
  int y = 0;
  for (int r = 0; r < fixed_rows_ && r < ARow; ++r) y += RowHeights(r) + grid_line_width_;
  for (int r = std::max(top_row_, fixed_rows_); r < ARow; ++r) y += RowHeights(r) + grid_line_width_;
  return y;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) {
  if (ACol < 0 || ACol >= col_count_ || ARow < 0 || ARow >= row_count_) return TRect{};
  const int x = ColumnLeft(ACol);
  const int y = RowTop(ARow);
  if (x < 0 || y < 0) return TRect{};
  const TRect client = ClientRect();
  if (x >= client.right || y >= client.bottom) return TRect{};
  return Rect(x, y, std::min<int>(x + ColWidths(ACol), client.right), std::min<int>(y + RowHeights(ARow), client.bottom));
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
  ACol = -1;
  ARow = -1;
  for (int c = 0; c < col_count_; ++c) {
    const int x = ColumnLeft(c);
    if (x >= 0 && X >= x && X < x + ColWidths(c) + grid_line_width_) {
      ACol = c;
      break;
    }
  }
  for (int r = 0; r < row_count_; ++r) {
    const int y = RowTop(r);
    if (y >= 0 && Y >= y && Y < y + RowHeights(r) + grid_line_width_) {
      ARow = r;
      break;
    }
  }
}

int TCustomGrid::VisibleRowCount() {
  const int height = ClientHeight();
  int y = RowTop(top_row_);
  int count = 0;
  for (int r = top_row_; r < row_count_; ++r) {
    y += RowHeights(r) + grid_line_width_;
    if (y > height) break;
    ++count;
  }
  return count;
}

int TCustomGrid::VisibleColCount() {
  const int width = ClientWidth();
  int x = ColumnLeft(left_col_);
  int count = 0;
  for (int c = left_col_; c < col_count_; ++c) {
    x += ColWidths(c) + grid_line_width_;
    if (x > width) break;
    ++count;
  }
  return count;
}

bool TCustomGrid::InSelection(int ACol, int ARow) const {
  const TGridRect s = Selection();
  return ACol >= s.Left && ACol <= s.Right && ARow >= s.Top && ARow <= s.Bottom;
}

bool TCustomGrid::SelectCell(int ACol, int ARow) {
  bool can_select = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can_select);
  return can_select;
}

void TCustomGrid::FocusCell(int ACol, int ARow) {
  if (ACol < fixed_cols_ || ACol >= col_count_ || ARow < fixed_rows_ || ARow >= row_count_) {
    throw EInvalidGridOperation(SGridIndexError);
  }
  if (options_.Contains(goRowSelect)) ACol = col_;
  if (ACol == col_ && ARow == row_) return;
  if (!SelectCell(ACol, ARow)) return;
  col_ = ACol;
  row_ = ARow;
  anchor_ = TGridRect{ACol, ARow, ACol, ARow};
  ScrollIntoView(ACol, ARow);
  Invalidate();
}

void TCustomGrid::ScrollIntoView(int ACol, int ARow) {
  if (ARow < top_row_) {
    SetTopRow(ARow);
  } else {
    while (ARow >= top_row_ + std::max(VisibleRowCount(), 1) && top_row_ < ARow) SetTopRow(top_row_ + 1);
  }
  if (options_.Contains(goRowSelect)) return;
  if (ACol < left_col_) {
    SetLeftCol(ACol);
  } else {
    while (ACol >= left_col_ + std::max(VisibleColCount(), 1) && left_col_ < ACol) SetLeftCol(left_col_ + 1);
  }
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
  if (!HandleAllocated()) return;
  const RECT r = CellRect(ACol, ARow);
  InvalidateRect(Handle(), &r, FALSE);
}

void TCustomGrid::InvalidateRow(int ARow) {
  for (int c = 0; c < col_count_; ++c) InvalidateCell(c, ARow);
}

void TCustomGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomGrid::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  const bool focused = Focused();
  canvas->SetFont(Font());
  int max_right = 0;
  int max_bottom = 0;
  for (int r = 0; r < row_count_; ++r) {
    const int y = RowTop(r);
    if (y < 0 || y >= client.bottom) continue;
    for (int c = 0; c < col_count_; ++c) {
      const int x = ColumnLeft(c);
      if (x < 0 || x >= client.right) continue;
      const TRect cell = Bounds(x, y, ColWidths(c), RowHeights(r));
      const bool fixed = c < fixed_cols_ || r < fixed_rows_;
      TGridDrawState state;
      if (fixed) state.Include(gdFixed);
      const bool current = c == col_ && r == row_;
      if (!fixed && current && focused) state.Include(gdFocused);
      if (!fixed && InSelection(c, r) &&
          (!current || options_.Contains(goRowSelect) || options_.Contains(goDrawFocusSelected) || !focused)) {
        state.Include(gdSelected);
      }
      // The grid lines right of and below the cell.
      const bool vertical = fixed ? options_.Contains(goFixedVertLine) : options_.Contains(goVertLine);
      const bool horizontal = fixed ? options_.Contains(goFixedHorzLine) : options_.Contains(goHorzLine);
      canvas->Brush()->SetColor(fixed ? clBlack : clSilver);
      canvas->Brush()->SetStyle(bsSolid);
      if (grid_line_width_ > 0) {
        canvas->FillRect(Bounds(cell.right, cell.top, grid_line_width_, cell.bottom - cell.top + grid_line_width_));
        canvas->FillRect(Bounds(cell.left, cell.bottom, cell.right - cell.left, grid_line_width_));
        if (!vertical || !horizontal) {
          canvas->Brush()->SetColor(fixed ? fixed_color_ : Color());
          if (!vertical) canvas->FillRect(Bounds(cell.right, cell.top, grid_line_width_, cell.bottom - cell.top));
          if (!horizontal) canvas->FillRect(Bounds(cell.left, cell.bottom, cell.right - cell.left, grid_line_width_));
        }
      }
      // The cell itself.
      if (fixed) {
        canvas->Brush()->SetColor(fixed_color_);
        canvas->Font()->SetColor(Font()->Color());
      } else if (state.Contains(gdSelected)) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
      } else {
        canvas->Brush()->SetColor(Color());
        canvas->Font()->SetColor(Font()->Color());
      }
      canvas->FillRect(cell);
      if (fixed) {
        RECT edge = cell;
        DrawEdge(canvas->Handle(), &edge, BDR_RAISEDINNER, BF_RECT);
      }
      DrawCell(c, r, cell, state);
      if (state.Contains(gdFocused) && !options_.Contains(goRowSelect)) canvas->DrawFocusRect(cell);
      max_right = std::max<int>(max_right, cell.right + grid_line_width_);
      max_bottom = std::max<int>(max_bottom, cell.bottom + grid_line_width_);
    }
  }
  // The row of the current cell, when whole rows are selected.
  if (focused && options_.Contains(goRowSelect)) {
    const int y = RowTop(row_);
    const int x = ColumnLeft(fixed_cols_);
    if (x >= 0 && y >= 0) canvas->DrawFocusRect(Rect(x, y, max_right - grid_line_width_, y + RowHeights(row_)));
  }
  // What lies beyond the last cells.
  canvas->Brush()->SetColor(Color());
  if (max_right < client.right) canvas->FillRect(Rect(max_right, 0, client.right, client.bottom));
  if (max_bottom < client.bottom) canvas->FillRect(Rect(0, max_bottom, max_right, client.bottom));
}

int TCustomGrid::SizingColumnAt(int X, int Y) const {
  if (!options_.Contains(goColSizing)) return -1;
  if (Y >= RowTop(fixed_rows_) && fixed_rows_ > 0) return -1;
  for (int c = 0; c < col_count_; ++c) {
    const int x = ColumnLeft(c);
    if (x < 0) continue;
    const int border = x + ColWidths(c);
    if (X >= border - kSizingMargin && X <= border + grid_line_width_ + kSizingMargin) return c;
  }
  return -1;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && TabStop() && !Focused()) SetFocus();
    sizing_col_ = SizingColumnAt(X, Y);
    if (sizing_col_ >= 0) {
      sizing_start_x_ = X;
      sizing_start_width_ = ColWidths(sizing_col_);
    } else {
      int c = -1;
      int r = -1;
      MouseToCell(X, Y, c, r);
      if (c >= fixed_cols_ && r >= fixed_rows_) {
        if (Shift.Contains(ssShift) && options_.Contains(goRangeSelect) && !options_.Contains(goRowSelect)) {
          if (SelectCell(c, r)) {
            col_ = c;
            row_ = r;
            Invalidate();
          }
        } else {
          FocusCell(options_.Contains(goRowSelect) ? col_ : c, r);
        }
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
  if (sizing_col_ >= 0 && Shift.Contains(ssLeft)) {
    SetColWidths(sizing_col_, std::max(sizing_start_width_ + X - sizing_start_x_, 0));
    if (HandleAllocated()) UpdateWindow(Handle());
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) sizing_col_ = -1;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0 || row_count_ <= fixed_rows_ || col_count_ <= fixed_cols_) return;
  int c = col_;
  int r = row_;
  const int page = std::max(VisibleRowCount(), 1);
  const bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_UP:
      --r;
      break;
    case VK_DOWN:
      ++r;
      break;
    case VK_LEFT:
      --c;
      break;
    case VK_RIGHT:
      ++c;
      break;
    case VK_PRIOR:
      r -= page;
      break;
    case VK_NEXT:
      r += page;
      break;
    case VK_HOME:
      if (ctrl) r = fixed_rows_;
      c = fixed_cols_;
      break;
    case VK_END:
      if (ctrl) r = row_count_ - 1;
      c = col_count_ - 1;
      break;
    default:
      return;
  }
  c = std::clamp(c, fixed_cols_, col_count_ - 1);
  r = std::clamp(r, fixed_rows_, row_count_ - 1);
  FocusCell(c, r);
}

void TCustomGrid::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | (options_.Contains(goTabs) ? DLGC_WANTTAB : 0);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;  // the cells cover everything
      return;
    case WM_SETCURSOR: {
      POINT p{};
      GetCursorPos(&p);
      const TPoint local = ScreenToClient(TPoint{p.x, p.y});
      if (LOWORD(static_cast<DWORD_PTR>(Message.LParam)) == HTCLIENT && SizingColumnAt(local.x, local.y) >= 0) {
        ::SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
        Message.Result = 1;
        return;
      }
      break;
    }
  }
  TCustomControl::Dispatch(Message);
}

// --- TStringGridStrings ---

int TStringGridStrings::Count() const { return is_row_ ? grid_->ColCount() : grid_->RowCount(); }

String TStringGridStrings::Get(int Index) const {
  return is_row_ ? grid_->Cells(Index, index_) : grid_->Cells(index_, Index);
}

void TStringGridStrings::Put(int Index, const String& S) {
  if (is_row_) {
    grid_->SetCells(Index, index_, S);
  } else {
    grid_->SetCells(index_, Index, S);
  }
}

TObject* TStringGridStrings::GetObject(int Index) const {
  return is_row_ ? grid_->Objects(Index, index_) : grid_->Objects(index_, Index);
}

void TStringGridStrings::PutObject(int Index, TObject* AObject) {
  if (is_row_) {
    grid_->SetObjects(Index, index_, AObject);
  } else {
    grid_->SetObjects(index_, Index, AObject);
  }
}

int TStringGridStrings::Add(const String& S) {
  for (int i = 0; i < Count(); ++i) {
    if (Get(i).empty() && GetObject(i) == nullptr) {
      Put(i, S);
      return i;
    }
  }
  throw EInvalidGridOperation(SGridIndexError);
}

void TStringGridStrings::Insert(int /*Index*/, const String& /*S*/) { throw EInvalidGridOperation(SGridIndexError); }

void TStringGridStrings::Delete(int /*Index*/) { throw EInvalidGridOperation(SGridIndexError); }

void TStringGridStrings::Clear() {
  for (int i = 0; i < Count(); ++i) {
    Put(i, String());
    PutObject(i, nullptr);
  }
}

// --- TStringGrid ---

TStringGrid::TStringGrid(TComponent* AOwner) : TCustomGrid(AOwner) { SizeChanged(0, 0); }

TStringGrid::~TStringGrid() = default;

void TStringGrid::SizeChanged(int /*OldColCount*/, int /*OldRowCount*/) {
  cells_.resize(static_cast<std::size_t>(RowCount()));
  for (auto& row : cells_) row.resize(static_cast<std::size_t>(ColCount()));
  std::erase_if(rows_, [this](const auto& entry) { return entry.first >= RowCount(); });
  std::erase_if(cols_, [this](const auto& entry) { return entry.first >= ColCount(); });
}

const TStringGrid::Cell& TStringGrid::At(int ACol, int ARow) const {
  if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount()) throw EInvalidGridOperation(SGridIndexError);
  return cells_[static_cast<std::size_t>(ARow)][static_cast<std::size_t>(ACol)];
}

TStringGrid::Cell& TStringGrid::At(int ACol, int ARow) {
  return const_cast<Cell&>(static_cast<const TStringGrid*>(this)->At(ACol, ARow));
}

String TStringGrid::Cells(int ACol, int ARow) const { return At(ACol, ARow).text; }

void TStringGrid::SetCells(int ACol, int ARow, const String& Value) {
  At(ACol, ARow).text = Value;
  InvalidateCell(ACol, ARow);
}

TObject* TStringGrid::Objects(int ACol, int ARow) const { return At(ACol, ARow).object; }

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) { At(ACol, ARow).object = Value; }

TStrings* TStringGrid::Rows(int ARow) {
  if (ARow < 0 || ARow >= RowCount()) throw EInvalidGridOperation(SGridIndexError);
  auto& slot = rows_[ARow];
  if (!slot) slot = std::make_unique<TStringGridStrings>(this, true, ARow);
  return slot.get();
}

TStrings* TStringGrid::Cols(int ACol) {
  if (ACol < 0 || ACol >= ColCount()) throw EInvalidGridOperation(SGridIndexError);
  auto& slot = cols_[ACol];
  if (!slot) slot = std::make_unique<TStringGridStrings>(this, false, ACol);
  return slot.get();
}

void TStringGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  if (DefaultDrawing) {
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->TextRect(ARect, ARect.left + 2, ARect.top + 2, Cells(ACol, ARow));
    Canvas()->Brush()->SetStyle(bsSolid);
  }
  TCustomGrid::DrawCell(ACol, ARow, ARect, AState);
}
