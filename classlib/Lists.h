// TList (a list of untyped pointers) and TObjectList (a list of objects
// that it deletes when they leave it, unless OwnsObjects is false).
// Indexes count from 0; an index out of range raises EListError
// "List index out of bounds (<index>)".
#pragma once

#include <functional>
#include <vector>

#include "classlib/Object.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
 public:
  using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

  TList() = default;
  ~TList() override;

  int Count() const { return static_cast<int>(items_.size()); }
  // Growing adds null items; shrinking deletes from the end.
  void SetCount(int NewCount);
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int NewCapacity);
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  // Removes the first occurrence; returns its former index or -1.
  int Remove(void* Item);
  // Takes the item out without the "deleted" notification; returns it, or
  // null when it is not in the list.
  void* Extract(void* Item);
  int IndexOf(void* Item) const;
  void Clear();
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  // Removes every null item.
  void Pack();
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }
  // Sorts with the comparison (negative, 0, positive); not stable.
  void Sort(const TListSortCompare& Compare);
  TList* Expand() { return this; }
  // Copies the items of another list.
  void Assign(const TList& Source);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 protected:
  // Called after an item is added and before it is extracted or deleted.
  virtual void Notify(void* /*Ptr*/, TListNotification /*Action*/) {}
  [[noreturn]] void Error(int Index) const;
  void CheckIndex(int Index) const;

 private:
  std::vector<void*> items_;
};

class TObjectList : public TList {
 public:
  explicit TObjectList(bool AOwnsObjects = true) : OwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  void SetItems(int Index, TObject* Item);
  TObject* operator[](int Index) const { return Items(Index); }
  int Add(TObject* Item) { return TList::Add(Item); }
  void Insert(int Index, TObject* Item) { TList::Insert(Index, Item); }
  int Remove(TObject* Item) { return TList::Remove(Item); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  int IndexOf(TObject* Item) const { return TList::IndexOf(Item); }
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }

  // When true (the default), items that are deleted, removed, replaced or
  // cleared are deleted with the list's help.
  bool OwnsObjects;

 protected:
  void Notify(void* Ptr, TListNotification Action) override;
};
