// SHBrowseForFolder: item id lists, the browse session and the hook.
#include "platform/dlg/browse_folder.h"

#include <cstddef>
#include <cstring>
#include <mutex>

#include "platform/dlg/browse_folder_window.h"
#include "platform/dlg/browse_session.h"
#include "platform/dlg/file_dialog_session.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/fs/name_match.h"
#include "platform/user/user.h"

namespace {

struct HookState {
  std::mutex mutex;
  platform::BrowseForFolderHook hook;
};

HookState& Hook() {
  static HookState* state = new HookState;
  return *state;
}

// The path an item id list holds: the first item's bytes up to its NUL.
std::optional<std::string> PathOfList(LPCITEMIDLIST list) {
  if (list == nullptr || list->mkid.cb <= sizeof(USHORT)) return std::nullopt;
  const auto* bytes = reinterpret_cast<const char*>(list->mkid.abID);
  const std::size_t room = list->mkid.cb - sizeof(USHORT);
  return std::string(bytes, strnlen(bytes, room));
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> roots;
  char buffer[27 * 4 + 1] = {};
  DWORD length = GetLogicalDriveStrings(sizeof(buffer), buffer);
  if (length == 0 || length >= sizeof(buffer)) return roots;
  for (const char* p = buffer; *p != '\0'; p += std::strlen(p) + 1) roots.emplace_back(p);
  return roots;
}

std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATA found;
  HANDLE find = FindFirstFile(platform::dlg::JoinPath(folder, "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == ".." || !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
      continue;
    }
    names.push_back(name);
  } while (FindNextFile(find, &found));
  FindClose(find);
  return names;
}

// The folder without a trailing backslash (a drive's root keeps it).
std::string Tidy(std::string folder) {
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

// A message-only window that answers the callback's messages for a hooked
// dialog (there is no real one).
LRESULT StateWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* session =
      reinterpret_cast<platform::dlg::BrowseSession*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (session != nullptr && session->HandleMessage(hwnd, message, wparam, lparam)) return 0;
  return DefWindowProc(hwnd, message, wparam, lparam);
}

HWND MakeStateWindow(platform::dlg::BrowseSession* session) {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS wc;
    wc.lpfnWndProc = StateWindowProc;
    wc.lpszClassName = "VelkoBrowseState";
    RegisterClass(&wc);
  });
  HWND hwnd = CreateWindowEx(0, "VelkoBrowseState", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             nullptr, nullptr);
  if (hwnd != nullptr) SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(session));
  return hwnd;
}

}  // namespace

namespace platform::dlg {

std::string FolderDisplayName(const std::string& folder) {
  if (folder.size() == 3 && folder[1] == ':') {
    char label[64] = {};
    GetVolumeInformation(folder.c_str(), label, sizeof(label), nullptr, nullptr, nullptr, nullptr,
                         0);
    const std::string drive = folder.substr(0, 2);
    return label[0] != '\0' ? std::string(label) + " (" + drive + ")" : drive;
  }
  return NameOf(folder);
}

BrowseSession::BrowseSession(const BROWSEINFO& info) : info_(info) {
  request_.owner = info.hwndOwner;
  request_.title = info.lpszTitle != nullptr ? info.lpszTitle : "";
  request_.flags = info.ulFlags;
  if (std::optional<std::string> root = PathOfList(info.pidlRoot)) request_.root = Tidy(*root);
  selection_ = request_.root;
}

bool BrowseSession::InsideRoot(const std::string& folder) const {
  if (request_.root.empty()) return true;
  const std::string& root = request_.root;
  if (folder.size() < root.size()) return false;
  if (!platform::fs::NamesEqualIgnoringCase(folder.substr(0, root.size()), root)) return false;
  return folder.size() == root.size() || root.back() == '\\' || folder[root.size()] == '\\';
}

bool BrowseSession::Select(const std::string& folder, HWND dialog) {
  const std::string tidy = Tidy(folder);
  if (!IsFolder(tidy) || !InsideRoot(tidy)) return false;
  if (platform::fs::NamesEqualIgnoringCase(tidy, selection_) && !selection_.empty()) return true;
  selection_ = tidy;
  LPITEMIDLIST list = ILCreateFromPath(selection_.c_str());
  Notify(dialog, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(list));
  CoTaskMemFree(list);
  return true;
}

void BrowseSession::Initialized(HWND dialog) {
  request_.selection = selection_;
  Notify(dialog, BFFM_INITIALIZED, 0);
  request_.selection = selection_;
}

void BrowseSession::Notify(HWND dialog, UINT message, LPARAM lparam) {
  if (info_.lpfn != nullptr) info_.lpfn(dialog, message, lparam, info_.lParam);
}

bool BrowseSession::HandleMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case BFFM_SETSELECTION: {
      std::optional<std::string> folder;
      if (wparam)
        folder = lparam != 0 ? std::optional<std::string>(reinterpret_cast<LPCSTR>(lparam))
                             : std::nullopt;
      else
        folder = PathOfList(reinterpret_cast<LPCITEMIDLIST>(lparam));
      if (folder) Select(*folder, dialog);
      return true;
    }
    case BFFM_SETSTATUSTEXT:
      status_ = lparam != 0 ? reinterpret_cast<LPCSTR>(lparam) : "";
      return true;
    case BFFM_ENABLEOK:
      ok_enabled_ = lparam != 0;
      return true;
  }
  return false;
}

