#include "library/ListViewCells.h"

#include <algorithm>
#include <functional>

#include "classlib/FileRoutines.h"
#include "classlib/StringRoutines.h"
#include "library/advlistv.h"
#include "platform/ctl/imagelist.h"
#include "platform/ctl/listview.h"
#include "platform/shell/shell_icons.h"
#include "platform/user/user.h"

bool TAdvListView::CellAt(int X, int Y, int& SubItem, int& Item) const {
  if (!HandleAllocated()) return false;
  LVHITTESTINFO info{};
  info.pt = POINT{X, Y};
  SendMessage(const_cast<TAdvListView*>(this)->Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info));
  if (info.iItem < 0) return false;
  Item = info.iItem;
  SubItem = info.iSubItem;
  return true;
}

String TAdvListView::CellText(int Column, int Row) const {
  if (Row == -1) {
    return Column >= 0 && Column < Columns()->Count() ? Columns()->Items(Column)->Caption() : String();
  }
  if (Row < 0 || Row >= Items()->Count()) return String();
  const TListItem* item = Items()->Item(Row);
  if (Column == 0) return item->Caption();
  const TStrings* sub = item->SubItems();
  return Column >= 1 && Column - 1 < sub->Count() ? sub->Strings(Column - 1) : String();
}

void TAdvListView::SetCellText(int Column, int Row, const String& Text) {
  if (Row < 0 || Row >= Items()->Count() || Column < 0) return;
  TListItem* item = Items()->Item(Row);
  if (Column == 0) {
    item->SetCaption(Text);
    return;
  }
  TStrings* sub = item->SubItems();
  while (sub->Count() < Column) sub->Add(String());
  sub->Put(Column - 1, Text);
}

TColor TAdvListView::ColorByName(const String& Name) { return ::ColorByName(Name); }

TColor TAdvListView::HexColor(const String& Text) { return ::HexColor(Text); }

namespace {

// The canvas's font, brush and pen as they were before runs were laid out
// on it; given back when the layout is over.
class SavedCanvas {
 public:
  explicit SavedCanvas(TCanvas* canvas)
      : canvas_(canvas),
        brush_(canvas->Brush()->Color()),
        brush_style_(canvas->Brush()->Style()),
        pen_(canvas->Pen()->Color()) {
    font_.Assign(canvas->Font());
  }
  ~SavedCanvas() {
    canvas_->Font()->Assign(&font_);
    canvas_->Brush()->SetColor(brush_);
    canvas_->Brush()->SetStyle(brush_style_);
    canvas_->Pen()->SetColor(pen_);
  }
  SavedCanvas(const SavedCanvas&) = delete;
  SavedCanvas& operator=(const SavedCanvas&) = delete;

  // The cell's font, which runs without a face or size of their own take.
  const TFont& Font() const { return font_; }

