#include "platform/dlg/browse_folder_window.h"
#include "platform/dlg/file_dialog_window.h"
namespace platform::dlg {
std::optional<std::string> RunBrowseForFolderWindow(BrowseSession&, HWND) {
  return std::nullopt;
}
bool RunFileDialogWindow(FileDialogSession&, HWND) {
  return false;
}
}  // namespace platform::dlg
