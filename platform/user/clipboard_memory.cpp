#include "platform/user/clipboard_memory.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"

namespace {

struct Block {
  std::unique_ptr<char[]> memory;
  SIZE_T size = 0;
  bool fixed = false;
  int locks = 0;
};

struct Blocks {
  std::mutex mutex;
  // Moveable handles are odd numbers, so they never meet the (aligned)
  // addresses that stand for fixed blocks.
  platform::HandleTable<HGLOBAL, Block> by_handle{0x10001, 2};
};

Blocks& TheBlocks() {
  static auto* blocks = new Blocks;
  return *blocks;
}

std::unique_ptr<char[]> NewMemory(SIZE_T bytes, bool zero) {
  // At least one byte, so that every block has an address of its own.
  std::unique_ptr<char[]> memory(new (std::nothrow) char[bytes == 0 ? 1 : bytes]);
  if (memory && zero) std::memset(memory.get(), 0, bytes == 0 ? 1 : bytes);
  return memory;
}

// The block behind a handle, or null with ERROR_INVALID_HANDLE set.
Block* Find(Blocks& blocks, HGLOBAL handle) {
  Block* block = blocks.by_handle.Find(handle);
  if (block == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return block;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  Block block;
  block.memory = NewMemory(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (!block.memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  block.size = bytes;
  block.fixed = (flags & GMEM_MOVEABLE) == 0;
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  if (block.fixed) {
    const auto address = reinterpret_cast<std::uintptr_t>(block.memory.get());
    return blocks.by_handle.AddAt(address, std::move(block));
  }
  return blocks.by_handle.Add(std::move(block));
}

LPVOID GlobalLock(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  Block* block = Find(blocks, handle);
  if (block == nullptr) return nullptr;
  if (!block->fixed && block->locks < static_cast<int>(GMEM_LOCKCOUNT)) ++block->locks;
  return block->memory.get();
}

BOOL GlobalUnlock(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  Block* block = Find(blocks, handle);
  if (block == nullptr) return FALSE;
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->locks > 0) return TRUE;
  SetLastError(NO_ERROR);
  return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  if (handle == nullptr) return nullptr;
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  if (!blocks.by_handle.Remove(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return handle;
  }
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  Block* block = Find(blocks, handle);
  if (block == nullptr) return 0;
  return block->size;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  Block* block = Find(blocks, handle);
  if (block == nullptr) return nullptr;
  if (flags & GMEM_MODIFY) return handle;  // only attributes change; none are kept
  std::unique_ptr<char[]> memory = NewMemory(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (!memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::memcpy(memory.get(), block->memory.get(), std::min(bytes, block->size));
  if (!block->fixed) {
    block->memory = std::move(memory);
    block->size = bytes;
    return handle;
  }
  Block moved;
  moved.memory = std::move(memory);
  moved.size = bytes;
  moved.fixed = true;
  const auto address = reinterpret_cast<std::uintptr_t>(moved.memory.get());
  blocks.by_handle.Remove(handle);
  return blocks.by_handle.AddAt(address, std::move(moved));
}

UINT GlobalFlags(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  Block* block = Find(blocks, handle);
  if (block == nullptr) return GMEM_INVALID_HANDLE;
  return static_cast<UINT>(block->locks);
}

HGLOBAL GlobalHandle(LPCVOID memory) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  for (const auto& [handle, block] : blocks.by_handle.entries()) {
    if (block.memory.get() == memory) return reinterpret_cast<HGLOBAL>(handle);
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

namespace platform {

std::size_t LiveGlobalBlocks() {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  return blocks.by_handle.size();
}

}  // namespace platform
