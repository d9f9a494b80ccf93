#include "platform/ctl/listview_items.h"

#include <algorithm>

namespace platform::ctl {

ItemTexts& ListItem::Texts() {
  if (texts == nullptr) texts = std::make_unique<ItemTexts>();
  return *texts;
}

SubItem& ListItem::Sub(std::size_t n) {
  std::vector<SubItem>& subs = Texts().subs;
  while (subs.size() < n) {
    subs.emplace_back();
    // Sub-items the parent answers for stay so until set.
    subs.back().text_callback = subs_callback;
  }
  return subs[n - 1];
}

std::size_t ItemStore::BlockOf(int index) const {
  // The last block starting at or before `index`.
  auto it =
      std::upper_bound(blocks_.begin(), blocks_.end(), index,
                       [](int i, const std::unique_ptr<ItemBlock>& b) { return i < b->start; });
  return static_cast<std::size_t>(it - blocks_.begin()) - 1;
}

void ItemStore::Renumber(std::size_t from_block) {
  int start = from_block == 0 ? 0
                              : blocks_[from_block - 1]->start +
                                    static_cast<int>(blocks_[from_block - 1]->items.size());
  for (std::size_t b = from_block; b < blocks_.size(); ++b) {
    blocks_[b]->start = start;
    start += static_cast<int>(blocks_[b]->items.size());
  }
}

ListItem* ItemStore::At(int index) const {
  if (index < 0 || index >= size_) return nullptr;
  const ItemBlock& block = *blocks_[BlockOf(index)];
  return block.items[static_cast<std::size_t>(index - block.start)].get();
}

int ItemStore::IndexOf(const ListItem* item) const {
  if (item == nullptr || item->block == nullptr) return -1;
  const auto& items = item->block->items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].get() == item) return item->block->start + static_cast<int>(i);
  }
  return -1;
}

void ItemStore::Insert(int index, std::unique_ptr<ListItem> item) {
  index = std::clamp(index, 0, size_);
  if (blocks_.empty()) blocks_.push_back(std::make_unique<ItemBlock>());
  // An index at the end of the list goes into the last block.
  std::size_t b = index == size_ ? blocks_.size() - 1 : BlockOf(index);
  ItemBlock* block = blocks_[b].get();
  item->block = block;
  block->items.insert(block->items.begin() + (index - block->start), std::move(item));
  ++size_;
  if (block->items.size() >= kMaxBlock) {
    // Split in two halves.
    auto second = std::make_unique<ItemBlock>();
    std::size_t half = block->items.size() / 2;
    for (std::size_t i = half; i < block->items.size(); ++i) {
      block->items[i]->block = second.get();
      second->items.push_back(std::move(block->items[i]));
    }
    block->items.resize(half);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(second));
  }
  Renumber(b + 1);
}

std::unique_ptr<ListItem> ItemStore::Erase(int index) {
  if (index < 0 || index >= size_) return nullptr;
  std::size_t b = BlockOf(index);
  ItemBlock* block = blocks_[b].get();
  auto at = block->items.begin() + (index - block->start);
  std::unique_ptr<ListItem> item = std::move(*at);
  block->items.erase(at);
  item->block = nullptr;
  --size_;
  if (block->items.empty()) {
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
    if (b > 0) --b;
  }
  if (!blocks_.empty()) Renumber(b);
  return item;
}

std::vector<std::unique_ptr<ListItem>> ItemStore::TakeAll() {
  std::vector<std::unique_ptr<ListItem>> all;
  all.reserve(static_cast<std::size_t>(size_));
  for (auto& block : blocks_) {
    for (auto& item : block->items) {
      item->block = nullptr;
      all.push_back(std::move(item));
    }
  }
  blocks_.clear();
  size_ = 0;
  return all;
}

void ItemStore::Assign(std::vector<std::unique_ptr<ListItem>> items) {
  Clear();
  for (std::size_t i = 0; i < items.size(); i += kBlockSize) {
    auto block = std::make_unique<ItemBlock>();
    std::size_t end = std::min(items.size(), i + kBlockSize);
    for (std::size_t j = i; j < end; ++j) {
      items[j]->block = block.get();
      block->items.push_back(std::move(items[j]));
    }
    blocks_.push_back(std::move(block));
  }
  size_ = static_cast<int>(items.size());
  Renumber(0);
}

}  // namespace platform::ctl
