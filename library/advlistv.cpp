#include "library/advlistv.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "classlib/AtomicFile.h"
#include "classlib/Clipbrd.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/FormatSettings.h"
#include "classlib/Forms.h"
#include "classlib/HintWindow.h"
#include "classlib/IniFiles.h"
#include "classlib/Registry.h"
#include "classlib/Sorting.h"
#include "classlib/StringRoutines.h"
#include "library/alvutil.h"
#include "tags/TextCodec.h"
#include "platform/core/errors.h"
#include "platform/ctl/header.h"
#include "platform/ctl/listview.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/shell/shell_execute.h"
#include "platform/shell/shell_icons.h"
#include "platform/ctl/imagelist.h"
#include "platform/user/user.h"
#include "classlib/Screen.h"
#include "platform/user/clipboard.h"
#include "platform/user/cursor.h"
#include "platform/user/virtual_keys.h"

namespace {

// The class library's input/output exception for a platform error.
[[noreturn]] void RaiseWriteError(DWORD error) {
  int code = static_cast<int>(error);
  String text;
  switch (error) {
    case ERROR_PATH_NOT_FOUND: text = "Path not found"; break;
    case ERROR_ACCESS_DENIED: text = "File access denied"; break;
    case ERROR_FILE_NOT_FOUND: text = "File not found"; break;
    default:
      code = 101;
      text = "Disk full";
      break;
  }
  throw EInOutError(text, code);
}

// The order a list's text sort gives its rows: a stable sort by
// AnsiCompareStr of the captions. Each caption is added once and gets a
// key, its characters folded to lower case as AnsiCompareText folds them,
// so that keys compared byte by byte are in the order of the folded
// captions; where two keys are the same, AnsiCompareStr of the captions
// decides. A folded character below 0x80 is its one byte in the key; any
// other is 0xFF and its value in four bytes, most significant first (above
// every one-byte character, and in the order of the values among
// themselves).
class TCaptionOrder {
 public:
  void Reserve(std::size_t rows, std::size_t bytes) {
    starts_.reserve(rows + 1);
    keys_.reserve(bytes);
  }

  void Add(std::string_view caption) {
    starts_.push_back(keys_.size());
    // Plain ASCII, the usual case, one byte for one.
    const std::size_t base = keys_.size();
    keys_.resize(base + caption.size());
    char* out = keys_.data() + base;
    std::size_t i = 0;
    for (; i < caption.size(); ++i) {
      const auto byte = static_cast<unsigned char>(caption[i]);
      if (byte >= 0x80) break;
      out[i] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
    }
    if (i == caption.size()) return;
    keys_.resize(base + i);
    const String text(caption);
    while (i < text.size()) {
      const auto byte = static_cast<unsigned char>(text[i]);
      char32_t c;
      if (byte < 0x80) {
        c = (byte >= 'A' && byte <= 'Z') ? byte + 32u : byte;
        ++i;
      } else {
        c = classlib::ToLowerChar(classlib::DecodeUtf8(text, i));
      }
      if (c < 0x80) {
        keys_ += static_cast<char>(c);
      } else {
        keys_ += '\xFF';
        for (int shift = 24; shift >= 0; shift -= 8) keys_ += static_cast<char>((c >> shift) & 0xFF);
      }
    }
  }

  // The rows in sorted order (as indexes in the order they were added);
  // caption(i) gives the caption of row i (asked only for rows whose keys
  // are the same).
  template <class Caption>
  std::vector<std::uint32_t> Sorted(Caption caption) {
    const std::size_t n = starts_.size();
    starts_.push_back(keys_.size());
    // Most keys share a beginning ("song ..."): the eight key bytes after
    // what all keys share decide most comparisons by themselves. A key
    // that ends there is filled with zero bytes, which never puts it after
    // a key it is a beginning of; equal fillings are compared in full.
    std::size_t shared = n == 0 ? 0 : Key(0).size();
    for (std::size_t i = 1; i < n && shared > 0; ++i) {
      const std::string_view key = Key(i);
      std::size_t same = 0;
      const std::size_t most = std::min(shared, key.size());
      while (same < most && key[same] == keys_[starts_[0] + same]) ++same;
      shared = same;
    }
    struct Entry {
      std::uint64_t head;
      std::uint32_t row;
    };
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view key = Key(i);
      std::uint64_t head = 0;
      for (std::size_t j = 0; j < 8; ++j) {
        head <<= 8;
        if (shared + j < key.size()) head |= static_cast<unsigned char>(key[shared + j]);
      }
      entries[i] = {head, static_cast<std::uint32_t>(i)};
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
      if (a.head != b.head) return a.head < b.head;
      const int by_key = Key(a.row).compare(Key(b.row));
      if (by_key != 0) return by_key < 0;
      return AnsiCompareStr(caption(a.row), caption(b.row)) < 0;
    });
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].row;
    return order;
  }

 private:
  std::string_view Key(std::size_t i) const {
    return std::string_view(keys_.data() + starts_[i], starts_[i + 1] - starts_[i]);
  }

  String keys_;
  // Key i runs from starts_[i] to starts_[i + 1].
  std::vector<std::size_t> starts_;
};

}  // namespace

