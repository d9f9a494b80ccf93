#include "classlib/Menus.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/MessageHandling.h"
#include "classlib/StringRoutines.h"
#include "platform/gdi/gdi.h"
#include "platform/user/menu.h"
#include "platform/user/user.h"

namespace {

// Command numbers in use; an item takes the lowest free one.
std::mutex g_command_lock;
std::set<WORD> g_commands;

WORD TakeCommand() {
  std::lock_guard<std::mutex> lock(g_command_lock);
  WORD command = 1;
  for (WORD used : g_commands) {
    if (used != command) break;
    ++command;
  }
  g_commands.insert(command);
  return command;
}

void GiveBackCommand(WORD command) {
  std::lock_guard<std::mutex> lock(g_command_lock);
  g_commands.erase(command);
}

// The items alive, so that an item pointer a platform menu hands back can
// be checked; and the popup menus, which share one owner window.
std::set<const TMenuItem*>& LiveItems() {
  static auto* items = new std::set<const TMenuItem*>;
  return *items;
}

std::vector<TPopupMenu*>& PopupMenus() {
  static auto* menus = new std::vector<TPopupMenu*>;
  return *menus;
}

// The names of the keys that have one of their own in menus.
const char* SpecialKeyName(WORD key) {
  switch (key) {
    case 0x08: return "BkSp";
    case 0x09: return "Tab";
    case 0x0D: return "Enter";
    case 0x1B: return "Esc";
    case 0x20: return "Space";
    case 0x21: return "PgUp";
    case 0x22: return "PgDn";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x2D: return "Ins";
    case 0x2E: return "Del";
  }
  return nullptr;
}

String KeyName(WORD key) {
  if (const char* name = SpecialKeyName(key)) return name;
  if (key >= '0' && key <= '9') return String(1, static_cast<char>(key));
  if (key >= 'A' && key <= 'Z') return String(1, static_cast<char>(key));
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return String(1, static_cast<char>('0' + key - VK_NUMPAD0));
  if (key >= VK_F1 && key <= VK_F24) return "F" + IntToStr(key - VK_F1 + 1);
  // Other keys by the character they type.
  const UINT ch = MapVirtualKey(key, MAPVK_VK_TO_CHAR) & 0xFF;
  if (ch > ' ' && ch < 0x7F) return String(1, static_cast<char>(ch));
  return String();
}

bool StartsWithNoCase(const String& text, std::size_t at, const String& prefix) {
  return text.size() - at >= prefix.size() && SameText(text.substr(at, prefix.size()), prefix);
}

}  // namespace

// --- shortcut routines ---

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key > 0xFF) return 0;
  TShortCut result = Key;
  if (Shift.Contains(ssShift)) result |= scShift;
  if (Shift.Contains(ssCtrl)) result |= scCtrl;
  if (Shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

String ShortCutToText(TShortCut ShortCut) {
  const String name = KeyName(static_cast<WORD>(ShortCut & 0xFF));
  if (name.empty()) return String();
  String result;
  if (ShortCut & scShift) result += "Shift+";
  if (ShortCut & scCtrl) result += "Ctrl+";
  if (ShortCut & scAlt) result += "Alt+";
  return result + name;
}

TShortCut TextToShortCut(const String& Text) {
  TShortCut shift = 0;
  std::size_t at = 0;
  for (;;) {
    if (StartsWithNoCase(Text, at, "Shift+")) {
      shift |= scShift;
      at += 6;
    } else if (StartsWithNoCase(Text, at, "Ctrl+")) {
      shift |= scCtrl;
      at += 5;
    } else if (StartsWithNoCase(Text, at, "Alt+")) {
      shift |= scAlt;
      at += 4;
    } else {
      break;
    }
  }
  const String rest = Text.substr(at);
  if (rest.empty()) return 0;
  for (WORD key = 0x08; key <= 0xFF; ++key) {
    if (SameText(rest, KeyName(key))) return static_cast<TShortCut>(key | shift);
  }
  return 0;
}

String StripHotkey(const String& Text) {
  String result;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&') {
      if (i + 1 < Text.size() && Text[i + 1] == '&') {
        result += '&';
        ++i;
      }
      continue;
    }
    result += Text[i];
  }
  return result;
}

