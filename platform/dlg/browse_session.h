// What a browse-for-folder dialog knows apart from its window: the
// request, the selection, the callback and its messages, and the folders
// to list. The dialog window and the test hook both drive one of these.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dlg/browse_folder.h"

namespace platform::dlg {

class BrowseSession {
 public:
  explicit BrowseSession(const BROWSEINFO& info);

  const platform::BrowseForFolderRequest& request() const { return request_; }
  // The folder selected now (empty: none, as over the list of drives).
  const std::string& selection() const { return selection_; }
  bool ok_enabled() const { return ok_enabled_ && !selection_.empty(); }
  const std::string& status_text() const { return status_; }

  // Selects a folder (inside the root); false when it cannot be. Tells
  // the callback (BFFM_SELCHANGED) through `dialog` when it changed.
  bool Select(const std::string& folder, HWND dialog);
  // The callback's BFFM_INITIALIZED, with `dialog` to send its messages to.
  void Initialized(HWND dialog);
  // BFFM_SETSELECTION, BFFM_SETSTATUSTEXT and BFFM_ENABLEOK sent to the
  // dialog; true when `message` was one of them.
  bool HandleMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

  // The list: the drives (or the root), and under the one holding the
  // selection a tree with the branch down to the selection open (the
  // selection's own sub-folders too), each entry with its depth.
  std::vector<std::pair<std::string, int>> Entries() const;

  // Writes the display name and makes the item id list of `chosen`; null
  // when it cannot be chosen.
  LPITEMIDLIST Finish(const std::string& chosen);

 private:
  bool InsideRoot(const std::string& folder) const;
  // The selection lies under this drive or root.
  bool InsideRootOf(const std::string& top) const;
  void Expand(const std::string& folder, int depth,
              std::vector<std::pair<std::string, int>>* entries) const;
  // `folder` is the selection or one of its parents.
  bool IsOnTheWayTo(const std::string& folder) const;
  void Notify(HWND dialog, UINT message, LPARAM lparam);

  BROWSEINFO info_;
  platform::BrowseForFolderRequest request_;
  std::string selection_;
  std::string status_;
  bool ok_enabled_ = true;
};

// The display name of a folder: its last name, or "Label (C:)" for a drive.
std::string FolderDisplayName(const std::string& folder);

}  // namespace platform::dlg
