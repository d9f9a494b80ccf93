// The browse-for-folder dialog window, internal to the dialog layer.
#pragma once

#include <optional>
#include <string>

#include "platform/dlg/browse_session.h"

namespace platform::dlg {

// Runs the modal dialog over `owner`; the folder chosen, or nothing.
std::optional<std::string> RunBrowseForFolderWindow(BrowseSession& session, HWND owner);

}  // namespace platform::dlg