TAdvListView::TAdvListView(TComponent* AOwner)
    : TListView(AOwner),
      header_font_(std::make_unique<TFont>()),
      column_size_(std::make_unique<TColumnSize>(this)),
      print_settings_(std::make_unique<TPrintsettings>()),
      html_settings_(std::make_unique<THTMLSettings>()),
      wallpaper_(std::make_unique<TBitmap>()),
      sort_up_glyph_(std::make_unique<TBitmap>()),
      sort_down_glyph_(std::make_unique<TBitmap>()) {
  header_font_->OnChange = [this](TObject* Sender) { HeaderFontChanged(Sender); };
  // The link cursor: the platform's hand.
  if (Screen != nullptr) Screen->SetCursors(crLinkCursor, LoadCursor(nullptr, IDC_HAND));
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner);
      form != nullptr && !ComponentState().Contains(csDesigning)) {
    if (form->OnResize) {
      previous_form_resize_ = form->OnResize;
      had_previous_form_resize_ = true;
    }
    form->OnResize = ResizeLink{this};
    last_form_width_ = form->Width();
    last_form_height_ = form->Height();
  }
}

TAdvListView::~TAdvListView() {
  // Nothing may leave a destructor: a column file that cannot be written
  // is given up.
  try {
    SaveColumnSizes();
  } catch (...) {
  }
  // A form being destroyed frees its controls after its own parts are
  // gone: nothing is handed back then. A control freed alone leaves the
  // chain of resize handlers: whoever calls this control's handler (the
  // form, or a list view made after it on the same form) calls the
  // handler this one kept instead, in whatever order the list views go.
  if (auto* form = dynamic_cast<TCustomForm*>(Owner());
      form != nullptr && !form->ComponentState().Contains(csDestroying)) {
    const TNotifyEvent previous = had_previous_form_resize_ ? previous_form_resize_ : TNotifyEvent();
    if (const ResizeLink* head = form->OnResize.target<ResizeLink>(); head != nullptr && head->view == this) {
      form->OnResize = previous;
    }
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* other = dynamic_cast<TAdvListView*>(form->Components(i));
      if (other == nullptr || other == this) continue;
      if (const ResizeLink* link = other->previous_form_resize_.target<ResizeLink>();
          link != nullptr && link->view == this) {
        other->previous_form_resize_ = previous;
        other->had_previous_form_resize_ = had_previous_form_resize_;
      }
    }
  }
}

void TAdvListView::Loaded() {
  TListView::Loaded();
  saved_cursor_ = Cursor();
  SetHeight(Height() + 1);
  SetHeight(Height() - 1);
  SetViewStyle(vsReport);
  ApplyBackground();
}

namespace {
constexpr UINT_PTR kDragTimer = 1;
// Posted to itself when label editing starts on a sub-item: the editor is
// placed over the cell once the list has made it.
constexpr UINT kPlaceCellEditor = WM_USER + 0x0A11;
}  // namespace

void TAdvListView::CreateWnd() {
  TListView::CreateWnd();
  SetTimer(Handle(), kDragTimer, 300, nullptr);
  ApplyHeaderFont();
  ApplyBackground();
  ApplyHeaderStyles();
  ApplyFilterBar();
  // The list keeps no tooltip window of its own.
  if (HWND tips = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETTOOLTIPS, 0, 0))) {
    SendMessage(Handle(), LVM_SETTOOLTIPS, 0, 0);
    DestroyWindow(tips);
  }
}

void TAdvListView::HeaderFontChanged(TObject*) { ApplyHeaderFont(); }

void TAdvListView::ApplyHeaderFont() {
  if (!HandleAllocated()) return;
  if (HWND header = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETHEADER, 0, 0))) {
    SendMessage(header, WM_SETFONT, reinterpret_cast<WPARAM>(header_font_->Handle()), TRUE);
  }
}

void TAdvListView::SetItemHeight(int Value) {
  if (Value < 1) return;
  item_height_ = Value;
  if (HandleAllocated()) {
    SetHeight(Height() + 1);
    SetHeight(Height() - 1);
  }
}

