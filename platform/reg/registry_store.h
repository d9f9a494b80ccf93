// The registry's state behind the Reg* calls: the hives loaded from their
// files, the change notifications that wait for changes, and the thread
// that watches the hive files for changes made by other processes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/handles.h"
#include "platform/reg/hive.h"
#include "platform/reg/hive_file.h"

namespace platform::reg {

enum HiveId { kCurrentUser, kLocalMachine, kUsers, kCurrentConfig, kHiveCount };

// A pending RegNotifyChangeKeyValue request.
struct Watch {
  std::uintptr_t key_handle = 0;  // the HKEY it was asked through
  HiveId hive = kCurrentUser;
  std::vector<std::string> path;  // folded
  bool subtree = false;
  DWORD filter = 0;
  std::shared_ptr<KernelObject> event;
};

// Everything here must be called with the store's mutex held.
class RegistryStore {
 public:
  static RegistryStore& Instance();

  std::mutex& mutex() { return mutex_; }

  void SetFolder(const std::string& folder);
  std::string Folder() const;
  void SetCommitHook(std::function<void()> hook) { commit_hook_ = std::move(hook); }

  // The hive's current tree, reloaded first when its file changed.
  Key& Root(HiveId hive);
  // The time of the hive file's last change.
  FILETIME LastWriteTime(HiveId hive);

  // Applies `change` to a copy of the hive (after taking the hive's file
  // lock and reloading it), saves the copy and makes it current, then
  // signals the watches the recorded changes concern. A change that records
  // nothing saves nothing. Returns the error of `change` or of the save.
  using Mutation = std::function<LONG(Key& root, std::vector<Change>& changes)>;
  LONG Mutate(HiveId hive, const Mutation& change);

  void AddWatch(Watch watch);
  // Signals and drops the watches asked through `key_handle` (the key was
  // closed).
  void ReleaseWatches(std::uintptr_t key_handle);

 private:
  struct Hive {
    std::unique_ptr<Key> root;  // null until loaded
    FileSignature signature;
    bool keep_bad_copy = false;  // the file had lines that could not be read
  };

  RegistryStore() = default;
  std::string HivePath(HiveId hive) const;
  void Refresh(HiveId hive);
  void Fire(HiveId hive, const std::vector<Change>& changes);
  bool HasWatches(HiveId hive) const;
  void RefreshLoadedHives();
  void StartWatcher();
  void WatcherLoop();

  mutable std::mutex mutex_;
  std::string folder_override_;
  Hive hives_[kHiveCount];
  std::vector<Watch> watches_;
  std::function<void()> commit_hook_;
  bool watcher_running_ = false;
};

}  // namespace platform::reg
