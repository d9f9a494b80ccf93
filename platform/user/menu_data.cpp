// The menu table and the calls that make, change and read menus.
#include "platform/user/menu_data.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"

using platform::user::menus::ItemRef;
using platform::user::menus::Menu;
using platform::user::menus::MenuItem;

namespace {

struct MenuTable {
  std::mutex mutex;
  // Handles count up from 0x4D0004 in steps of 4 and are never given out twice.
  platform::HandleTable<HMENU, std::unique_ptr<Menu>> menus{0x4D0004, 4};
};

MenuTable& Table() {
  static MenuTable* table = new MenuTable;  // outlives every static destructor
  return *table;
}

std::unique_lock<std::mutex> Lock() {
  return std::unique_lock<std::mutex>(Table().mutex);
}

// ---- Everything below until the public calls needs the lock held. ----

Menu* Find(HMENU handle) {
  const auto* menu = Table().menus.Find(handle);
  return menu == nullptr ? nullptr : menu->get();
}

Menu* Require(HMENU handle) {
  Menu* menu = Find(handle);
  if (menu == nullptr) SetLastError(ERROR_INVALID_MENU_HANDLE);
  return menu;
}

HMENU Add(bool popup) {
  auto menu = std::make_unique<Menu>();
  menu->popup = popup;
  Menu* added = menu.get();
  added->handle = Table().menus.Add(std::move(menu));
  return added->handle;
}

// Destroys a menu and the sub-menus of its popup items (each once, even
// when a sub-menu is shared or a menu holds itself).
void DestroyTree(HMENU handle, std::set<HMENU>& seen) {
  if (!seen.insert(handle).second) return;
  Menu* menu = Find(handle);
  if (menu == nullptr) return;
  std::vector<HMENU> children;
  for (const MenuItem& item : menu->items) {
    if (item.submenu != nullptr) children.push_back(item.submenu);
  }
  Table().menus.Remove(handle);
  for (HMENU child : children) DestroyTree(child, seen);
}

void DestroyTree(HMENU handle) {
  std::set<HMENU> seen;
  DestroyTree(handle, seen);
}

// Depth-first search by command: an item's own id first, then inside its
// sub-menu.
bool FindCommand(HMENU handle, UINT id, ItemRef* found, std::set<HMENU>& seen) {
  if (!seen.insert(handle).second) return false;
  Menu* menu = Find(handle);
  if (menu == nullptr) return false;
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    const MenuItem& item = menu->items[i];
    if (item.id == id) {
      *found = ItemRef{handle, static_cast<int>(i)};
      return true;
    }
    if (item.submenu != nullptr && FindCommand(item.submenu, id, found, seen)) return true;
  }
  return false;
}

std::optional<ItemRef> LocateLocked(HMENU handle, UINT item, bool by_position) {
  Menu* menu = Find(handle);
  if (menu == nullptr) return std::nullopt;
  if (by_position) {
    if (item >= menu->items.size()) return std::nullopt;
    return ItemRef{handle, static_cast<int>(item)};
  }
  ItemRef found;
  std::set<HMENU> seen;
  if (!FindCommand(handle, item, &found, seen)) return std::nullopt;
  return found;
}

MenuItem* ItemAt(const ItemRef& ref) {
  Menu* menu = Find(ref.menu);
  if (menu == nullptr || ref.position < 0 ||
      static_cast<std::size_t>(ref.position) >= menu->items.size()) {
    return nullptr;
  }
  return &menu->items[static_cast<std::size_t>(ref.position)];
}

// Locates an item for a call, setting the platform's errors.
MenuItem* RequireItem(HMENU handle, UINT item, bool by_position, ItemRef* ref = nullptr) {
  if (Require(handle) == nullptr) return nullptr;
  std::optional<ItemRef> found = LocateLocked(handle, item, by_position);
  if (!found) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return nullptr;
  }
  if (ref != nullptr) *ref = *found;
  return ItemAt(*found);
}