 private:
  TCanvas* canvas_;
  TFont font_;
  TColor brush_;
  TBrushStyle brush_style_;
  TColor pen_;
};

// A run of a laid-out line: which run, and where on the line it starts and
// how wide it is.
struct PlacedRun {
  std::size_t index;
  int x;
  int w;
};

// One line of runs as laid out.
struct RunLine {
  std::vector<PlacedRun> runs;
  int width = 0;      // the x the line reaches
  int height = 0;     // the tallest run's
  bool rule = false;  // a horizontal rule ends the line
};

using PictureSizeOf = std::function<TSize(const String& source)>;
using PictureDrawer = std::function<void(TCanvas* canvas, int x, int y, const String& source)>;

// Gives the canvas a run's font: its face, size and style over the cell's.
void ApplyRunFont(TCanvas* canvas, const TFont& cell_font, const TMarkupRun& run) {
  TFont* font = canvas->Font();
  font->SetName(run.face.empty() ? cell_font.Name() : run.face);
  font->SetSize(run.size > 0 ? run.size : cell_font.Size());
  font->SetStyle(run.style + cell_font.Style());
  font->SetColor(run.color);
}

// Lays out the runs from `next` on as one line of a cell `width` pixels
// wide: each measured in its font, until a line break, a rule, the end of a
// paragraph or a run that does not fit (the first run of a line always
// does). `next` moves past what the line took; a paragraph sets
// `alignment`. A line without runs is as high as the canvas's text.
RunLine LayOutLine(TCanvas* canvas, const TFont& cell_font, const std::vector<TMarkupRun>& runs, std::size_t& next,
                   int width, int& alignment, const PictureSizeOf& picture_size) {
  RunLine line;
  int& x = line.width;
  while (next < runs.size()) {
    const TMarkupRun& run = runs[next];
    if (run.kind == TMarkupRun::rkLineBreak) {
      ++next;
      break;
    }
    if (run.kind == TMarkupRun::rkRule) {
      line.rule = true;
      ++next;
      break;
    }
    if (run.kind == TMarkupRun::rkParagraph) {
      ++next;
      alignment = run.value;
      if (!line.runs.empty()) break;
      continue;
    }
    if (run.kind == TMarkupRun::rkIndent) {
      x = std::max(x, run.value);
      ++next;
      continue;
    }
    TSize size;
    if (run.kind == TMarkupRun::rkImage) {
      size = picture_size(run.text);
      if (size.cx <= 0) {
        ++next;
        continue;
      }
    } else {
      ApplyRunFont(canvas, cell_font, run);
      size = canvas->TextExtent(run.text);
    }
    if (x + size.cx > width && !line.runs.empty()) break;
    line.runs.push_back(PlacedRun{next, x, static_cast<int>(size.cx)});
    x += size.cx;
    line.height = std::max(line.height, static_cast<int>(size.cy));
    ++next;
  }
  if (line.height == 0) line.height = canvas->TextHeight("Wg");
  return line;
}

// Where a line `used` pixels wide starts in a cell `width` wide.
int AlignedOffset(int alignment, int width, int used) {
  if (alignment == taRightJustify) return std::max(0, width - used);
  if (alignment == taCenter) return std::max(0, (width - used) / 2);
  return 0;
}

// The anchor of the line's run under `point` goes to `anchor`.
void FindAnchor(const std::vector<TMarkupRun>& runs, const RunLine& line, int left, int y, const TPoint& point,
                String& anchor) {
  for (const PlacedRun& placed : line.runs) {
    const TMarkupRun& run = runs[placed.index];
    const int x = left + placed.x;
    if (!run.anchor.empty() && point.x >= x && point.x < x + placed.w && point.y >= y && point.y < y + line.height) {
      anchor = run.anchor;
    }
  }
}

// Draws a laid-out line with its top left corner at (left, y): pictures,
// and words in their fonts on their own backgrounds.
void DrawLine(TCanvas* canvas, const TFont& cell_font, const std::vector<TMarkupRun>& runs, const RunLine& line,
              int left, int y, const PictureDrawer& draw_picture) {
  for (const PlacedRun& placed : line.runs) {
    const TMarkupRun& run = runs[placed.index];
    const int x = left + placed.x;
    if (run.kind == TMarkupRun::rkImage) {
      draw_picture(canvas, x, y, run.text);
      continue;
    }
    ApplyRunFont(canvas, cell_font, run);
    if (run.background != clNone) {
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Brush()->SetColor(run.background);
      canvas->FillRect(TRect{x, y, x + placed.w, y + line.height});
      canvas->Brush()->SetStyle(bsClear);
    }
    canvas->TextOut(x, y, run.text);
  }
}

// The black horizontal rule of <HR> at `y`, across the cell.
void DrawRule(TCanvas* canvas, int left, int right, int y) {
  canvas->Pen()->SetColor(clBlack);
  canvas->MoveTo(left, y);
  canvas->LineTo(right, y);
}

}  // namespace

