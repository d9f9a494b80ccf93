#include "classlib/ListView.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/ctl/header.h"
#include "platform/ctl/listview.h"
#include "platform/gdi/gdi.h"

namespace {

// Sorts the rows again after a caption edit (posted: the list view is
// still busy with the row when it tells of the edit).
constexpr UINT CM_LISTVIEWRESORT = CM_BASE + 0x7F0;

constexpr UINT kKeptStates = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED;

// The sub-item texts of an item, packed in one block:
//   count (32 bits), then count + 1 offsets (32 bits each), then the texts,
//   each followed by a NUL; text i lies from offset i up to offset i + 1
//   less its NUL.
// 100,000 rows of a song list hold one small block each instead of a
// string list with a string per sub-item.
namespace packed {

std::uint32_t Word(const char* Block, std::size_t Index) {
  std::uint32_t value = 0;
  std::memcpy(&value, Block + Index * sizeof value, sizeof value);
  return value;
}

std::size_t Count(const char* Block) { return Block != nullptr ? Word(Block, 0) : 0; }

std::string_view At(const char* Block, std::size_t Index) {
  const std::size_t count = Word(Block, 0);
  const char* texts = Block + (count + 2) * sizeof(std::uint32_t);
  const std::uint32_t from = Word(Block, 1 + Index);
  const std::uint32_t to = Word(Block, 2 + Index);
  return std::string_view(texts + from, to - from - 1);
}

std::vector<std::string_view> Unpack(const char* Block) {
  std::vector<std::string_view> texts;
  const std::size_t count = Count(Block);
  texts.reserve(count + 1);
  for (std::size_t i = 0; i < count; ++i) texts.push_back(At(Block, i));
  return texts;
}

// Null for no texts.
std::unique_ptr<char[]> Pack(const std::vector<std::string_view>& Texts) {
  if (Texts.empty()) return nullptr;
  std::size_t bytes = 0;
  for (std::string_view text : Texts) bytes += text.size() + 1;
  if (bytes > UINT32_MAX) throw EOutOfMemory("Out of memory");
  const std::size_t head = (Texts.size() + 2) * sizeof(std::uint32_t);
  auto block = std::make_unique<char[]>(head + bytes);
  char* out = block.get();
  auto put = [&](std::size_t index, std::size_t value) {
    const auto word = static_cast<std::uint32_t>(value);
    std::memcpy(out + index * sizeof word, &word, sizeof word);
  };
  put(0, Texts.size());
  std::size_t at = 0;
  for (std::size_t i = 0; i < Texts.size(); ++i) {
    put(1 + i, at);
    std::memcpy(out + head + at, Texts[i].data(), Texts[i].size());
    at += Texts[i].size();
    out[head + at++] = '\0';
  }
  put(1 + Texts.size(), at);
  return block;
}

}  // namespace packed

}  // namespace

// The sub-items of an item as a string list: a view of the item's packed
// texts that hands every change to the list's window. Made only when some
// code asks an item for its SubItems.
class TSubItems : public TStrings {
 public:
  explicit TSubItems(TListItem* Item) : item_(Item) {}

  int Count() const override { return item_->SubItemCount(); }
  String Get(int Index) const override {
    CheckIndex(Index, Count());
    return String(item_->SubItemText(Index));
  }
  void Put(int Index, const String& S) override {
    CheckIndex(Index, Count());
    std::vector<std::string_view> texts = packed::Unpack(item_->sub_texts_.get());
    texts[static_cast<std::size_t>(Index)] = S;
    Store(texts);
  }
  TObject* GetObject(int Index) const override {
    CheckIndex(Index, Count());
    const std::vector<TObject*>& objects = Objects();
    return static_cast<std::size_t>(Index) < objects.size() ? objects[static_cast<std::size_t>(Index)] : nullptr;
  }
  void PutObject(int Index, TObject* AObject) override {
    CheckIndex(Index, Count());
    std::vector<TObject*>& objects = Objects();
    if (AObject != nullptr && objects.size() <= static_cast<std::size_t>(Index)) {
      objects.resize(static_cast<std::size_t>(Count()), nullptr);
    }
    if (static_cast<std::size_t>(Index) < objects.size()) objects[static_cast<std::size_t>(Index)] = AObject;
    Changed();
  }
  int Add(const String& S) override { return AddObject(S, nullptr); }
  int AddObject(const String& S, TObject* AObject) override {
    const int index = Count();
    InsertItem(index, S, AObject);
    return index;
  }
  void Insert(int Index, const String& S) override { InsertObject(Index, S, nullptr); }
  void InsertObject(int Index, const String& S, TObject* AObject) override {
    if (Index < 0 || Index > Count()) Error(SysConst::SListIndexError, Index);
    InsertItem(Index, S, AObject);
  }
  void Delete(int Index) override {
    CheckIndex(Index, Count());
    std::vector<std::string_view> texts = packed::Unpack(item_->sub_texts_.get());
    texts.erase(texts.begin() + Index);
    std::vector<TObject*>& objects = Objects();
    if (static_cast<std::size_t>(Index) < objects.size()) objects.erase(objects.begin() + Index);
    Store(texts);
  }
  void Clear() override {
    if (Count() == 0) return;
    Objects().clear();
    Store({});
  }
  void Exchange(int Index1, int Index2) override {
    CheckIndex(Index1, Count());
    CheckIndex(Index2, Count());
    std::vector<std::string_view> texts = packed::Unpack(item_->sub_texts_.get());
    std::swap(texts[static_cast<std::size_t>(Index1)], texts[static_cast<std::size_t>(Index2)]);
    std::vector<TObject*>& objects = Objects();
    if (!objects.empty()) {
      objects.resize(static_cast<std::size_t>(Count()), nullptr);
      std::swap(objects[static_cast<std::size_t>(Index1)], objects[static_cast<std::size_t>(Index2)]);
    }
    Store(texts);
  }

  int UpdateCountOf() const { return UpdateCount(); }

 protected:
  void SetUpdateState(bool Updating) override {
    if (!Updating) Changed();
  }

 private:
  // The objects of the sub-items; shorter than the texts when the last
  // ones have none.
  std::vector<TObject*>& Objects() const;
  void CheckIndex(int Index, int Limit) const {
    if (Index < 0 || Index >= Limit) Error(SysConst::SListIndexError, Index);
  }
  void InsertItem(int Index, const String& S, TObject* AObject) {
    std::vector<std::string_view> texts = packed::Unpack(item_->sub_texts_.get());
    texts.insert(texts.begin() + Index, S);
    std::vector<TObject*>& objects = Objects();
    if (AObject != nullptr || static_cast<std::size_t>(Index) < objects.size()) {
      objects.resize(std::max(objects.size(), static_cast<std::size_t>(Index)), nullptr);
      objects.insert(objects.begin() + Index, AObject);
    }
    Store(texts);
  }
  // The texts (views into the old block, which stays until the new one is
  // made) become the item's; the window hears of it.
  void Store(const std::vector<std::string_view>& Texts) {
    std::unique_ptr<char[]> block = packed::Pack(Texts);
    item_->sub_texts_.swap(block);
    Changed();
  }
  void Changed() {
    if (UpdateCount() == 0) item_->SubItemsChanged();
  }

  TListItem* item_;
};

struct TListItem::TExtra {
  explicit TExtra(TListItem* Item) : strings(Item) {}
  TSubItems strings;
  std::vector<int> images;
  std::vector<TObject*> objects;
};

std::vector<TObject*>& TSubItems::Objects() const { return item_->Extra().objects; }

namespace {

int ColumnFormat(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify: return LVCFMT_RIGHT;
    case taCenter: return LVCFMT_CENTER;
    default: return LVCFMT_LEFT;
  }
}

}  // namespace

// --- TListColumn ---