char GetHotkey(const String& Text) {
  for (std::size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != '&') continue;
    if (Text[i + 1] == '&') {
      ++i;
      continue;
    }
    return Text[i + 1];
  }
  return 0;
}

// --- TMenuItem ---

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(TakeCommand()) { LiveItems().insert(this); }

TMenuItem::~TMenuItem() {
  LiveItems().erase(this);
  if (parent_ != nullptr) parent_->Remove(this);
  // The sub-menus of the items below are theirs to destroy.
  if (handle_ != nullptr) {
    while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  }
  while (!items_.empty()) {
    TMenuItem* item = items_.back();
    items_.pop_back();
    item->parent_ = nullptr;
    delete item;
  }
  DestroyHandle();
  GiveBackCommand(command_);
}

// --- the platform menus ---

void TMenuItem::DestroyHandle() {
  if (handle_ == nullptr) return;
  if (IsMenu(handle_)) {
    while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
    DestroyMenu(handle_);
  }
  handle_ = nullptr;
}

HMENU TMenuItem::Handle() {
  if (handle_ != nullptr && IsMenu(handle_)) return handle_;
  const bool bar = menu_ != nullptr && !menu_->IsPopup();
  handle_ = bar ? CreateMenu() : CreatePopupMenu();
  RebuildHandle();
  return handle_;
}

bool TMenuItem::IsOwnerDrawn() const {
  const TMenu* menu = GetParentMenu();
  if (menu == nullptr) return false;
  if (menu->owner_draw_) return true;
  // Images are drawn by the items, except on a menu bar.
  return menu->images_ != nullptr && !(parent_ != nullptr && parent_->menu_ != nullptr && !menu->IsPopup());
}

void TMenuItem::AppendTo(HMENU Menu) {
  MENUITEMINFO info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_STRING;
  String text = caption_;
  const bool on_bar = parent_ != nullptr && parent_->menu_ != nullptr && !parent_->menu_->IsPopup();
  if (short_cut_ != 0 && !on_bar) text += "\t" + ShortCutToText(short_cut_);
  if (IsLine()) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fType = MFT_STRING;
    if (radio_item_) info.fType |= MFT_RADIOCHECK;
    if (IsOwnerDrawn()) info.fType |= MFT_OWNERDRAW;
    if (break_ == mbBreak) info.fType |= MFT_MENUBREAK;
    if (break_ == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
  }
  if (checked_) info.fState |= MFS_CHECKED;
  if (!enabled_) info.fState |= MFS_GRAYED;
  if (default_) info.fState |= MFS_DEFAULT;
  info.wID = command_;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  info.dwTypeData = const_cast<char*>(text.c_str());
  info.hSubMenu = items_.empty() ? nullptr : Handle();
  InsertMenuItem(Menu, static_cast<UINT>(-1), TRUE, &info);
}

void TMenuItem::RebuildHandle() {
  if (handle_ == nullptr) return;
  if (!IsMenu(handle_)) {
    handle_ = nullptr;
    return;
  }
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  for (TMenuItem* item : items_) {
    if (item->visible_) {
      item->AppendTo(handle_);
    }
    // An item without sub-items any more needs no menu of its own.
    if (item->items_.empty()) item->DestroyHandle();
  }
  if (TMenu* menu = GetParentMenu()) menu->HandleRebuilt();
}

void TMenuItem::SetBreak(TMenuBreak Value) {
  if (break_ == Value) return;
  break_ = Value;
  MenuChanged(true);
}

namespace {

// The text of a caption as menus draw it: "&" marks the underlined
// letter.
void DrawMenuText(TCanvas* canvas, const String& text, TRect rect, UINT format) {
  RECT r = rect;
  DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, format);
}

}  // namespace

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
  if (OnMeasureItem) {
    OnMeasureItem(this, ACanvas, Width, Height);
    return;
  }
  if (IsLine()) {
    Height = 8;
    Width = 16;
    return;
  }
  TMenu* menu = GetParentMenu();
  const int image = menu != nullptr && menu->images_ != nullptr ? menu->images_->Width() : 16;
  String text = StripHotkey(caption_);
  if (short_cut_ != 0) text += "    " + ShortCutToText(short_cut_);
  Width = image + 8 + ACanvas->TextWidth(text) + 16;
  Height = std::max(ACanvas->TextHeight("Wg") + 6, (menu != nullptr && menu->images_ != nullptr ? menu->images_->Height() : 16) + 4);
}

