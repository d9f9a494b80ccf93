#include "platform/dlg/file_dialog_session.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/fs/name_match.h"

namespace platform::dlg {
namespace {

std::string Trim(const std::string& text) {
  const char* spaces = " \t\r\n";
  const std::size_t first = text.find_first_not_of(spaces);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(spaces) - first + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  return platform::fs::NamesEqualIgnoringCase(a, b);
}

// The pairs of a filter string: description and patterns, each ending in
// a NUL, the whole ending in an empty string.
std::vector<std::pair<std::string, std::string>> ParseFilters(LPCSTR filter) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (filter == nullptr) return pairs;
  const char* p = filter;
  while (*p != '\0') {
    std::string description = p;
    p += description.size() + 1;
    if (*p == '\0') break;  // a description without patterns ends the list
    std::string patterns = p;
    p += patterns.size() + 1;
    pairs.emplace_back(std::move(description), std::move(patterns));
  }
  return pairs;
}

std::vector<std::string> SplitPatterns(const std::string& patterns) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= patterns.size()) {
    std::size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string one = Trim(patterns.substr(start, end - start));
    if (!one.empty()) result.push_back(one);
    start = end + 1;
  }
  return result;
}

// Names in double quotes ("a.wav" "b.wav"); text outside quotes counts as
// names separated by spaces.
std::vector<std::string> ParseQuotedNames(const std::string& text) {
  std::vector<std::string> names;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    if (text[i] == '"') {
      std::size_t end = text.find('"', i + 1);
      if (end == std::string::npos) end = text.size();
      std::string name = text.substr(i + 1, end - i - 1);
      if (!name.empty()) names.push_back(name);
      i = end + 1;
      continue;
    }
    std::size_t end = text.find(' ', i);
    if (end == std::string::npos) end = text.size();
    names.push_back(text.substr(i, end - i));
    i = end;
  }
  return names;
}

// Removes "." and ".." steps and doubled separators; keeps "X:\".
std::string Normalize(const std::string& path) {
  std::string prefix;
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') {
    prefix = path.substr(0, 2) + "\\";
    start = 2;
  } else if (path.rfind("\\\\", 0) == 0) {
    prefix = "\\\\";
    start = 2;
  }
  std::vector<std::string> parts;
  std::size_t i = start;
  while (i <= path.size()) {
    std::size_t end = path.find_first_of("\\/", i);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(i, end - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = end + 1;
  }
  std::string result = prefix;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) result += '\\';
    result += parts[k];
  }
  return result;
}

std::string Extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string CurrentDirectory() {
  char buffer[MAX_PATH + 1] = {};
  DWORD length = GetCurrentDirectory(sizeof(buffer), buffer);
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH + 1] = {};
  DWORD length = GetFullPathName(path.c_str(), sizeof(buffer), buffer, nullptr);
  return length > 0 && length < sizeof(buffer) ? Normalize(std::string(buffer, length)) : path;
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> roots;
  char buffer[27 * 4 + 1] = {};
  DWORD length = GetLogicalDriveStrings(sizeof(buffer), buffer);
  if (length == 0 || length >= sizeof(buffer)) return roots;
  for (const char* p = buffer; *p != '\0'; p += std::strlen(p) + 1) roots.emplace_back(p);
  return roots;
}

bool HasInvalidCharacters(const std::string& name) {
  return name.empty() || name.find_first_of("<>|\"*?") != std::string::npos;
}

}  // namespace