TListColumn::TListColumn(TListColumns* AOwner) : owner_(AOwner) {}

TListColumn::~TListColumn() = default;

void TListColumn::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListColumn*>(Source);
  if (other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  caption_ = other->caption_;
  width_ = other->width_;
  auto_size_ = other->auto_size_;
  alignment_ = other->alignment_;
  image_index_ = other->image_index_;
  min_width_ = other->min_width_;
  max_width_ = other->max_width_;
  Tag = other->Tag;
  Changed();
}

int TListColumn::Index() const {
  const auto& columns = owner_->columns_;
  return static_cast<int>(std::find(columns.begin(), columns.end(), this) - columns.begin());
}

void TListColumn::SetCaption(const String& Value) {
  if (caption_ == Value) return;
  caption_ = Value;
  Changed();
}

void TListColumn::ReadWidth() {
  TCustomListView* list = owner_->Owner();
  if (list != nullptr && list->HandleAllocated() && list->columns_in_window_) {
    width_ = ListView_GetColumnWidth(list->Handle(), Index());
  }
}

int TListColumn::Width() {
  ReadWidth();
  return width_;
}

void TListColumn::SetWidth(int Value) {
  if (Value >= 0) {
    if (min_width_ > 0) Value = std::max(Value, min_width_);
    if (max_width_ > 0) Value = std::min(Value, max_width_);
  }
  TCustomListView* list = owner_->Owner();
  if (list != nullptr && list->HandleAllocated() && list->columns_in_window_) {
    ListView_SetColumnWidth(list->Handle(), Index(), Value);
    ReadWidth();
  } else if (Value >= 0) {
    width_ = Value;
  } else {
    width_ = Value;  // fitted when the window is made
  }
  if (list != nullptr) list->UpdateColumnWidths();
}

void TListColumn::SetAutoSize(bool Value) {
  if (auto_size_ == Value) return;
  auto_size_ = Value;
  if (owner_->Owner() != nullptr) owner_->Owner()->UpdateColumnWidths();
}

void TListColumn::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  Changed();
}

void TListColumn::SetImageIndex(int Value) {
  if (image_index_ == Value) return;
  image_index_ = Value;
  Changed();
}

void TListColumn::SetMinWidth(int Value) {
  min_width_ = std::max(Value, 0);
  if (min_width_ > 0 && width_ >= 0 && width_ < min_width_) SetWidth(min_width_);
}

void TListColumn::SetMaxWidth(int Value) {
  max_width_ = std::max(Value, 0);
  if (max_width_ > 0 && width_ > max_width_) SetWidth(max_width_);
}

void TListColumn::Changed() {
  TCustomListView* list = owner_->Owner();
  if (list == nullptr || !list->HandleAllocated() || !list->columns_in_window_ || owner_->update_count_ > 0) {
    owner_->changed_ = owner_->update_count_ > 0;
    return;
  }
  LVCOLUMN column;
  column.mask = LVCF_FMT | LVCF_TEXT;
  column.fmt = ColumnFormat(alignment_);
  column.pszText = const_cast<char*>(caption_.c_str());
  if (image_index_ >= 0) {
    column.mask |= LVCF_IMAGE;
    column.fmt |= LVCFMT_IMAGE;
    column.iImage = image_index_;
  }
  ListView_SetColumn(list->Handle(), Index(), &column);
}

// --- TListColumns ---

TListColumns::~TListColumns() {
  for (TListColumn* column : columns_) delete column;
}

void TListColumns::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListColumns*>(Source);
  if (other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  Clear();
  for (TListColumn* column : other->columns_) Add()->Assign(column);
  EndUpdate();
}

TListColumn* TListColumns::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format(SysConst::SListIndexError, Index));
  return columns_[static_cast<std::size_t>(Index)];
}

TListColumn* TListColumns::Add() {
  auto* column = new TListColumn(this);
  columns_.push_back(column);
  if (owner_ != nullptr && owner_->HandleAllocated() && owner_->columns_in_window_ && update_count_ == 0) {
    LVCOLUMN info;
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = column->width_;
    info.pszText = const_cast<char*>("");
    info.iSubItem = Count() - 1;
    ListView_InsertColumn(owner_->Handle(), Count() - 1, &info);
    owner_->UpdateColumnWidths();
  } else {
    Changed();
  }
  return column;
}

void TListColumns::Delete(int Index) {
  TListColumn* column = Items(Index);
  columns_.erase(columns_.begin() + Index);
  delete column;
  if (owner_ != nullptr && owner_->HandleAllocated() && owner_->columns_in_window_ && update_count_ == 0) {
    ListView_DeleteColumn(owner_->Handle(), Index);
    owner_->UpdateColumnWidths();
  } else {
    Changed();
  }
}

void TListColumns::Clear() {
  BeginUpdate();
  for (TListColumn* column : columns_) delete column;
  columns_.clear();
  EndUpdate();
}

void TListColumns::BeginUpdate() { ++update_count_; }

void TListColumns::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  if (update_count_ == 0 && changed_) {
    changed_ = false;
    if (owner_ != nullptr) owner_->PushColumns();
  }
}

void TListColumns::Changed() {
  if (update_count_ > 0) {
    changed_ = true;
    return;
  }
  if (owner_ != nullptr) owner_->PushColumns();
}

// --- TListItem ---

TListItem::TListItem(TListItems* AOwner) : owner_(AOwner) {}

TListItem::~TListItem() {
  // An item deleted by the program leaves its list.
  if (owner_ != nullptr && owner_->owner_ != nullptr) owner_->owner_->RemoveItem(this);
}

void TListItem::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListItem*>(Source);
  if (other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  SetCaption(other->caption_);
  data_ = other->data_;
  SetImageIndex(other->image_index_);
  SetStateIndex(other->state_index_);
  SetIndent(other->indent_);
  if (other != this) {
    TExtra* from = other->extra_.get();
    if (from != nullptr) {
      TExtra& to = Extra();
      to.images = from->images;
      to.objects = from->objects;
      to.strings.Delimiter = from->strings.Delimiter;
      to.strings.QuoteChar = from->strings.QuoteChar;
      to.strings.NameValueSeparator = from->strings.NameValueSeparator;
    } else if (extra_ != nullptr) {
      extra_->images.clear();
      extra_->objects.clear();
    }
    sub_texts_ = packed::Pack(packed::Unpack(other->sub_texts_.get()));
    SubItemsChanged();
  }
  SetChecked(other->Checked());
}

TCustomListView* TListItem::ListView() const { return owner_ != nullptr ? owner_->owner_ : nullptr; }

HWND TListItem::Window() const {
  TCustomListView* list = ListView();
  return list != nullptr && list->HandleAllocated() && index_ >= 0 ? list->Handle() : nullptr;
}

TListItem::TExtra& TListItem::Extra() const {
  if (extra_ == nullptr) extra_ = std::make_unique<TExtra>(const_cast<TListItem*>(this));
  return *extra_;
}

TStrings* TListItem::SubItems() const { return &Extra().strings; }

void TListItem::SetSubItems(TStrings* Value) { SubItems()->Assign(Value); }

void TListItem::AddSubItems(std::span<const std::string_view> Texts) {
  if (Texts.empty()) return;
  std::vector<std::string_view> texts = packed::Unpack(sub_texts_.get());
  texts.insert(texts.end(), Texts.begin(), Texts.end());
  std::unique_ptr<char[]> block = packed::Pack(texts);
  sub_texts_.swap(block);
  if (extra_ == nullptr || extra_->strings.UpdateCountOf() == 0) SubItemsChanged();
}

int TListItem::SubItemCount() const { return static_cast<int>(packed::Count(sub_texts_.get())); }

std::string_view TListItem::SubItemText(int Index) const {
  return packed::At(sub_texts_.get(), static_cast<std::size_t>(Index));
}