constexpr UINT kStateBits = MFS_GRAYED | MFS_CHECKED | MFS_HILITE | MFS_DEFAULT;
constexpr UINT kLayoutTypeBits = MF_MENUBREAK | MF_MENUBARBREAK | MF_HELP;

// The item an AppendMenu / InsertMenu / ModifyMenu call describes.
bool ItemFromFlags(UINT flags, UINT_PTR id, LPCSTR content, MenuItem* item) {
  *item = MenuItem{};
  if (flags & MF_SEPARATOR) {
    item->type = MFT_SEPARATOR;
  } else if (flags & MF_OWNERDRAW) {
    item->type = MFT_OWNERDRAW;
    item->data = reinterpret_cast<ULONG_PTR>(content);
  } else if (flags & MF_BITMAP) {
    item->type = MFT_BITMAP;
    item->bitmap = reinterpret_cast<HBITMAP>(const_cast<char*>(content));
  } else {
    item->text = content != nullptr ? content : "";
  }
  item->type |= flags & kLayoutTypeBits;
  item->state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE);
  item->id = static_cast<UINT>(id);
  if (flags & MF_POPUP) {
    item->submenu = reinterpret_cast<HMENU>(id);
    if (Find(item->submenu) == nullptr) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return false;
    }
  }
  return true;
}

constexpr std::size_t kOldInfoSize = offsetof(MENUITEMINFO, hbmpItem);

bool ValidInfo(const MENUITEMINFO* info) {
  if (info == nullptr || (info->cbSize != sizeof(MENUITEMINFO) && info->cbSize != kOldInfoSize)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

// Applies the fields of `info` that its mask names.
bool ApplyInfo(const MENUITEMINFO& info, MenuItem* item) {
  const UINT mask = info.fMask;
  if ((mask & MIIM_SUBMENU) && info.hSubMenu != nullptr && Find(info.hSubMenu) == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return false;
  }
  if (mask & MIIM_FTYPE) {
    item->type = info.fType;
    item->measured = false;
  }
  if (mask & MIIM_TYPE) {
    item->type = info.fType;
    item->measured = false;
    if (info.fType & MFT_BITMAP) {
      item->bitmap = reinterpret_cast<HBITMAP>(info.dwTypeData);
      item->text.clear();
    } else if (info.fType & MFT_SEPARATOR) {
      item->text.clear();
    } else if (info.dwTypeData != nullptr || !(info.fType & MFT_OWNERDRAW)) {
      item->text = info.dwTypeData != nullptr ? info.dwTypeData : "";
    }
  }
  if (mask & MIIM_STRING) item->text = info.dwTypeData != nullptr ? info.dwTypeData : "";
  if ((mask & MIIM_BITMAP) && info.cbSize == sizeof(MENUITEMINFO)) item->bitmap = info.hbmpItem;
  if (mask & MIIM_STATE) item->state = info.fState & kStateBits;
  if (mask & MIIM_ID) item->id = info.wID;
  if (mask & MIIM_SUBMENU) item->submenu = info.hSubMenu;
  if (mask & MIIM_CHECKMARKS) {
    item->checked_bitmap = info.hbmpChecked;
    item->unchecked_bitmap = info.hbmpUnchecked;
  }
  if (mask & MIIM_DATA) item->data = info.dwItemData;
  return true;
}

// Copies `text` into a caller's buffer: at most `size` - 1 bytes and a NUL.
// Returns the number of bytes copied.
UINT CopyText(const std::string& text, char* buffer, UINT size) {
  if (buffer == nullptr || size == 0) return 0;
  UINT count = std::min<UINT>(static_cast<UINT>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return count;
}

BOOL InsertItem(HMENU handle, UINT position, bool by_position, MenuItem item) {
  Menu* menu = Require(handle);
  if (menu == nullptr) return FALSE;
  if (by_position) {
    std::size_t at = std::min<std::size_t>(position, menu->items.size());
    menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    return TRUE;
  }
  std::optional<ItemRef> found = LocateLocked(handle, position, false);
  if (!found) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  Menu* holder = Find(found->menu);
  holder->items.insert(holder->items.begin() + found->position, std::move(item));
  return TRUE;
}

BOOL Remove(HMENU handle, UINT position, UINT flags, bool destroy_submenu) {
  ItemRef ref;
  MenuItem* item = RequireItem(handle, position, (flags & MF_BYPOSITION) != 0, &ref);
  if (item == nullptr) return FALSE;
  HMENU submenu = item->submenu;
  Menu* holder = Find(ref.menu);
  holder->items.erase(holder->items.begin() + ref.position);
  if (holder->open_item == ref.position) holder->open_item = -1;
  if (destroy_submenu && submenu != nullptr) DestroyTree(submenu);
  return TRUE;
}

UINT StateFlags(const MenuItem& item) {
  UINT flags = (item.type & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | kLayoutTypeBits)) |
               (item.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT));
  if (item.submenu != nullptr) {
    flags |= MF_POPUP;
    if (const Menu* sub = Find(item.submenu)) {
      flags |= (static_cast<UINT>(std::min<std::size_t>(sub->items.size(), 0xFF)) << 8);
    }
  }
  return flags;
}

}  // namespace

