// The list view: its window procedure, items and sub-items, columns, item
// states with their notifications, sorting and finding.
#include "platform/ctl/listview.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/ctl/listview_control.h"
#include "platform/gdi/gdi.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/user.h"

namespace platform::ctl {
namespace {

constexpr int kCheckImageSize = 16;

// Case-insensitive comparison of ASCII letters, as the sorted styles and
// LVM_FINDITEM compare.
int CompareNoCase(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

void CopyText(const std::string& text, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

int HeaderFormat(int list_fmt) {
  int fmt = HDF_STRING | (list_fmt & LVCFMT_JUSTIFYMASK);
  if (list_fmt & LVCFMT_IMAGE) fmt |= HDF_IMAGE;
  if (list_fmt & LVCFMT_BITMAP_ON_RIGHT) fmt |= HDF_BITMAP_ON_RIGHT;
  return fmt;
}

}  // namespace

ListView::~ListView() = default;

DWORD ListView::Style() const {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE));
}

// ------------------------------------------------------------ notifications

LRESULT ListView::Notify(UINT code, NMHDR* hdr) {
  hdr->hwndFrom = hwnd_;
  hdr->idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd_, GWLP_ID));
  hdr->code = code;
  HWND parent = GetParent(hwnd_);
  if (parent == nullptr) return 0;
  return SendMessage(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

LRESULT ListView::NotifyListView(UINT code, int item, int sub_item, UINT changed, UINT new_state,
                                 UINT old_state, LPARAM lparam, POINT action) {
  NMLISTVIEW nm;
  nm.iItem = item;
  nm.iSubItem = sub_item;
  nm.uChanged = changed;
  nm.uNewState = new_state;
  nm.uOldState = old_state;
  nm.lParam = lparam;
  nm.ptAction = action;
  return Notify(code, &nm.hdr);
}

LRESULT ListView::NotifyActivate(UINT code, int item, int sub_item, POINT action) {
  NMITEMACTIVATE nm;
  nm.iItem = item;
  nm.iSubItem = sub_item;
  nm.ptAction = action;
  if (ListItem* it = items_.At(item)) {
    nm.lParam = it->lparam;
    nm.uOldState = nm.uNewState = StateOf(*it);
  }
  nm.uKeyFlags = KeyFlags();
  return Notify(code, &nm.hdr);
}

// ------------------------------------------------------------ creation

void ListView::OnCreate() {
  bk_color_ = GetSysColor(COLOR_WINDOW);
  text_color_ = GetSysColor(COLOR_WINDOWTEXT);
  text_bk_color_ = GetSysColor(COLOR_WINDOW);
  header_ =
      CreateWindowEx(0, WC_HEADER, nullptr, WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr, nullptr, nullptr);
  UpdateHeaderStyle();
  UpdateMetrics();
  Layout();
}

void ListView::OnDestroy() {
  EndEdit(false);
  if (items_.size() > 0) {
    // The parent hears of every row that goes, as for LVM_DELETEALLITEMS.
    DeleteAllItems();
  }
  if (!(Style() & LVS_SHAREIMAGELISTS)) {
    for (HIMAGELIST& list : images_) {
      if (list != nullptr && list != check_images_) ImageList_Destroy(list);
      list = nullptr;
    }
  }
  if (check_images_ != nullptr) ImageList_Destroy(check_images_);
  check_images_ = nullptr;
}

void ListView::UpdateHeaderStyle() {
  if (header_ == nullptr) return;
  DWORD style = Style();
  DWORD header_style = WS_CHILD | HDS_HORZ | HDS_FULLDRAG;
  if (!(style & LVS_NOSORTHEADER)) header_style |= HDS_BUTTONS;
  if (ex_style_ & LVS_EX_HEADERDRAGDROP) header_style |= HDS_DRAGDROP;
  if (style & LVS_NOCOLUMNHEADER) {
    header_style |= HDS_HIDDEN;
  } else {
    header_style |= WS_VISIBLE;
  }
  DWORD old = static_cast<DWORD>(GetWindowLongPtr(header_, GWL_STYLE));
  if (old != header_style) {
    SetWindowLongPtr(header_, GWL_STYLE, static_cast<LONG_PTR>(header_style));
    if ((old ^ header_style) & WS_VISIBLE) {
      ShowWindow(header_, (header_style & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
    }
  }
}

// ------------------------------------------------------------ items

int ListView::SortedPosition(const std::string& text) const {
  bool descending = (Style() & LVS_SORTDESCENDING) != 0;
  int lo = 0, hi = items_.size();
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    const ListItem* at = items_.At(mid);
    int c = CompareNoCase(at->texts != nullptr ? at->texts->text : std::string(), text);
    bool before = descending ? c >= 0 : c <= 0;
    if (before) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

ListItem* ListView::PutItem(const LVITEM* in, bool subs_callback, int* at) {
  auto item = std::make_unique<ListItem>();
  if (in->mask & LVIF_TEXT) {
    if (in->pszText == LPSTR_TEXTCALLBACK) {
      item->text_callback = true;
      item->subs_callback = subs_callback;
    } else if (in->pszText != nullptr && in->pszText[0] != '\0') {
      item->Texts().text = in->pszText;
    }
  }
  if (in->mask & LVIF_IMAGE) item->image = in->iImage;
  if (in->mask & LVIF_PARAM) item->lparam = in->lParam;
  if (in->mask & LVIF_INDENT) item->indent = std::max(0, in->iIndent);
  UINT state = (in->mask & LVIF_STATE) ? (in->state & in->stateMask) : 0;
  if ((ex_style_ & LVS_EX_CHECKBOXES) && (state & LVIS_STATEIMAGEMASK) == 0) {
    state |= INDEXTOSTATEIMAGEMASK(1);
  }
  item->state = state & ~(LVIS_SELECTED | LVIS_FOCUSED);

  int index = std::min(in->iItem, items_.size());
  if ((Style() & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) && !item->text_callback) {
    index = SortedPosition(item->texts != nullptr ? item->texts->text : std::string());
  }
  ListItem* raw = item.get();
  items_.Insert(index, std::move(item));
  if (state & LVIS_SELECTED) {
    if (!MultiSelect()) DeselectAllExcept(raw);
    raw->state |= LVIS_SELECTED;
    selected_.insert(raw);
  }
  if (state & LVIS_FOCUSED) {
    if (focused_ != nullptr) focused_->state &= ~LVIS_FOCUSED;
    raw->state |= LVIS_FOCUSED;
    focused_ = raw;
  }
  *at = index;
  return raw;
}

int ListView::InsertItem(const LVITEM* in) {
  if (in == nullptr || in->iSubItem != 0 || in->iItem < 0) return -1;
  int index = 0;
  ListItem* raw = PutItem(in, false, &index);
  NotifyListView(LVN_INSERTITEM, index, 0, 0, 0, 0, raw->lparam);
  if (index < top_ + PageRows() + 1) InvalidateFrom(std::max(index, top_));
  UpdateScrollBars();
  return index;
}

int ListView::InsertItems(int count, const LVITEM* rows) {
  if (rows == nullptr || count <= 0) return 0;
  int done = 0;
  int first = items_.size();
  for (int i = 0; i < count; ++i) {
    const LVITEM* in = &rows[i];
    if (in->iSubItem != 0 || in->iItem < 0) continue;
    int index = 0;
    PutItem(in, true, &index);
    first = std::min(first, index);
    ++done;
  }
  if (done > 0) {
    if (first < top_ + PageRows() + 1) InvalidateFrom(std::max(first, top_));
    UpdateScrollBars();
  }
  return done;
}

bool ListView::DeleteItem(int index) {
  ListItem* item = items_.At(index);
  if (item == nullptr) return false;
  if (edit_item_ == item) EndEdit(false);
  NotifyListView(LVN_DELETEITEM, index, 0, 0, 0, 0, item->lparam);
  // The notification may have changed the list.
  index = items_.IndexOf(item);
  if (index < 0) return true;
  selected_.erase(item);
  if (focused_ == item) focused_ = nullptr;
  if (anchor_ == item) anchor_ = nullptr;
  if (hot_ == index) hot_ = -1;
  items_.Erase(index);
  if (top_ > 0 && top_ + PageRows() > items_.size()) {
    ScrollTo(top_, scroll_x_);
  }
  InvalidateFrom(std::max(index, top_));
  UpdateScrollBars();
  return true;
}

bool ListView::DeleteAllItems() {
  EndEdit(false);
  bool each = NotifyListView(LVN_DELETEALLITEMS, -1, 0, 0, 0, 0, 0) == 0;
  if (each) {
    for (int i = 0; i < items_.size(); ++i) {
      NotifyListView(LVN_DELETEITEM, i, 0, 0, 0, 0, items_.At(i)->lparam);
    }
  }
  items_.Clear();
  selected_.clear();
  focused_ = anchor_ = nullptr;
  hot_ = -1;
  top_ = 0;
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateScrollBars();
  return true;
}

namespace {

const std::string& OwnText(const ListItem& item, int sub_item) {
  static const std::string kNone;
  if (item.texts == nullptr) return kNone;
  if (sub_item == 0) return item.texts->text;
  if (static_cast<std::size_t>(sub_item) <= item.texts->subs.size()) {
    return item.texts->subs[static_cast<std::size_t>(sub_item - 1)].text;
  }
  return kNone;
}

bool AsksForText(const ListItem& item, int sub_item) {
  if (sub_item == 0) return item.text_callback;
  if (static_cast<std::size_t>(sub_item) <= item.SubCount()) {
    return item.texts->subs[static_cast<std::size_t>(sub_item - 1)].text_callback;
  }
  return item.subs_callback;
}

}  // namespace

const char* ListView::AskDisplayInfo(int index, ListItem& item, LVITEM* asked) {
  NMLVDISPINFO info;
  info.item = *asked;
  info.item.iItem = index;
  info.item.lParam = item.lparam;
  Notify(LVN_GETDISPINFO, &info.hdr);
  const char* answer = nullptr;
  if (asked->mask & LVIF_TEXT) {
    // The parent either wrote into the buffer or pointed at its own text.
    if (info.item.pszText != asked->pszText && info.item.pszText != nullptr &&
        info.item.pszText != LPSTR_TEXTCALLBACK) {
      answer = info.item.pszText;
      CopyText(info.item.pszText, asked->pszText, asked->cchTextMax);
    }
  }
  if (asked->mask & LVIF_IMAGE) asked->iImage = info.item.iImage;
  // LVIF_DI_SETITEM: the list keeps what the parent gave and asks no more.
  if (info.item.mask & LVIF_DI_SETITEM) {
    bool text = (asked->mask & LVIF_TEXT) && asked->pszText != nullptr;
    bool image = (asked->mask & LVIF_IMAGE) != 0;
    if (asked->iSubItem == 0) {
      if (text) {
        item.Texts().text = answer != nullptr ? answer : asked->pszText;
        item.text_callback = false;
      }
      if (image) item.image = asked->iImage;
    } else if (static_cast<std::size_t>(asked->iSubItem) <= item.SubCount() || item.subs_callback) {
      SubItem& sub = item.Sub(static_cast<std::size_t>(asked->iSubItem));
      if (text) {
        sub.text = answer != nullptr ? answer : asked->pszText;
        sub.text_callback = false;
      }
      if (image) sub.image = asked->iImage;
    }
  }
  return answer;
}

std::string ListView::TextOf(int index, ListItem& item, int sub_item) {
  if (!AsksForText(item, sub_item)) return OwnText(item, sub_item);
  char buffer[1024];
  buffer[0] = '\0';
  LVITEM asked;
  asked.mask = LVIF_TEXT;
  asked.iSubItem = sub_item;
  asked.pszText = buffer;
  asked.cchTextMax = sizeof(buffer);
  // A text the parent points at is taken whole.
  if (const char* answer = AskDisplayInfo(index, item, &asked)) return answer;
  return buffer;
}

int ListView::ImageOf(int index, ListItem& item, int sub_item) {
  int image = sub_item == 0 ? item.image
              : static_cast<std::size_t>(sub_item) <= item.SubCount()
                  ? item.texts->subs[static_cast<std::size_t>(sub_item - 1)].image
                  : I_IMAGENONE;
  if (image != I_IMAGECALLBACK) return image;
  LVITEM asked;
  asked.mask = LVIF_IMAGE;
  asked.iSubItem = sub_item;
  asked.iImage = I_IMAGENONE;
  AskDisplayInfo(index, item, &asked);
  return asked.iImage;
}

UINT ListView::StateOf(const ListItem& item) const {
  return item.state;
}

bool ListView::GetItem(LVITEM* out) {
  if (out == nullptr) return false;
  ListItem* item = items_.At(out->iItem);
  if (item == nullptr || out->iSubItem < 0) return false;
  if (out->mask & LVIF_TEXT)
    CopyText(TextOf(out->iItem, *item, out->iSubItem), out->pszText, out->cchTextMax);
  if (out->mask & LVIF_IMAGE) out->iImage = ImageOf(out->iItem, *item, out->iSubItem);
  if (out->iSubItem == 0) {
    if (out->mask & LVIF_PARAM) out->lParam = item->lparam;
    if (out->mask & LVIF_STATE) out->state = item->state & out->stateMask;
    if (out->mask & LVIF_INDENT) out->iIndent = item->indent;
  }
  return true;
}

bool ListView::SetItem(const LVITEM* in) {
  if (in == nullptr) return false;
  ListItem* item = items_.At(in->iItem);
  if (item == nullptr || in->iSubItem < 0) return false;
  int index = in->iItem;
  if (in->iSubItem > 0) {
    SubItem& s = item->Sub(static_cast<std::size_t>(in->iSubItem));
    if (in->mask & LVIF_TEXT) {
      s.text_callback = in->pszText == LPSTR_TEXTCALLBACK;
      s.text = s.text_callback || in->pszText == nullptr ? std::string() : std::string(in->pszText);
    }
    if (in->mask & LVIF_IMAGE) s.image = in->iImage;
    InvalidateRow(index);
    return true;
  }
  UINT changed = in->mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT);
  if (changed != 0) {
    if (NotifyListView(LVN_ITEMCHANGING, index, 0, changed, item->state, item->state,
                       item->lparam) != 0) {
      return false;
    }
    if (in->mask & LVIF_TEXT) {
      item->text_callback = in->pszText == LPSTR_TEXTCALLBACK;
      if (item->text_callback || in->pszText == nullptr) {
        if (item->texts != nullptr) item->texts->text.clear();
      } else {
        item->Texts().text = in->pszText;
      }
    }
    if (in->mask & LVIF_IMAGE) item->image = in->iImage;
    if (in->mask & LVIF_PARAM) item->lparam = in->lParam;
    if (in->mask & LVIF_INDENT) item->indent = std::max(0, in->iIndent);
    InvalidateRow(index);
    NotifyListView(LVN_ITEMCHANGED, index, 0, changed, item->state, item->state, item->lparam);
  }
  if (in->mask & LVIF_STATE) return ChangeState(index, item, in->state, in->stateMask);
  return true;
}

int ListView::GetItemText(int index, LVITEM* out) {
  ListItem* item = items_.At(index);
  if (item == nullptr || out == nullptr || out->pszText == nullptr || out->cchTextMax <= 0)
    return 0;
  CopyText(TextOf(index, *item, out->iSubItem), out->pszText, out->cchTextMax);
  return static_cast<int>(std::strlen(out->pszText));
}

// ------------------------------------------------------------ states

bool ListView::ChangeState(int index, ListItem* item, UINT state, UINT mask) {
  UINT old_state = item->state;
  UINT new_state = (old_state & ~mask) | (state & mask);
  if (!MultiSelect() && (new_state & LVIS_SELECTED) && !(old_state & LVIS_SELECTED)) {
    DeselectAllExcept(item);
  }
  if ((new_state & LVIS_FOCUSED) && !(old_state & LVIS_FOCUSED) && focused_ != nullptr &&
      focused_ != item) {
    ListItem* previous = focused_;
    int previous_index = items_.IndexOf(previous);
    if (!ChangeState(previous_index, previous, 0, LVIS_FOCUSED)) return false;
  }
  if (new_state == old_state) return true;
  if (NotifyListView(LVN_ITEMCHANGING, index, 0, LVIF_STATE, new_state, old_state, item->lparam) !=
      0) {
    return false;
  }
  // The handler may have deleted the row.
  if (items_.IndexOf(item) != index) return false;
  item->state = new_state;
  if (new_state & LVIS_SELECTED) {
    selected_.insert(item);
  } else {
    selected_.erase(item);
  }
  if (new_state & LVIS_FOCUSED) {
    focused_ = item;
  } else if (focused_ == item) {
    focused_ = nullptr;
  }
  InvalidateRow(index);
  NotifyListView(LVN_ITEMCHANGED, index, 0, LVIF_STATE, new_state, old_state, item->lparam);
  return true;
}

bool ListView::SetItemState(int index, UINT state, UINT mask) {
  if (index >= 0) {
    ListItem* item = items_.At(index);
    return item != nullptr && ChangeState(index, item, state, mask);
  }
  // Every row. Clearing the selection only visits the selected rows.
  if (mask == LVIS_SELECTED && !(state & LVIS_SELECTED)) {
    DeselectAllExcept(nullptr);
    return true;
  }
  if (!MultiSelect()) state &= ~LVIS_SELECTED;
  std::vector<ListItem*> all;
  items_.VisitFrom(0, [&](int, ListItem* item) {
    all.push_back(item);
    return true;
  });
  for (ListItem* item : all) {
    int i = items_.IndexOf(item);
    if (i >= 0) ChangeState(i, item, state, mask & ~LVIS_FOCUSED);
  }
  return true;
}

void ListView::DeselectAllExcept(const ListItem* keep) {
  std::vector<ListItem*> doomed;
  for (ListItem* item : selected_) {
    if (item != keep) doomed.push_back(item);
  }
  std::vector<std::pair<int, ListItem*>> ordered;
  for (ListItem* item : doomed) ordered.emplace_back(items_.IndexOf(item), item);
  std::sort(ordered.begin(), ordered.end());
  for (auto& [index, item] : ordered) {
    if (items_.IndexOf(item) == index) ChangeState(index, item, 0, LVIS_SELECTED);
  }
}

void ListView::SelectOnly(int index) {
  ListItem* item = items_.At(index);
  DeselectAllExcept(item);
  if (item != nullptr) ChangeState(index, item, LVIS_SELECTED, LVIS_SELECTED);
}

void ListView::SelectRange(int from, int to, bool keep_others) {
  if (from > to) std::swap(from, to);
  if (!keep_others) {
    std::vector<std::pair<int, ListItem*>> outside;
    for (ListItem* item : selected_) {
      int i = items_.IndexOf(item);
      if (i < from || i > to) outside.emplace_back(i, item);
    }
    std::sort(outside.begin(), outside.end());
    for (auto& [i, item] : outside) ChangeState(i, item, 0, LVIS_SELECTED);
  }
  for (int i = from; i <= to; ++i) {
    if (ListItem* item = items_.At(i)) ChangeState(i, item, LVIS_SELECTED, LVIS_SELECTED);
  }
}

void ListView::SetFocusItem(int index) {
  if (ListItem* item = items_.At(index)) ChangeState(index, item, LVIS_FOCUSED, LVIS_FOCUSED);
}

int ListView::GetNextItem(int start, UINT flags) const {
  if (flags & LVNI_ABOVE) {
    for (int i = start - 1; i >= 0; --i) {
      UINT s = items_.At(i)->state;
      if ((s & flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED)) ==
          (flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED))) {
        return i;
      }
    }
    return -1;
  }
  if (flags & (LVNI_TOLEFT | LVNI_TORIGHT)) return -1;  // one column of rows
  UINT wanted = flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED);
  int first = start < 0 ? 0 : start + 1;
  if (wanted == LVNI_FOCUSED) {
    int i = items_.IndexOf(focused_);
    return i >= first ? i : -1;
  }
  if (wanted & LVNI_SELECTED && selected_.size() <= 64) {
    // Few selected rows: look among them instead of walking the list.
    int best = -1;
    for (ListItem* item : selected_) {
      int i = items_.IndexOf(item);
      if (i >= first && (best < 0 || i < best) && (item->state & wanted) == wanted) best = i;
    }
    return best;
  }
  int found = -1;
  items_.VisitFrom(first, [&](int i, ListItem* item) {
    if ((item->state & wanted) == wanted) {
      found = i;
      return false;
    }
    return true;
  });
  return found;
}

