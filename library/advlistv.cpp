#include "library/advlistv.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "classlib/AtomicFile.h"
#include "classlib/Forms.h"
#include "classlib/Screen.h"
#include "classlib/StringRoutines.h"
#include "platform/core/errors.h"
#include "platform/user/cursor.h"
#include "platform/user/user.h"

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
  std::vector<std::string_view> subs;
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
      subs.clear();
      for (std::size_t i = 1; i < taken; ++i) subs.push_back(fields[i].text);
      item->AddSubItems(subs);
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
    std::vector<std::string_view> subs;
    for (std::uint32_t row : order) {
      auto item = std::make_unique<TListItem>(Items());
      item->SetImageIndex(-1);
      if (first[row] < first[row + 1]) {
        item->SetCaption(String(text(first[row])));
        subs.clear();
        for (std::size_t i = first[row] + 1; i < first[row + 1]; ++i) subs.push_back(text(i));
        item->AddSubItems(subs);
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