TSize TAdvListView::DrawMarkup(TCanvas* Canvas, const TRect& Rect, const String& Text, bool Draw,
                               const TPoint* Point, String* Anchor) {
  TColor body = clNone;
  const std::vector<TMarkupRun> runs = ParseMarkup(Text, Canvas->Font()->Color(), URLColor, &body);
  return DrawRuns(Canvas, Rect, runs, body, Draw, Point, Anchor);
}

TSize TAdvListView::DrawRuns(TCanvas* Canvas, const TRect& Rect, const std::vector<TMarkupRun>& runs, TColor body,
                             bool Draw, const TPoint* Point, String* Anchor) {
  const SavedCanvas saved(Canvas);
  if (Draw && body != clNone) {
    Canvas->Brush()->SetColor(body);
    Canvas->FillRect(Rect);
  }
  Canvas->Brush()->SetStyle(bsClear);
  const PictureSizeOf picture_size = [this](const String& source) { return PictureSize(source); };
  const PictureDrawer draw_picture = [this](TCanvas* canvas, int x, int y, const String& source) {
    DrawPicture(canvas, x, y, source);
  };
  const int width = Rect.right - Rect.left;
  int y = Rect.top;
  int widest = 0;
  int alignment = taLeftJustify;
  std::size_t next = 0;
  while (next < runs.size() && y < Rect.bottom) {
    const RunLine line = LayOutLine(Canvas, saved.Font(), runs, next, width, alignment, picture_size);
    const int left = Rect.left + AlignedOffset(alignment, width, line.width);
    widest = std::max(widest, line.width);
    if (Point != nullptr && Anchor != nullptr) FindAnchor(runs, line, left, y, *Point, *Anchor);
    if (Draw) DrawLine(Canvas, saved.Font(), runs, line, left, y, draw_picture);
    y += line.height;
    if (line.rule) {
      if (Draw) DrawRule(Canvas, Rect.left, Rect.right, y);
      y += 2;
    }
  }
  return TSize{widest, y - Rect.top};
}

namespace {

// "idx:<n>" of the small images, or "file://<path>" of a bitmap file.
bool ImageIndexOf(const String& source, int& index) {
  return source.rfind("idx:", 0) == 0 && TryStrToInt(source.substr(4), index) && index >= 0;
}

String BitmapFileOf(const String& source) {
  return source.rfind("file://", 0) == 0 ? source.substr(7) : String();
}

}  // namespace

void TAdvListView::DrawShellIcon(TCanvas* Canvas, int X, int Y, const String& Name, bool Large) {
  SHFILEINFOA info{};
  const UINT size = Large ? SHGFI_LARGEICON : SHGFI_SMALLICON;
  int index = 0;
  HIMAGELIST list = nullptr;
  if (TryStrToInt(Name, index)) {
    // A number is the index itself.
    list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | size));
  } else {
    // An existing file or folder its own icon, any other name that of its type.
    list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(Name.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | size));
    if (list == nullptr) {
      list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(Name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                         SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | size));
    }
    index = info.iIcon;
  }
  if (list != nullptr) ImageList_Draw(list, index, Canvas->Handle(), X, Y, ILD_TRANSPARENT);
}

TSize TAdvListView::PictureSize(const String& Source) {
  if (Source.rfind("ssys:", 0) == 0) return TSize{16, 16};
  if (Source.rfind("lsys:", 0) == 0) return TSize{32, 32};
  int index = 0;
  if (ImageIndexOf(Source, index)) {
    TCustomImageList* images = SmallImages();
    if (images == nullptr || index >= images->Count()) return TSize{0, 0};
    return TSize{images->Width(), images->Height()};
  }
  const String file = BitmapFileOf(Source);
  if (!file.empty() && FileExists(file)) {
    TBitmap bitmap;
    try {
      bitmap.LoadFromFile(file);
    } catch (const Exception&) {
      return TSize{0, 0};
    }
    return TSize{bitmap.Width(), bitmap.Height()};
  }
  return TSize{0, 0};
}