// --- List files ---

String TAdvListView::SaveToText() const {
  const int columns = Columns()->Count();
  const int count = Items()->Count();
  if (columns == 0 || count == 0) return String();
  const char d = Delimiter != 0 ? Delimiter : ',';
  String text;
  if (SaveHeader) {
    AppendListFileField(text, Columns()->Items(0)->Caption());
    for (int i = 1; i < columns; ++i) {
      text += d;
      AppendListFileField(text, Columns()->Items(i)->Caption());
    }
    text += "\r\n";
  }
  for (int i = 0; i < count; ++i) {
    const TListItem* item = Items()->Item(i);
    AppendListFileField(text, item->Caption());
    const TStrings* sub = item->SubItems();
    const int n = std::min(columns, sub->Count());
    for (int j = 0; j < n; ++j) {
      text += d;
      AppendListFileField(text, sub->Strings(j));
    }
    text += "\r\n";
  }
  return text;
}

void TAdvListView::SaveToFile(const String& FileName) {
  if (Columns()->Count() == 0 || Items()->Count() == 0) return;
  if (!classlib::WriteFileAtomically(FileName, SaveToText())) RaiseWriteError(GetLastError());
}

void TAdvListView::LoadFromFileEx(const String& FileName, bool NoHeader) {
  String text;
  if (!classlib::ReadWholeFile(FileName, text)) throw EAdvListViewError("File cannot be opened");
  LoadFromText(text, NoHeader);
}

void TAdvListView::LoadFromText(const String& Text, bool NoHeader) {
  if (Delimiter == 0) Delimiter = DetectDelimiter(Text);
  const char d = Delimiter != 0 ? Delimiter : ',';

  TListFileReader reader(Text, d);
  std::vector<TListFileField> fields;
  Items()->BeginUpdate();
  try {
    if (LoadHeader && !NoHeader) {
      ClearAll();
      if (!reader.AtEnd()) ReadHeaderLine(fields, reader.ReadLine(fields));
    }
    // Into an empty list kept in text order (or in none), the rows are read
    // first, ordered once by keys made once per row, and put in their
    // places; the list then has no sort left to do.
    if (Items()->Count() == 0 && Items()->UpdateCount() == 1 && !OnCompare &&
        (SortType() == stText || SortType() == stNone)) {
      Items()->EndUpdate();
      LoadIntoEmptyList(reader, fields);
      return;
    }
    while (!reader.AtEnd()) {
      const std::size_t count = reader.ReadLine(fields);
      TListItem* item = Items()->Add();
      item->SetImageIndex(-1);
      const std::size_t taken = ItemLineFields(fields, count);
      if (taken > 0) item->SetCaption(fields[0].text);
      for (std::size_t i = 1; i < taken; ++i) item->SubItems()->Add(fields[i].text);
    }
  } catch (...) {
    if (Items()->UpdateCount() > 0) Items()->EndUpdate();
    throw;
  }
  Items()->EndUpdate();
}

void TAdvListView::LoadIntoEmptyList(TListFileReader& Reader, std::vector<TListFileField>& Fields) {
  // The texts of all rows first, one after the other in one buffer; row r
  // holds texts first[r] .. first[r + 1] - 1 (caption, then sub-items).
  // Each caption's sort key is made as its row is read.
  struct Text {
    std::size_t at, size;
  };
  String buffer;
  std::vector<Text> texts;
  std::vector<std::size_t> first;
  const bool text_order = SortType() == stText;
  TCaptionOrder sorter;
  buffer.reserve(Reader.SizeLeft());
  const std::size_t lines = Reader.LinesLeft();
  first.reserve(lines + 1);
  texts.reserve(2 * lines);
  if (text_order) sorter.Reserve(lines, Reader.SizeLeft());
  while (!Reader.AtEnd()) {
    const std::size_t count = Reader.ReadLine(Fields);
    const std::size_t taken = ItemLineFields(Fields, count);
    first.push_back(texts.size());
    for (std::size_t i = 0; i < taken; ++i) {
      texts.push_back({buffer.size(), Fields[i].text.size()});
      buffer += Fields[i].text;
    }
    if (text_order) sorter.Add(taken > 0 ? std::string_view(Fields[0].text) : std::string_view());
  }
  const std::size_t rows = first.size();
  first.push_back(texts.size());
  auto text = [&](std::size_t i) { return std::string_view(buffer.data() + texts[i].at, texts[i].size); };
  std::vector<std::uint32_t> order;
  if (text_order) {
    order = sorter.Sorted([&](std::uint32_t row) {
      return first[row] < first[row + 1] ? String(text(first[row])) : String();
    });
  } else {
    order.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) order[i] = static_cast<std::uint32_t>(i);
  }
  // The items, made in their final order (so that they lie in memory in
  // it) outside the list, where a caption set moves nothing, and each put
  // at the end.
  const bool window = HandleAllocated();
  if (window) SendMessage(Handle(), WM_SETREDRAW, FALSE, 0);
  try {
    String scratch;
    for (std::uint32_t row : order) {
      auto item = std::make_unique<TListItem>(Items());
      item->SetImageIndex(-1);
      for (std::size_t i = first[row]; i < first[row + 1]; ++i) {
        scratch.assign(text(i));
        if (i == first[row]) {
          item->SetCaption(scratch);
        } else {
          item->SubItems()->Add(scratch);
        }
      }
      Items()->AddItem(item.get(), Items()->Count());
      item.release();
    }
  } catch (...) {
    if (window) SendMessage(Handle(), WM_SETREDRAW, TRUE, 0);
    throw;
  }
  if (window) {
    SendMessage(Handle(), WM_SETREDRAW, TRUE, 0);
    Invalidate();
  }
}