void TListItem::SetCaption(const String& Value) {
  if (caption_ == Value) return;
  caption_ = Value;
  // The window asks the item for its texts.
  if (HWND h = Window()) ListView_SetItemText(h, index_, 0, LPSTR_TEXTCALLBACK);
  TCustomListView* list = ListView();
  if (list != nullptr && (list->sort_type_ == stText || list->sort_type_ == stBoth)) list->KeepSorted(this);
}

void TListItem::SetData(void* Value) {
  if (data_ == Value) return;
  data_ = Value;
  TCustomListView* list = ListView();
  if (list != nullptr && (list->sort_type_ == stData || list->sort_type_ == stBoth)) list->KeepSorted(this);
}

void TListItem::SetImageIndex(int Value) {
  if (image_index_ == Value) return;
  image_index_ = Value;
  if (HWND h = Window()) {
    LVITEM item;
    item.mask = LVIF_IMAGE;
    item.iItem = index_;
    item.iImage = Value;
    ListView_SetItem(h, &item);
  }
}

void TListItem::SetStateIndex(int Value) {
  if (state_index_ == Value) return;
  state_index_ = Value;
  TCustomListView* list = ListView();
  if (HWND h = Window(); h != nullptr && list != nullptr && !list->checkboxes_) {
    ListView_SetItemState(h, index_, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(Value + 1)), LVIS_STATEIMAGEMASK);
  }
}

void TListItem::SetIndent(int Value) {
  if (indent_ == Value) return;
  indent_ = Value;
  if (HWND h = Window()) {
    LVITEM item;
    item.mask = LVIF_INDENT;
    item.iItem = index_;
    item.iIndent = Value;
    ListView_SetItem(h, &item);
  }
}

int TListItem::SubItemImages(int Index) const {
  if (Index < 0 || Index >= SubItemCount()) throw EListError(Format(SysConst::SListIndexError, Index));
  if (extra_ == nullptr) return -1;
  const std::vector<int>& images = extra_->images;
  return static_cast<std::size_t>(Index) < images.size() ? images[static_cast<std::size_t>(Index)] : -1;
}

void TListItem::SetSubItemImages(int Index, int Value) {
  if (Index < 0 || Index >= SubItemCount()) throw EListError(Format(SysConst::SListIndexError, Index));
  std::vector<int>& images = Extra().images;
  if (images.size() <= static_cast<std::size_t>(Index)) images.resize(static_cast<std::size_t>(Index) + 1, -1);
  images[static_cast<std::size_t>(Index)] = Value;
  if (HWND h = Window()) {
    LVITEM item;
    item.mask = LVIF_IMAGE;
    item.iItem = index_;
    item.iSubItem = Index + 1;
    item.iImage = Value;
    ListView_SetItem(h, &item);
  }
}

void TListItem::SubItemsChanged() {
  TCustomListView* list = ListView();
  if (list != nullptr && Window() != nullptr) list->PushSubItems(this);
}

bool TListItem::GetState(UINT State) const {
  if (HWND h = Window()) return (ListView_GetItemState(h, index_, State) & State) != 0;
  return (states_ & State) != 0;
}

void TListItem::SetState(UINT State, bool Value) {
  if (HWND h = Window()) {
    ListView_SetItemState(h, index_, Value ? State : 0, State);
    return;
  }
  if (Value) {
    TCustomListView* list = ListView();
    // Without a window the single selection and the focus are kept here.
    if (list != nullptr && (State & (LVIS_FOCUSED | (list->multi_select_ ? 0 : LVIS_SELECTED))) != 0) {
      const UINT alone = State & (LVIS_FOCUSED | (list->multi_select_ ? 0u : LVIS_SELECTED));
      for (TListItem* other : owner_->items_) other->states_ &= ~alone;
    }
    states_ |= State;
  } else {
    states_ &= ~State;
  }
}

bool TListItem::Selected() const { return GetState(LVIS_SELECTED); }
void TListItem::SetSelected(bool Value) { SetState(LVIS_SELECTED, Value); }
bool TListItem::Focused() const { return GetState(LVIS_FOCUSED); }
void TListItem::SetFocused(bool Value) { SetState(LVIS_FOCUSED, Value); }
bool TListItem::Cut() const { return GetState(LVIS_CUT); }
void TListItem::SetCut(bool Value) { SetState(LVIS_CUT, Value); }
bool TListItem::DropTarget() const { return GetState(LVIS_DROPHILITED); }
void TListItem::SetDropTarget(bool Value) { SetState(LVIS_DROPHILITED, Value); }

bool TListItem::Checked() const {
  TCustomListView* list = ListView();
  if (HWND h = Window(); h != nullptr && list != nullptr && list->checkboxes_) return ListView_GetCheckState(h, index_) != 0;
  return checked_;
}

void TListItem::SetChecked(bool Value) {
  checked_ = Value;
  TCustomListView* list = ListView();
  if (HWND h = Window(); h != nullptr && list != nullptr && list->checkboxes_) {
    ListView_SetCheckState(h, index_, Value ? TRUE : FALSE);
  }
}

void TListItem::Delete() {
  if (owner_ != nullptr) owner_->Delete(index_);
}

void TListItem::MakeVisible(bool PartialOK) {
  if (HWND h = Window()) ListView_EnsureVisible(h, index_, PartialOK ? TRUE : FALSE);
}

void TListItem::Update() {
  if (HWND h = Window()) SendMessage(h, LVM_UPDATE, static_cast<WPARAM>(index_), 0);
}

TRect TListItem::DisplayRect(TDisplayCode Code) const {
  RECT r{};
  if (HWND h = Window()) {
    LONG code = LVIR_BOUNDS;
    switch (Code) {
      case drBounds: code = LVIR_BOUNDS; break;
      case drIcon: code = LVIR_ICON; break;
      case drLabel: code = LVIR_LABEL; break;
      case drSelectBounds: code = LVIR_SELECTBOUNDS; break;
    }
    ListView_GetItemRect(h, index_, &r, code);
  }
  return r;
}

bool TListItem::EditCaption() {
  HWND h = Window();
  if (h == nullptr) return false;
  ::SetFocus(h);
  return ListView_EditLabel(h, index_) != nullptr;
}

void TListItem::CancelEdit() {
  if (HWND h = Window()) ListView_EditLabel(h, -1);
}

// --- TListItems ---

TListItems::~TListItems() {
  for (TListItem* item : items_) {
    item->owner_ = nullptr;
    delete item;
  }
}

void TListItems::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListItems*>(Source);
  if (other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  Clear();
  for (TListItem* item : other->items_) Add()->Assign(item);
  EndUpdate();
}

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format(SysConst::SListIndexError, Index));
  return items_[static_cast<std::size_t>(Index)];
}

int TListItems::IndexOf(const TListItem* Value) const {
  if (Value != nullptr && Value->owner_ == this && Value->index_ >= 0 && Value->index_ < Count() &&
      items_[static_cast<std::size_t>(Value->index_)] == Value) {
    return Value->index_;
  }
  return -1;
}

void TListItems::Renumber(int From) {
  for (int i = std::max(From, 0); i < Count(); ++i) items_[static_cast<std::size_t>(i)]->index_ = i;
}

TListItem* TListItems::Add() { return AddItem(nullptr, -1); }

TListItem* TListItems::Insert(int Index) { return AddItem(nullptr, Index); }

