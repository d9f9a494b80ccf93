#include "platform/core/mutexes.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/mutex_files.h"
#include "platform/core/object_names.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"

namespace {

class MutexObject;

// The mutexes a thread owns, so they can be abandoned when it ends.
// Guarded by the dispatcher lock (only the owning thread touches it, but
// the lock also orders it with the mutex state).
struct OwnedMutexes {
  std::vector<std::weak_ptr<MutexObject>> mutexes;
  ~OwnedMutexes();
};
thread_local OwnedMutexes t_owned;

class MutexObject : public platform::WaitableObject,
                    public std::enable_shared_from_this<MutexObject> {
 public:
  MutexObject(std::string name, std::unique_ptr<platform::detail::MutexLockFiles> files)
      : name_(std::move(name)), files_(std::move(files)) {}
  ~MutexObject() override {
    // The lock files close with the object; an owned mark stays behind, so
    // other processes see the mutex abandoned.
    files_.reset();
    if (!name_.empty()) platform::detail::ForgetNamedObject(name_);
  }

  // All of the following with the dispatcher lock held.
  bool IsReadyFor(DWORD thread_id) override {
    if (owner_ == thread_id) return true;
    if (owner_ != 0) return false;
    if (!files_ || holds_file_lock_) return true;
    holds_file_lock_ = files_->TryLockOwnership();
    return holds_file_lock_;
  }

  bool Take(DWORD thread_id) override {
    if (owner_ == thread_id) {
      ++count_;
      return false;
    }
    owner_ = thread_id;
    count_ = 1;
    bool abandoned = abandoned_;
    abandoned_ = false;
    if (files_) {
      abandoned = files_->ReadOwnedMark();
      files_->WriteOwnedMark(true);
      holds_file_lock_ = true;
    }
    t_owned.mutexes.push_back(weak_from_this());
    return abandoned;
  }

  void Settle(DWORD) override {
    if (files_ && holds_file_lock_ && owner_ == 0) {
      files_->UnlockOwnership();
      holds_file_lock_ = false;
    }
  }

  bool NeedsPolling() const override { return files_ != nullptr; }

  bool Release(DWORD thread_id) {
    if (owner_ != thread_id || count_ == 0) return false;
    if (--count_ == 0) {
      if (files_) files_->WriteOwnedMark(false);
      GiveUp();
    }
    return true;
  }

  // The owning thread is ending without releasing.
  void Abandon(DWORD thread_id) {
    if (owner_ != thread_id) return;
    abandoned_ = true;  // an unnamed mutex remembers it here, a named one in its file
    GiveUp();
  }

  const std::string& name() const { return name_; }

 private:
  void GiveUp() {
    owner_ = 0;
    count_ = 0;
    if (files_ && holds_file_lock_) {
      files_->UnlockOwnership();
      holds_file_lock_ = false;
    }
    ForgetOwnership();
    platform::NotifyWaitersLocked();
  }

  void ForgetOwnership() {
    auto& list = t_owned.mutexes;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [this](const std::weak_ptr<MutexObject>& w) {
                                auto m = w.lock();
                                return !m || m.get() == this;
                              }),
               list.end());
  }

  const std::string name_;
  std::unique_ptr<platform::detail::MutexLockFiles> files_;
  DWORD owner_ = 0;
  DWORD count_ = 0;
  bool abandoned_ = false;
  bool holds_file_lock_ = false;
};

OwnedMutexes::~OwnedMutexes() {
  platform::AbandonMutexesOfCurrentThread();
}

std::mutex& FolderMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::string& FolderOverride() {
  static auto* folder = new std::string;
  return *folder;
}

std::string DefaultMutexFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime == '/') return std::string(runtime) + "/velko";
  return "/tmp/velko-" + std::to_string(getuid());
}

// Takes ownership for the calling thread right after creation.
void TakeInitialOwnership(const std::shared_ptr<MutexObject>& mutex) {
  const DWORD thread_id = GetCurrentThreadId();
  auto lock = platform::LockDispatcher();
  if (mutex->IsReadyFor(thread_id)) {
    mutex->Take(thread_id);
  } else {
    mutex->Settle(thread_id);
  }
}

// Finds or makes the named mutex; sets `existed`. Null with the last error
// set on failure.
std::shared_ptr<MutexObject> NamedMutex(const std::string& name, bool only_if_existing,
                                        bool* existed) {
  std::lock_guard<std::recursive_mutex> lock(platform::detail::ObjectNamesMutex());
  if (auto existing = platform::detail::FindNamedObject(name)) {
    auto mutex = std::dynamic_pointer_cast<MutexObject>(existing);
    if (!mutex) SetLastError(ERROR_INVALID_HANDLE);
    *existed = true;
    return mutex;
  }
  DWORD error = ERROR_SUCCESS;
  auto files = platform::detail::MutexLockFiles::Open(platform::MutexFolder(), name,
                                                      only_if_existing, existed, &error);
  if (!files) {
    SetLastError(error);
    return nullptr;
  }
  auto mutex = std::make_shared<MutexObject>(name, std::move(files));
  platform::detail::AddNamedObject(name, mutex);
  return mutex;
}

}  // namespace

HANDLE CreateMutex(LPSECURITY_ATTRIBUTES, BOOL initial_owner, LPCSTR name) {
  auto object_name = platform::detail::ObjectName(name);
  bool existed = false;
  std::shared_ptr<MutexObject> mutex;
  if (object_name) {
    mutex = NamedMutex(*object_name, false, &existed);
    if (!mutex) return nullptr;
  } else {
    mutex = std::make_shared<MutexObject>(std::string(), nullptr);
  }
  if (initial_owner && !existed) TakeInitialOwnership(mutex);
  HANDLE handle = platform::RegisterObject(mutex);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

HANDLE OpenMutex(DWORD, BOOL, LPCSTR name) {
  auto object_name = platform::detail::ObjectName(name);
  if (!object_name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  bool existed = false;
  auto mutex = NamedMutex(*object_name, true, &existed);
  if (!mutex) return nullptr;
  return platform::RegisterObject(mutex);
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto object = platform::LookupObjectAs<MutexObject>(mutex);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto lock = platform::LockDispatcher();
  if (!object->Release(GetCurrentThreadId())) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

namespace platform {

void SetMutexFolder(const std::string& native_folder) {
  std::lock_guard<std::mutex> lock(FolderMutex());
  FolderOverride() = native_folder;
}

std::string MutexFolder() {
  std::lock_guard<std::mutex> lock(FolderMutex());
  return FolderOverride().empty() ? DefaultMutexFolder() : FolderOverride();
}

void AbandonMutexesOfCurrentThread() {
  const DWORD thread_id = GetCurrentThreadId();
  auto lock = LockDispatcher();
  // Abandon edits the list, so work on a copy.
  std::vector<std::weak_ptr<MutexObject>> owned;
  owned.swap(t_owned.mutexes);
  for (auto& weak : owned) {
    if (auto mutex = weak.lock()) mutex->Abandon(thread_id);
  }
}

}  // namespace platform