int ListView::FindItem(int start, const LVFINDINFO* find) {
  if (find == nullptr) return -1;
  int count = items_.size();
  if (count == 0) return -1;
  std::string wanted =
      (find->flags & (LVFI_STRING | LVFI_PARTIAL | LVFI_SUBSTRING)) && find->psz != nullptr
          ? std::string(find->psz)
          : std::string();
  auto matches = [&](int index, ListItem* item) {
    if (find->flags & LVFI_PARAM) return item->lparam == find->lParam;
    if (find->flags & (LVFI_PARTIAL | LVFI_SUBSTRING))
      return StartsWithNoCase(TextOf(index, *item, 0), wanted);
    if (find->flags & LVFI_STRING) return CompareNoCase(TextOf(index, *item, 0), wanted) == 0;
    return false;
  };
  int first = start < 0 ? 0 : start + 1;
  int found = -1;
  items_.VisitFrom(first, [&](int i, ListItem* item) {
    if (matches(i, item)) {
      found = i;
      return false;
    }
    return true;
  });
  if (found < 0 && (find->flags & LVFI_WRAP) && first > 0) {
    items_.VisitFrom(0, [&](int i, ListItem* item) {
      if (i >= first) return false;
      if (matches(i, item)) {
        found = i;
        return false;
      }
      return true;
    });
  }
  return found;
}

