#include "desktop/zelMonitors.h"

#include "classlib/FileRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/waits.h"
#include "platform/fs/change_notify.h"
#include "platform/reg/registry.h"
#include "desktop/zelRoutines.h"

namespace {

class FolderThread : public TzelMonitorThread {
 public:
  explicit FolderThread(TzelCustomFolderMonitor* Monitor) : TzelMonitorThread(Monitor), folder_monitor_(Monitor) {}

 protected:
  void TakeParameters() override {
    folder_ = folder_monitor_->Folder();
    if (Trim(folder_).empty()) folder_ = GetCurrentDir();
    subtree_ = folder_monitor_->WatchSubTree();
    filter_ = folder_monitor_->FilterBits();
  }

  void Execute() override {
    HANDLE change = INVALID_HANDLE_VALUE;
    while (!Terminated()) {
      {
        std::lock_guard lock(mutex_);
        if (reload_) {
          if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
          change = FindFirstChangeNotification(folder_.c_str(), subtree_, filter_);
          reload_ = false;
          Watching();
        }
      }
      HANDLE handles[2] = {wake_, change};
      const DWORD count = change != INVALID_HANDLE_VALUE ? 2 : 1;
      const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
      if (result == WAIT_FAILED) break;
      if (result == WAIT_OBJECT_0 + 1) {
        Changed();
        FindNextChangeNotification(change);
      }
    }
    if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
  }

 private:
  TzelCustomFolderMonitor* folder_monitor_;
  String folder_;
  bool subtree_ = true;
  DWORD filter_ = 0;
};

class RegistryThread : public TzelMonitorThread {
 public:
  explicit RegistryThread(TzelCustomRegistryMonitor* Monitor)
      : TzelMonitorThread(Monitor), registry_monitor_(Monitor) {}

 protected:
  void TakeParameters() override {
    root_ = registry_monitor_->RootHandle();
    key_name_ = registry_monitor_->RegistryKey();
    subtree_ = registry_monitor_->WatchSubTree();
    filter_ = registry_monitor_->FilterBits();
  }

  void Execute() override {
    bool first = true;
    while (!Terminated()) {
      {
        std::lock_guard lock(mutex_);
        if (reload_) {
          CloseAll();
          opened_ = OpenKey();
          // A key missing at the start is not watched.
          if (!opened_ && first) {
            Watching();
            return;
          }
          if (opened_) change_ = RegNotifyStart(key_, subtree_, filter_, change_notify_);
          parent_ = RegNotifyStart(root_, TRUE, REG_NOTIFY_CHANGE_NAME, parent_notify_);
          reload_ = false;
          Watching();
        }
      }
      first = false;
      std::vector<HANDLE> handles = {wake_};
      if (parent_ != INVALID_HANDLE_VALUE) handles.push_back(parent_);
      if (change_ != INVALID_HANDLE_VALUE) handles.push_back(change_);
      const DWORD result =
          WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
      if (result == WAIT_FAILED || result >= WAIT_OBJECT_0 + handles.size()) break;
      const HANDLE hit = handles[result - WAIT_OBJECT_0];
      if (hit == change_) {
        if (KeyStillThere()) {
          Changed();
          RegNotifyRearm(change_, change_notify_);
        } else {
          Disappeared();
        }
      } else if (hit == parent_) {
        if (!opened_ && OpenKey()) {
          opened_ = true;
          change_ = RegNotifyStart(key_, subtree_, filter_, change_notify_);
          Changed();
        } else if (opened_ && !KeyStillThere()) {
          Disappeared();
        }
        RegNotifyRearm(parent_, parent_notify_);
      }
    }
    CloseAll();
  }

