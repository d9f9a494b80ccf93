#include "classlib/Menus.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
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

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(TakeCommand()) {}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  while (!items_.empty()) {
    TMenuItem* item = items_.back();
    items_.pop_back();
    item->parent_ = nullptr;
    delete item;
  }
  GiveBackCommand(command_);
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
  if (OnClick) OnClick(this);
}

void TMenuItem::MenuChanged(bool Rebuild) {
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

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  // The root item is owned (and deleted) as a component; it must not
  // report to a menu that is going.
  items_->menu_ = nullptr;
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
}

void TMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (OnChange) OnChange(Sender, Source, Rebuild);
}

namespace {

template <class Test>
TMenuItem* FindItem(TMenuItem* root, const Test& test) {
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (test(item)) return item;
    if (TMenuItem* found = FindItem(item, test)) return found;
  }
  return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindItemByCommand(WORD ACommand) const {
  return FindItem(items_, [ACommand](TMenuItem* item) { return item->Command() == ACommand; });
}

TMenuItem* TMenu::FindItemByShortCut(TShortCut AShortCut) const {
  if (AShortCut == 0) return nullptr;
  return FindItem(items_, [AShortCut](TMenuItem* item) { return item->ShortCut() == AShortCut; });
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

void TPopupMenu::Popup(int X, int Y) {
  popup_point_ = Point(X, Y);
  DoPopup(this);
}
