// What a file dialog knows and decides, apart from its window: the
// request read from OPENFILENAME, the current folder and filter, the
// listing, and accepting what was typed or chosen (checks, prompts and the
// result written back). The dialog window and the test hook both drive
// one of these.
#pragma once

#include <string>
#include <vector>

#include "platform/dlg/file_dialog.h"

namespace platform::dlg {

struct FolderEntry {
  std::string name;
  bool folder = false;
};

class FileDialogSession {
 public:
  FileDialogSession(OPENFILENAME* ofn, bool save);

  // False when OPENFILENAME was unusable; error() tells why.
  bool valid() const { return error_ == 0; }
  DWORD error() const { return error_; }
  const platform::FileDialogRequest& request() const { return request_; }

  // The folder shown, in platform form without a trailing backslash
  // (except a drive's root, "C:\").
  const std::string& folder() const { return folder_; }
  // Goes to a folder (full path); false when it does not exist.
  bool SetFolder(const std::string& folder);
  bool Up();
  // Sub-folders first, then the files that match the filter (or a pattern
  // typed in the name box), each sorted by name ignoring case.
  std::vector<FolderEntry> List() const;
  // The roots of the drives, and the folders from the current folder's
  // root down to it, each with its depth (for the "Look in" list).
  std::vector<std::pair<std::string, int>> LookInEntries() const;

  int filter_index() const { return filter_index_; }  // 1-based
  void SetFilterIndex(int index);

  enum class Outcome {
    kDone,       // the result is written: the dialog ends with TRUE
    kStay,       // refused (a message box said why) or nothing typed
    kNavigated,  // the text named a folder, which is now shown
    kFiltered,   // the text was a pattern, which now filters the list
    kFailed,     // an error that ends the dialog with FALSE (error())
  };
  // Accepts what was typed in the name box. Message boxes are owned by
  // `box_owner` (the dialog window, or the caller's owner).
  Outcome Accept(const std::string& typed, HWND box_owner);

 private:
  std::string Resolve(const std::string& name) const;
  std::vector<std::string> Patterns() const;
  bool Check(const std::vector<std::string>& paths, HWND box_owner);
  Outcome Write(const std::vector<std::string>& paths);

  OPENFILENAME* ofn_;
  bool save_;
  DWORD error_ = 0;
  platform::FileDialogRequest request_;
  std::string folder_;
  int filter_index_ = 1;
  std::string typed_pattern_;
};

// Path helpers in platform form.
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
bool IsExistingFile(const std::string& path);
// "C:\Music" + "a.wav" -> "C:\Music\a.wav"; "C:\" + "a" -> "C:\a".
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder part without a trailing backslash (a root keeps its own), and
// the last name.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace platform::dlg
