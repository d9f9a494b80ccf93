#include "platform/reg/registry.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handle_table.h"
#include "platform/core/handles.h"
#include "platform/core/waits.h"
#include "platform/reg/autostart.h"
#include "platform/reg/registry_store.h"

namespace {

using platform::reg::Change;
using platform::reg::Fold;
using platform::reg::HiveId;
using platform::reg::Key;
using platform::reg::RegistryStore;
using platform::reg::Value;

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// A key as a handle sees it: a hive and a folded path from its root.
struct KeyRef {
  HiveId hive = platform::reg::kCurrentUser;
  std::vector<std::string> path;
  DWORD access = KEY_ALL_ACCESS;
  bool predefined = false;
};

struct KeyTable {
  platform::HandleTable<HKEY, KeyRef> keys{0x2000, 4};
};

// Guarded by the store's mutex.
KeyTable& Keys() {
  static auto* table = new KeyTable;
  return *table;
}

std::optional<KeyRef> Predefined(HKEY key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  KeyRef ref;
  ref.predefined = true;
  switch (value) {
    case 0x80000000:
      ref.hive = platform::reg::kLocalMachine;
      ref.path = {"software", "classes"};
      return ref;
    case 0x80000001:
      ref.hive = platform::reg::kCurrentUser;
      return ref;
    case 0x80000002:
      ref.hive = platform::reg::kLocalMachine;
      return ref;
    case 0x80000003:
      ref.hive = platform::reg::kUsers;
      return ref;
    case 0x80000005:
      ref.hive = platform::reg::kCurrentConfig;
      return ref;
    default:
      return std::nullopt;
  }
}

// The key behind a handle (store mutex held).
LONG Resolve(HKEY key, KeyRef* ref) {
  if (auto predefined = Predefined(key)) {
    *ref = *predefined;
    return ERROR_SUCCESS;
  }
  const KeyRef* open = Keys().keys.Find(key);
  if (open == nullptr) return ERROR_INVALID_HANDLE;
  *ref = *open;
  return ERROR_SUCCESS;
}

// Splits a sub-key path at backslashes; a trailing backslash is allowed.
LONG SplitSubKey(LPCSTR sub_key, std::vector<std::string>* parts) {
  parts->clear();
  if (sub_key == nullptr) return ERROR_SUCCESS;
  if (sub_key[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string current;
  for (const char* p = sub_key;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (!current.empty()) {
        if (current.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        parts->push_back(current);
      }
      current.clear();
      if (*p == '\0') break;
    } else {
      current += *p;
    }
  }
  return ERROR_SUCCESS;
}

std::vector<std::string> Folded(const std::vector<std::string>& parts) {
  std::vector<std::string> out;
  for (const auto& part : parts) out.push_back(Fold(part));
  return out;
}

std::vector<std::string> Join(const std::vector<std::string>& a,
                              const std::vector<std::string>& b) {
  std::vector<std::string> out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

// The key rights a requested access mask grants: the generic rights and
// MAXIMUM_ALLOWED stand for the key rights they mean.
DWORD KeyRights(DWORD sam) {
  constexpr DWORD kMaximumAllowed = 0x02000000;
  constexpr DWORD kGenericAll = 0x10000000;
  constexpr DWORD kGenericWrite = 0x40000000;
  constexpr DWORD kGenericRead = 0x80000000;
  if (sam & (kMaximumAllowed | kGenericAll)) return KEY_ALL_ACCESS;
  DWORD rights = sam;
  if (sam & kGenericRead) rights |= KEY_READ;
  if (sam & kGenericWrite) rights |= KEY_WRITE;
  return rights;
}

HKEY NewHandle(KeyRef ref) {
  ref.predefined = false;
  return Keys().keys.Add(std::move(ref));
}

// The node of an open key, or null when the key was deleted meanwhile.
Key* NodeOf(RegistryStore& store, const KeyRef& ref) {
  return store.Root(ref.hive).Find(ref.path);
}

// Copies `data` for RegQueryValueEx/RegEnumValue: the size rules of both.
LONG CopyData(const Value& value, LPDWORD type, LPBYTE data, LPDWORD data_size) {
  if (type != nullptr) *type = value.type;
  if (data != nullptr && data_size == nullptr) return ERROR_INVALID_PARAMETER;
  if (data_size == nullptr) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(value.data.size());
  if (data != nullptr) {
    if (*data_size < needed) {
      *data_size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed > 0) std::memcpy(data, value.data.data(), needed);
  }
  *data_size = needed;
  return ERROR_SUCCESS;
}

// Copies a name into a character buffer whose size counts the terminator.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD length) {
  if (buffer == nullptr || length == nullptr) return ERROR_INVALID_PARAMETER;
  if (name.size() >= *length) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *length = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Keys have no class names: an empty one where the caller asks for it.
void ClearClassName(LPSTR class_name, LPDWORD class_length) {
  if (class_name != nullptr && class_length != nullptr && *class_length > 0) class_name[0] = '\0';
  if (class_length != nullptr) *class_length = 0;
}

// Runs `read(node, ref)` on the key behind `key` once the handle, the
// access `right` and the key's existence are checked, under the store's lock.
template <class Read>
LONG ReadKey(HKEY key, DWORD right, Read read) {
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef ref;
  if (LONG error = Resolve(key, &ref)) return error;
  if ((ref.access & right) == 0) return ERROR_ACCESS_DENIED;
  Key* node = NodeOf(store, ref);
  if (node == nullptr) return ERROR_KEY_DELETED;
  if (platform::reg::IsAutostartKey(ref.hive, ref.path)) {
    // The Run keys' values are the autostart folder's entries.
    std::unique_ptr<Key> served = node->Clone();
    served->values = platform::reg::AutostartValues(ref.hive);
    return read(*served, ref);
  }
  return read(*node, ref);
}

// For a handle to one of the Run keys: its hive (after the handle and
// access checks, with *error set when they fail); nothing for other keys.
std::optional<HiveId> AutostartHive(HKEY key, DWORD right, LONG* error) {
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef ref;
  *error = Resolve(key, &ref);
  if (*error != ERROR_SUCCESS || !platform::reg::IsAutostartKey(ref.hive, ref.path)) {
    return std::nullopt;
  }
  if ((ref.access & right) == 0) *error = ERROR_ACCESS_DENIED;
  if (NodeOf(store, ref) == nullptr) *error = ERROR_KEY_DELETED;
  return ref.hive;
}

// Runs `change(node, changes)` on the key behind `key` in a new version of
// its hive (see RegistryStore::Mutate), after the same checks.
template <class Change>
LONG ChangeKey(HKEY key, DWORD right, Change change) {
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef ref;
  if (LONG error = Resolve(key, &ref)) return error;
  if ((ref.access & right) == 0) return ERROR_ACCESS_DENIED;
  return store.Mutate(ref.hive,
                      [&](Key& root, std::vector<platform::reg::Change>& changes) -> LONG {
                        Key* node = root.Find(ref.path);
                        if (node == nullptr) return ERROR_KEY_DELETED;
                        return change(*node, ref.path, changes);
                      });
}

}  // namespace

LONG RegOpenKeyEx(HKEY key, LPCSTR sub_key, DWORD, DWORD sam, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef base;
  if (LONG error = Resolve(key, &base)) return error;
  std::vector<std::string> parts;
  if (LONG error = SplitSubKey(sub_key, &parts)) return error;
  if (NodeOf(store, base) == nullptr) return ERROR_KEY_DELETED;
  KeyRef target{base.hive, Join(base.path, Folded(parts)), KeyRights(sam), false};
  if (NodeOf(store, target) == nullptr) {
    // A Run key exists too when the autostart folder holds entries for it.
    if (!platform::reg::IsAutostartKey(target.hive, target.path) ||
        platform::reg::AutostartValues(target.hive).empty()) {
      return ERROR_FILE_NOT_FOUND;
    }
    LONG error = store.Mutate(target.hive, [&](Key& root, std::vector<Change>& changes) -> LONG {
      Key* node = &root;
      std::vector<std::string> path;
      for (const char* name : {"Software", "Microsoft", "Windows", "CurrentVersion", "Run"}) {
        auto& slot = node->subkeys[Fold(name)];
        if (!slot) {
          slot = std::make_unique<Key>();
          slot->name = name;
          changes.push_back({path, REG_NOTIFY_CHANGE_NAME, false});
        }
        path.push_back(Fold(name));
        node = slot.get();
      }
      return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS) return error;
  }
  *result = NewHandle(std::move(target));
  return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, LPCSTR sub_key, DWORD, LPSTR, DWORD, DWORD sam, LPSECURITY_ATTRIBUTES,
                    HKEY* result, LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef base;
  if (LONG error = Resolve(key, &base)) return error;
  std::vector<std::string> parts;
  if (LONG error = SplitSubKey(sub_key, &parts)) return error;
  KeyRef target{base.hive, Join(base.path, Folded(parts)), KeyRights(sam), false};

  if (NodeOf(store, target) == nullptr) {
    if ((base.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
    LONG error = store.Mutate(base.hive, [&](Key& root, std::vector<Change>& changes) -> LONG {
      Key* node = root.Find(base.path);
      if (node == nullptr) return ERROR_KEY_DELETED;
      std::vector<std::string> path = base.path;
      for (const std::string& name : parts) {
        auto& slot = node->subkeys[Fold(name)];
        if (!slot) {
          slot = std::make_unique<Key>();
          slot->name = name;
          changes.push_back({path, REG_NOTIFY_CHANGE_NAME, false});
        }
        path.push_back(Fold(name));
        node = slot.get();
      }
      return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS) return error;
    if (disposition != nullptr) *disposition = REG_CREATED_NEW_KEY;
  } else if (disposition != nullptr) {
    *disposition = REG_OPENED_EXISTING_KEY;
  }
  *result = NewHandle(std::move(target));
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (Predefined(key)) return ERROR_SUCCESS;
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (!Keys().keys.Remove(key)) return ERROR_INVALID_HANDLE;
  store.ReleaseWatches(value);
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  // Every change is on disk when its call returns.
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef ref;
  return Resolve(key, &ref);
}

LONG RegQueryValueEx(HKEY key, LPCSTR value_name, LPDWORD, LPDWORD type, LPBYTE data,
                     LPDWORD data_size) {
  return ReadKey(key, KEY_QUERY_VALUE, [&](Key& node, const KeyRef&) -> LONG {
    const Value* value = node.FindValue(value_name != nullptr ? value_name : "");
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, type, data, data_size);
  });
}

LONG RegSetValueEx(HKEY key, LPCSTR value_name, DWORD, DWORD type, const BYTE* data,
                   DWORD data_size) {
  const std::string name = value_name != nullptr ? value_name : "";
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  if (data == nullptr && data_size > 0) return ERROR_NOACCESS;
  LONG error = ERROR_SUCCESS;
  if (auto hive = AutostartHive(key, KEY_SET_VALUE, &error); hive || error != ERROR_SUCCESS) {
    if (error != ERROR_SUCCESS) return error;
    return platform::reg::WriteAutostartValue(
        *hive, Value{name, type, std::vector<BYTE>(data, data + data_size)});
  }
  return ChangeKey(key, KEY_SET_VALUE, [&](Key& node, const auto& path, auto& changes) -> LONG {
    std::vector<BYTE> bytes(data, data + data_size);
    if (Value* existing = node.FindValue(name)) {
      existing->type = type;
      existing->data = std::move(bytes);
    } else {
      node.values.push_back(Value{name, type, std::move(bytes)});
    }
    changes.push_back({path, REG_NOTIFY_CHANGE_LAST_SET, false});
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY key, LPCSTR value_name) {
  const std::string folded = Fold(value_name != nullptr ? value_name : "");
  LONG error = ERROR_SUCCESS;
  if (auto hive = AutostartHive(key, KEY_SET_VALUE, &error); hive || error != ERROR_SUCCESS) {
    if (error != ERROR_SUCCESS) return error;
    return platform::reg::DeleteAutostartValue(*hive, value_name != nullptr ? value_name : "");
  }
  return ChangeKey(key, KEY_SET_VALUE, [&](Key& node, const auto& path, auto& changes) -> LONG {
    auto it = std::find_if(node.values.begin(), node.values.end(),
                           [&](const Value& v) { return Fold(v.name) == folded; });
    if (it == node.values.end()) return ERROR_FILE_NOT_FOUND;
    node.values.erase(it);
    changes.push_back({path, REG_NOTIFY_CHANGE_LAST_SET, false});
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKey(HKEY key, LPCSTR sub_key) {
  if (sub_key == nullptr) return ERROR_INVALID_PARAMETER;
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  KeyRef base;
  if (LONG error = Resolve(key, &base)) return error;
  std::vector<std::string> parts;
  if (LONG error = SplitSubKey(sub_key, &parts)) return error;
  // The roots themselves (and HKEY_CLASSES_ROOT's key) cannot be deleted.
  if (parts.empty() && base.predefined) return ERROR_ACCESS_DENIED;
  const std::vector<std::string> target = Join(base.path, Folded(parts));
  if (target.empty()) return ERROR_ACCESS_DENIED;
  return store.Mutate(base.hive, [&](Key& root, std::vector<Change>& changes) -> LONG {
    if (root.Find(base.path) == nullptr) return ERROR_KEY_DELETED;
    const std::vector<std::string> parent_path(target.begin(), target.end() - 1);
    Key* parent = root.Find(parent_path);
    if (parent == nullptr) return ERROR_FILE_NOT_FOUND;
    auto it = parent->subkeys.find(target.back());
    if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    if (!it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
    parent->subkeys.erase(it);
    changes.push_back({parent_path, REG_NOTIFY_CHANGE_NAME, false});
    changes.push_back({target, REG_NOTIFY_CHANGE_NAME, true});
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, LPSTR name, LPDWORD name_length, LPDWORD, LPSTR class_name,
                  LPDWORD class_length, FILETIME* last_write) {
  return ReadKey(key, KEY_ENUMERATE_SUB_KEYS, [&](Key& node, const KeyRef& ref) -> LONG {
    if (name == nullptr || name_length == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= node.subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = node.subkeys.begin();
    std::advance(it, index);
    if (LONG error = CopyName(it->second->name, name, name_length)) return error;
    ClearClassName(class_name, class_length);
    if (last_write != nullptr) *last_write = RegistryStore::Instance().LastWriteTime(ref.hive);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValue(HKEY key, DWORD index, LPSTR value_name, LPDWORD value_name_length, LPDWORD,
                  LPDWORD type, LPBYTE data, LPDWORD data_size) {
  return ReadKey(key, KEY_QUERY_VALUE, [&](Key& node, const KeyRef&) -> LONG {
    if (value_name == nullptr || value_name_length == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= node.values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& value = node.values[index];
    if (LONG error = CopyName(value.name, value_name, value_name_length)) return error;
    return CopyData(value, type, data, data_size);
  });
}

LONG RegQueryInfoKey(HKEY key, LPSTR class_name, LPDWORD class_length, LPDWORD, LPDWORD sub_keys,
                     LPDWORD max_sub_key_length, LPDWORD max_class_length, LPDWORD values,
                     LPDWORD max_value_name_length, LPDWORD max_value_length,
                     LPDWORD security_descriptor, FILETIME* last_write) {
  return ReadKey(key, KEY_QUERY_VALUE, [&](Key& node, const KeyRef& ref) -> LONG {
    ClearClassName(class_name, class_length);
    if (sub_keys != nullptr) *sub_keys = static_cast<DWORD>(node.subkeys.size());
    if (max_sub_key_length != nullptr) {
      std::size_t longest = 0;
      for (const auto& [folded, sub] : node.subkeys) longest = std::max(longest, sub->name.size());
      *max_sub_key_length = static_cast<DWORD>(longest);
    }
    if (max_class_length != nullptr) *max_class_length = 0;
    if (values != nullptr) *values = static_cast<DWORD>(node.values.size());
    std::size_t longest_name = 0, longest_data = 0;
    for (const Value& value : node.values) {
      longest_name = std::max(longest_name, value.name.size());
      longest_data = std::max(longest_data, value.data.size());
    }
    if (max_value_name_length != nullptr) *max_value_name_length = static_cast<DWORD>(longest_name);
    if (max_value_length != nullptr) *max_value_length = static_cast<DWORD>(longest_data);
    if (security_descriptor != nullptr) *security_descriptor = 0;
    if (last_write != nullptr) *last_write = RegistryStore::Instance().LastWriteTime(ref.hive);
    return ERROR_SUCCESS;
  });
}

LONG RegNotifyChangeKeyValue(HKEY key, BOOL watch_subtree, DWORD notify_filter, HANDLE event,
                             BOOL asynchronous) {
  if (notify_filter == 0 || (notify_filter & ~REG_LEGAL_CHANGE_FILTER) != 0) {
    return ERROR_INVALID_PARAMETER;
  }
  std::shared_ptr<platform::KernelObject> event_object;
  HANDLE own_event = nullptr;
  if (asynchronous) {
    event_object = platform::LookupObject(event);
    if (!platform::IsEventObject(event_object)) return ERROR_INVALID_HANDLE;
  } else {
    own_event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    event_object = platform::LookupObject(own_event);
  }
  const LONG error = ReadKey(key, KEY_NOTIFY, [&](Key&, const KeyRef& ref) -> LONG {
    platform::reg::Watch watch;
    watch.key_handle = reinterpret_cast<std::uintptr_t>(key);
    watch.hive = ref.hive;
    watch.path = ref.path;
    watch.subtree = watch_subtree != FALSE;
    watch.filter = notify_filter;
    watch.event = event_object;
    RegistryStore::Instance().AddWatch(std::move(watch));
    return ERROR_SUCCESS;
  });
  if (error != ERROR_SUCCESS) {
    if (own_event != nullptr) CloseHandle(own_event);
    return error;
  }
  if (own_event != nullptr) {
    WaitForSingleObject(own_event, INFINITE);
    CloseHandle(own_event);
  }
  return ERROR_SUCCESS;
}

namespace platform {

void SetRegistryFolder(const std::string& native_folder) {
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  store.SetFolder(native_folder);
}

std::string RegistryFolder() {
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  return store.Folder();
}

void SetRegistryCommitHook(std::function<void()> hook) {
  RegistryStore& store = RegistryStore::Instance();
  std::lock_guard<std::mutex> lock(store.mutex());
  store.SetCommitHook(std::move(hook));
}

}  // namespace platform
