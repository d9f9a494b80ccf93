#include "platform/shell/file_operation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/core/errors.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/fs/name_match.h"
#include "platform/fs/path_names.h"
#include "platform/shell/file_operation_window.h"

namespace platform {

namespace fsys = std::filesystem;

namespace {

std::mutex g_mutex;
std::string g_trash_folder;
FileOperationProgressHook g_progress_hook;

std::vector<std::string> SplitList(LPCSTR list) {
  std::vector<std::string> items;
  if (list == nullptr) return items;
  for (const char* p = list; *p != '\0'; p += std::strlen(p) + 1) items.emplace_back(p);
  return items;
}

DWORD ErrorOf(const std::error_code& error) {
  if (error.category() == std::system_category() || error.category() == std::generic_category()) {
    return ErrorFromErrno(error.value());
  }
  return ERROR_GEN_FAILURE;
}

// A source as the operation works on it.
struct Source {
  std::string path;    // platform path
  std::string native;  // Linux path
  bool folder = false;
};

std::string NameOf(const std::string& platform_path) {
  std::string folder;
  std::string name;
  fs::SplitFolderAndName(platform_path, &folder, &name);
  return name;
}

std::string FolderOf(const std::string& platform_path) {
  std::string folder;
  std::string name;
  fs::SplitFolderAndName(platform_path, &folder, &name);
  return folder;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '\\' || last == '/' || last == ':') return folder + name;
  return folder + "\\" + name;
}

bool Exists(const std::string& native) {
  struct stat st{};
  return ::lstat(native.c_str(), &st) == 0;
}

bool IsFolder(const std::string& native) {
  std::error_code error;
  return fsys::is_directory(native, error);
}

// Flushes a file or folder to the disk.
bool Flush(const std::string& native) {
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// Copies one file with its mode and times; with `flush` the copy is on the
// disk before this returns.
DWORD CopyOneFile(const std::string& from, const std::string& to, bool flush) {
  std::error_code error;
  fsys::copy_file(from, to, fsys::copy_options::overwrite_existing, error);
  if (error) return ErrorOf(error);
  struct stat st{};
  if (::stat(from.c_str(), &st) == 0) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times, 0);
  }
  if (flush && !Flush(to)) return SetLastErrorFromErrno(errno);
  return ERROR_SUCCESS;
}

// Copies a file or a folder tree. On failure nothing of the copy is left
// (unless `to` was an existing folder merged into).
DWORD CopyTree(const std::string& from, const std::string& to, bool flush) {
  if (!IsFolder(from)) {
    const DWORD result = CopyOneFile(from, to, flush);
    if (result != ERROR_SUCCESS) {
      std::error_code ignored;
      fsys::remove(to, ignored);
    }
    return result;
  }
  std::error_code error;
  const bool made = fsys::create_directory(to, error);
  if (error) return ErrorOf(error);
  DWORD result = ERROR_SUCCESS;
  for (fsys::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
    result = CopyTree(it->path().string(), (fsys::path(to) / it->path().filename()).string(), flush);
    if (result != ERROR_SUCCESS) break;
  }
  if (result == ERROR_SUCCESS && error) result = ErrorOf(error);
  if (result == ERROR_SUCCESS) {
    std::error_code ignored;
    fsys::permissions(to, fsys::status(from, ignored).permissions(), ignored);
    if (flush && !Flush(to)) result = SetLastErrorFromErrno(errno);
  }
  if (result != ERROR_SUCCESS && made) {
    std::error_code ignored;
    fsys::remove_all(to, ignored);
  }
  return result;
}

DWORD RemoveTree(const std::string& native) {
  std::error_code error;
  fsys::remove_all(native, error);
  return error ? ErrorOf(error) : ERROR_SUCCESS;
}

// Moves within a file system by renaming; to another one by copying,
// flushing, then deleting the source.
DWORD MoveTree(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return ERROR_SUCCESS;
  if (errno != EXDEV) return ErrorFromErrno(errno);
  const DWORD copied = CopyTree(from, to, true);
  if (copied != ERROR_SUCCESS) return copied;
  return RemoveTree(from);
}