// ---------------------------------------------------------------------------
// Internal entry points
// ---------------------------------------------------------------------------
namespace platform::user::menus {

std::optional<MenuView> View(HMENU handle) {
  auto lock = Lock();
  Menu* menu = Find(handle);
  if (menu == nullptr) return std::nullopt;
  return *menu;
}

std::optional<ItemRef> Locate(HMENU menu, UINT item, bool by_position) {
  auto lock = Lock();
  return LocateLocked(menu, item, by_position);
}

void StoreItemRects(HMENU handle, const std::vector<RECT>& rects) {
  auto lock = Lock();
  Menu* menu = Find(handle);
  if (menu == nullptr || menu->items.size() != rects.size()) return;
  for (std::size_t i = 0; i < rects.size(); ++i) menu->items[i].rect = rects[i];
}

void StoreMeasuredSize(HMENU handle, int position, SIZE size) {
  auto lock = Lock();
  if (MenuItem* item = ItemAt(ItemRef{handle, position})) {
    item->measured = true;
    item->measured_size = size;
  }
}

void SetHilite(HMENU handle, int position) {
  auto lock = Lock();
  Menu* menu = Find(handle);
  if (menu == nullptr) return;
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    if (static_cast<int>(i) == position)
      menu->items[i].state |= MFS_HILITE;
    else
      menu->items[i].state &= ~MFS_HILITE;
  }
}

void SetShownIn(HMENU handle, HWND window) {
  auto lock = Lock();
  if (Menu* menu = Find(handle)) menu->window = window;
}

void SetOpenItem(HMENU handle, int position) {
  auto lock = Lock();
  if (Menu* menu = Find(handle)) menu->open_item = position;
}

void MarkSystem(HMENU handle) {
  auto lock = Lock();
  if (Menu* menu = Find(handle)) menu->system = true;
}

std::string LabelOf(const std::string& text) {
  std::size_t tab = text.find('\t');
  return tab == std::string::npos ? text : text.substr(0, tab);
}

std::string AcceleratorOf(const std::string& text) {
  std::size_t tab = text.find('\t');
  return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

char MnemonicOf(const std::string& text) {
  const std::string label = LabelOf(text);
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    if (label[i + 1] == '&') {
      ++i;  // "&&" is a plain "&"
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(label[i + 1])));
  }
  return 0;
}

}  // namespace platform::user::menus

namespace platform {

std::size_t LiveMenuCount() {
  platform::user::menus::ForgetSystemMenusOfDeadWindows();
  auto lock = Lock();
  return Table().menus.size();
}

}  // namespace platform

// ---------------------------------------------------------------------------
// The platform's calls
// ---------------------------------------------------------------------------

HMENU CreateMenu() {
  auto lock = Lock();
  return Add(false);
}

HMENU CreatePopupMenu() {
  auto lock = Lock();
  return Add(true);
}

