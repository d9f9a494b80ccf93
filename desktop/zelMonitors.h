// TzelFolderMonitor and TzelRegistryMonitor: raise OnChange on the main
// thread when something changes in a folder or under a registry key. Each
// runs a worker that waits on the platform's change notifications; the
// component owns its worker and waits for it when it stops, so no OnChange
// comes after Stop or destruction. A parameter change wakes the worker,
// which then asks for notifications with the new parameters itself.
#pragma once

#include <functional>
#include <mutex>

#include "classlib/Threads.h"
#include "desktop/zelComponent.h"
#include "platform/core/types.h"

enum TFolderMonitorFilter {
  fmfFileNameChange,
  fmfDirNameChange,
  fmfAttributeChange,
  fmfSizeChange,
  fmfWriteChange,
  fmfSecurityChange
};
using TFolderMonitorFilters = Set<TFolderMonitorFilter>;

enum TzelRegRootKey { rrkClassesRoot, rrkCurrentUser, rrkLocalMachine, rrkUsers, rrkCurrentConfig, rrkDynData };
enum TzelRegistryMonitorFilter { rmfSubTreeChange, rmfAttributeChange, rmfValueChange, rmfSecurityChange };
using TzelRegistryMonitorFilters = Set<TzelRegistryMonitorFilter>;

using TzelChangeEvent = std::function<void()>;

class TzelMonitorThread;

// What both monitors share: the worker's life and the change event.
class TzelMonitorBase : public TzelComponent {
 public:
  explicit TzelMonitorBase(TComponent* AOwner) : TzelComponent(AOwner) {}
  ~TzelMonitorBase() override;

  bool Active() const { return active_; }
  void SetActive(bool Value);
  const TzelChangeEvent& OnChange() const { return on_change_; }
  void SetOnChange(TzelChangeEvent Value);
  bool WatchSubTree() const { return watch_subtree_; }
  void SetWatchSubTree(bool Value);

  virtual void Update();
  virtual void Start();
  virtual void Stop();

  // Run by the worker on the main thread.
  void DoChange();

 protected:
  void Loaded() override;
  virtual TzelMonitorThread* MakeThread() = 0;

  bool watch_subtree_ = true;

 private:
  bool active_ = false;
  TzelChangeEvent on_change_;
  TzelMonitorThread* worker_ = nullptr;
  bool stopping_ = false;
};

class TzelCustomFolderMonitor : public TzelMonitorBase {
 public:
  explicit TzelCustomFolderMonitor(TComponent* AOwner) : TzelMonitorBase(AOwner) {}
  ~TzelCustomFolderMonitor() override { Stop(); }

  const String& Folder() const { return folder_; }
  void SetFolder(const String& Value);
  TFolderMonitorFilters NotifyFilters() const { return filters_; }
  void SetNotifyFilters(TFolderMonitorFilters Value);
  // The platform's filter bits.
  DWORD FilterBits() const;

 protected:
  TzelMonitorThread* MakeThread() override;

 private:
  String folder_ = "C:\\";
  TFolderMonitorFilters filters_ = {fmfFileNameChange, fmfDirNameChange};
};

class TzelFolderMonitor : public TzelCustomFolderMonitor {
 public:
  using TzelCustomFolderMonitor::TzelCustomFolderMonitor;
};

class TzelCustomRegistryMonitor : public TzelMonitorBase {
 public:
  explicit TzelCustomRegistryMonitor(TComponent* AOwner) : TzelMonitorBase(AOwner) {}
  ~TzelCustomRegistryMonitor() override { Stop(); }

  const String& RegistryKey() const { return key_; }
  void SetRegistryKey(const String& Value);
  TzelRegRootKey RootKey() const { return root_; }
  void SetRootKey(TzelRegRootKey Value);
  TzelRegistryMonitorFilters NotifyFilters() const { return filters_; }
  void SetNotifyFilters(TzelRegistryMonitorFilters Value);
  DWORD FilterBits() const;
  HKEY RootHandle() const;

 protected:
  TzelMonitorThread* MakeThread() override;

 private:
  String key_;
  TzelRegRootKey root_ = rrkCurrentUser;
  TzelRegistryMonitorFilters filters_ = {rmfSubTreeChange, rmfValueChange};
};

class TzelRegistryMonitor : public TzelCustomRegistryMonitor {
 public:
  using TzelCustomRegistryMonitor::TzelCustomRegistryMonitor;
};

// A monitor's worker: waits for changes and for its wake event.
class TzelMonitorThread : public TThread {
 public:
  explicit TzelMonitorThread(TzelMonitorBase* Monitor);
  ~TzelMonitorThread() override;

  // Asks the worker to take the monitor's current parameters.
  void Reload();
  // Asks the worker to end (WaitFor then waits for it).
  void Finish();
  // Waits (bounded, serving synchronised calls) until the worker has asked
  // for notifications with the parameters it was given last.
  void WaitUntilWatching();

 protected:
  // Reads the parameters (main thread, under the lock).
  virtual void TakeParameters() = 0;
  // Runs OnChange on the main thread unless the worker is ending.
  void Changed();
  // The worker has (re)requested its notifications.
  void Watching();
  HANDLE wake_ = nullptr;
  HANDLE watching_ = nullptr;
  std::mutex mutex_;
  bool reload_ = true;  // under mutex_
  TzelMonitorBase* monitor_;
};