std::string PercentEncodePath(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-_.~", c) != nullptr) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// Sends a file or folder to the trash: an info entry first (made
// exclusively, which also reserves the name), then the item itself.
DWORD MoveToTrash(const std::string& native) {
  const fsys::path trash(TrashFolder());
  std::error_code error;
  fsys::create_directories(trash / "files", error);
  fsys::create_directories(trash / "info", error);
  if (error) return ErrorOf(error);
  const std::string absolute = fsys::absolute(native, error).lexically_normal().string();
  const std::string base = fsys::path(absolute).filename().string();
  for (int n = 1; n < 10000; ++n) {
    const std::string name = n == 1 ? base : base + "." + std::to_string(n);
    const std::string info = (trash / "info" / (name + ".trashinfo")).string();
    const std::string target = (trash / "files" / name).string();
    if (Exists(target)) continue;
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return ErrorFromErrno(errno);
    }
    char date[32];
    const std::time_t now = std::time(nullptr);
    struct tm local{};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text =
        "[Trash Info]\nPath=" + PercentEncodePath(absolute) + "\nDeletionDate=" + date + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    const DWORD moved = written ? MoveTree(native, target) : ERROR_WRITE_FAULT;
    if (moved != ERROR_SUCCESS) ::unlink(info.c_str());
    return moved;
  }
  return ERROR_CANNOT_MAKE;
}

// "Copy of a.txt", "Copy (2) of a.txt", ... : the first name free in `folder`.
std::string CollisionName(const std::string& native_folder, const std::string& name) {
  for (int n = 1;; ++n) {
    const std::string candidate =
        (n == 1 ? std::string("Copy of ") : "Copy (" + std::to_string(n) + ") of ") + name;
    if (!Exists((fsys::path(native_folder) / candidate).string())) return candidate;
  }
}

const char* VerbOf(UINT function) {
  switch (function) {
    case FO_MOVE: return "move";
    case FO_COPY: return "copy";
    case FO_DELETE: return "delete";
    default: return "rename";
  }
}

const char* TitleOf(UINT function) {
  switch (function) {
    case FO_MOVE: return "Moving...";
    case FO_COPY: return "Copying...";
    case FO_DELETE: return "Deleting...";
    default: return "Renaming...";
  }
}

class Operation {
 public:
  explicit Operation(SHFILEOPSTRUCT* op) : op_(op), flags_(op->fFlags) {}

