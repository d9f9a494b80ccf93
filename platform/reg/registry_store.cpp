#include "platform/reg/registry_store.h"

#include <poll.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/reg/registry.h"

namespace platform::reg {

namespace {

const char* const kHiveFileStems[kHiveCount] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                                "HKEY_USERS", "HKEY_CURRENT_CONFIG"};

// How often the file watcher looks whether it is still needed.
constexpr int kWatcherPollMs = 100;

std::string DefaultFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && *config == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
      const passwd* entry = getpwuid(getuid());
      home = entry != nullptr ? entry->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.config";
  }
  return base + "/velko/registry";
}

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
  return path.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

bool Concerns(const Watch& watch, const Change& change) {
  // Removing a key ends every watch on it or under it, whatever the filter.
  if (change.removed && StartsWith(watch.path, change.path)) return true;
  if ((change.kind & watch.filter) == 0) return false;
  if (change.path == watch.path) return true;
  return watch.subtree && StartsWith(change.path, watch.path);
}

DWORD SaveError(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
      return ERROR_DISK_FULL;
    default:
      return ERROR_CANTWRITE;
  }
}

// Makes sure HKEY_CLASSES_ROOT has its key in the machine hive.
void AddClassesRoot(Key& machine) {
  Key* key = &machine;
  for (const char* name : {"Software", "Classes"}) {
    auto& slot = key->subkeys[Fold(name)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = name;
    }
    key = slot.get();
  }
}

}  // namespace

RegistryStore& RegistryStore::Instance() {
  static auto* store = new RegistryStore;  // never destroyed: the watcher may outlive main
  return *store;
}

void RegistryStore::SetFolder(const std::string& folder) {
  folder_override_ = folder;
  for (Hive& hive : hives_) hive = Hive();
}

std::string RegistryStore::Folder() const {
  return folder_override_.empty() ? DefaultFolder() : folder_override_;
}

std::string RegistryStore::HivePath(HiveId hive) const {
  return Folder() + "/" + kHiveFileStems[hive] + ".reg";
}

void RegistryStore::Refresh(HiveId id) {
  Hive& hive = hives_[id];
  const std::string path = HivePath(id);
  const FileSignature signature = SignatureOf(path);
  if (hive.root && signature == hive.signature) return;

  std::unique_ptr<Key> root;
  std::size_t bad_lines = 0;
  if (signature.exists) {
    int error = 0;
    auto text = ReadWholeFile(path, &error);
    if (!text) {
      // Unreadable for now: keep what we have rather than forget it.
      if (hive.root) return;
      root = std::make_unique<Key>();
    } else {
      root = ParseHive(*text, &bad_lines);
    }
  } else {
    root = std::make_unique<Key>();
  }
  if (id == kLocalMachine) AddClassesRoot(*root);

  if (hive.root && HasWatches(id)) {
    std::vector<Change> changes;
    DiffTrees(*hive.root, *root, &changes);
    hive.root = std::move(root);
    Fire(id, changes);
  } else {
    hive.root = std::move(root);
  }
  hive.signature = signature;
  hive.keep_bad_copy = bad_lines > 0;
}

Key& RegistryStore::Root(HiveId hive) {
  Refresh(hive);
  return *hives_[hive].root;
}

FILETIME RegistryStore::LastWriteTime(HiveId hive) {
  Refresh(hive);
  const FileSignature& signature = hives_[hive].signature;
  // 100-nanosecond steps since 1601-01-01.
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(signature.mtime_seconds) + 11644473600ull) * 10000000ull +
      static_cast<std::uint64_t>(signature.mtime_nanoseconds) / 100;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