TListItem* TListItems::AddItem(TListItem* Item, int Index) {
  if (Index > Count()) throw EListError(Format(SysConst::SListIndexError, Index));
  TListItem* item = Item != nullptr ? Item : new TListItem(this);
  item->owner_ = this;
  TCustomListView* list = owner_;
  if (Index < 0) {
    Index = Count();
    // A kept sort puts the new item in its place at once.
    if (list != nullptr && list->sort_type_ != stNone && update_count_ == 0 && !list->custom_order_) {
      auto place = std::upper_bound(items_.begin(), items_.end(), item, [list](TListItem* a, TListItem* b) {
        return list->CompareItems(a, b) < 0;
      });
      Index = static_cast<int>(place - items_.begin());
    }
  }
  items_.insert(items_.begin() + Index, item);
  Renumber(Index);
  if (list != nullptr) {
    if (list->HandleAllocated()) list->InsertRow(item);
    list->InsertItem(item);
    if (list->sort_type_ != stNone && update_count_ > 0) list->sort_pending_ = true;
  }
  return item;
}

void TListItems::Delete(int Index) {
  TListItem* item = Item(Index);
  if (owner_ != nullptr) owner_->Delete(item);
  // The handler may have deleted it already.
  if (IndexOf(item) < 0) return;
  delete item;  // leaves the list
}

void TListItems::Clear() {
  if (owner_ != nullptr) owner_->ClearItems();
}

void TListItems::BeginUpdate() {
  if (update_count_++ == 0 && owner_ != nullptr && owner_->HandleAllocated()) {
    SendMessage(owner_->Handle(), WM_SETREDRAW, FALSE, 0);
  }
}

void TListItems::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ > 0 || owner_ == nullptr) return;
  if (owner_->sort_pending_) {
    owner_->sort_pending_ = false;
    if (owner_->sort_type_ != stNone) owner_->AlphaSort();
  }
  if (owner_->HandleAllocated()) {
    SendMessage(owner_->Handle(), WM_SETREDRAW, TRUE, 0);
    owner_->Invalidate();
  }
}

// --- TCustomListView ---

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      columns_(std::make_unique<TListColumns>(this)),
      items_(std::make_unique<TListItems>(this)),
      canvas_(std::make_unique<TControlCanvas>()),
      image_link_(std::make_unique<TChangeLink>()),
      row_font_(std::make_unique<TFont>()) {
  ControlStyle = {csDoubleClicks, csFramed};
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  canvas_->SetControl(this);
  image_link_->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
}

TCustomListView::~TCustomListView() {
  // The window goes first, so that nothing it says reaches the items
  // while they go.
  ++quiet_;
  DestroyHandle();
  ClearItems();
  canvas_->FreeHandle();
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, WC_LISTVIEW);
  static constexpr DWORD kViewStyles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  Params.Style |= kViewStyles[view_style_] | LVS_SHAREIMAGELISTS;
  if (!multi_select_) Params.Style |= LVS_SINGLESEL;
  if (!hide_selection_) Params.Style |= LVS_SHOWSELALWAYS;
  if (!read_only_) Params.Style |= LVS_EDITLABELS;
  if (!show_column_headers_) Params.Style |= LVS_NOCOLUMNHEADER;
  if (!column_click_) Params.Style |= LVS_NOSORTHEADER;
  if (owner_draw_ && view_style_ == vsReport) Params.Style |= LVS_OWNERDRAWFIXED;
  if (border_style_ == bsSingle) AddFramedBorder(Params);
}

void TCustomListView::CreateWnd() {
  columns_in_window_ = false;
  TWinControl::CreateWnd();
  HWND h = Handle();
  ++quiet_;
  PushExtendedStyle();
  PushImageLists();
  const COLORREF back = static_cast<COLORREF>(ColorToRGB(Color()));
  ListView_SetBkColor(h, back);
  ListView_SetTextBkColor(h, back);
  ListView_SetTextColor(h, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  if (hover_time_ >= 0) SendMessage(h, LVM_SETHOVERTIME, 0, static_cast<LPARAM>(hover_time_));
  PushColumns();
  if (items_->update_count_ > 0) SendMessage(h, WM_SETREDRAW, FALSE, 0);
  InsertRows(0, items_->Count());
  --quiet_;
}

void TCustomListView::DestroyWnd() {
  if (HandleAllocated() && !ComponentState().Contains(csDestroying)) {
    // The window keeps the states: hand them to the items.
    HWND h = Handle();
    for (TListItem* item : items_->items_) {
      item->states_ = ListView_GetItemState(h, item->index_, kKeptStates);
      if (checkboxes_) item->checked_ = ListView_GetCheckState(h, item->index_) != 0;
    }
    for (TListColumn* column : columns_->columns_) {
      if (!column->auto_size_) column->ReadWidth();
    }
  }
  columns_in_window_ = false;
  ++quiet_;
  try {
    TWinControl::DestroyWnd();
  } catch (...) {
    --quiet_;
    throw;
  }
  --quiet_;
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // The list is past its own destructor: only forget it.
  bool gone = false;
  for (TCustomImageList** list : {&small_images_, &large_images_, &state_images_}) {
    if (AComponent == *list) {
      *list = nullptr;
      gone = true;
    }
  }
  if (gone) PushImageLists();
}

// --- the window's copy ---

void TCustomListView::PushExtendedStyle() {
  if (!HandleAllocated()) return;
  DWORD style = 0;
  if (checkboxes_) style |= LVS_EX_CHECKBOXES;
  if (grid_lines_) style |= LVS_EX_GRIDLINES;
  if (row_select_) style |= LVS_EX_FULLROWSELECT;
  if (hot_track_) style |= LVS_EX_TRACKSELECT;
  const DWORD mask = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TRACKSELECT;
  ListView_SetExtendedListViewStyleEx(Handle(), mask, style);
}

void TCustomListView::PushImageLists() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  ListView_SetImageList(h, small_images_ != nullptr ? small_images_->Handle() : nullptr, LVSIL_SMALL);
  ListView_SetImageList(h, large_images_ != nullptr ? large_images_->Handle() : nullptr, LVSIL_NORMAL);
  if (!checkboxes_) {
    ListView_SetImageList(h, state_images_ != nullptr ? state_images_->Handle() : nullptr, LVSIL_STATE);
  }
}

void TCustomListView::PushColumns() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  HWND header = ListView_GetHeader(h);
  int present = header != nullptr ? Header_GetItemCount(header) : 0;
  for (; present > 0; --present) ListView_DeleteColumn(h, present - 1);
  for (int i = 0; i < columns_->Count(); ++i) {
    TListColumn* column = columns_->columns_[static_cast<std::size_t>(i)];
    LVCOLUMN info;
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = ColumnFormat(column->alignment_);
    info.cx = std::max(column->width_, 0);
    info.pszText = const_cast<char*>(column->caption_.c_str());
    info.iSubItem = i;
    if (column->image_index_ >= 0) {
      info.mask |= LVCF_IMAGE;
      info.fmt |= LVCFMT_IMAGE;
      info.iImage = column->image_index_;
    }
    ListView_InsertColumn(h, i, &info);
  }
  columns_in_window_ = true;
  // Fitted widths need the rows.
  for (int i = 0; i < columns_->Count(); ++i) {
    TListColumn* column = columns_->columns_[static_cast<std::size_t>(i)];
    if (column->width_ < 0 && items_->Count() > 0) {
      ListView_SetColumnWidth(h, i, column->width_);
      column->ReadWidth();
    }
  }
  UpdateColumnWidths();
}

void TCustomListView::UpdateColumnWidths() {
  if (!HandleAllocated() || !columns_in_window_ || columns_->update_count_ > 0) return;
  int fixed = 0;
  int automatic = 0;
  for (TListColumn* column : columns_->columns_) {
    if (column->auto_size_) {
      ++automatic;
    } else {
      fixed += column->Width();
    }
  }
  if (automatic == 0) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  const int share = std::max(0, (client.right - client.left - fixed) / automatic);
  for (TListColumn* column : columns_->columns_) {
    if (!column->auto_size_) continue;
    int width = share;
    if (column->min_width_ > 0) width = std::max(width, column->min_width_);
    if (column->max_width_ > 0) width = std::min(width, column->max_width_);
    if (ListView_GetColumnWidth(Handle(), column->Index()) != width) {
      ListView_SetColumnWidth(Handle(), column->Index(), width);
    }
    column->width_ = width;
  }
}