void TAdvListView::ReadHeaderLine(std::vector<TListFileField>& Fields, std::size_t Count) {
  int added = 0;
  for (std::size_t k = 0; k < Count; ++k) {
    TListFileField& field = Fields[k];
    // A last field gives a caption only when it holds text.
    if (field.last && field.text.empty()) break;
    TListColumn* col = nullptr;
    if (static_cast<int>(k) < Columns()->Count()) {
      col = Columns()->Items(static_cast<int>(k));
    } else if (added < MaxColumnsAddedPerLine) {
      ++added;
      col = Columns()->Add();
    }
    if (col != nullptr) col->SetCaption(field.text);
  }
}

std::size_t TAdvListView::ItemLineFields(const std::vector<TListFileField>& Fields, std::size_t Count) {
  int added = 0;
  for (std::size_t i = 0; i < Count; ++i) {
    const TListFileField& field = Fields[i];
    const int k = static_cast<int>(i);
    if (field.last) {
      // An empty last field that stood in no quote marks (a line that ends
      // with the delimiter, an empty line) adds nothing.
      if (!field.quoted && field.text.empty()) return i;
    } else if (!field.quoted && k >= 1 && Columns()->Count() < k + 2 && added < MaxColumnsAddedPerLine) {
      Columns()->Add();
      ++added;
    }
  }
  return Count;
}

void TAdvListView::ClearAll() {
  Items()->Clear();
  for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetCaption(String());
}

void TAdvListView::FormResized(TObject* Sender) {
  if (ComponentState().Contains(csDesigning)) return;
  if (auto* form = dynamic_cast<TCustomForm*>(Sender); form != nullptr && SizeWithForm) {
    const int dw = form->Width() - last_form_width_;
    const int dh = form->Height() - last_form_height_;
    if (Width() + dw > 0 && Height() + dh > 0) {
      SetBounds(Left(), Top(), Width() + dw, Height() + dh);
      last_form_width_ = form->Width();
      last_form_height_ = form->Height();
    }
  }
  if (had_previous_form_resize_ && previous_form_resize_) previous_form_resize_(Sender);
}

// --- Cells ---

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

TSize TAdvListView::DrawMarkup(TCanvas* Canvas, const TRect& Rect, const String& Text, bool Draw,
                               const TPoint* Point, String* Anchor) {
  TColor body = clNone;
  const std::vector<TMarkupRun> runs = ParseMarkup(Text, Canvas->Font()->Color(), URLColor, &body);
  return DrawRuns(Canvas, Rect, runs, body, Draw, Point, Anchor);
}