BOOL DestroyMenu(HMENU menu) {
  auto lock = Lock();
  if (Require(menu) == nullptr) return FALSE;
  DestroyTree(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  auto lock = Lock();
  return Find(menu) != nullptr ? TRUE : FALSE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR content) {
  return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, id, content);
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR content) {
  auto lock = Lock();
  if (Require(menu) == nullptr) return FALSE;
  MenuItem item;
  if (!ItemFromFlags(flags, id, content, &item)) return FALSE;
  return InsertItem(menu, position, (flags & MF_BYPOSITION) != 0, std::move(item));
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR content) {
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (item == nullptr) return FALSE;
  MenuItem replacement;
  if (!ItemFromFlags(flags, id, content, &replacement)) return FALSE;
  HMENU old_submenu = item->submenu;
  replacement.rect = item->rect;
  *item = std::move(replacement);
  if (old_submenu != nullptr && old_submenu != item->submenu) DestroyTree(old_submenu);
  return TRUE;
}

BOOL InsertMenuItem(HMENU menu, UINT position, BOOL by_position, LPCMENUITEMINFO info) {
  if (!ValidInfo(info)) return FALSE;
  auto lock = Lock();
  if (Require(menu) == nullptr) return FALSE;
  MenuItem item;
  if (!ApplyInfo(*info, &item)) return FALSE;
  return InsertItem(menu, position, by_position != FALSE, std::move(item));
}

BOOL SetMenuItemInfo(HMENU menu, UINT position, BOOL by_position, LPCMENUITEMINFO info) {
  if (!ValidInfo(info)) return FALSE;
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, by_position != FALSE);
  if (item == nullptr) return FALSE;
  MenuItem changed = *item;
  if (!ApplyInfo(*info, &changed)) return FALSE;
  *item = std::move(changed);
  return TRUE;
}

BOOL GetMenuItemInfo(HMENU menu, UINT position, BOOL by_position, LPMENUITEMINFO info) {
  if (!ValidInfo(info)) return FALSE;
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, by_position != FALSE);
  if (item == nullptr) return FALSE;
  const UINT mask = info->fMask;
  if (mask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = item->type;
  const bool has_string = !item->IsSeparator() && !item->IsBitmap();
  if ((mask & MIIM_TYPE) && item->IsBitmap()) {
    info->dwTypeData = reinterpret_cast<LPSTR>(item->bitmap);
  } else if (mask & (MIIM_TYPE | MIIM_STRING)) {
    const std::string text = has_string ? item->text : std::string();
    if (info->dwTypeData == nullptr || info->cch == 0) {
      info->cch = static_cast<UINT>(text.size());
    } else {
      info->cch = CopyText(text, info->dwTypeData, info->cch);
    }
  }
  if ((mask & MIIM_BITMAP) && info->cbSize == sizeof(MENUITEMINFO)) {
    info->hbmpItem = item->IsBitmap() ? nullptr : item->bitmap;
  }
  if (mask & MIIM_STATE) info->fState = item->state & kStateBits;
  if (mask & MIIM_ID) info->wID = item->id;
  if (mask & MIIM_SUBMENU) info->hSubMenu = item->submenu;
  if (mask & MIIM_CHECKMARKS) {
    info->hbmpChecked = item->checked_bitmap;
    info->hbmpUnchecked = item->unchecked_bitmap;
  }
  if (mask & MIIM_DATA) info->dwItemData = item->data;
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  auto lock = Lock();
  return Remove(menu, position, flags, false);
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  auto lock = Lock();
  return Remove(menu, position, flags, true);
}