void TCustomListView::Resize() {
  UpdateColumnWidths();
  TWinControl::Resize();
}

namespace {

// Rows put into the window per message when many go in at once.
constexpr std::size_t kRowsPerMessage = 4096;

}  // namespace

void TCustomListView::InsertRow(TListItem* Item) {
  const int index = Item->index_;
  InsertRows(index, index + 1);
}

void TCustomListView::InsertRows(int First, int Last) {
  HWND h = Handle();
  std::vector<LVITEM> rows;
  rows.reserve(std::min(static_cast<std::size_t>(std::max(Last - First, 0)), kRowsPerMessage));
  ++quiet_;
  for (int from = First; from < Last;) {
    const int to = std::min(Last, from + static_cast<int>(kRowsPerMessage));
    rows.clear();
    for (int i = from; i < to; ++i) {
      // The window asks the item for its texts (LVN_GETDISPINFO) and keeps
      // its image, indent and states.
      TListItem* item = items_->items_[static_cast<std::size_t>(i)];
      LVITEM& row = rows.emplace_back();
      row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT;
      row.iItem = i;
      row.pszText = LPSTR_TEXTCALLBACK;
      row.iImage = item->image_index_;
      row.lParam = reinterpret_cast<LPARAM>(item);
      row.iIndent = item->indent_;
      row.state = item->states_ & kKeptStates;
      row.stateMask = kKeptStates;
      if (checkboxes_) {
        row.state |= INDEXTOSTATEIMAGEMASK(item->checked_ ? 2u : 1u);
        row.stateMask |= LVIS_STATEIMAGEMASK;
      } else if (item->state_index_ >= 0) {
        row.state |= INDEXTOSTATEIMAGEMASK(static_cast<UINT>(item->state_index_ + 1));
        row.stateMask |= LVIS_STATEIMAGEMASK;
      }
    }
    ListView_InsertItems(h, static_cast<int>(rows.size()), rows.data());
    from = to;
  }
  --quiet_;
  for (int i = First; i < Last; ++i) {
    TListItem* item = items_->items_[static_cast<std::size_t>(i)];
    // The platform takes the state on insertion only as far as it lets
    // one row be selected and focused: say it again.
    if (item->states_ & kKeptStates) {
      ++quiet_;
      ListView_SetItemState(h, i, item->states_ & kKeptStates, kKeptStates);
      --quiet_;
    }
    if (item->extra_ != nullptr && !item->extra_->images.empty()) PushSubItems(item);
  }
}

void TCustomListView::PushSubItems(TListItem* Item) {
  HWND h = Handle();
  // The window asks for the texts; the images it keeps.
  if (Item->extra_ != nullptr) {
    const std::vector<int>& images = Item->extra_->images;
    const std::size_t count = std::min(images.size(), static_cast<std::size_t>(Item->SubItemCount()));
    for (std::size_t i = 0; i < count; ++i) {
      LVITEM sub;
      sub.mask = LVIF_IMAGE;
      sub.iItem = Item->index_;
      sub.iSubItem = static_cast<int>(i) + 1;
      sub.iImage = images[i];
      SendMessage(h, LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&sub));
    }
  }
  SendMessage(h, LVM_UPDATE, static_cast<WPARAM>(Item->index_), 0);
}

TListItem* TCustomListView::ItemOfRow(int Row) const {
  if (Row < 0 || Row >= items_->Count()) return nullptr;
  return items_->items_[static_cast<std::size_t>(Row)];
}

void TCustomListView::RemoveItem(TListItem* Item) {
  const int index = items_->IndexOf(Item);
  if (index < 0) return;
  items_->items_.erase(items_->items_.begin() + index);
  items_->Renumber(index);
  Item->index_ = -1;
  Item->owner_ = nullptr;
  if (HandleAllocated()) {
    ++quiet_;
    ListView_DeleteItem(Handle(), index);
    --quiet_;
  }
}

void TCustomListView::ClearItems() {
  // Every item is told about before any goes.
  for (TListItem* item : std::vector<TListItem*>(items_->items_)) {
    if (items_->IndexOf(item) >= 0) Delete(item);
  }
  std::vector<TListItem*> gone;
  gone.swap(items_->items_);
  if (HandleAllocated()) {
    ++quiet_;
    ListView_DeleteAllItems(Handle());
    --quiet_;
  }
  for (TListItem* item : gone) {
    item->owner_ = nullptr;
    delete item;
  }
  custom_order_ = false;
}

// --- sorting ---

int TCustomListView::CompareItems(TListItem* Item1, TListItem* Item2) {
  if (OnCompare) {
    int compare = 0;
    OnCompare(this, Item1, Item2, 0, compare);
    return compare;
  }
  const auto by_data = [&] {
    const auto a = reinterpret_cast<std::uintptr_t>(Item1->data_);
    const auto b = reinterpret_cast<std::uintptr_t>(Item2->data_);
    return a < b ? -1 : (a > b ? 1 : 0);
  };
  switch (sort_type_) {
    case stData: return by_data();
    case stBoth: {
      const int by_text = AnsiCompareStr(Item1->caption_, Item2->caption_);
      return by_text != 0 ? by_text : by_data();
    }
    default: return AnsiCompareStr(Item1->caption_, Item2->caption_);
  }
}

void TCustomListView::Sort(const std::function<int(TListItem*, TListItem*)>& Compare) {
  auto& items = items_->items_;
  std::stable_sort(items.begin(), items.end(), [&](TListItem* a, TListItem* b) { return Compare(a, b) < 0; });
  items_->Renumber(0);
  ApplyOrder();
}

void TCustomListView::ApplyOrder() {
  if (!HandleAllocated()) return;
  for (TListItem* item : items_->items_) item->rank_ = item->index_;
  ++quiet_;
  ListView_SortItems(
      Handle(),
      [](LPARAM a, LPARAM b, LPARAM) {
        return reinterpret_cast<TListItem*>(a)->rank_ - reinterpret_cast<TListItem*>(b)->rank_;
      },
      0);
  --quiet_;
}

bool TCustomListView::AlphaSort() {
  Sort([this](TListItem* a, TListItem* b) { return CompareItems(a, b); });
  custom_order_ = false;
  return true;
}

bool TCustomListView::CustomSort(TLVCompare SortProc, LPARAM Data) {
  if (SortProc == nullptr) return AlphaSort();
  Sort([SortProc, Data](TListItem* a, TListItem* b) {
    return SortProc(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), Data);
  });
  custom_order_ = true;
  return true;
}

bool TCustomListView::CustomSort(const std::function<int(TListItem* Item1, TListItem* Item2)>& Compare) {
  if (!Compare) return AlphaSort();
  Sort(Compare);
  custom_order_ = true;
  return true;
}

void TCustomListView::KeepSorted(TListItem* Item) {
  if (sort_type_ == stNone) return;
  if (items_->update_count_ > 0) {
    sort_pending_ = true;
    return;
  }
  if (custom_order_) {
    AlphaSort();
    return;
  }
  auto& items = items_->items_;
  const int from = Item->index_;
  if (from < 0) return;
  items.erase(items.begin() + from);
  auto place = std::upper_bound(items.begin(), items.end(), Item,
                                [this](TListItem* a, TListItem* b) { return CompareItems(a, b) < 0; });
  const int to = static_cast<int>(place - items.begin());
  items.insert(items.begin() + to, Item);
  if (to == from) return;
  items_->Renumber(std::min(from, to));
  if (!HandleAllocated()) return;
  // The row moves: out of its old place and into the new one with the
  // same states.
  HWND h = Handle();
  ++quiet_;
  Item->states_ = ListView_GetItemState(h, from, kKeptStates);
  if (checkboxes_) Item->checked_ = ListView_GetCheckState(h, from) != 0;
  ListView_DeleteItem(h, from);
  InsertRow(Item);
  --quiet_;
}

