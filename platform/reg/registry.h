// The registry: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS and
// HKEY_CURRENT_CONFIG, each kept as a text file under the user's
// configuration folder (see hive.h for the format); HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\Software\Classes. Key and value names ignore case and
// keep the case they were first written with. Every call returns
// ERROR_SUCCESS or an error code.
//
// Every change is written through at once (temporary file, flush, rename),
// so a crash never loses the old contents and other processes see the change
// on their next call. Writers of different processes take turns through a
// lock file. Calls are safe from any thread.
#pragma once

#include <functional>
#include <string>

#include "platform/core/types.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003)))
#define HKEY_PERFORMANCE_DATA (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000004)))
#define HKEY_CURRENT_CONFIG (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000005)))
#define HKEY_DYN_DATA (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000006)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_NOTIFY = 0x0010;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_EXECUTE = 0x20019;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD REG_NOTIFY_CHANGE_NAME = 0x1;
constexpr DWORD REG_NOTIFY_CHANGE_ATTRIBUTES = 0x2;
constexpr DWORD REG_NOTIFY_CHANGE_LAST_SET = 0x4;
constexpr DWORD REG_NOTIFY_CHANGE_SECURITY = 0x8;
constexpr DWORD REG_LEGAL_CHANGE_FILTER = 0xF;

LONG RegOpenKeyEx(HKEY key, LPCSTR sub_key, DWORD options, DWORD sam, HKEY* result);
LONG RegCreateKeyEx(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR class_name, DWORD options,
                    DWORD sam, LPSECURITY_ATTRIBUTES security, HKEY* result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
LONG RegQueryValueEx(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                     LPDWORD data_size);
LONG RegSetValueEx(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD data_size);
LONG RegDeleteValue(HKEY key, LPCSTR value_name);
LONG RegDeleteKey(HKEY key, LPCSTR sub_key);
LONG RegEnumKeyEx(HKEY key, DWORD index, LPSTR name, LPDWORD name_length, LPDWORD reserved,
                  LPSTR class_name, LPDWORD class_length, FILETIME* last_write);
LONG RegEnumValue(HKEY key, DWORD index, LPSTR value_name, LPDWORD value_name_length,
                  LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size);
LONG RegQueryInfoKey(HKEY key, LPSTR class_name, LPDWORD class_length, LPDWORD reserved,
                     LPDWORD sub_keys, LPDWORD max_sub_key_length, LPDWORD max_class_length,
                     LPDWORD values, LPDWORD max_value_name_length, LPDWORD max_value_length,
                     LPDWORD security_descriptor, FILETIME* last_write);
// Signals `event` once, at the next change of the key (or, with
// `watch_subtree`, of any key under it) that `notify_filter` asks for:
// REG_NOTIFY_CHANGE_NAME for sub-keys added or removed,
// REG_NOTIFY_CHANGE_LAST_SET for values set or deleted. Deleting the key and
// closing `key` signal it too. Changes made by other processes count as well
// (the hive files are watched). Without `asynchronous` the call waits for
// the change itself and `event` is not used.
LONG RegNotifyChangeKeyValue(HKEY key, BOOL watch_subtree, DWORD notify_filter, HANDLE event,
                             BOOL asynchronous);

namespace platform {

// The folder holding the hive files (default: the user's configuration
// folder, $XDG_CONFIG_HOME or ~/.config, under "velko/registry").
// An empty folder goes back to the default. Open keys stay open and see the
// hives of the new folder.
void SetRegistryFolder(const std::string& native_folder);
std::string RegistryFolder();

// Test seam: runs `hook` after a hive's new text has been written and
// flushed, just before it replaces the old file (a test that ends the
// process here shows that a crash keeps the old contents). Empty removes it.
void SetRegistryCommitHook(std::function<void()> hook);

}  // namespace platform