void TMenuItem::DrawItem(TCanvas* ACanvas, TRect ARect, bool Selected) {
  if (OnDrawItem) {
    OnDrawItem(this, ACanvas, ARect, Selected);
    return;
  }
  ACanvas->Brush()->SetColor(Selected ? clHighlight : clMenu);
  ACanvas->Font()->SetColor(!enabled_ ? clGrayText : (Selected ? clHighlightText : clMenuText));
  ACanvas->FillRect(ARect);
  if (IsLine()) {
    const int y = (ARect.top + ARect.bottom) / 2;
    ACanvas->Pen()->SetColor(clBtnShadow);
    ACanvas->MoveTo(ARect.left + 2, y - 1);
    ACanvas->LineTo(ARect.right - 2, y - 1);
    ACanvas->Pen()->SetColor(clBtnHighlight);
    ACanvas->MoveTo(ARect.left + 2, y);
    ACanvas->LineTo(ARect.right - 2, y);
    return;
  }
  TMenu* menu = GetParentMenu();
  TCustomImageList* images = menu != nullptr ? menu->images_ : nullptr;
  const int glyph = images != nullptr ? images->Width() : 16;
  const int glyph_top = ARect.top + (ARect.bottom - ARect.top - (images != nullptr ? images->Height() : 16)) / 2;
  if (images != nullptr && image_index_ >= 0 && image_index_ < images->Count()) {
    images->Draw(ACanvas, ARect.left + 2, glyph_top, image_index_, enabled_);
  } else if (HasBitmap()) {
    ACanvas->Draw(ARect.left + 2, glyph_top, bitmap_.get());
  } else if (checked_) {
    // A tick, or a dot for a radio item.
    const int cx = ARect.left + 2 + glyph / 2;
    const int cy = (ARect.top + ARect.bottom) / 2;
    ACanvas->Pen()->SetColor(ACanvas->Font()->Color());
    ACanvas->Brush()->SetColor(ACanvas->Font()->Color());
    if (radio_item_) {
      ACanvas->Ellipse(cx - 3, cy - 3, cx + 3, cy + 3);
    } else {
      for (int i = 0; i < 3; ++i) {
        ACanvas->MoveTo(cx - 4, cy - 1 + i);
        ACanvas->LineTo(cx - 2, cy + 1 + i);
        ACanvas->LineTo(cx + 3, cy - 4 + i);
      }
    }
    ACanvas->Brush()->SetColor(Selected ? clHighlight : clMenu);
  }
  if (images != nullptr && checked_ && image_index_ >= 0) {
    ACanvas->Brush()->SetStyle(bsClear);
    ACanvas->Pen()->SetColor(ACanvas->Font()->Color());
    ACanvas->Rectangle(ARect.left + 1, glyph_top - 1, ARect.left + 3 + glyph, glyph_top + glyph + 1);
  }
  ACanvas->Brush()->SetStyle(bsClear);
  TRect text = ARect;
  text.left += glyph + 8;
  text.right -= 8;
  const UINT format = DT_SINGLELINE | DT_VCENTER;
  if (default_) {
    ACanvas->Font()->SetStyle(ACanvas->Font()->Style() + TFontStyles{fsBold});
  }
  DrawMenuText(ACanvas, caption_, text, format | DT_LEFT);
  if (short_cut_ != 0) DrawMenuText(ACanvas, ShortCutToText(short_cut_), text, format | DT_RIGHT | DT_NOPREFIX);
}