void TAdvListView::DrawPicture(TCanvas* Canvas, int X, int Y, const String& Source) {
  if (Source.rfind("ssys:", 0) == 0 || Source.rfind("lsys:", 0) == 0) {
    DrawShellIcon(Canvas, X, Y, Source.substr(5), Source[0] == 'l');
    return;
  }
  int index = 0;
  if (ImageIndexOf(Source, index)) {
    if (TCustomImageList* images = SmallImages(); images != nullptr && index < images->Count()) {
      images->Draw(Canvas, X, Y, index);
    }
    return;
  }
  const String file = BitmapFileOf(Source);
  if (file.empty() || !FileExists(file)) return;
  TBitmap bitmap;
  try {
    bitmap.LoadFromFile(file);
  } catch (const Exception&) {
    return;
  }
  Canvas->Draw(X, Y, &bitmap);
}

void TAdvListView::GetCellProps(int Item, int SubItem, TOwnerDrawState State, TBrush* ABrush, TFont* AFont,
                                const String& Text) {
  if (OnDrawItemProp) OnDrawItemProp(this, Item, SubItem, State, ABrush, AFont, Text);
}

void TAdvListView::DrawItem(TListItem* Item, TRect Rect, TOwnerDrawState State) {
  if (Item == nullptr) return;
  if (OnDrawItem) {
    OnDrawItem(this, Canvas(), Item->Index(), Rect, State);
    return;
  }
  HWND h = Handle();
  const int columns = std::max(Columns()->Count(), 1);
  for (int column = 0; column < columns; ++column) {
    RECT cell{};
    ListView_GetSubItemRect(h, Item->Index(), column, LVIR_BOUNDS, &cell);
    if (column == 0 && Columns()->Count() > 1) cell.right = cell.left + ListView_GetColumnWidth(h, 0);
    DrawCell(Item->Index(), column, TRect{cell.left, Rect.top, cell.right, Rect.bottom}, State);
  }
  if (State.Contains(odFocused)) Canvas()->DrawFocusRect(Rect);
}

void TAdvListView::DrawCell(int Item, int Column, const TRect& Rect, TOwnerDrawState State) {
  TCanvas* canvas = Canvas();
  const bool selected = State.Contains(odSelected);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(selected ? SelectionColor : Color());
  canvas->Font()->Assign(Font());
  if (selected) canvas->Font()->SetColor(SelectionTextColor);
  const String text = CellText(Column, Item);
  GetCellProps(Item, Column, State, canvas->Brush(), canvas->Font(), text);
  canvas->FillRect(Rect);
  TRect inner = Rect;
  inner.left += 2;
  inner.right -= 2;
  if (Column == 0 && Checkboxes()) {
    // A flat check box in front of the caption.
    const int size = 11;
    const int top = (Rect.top + Rect.bottom - size) / 2;
    const TRect box{Rect.left + 2, top, Rect.left + 2 + size, top + size};
    const TColor pen = canvas->Pen()->Color();
    canvas->Pen()->SetColor(clBtnShadow);
    canvas->Brush()->SetColor(clWindow);
    canvas->Rectangle(box);
    if (Items()->Item(Item)->Checked()) {
      canvas->Pen()->SetColor(clWindowText);
      for (int d = 0; d < 2; ++d) {
        canvas->MoveTo(box.left + 2, box.top + 4 + d);
        canvas->LineTo(box.left + 4, box.top + 6 + d);
        canvas->LineTo(box.left + 9, box.top + 1 + d);
      }
    }
    canvas->Pen()->SetColor(pen);
    canvas->Brush()->SetColor(selected ? SelectionColor : Color());
    inner.left = Rect.left + 15;
  }
  if (text.size() >= 2 && text[0] == '{' && text[1] == '\\') {
    DrawRichText(canvas, inner, text, selected);
    return;
  }
  if (text.find("</") != String::npos) {
    DrawMarkup(canvas, inner, text, true);
    return;
  }
  canvas->Brush()->SetStyle(bsClear);
  String shown = text;
  if (URLShow && (text.find("://") != String::npos || text.find("mailto:") != String::npos)) {
    TFontStyles style = canvas->Font()->Style();
    style.Include(fsUnderline);
    canvas->Font()->SetStyle(style);
    canvas->Font()->SetColor(URLColor);
    if (!URLFull) {
      const std::size_t mail = text.find("mailto:");
      const std::size_t proto = text.find("://");
      shown = mail != String::npos ? text.substr(mail + 7) : text.substr(proto + 3);
    }
  }
  UINT format = DT_EXPANDTABS | DT_NOPREFIX;
  if (shown.find('\r') == String::npos) format |= DT_SINGLELINE;
  if (WordWrap) format |= DT_WORDBREAK;
  if (Column < Columns()->Count()) {
    const TAlignment alignment = Columns()->Items(Column)->Alignment();
    if (alignment == taRightJustify) format |= DT_RIGHT;
    if (alignment == taCenter) format |= DT_CENTER;
  }
  if ((format & DT_SINGLELINE) != 0) {
    format |= VAlignment == vtaTop ? DT_TOP : (VAlignment == vtaBottom ? DT_BOTTOM : DT_VCENTER);
  }
  RECT r{inner.left, inner.top, inner.right, inner.bottom};
  DrawText(canvas->Handle(), shown.c_str(), static_cast<int>(shown.size()), &r, format);
}