TSize TAdvListView::DrawRuns(TCanvas* Canvas, const TRect& Rect, const std::vector<TMarkupRun>& runs, TColor body,
                             bool Draw, const TPoint* Point, String* Anchor) {
  TFont saved_font;
  saved_font.Assign(Canvas->Font());
  const TColor saved_brush = Canvas->Brush()->Color();
  const TBrushStyle saved_brush_style = Canvas->Brush()->Style();
  const TColor saved_pen = Canvas->Pen()->Color();
  if (Draw && body != clNone) {
    Canvas->Brush()->SetColor(body);
    Canvas->FillRect(Rect);
  }
  Canvas->Brush()->SetStyle(bsClear);

  auto apply = [&](const TMarkupRun& run) {
    TFont* font = Canvas->Font();
    font->SetName(run.face.empty() ? saved_font.Name() : run.face);
    font->SetSize(run.size > 0 ? run.size : saved_font.Size());
    font->SetStyle(run.style + saved_font.Style());
    font->SetColor(run.color);
  };
  const int width = Rect.right - Rect.left;
  int y = Rect.top;
  int widest = 0;
  int alignment = taLeftJustify;
  std::size_t k = 0;
  while (k < runs.size() && y < Rect.bottom) {
    // One line: measure the runs that fit, then draw them.
    struct Placed {
      std::size_t index;
      int x;
      int w;
    };
    std::vector<Placed> line;
    int x = 0;
    int height = 0;
    bool rule = false;
    while (k < runs.size()) {
      const TMarkupRun& run = runs[k];
      if (run.kind == TMarkupRun::rkLineBreak) {
        ++k;
        break;
      }
      if (run.kind == TMarkupRun::rkRule) {
        rule = true;
        ++k;
        break;
      }
      if (run.kind == TMarkupRun::rkParagraph) {
        ++k;
        const bool ends = !line.empty();
        alignment = run.value;
        if (ends) break;
        continue;
      }
      if (run.kind == TMarkupRun::rkIndent) {
        x = std::max(x, run.value);
        ++k;
        continue;
      }
      if (run.kind == TMarkupRun::rkImage) {
        const TSize size = PictureSize(run.text);
        ++k;
        if (size.cx <= 0) continue;
        if (x + size.cx > width && !line.empty()) {
          --k;
          break;
        }
        line.push_back(Placed{k - 1, x, static_cast<int>(size.cx)});
        x += size.cx;
        height = std::max(height, static_cast<int>(size.cy));
        continue;
      }
      apply(run);
      const TSize size = Canvas->TextExtent(run.text);
      if (x + size.cx > width && !line.empty()) break;
      line.push_back(Placed{k, x, size.cx});
      x += size.cx;
      height = std::max(height, static_cast<int>(size.cy));
      ++k;
    }
    if (height == 0) height = Canvas->TextHeight("Wg");
    int offset = 0;
    if (alignment == taRightJustify) offset = std::max(0, width - x);
    if (alignment == taCenter) offset = std::max(0, (width - x) / 2);
    widest = std::max(widest, x);
    for (const Placed& placed : line) {
      const TMarkupRun& run = runs[placed.index];
      const int left = Rect.left + offset + placed.x;
      if (Point != nullptr && Anchor != nullptr && !run.anchor.empty() && Point->x >= left &&
          Point->x < left + placed.w && Point->y >= y && Point->y < y + height) {
        *Anchor = run.anchor;
      }
      if (!Draw) continue;
      if (run.kind == TMarkupRun::rkImage) {
        DrawPicture(Canvas, left, y, run.text);
        continue;
      }
      apply(run);
      if (run.background != clNone) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(run.background);
        Canvas->FillRect(TRect{left, y, left + placed.w, y + height});
        Canvas->Brush()->SetStyle(bsClear);
      }
      Canvas->TextOut(left, y, run.text);
    }
    y += height;
    if (rule && Draw) {
      Canvas->Pen()->SetColor(clBlack);
      Canvas->MoveTo(Rect.left, y);
      Canvas->LineTo(Rect.right, y);
    }
    if (rule) y += 2;
  }
  Canvas->Font()->Assign(&saved_font);
  Canvas->Brush()->SetColor(saved_brush);
  Canvas->Brush()->SetStyle(saved_brush_style);
  Canvas->Pen()->SetColor(saved_pen);
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

String TAdvListView::AnchorAt(int X, int Y) {
  int sub = 0, item = 0;
  if (!CellAt(X, Y, sub, item)) return String();
  const String text = CellText(sub, item);
  if (text.find("</") == String::npos) return String();
  RECT cell{};
  ListView_GetSubItemRect(Handle(), item, sub, LVIR_BOUNDS, &cell);
  if (sub == 0 && Columns()->Count() > 1) cell.right = cell.left + ListView_GetColumnWidth(Handle(), 0);
  TRect inner{cell.left + 2, cell.top, cell.right - 2, cell.bottom};
  String anchor;
  const TPoint point{X, Y};
  Canvas()->Font()->Assign(Font());
  DrawMarkup(Canvas(), inner, text, false, &point, &anchor);
  return anchor;
}

void TAdvListView::LeftClickCell(int Item, int SubItem) {
  if (OnLeftClickCell) OnLeftClickCell(this, Item, SubItem);
}

void TAdvListView::RightClickCell(int Item, int SubItem) {
  if (OnRightClickCell) OnRightClickCell(this, Item, SubItem);
}

void TAdvListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  int sub = 0, item = 0;
  if (CellAt(X, Y, sub, item)) {
    if (Button == mbLeft) {
      const String text = CellText(sub, item);
      const String anchor = AnchorAt(X, Y);
      if (!anchor.empty()) {
        // Web addresses open in the desktop's browser; other anchors are
        // the program's.
        if (anchor.find("://") != String::npos) {
          ShellExecute(Handle(), "open", anchor.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        } else if (OnAnchorClick) {
          OnAnchorClick(this, anchor);
        }
      } else if (URLShow && text.find("</") == String::npos &&
                 (text.find("://") != String::npos || text.find("mailto:") != String::npos)) {
        ShellExecute(Handle(), "open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      }
      if (ReArrangeItems) drag_row_ = item;
      if (SubItemSelect || SubItemEdit) selected_column_ = sub;
      LeftClickCell(item, sub);
    } else if (Button == mbRight) {
      RightClickCell(item, sub);
    }
  }
  TListView::MouseDown(Button, Shift, X, Y);
}

void TAdvListView::MouseMove(TShiftState Shift, int X, int Y) {
  const String anchor = AnchorAt(X, Y);
  bool on_link = !anchor.empty();
  if (!on_link && URLShow) {
    int sub = 0, item = 0;
    if (CellAt(X, Y, sub, item)) {
      const String text = CellText(sub, item);
      on_link = text.find("</") == String::npos &&
                (text.find("://") != String::npos || text.find("mailto:") != String::npos);
    }
  }
  SetCursor(drag_row_ >= 0 ? crDrag : (on_link ? crLinkCursor : saved_cursor_));
  if (anchor != last_anchor_) {
    if (!last_anchor_.empty() && OnAnchorExit) OnAnchorExit(this, last_anchor_);
    if (!anchor.empty() && OnAnchorEnter) OnAnchorEnter(this, anchor);
    last_anchor_ = anchor;
  }
  TListView::MouseMove(Shift, X, Y);
}

void TAdvListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && drag_row_ >= 0) {
    const int from = drag_row_;
    drag_row_ = -1;
    TListItem* target = GetItemAt(X, Y);
    MoveItem(from, target != nullptr ? target->Index() : Items()->Count());
  }
  TListView::MouseUp(Button, Shift, X, Y);
}

bool TAdvListView::CanEdit(TListItem* Item) {
  bool allow = TListView::CanEdit(Item);
  if (!SubItemEdit || Item == nullptr) return allow;
  if (OnCanEditCell) OnCanEditCell(this, Item->Index(), selected_column_, allow);
  if (allow) {
    edited_caption_ = Item->Caption();
    if (selected_column_ > 0) PostMessage(Handle(), kPlaceCellEditor, static_cast<WPARAM>(Item->Index()), selected_column_);
  }
  return allow;
}

void TAdvListView::Edit(TListItem* Item, String& S) {
  if (SubItemEdit && Item != nullptr && selected_column_ > 0) {
    // The text goes into the sub-item; the caption stays.
    SetCellText(selected_column_, Item->Index(), S);
    S = edited_caption_;
  }
  TListView::Edit(Item, S);
}

void TAdvListView::DestroyWnd() {
  KillTimer(Handle(), kDragTimer);
  drag_row_ = -1;
  TListView::DestroyWnd();
}

void TAdvListView::DragTimer() {
  if (drag_row_ < 0 || Items()->Count() == 0) return;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  TListItem* top = TopItem();
  if (top == nullptr) return;
  const int last_index = std::min(Items()->Count() - 1, top->Index() + VisibleRowCount() - 1);
  const TRect first = top->DisplayRect(drBounds);
  const TRect last = Items()->Item(last_index)->DisplayRect(drBounds);
  const int line = std::max(1, static_cast<int>(first.bottom - first.top));
  if (p.y >= last.bottom) {
    Scroll(0, line);
  } else if (p.y < first.top) {
    Scroll(0, -line);
  }
}