// The comparison may be inconsistent (a caller that always answers "greater"
// is legal), so the sort must be one that stays within bounds whatever it
// answers: a merge sort.
bool ListView::SortItems(PFNLVCOMPARE compare, LPARAM param, bool by_index) {
  if (compare == nullptr) return false;
  EndEdit(false);
  std::vector<std::unique_ptr<ListItem>> all = items_.TakeAll();
  std::vector<std::pair<int, ListItem*>> keyed;
  keyed.reserve(all.size());
  for (std::size_t i = 0; i < all.size(); ++i)
    keyed.emplace_back(static_cast<int>(i), all[i].get());
  std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
    LPARAM first = by_index ? a.first : a.second->lparam;
    LPARAM second = by_index ? b.first : b.second->lparam;
    return compare(first, second, param) < 0;
  });
  std::vector<std::unique_ptr<ListItem>> sorted;
  sorted.reserve(all.size());
  for (auto& [original, item] : keyed)
    sorted.push_back(std::move(all[static_cast<std::size_t>(original)]));
  items_.Assign(std::move(sorted));
  hot_ = -1;
  InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

// ------------------------------------------------------------ columns

int ListView::InsertColumn(int index, const LVCOLUMN* in) {
  if (in == nullptr || index < 0) return -1;
  index = std::min(index, static_cast<int>(columns_.size()));
  Column column;
  if (in->mask & LVCF_TEXT && in->pszText != nullptr) column.text = in->pszText;
  if (in->mask & LVCF_FMT) column.fmt = in->fmt;
  if (in->mask & LVCF_WIDTH) column.width = std::max(0, in->cx);
  if (in->mask & LVCF_IMAGE) column.image = in->iImage;
  column.sub_item = (in->mask & LVCF_SUBITEM) ? in->iSubItem : index;
  // The first column is always left-aligned.
  if (index == 0) column.fmt &= ~LVCFMT_JUSTIFYMASK;
  columns_.insert(columns_.begin() + index, column);
  HDITEM hd;
  hd.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
  hd.pszText = const_cast<LPSTR>(column.text.c_str());
  hd.cxy = column.width;
  hd.fmt = HeaderFormat(column.fmt);
  if (column.image >= 0) {
    hd.mask |= HDI_IMAGE;
    hd.iImage = column.image;
  }
  if (in->mask & LVCF_ORDER) {
    hd.mask |= HDI_ORDER;
    hd.iOrder = in->iOrder;
  }
  Header_InsertItem(header_, index, &hd);
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateScrollBars();
  return index;
}

