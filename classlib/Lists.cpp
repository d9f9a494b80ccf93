#include "classlib/Lists.h"

#include <algorithm>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Sorting.h"

TList::~TList() {
  // Derived notifications are gone by now; TObjectList clears itself.
  items_.clear();
}

void TList::Error(int Index) const { throw EListError(Format(SysConst::SListIndexError, Index)); }

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(Index);
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) throw EListError(Format(SysConst::SListCountError, NewCount));
  while (Count() > NewCount) Delete(Count() - 1);
  items_.resize(static_cast<std::size_t>(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) throw EListError(Format(SysConst::SListCapacityError, NewCapacity));
  items_.reserve(static_cast<std::size_t>(NewCapacity));
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void*& slot = items_[static_cast<std::size_t>(Index)];
  if (slot == Item) return;
  void* old = slot;
  slot = Item;
  if (old != nullptr) Notify(old, lnDeleted);
  if (Item != nullptr) Notify(Item, lnAdded);
}

int TList::Add(void* Item) {
  items_.push_back(Item);
  if (Item != nullptr) Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error(Index);
  items_.insert(items_.begin() + Index, Item);
  if (Item != nullptr) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = items_[static_cast<std::size_t>(Index)];
  items_.erase(items_.begin() + Index);
  if (item != nullptr) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  const int index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  const int index = IndexOf(Item);
  if (index < 0) return nullptr;
  void* item = items_[static_cast<std::size_t>(index)];
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

int TList::IndexOf(void* Item) const {
  const auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Clear() {
  // Items go one by one from the end, each with its notification.
  while (!items_.empty()) Delete(Count() - 1);
  items_.shrink_to_fit();
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* item = items_[static_cast<std::size_t>(CurIndex)];
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, item);
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const TListSortCompare& Compare) {
  classlib::QuickSort(
      0, Count() - 1,
      [&](int a, int b) { return Compare(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]); },
      [&](int a, int b) { std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]); });
}

void TList::Assign(const TList& Source) {
  if (&Source == this) return;
  Clear();
  for (void* item : Source.items_) Add(item);
}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::SetItems(int Index, TObject* Item) { TList::SetItems(Index, Item); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (OwnsObjects && Action == lnDeleted) delete static_cast<TObject*>(Ptr);
}
