#include "platform/fs/change_notify.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/waits.h"
#include "platform/fs/drives.h"

namespace {

namespace fsys = std::filesystem;

// One notification: an inotify instance with a watch per folder and a
// thread that reads it.
class ChangeNotification : public platform::WaitableObject {
 public:
  ChangeNotification(std::string folder, bool subtree, DWORD filter)
      : folder_(std::move(folder)), subtree_(subtree), filter_(filter) {}

  ~ChangeNotification() override { Close(); }

  bool Open() {
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotify_ < 0 || wake_ < 0) return false;
    if (!AddWatch(folder_)) return false;
    if (subtree_) AddSubtree(folder_);
    reader_ = std::thread([this] { Read(); });
    return true;
  }

  void Close() {
    if (reader_.joinable()) {
      const std::uint64_t one = 1;
      [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
      reader_.join();
    }
    if (inotify_ >= 0) close(inotify_);
    if (wake_ >= 0) close(wake_);
    inotify_ = wake_ = -1;
  }

  void OnHandleClosed() override { Close(); }

  bool IsReadyFor(DWORD) override { return signalled_; }

  // Changes the kernel queued before this call belong to the change
  // already reported.
  void Rearm() {
    std::lock_guard read_lock(read_mutex_);
    Drain();
    auto lock = platform::LockDispatcher();
    signalled_ = false;
  }

 private:
  std::uint32_t Mask() const {
    std::uint32_t mask = IN_DELETE_SELF | IN_MOVE_SELF;
    if (filter_ & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_CREATION)) {
      mask |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    }
    if (filter_ & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) mask |= IN_ATTRIB;
    if (filter_ & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) mask |= IN_MODIFY | IN_CLOSE_WRITE;
    if (filter_ & FILE_NOTIFY_CHANGE_LAST_ACCESS) mask |= IN_ACCESS;
    // New folders must be seen to be watched.
    if (subtree_) mask |= IN_CREATE | IN_MOVED_TO;
    return mask;
  }

  bool AddWatch(const std::string& folder) {
    const int wd = inotify_add_watch(inotify_, folder.c_str(), Mask() | IN_ONLYDIR);
    if (wd < 0) return false;
    watches_[wd] = folder;
    return true;
  }

  void AddSubtree(const std::string& folder) {
    std::error_code error;
    for (fsys::recursive_directory_iterator it(folder, fsys::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
      if (it->is_directory(error) && !it->is_symlink(error)) AddWatch(it->path().string());
    }
  }

  // Whether an event is a change the filter asks for.
  bool Counts(const inotify_event& event) const {
    if (event.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF)) return true;
    const bool folder = (event.mask & IN_ISDIR) != 0;
    if (event.mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)) {
      if (filter_ & FILE_NOTIFY_CHANGE_CREATION) return true;
      return (filter_ & (folder ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME)) != 0;
    }
    if (event.mask & IN_ATTRIB) return (filter_ & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) != 0;
    if (event.mask & (IN_MODIFY | IN_CLOSE_WRITE)) {
      return (filter_ & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) != 0;
    }
    if (event.mask & IN_ACCESS) return (filter_ & FILE_NOTIFY_CHANGE_LAST_ACCESS) != 0;
    return false;
  }

  // Reads what the kernel has queued; true when a change the filter asks
  // for was among it. Under read_mutex_.
  bool Drain() {
    alignas(inotify_event) char buffer[16384];
    bool changed = false;
    for (;;) {
      const ssize_t n = read(inotify_, buffer, sizeof buffer);
      if (n <= 0) return changed;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (subtree_ && (event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) && event->len > 0) {
          auto parent = watches_.find(event->wd);
          if (parent != watches_.end()) {
            const std::string made = parent->second + "/" + event->name;
            AddWatch(made);
            AddSubtree(made);
          }
        }
        if (event->mask & IN_IGNORED) watches_.erase(event->wd);
        changed = changed || Counts(*event);
      }
    }
  }

  void Read() {
    for (;;) {
      pollfd fds[2] = {{inotify_, POLLIN, 0}, {wake_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      bool changed = false;
      {
        std::lock_guard lock(read_mutex_);
        changed = Drain();
      }
      if (changed) {
        {
          auto lock = platform::LockDispatcher();
          signalled_ = true;
        }
        platform::NotifyWaiters();
      }
    }
  }

  const std::string folder_;
  const bool subtree_;
  const DWORD filter_;
  int inotify_ = -1;
  int wake_ = -1;
  std::mutex read_mutex_;               // one reader of the queue at a time
  std::map<int, std::string> watches_;  // under read_mutex_ once the reader runs
  std::thread reader_;
  bool signalled_ = false;  // under the dispatcher lock
};

}  // namespace

HANDLE FindFirstChangeNotification(LPCSTR path, BOOL watch_subtree, DWORD filter) {
  std::optional<std::string> native = path != nullptr ? platform::NativePath(path) : std::nullopt;
  std::error_code error;
  if (!native || !fsys::is_directory(*native, error)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (filter == 0 || (filter & ~0x17Fu) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto notification = std::make_shared<ChangeNotification>(*native, watch_subtree != FALSE, filter);
  if (!notification->Open()) {
    platform::SetLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  return platform::RegisterObject(std::move(notification));
}

BOOL FindNextChangeNotification(HANDLE handle) {
  auto notification = platform::LookupObjectAs<ChangeNotification>(handle);
  if (!notification) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  notification->Rearm();
  return TRUE;
}

BOOL FindCloseChangeNotification(HANDLE handle) {
  if (!platform::LookupObjectAs<ChangeNotification>(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(handle);
}