bool ListView::DeleteColumn(int index) {
  if (index < 0 || index >= static_cast<int>(columns_.size())) return false;
  columns_.erase(columns_.begin() + index);
  Header_DeleteItem(header_, index);
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateScrollBars();
  return true;
}

bool ListView::GetColumn(int index, LVCOLUMN* out) const {
  if (out == nullptr || index < 0 || index >= static_cast<int>(columns_.size())) return false;
  const Column& column = columns_[static_cast<std::size_t>(index)];
  if (out->mask & LVCF_FMT) out->fmt = column.fmt;
  if (out->mask & LVCF_WIDTH) out->cx = column.width;
  if (out->mask & LVCF_TEXT) CopyText(column.text, out->pszText, out->cchTextMax);
  if (out->mask & LVCF_SUBITEM) out->iSubItem = column.sub_item;
  if (out->mask & LVCF_IMAGE) out->iImage = column.image;
  if (out->mask & LVCF_ORDER) {
    std::vector<int> order = DisplayOrder();
    out->iOrder = static_cast<int>(std::find(order.begin(), order.end(), index) - order.begin());
  }
  return true;
}

bool ListView::SetColumn(int index, const LVCOLUMN* in) {
  if (in == nullptr || index < 0 || index >= static_cast<int>(columns_.size())) return false;
  Column& column = columns_[static_cast<std::size_t>(index)];
  HDITEM hd;
  if (in->mask & LVCF_TEXT) {
    column.text = in->pszText != nullptr ? in->pszText : "";
    hd.mask |= HDI_TEXT;
    hd.pszText = const_cast<LPSTR>(column.text.c_str());
  }
  if (in->mask & LVCF_FMT) {
    column.fmt = index == 0 ? (in->fmt & ~LVCFMT_JUSTIFYMASK) : in->fmt;
    hd.mask |= HDI_FORMAT;
    hd.fmt = HeaderFormat(column.fmt);
  }
  if (in->mask & LVCF_IMAGE) {
    column.image = in->iImage;
    hd.mask |= HDI_IMAGE;
    hd.iImage = in->iImage;
  }
  if (in->mask & LVCF_SUBITEM) column.sub_item = in->iSubItem;
  if (in->mask & LVCF_ORDER) {
    hd.mask |= HDI_ORDER;
    hd.iOrder = in->iOrder;
  }
  if (in->mask & LVCF_WIDTH) {
    hd.mask |= HDI_WIDTH;
    hd.cxy = std::max(0, in->cx);
  }
  if (hd.mask != 0) Header_SetItem(header_, index, &hd);
  InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

// Width of the widest cell of a column (text and what stands before it).
int ListView::MeasureColumn(int index) {
  const Column& column = columns_[static_cast<std::size_t>(index)];
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  int widest = 0;
  std::vector<ListItem*> rows;
  items_.VisitFrom(0, [&](int i, ListItem* item) {
    std::string text = TextOf(i, *item, column.sub_item);
    SIZE size{};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    return true;
  });
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  int before = 0;
  if (column.sub_item == 0 && items_.size() > 0) {
    RowParts parts = PartsOf(0);
    int left = 0, width = 0;
    ColumnSpan(index, &left, &width);
    before = parts.label.left - left;
  }
  return before + widest + (column.sub_item == 0 ? 4 : 12);
}

bool ListView::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= static_cast<int>(columns_.size())) return false;
  if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
    int fit = MeasureColumn(index);
    if (width == LVSCW_AUTOSIZE_USEHEADER) {
      HDC dc = GetDC(hwnd_);
      HGDIOBJ old = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
      const std::string& caption = columns_[static_cast<std::size_t>(index)].text;
      SIZE size{};
      GetTextExtentPoint32(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(hwnd_, dc);
      fit = std::max(fit, static_cast<int>(size.cx) + 12);
      // The last column fills what is left of the client area.
      std::vector<int> order = DisplayOrder();
      if (!order.empty() && order.back() == index) {
        RECT client;
        GetClientRect(hwnd_, &client);
        int left = 0, current = 0;
        ColumnSpan(index, &left, &current);
        fit = std::max(fit, static_cast<int>(client.right) - (left + scroll_x_));
      }
    }
    width = fit;
  }
  HDITEM hd;
  hd.mask = HDI_WIDTH;
  hd.cxy = std::max(0, width);
  return Header_SetItem(header_, index, &hd) != FALSE;
}