LONG RegistryStore::Mutate(HiveId id, const Mutation& change) {
  const std::string folder = Folder();
  if (int error = MakeFolders(folder)) return static_cast<LONG>(SaveError(error));
  FileLock lock(folder + "/" + kHiveFileStems[id] + ".lock");
  if (lock.error() != 0) return static_cast<LONG>(SaveError(lock.error()));
  Refresh(id);

  Hive& hive = hives_[id];
  std::unique_ptr<Key> copy = hive.root->Clone();
  std::vector<Change> changes;
  LONG result = change(*copy, changes);
  if (result != ERROR_SUCCESS || changes.empty()) return result;

  const std::string path = HivePath(id);
  if (hive.keep_bad_copy) {
    // Lines we could not read would be lost by the rewrite: keep the old
    // file beside the new one.
    int error = 0;
    if (auto old_text = ReadWholeFile(path, &error)) {
      WriteFileAtomically(path + ".bad", *old_text, nullptr);
    }
    hive.keep_bad_copy = false;
  }
  if (int error = WriteFileAtomically(path, SerializeHive(*copy), commit_hook_)) {
    return static_cast<LONG>(SaveError(error));
  }
  hive.root = std::move(copy);
  hive.signature = SignatureOf(path);
  Fire(id, changes);
  return ERROR_SUCCESS;
}

bool RegistryStore::HasWatches(HiveId hive) const {
  return std::any_of(watches_.begin(), watches_.end(),
                     [hive](const Watch& watch) { return watch.hive == hive; });
}

void RegistryStore::Fire(HiveId hive, const std::vector<Change>& changes) {
  if (changes.empty()) return;
  auto concerned = [&](const Watch& watch) {
    if (watch.hive != hive) return false;
    return std::any_of(changes.begin(), changes.end(),
                       [&](const Change& change) { return Concerns(watch, change); });
  };
  for (const Watch& watch : watches_) {
    if (concerned(watch)) platform::SignalEventObject(watch.event);
  }
  // A notification fires once; the caller asks again for the next one.
  watches_.erase(std::remove_if(watches_.begin(), watches_.end(), concerned), watches_.end());
}

void RegistryStore::AddWatch(Watch watch) {
  watches_.push_back(std::move(watch));
  StartWatcher();
}

void RegistryStore::ReleaseWatches(std::uintptr_t key_handle) {
  auto of_key = [key_handle](const Watch& watch) { return watch.key_handle == key_handle; };
  for (const Watch& watch : watches_) {
    if (of_key(watch)) platform::SignalEventObject(watch.event);
  }
  watches_.erase(std::remove_if(watches_.begin(), watches_.end(), of_key), watches_.end());
}

void RegistryStore::RefreshLoadedHives() {
  for (int hive = 0; hive < kHiveCount; ++hive) {
    if (hives_[hive].root) Refresh(static_cast<HiveId>(hive));
  }
}

void RegistryStore::StartWatcher() {
  if (watcher_running_) return;
  watcher_running_ = true;
  std::thread([this] { WatcherLoop(); }).detach();
}

// Watches the hive folder while notifications are pending, and reloads the
// hives (which signals the watches they concern) when another process
// replaced a hive file.
void RegistryStore::WatcherLoop() {
  const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  int watch_descriptor = -1;
  std::string watched_folder;
  for (;;) {
    std::string folder;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (watches_.empty() || fd < 0) {
        watcher_running_ = false;
        break;
      }
      folder = Folder();
    }
    if (folder != watched_folder) {
      if (watch_descriptor >= 0) inotify_rm_watch(fd, watch_descriptor);
      MakeFolders(folder);
      watch_descriptor = inotify_add_watch(
          fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE);
      watched_folder = folder;
      // A change made before the watch was in place would go unseen.
      std::lock_guard<std::mutex> lock(mutex_);
      RefreshLoadedHives();
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kWatcherPollMs) <= 0) continue;
    alignas(inotify_event) char buffer[4096];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    std::lock_guard<std::mutex> lock(mutex_);
    RefreshLoadedHives();
  }
  if (fd >= 0) close(fd);
}

}  // namespace platform::reg