void TCustomListView::SetSortType(TSortType Value) {
  if (sort_type_ == Value) return;
  sort_type_ = Value;
  if (Value != stNone) AlphaSort();
}

// --- properties ---

void TCustomListView::SetViewStyle(TViewStyle Value) {
  if (view_style_ == Value) return;
  view_style_ = Value;
  RecreateWnd();
}

void TCustomListView::SetShowColumnHeaders(bool Value) {
  if (show_column_headers_ == Value) return;
  show_column_headers_ = Value;
  RecreateWnd();
}

void TCustomListView::SetColumnClick(bool Value) {
  if (column_click_ == Value) return;
  column_click_ = Value;
  RecreateWnd();
}

void TCustomListView::SetCheckboxes(bool Value) {
  if (checkboxes_ == Value) return;
  if (HandleAllocated() && checkboxes_) {
    for (TListItem* item : items_->items_) item->checked_ = ListView_GetCheckState(Handle(), item->index_) != 0;
  }
  checkboxes_ = Value;
  if (!HandleAllocated()) return;
  PushExtendedStyle();
  ++quiet_;
  for (TListItem* item : items_->items_) {
    if (Value) {
      ListView_SetCheckState(Handle(), item->index_, item->checked_ ? TRUE : FALSE);
    } else {
      ListView_SetItemState(Handle(), item->index_,
                            item->state_index_ >= 0 ? INDEXTOSTATEIMAGEMASK(static_cast<UINT>(item->state_index_ + 1)) : 0,
                            LVIS_STATEIMAGEMASK);
    }
  }
  --quiet_;
  PushImageLists();
}

void TCustomListView::SetGridLines(bool Value) {
  grid_lines_ = Value;
  PushExtendedStyle();
}

void TCustomListView::SetRowSelect(bool Value) {
  row_select_ = Value;
  PushExtendedStyle();
}

void TCustomListView::SetHotTrack(bool Value) {
  hot_track_ = Value;
  PushExtendedStyle();
}

void TCustomListView::SetMultiSelect(bool Value) {
  if (multi_select_ == Value) return;
  multi_select_ = Value;
  RecreateWnd();
}

void TCustomListView::SetReadOnly(bool Value) {
  if (read_only_ == Value) return;
  read_only_ = Value;
  RecreateWnd();
}

void TCustomListView::SetHideSelection(bool Value) {
  if (hide_selection_ == Value) return;
  hide_selection_ = Value;
  RecreateWnd();
}

void TCustomListView::SetOwnerDraw(bool Value) {
  if (owner_draw_ == Value) return;
  owner_draw_ = Value;
  RecreateWnd();
}

void TCustomListView::SetBorderStyle(TBorderStyle Value) {
  if (border_style_ == Value) return;
  border_style_ = Value;
  RecreateWnd();
}

int TCustomListView::HoverTime() {
  if (HandleAllocated()) return static_cast<int>(SendMessage(Handle(), LVM_GETHOVERTIME, 0, 0));
  return hover_time_;
}

void TCustomListView::SetHoverTime(int Value) {
  hover_time_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), LVM_SETHOVERTIME, 0, static_cast<LPARAM>(Value));
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) {
  if (small_images_ == Value) return;
  if (small_images_ != nullptr) small_images_->UnRegisterChanges(image_link_.get());
  small_images_ = Value;
  if (Value != nullptr) {
    Value->RegisterChanges(image_link_.get());
    Value->FreeNotification(this);
  }
  PushImageLists();
}

void TCustomListView::SetLargeImages(TCustomImageList* Value) {
  if (large_images_ == Value) return;
  large_images_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  PushImageLists();
}

void TCustomListView::SetStateImages(TCustomImageList* Value) {
  if (state_images_ == Value) return;
  state_images_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  PushImageLists();
}

void TCustomListView::ImageListChange(TObject* /*Sender*/) {
  // A list that made its platform list anew must be handed over again.
  PushImageLists();
  if (HandleAllocated()) Invalidate();
}

TListItem* TCustomListView::Selected() const {
  if (HandleAllocated()) return ItemOfRow(ListView_GetNextItem(const_cast<TCustomListView*>(this)->Handle(), -1, LVNI_SELECTED));
  for (TListItem* item : items_->items_) {
    if (item->states_ & LVIS_SELECTED) return item;
  }
  return nullptr;
}

void TCustomListView::SetSelected(TListItem* Value) {
  ClearSelection();
  if (Value != nullptr) Value->SetSelected(true);
}

TListItem* TCustomListView::ItemFocused() const {
  if (HandleAllocated()) return ItemOfRow(ListView_GetNextItem(const_cast<TCustomListView*>(this)->Handle(), -1, LVNI_FOCUSED));
  for (TListItem* item : items_->items_) {
    if (item->states_ & LVIS_FOCUSED) return item;
  }
  return nullptr;
}

void TCustomListView::SetItemFocused(TListItem* Value) {
  if (Value != nullptr) {
    Value->SetFocused(true);
  } else if (TListItem* focused = ItemFocused()) {
    focused->SetFocused(false);
  }
}

int TCustomListView::SelCount() const {
  if (HandleAllocated()) return ListView_GetSelectedCount(const_cast<TCustomListView*>(this)->Handle());
  return static_cast<int>(std::count_if(items_->items_.begin(), items_->items_.end(),
                                        [](TListItem* item) { return (item->states_ & LVIS_SELECTED) != 0; }));
}

void TCustomListView::ClearSelection() {
  if (HandleAllocated()) {
    ListView_SetItemState(Handle(), -1, 0, LVIS_SELECTED);
    return;
  }
  for (TListItem* item : items_->items_) item->states_ &= ~LVIS_SELECTED;
}

void TCustomListView::SelectAll() {
  if (!multi_select_) return;
  if (HandleAllocated()) {
    ListView_SetItemState(Handle(), -1, LVIS_SELECTED, LVIS_SELECTED);
    return;
  }
  for (TListItem* item : items_->items_) item->states_ |= LVIS_SELECTED;
}

TListItem* TCustomListView::TopItem() const {
  if (!HandleAllocated()) return items_->Count() > 0 ? items_->items_[0] : nullptr;
  return ItemOfRow(ListView_GetTopIndex(const_cast<TCustomListView*>(this)->Handle()));
}

int TCustomListView::VisibleRowCount() const {
  if (!HandleAllocated()) return 0;
  return ListView_GetCountPerPage(const_cast<TCustomListView*>(this)->Handle());
}

TListItem* TCustomListView::GetItemAt(int X, int Y) const {
  if (!HandleAllocated()) return nullptr;
  LVHITTESTINFO info;
  info.pt = POINT{X, Y};
  const int row = ListView_SubItemHitTest(const_cast<TCustomListView*>(this)->Handle(), &info);
  return row >= 0 && (info.flags & LVHT_ONITEM) ? ItemOfRow(row) : nullptr;
}