void TMenuItem::SetCaption(const String& Value) {
  if (caption_ == Value) return;
  caption_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetChecked(bool Value) {
  if (checked_ == Value) return;
  checked_ = Value;
  if (Value && radio_item_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetEnabled(bool Value) {
  if (enabled_ == Value) return;
  enabled_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
  if (default_ == Value) return;
  if (Value && parent_ != nullptr) {
    for (TMenuItem* sibling : parent_->items_) {
      if (sibling != this) sibling->default_ = false;
    }
  }
  default_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetRadioItem(bool Value) {
  if (radio_item_ == Value) return;
  radio_item_ = Value;
  if (checked_ && radio_item_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetGroupIndex(BYTE Value) {
  if (group_index_ == Value) return;
  group_index_ = Value;
  if (checked_ && radio_item_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::TurnSiblingsOff() {
  if (parent_ == nullptr) return;
  for (TMenuItem* sibling : std::vector<TMenuItem*>(parent_->items_)) {
    if (sibling != this && sibling->radio_item_ && sibling->group_index_ == group_index_) {
      sibling->SetChecked(false);
    }
  }
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (short_cut_ == Value) return;
  short_cut_ = Value;
  MenuChanged(false);
}

void TMenuItem::SetImageIndex(int Value) {
  if (image_index_ == Value) return;
  image_index_ = Value;
  MenuChanged(false);
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this](TObject*) { MenuChanged(false); };
  }
  return bitmap_.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) { Bitmap()->Assign(Value); }

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format(SysConst::SListIndexError, Index));
  return items_[static_cast<std::size_t>(Index)];
}

int TMenuItem::MenuIndex() const { return parent_ != nullptr ? parent_->IndexOf(const_cast<TMenuItem*>(this)) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
  if (parent_ == nullptr) return;
  TMenuItem* parent = parent_;
  const int count = parent->Count();
  Value = std::clamp(Value, 0, count - 1);
  if (Value == MenuIndex()) return;
  parent->items_.erase(parent->items_.begin() + MenuIndex());
  parent->items_.insert(parent->items_.begin() + Value, this);
  parent->MenuChanged(true);
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item == nullptr) return;
  if (Item->parent_ != nullptr) Item->parent_->Remove(Item);
  Index = std::clamp(Index, 0, Count());
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* Item) {
  const auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) return;
  items_.erase(it);
  Item->parent_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) MenuChanged(true);
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  Remove(item);
  delete item;
}

void TMenuItem::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
  const auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
  const String wanted = StripHotkey(ACaption);
  for (TMenuItem* item : items_) {
    if (SameText(StripHotkey(item->caption_), wanted)) return item;
  }
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_ != nullptr) item = item->parent_;
  return item->menu_;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (AutoCheck && !(radio_item_ && checked_)) SetChecked(!checked_);
  // The handler runs from a copy: it may free this item (a skinned menu's
  // items are rebuilt when it loads a skin or sets a menu) and still use
  // what it captured.
  const TNotifyEvent handler = OnClick;
  if (handler) handler(this);
}

void TMenuItem::MenuChanged(bool Rebuild) {
  // The platform menus follow: this item's own (its sub-items changed)
  // and the one it is an entry of.
  if (Rebuild && handle_ != nullptr) RebuildHandle();
  if (parent_ != nullptr && parent_->handle_ != nullptr) parent_->RebuildHandle();
  if (parent_ != nullptr) {
    parent_->ChildChanged(this, Rebuild);
  } else if (menu_ != nullptr) {
    menu_->MenuChanged(menu_, nullptr, Rebuild);
  }
}

void TMenuItem::ChildChanged(TMenuItem* Source, bool Rebuild) {
  if (parent_ != nullptr) {
    parent_->ChildChanged(Source, Rebuild);
  } else if (menu_ != nullptr) {
    menu_->MenuChanged(menu_, Source, Rebuild);
  }
}

// --- TMenu ---

TMenu::TMenu(TComponent* AOwner)
    : TComponent(AOwner), items_(new TMenuItem(this)), image_link_(std::make_unique<TChangeLink>()) {
  items_->menu_ = this;
  image_link_->OnChange = [this](TObject*) { items_->RebuildHandle(); };
}

TMenu::~TMenu() {
  // A window must not keep showing a menu that goes.
  if (window_handle_ != nullptr && IsWindow(window_handle_) && items_->handle_ != nullptr &&
      GetMenu(window_handle_) == items_->handle_) {
    ::SetMenu(window_handle_, nullptr);
  }
  if (images_ != nullptr) images_->UnRegisterChanges(image_link_.get());
  // The root item is owned (and deleted) as a component; it must not
  // report to a menu that is going.
  items_->menu_ = nullptr;
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && images_ != nullptr && AComponent == static_cast<TComponent*>(images_)) {
    // The list is past its own destructor: only forget it.
    images_ = nullptr;
    items_->RebuildHandle();
  }
}

void TMenu::SetWindowHandle(HWND Value) {
  window_handle_ = Value;
  if (Value != nullptr) ::SetMenu(Value, Handle());
}