// ------------------------------------------------------------ styles, images

void ListView::UpdateCheckBoxImages() {
  if (check_images_ == nullptr) {
    check_images_ =
        ImageList_Create(kCheckImageSize, kCheckImageSize, ILC_COLOR32 | ILC_MASK, 2, 2);
    for (int checked = 0; checked < 2; ++checked) {
      BITMAPINFO info{};
      info.bmiHeader.biWidth = kCheckImageSize;
      info.bmiHeader.biHeight = -kCheckImageSize;
      info.bmiHeader.biBitCount = 32;
      void* bits = nullptr;
      HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      HDC mem = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(mem, bitmap);
      RECT all{0, 0, kCheckImageSize, kCheckImageSize};
      HBRUSH key = CreateSolidBrush(RGB(255, 0, 255));
      FillRect(mem, &all, key);
      DeleteObject(key);
      RECT box{2, 2, 15, 15};  // a 13 x 13 box
      DrawFrameControl(mem, &box, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
      SelectObject(mem, old);
      DeleteDC(mem);
      ImageList_AddMasked(check_images_, bitmap, RGB(255, 0, 255));
      DeleteObject(bitmap);
    }
  }
  images_[LVSIL_STATE] = check_images_;
}

DWORD ListView::SetExtendedStyle(DWORD mask, DWORD style) {
  DWORD old = ex_style_;
  if (mask == 0) mask = 0xFFFFFFFF;
  ex_style_ = (ex_style_ & ~mask) | (style & mask);
  DWORD changed = old ^ ex_style_;
  if (changed & LVS_EX_CHECKBOXES) {
    if (ex_style_ & LVS_EX_CHECKBOXES) {
      UpdateCheckBoxImages();
      items_.VisitFrom(0, [](int, ListItem* item) {
        if ((item->state & LVIS_STATEIMAGEMASK) == 0) item->state |= INDEXTOSTATEIMAGEMASK(1);
        return true;
      });
    } else {
      if (images_[LVSIL_STATE] == check_images_) images_[LVSIL_STATE] = nullptr;
      items_.VisitFrom(0, [](int, ListItem* item) {
        item->state &= ~LVIS_STATEIMAGEMASK;
        return true;
      });
    }
    UpdateMetrics();
  }
  if (changed & LVS_EX_HEADERDRAGDROP) UpdateHeaderStyle();
  if (changed & (LVS_EX_TRACKSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE))
    SetHot(-1);
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateScrollBars();
  return old;
}

HIMAGELIST ListView::SetImageList(WPARAM which, HIMAGELIST list) {
  if (which > LVSIL_STATE) return nullptr;
  HIMAGELIST old = images_[which];
  images_[which] = list;
  if (which == LVSIL_STATE && list == nullptr && (ex_style_ & LVS_EX_CHECKBOXES)) {
    images_[which] = check_images_;
  }
  UpdateMetrics();
  Layout();
  InvalidateRect(hwnd_, nullptr, TRUE);
  return old == check_images_ ? nullptr : old;
}

// Header notifications reach the list view's parent too; the list view
// follows width changes and turns clicks into LVN_COLUMNCLICK.
LRESULT ListView::OnHeaderNotify(NMHDR* hdr) {
  HWND parent = GetParent(hwnd_);
  LRESULT answer = parent != nullptr
                       ? SendMessage(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr))
                       : 0;
  auto* nm = reinterpret_cast<NMHEADER*>(hdr);
  switch (hdr->code) {
    case HDN_BEGINTRACK:
    case HDN_TRACK:
    case HDN_ENDTRACK:
      if (hdr->code == HDN_BEGINTRACK && answer == 0) EndEdit(true);
      break;
    case HDN_ITEMCHANGED:
      if (nm->pitem != nullptr && (nm->pitem->mask & HDI_WIDTH) && nm->iItem >= 0 &&
          nm->iItem < static_cast<int>(columns_.size())) {
        columns_[static_cast<std::size_t>(nm->iItem)].width = std::max(0, nm->pitem->cxy);
        InvalidateRect(hwnd_, nullptr, TRUE);
        UpdateScrollBars();
      }
      break;
    case HDN_ITEMCLICK:
      if (!(Style() & LVS_NOSORTHEADER)) {
        NotifyListView(LVN_COLUMNCLICK, -1, nm->iItem, 0, 0, 0, 0);
      }
      break;
    case HDN_DIVIDERDBLCLICK:
      if (answer == 0) SetColumnWidth(nm->iItem, LVSCW_AUTOSIZE);
      break;
    case HDN_ENDDRAG:
      InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    default:
      break;
  }
  return answer;
}