String CellHintText(const String& Text) {
  if (Text.size() >= 2 && Text[0] == '{' && Text[1] == '\\') return RtfPlainText(Text);
  if (Text.find("</") == String::npos) return Text;
  String plain;
  for (const TMarkupRun& run : ParseMarkup(Text, clBlack, clBlue)) {
    if (run.kind == TMarkupRun::rkText) plain += run.text;
    if (run.kind == TMarkupRun::rkLineBreak) plain += "\r\n";
  }
  return plain;
}

TSize TAdvListView::DrawRichText(TCanvas* Canvas, const TRect& Rect, const String& Rtf, bool Selected) {
  std::vector<TMarkupRun> runs = ParseRichText(Rtf, Canvas->Font()->Color());
  for (TMarkupRun& run : runs) {
    // Tab stops every four blanks.
    std::size_t tab;
    while ((tab = run.text.find('\t')) != String::npos) run.text.replace(tab, 1, "    ");
    if (Selected && !SelectionRTFKeep) run.color = SelectionTextColor;
  }
  return DrawRuns(Canvas, Rect, runs, clNone, true, nullptr, nullptr);
}

void TAdvListView::SetItemHeight(int Value) {
  if (Value < 1) return;
  item_height_ = Value;
  if (HandleAllocated()) {
    SetHeight(Height() + 1);
    SetHeight(Height() - 1);
  }
}

bool TAdvListView::WallpaperNeedsWholeRepaint() {
  if (wallpaper_->Empty() || !HandleAllocated()) {
    painted_top_ = -1;
    return false;
  }
  const int top = ListView_GetTopIndex(Handle());
  const int previous = painted_top_;
  painted_top_ = top;
  if (previous < 0 || previous == top) return false;
  // Rows that move by whole tiles leave the tiling as it was.
  int row_height = item_height_;
  if (RECT row{}; ListView_GetItemRect(Handle(), top, &row, LVIR_BOUNDS)) row_height = row.bottom - row.top;
  return wallpaper_->Height() != item_height_ || row_height != item_height_;
}

void TAdvListView::SetWallpaper(TBitmap* Value) {
  wallpaper_->Assign(Value);
  ApplyBackground();
}

void TAdvListView::ApplyBackground() {
  const bool picture = !wallpaper_->Empty();
  if (picture) {
    // The rows are drawn over the erased background, which the brush tiles.
    Brush()->SetBitmap(wallpaper_.get());
  } else {
    Brush()->SetBitmap(nullptr);
    Brush()->SetColor(Color());
  }
  if (!HandleAllocated()) return;
  const COLORREF back = picture ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(Color()));
  SendMessage(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
  SendMessage(Handle(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
  Invalidate();
}
