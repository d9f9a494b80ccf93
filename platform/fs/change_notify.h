// Folder change notifications: FindFirstChangeNotification and its kin,
// over inotify. The handle is signalled at a change of the kinds the filter
// asks for, in the folder or (with `watch_subtree`) anywhere under it
// (folders made later included), and stays signalled until
// FindNextChangeNotification. Changes that come while it is signalled
// count as that one change; so does an overflow of the kernel's queue.
// Wait for it with WaitForSingleObject or WaitForMultipleObjects, together
// with events and mutexes.
#pragma once

#include "platform/core/types.h"

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x020;
constexpr DWORD FILE_NOTIFY_CHANGE_CREATION = 0x040;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// INVALID_HANDLE_VALUE (with the last error) when the folder does not exist.
HANDLE FindFirstChangeNotification(LPCSTR path, BOOL watch_subtree, DWORD filter);
BOOL FindNextChangeNotification(HANDLE handle);
BOOL FindCloseChangeNotification(HANDLE handle);