// ------------------------------------------------------------ messages

LRESULT ListView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case LVM_GETITEMCOUNT:
      return items_.size();
    case LVM_INSERTITEM:
      return InsertItem(reinterpret_cast<const LVITEM*>(lparam));
    case LVM_INSERTITEMS:
      return InsertItems(static_cast<int>(wparam), reinterpret_cast<const LVITEM*>(lparam));
    case LVM_DELETEITEM:
      return DeleteItem(static_cast<int>(wparam));
    case LVM_DELETEALLITEMS:
      return DeleteAllItems();
    case LVM_GETITEM:
      return GetItem(reinterpret_cast<LVITEM*>(lparam));
    case LVM_SETITEM:
      return SetItem(reinterpret_cast<const LVITEM*>(lparam));
    case LVM_GETITEMTEXT:
      return GetItemText(static_cast<int>(wparam), reinterpret_cast<LVITEM*>(lparam));
    case LVM_SETITEMTEXT: {
      const auto* in = reinterpret_cast<const LVITEM*>(lparam);
      if (in == nullptr) return FALSE;
      LVITEM change;
      change.mask = LVIF_TEXT;
      change.iItem = static_cast<int>(wparam);
      change.iSubItem = in->iSubItem;
      change.pszText = in->pszText;
      return SetItem(&change);
    }
    case LVM_GETITEMSTATE: {
      ListItem* item = items_.At(static_cast<int>(wparam));
      return item != nullptr ? (item->state & static_cast<UINT>(lparam)) : 0;
    }
    case LVM_SETITEMSTATE: {
      const auto* in = reinterpret_cast<const LVITEM*>(lparam);
      if (in == nullptr) return FALSE;
      return SetItemState(static_cast<int>(wparam), in->state, in->stateMask);
    }
    case LVM_SETITEMCOUNT:
      return TRUE;  // rows are made as they come
    case LVM_GETCALLBACKMASK:
      return callback_mask_;
    case LVM_SETCALLBACKMASK:
      callback_mask_ = static_cast<UINT>(wparam);
      return TRUE;
    case LVM_GETNEXTITEM:
      return GetNextItem(static_cast<int>(wparam), static_cast<UINT>(lparam));
    case LVM_GETSELECTEDCOUNT:
      return static_cast<LRESULT>(selected_.size());
    case LVM_FINDITEM:
      return FindItem(static_cast<int>(wparam), reinterpret_cast<const LVFINDINFO*>(lparam));
    case LVM_SORTITEMS:
      return SortItems(reinterpret_cast<PFNLVCOMPARE>(lparam), static_cast<LPARAM>(wparam), false);
    case LVM_SORTITEMSEX:
      return SortItems(reinterpret_cast<PFNLVCOMPARE>(lparam), static_cast<LPARAM>(wparam), true);
    case LVM_GETSELECTIONMARK:
      return items_.IndexOf(anchor_);
    case LVM_SETSELECTIONMARK: {
      int old = items_.IndexOf(anchor_);
      anchor_ = items_.At(static_cast<int>(lparam));
      return old;
    }
    case LVM_INSERTCOLUMN:
      return InsertColumn(static_cast<int>(wparam), reinterpret_cast<const LVCOLUMN*>(lparam));
    case LVM_DELETECOLUMN:
      return DeleteColumn(static_cast<int>(wparam));
    case LVM_GETCOLUMN:
      return GetColumn(static_cast<int>(wparam), reinterpret_cast<LVCOLUMN*>(lparam));
    case LVM_SETCOLUMN:
      return SetColumn(static_cast<int>(wparam), reinterpret_cast<const LVCOLUMN*>(lparam));
    case LVM_GETCOLUMNWIDTH: {
      int index = static_cast<int>(wparam);
      return index >= 0 && index < static_cast<int>(columns_.size())
                 ? columns_[static_cast<std::size_t>(index)].width
                 : 0;
    }
    case LVM_SETCOLUMNWIDTH:
      return SetColumnWidth(static_cast<int>(wparam), static_cast<SHORT>(LOWORD(lparam)));
    case LVM_GETCOLUMNORDERARRAY:
      return Header_GetOrderArray(header_, static_cast<int>(wparam),
                                  reinterpret_cast<int*>(lparam));
    case LVM_SETCOLUMNORDERARRAY: {
      BOOL done = Header_SetOrderArray(header_, static_cast<int>(wparam),
                                       reinterpret_cast<const int*>(lparam));
      InvalidateRect(hwnd_, nullptr, TRUE);
      return done;
    }
    case LVM_GETHEADER:
      return reinterpret_cast<LRESULT>(header_);
    case LVM_GETITEMRECT:
      return GetItemRect(static_cast<int>(wparam), reinterpret_cast<RECT*>(lparam));
    case LVM_GETSUBITEMRECT:
      return GetSubItemRect(static_cast<int>(wparam), reinterpret_cast<RECT*>(lparam));
    case LVM_HITTEST:
      return HitTest(reinterpret_cast<LVHITTESTINFO*>(lparam), false);
    case LVM_SUBITEMHITTEST:
      return HitTest(reinterpret_cast<LVHITTESTINFO*>(lparam), true);
    case LVM_ENSUREVISIBLE:
      return EnsureVisible(static_cast<int>(wparam), lparam != 0);
    case LVM_SCROLL: {
      int dx = static_cast<int>(static_cast<INT_PTR>(wparam));
      int dy = static_cast<int>(lparam);
      int rows = dy / row_height_;
      if (rows == 0 && dy != 0) rows = dy > 0 ? 1 : -1;
      ScrollTo(top_ + rows, scroll_x_ + dx);
      return TRUE;
    }
    case LVM_GETTOPINDEX:
      return top_;
    case LVM_GETCOUNTPERPAGE:
      return PageRows();
    case LVM_GETORIGIN:
      return FALSE;  // report views have no origin
    case LVM_GETVIEWRECT: {
      auto* rect = reinterpret_cast<RECT*>(lparam);
      if (rect == nullptr) return FALSE;
      *rect = RECT{-scroll_x_, -top_ * row_height_, TotalWidth() - scroll_x_,
                   (items_.size() - top_) * row_height_};
      return TRUE;
    }
    case LVM_REDRAWITEMS:
      for (int i = static_cast<int>(wparam); i <= static_cast<int>(lparam); ++i) InvalidateRow(i);
      return TRUE;
    case LVM_UPDATE:
      InvalidateRow(static_cast<int>(wparam));
      return TRUE;
    case LVM_ARRANGE:
      return TRUE;
    case LVM_GETSTRINGWIDTH: {
      auto text = reinterpret_cast<LPCSTR>(lparam);
      if (text == nullptr) return 0;
      HDC dc = GetDC(hwnd_);
      HGDIOBJ old = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
      SIZE size{};
      GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &size);
      SelectObject(dc, old);
      ReleaseDC(hwnd_, dc);
      return size.cx;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
      return SetExtendedStyle(static_cast<DWORD>(wparam), static_cast<DWORD>(lparam));
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return ex_style_;
    case LVM_SETIMAGELIST:
      return reinterpret_cast<LRESULT>(SetImageList(wparam, reinterpret_cast<HIMAGELIST>(lparam)));
    case LVM_GETIMAGELIST:
      return wparam <= LVSIL_STATE ? reinterpret_cast<LRESULT>(images_[wparam]) : 0;
    case LVM_GETBKCOLOR:
      return bk_color_;
    case LVM_SETBKCOLOR:
      bk_color_ = static_cast<COLORREF>(lparam);
      InvalidateRect(hwnd_, nullptr, TRUE);
      return TRUE;
    case LVM_GETTEXTCOLOR:
      return text_color_;
    case LVM_SETTEXTCOLOR:
      text_color_ = static_cast<COLORREF>(lparam);
      InvalidateRect(hwnd_, nullptr, FALSE);
      return TRUE;
    case LVM_GETTEXTBKCOLOR:
      return text_bk_color_;
    case LVM_SETTEXTBKCOLOR:
      text_bk_color_ = static_cast<COLORREF>(lparam);
      InvalidateRect(hwnd_, nullptr, FALSE);
      return TRUE;
    case LVM_GETHOTITEM:
      return hot_;
    case LVM_SETHOTITEM: {
      int old = hot_;
      SetHot(static_cast<int>(wparam));
      return old;
    }
    case LVM_GETHOVERTIME:
      return static_cast<LRESULT>(hover_time_);
    case LVM_SETHOVERTIME: {
      DWORD old = hover_time_;
      hover_time_ = static_cast<DWORD>(lparam);
      return static_cast<LRESULT>(old);
    }
    case LVM_GETTOOLTIPS:
      return reinterpret_cast<LRESULT>(tooltips_);
    case LVM_SETTOOLTIPS: {
      HWND old = tooltips_;
      tooltips_ = reinterpret_cast<HWND>(wparam);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_EDITLABEL:
      return reinterpret_cast<LRESULT>(EditLabel(static_cast<int>(wparam)));
    case LVM_GETEDITCONTROL:
      return reinterpret_cast<LRESULT>(edit_);
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lparam);
      if (hdr != nullptr && hdr->hwndFrom == header_) return OnHeaderNotify(hdr);
      return 0;
    }
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wparam);
      SendMessage(header_, WM_SETFONT, wparam, lparam);
      UpdateMetrics();
      Layout();
      if (LOWORD(lparam) != 0) InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    case WM_SIZE:
      // Owner-drawn rows are measured again when the window changes size.
      if (Style() & LVS_OWNERDRAWFIXED) {
        int old_height = row_height_;
        UpdateMetrics();
        if (row_height_ != old_height) InvalidateRect(hwnd_, nullptr, TRUE);
      }
      Layout();
      return 0;
    case WM_STYLECHANGED:
      if (wparam == static_cast<WPARAM>(GWL_STYLE)) {
        UpdateHeaderStyle();
        UpdateMetrics();
        Layout();
        InvalidateRect(hwnd_, nullptr, TRUE);
      }
      return 0;
    case WM_NCPAINT:
      frame_stale_ = false;
      break;
    case WM_ERASEBKGND:
      if (bk_color_ == CLR_NONE) break;
      return 1;  // WM_PAINT fills what rows do not cover
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      OnScroll(message == WM_VSCROLL, wparam);
      return 0;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<SHORT>(HIWORD(wparam));
      UINT lines = 3;
      SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      ScrollRows(-delta * static_cast<int>(lines) / 120);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnLeftDown(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, wparam,
                 message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      OnLeftUp(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_RBUTTONDOWN:
      OnRightDown(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, wparam);
      return 0;
    case WM_RBUTTONUP:
      OnRightUp(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, wparam);
      return 0;
    case WM_MOUSEHOVER:
      OnHover();
      return 0;
    case WM_MOUSELEAVE:
      tracking_mouse_ = false;
      SetHot(-1);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd_) pressed_item_ = -1;
      return 0;
    case WM_CANCELMODE:
      pressed_item_ = -1;
      if (GetCapture() == hwnd_) ReleaseCapture();
      EndEdit(false);
      return 0;
    case WM_TIMER:
      if (wparam == kEditTimer) {
        KillTimer(hwnd_, kEditTimer);
        int index = items_.IndexOf(focused_);
        if (index >= 0 && GetFocus() == hwnd_) EditLabel(index);
        return 0;
      }
      break;
    case WM_KEYDOWN:
      OnKeyDown(wparam);
      return 0;
    case WM_CHAR:
      OnChar(static_cast<char>(wparam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      NMHDR hdr;
      Notify(message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    }
    case WM_SETCURSOR:
      // Rows that activate on a click show the hand over the hot row.
      if (LOWORD(lparam) == HTCLIENT && hot_ >= 0 &&
          (ex_style_ & (LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE))) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_ENABLE:
      InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_COMMAND:
      return 0;  // the edit control's notifications
    default:
      break;
  }
  return DefWindowProc(hwnd_, message, wparam, lparam);
}

LRESULT ListViewProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* view = reinterpret_cast<ListView*>(GetWindowLongPtr(hwnd, 0));
  if (message == WM_NCCREATE) {
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new ListView(hwnd)));
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  if (view == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, 0, 0);
    delete view;
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  return view->Handle(message, wparam, lparam);
}

namespace {

void RegisterListViewClass() {
  WNDCLASSEX wc;
  wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
  wc.lpfnWndProc = ListViewProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_LISTVIEW;
  RegisterClassEx(&wc);
}

const platform::BuiltinClass kListViewClass(WC_LISTVIEW, &RegisterListViewClass);

}  // namespace
}  // namespace platform::ctl