std::vector<std::pair<std::string, int>> BrowseSession::Entries() const {
  std::vector<std::pair<std::string, int>> entries;
  std::vector<std::string> tops =
      request_.root.empty() ? DriveRoots() : std::vector<std::string>{request_.root};
  for (const std::string& top : tops) {
    entries.emplace_back(top, 0);
    if (!selection_.empty() && InsideRootOf(top)) Expand(top, 1, &entries);
  }
  return entries;
}

// Lists the sub-folders of `folder`; the one on the way to the selection is
// opened in turn (like a tree with only that branch open), and so is the
// selection itself.
void BrowseSession::Expand(const std::string& folder, int depth,
                           std::vector<std::pair<std::string, int>>* entries) const {
  for (const std::string& name : SubFolders(folder)) {
    const std::string path = JoinPath(folder, name);
    entries->emplace_back(path, depth);
    if (IsOnTheWayTo(path)) Expand(path, depth + 1, entries);
  }
}

bool BrowseSession::IsOnTheWayTo(const std::string& folder) const {
  if (selection_.size() < folder.size()) return false;
  if (!platform::fs::NamesEqualIgnoringCase(selection_.substr(0, folder.size()), folder))
    return false;
  return selection_.size() == folder.size() || selection_[folder.size()] == '\\';
}

bool BrowseSession::InsideRootOf(const std::string& top) const {
  if (selection_.size() < top.size()) return false;
  if (!platform::fs::NamesEqualIgnoringCase(selection_.substr(0, top.size()), top)) return false;
  return selection_.size() == top.size() || top.back() == '\\' || selection_[top.size()] == '\\';
}

LPITEMIDLIST BrowseSession::Finish(const std::string& chosen) {
  const std::string tidy = Tidy(chosen);
  if (!IsFolder(tidy) || !InsideRoot(tidy)) return nullptr;
  if (info_.pszDisplayName != nullptr) {
    const std::string name = FolderDisplayName(tidy);
    const std::size_t count = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(info_.pszDisplayName, name.data(), count);
    info_.pszDisplayName[count] = '\0';
  }
  return ILCreateFromPath(tidy.c_str());
}

}  // namespace platform::dlg

namespace platform {

BrowseForFolderHook SetBrowseForFolderHook(BrowseForFolderHook hook) {
  HookState& state = Hook();
  std::lock_guard<std::mutex> lock(state.mutex);
  BrowseForFolderHook previous = std::move(state.hook);
  state.hook = std::move(hook);
  return previous;
}

}  // namespace platform

LPITEMIDLIST ILCreateFromPath(LPCSTR path) {
  if (path == nullptr || GetFileAttributes(path) == INVALID_FILE_ATTRIBUTES) return nullptr;
  const std::size_t length = std::strlen(path);
  const std::size_t item = sizeof(USHORT) + length + 1;
  if (item > 0xFFFF) return nullptr;
  auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(item + sizeof(USHORT)));
  if (bytes == nullptr) return nullptr;
  const auto cb = static_cast<USHORT>(item);
  std::memcpy(bytes, &cb, sizeof(cb));
  std::memcpy(bytes + sizeof(USHORT), path, length + 1);
  const USHORT end = 0;
  std::memcpy(bytes + item, &end, sizeof(end));
  return reinterpret_cast<LPITEMIDLIST>(bytes);
}

void ILFree(LPITEMIDLIST list) {
  CoTaskMemFree(list);
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST list, LPSTR path) {
  if (path == nullptr) return FALSE;
  std::optional<std::string> folder = PathOfList(list);
  if (!folder || folder->size() >= MAX_PATH) {
    path[0] = '\0';
    return FALSE;
  }
  std::memcpy(path, folder->c_str(), folder->size() + 1);
  return TRUE;
}

LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO info) {
  if (info == nullptr) return nullptr;
  platform::dlg::BrowseSession session(*info);
  platform::BrowseForFolderHook hook;
  {
    HookState& state = Hook();
    std::lock_guard<std::mutex> lock(state.mutex);
    hook = state.hook;
  }
  if (!hook) {
    std::optional<std::string> chosen =
        platform::dlg::RunBrowseForFolderWindow(session, info->hwndOwner);
    return chosen ? session.Finish(*chosen) : nullptr;
  }
  // Hooked: the callback still runs, against a window that only answers
  // its messages.
  HWND state_window = MakeStateWindow(&session);
  session.Initialized(state_window);
  std::optional<std::string> chosen = hook(session.request());
  LPITEMIDLIST result = nullptr;
  if (chosen && session.Select(*chosen, state_window)) result = session.Finish(*chosen);
  if (state_window != nullptr) DestroyWindow(state_window);
  return result;
}
