// SHFileOperation: copies, moves, renames and deletes lists of files and
// folders, as the shell does, with its confirmations, collision renaming,
// error boxes and a progress window. Deleting with FOF_ALLOWUNDO sends the
// items to the user's trash (the freedesktop.org trash folder) instead of
// removing them. A move to another file system copies, flushes and only
// then deletes the source, so a failure on the way loses nothing.
#pragma once

#include <functional>
#include <string>

#include "platform/core/types.h"

constexpr UINT FO_MOVE = 0x0001;
constexpr UINT FO_COPY = 0x0002;
constexpr UINT FO_DELETE = 0x0003;
constexpr UINT FO_RENAME = 0x0004;

using FILEOP_FLAGS = WORD;
constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x0001;
constexpr FILEOP_FLAGS FOF_CONFIRMMOUSE = 0x0002;
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
constexpr FILEOP_FLAGS FOF_RENAMEONCOLLISION = 0x0008;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
constexpr FILEOP_FLAGS FOF_WANTMAPPINGHANDLE = 0x0020;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
constexpr FILEOP_FLAGS FOF_FILESONLY = 0x0080;
constexpr FILEOP_FLAGS FOF_SIMPLEPROGRESS = 0x0100;
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x0200;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x0400;

// `pFrom` and `pTo` are lists of zero-terminated paths ended by one more
// zero. Sources may use wildcards in their last name.
struct SHFILEOPSTRUCT {
  HWND hwnd = nullptr;
  UINT wFunc = 0;
  LPCSTR pFrom = nullptr;
  LPCSTR pTo = nullptr;
  FILEOP_FLAGS fFlags = 0;
  BOOL fAnyOperationsAborted = FALSE;
  LPVOID hNameMappings = nullptr;
  LPCSTR lpszProgressTitle = nullptr;
};

// Returns 0 when everything was done; ERROR_NO_MORE_FILES (18) when the
// sources' wildcards matched nothing; ERROR_CANCELLED when the user said no
// to a confirmation or cancelled the progress window (fAnyOperationsAborted
// is then set); otherwise the platform error code of the first failure,
// where the operation stopped.
int SHFileOperation(SHFILEOPSTRUCT* operation);

namespace platform {

// Where FOF_ALLOWUNDO deletions go: the folder holding "files" and "info"
// (default $XDG_DATA_HOME/Trash, or ~/.local/share/Trash). Empty goes back
// to the default.
void SetTrashFolder(const std::string& native_folder);
std::string TrashFolder();

// The progress of an operation, as its progress window shows it.
struct FileOperationProgress {
  HWND owner = nullptr;
  std::string title;   // the caller's title (FOF_SIMPLEPROGRESS) or the operation's
  std::string item;    // the source being worked on (empty with FOF_SIMPLEPROGRESS)
  int done = 0;        // items finished so far
  int total = 0;
  bool finished = false;  // the last call of an operation
};
// Shows progress while an operation runs (not with FOF_SILENT). Returns
// false to cancel. The default shows the platform's progress window; tests
// install their own. Returns the previous hook.
using FileOperationProgressHook = std::function<bool(const FileOperationProgress&)>;
FileOperationProgressHook SetFileOperationProgressHook(FileOperationProgressHook hook);

}  // namespace platform