bool PathExists(const std::string& path) {
  return GetFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributes(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributes(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::string();
  if (slash == 2 && path.size() >= 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

FileDialogSession::FileDialogSession(OPENFILENAME* ofn, bool save) : ofn_(ofn), save_(save) {
  if (ofn == nullptr || (ofn->lStructSize != sizeof(OPENFILENAME) &&
                         ofn->lStructSize != offsetof(OPENFILENAME, pvReserved))) {
    error_ = CDERR_STRUCTSIZE;
    return;
  }
  if (ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) {
    error_ = CDERR_INITIALIZATION;
    return;
  }
  request_.save = save;
  request_.owner = ofn->hwndOwner;
  request_.title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : (save ? "Save As" : "Open");
  request_.filters = ParseFilters(ofn->lpstrFilter);
  request_.flags = ofn->Flags;
  const int filters = static_cast<int>(request_.filters.size());
  filter_index_ = ofn->nFilterIndex >= 1 && static_cast<int>(ofn->nFilterIndex) <= filters
                      ? static_cast<int>(ofn->nFilterIndex)
                      : 1;
  request_.filter_index = filter_index_;
  // A default extension is an extension: "*.mp3" and ".mp3" mean "mp3".
  std::string extension = ofn->lpstrDefExt != nullptr ? ofn->lpstrDefExt : "";
  extension.erase(0, extension.find_first_not_of("*."));
  request_.default_extension = extension;

  // The folder to open in: the given file's, the initial folder, the
  // current directory, the first drive.
  const std::string given(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  std::string start;
  if (given.find_first_of("\\:") != std::string::npos) {
    const std::string full = FullPath(given);
    if (IsFolder(full)) {
      start = full;
    } else {
      if (IsFolder(FolderOf(full))) start = FolderOf(full);
      request_.file_name = NameOf(full);
    }
  } else {
    request_.file_name = given;
  }
  if (start.empty() && ofn->lpstrInitialDir != nullptr && *ofn->lpstrInitialDir != '\0') {
    const std::string initial = FullPath(ofn->lpstrInitialDir);
    if (IsFolder(initial)) start = initial;
  }
  if (start.empty()) {
    const std::string current = CurrentDirectory();
    if (!current.empty() && IsFolder(current)) start = Normalize(current);
  }
  if (start.empty()) {
    std::vector<std::string> roots = DriveRoots();
    start = roots.empty() ? "C:\\" : roots.front();
  }
  folder_ = start;
  request_.folder = folder_;
}

bool FileDialogSession::SetFolder(const std::string& folder) {
  const std::string normal =
      Normalize(folder.size() >= 2 && folder[1] == ':' ? folder : Resolve(folder));
  if (!IsFolder(normal)) return false;
  folder_ = normal;
  return true;
}

bool FileDialogSession::Up() {
  const std::string parent = FolderOf(folder_);
  if (parent.empty() || parent == folder_) return false;
  return SetFolder(parent);
}

void FileDialogSession::SetFilterIndex(int index) {
  const int count = static_cast<int>(request_.filters.size());
  if (index >= 1 && index <= count) filter_index_ = index;
  typed_pattern_.clear();
}

std::vector<std::string> FileDialogSession::Patterns() const {
  if (!typed_pattern_.empty()) return SplitPatterns(typed_pattern_);
  if (request_.filters.empty()) return {"*.*"};
  return SplitPatterns(request_.filters[static_cast<std::size_t>(filter_index_ - 1)].second);
}

std::vector<FolderEntry> FileDialogSession::List() const {
  std::vector<platform::fs::NameMask> masks;
  for (const std::string& pattern : Patterns()) masks.emplace_back(pattern);
  std::vector<FolderEntry> folders, files;
  WIN32_FIND_DATA found;
  HANDLE find = FindFirstFile(JoinPath(folder_, "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return {};
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !(request_.flags & OFN_FORCESHOWHIDDEN))
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      folders.push_back(FolderEntry{name, true});
      continue;
    }
    for (const platform::fs::NameMask& mask : masks) {
      if (mask.Matches(name)) {
        files.push_back(FolderEntry{name, false});
        break;
      }
    }
  } while (FindNextFile(find, &found));
  FindClose(find);
  folders.insert(folders.end(), files.begin(), files.end());
  return folders;
}

std::vector<std::pair<std::string, int>> FileDialogSession::LookInEntries() const {
  std::vector<std::pair<std::string, int>> entries;
  const std::string root = folder_.size() >= 3 ? folder_.substr(0, 3) : folder_;
  bool placed = false;
  for (const std::string& drive : DriveRoots()) {
    entries.emplace_back(drive, 0);
    if (!SameText(drive, root)) continue;
    placed = true;
    // The folders from the root down to the current one.
    std::string path = drive;
    int depth = 1;
    std::size_t i = 3;
    while (i < folder_.size()) {
      std::size_t end = folder_.find('\\', i);
      if (end == std::string::npos) end = folder_.size();
      path = JoinPath(path, folder_.substr(i, end - i));
      entries.emplace_back(path, depth++);
      i = end + 1;
    }
  }
  if (!placed) entries.emplace_back(folder_, 0);
  return entries;
}

std::string FileDialogSession::Resolve(const std::string& name) const {
  if (name.empty()) return folder_;
  if (name.size() >= 2 && name[1] == ':') {
    if (name.size() == 2) return name + "\\";
    if (name[2] != '\\' && name[2] != '/')
      return Normalize(name.substr(0, 2) + "\\" + name.substr(2));
    return Normalize(name);
  }
  if (name.rfind("\\\\", 0) == 0) return Normalize(name);
  if (name[0] == '\\' || name[0] == '/') return Normalize(folder_.substr(0, 2) + name);
  return Normalize(JoinPath(folder_, name));
}

FileDialogSession::Outcome FileDialogSession::Accept(const std::string& typed, HWND box_owner) {
  const std::string text = Trim(typed);
  if (text.empty()) return Outcome::kStay;
  std::vector<std::string> names;
  if ((request_.flags & OFN_ALLOWMULTISELECT) && text.find('"') != std::string::npos) {
    names = ParseQuotedNames(text);
  } else {
    names.push_back(text);
  }
  if (names.empty()) return Outcome::kStay;

  // A pattern filters the list (in the folder it names, if any). A Linux
  // file's name may hold "*" or "?": a name that is a file is that file.
  if (names.size() == 1 && platform::fs::HasWildcards(names[0]) && !IsExistingFile(Resolve(names[0]))) {
    const std::string full = Resolve(names[0]);
    if (IsFolder(FolderOf(full))) folder_ = FolderOf(full);
    typed_pattern_ = NameOf(full);
    return Outcome::kFiltered;
  }
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(Resolve(name));
  // A folder is gone into.
  if (paths.size() == 1 && IsFolder(paths[0])) {
    folder_ = paths[0];
    typed_pattern_.clear();
    return Outcome::kNavigated;
  }
  for (std::string& path : paths) {
    std::string name = NameOf(path);
    if (!name.empty() && name.back() == '.') {
      path.pop_back();  // "song." means "song" without an extension
      continue;
    }
    if (name.find('.') != std::string::npos || request_.default_extension.empty()) continue;
    const std::string with_extension = path + "." + request_.default_extension;
    if (save_ || !PathExists(path)) path = with_extension;
  }
  if (!Check(paths, box_owner)) return Outcome::kStay;
  return Write(paths);
}

bool FileDialogSession::Check(const std::vector<std::string>& paths, HWND box_owner) {
  const DWORD flags = request_.flags;
  const char* title = request_.title.c_str();
  auto warn = [&](const std::string& text) {
    MessageBox(box_owner, text.c_str(), title, MB_OK | MB_ICONEXCLAMATION);
    return false;
  };
  const std::string folder = FolderOf(paths.front());
  for (const std::string& path : paths) {
    const std::string name = NameOf(path);
    // The characters the platform reserves are refused in new names only:
    // a Linux name may hold them, and a file the listing shows is chosen.
    if (!(flags & OFN_NOVALIDATE) &&
        ((HasInvalidCharacters(name) && !PathExists(path)) || !SameText(FolderOf(path), folder))) {
      return warn(name + "\nThe file name is not valid.");
    }
    if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !IsFolder(FolderOf(path))) {
      return warn(name + "\nPath does not exist.\nPlease verify the correct path was given.");
    }
    const bool exists = PathExists(path) && !IsFolder(path);
    if ((flags & OFN_FILEMUSTEXIST) && !exists) {
      return warn(name + "\nFile not found.\nPlease verify the correct file name was given.");
    }
    if (save_ && exists && (flags & OFN_OVERWRITEPROMPT)) {
      const std::string question = path + " already exists.\nDo you want to replace it?";
      if (MessageBox(box_owner, question.c_str(), title,
                     MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) {
        return false;
      }
    }
    if (save_ && !exists && (flags & OFN_CREATEPROMPT)) {
      const std::string question = path + "\nThis file does not exist.\nDo you want to create it?";
      if (MessageBox(box_owner, question.c_str(), title, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    }
  }
  return true;
}

FileDialogSession::Outcome FileDialogSession::Write(const std::vector<std::string>& paths) {
  const bool several = paths.size() > 1;
  std::string result;
  WORD file_offset = 0;
  WORD extension_offset = 0;
  if (several) {
    const std::string folder = FolderOf(paths.front());
    result = folder;
    result += '\0';
    file_offset = static_cast<WORD>(result.size());
    for (const std::string& path : paths) {
      result += NameOf(path);
      result += '\0';
    }
  } else {
    const std::string& path = paths.front();
    const std::string name = NameOf(path);
    result = path;
    result += '\0';
    file_offset = static_cast<WORD>(path.size() - name.size());
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
      extension_offset = static_cast<WORD>(path.size());
    else
      extension_offset = static_cast<WORD>(file_offset + dot + 1);
  }
  if (several) result += '\0';  // the list ends with an empty string
  if (result.size() > ofn_->nMaxFile) {
    // The size needed, in the buffer's first two bytes.
    if (ofn_->nMaxFile >= 2) {
      const WORD needed = static_cast<WORD>(std::min<std::size_t>(result.size(), 0xFFFF));
      std::memcpy(ofn_->lpstrFile, &needed, sizeof(needed));
    }
    error_ = FNERR_BUFFERTOOSMALL;
    return Outcome::kFailed;
  }
  std::memcpy(ofn_->lpstrFile, result.data(), result.size());
  ofn_->nFileOffset = file_offset;
  ofn_->nFileExtension = extension_offset;
  ofn_->nFilterIndex = static_cast<DWORD>(filter_index_);
  if (ofn_->lpstrFileTitle != nullptr && ofn_->nMaxFileTitle > 0) {
    const std::string title = NameOf(paths.front());
    const std::size_t count = std::min<std::size_t>(title.size(), ofn_->nMaxFileTitle - 1);
    std::memcpy(ofn_->lpstrFileTitle, title.data(), count);
    ofn_->lpstrFileTitle[count] = '\0';
  }
  ofn_->Flags &= ~(OFN_EXTENSIONDIFFERENT | OFN_READONLY);
  if (!request_.default_extension.empty() &&
      !SameText(Extension(NameOf(paths.front())), request_.default_extension)) {
    ofn_->Flags |= OFN_EXTENSIONDIFFERENT;
  }
  if (!(request_.flags & OFN_NOCHANGEDIR)) SetCurrentDirectory(FolderOf(paths.front()).c_str());
  return Outcome::kDone;
}

}  // namespace platform::dlg