 private:
  bool OpenKey() {
    return RegOpenKeyEx(root_, key_name_.c_str(), 0, KEY_READ | KEY_NOTIFY, &key_) == ERROR_SUCCESS;
  }
  bool KeyStillThere() {
    HKEY probe = nullptr;
    if (RegOpenKeyEx(root_, key_name_.c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS) return false;
    RegCloseKey(probe);
    return true;
  }
  // The key went: one OnChange, and its own notification ends.
  void Disappeared() {
    opened_ = false;
    CloseHandleIfValid(change_);
    change_ = INVALID_HANDLE_VALUE;
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
    Changed();
  }
  void CloseAll() {
    CloseHandleIfValid(change_);
    CloseHandleIfValid(parent_);
    change_ = parent_ = INVALID_HANDLE_VALUE;
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

  TzelCustomRegistryMonitor* registry_monitor_;
  HKEY root_ = nullptr;
  String key_name_;
  bool subtree_ = true;
  DWORD filter_ = 0;
  HKEY key_ = nullptr;
  bool opened_ = false;
  HANDLE change_ = INVALID_HANDLE_VALUE;
  HANDLE parent_ = INVALID_HANDLE_VALUE;
  TzelRegNotifyRecord change_notify_;
  TzelRegNotifyRecord parent_notify_;
};

}  // namespace

// ---- the worker base ----

TzelMonitorThread::TzelMonitorThread(TzelMonitorBase* Monitor) : TThread(true), monitor_(Monitor) {
  wake_ = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  watching_ = CreateEvent(nullptr, FALSE, FALSE, nullptr);
}

TzelMonitorThread::~TzelMonitorThread() {
  CloseHandle(wake_);
  CloseHandle(watching_);
}

void TzelMonitorThread::Watching() { SetEvent(watching_); }

void TzelMonitorThread::WaitUntilWatching() {
  for (int round = 0; round < 200 && !Finished(); ++round) {
    CheckSynchronize();
    if (WaitForSingleObject(watching_, 10) == WAIT_OBJECT_0) return;
  }
}

void TzelMonitorThread::Reload() {
  {
    std::lock_guard lock(mutex_);
    TakeParameters();
    reload_ = true;
  }
  SetEvent(wake_);
}

void TzelMonitorThread::Finish() {
  Terminate();
  SetEvent(wake_);
}

void TzelMonitorThread::Changed() {
  if (Terminated()) return;
  TzelMonitorBase* monitor = monitor_;
  Synchronize([monitor] { monitor->DoChange(); });
}

// ---- the components ----

TzelMonitorBase::~TzelMonitorBase() { Stop(); }

void TzelMonitorBase::SetActive(bool Value) {
  active_ = Value;
  if (Value) {
    Start();
  } else {
    Stop();
  }
}

void TzelMonitorBase::SetOnChange(TzelChangeEvent Value) {
  on_change_ = std::move(Value);
  if (worker_ == nullptr) Start();
}

void TzelMonitorBase::SetWatchSubTree(bool Value) {
  if (Value == watch_subtree_) return;
  watch_subtree_ = Value;
  Update();
}

void TzelMonitorBase::Update() {
  if (worker_ == nullptr) return;
  worker_->Reload();
  worker_->WaitUntilWatching();
}

void TzelMonitorBase::Start() {
  Stop();
  if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading) || !active_ ||
      !on_change_) {
    return;
  }
  stopping_ = false;
  worker_ = MakeThread();
  worker_->Reload();
  worker_->Start();
  worker_->WaitUntilWatching();
}

void TzelMonitorBase::Stop() {
  if (worker_ == nullptr) return;
  // No OnChange from here on, also from a call the worker has on its way.
  stopping_ = true;
  worker_->Finish();
  worker_->WaitFor();
  delete worker_;
  worker_ = nullptr;
}

void TzelMonitorBase::DoChange() {
  if (!stopping_ && on_change_) on_change_();
}

void TzelMonitorBase::Loaded() {
  TzelComponent::Loaded();
  SetActive(active_);
}

void TzelCustomFolderMonitor::SetFolder(const String& Value) {
  if (Value == folder_) return;
  folder_ = Value;
  Update();
}

void TzelCustomFolderMonitor::SetNotifyFilters(TFolderMonitorFilters Value) {
  if (Value == filters_) return;
  filters_ = Value;
  Update();
}

DWORD TzelCustomFolderMonitor::FilterBits() const {
  static const DWORD kBits[] = {FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_DIR_NAME,
                                FILE_NOTIFY_CHANGE_ATTRIBUTES, FILE_NOTIFY_CHANGE_SIZE,
                                FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_SECURITY};
  DWORD bits = 0;
  for (int f = fmfFileNameChange; f <= fmfSecurityChange; ++f) {
    if (filters_.Contains(static_cast<TFolderMonitorFilter>(f))) bits |= kBits[f];
  }
  return bits;
}

TzelMonitorThread* TzelCustomFolderMonitor::MakeThread() { return new FolderThread(this); }

void TzelCustomRegistryMonitor::SetRegistryKey(const String& Value) {
  if (Value == key_) return;
  key_ = Value;
  Update();
}

void TzelCustomRegistryMonitor::SetRootKey(TzelRegRootKey Value) {
  if (Value == root_) return;
  root_ = Value;
  Update();
}

void TzelCustomRegistryMonitor::SetNotifyFilters(TzelRegistryMonitorFilters Value) {
  if (Value == filters_) return;
  filters_ = Value;
  Update();
}

DWORD TzelCustomRegistryMonitor::FilterBits() const {
  static const DWORD kBits[] = {REG_NOTIFY_CHANGE_NAME, REG_NOTIFY_CHANGE_ATTRIBUTES, REG_NOTIFY_CHANGE_LAST_SET,
                                REG_NOTIFY_CHANGE_SECURITY};
  DWORD bits = 0;
  for (int f = rmfSubTreeChange; f <= rmfSecurityChange; ++f) {
    if (filters_.Contains(static_cast<TzelRegistryMonitorFilter>(f))) bits |= kBits[f];
  }
  return bits;
}

HKEY TzelCustomRegistryMonitor::RootHandle() const {
  static const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE,
                                HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
  return kRoots[root_];
}

TzelMonitorThread* TzelCustomRegistryMonitor::MakeThread() { return new RegistryThread(this); }