void TMenu::HandleRebuilt() {
  if (window_handle_ != nullptr && IsWindow(window_handle_) && GetMenu(window_handle_) == items_->handle_) {
    DrawMenuBar(window_handle_);
  }
}

void TMenu::SetImages(TCustomImageList* Value) {
  if (images_ == Value) return;
  if (images_ != nullptr) images_->UnRegisterChanges(image_link_.get());
  images_ = Value;
  if (Value != nullptr) {
    Value->RegisterChanges(image_link_.get());
    Value->FreeNotification(this);
  }
  items_->RebuildHandle();
  // Every sub-menu draws its items anew.
  std::vector<TMenuItem*> pending{items_};
  while (!pending.empty()) {
    TMenuItem* item = pending.back();
    pending.pop_back();
    for (TMenuItem* child : item->items_) {
      if (child->handle_ != nullptr) child->RebuildHandle();
      pending.push_back(child);
    }
  }
}

void TMenu::SetOwnerDraw(bool Value) {
  if (owner_draw_ == Value) return;
  owner_draw_ = Value;
  items_->RebuildHandle();
  std::vector<TMenuItem*> pending{items_};
  while (!pending.empty()) {
    TMenuItem* item = pending.back();
    pending.pop_back();
    for (TMenuItem* child : item->items_) {
      if (child->handle_ != nullptr) child->RebuildHandle();
      pending.push_back(child);
    }
  }
}

void TMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (OnChange) OnChange(Sender, Source, Rebuild);
}