THitTests TCustomListView::GetHitTestInfoAt(int X, int Y) const {
  THitTests result;
  if (!HandleAllocated()) return result;
  LVHITTESTINFO info;
  info.pt = POINT{X, Y};
  ListView_HitTest(const_cast<TCustomListView*>(this)->Handle(), &info);
  if (info.flags & LVHT_ABOVE) result.Include(htAbove);
  if (info.flags & LVHT_BELOW) result.Include(htBelow);
  if (info.flags & LVHT_NOWHERE) result.Include(htNowhere);
  if (info.flags & LVHT_ONITEM) result.Include(htOnItem);
  if (info.flags & LVHT_ONITEMICON) result.Include(htOnIcon);
  if (info.flags & LVHT_ONITEMLABEL) result.Include(htOnLabel);
  if (info.flags & LVHT_ONITEMSTATEICON) result.Include(htOnStateIcon);
  if (info.flags & LVHT_TOLEFT) result.Include(htToLeft);
  if (info.flags & LVHT_TORIGHT) result.Include(htToRight);
  return result;
}

void TCustomListView::Scroll(int DX, int DY) {
  if (HandleAllocated()) ListView_Scroll(Handle(), DX, DY);
}

bool TCustomListView::IsEditing() const {
  return HandleAllocated() && ListView_GetEditControl(const_cast<TCustomListView*>(this)->Handle()) != nullptr;
}

int TCustomListView::StringWidth(const String& S) const {
  return static_cast<int>(SendMessage(const_cast<TCustomListView*>(this)->Handle(), LVM_GETSTRINGWIDTH, 0,
                                      reinterpret_cast<LPARAM>(S.c_str())));
}

void TCustomListView::UpdateItems(int FirstIndex, int LastIndex) {
  if (HandleAllocated()) SendMessage(Handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(FirstIndex), LastIndex);
}

TListItem* TCustomListView::FindCaption(int StartIndex, const String& Value, bool Partial, bool Inclusive,
                                        bool Wrap) const {
  const int count = items_->Count();
  if (count == 0) return nullptr;
  int start = Inclusive ? StartIndex : StartIndex + 1;
  if (start < 0) start = 0;
  for (int step = 0; step < count; ++step) {
    const int row = start + step;
    if (row >= count && !Wrap) break;
    TListItem* item = items_->items_[static_cast<std::size_t>(row % count)];
    const bool found = Partial ? AnsiStartsText(Value, item->caption_) : AnsiSameText(Value, item->caption_);
    if (found) return item;
  }
  return nullptr;
}

TListItem* TCustomListView::FindData(int StartIndex, void* Value, bool Inclusive, bool Wrap) const {
  const int count = items_->Count();
  if (count == 0) return nullptr;
  int start = Inclusive ? StartIndex : StartIndex + 1;
  if (start < 0) start = 0;
  for (int step = 0; step < count; ++step) {
    const int row = start + step;
    if (row >= count && !Wrap) break;
    TListItem* item = items_->items_[static_cast<std::size_t>(row % count)];
    if (item->data_ == Value) return item;
  }
  return nullptr;
}

// --- events ---

void TCustomListView::Change(TListItem* Item, TItemChange AChange) {
  if (OnChange) OnChange(this, Item, AChange);
}

bool TCustomListView::CanChange(TListItem* Item, TItemChange AChange) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Item, AChange, allow);
  return allow;
}

void TCustomListView::ColClick(TListColumn* Column) {
  if (OnColumnClick) OnColumnClick(this, Column);
}

void TCustomListView::ColRightClick(TListColumn* Column, TPoint Point) {
  if (OnColumnRightClick) OnColumnRightClick(this, Column, Point);
}

void TCustomListView::Delete(TListItem* Item) {
  if (OnDeletion) OnDeletion(this, Item);
}

void TCustomListView::InsertItem(TListItem* Item) {
  if (OnInsert) OnInsert(this, Item);
}

bool TCustomListView::CanEdit(TListItem* Item) {
  bool allow = !read_only_;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TCustomListView::Edit(TListItem* Item, String& S) {
  if (OnEdited) OnEdited(this, Item, S);
}

bool TCustomListView::IsCustomDrawn() { return OnCustomDraw || OnCustomDrawItem || OnCustomDrawSubItem; }

bool TCustomListView::CustomDraw(const TRect& ARect) {
  bool default_draw = true;
  if (OnCustomDraw) OnCustomDraw(this, ARect, default_draw);
  return default_draw;
}

bool TCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State) {
  bool default_draw = true;
  if (OnCustomDrawItem) OnCustomDrawItem(this, Item, State, default_draw);
  return default_draw;
}

bool TCustomListView::CustomDrawSubItem(TListItem* Item, int SubItem, TCustomDrawState State) {
  bool default_draw = true;
  if (OnCustomDrawSubItem) OnCustomDrawSubItem(this, Item, SubItem, State, default_draw);
  return default_draw;
}

void TCustomListView::DrawItem(TListItem* Item, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Item, Rect, State);
    return;
  }
  canvas_->FillRect(Rect);
  if (Item == nullptr) return;
  HWND h = Handle();
  for (int column = 0; column < std::max(columns_->Count(), 1); ++column) {
    RECT cell{};
    ListView_GetSubItemRect(h, Item->index_, column, LVIR_BOUNDS, &cell);
    if (column == 0 && columns_->Count() > 1) cell.right = cell.left + ListView_GetColumnWidth(h, 0);
    cell.top = Rect.top;
    cell.bottom = Rect.bottom;
    InflateRect(&cell, -2, 0);
    const std::string_view text = column == 0 ? std::string_view(Item->caption_)
                                              : (column - 1 < Item->SubItemCount() ? Item->SubItemText(column - 1)
                                                                                   : std::string_view());
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (column < columns_->Count()) {
      const TAlignment alignment = columns_->columns_[static_cast<std::size_t>(column)]->alignment_;
      if (alignment == taRightJustify) format |= DT_RIGHT;
      if (alignment == taCenter) format |= DT_CENTER;
    }
    canvas_->Brush()->SetStyle(bsClear);
    DrawText(canvas_->Handle(), text.data(), static_cast<int>(text.size()), &cell, format);
  }
}

// --- messages ---

LRESULT TCustomListView::CustomDrawMessage(void* Header) {
  auto* draw = static_cast<NMLVCUSTOMDRAW*>(Header);
  const DWORD stage = draw->nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT) {
    if (!IsCustomDrawn()) return CDRF_DODEFAULT;
    LRESULT result = CDRF_NOTIFYITEMDRAW;
    if (OnCustomDraw) {
      const int saved = SaveDC(draw->nmcd.hdc);
      canvas_->SetHandle(draw->nmcd.hdc);
      canvas_->SetFont(Font());
      canvas_->SetBrush(Brush());
      bool default_draw = true;
      try {
        default_draw = CustomDraw(draw->nmcd.rc);
      } catch (...) {
        canvas_->SetHandle(nullptr);
        RestoreDC(draw->nmcd.hdc, saved);
        throw;
      }
      canvas_->SetHandle(nullptr);
      RestoreDC(draw->nmcd.hdc, saved);
      if (!default_draw) result = CDRF_SKIPDEFAULT;
    }
    return result;
  }
  const bool sub_item = (stage & CDDS_SUBITEM) != 0;
  if ((stage & ~CDDS_SUBITEM) != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  TListItem* item = reinterpret_cast<TListItem*>(draw->nmcd.lItemlParam);
  if (item == nullptr || items_->IndexOf(item) < 0) item = ItemOfRow(static_cast<int>(draw->nmcd.dwItemSpec));
  if (item == nullptr) return CDRF_DODEFAULT;
  const TCustomDrawState state = TCustomDrawState::FromBits(draw->nmcd.uItemState & 0x1FFu);
  HDC dc = draw->nmcd.hdc;
  const int saved = SaveDC(dc);
  canvas_->SetHandle(dc);
  if (sub_item) {
    // The row's settings from the item stage.
    canvas_->SetFont(row_font_.get());
    canvas_->Brush()->SetColor(row_brush_color_);
  } else {
    canvas_->SetFont(Font());
    canvas_->SetBrush(Brush());
  }
  bool default_draw = true;
  try {
    default_draw = sub_item ? CustomDrawSubItem(item, draw->iSubItem, state) : CustomDrawItem(item, state);
  } catch (...) {
    canvas_->SetHandle(nullptr);
    RestoreDC(dc, saved);
    throw;
  }
  if (!sub_item) {
    row_font_->Assign(canvas_->Font());
    row_brush_color_ = canvas_->Brush()->Color();
  }
  const TColor text = canvas_->Font()->Color();
  const TColor back = canvas_->Brush()->Color();
  HFONT font = canvas_->Font()->Handle();
  canvas_->SetHandle(nullptr);
  RestoreDC(dc, saved);
  if (!default_draw) return CDRF_SKIPDEFAULT;
  draw->clrText = static_cast<COLORREF>(ColorToRGB(text));
  draw->clrTextBk = static_cast<COLORREF>(ColorToRGB(back));
  SelectObject(dc, font);
  LRESULT result = CDRF_NEWFONT;
  if (!sub_item && OnCustomDrawSubItem) result |= CDRF_NOTIFYSUBITEMDRAW;
  return result;
}