DWORD CheckMenuItem(HMENU menu, UINT position, UINT flags) {
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (item == nullptr) return static_cast<DWORD>(-1);
  DWORD previous = item->state & MF_CHECKED;
  item->state = (item->state & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

UINT EnableMenuItem(HMENU menu, UINT position, UINT flags) {
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (item == nullptr) return static_cast<UINT>(-1);
  UINT previous = item->state & (MF_GRAYED | MF_DISABLED);
  item->state = (item->state & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  auto lock = Lock();
  const bool by_position = (flags & MF_BYPOSITION) != 0;
  ItemRef first_ref, last_ref, check_ref;
  if (RequireItem(menu, first, by_position, &first_ref) == nullptr ||
      RequireItem(menu, last, by_position, &last_ref) == nullptr ||
      RequireItem(menu, check, by_position, &check_ref) == nullptr) {
    return FALSE;
  }
  if (first_ref.menu != last_ref.menu || check_ref.menu != first_ref.menu) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int from = std::min(first_ref.position, last_ref.position);
  const int to = std::max(first_ref.position, last_ref.position);
  if (check_ref.position < from || check_ref.position > to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Menu* holder = Find(first_ref.menu);
  for (int i = from; i <= to; ++i) {
    MenuItem& item = holder->items[static_cast<std::size_t>(i)];
    if (i == check_ref.position) {
      item.state |= MFS_CHECKED;
      item.type |= MFT_RADIOCHECK;
    } else {
      item.state &= ~MFS_CHECKED;
    }
  }
  return TRUE;
}

BOOL SetMenuDefaultItem(HMENU handle, UINT position, UINT by_position) {
  auto lock = Lock();
  Menu* menu = Require(handle);
  if (menu == nullptr) return FALSE;
  int target = -1;
  if (position != static_cast<UINT>(-1)) {
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
      if (by_position ? i == position : menu->items[i].id == position) {
        target = static_cast<int>(i);
        break;
      }
    }
    if (target < 0) {
      SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
      return FALSE;
    }
  }
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    if (static_cast<int>(i) == target)
      menu->items[i].state |= MFS_DEFAULT;
    else
      menu->items[i].state &= ~MFS_DEFAULT;
  }
  return TRUE;
}

UINT GetMenuDefaultItem(HMENU handle, UINT by_position, UINT flags) {
  constexpr UINT kUseDisabled = 0x0001;  // GMDI_USEDISABLED
  auto lock = Lock();
  Menu* menu = Require(handle);
  if (menu == nullptr) return static_cast<UINT>(-1);
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    const MenuItem& item = menu->items[i];
    if (!item.IsDefault()) continue;
    if (!item.IsEnabled() && !(flags & kUseDisabled)) return static_cast<UINT>(-1);
    return by_position ? static_cast<UINT>(i) : item.id;
  }
  return static_cast<UINT>(-1);
}

int GetMenuItemCount(HMENU handle) {
  auto lock = Lock();
  Menu* menu = Require(handle);
  return menu == nullptr ? -1 : static_cast<int>(menu->items.size());
}

UINT GetMenuItemID(HMENU handle, int position) {
  auto lock = Lock();
  Menu* menu = Require(handle);
  if (menu == nullptr || position < 0 || static_cast<std::size_t>(position) >= menu->items.size())
    return static_cast<UINT>(-1);
  const MenuItem& item = menu->items[static_cast<std::size_t>(position)];
  return item.submenu != nullptr ? static_cast<UINT>(-1) : item.id;
}

HMENU GetSubMenu(HMENU handle, int position) {
  auto lock = Lock();
  Menu* menu = Require(handle);
  if (menu == nullptr || position < 0 || static_cast<std::size_t>(position) >= menu->items.size())
    return nullptr;
  return menu->items[static_cast<std::size_t>(position)].submenu;
}

UINT GetMenuState(HMENU menu, UINT position, UINT flags) {
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (item == nullptr) return static_cast<UINT>(-1);
  return StateFlags(*item);
}

int GetMenuString(HMENU menu, UINT position, LPSTR buffer, int max_count, UINT flags) {
  auto lock = Lock();
  MenuItem* item = RequireItem(menu, position, (flags & MF_BYPOSITION) != 0);
  if (item == nullptr) return 0;
  const std::string& text = item->text;
  if (buffer == nullptr || max_count <= 0) return static_cast<int>(text.size());
  return static_cast<int>(CopyText(text, buffer, static_cast<UINT>(max_count)));
}