  int Run() {
    if (op_->wFunc < FO_MOVE || op_->wFunc > FO_RENAME) return Fail(ERROR_INVALID_PARAMETER, "");
    std::vector<std::string> from = SplitList(op_->pFrom);
    if (from.empty()) return ERROR_SUCCESS;
    bool wildcards = false;
    std::vector<Source> sources;
    for (const std::string& item : from) {
      if (fs::HasWildcards(NameOf(item))) {
        wildcards = true;
        const std::optional<std::string> folder = NativePath(FolderOf(item).empty() ? "." : FolderOf(item));
        if (!folder || !IsFolder(*folder)) return Fail(ERROR_PATH_NOT_FOUND, item);
        fs::NameMask mask(NameOf(item));
        std::error_code error;
        for (fsys::directory_iterator it(*folder, error), end; !error && it != end; it.increment(error)) {
          const std::string name = it->path().filename().string();
          const bool folder_entry = it->is_directory(error);
          if (!mask.Matches(name) || (folder_entry && (flags_ & FOF_FILESONLY) != 0)) continue;
          sources.push_back({JoinPath(FolderOf(item), name), it->path().string(), folder_entry});
        }
        continue;
      }
      const std::optional<std::string> native = NativePath(item);
      if (!native || !Exists(*native)) return Fail(ERROR_FILE_NOT_FOUND, item);
      sources.push_back({item, *native, IsFolder(*native)});
    }
    if (sources.empty()) return ERROR_NO_MORE_FILES;
    total_ = static_cast<int>(sources.size());

    if (op_->wFunc == FO_DELETE) return Delete(sources);
    std::vector<std::string> to = SplitList(op_->pTo);
    if (to.empty()) to.push_back(".");
    std::vector<std::string> targets;  // platform paths, one per source
    if (op_->wFunc == FO_RENAME || (flags_ & FOF_MULTIDESTFILES) != 0) {
      if (to.size() < sources.size() || wildcards) return Fail(ERROR_INVALID_PARAMETER, from[0]);
      for (std::size_t i = 0; i < sources.size(); ++i) {
        std::string target = to[i];
        if (op_->wFunc == FO_RENAME && FolderOf(target).empty()) {
          target = FolderOf(sources[i].path) + target;
        }
        // A destination naming an existing folder takes the item inside it.
        const std::optional<std::string> native = NativePath(target);
        if (op_->wFunc != FO_RENAME && native && IsFolder(*native) && !sources[i].folder) {
          target = JoinPath(target, NameOf(sources[i].path));
        }
        targets.push_back(target);
      }
    } else {
      const std::string& dest = to[0];
      const std::optional<std::string> native = NativePath(dest);
      const bool into_folder = sources.size() > 1 || wildcards || (native && IsFolder(*native)) ||
                               dest.back() == '\\' || dest.back() == '/';
      for (const Source& source : sources) {
        targets.push_back(into_folder ? JoinPath(dest, NameOf(source.path)) : dest);
      }
    }

    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (!Progress(sources[i].path, static_cast<int>(i))) return Cancel();
      const int result = Transfer(sources[i], targets[i]);
      if (result != ERROR_SUCCESS) return result;
    }
    Finish();
    return ERROR_SUCCESS;
  }

 private:
  int Transfer(const Source& source, const std::string& target_path) {
    std::optional<std::string> target = NativePath(target_path);
    if (!target) return Fail(ERROR_PATH_NOT_FOUND, target_path);
    const fsys::path target_folder = fsys::path(*target).parent_path();
    if (!IsFolder(target_folder.string())) {
      if (op_->wFunc == FO_RENAME) return Fail(ERROR_PATH_NOT_FOUND, target_path);
      if ((flags_ & (FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION)) == 0 &&
          Ask("The folder '" + FolderOf(target_path) +
                  "' does not exist.\n\nDo you want to create it?",
              "Confirm Folder Create", MB_YESNO) != IDYES) {
        return Cancel();
      }
      std::error_code error;
      fsys::create_directories(target_folder, error);
      if (error) return Fail(ErrorOf(error), target_path);
    }
    if (fsys::path(*target).lexically_normal() == fsys::path(source.native).lexically_normal()) {
      if (op_->wFunc != FO_COPY || (flags_ & FOF_RENAMEONCOLLISION) == 0) {
        return op_->wFunc == FO_COPY ? Fail(ERROR_ALREADY_EXISTS, source.path) : ERROR_SUCCESS;
      }
    }
    if (Exists(*target)) {
      if (op_->wFunc == FO_RENAME) return Fail(ERROR_ALREADY_EXISTS, target_path);
      if ((flags_ & FOF_RENAMEONCOLLISION) != 0) {
        *target = (target_folder / CollisionName(target_folder.string(),
                                                 fsys::path(*target).filename().string()))
                      .string();
      } else {
        if (IsFolder(*target) != source.folder) return Fail(ERROR_ALREADY_EXISTS, target_path);
        if ((flags_ & FOF_NOCONFIRMATION) == 0) {
          const int answer = Ask("This folder already contains " +
                                     std::string(source.folder ? "a folder" : "a file") +
                                     " named '" + NameOf(target_path) +
                                     "'.\n\nWould you like to replace the existing one?",
                                 source.folder ? "Confirm Folder Replace" : "Confirm File Replace",
                                 MB_YESNOCANCEL);
          if (answer == IDCANCEL) return Cancel();
          if (answer == IDNO) return ERROR_SUCCESS;
        }
        if (source.folder) return Merge(source.native, *target, target_path);
      }
    }
    DWORD result = ERROR_SUCCESS;
    if (op_->wFunc == FO_COPY) {
      result = CopyTree(source.native, *target, false);
    } else {
      result = MoveTree(source.native, *target);
    }
    return result == ERROR_SUCCESS ? ERROR_SUCCESS : Fail(result, source.path);
  }

  // Copies or moves a folder's contents into an existing folder, replacing
  // files of the same names.
  int Merge(const std::string& from, const std::string& to, const std::string& shown) {
    std::error_code error;
    std::vector<fsys::path> entries;
    for (fsys::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
      entries.push_back(it->path());
    }
    if (error) return Fail(ErrorOf(error), shown);
    for (const fsys::path& entry : entries) {
      const std::string target = (fsys::path(to) / entry.filename()).string();
      const bool folder = IsFolder(entry.string());
      DWORD result = ERROR_SUCCESS;
      if (folder && IsFolder(target)) {
        const int merged = Merge(entry.string(), target, shown);
        if (merged != ERROR_SUCCESS) return merged;
        continue;
      }
      if (Exists(target) && folder != IsFolder(target)) return Fail(ERROR_ALREADY_EXISTS, shown);
      result = op_->wFunc == FO_COPY ? CopyTree(entry.string(), target, false)
                                     : MoveTree(entry.string(), target);
      if (result != ERROR_SUCCESS) return Fail(result, shown);
    }
    if (op_->wFunc == FO_MOVE) fsys::remove(from, error);
    return ERROR_SUCCESS;
  }

  int Delete(const std::vector<Source>& sources) {
    if ((flags_ & FOF_NOCONFIRMATION) == 0) {
      const bool undo = (flags_ & FOF_ALLOWUNDO) != 0;
      const std::string what = sources.size() == 1
                                   ? "'" + NameOf(sources[0].path) + "'"
                                   : "these " + std::to_string(sources.size()) + " items";
      const std::string text = undo ? "Are you sure you want to send " + what + " to the Trash?"
                                    : "Are you sure you want to delete " + what + "?";
      if (Ask(text, sources.size() == 1 ? "Confirm File Delete" : "Confirm Multiple File Delete",
              MB_YESNO) != IDYES) {
        return Cancel();
      }
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (!Progress(sources[i].path, static_cast<int>(i))) return Cancel();
      const DWORD result = (flags_ & FOF_ALLOWUNDO) != 0 ? MoveToTrash(sources[i].native)
                                                        : RemoveTree(sources[i].native);
      if (result != ERROR_SUCCESS) return Fail(result, sources[i].path);
    }
    Finish();
    return ERROR_SUCCESS;
  }

  int Ask(const std::string& text, const char* caption, UINT buttons) {
    return MessageBox(op_->hwnd, text.c_str(), caption, buttons | MB_ICONQUESTION);
  }

  bool Progress(const std::string& item, int done) {
    if ((flags_ & FOF_SILENT) != 0) return true;
    FileOperationProgressHook hook;
    {
      std::lock_guard lock(g_mutex);
      hook = g_progress_hook;
    }
    FileOperationProgress progress;
    progress.owner = op_->hwnd;
    const bool simple = (flags_ & FOF_SIMPLEPROGRESS) != 0;
    progress.title = simple && op_->lpszProgressTitle != nullptr ? op_->lpszProgressTitle
                                                                 : TitleOf(op_->wFunc);
    progress.item = simple ? std::string() : item;
    progress.done = done;
    progress.total = total_;
    if (hook) return hook(progress);
    if (!window_) window_ = std::make_unique<FileOperationWindow>();
    return window_->Show(progress);
  }

  void Finish() {
    if ((flags_ & FOF_SILENT) != 0) return;
    FileOperationProgressHook hook;
    {
      std::lock_guard lock(g_mutex);
      hook = g_progress_hook;
    }
    FileOperationProgress progress;
    progress.owner = op_->hwnd;
    progress.done = progress.total = total_;
    progress.finished = true;
    if (hook) hook(progress);
    window_.reset();
  }

  int Cancel() {
    op_->fAnyOperationsAborted = TRUE;
    window_.reset();
    return ERROR_CANCELLED;
  }

  int Fail(DWORD code, const std::string& item) {
    window_.reset();
    if ((flags_ & FOF_NOERRORUI) == 0) {
      const std::string text = "Cannot " + std::string(VerbOf(op_->wFunc)) + " " + NameOf(item) +
                               ": " + ErrorMessageText(code);
      const std::string caption = std::string("Error ") +
                                  (op_->wFunc == FO_MOVE     ? "Moving"
                                   : op_->wFunc == FO_COPY   ? "Copying"
                                   : op_->wFunc == FO_DELETE ? "Deleting"
                                                             : "Renaming") +
                                  " File or Folder";
      MessageBox(op_->hwnd, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    }
    SetLastError(code);
    return static_cast<int>(code);
  }

  SHFILEOPSTRUCT* op_;
  FILEOP_FLAGS flags_;
  int total_ = 0;
  std::unique_ptr<FileOperationWindow> window_;
};

}  // namespace

void SetTrashFolder(const std::string& native_folder) {
  std::lock_guard lock(g_mutex);
  g_trash_folder = native_folder;
}

std::string TrashFolder() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_trash_folder.empty()) return g_trash_folder;
  }
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share/Trash";
}

FileOperationProgressHook SetFileOperationProgressHook(FileOperationProgressHook hook) {
  std::lock_guard lock(g_mutex);
  FileOperationProgressHook old = std::move(g_progress_hook);
  g_progress_hook = std::move(hook);
  return old;
}

}  // namespace platform

int SHFileOperation(SHFILEOPSTRUCT* operation) {
  if (operation == nullptr) return static_cast<int>(ERROR_INVALID_PARAMETER);
  operation->fAnyOperationsAborted = FALSE;
  operation->hNameMappings = nullptr;
  return platform::Operation(operation).Run();
}