void TCustomListView::DrawItemMessage(TMessage& Message) {
  auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  const TOwnerDrawState state = OwnerDrawStateOf(draw->itemState);
  TListItem* item = reinterpret_cast<TListItem*>(draw->itemData);
  if (item == nullptr || items_->IndexOf(item) < 0) item = ItemOfRow(static_cast<int>(draw->itemID));
  canvas_->FreeHandle();
  const int saved = SaveDC(draw->hDC);
  canvas_->SetHandle(draw->hDC);
  canvas_->SetFont(Font());
  canvas_->SetBrush(Brush());
  if (state.Contains(odSelected)) {
    canvas_->Brush()->SetColor(clHighlight);
    canvas_->Font()->SetColor(clHighlightText);
  }
  try {
    DrawItem(item, draw->rcItem, state);
  } catch (...) {
    canvas_->SetHandle(nullptr);
    RestoreDC(draw->hDC, saved);
    throw;
  }
  canvas_->SetHandle(nullptr);
  RestoreDC(draw->hDC, saved);
  if (state.Contains(odFocused)) DrawFocusRect(draw->hDC, &draw->rcItem);
  Message.Result = TRUE;
}

namespace {

TItemChange ChangeOf(UINT Changed) {
  if (Changed & LVIF_TEXT) return ctText;
  if (Changed & LVIF_IMAGE) return ctImage;
  return ctState;
}

}  // namespace

void TCustomListView::Notify(TMessage& Message) {
  auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
  switch (header->code) {
    case NM_CLICK:
      Click();
      return;
    case NM_DBLCLK:
      DblClick();
      return;
    case NM_CUSTOMDRAW:
      Message.Result = CustomDrawMessage(header);
      return;
    case LVN_ITEMCHANGING: {
      if (quiet_ > 0) return;
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      TListItem* item = ItemOfRow(change->iItem);
      if (item != nullptr && !CanChange(item, ChangeOf(change->uChanged))) Message.Result = TRUE;
      return;
    }
    case LVN_ITEMCHANGED: {
      if (quiet_ > 0) return;
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (change->iItem < 0) {
        // A change of every row (the selection cleared at once).
        for (TListItem* item : std::vector<TListItem*>(items_->items_)) {
          if (items_->IndexOf(item) < 0) continue;
          Change(item, ChangeOf(change->uChanged));
        }
        return;
      }
      TListItem* item = ItemOfRow(change->iItem);
      if (item == nullptr) return;
      const TItemChange kind = ChangeOf(change->uChanged);
      Change(item, kind);
      if (kind == ctState && ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0 && OnSelectItem &&
          items_->IndexOf(item) >= 0) {
        OnSelectItem(this, item, (change->uNewState & LVIS_SELECTED) != 0);
      }
      return;
    }
    case LVN_COLUMNCLICK: {
      auto* click = reinterpret_cast<NMLISTVIEW*>(header);
      if (click->iSubItem >= 0 && click->iSubItem < columns_->Count()) ColClick(columns_->Items(click->iSubItem));
      return;
    }
    case LVN_BEGINLABELEDIT: {
      auto* info = reinterpret_cast<NMLVDISPINFO*>(header);
      TListItem* item = ItemOfRow(info->item.iItem);
      Message.Result = item != nullptr && CanEdit(item) ? FALSE : TRUE;
      return;
    }
    case LVN_ENDLABELEDIT: {
      auto* info = reinterpret_cast<NMLVDISPINFO*>(header);
      TListItem* item = ItemOfRow(info->item.iItem);
      if (item == nullptr || info->item.pszText == nullptr) return;
      String text = info->item.pszText;
      Edit(item, text);
      if (items_->IndexOf(item) < 0) return;
      // The row takes the text (which OnEdited may have changed); the
      // sort is kept once the list view is done with the row.
      item->caption_ = text;
      ListView_SetItemText(Handle(), item->index_, 0, LPSTR_TEXTCALLBACK);
      if (sort_type_ == stText || sort_type_ == stBoth) PostMessage(Handle(), CM_LISTVIEWRESORT, 0, 0);
      Message.Result = FALSE;
      return;
    }
    case LVN_DELETEALLITEMS:
      // The list tells about its items itself.
      Message.Result = TRUE;
      return;
    case LVN_GETDISPINFO: {
      // The window keeps no texts of its own: it reads the items'.
      auto* info = reinterpret_cast<NMLVDISPINFO*>(header);
      if (!(info->item.mask & LVIF_TEXT)) return;
      TListItem* item = reinterpret_cast<TListItem*>(info->item.lParam);
      if (item == nullptr || items_->IndexOf(item) < 0) item = ItemOfRow(info->item.iItem);
      if (item == nullptr) return;
      const int sub = info->item.iSubItem;
      const char* text = "";
      if (sub == 0) {
        text = item->caption_.c_str();
      } else if (sub >= 1 && sub <= item->SubItemCount()) {
        text = item->SubItemText(sub - 1).data();
      }
      info->item.pszText = const_cast<char*>(text);
      return;
    }
  }
}

void TCustomListView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY:
      Notify(Message);
      return;
    case CN_DRAWITEM:
      DrawItemMessage(Message);
      return;
    case CM_LISTVIEWRESORT:
      if (sort_type_ != stNone && items_->update_count_ == 0) AlphaSort();
      return;
    case WM_NOTIFY: {
      // The header's right click names a column.
      auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
      if (HandleAllocated() && header != nullptr && header->code == NM_RCLICK &&
          header->hwndFrom == ListView_GetHeader(Handle())) {
        POINT p{};
        GetCursorPos(&p);
        const TPoint screen{p.x, p.y};
        ::ScreenToClient(header->hwndFrom, &p);
        HDHITTESTINFO hit;
        hit.pt = p;
        SendMessage(header->hwndFrom, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0 && hit.iItem < columns_->Count()) {
          ColRightClick(columns_->Items(hit.iItem), ScreenToClient(screen));
        }
      }
      TWinControl::Dispatch(Message);
      return;
    }
    case CM_COLORCHANGED:
      TWinControl::Dispatch(Message);
      if (HandleAllocated()) {
        const COLORREF back = static_cast<COLORREF>(ColorToRGB(Color()));
        ListView_SetBkColor(Handle(), back);
        ListView_SetTextBkColor(Handle(), back);
        Invalidate();
      }
      return;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      if (HandleAllocated()) {
        ListView_SetTextColor(Handle(), static_cast<COLORREF>(ColorToRGB(Font()->Color())));
        Invalidate();
      }
      return;
    case WM_GETDLGCODE:
      TWinControl::Dispatch(Message);
      Message.Result |= DLGC_WANTARROWS;
      return;
  }
  TWinControl::Dispatch(Message);
}
