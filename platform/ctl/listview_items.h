// The rows of a list view, kept in blocks of a few hundred so that finding
// row i, inserting or deleting in the middle and finding a row's index stay
// cheap with 100,000 rows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/types.h"

namespace platform::ctl {

struct ItemBlock;

struct SubItem {
  std::string text;
  bool text_callback = false;
  int image = -2;  // I_IMAGENONE
};

// The texts a row holds itself: its own (column 0) and its sub-items 1,
// 2, ... (subs[0] is sub-item 1).
struct ItemTexts {
  std::string text;
  std::vector<SubItem> subs;
};

// One row. A row whose texts all come from the parent (LPSTR_TEXTCALLBACK)
// holds no texts at all: `texts` stays null until one is set.
struct ListItem {
  LPARAM lparam = 0;
  ItemBlock* block = nullptr;  // kept by ItemStore
  std::unique_ptr<ItemTexts> texts;
  int image = -2;  // I_IMAGENONE
  UINT state = 0;
  int indent = 0;
  bool text_callback = false;
  // Sub-items never set ask the parent for their text as well (rows put in
  // with LVM_INSERTITEMS).
  bool subs_callback = false;

  std::size_t SubCount() const { return texts != nullptr ? texts->subs.size() : 0; }
  // Sub-item n (1, 2, ...), made (with those before it) when missing.
  SubItem& Sub(std::size_t n);
  ItemTexts& Texts();
};

struct ItemBlock {
  std::vector<std::unique_ptr<ListItem>> items;
  int start = 0;  // index of the block's first row
};

class ItemStore {
 public:
  int size() const { return size_; }
  ListItem* At(int index) const;
  // The row's index; -1 for an item not in the store.
  int IndexOf(const ListItem* item) const;
  void Insert(int index, std::unique_ptr<ListItem> item);
  std::unique_ptr<ListItem> Erase(int index);
  // Every row, in order, leaving the store empty.
  std::vector<std::unique_ptr<ListItem>> TakeAll();
  // Fills the (empty) store with these rows, in order.
  void Assign(std::vector<std::unique_ptr<ListItem>> items);
  void Clear() { TakeAll(); }

  // Calls visit(index, item) from row `first` on while it returns true.
  template <typename Visit>
  void VisitFrom(int first, Visit visit) const {
    if (first < 0) first = 0;
    if (first >= size_) return;
    std::size_t b = BlockOf(first);
    int index = first;
    std::size_t offset = static_cast<std::size_t>(first - blocks_[b]->start);
    for (; b < blocks_.size(); ++b, offset = 0) {
      const auto& items = blocks_[b]->items;
      for (std::size_t i = offset; i < items.size(); ++i, ++index) {
        if (!visit(index, items[i].get())) return;
      }
    }
  }

 private:
  static constexpr std::size_t kBlockSize = 256;  // rows per block when filled in one go
  static constexpr std::size_t kMaxBlock = 512;   // a block this full is split

  std::size_t BlockOf(int index) const;
  void Renumber(std::size_t from_block);

  std::vector<std::unique_ptr<ItemBlock>> blocks_;
  int size_ = 0;
};

}  // namespace platform::ctl