void TAdvListView::MoveItem(int From, int To) {
  const int count = Items()->Count();
  if (From < 0 || From >= count) return;
  if (To < 0 || To > count) To = count;
  if (To == From) return;
  TListItem* source = Items()->Item(From);
  const bool selected = source->Selected();
  const bool checkboxes = Checkboxes();
  TListItem* moved = Items()->Insert(To);
  moved->Assign(source);
  source->Delete();
  moved->SetSelected(selected);
  moved->SetFocused(true);
  SetCheckboxes(checkboxes);
  SetItemHeight(13);
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

void TAdvListView::KeyDown(Word& Key, TShiftState Shift) {
  if (ClipboardEnable) ClipboardKeyDown(Key, Shift);
  if (Key != 0 && (SubItemSelect || SubItemEdit) && Shift.Empty()) {
    if (Key == VK_LEFT || Key == VK_RIGHT) {
      const int last = std::max(0, Columns()->Count() - 1);
      selected_column_ = std::clamp(selected_column_ + (Key == VK_LEFT ? -1 : 1), 0, last);
      Invalidate();
      Key = 0;
    } else if (Key == VK_SPACE && SubItemEdit) {
      if (TListItem* row = ItemFocused()) row->EditCaption();
      Key = 0;
    }
  }
  if (Key != 0) TListView::KeyDown(Key, Shift);
}

// --- Header extras ---

HWND TAdvListView::HeaderWindow() const {
  if (!HandleAllocated()) return nullptr;
  return reinterpret_cast<HWND>(SendMessage(const_cast<TAdvListView*>(this)->Handle(), LVM_GETHEADER, 0, 0));
}

void TAdvListView::ApplyFilterBar() {
  HWND header = HeaderWindow();
  if (header == nullptr) return;
  LONG_PTR style = GetWindowLongPtr(header, GWL_STYLE);
  style = filter_bar_ ? (style | HDS_FILTERBAR) : (style & ~static_cast<LONG_PTR>(HDS_FILTERBAR));
  SetWindowLongPtr(header, GWL_STYLE, style);
  SendMessage(header, HDM_SETFILTERCHANGETIMEOUT, 0, filter_time_out_);
  // The list lays its header and rows out again.
  SetHeight(Height() + 1);
  SetHeight(Height() - 1);
  InvalidateRect(header, nullptr, TRUE);
}

void TAdvListView::SetFilterBar(bool Value) {
  filter_bar_ = Value;
  ApplyFilterBar();
}

void TAdvListView::SetFilterTimeOut(int Value) {
  filter_time_out_ = Value;
  if (HWND header = HeaderWindow()) SendMessage(header, HDM_SETFILTERCHANGETIMEOUT, 0, Value);
}

String TAdvListView::FilterText(int Column) const {
  HWND header = HeaderWindow();
  if (header == nullptr) return String();
  char buffer[1024] = {};
  HDTEXTFILTER filter;
  filter.pszText = buffer;
  filter.cchTextMax = sizeof buffer;
  HDITEM item;
  item.mask = HDI_FILTER;
  item.type = HDFT_ISSTRING;
  item.pvFilter = &filter;
  if (!SendMessage(header, HDM_GETITEM, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&item))) return String();
  return String(buffer);
}

void TAdvListView::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == kDragTimer) {
    DragTimer();
    return;
  }
  if (Message.Msg == CM_MOUSELEAVE) drag_row_ = -1;  // leaving the control cancels a drag
  if (Message.Msg == WM_VSCROLL) {
    TListView::Dispatch(Message);
    if (ScrollHint) ScrollHintFor(Message.WParam);
    return;
  }
  if (Message.Msg == WM_PAINT && WallpaperNeedsWholeRepaint()) InvalidateRect(Handle(), nullptr, TRUE);
  if (Message.Msg == CN_MEASUREITEM) {
    // Owner-drawn rows are ItemHeight pixels high.
    if (auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)) {
      measure->itemHeight = static_cast<UINT>(item_height_);
    }
    Message.Result = TRUE;
    return;
  }
  if (Message.Msg == CM_HINTSHOW && AutoHint) {
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    int sub = 0, item = 0;
    if (info == nullptr || !CellAt(info->CursorPos.x, info->CursorPos.y, sub, item)) {
      Message.Result = 1;  // no hint where there is no cell
      return;
    }
    info->HintStr = CellHintText(CellText(sub, item));
    RECT cell{};
    ListView_GetSubItemRect(Handle(), item, sub, LVIR_BOUNDS, &cell);
    if (sub == 0 && Columns()->Count() > 1) cell.right = cell.left + ListView_GetColumnWidth(Handle(), 0);
    // Moving onto another cell ends this hint.
    info->CursorRect = TRect{cell.left, cell.top, cell.right, cell.bottom};
    Message.Result = info->HintStr.empty() ? 1 : 0;
    return;
  }
  if (Message.Msg == kPlaceCellEditor) {
    HWND edit = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETEDITCONTROL, 0, 0));
    const int row = static_cast<int>(Message.WParam);
    const int column = static_cast<int>(Message.LParam);
    if (edit != nullptr && row < Items()->Count()) {
      const String text = CellText(column, row);
      SetWindowText(edit, text.c_str());
      RECT cell{};
      ListView_GetSubItemRect(Handle(), row, column, LVIR_BOUNDS, &cell);
      if (column == 0) cell.left -= 20;
      MoveWindow(edit, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, TRUE);
    }
    return;
  }
  if (Message.Msg == WM_NOTIFY && HandleAllocated()) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (hdr != nullptr && hdr->hwndFrom == HeaderWindow()) {
      const int column = reinterpret_cast<NMHEADER*>(hdr)->iItem;
      switch (hdr->code) {
        case HDN_FILTERCHANGE:
          if (OnFilterChange) OnFilterChange(this, column);
          break;
        case HDN_FILTERBTNCLICK:
          if (OnFilterBtnClick) OnFilterBtnClick(this, reinterpret_cast<NMHDFILTERBTNCLICK*>(hdr)->iItem);
          break;
        case HDN_BEGINTRACK: {
          bool allow = true;
          if (OnStartColumnTrack) OnStartColumnTrack(this, column, allow);
          if (!allow) {
            Message.Result = 1;
            return;
          }
          break;
        }
        case HDN_ENDTRACK:
          TListView::Dispatch(Message);
          if (OnEndColumnTrack) OnEndColumnTrack(this, column);
          // The sort column shows its indicator anew, in the direction
          // that holds now.
          if (column == sort_column_) ShowSortIndicator(sort_column_);
          if (OnColumnSized) OnColumnSized(this, column);
          return;
        case NM_RCLICK: {
          POINT p{};
          GetCursorPos(&p);
          ::ScreenToClient(hdr->hwndFrom, &p);
          HDHITTESTINFO hit;
          hit.pt = p;
          SendMessage(hdr->hwndFrom, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
          if (hit.iItem >= 0 && OnColumnRClick) OnColumnRClick(this, hit.iItem);
          break;
        }
        default:
          break;
      }
    }
  }
  TListView::Dispatch(Message);
}

