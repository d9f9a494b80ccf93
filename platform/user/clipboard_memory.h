// Global memory blocks (HGLOBAL): what the clipboard takes and hands out.
//
// A GMEM_FIXED block's handle is its address, so it can be used without
// locking; a GMEM_MOVEABLE block is reached through GlobalLock. Handles of
// moveable blocks are never reused. Blocks may be used from any thread.
#pragma once

#include "platform/core/types.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_NOCOMPACT = 0x0010;
constexpr UINT GMEM_NODISCARD = 0x0020;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_MODIFY = 0x0080;
constexpr UINT GMEM_DISCARDABLE = 0x0100;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = GMEM_SHARE;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Null with ERROR_NOT_ENOUGH_MEMORY when the block cannot be made.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's memory, counting a lock for moveable blocks; null with
// ERROR_INVALID_HANDLE for an unknown handle.
LPVOID GlobalLock(HGLOBAL block);
// TRUE while the block stays locked; FALSE with NO_ERROR once it is
// unlocked, or with ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL block);
// Null on success; the handle again (ERROR_INVALID_HANDLE) on failure.
HGLOBAL GlobalFree(HGLOBAL block);
// The size asked for (0 for an unknown handle).
SIZE_T GlobalSize(HGLOBAL block);
// A new size (GMEM_ZEROINIT clears what grows); a moveable block keeps its
// handle, a fixed one may get a new address.
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
// The lock count in the low byte; GMEM_INVALID_HANDLE for an unknown handle.
UINT GlobalFlags(HGLOBAL block);
// The handle of the block whose memory starts at `memory`.
HGLOBAL GlobalHandle(LPCVOID memory);

// The clipboard hands out HANDLE values; these take them as they come.
inline LPVOID GlobalLock(HANDLE block) {
  return GlobalLock(static_cast<HGLOBAL>(block));
}
inline BOOL GlobalUnlock(HANDLE block) {
  return GlobalUnlock(static_cast<HGLOBAL>(block));
}
inline SIZE_T GlobalSize(HANDLE block) {
  return GlobalSize(static_cast<HGLOBAL>(block));
}
inline HGLOBAL GlobalFree(HANDLE block) {
  return GlobalFree(static_cast<HGLOBAL>(block));
}

namespace platform {

// Blocks alive in the process (leak checks in tests).
std::size_t LiveGlobalBlocks();

}  // namespace platform