namespace {

template <class Test>
TMenuItem* FindItemIn(TMenuItem* root, const Test& test) {
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (test(item)) return item;
    if (TMenuItem* found = FindItemIn(item, test)) return found;
  }
  return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindItemByCommand(WORD ACommand) const {
  return FindItemIn(items_, [ACommand](TMenuItem* item) { return item->Command() == ACommand; });
}

TMenuItem* TMenu::FindItemByShortCut(TShortCut AShortCut) const {
  if (AShortCut == 0) return nullptr;
  return FindItemIn(items_, [AShortCut](TMenuItem* item) { return item->ShortCut() == AShortCut; });
}

TMenuItem* TMenu::FindItem(UINT Value, TFindItemKind Kind) const {
  switch (Kind) {
    case fkCommand: return FindItemByCommand(static_cast<WORD>(Value));
    case fkShortCut: return FindItemByShortCut(static_cast<TShortCut>(Value));
    case fkHandle: {
      if (items_->handle_ != nullptr && reinterpret_cast<UINT_PTR>(items_->handle_) == Value) return items_;
      return FindItemIn(items_, [Value](TMenuItem* item) {
        return item->handle_ != nullptr && reinterpret_cast<UINT_PTR>(item->handle_) == Value;
      });
    }
  }
  return nullptr;
}

bool TMenu::DispatchPopup(HMENU AMenu) {
  if (AMenu == nullptr) return false;
  TMenuItem* item = FindItem(static_cast<UINT>(reinterpret_cast<UINT_PTR>(AMenu)), fkHandle);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchCommand(WORD ACommand) {
  TMenuItem* item = FindItemByCommand(ACommand);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(TShortCut AShortCut) {
  TMenuItem* item = FindItemByShortCut(AShortCut);
  if (item == nullptr) return false;
  // The whole way to the item must be open to the user.
  for (TMenuItem* step = item; step != nullptr && step != items_; step = step->Parent()) {
    if (!step->Enabled() || !step->Visible()) return false;
  }
  item->Click();
  return true;
}

// --- TPopupMenu ---

void TPopupMenu::DoPopup(TObject* Item) {
  if (OnPopup) OnPopup(Item);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { PopupMenus().push_back(this); }

TPopupMenu::~TPopupMenu() {
  auto& menus = PopupMenus();
  menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

void TPopupMenu::Popup(int X, int Y) {
  popup_point_ = Point(X, Y);
  DoPopup(this);
  static constexpr UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  HWND owner = PopupListWindow();
  TrackPopupMenu(Handle(), kAlign[Alignment] | TPM_RIGHTBUTTON, X, Y, 0, owner, nullptr);
}

// --- menu messages ---

namespace {

TMenuItem* LiveItem(ULONG_PTR data) {
  auto* item = reinterpret_cast<const TMenuItem*>(data);
  return LiveItems().count(item) != 0 ? const_cast<TMenuItem*>(item) : nullptr;
}

void ShowItemHint(TMenuItem* item) {
  if (Application != nullptr) Application->SetHint(item != nullptr ? GetLongHint(item->Hint) : String());
}

}  // namespace

bool HandleMenuMessage(TMenu* Menu, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_INITMENUPOPUP:
      if (Menu != nullptr && Menu->DispatchPopup(reinterpret_cast<HMENU>(WParam))) {
        Result = 0;
        return true;
      }
      return false;
    case WM_MENUSELECT: {
      if (Menu == nullptr) return false;
      const UINT flags = HIWORD(WParam);
      if (flags == 0xFFFF && LParam == 0) {
        ShowItemHint(nullptr);
        return false;
      }
      TMenuItem* item = nullptr;
      if (flags & MF_POPUP) {
        HMENU sub = GetSubMenu(reinterpret_cast<HMENU>(LParam), LOWORD(WParam));
        item = Menu->FindItem(static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub)), fkHandle);
      } else {
        item = Menu->FindItem(LOWORD(WParam), fkCommand);
      }
      if (item == nullptr) return false;
      ShowItemHint(item);
      Result = 0;
      return true;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
      if (measure == nullptr || measure->CtlType != ODT_MENU) return false;
      TMenuItem* item = LiveItem(measure->itemData);
      if (item == nullptr) return false;
      HDC dc = GetDC(nullptr);
      TCanvas canvas;
      canvas.SetHandle(dc);
      canvas.Font()->SetHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
      int width = static_cast<int>(measure->itemWidth);
      int height = static_cast<int>(measure->itemHeight);
      try {
        item->MeasureItem(&canvas, width, height);
      } catch (...) {
        canvas.SetHandle(nullptr);
        ReleaseDC(nullptr, dc);
        throw;
      }
      canvas.SetHandle(nullptr);
      ReleaseDC(nullptr, dc);
      measure->itemWidth = static_cast<UINT>(std::max(width, 0));
      measure->itemHeight = static_cast<UINT>(std::max(height, 0));
      Result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(LParam);
      if (draw == nullptr || draw->CtlType != ODT_MENU) return false;
      TMenuItem* item = LiveItem(draw->itemData);
      if (item == nullptr) return false;
      const int saved = SaveDC(draw->hDC);
      TCanvas canvas;
      canvas.SetHandle(draw->hDC);
      canvas.Font()->SetHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
      try {
        item->DrawItem(&canvas, draw->rcItem, (draw->itemState & ODS_SELECTED) != 0);
      } catch (...) {
        canvas.SetHandle(nullptr);
        RestoreDC(draw->hDC, saved);
        throw;
      }
      canvas.SetHandle(nullptr);
      RestoreDC(draw->hDC, saved);
      Result = TRUE;
      return true;
    }
  }
  return false;
}

namespace {

// The popup menus' window: a plain window class of its own (it lives as
// long as the program).
LRESULT PopupListProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    // Each popup menu in turn; the first that knows the item answers.
    if (msg == WM_COMMAND) {
      for (TPopupMenu* menu : std::vector<TPopupMenu*>(PopupMenus())) {
        if (std::find(PopupMenus().begin(), PopupMenus().end(), menu) == PopupMenus().end()) continue;
        if (menu->DispatchCommand(LOWORD(wparam))) return 0;
      }
      return 0;
    }
    LRESULT result = 0;
    for (TPopupMenu* menu : std::vector<TPopupMenu*>(PopupMenus())) {
      if (HandleMenuMessage(menu, msg, wparam, lparam, result)) return result;
    }
    if ((msg == WM_MEASUREITEM || msg == WM_DRAWITEM) && HandleMenuMessage(nullptr, msg, wparam, lparam, result)) {
      return result;
    }
  } catch (...) {
    HandleMessageException(nullptr);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wparam, lparam);
}

}  // namespace

HWND PopupListWindow() {
  static HWND window = nullptr;
  if (window != nullptr && IsWindow(window)) return window;
  static constexpr const char* kClass = "TPopupList";
  WNDCLASS wc{};
  wc.lpfnWndProc = &PopupListProc;
  wc.lpszClassName = kClass;
  RegisterClass(&wc);
  window = CreateWindowEx(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return window;
}