void TAdvListView::ScrollHintFor(WPARAM Request) {
  const WORD code = LOWORD(Request);
  if (code == SB_ENDSCROLL) {
    if (scroll_hint_ != nullptr) scroll_hint_->ReleaseHandle();
    return;
  }
  if (code != SB_THUMBTRACK) return;
  SCROLLINFO info;
  info.fMask = SIF_TRACKPOS;
  int row = HIWORD(Request);
  if (GetScrollInfo(Handle(), SB_VERT, &info)) row = info.nTrackPos;
  if (row < 0 || row >= Items()->Count()) return;
  if (scroll_hint_ == nullptr) scroll_hint_ = std::make_unique<THintWindow>(nullptr);
  scroll_hint_->SetColor(Application != nullptr ? Application->HintColor : clInfoBk);
  const String caption = Items()->Item(row)->Caption();
  POINT pointer{};
  GetCursorPos(&pointer);
  TRect rect = scroll_hint_->CalcHintRect(Screen != nullptr ? Screen->Width() : 640, caption, nullptr);
  OffsetRect(&rect, pointer.x + 10, pointer.y);
  scroll_hint_->ActivateHint(rect, caption);
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

void TAdvListView::ApplyHeaderStyles() {
  if (!HandleAllocated()) return;
  ListView_SetExtendedListViewStyleEx(Handle(), LVS_EX_HEADERDRAGDROP | LVS_EX_SUBITEMIMAGES,
                                     (header_drag_drop_ ? LVS_EX_HEADERDRAGDROP : 0) |
                                         (sub_images_ ? LVS_EX_SUBITEMIMAGES : 0));
  if (HWND header = HeaderWindow()) {
    LONG_PTR style = GetWindowLongPtr(header, GWL_STYLE);
    style = header_hot_track_ ? (style | HDS_HOTTRACK) : (style & ~static_cast<LONG_PTR>(HDS_HOTTRACK));
    style = header_flat_style_ ? (style & ~static_cast<LONG_PTR>(HDS_BUTTONS)) : (style | HDS_BUTTONS);
    // The list may have set the header's styles from its own.
    style = filter_bar_ ? (style | HDS_FILTERBAR) : (style & ~static_cast<LONG_PTR>(HDS_FILTERBAR));
    SetWindowLongPtr(header, GWL_STYLE, style);
    InvalidateRect(header, nullptr, TRUE);
  }
}

void TAdvListView::SetHeaderHotTrack(bool Value) {
  header_hot_track_ = Value;
  ApplyHeaderStyles();
}

void TAdvListView::SetHeaderFlatStyle(bool Value) {
  header_flat_style_ = Value;
  ApplyHeaderStyles();
}

void TAdvListView::SetHeaderDragDrop(bool Value) {
  header_drag_drop_ = Value;
  ApplyHeaderStyles();
}

void TAdvListView::SetSubImages(bool Value) {
  sub_images_ = Value;
  ApplyHeaderStyles();
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
