// FindFirstFile, FindNextFile and FindClose.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/cd_audio.h"
#include "platform/fs/files.h"
#include "platform/fs/find_files.h"
#include "platform/fs/name_match.h"
#include "platform/fs/path_resolver.h"

namespace {

using platform::fs::FileFacts;

std::atomic<bool> g_without_entry_types{false};

// The type a directory entry carries, or DT_UNKNOWN.
unsigned char EntryType(const dirent& entry) {
  return g_without_entry_types.load(std::memory_order_relaxed) ? static_cast<unsigned char>(DT_UNKNOWN) : entry.d_type;
}

void FillFindData(const std::string& name, const FileFacts& facts, WIN32_FIND_DATA* data) {
  *data = WIN32_FIND_DATA{};
  data->dwFileAttributes = facts.attributes;
  data->ftCreationTime = facts.creation;
  data->ftLastAccessTime = facts.last_access;
  data->ftLastWriteTime = facts.last_write;
  data->nFileSizeHigh = static_cast<DWORD>(facts.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(facts.size & 0xFFFFFFFFu);
  std::memcpy(data->cFileName, name.data(), std::min<std::size_t>(name.size(), MAX_PATH - 1));
}

// Whether the entry `name` of the folder `dir_fd` is a symbolic link, by its
// directory entry type when the file system gives one.
bool IsLink(int dir_fd, const char* name, unsigned char d_type) {
  if (d_type != DT_UNKNOWN) return d_type == DT_LNK;
  struct stat st {};
  return fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

// A listing in progress: the matching names of one folder, in order, whose
// details are read as each is handed out (a name removed meanwhile is skipped).
class FindObject : public platform::KernelObject {
 public:
  // A listing of a real folder, read through `dir_fd` (owned); `links` are
  // the names that are symbolic links.
  FindObject(int dir_fd, std::vector<std::string> names, std::vector<std::string> links)
      : dir_fd_(dir_fd), names_(std::move(names)), links_(std::move(links)) {
    std::sort(links_.begin(), links_.end());
  }
  // A listing of an audio CD's root.
  FindObject(std::shared_ptr<const platform::CdDiscContents> disc, std::vector<std::string> names)
      : names_(std::move(names)), disc_(std::move(disc)) {}
  // The one entry a find without wildcards gives.
  FindObject(std::string name, const FileFacts& facts) : names_{std::move(name)}, single_facts_(facts) {}
  ~FindObject() override {
    if (dir_fd_ >= 0) close(dir_fd_);
  }

  bool Next(WIN32_FIND_DATA* data) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (next_ < names_.size()) {
      const std::string& name = names_[next_++];
      FileFacts facts;
      if (Describe(name, &facts)) {
        FillFindData(name, facts, data);
        if (!links_.empty() && std::binary_search(links_.begin(), links_.end(), name)) {
          data->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        }
        return true;
      }
    }
    return false;
  }

 private:
  bool Describe(const std::string& name, FileFacts* facts) const {
    if (single_facts_) {
      *facts = *single_facts_;
      return true;
    }
    if (disc_) {
      facts->is_regular = true;
      facts->size = platform::fs::kCdTrackFileSize;
      facts->attributes = FILE_ATTRIBUTE_READONLY;
      return true;
    }
    return platform::fs::QueryFacts(dir_fd_, name.c_str(), name, facts) == 0;
  }

  std::mutex mutex_;
  int dir_fd_ = -1;
  std::vector<std::string> names_;
  std::vector<std::string> links_;
  std::size_t next_ = 0;
  std::shared_ptr<const platform::CdDiscContents> disc_;
  std::optional<FileFacts> single_facts_;
};

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Names the platform could never show: a backslash is its separator, and a
// name must fit the find record.
bool IsListable(std::string_view name) {
  return name.find('\\') == std::string_view::npos && name.size() < MAX_PATH;
}

// The platform lists by name, ignoring case (ties by the exact bytes).
void SortLikeThePlatform(std::vector<std::string>* names) {
  std::vector<std::pair<std::u32string, std::string>> keyed;
  keyed.reserve(names->size());
  for (std::string& name : *names) keyed.emplace_back(platform::fs::FoldedName(name), std::move(name));
  std::sort(keyed.begin(), keyed.end());
  names->clear();
  for (auto& [key, name] : keyed) names->push_back(std::move(name));
}

HANDLE Register(std::shared_ptr<FindObject> find, WIN32_FIND_DATA* find_data) {
  if (!find->Next(find_data)) return Fail(ERROR_FILE_NOT_FOUND);
  HANDLE handle = platform::RegisterObject(std::move(find));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

// A find of one name (no wildcards): the entry itself, as spelled on disk.
HANDLE FindOne(const char* file_name, WIN32_FIND_DATA* find_data) {
  std::optional<platform::fs::ResolvedPath> resolved = platform::fs::ResolvePath(file_name);
  if (!resolved) return INVALID_HANDLE_VALUE;
  if (resolved->IsRoot()) return Fail(ERROR_FILE_NOT_FOUND);
  if (!resolved->exists) return Fail(resolved->MissingError());
  std::string name = resolved->cd_track != nullptr ? platform::fs::CdTrackFileName(resolved->cd_track->number)
                                                    : resolved->native.substr(resolved->native.rfind('/') + 1);
  if (!IsListable(name)) return Fail(ERROR_FILE_NOT_FOUND);
  FileFacts facts = resolved->facts;
  struct stat st {};
  if (resolved->cd_track == nullptr && lstat(resolved->native.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    facts.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  }
  return Register(std::make_shared<FindObject>(std::move(name), facts), find_data);
}

HANDLE FindInCdRoot(const platform::fs::ResolvedPath& folder, const platform::fs::NameMask& mask,
                    WIN32_FIND_DATA* find_data) {
  std::vector<std::string> names;
  for (const platform::CdTrackInfo& track : folder.cd_disc->tracks) {
    const std::string name = platform::fs::CdTrackFileName(track.number);
    if (track.audio && mask.Matches(name)) names.push_back(name);
  }
  return Register(std::make_shared<FindObject>(folder.cd_disc, std::move(names)), find_data);
}

HANDLE FindInFolder(const platform::fs::ResolvedPath& folder, const platform::fs::NameMask& mask,
                    WIN32_FIND_DATA* find_data) {
  const int dir_fd = open(folder.native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return Fail(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
  const int list_fd = dup(dir_fd);
  DIR* dir = list_fd >= 0 ? fdopendir(list_fd) : nullptr;
  if (dir == nullptr) {
    const DWORD error = platform::ErrorFromErrno(errno);
    if (list_fd >= 0) close(list_fd);
    close(dir_fd);
    return Fail(error);
  }
  std::vector<std::string> names;
  std::vector<std::string> links;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !IsListable(name)) continue;
    if (!mask.Matches(name)) continue;
    names.emplace_back(name);
    if (IsLink(dir_fd, entry->d_name, EntryType(*entry))) links.emplace_back(name);
  }
  closedir(dir);
  SortLikeThePlatform(&names);
  // A drive's root has no "." or ".." entries; other folders list them first.
  if (!folder.IsRoot()) {
    std::vector<std::string> dots;
    if (mask.Matches(".")) dots.emplace_back(".");
    if (mask.Matches("..")) dots.emplace_back("..");
    names.insert(names.begin(), dots.begin(), dots.end());
  }
  return Register(std::make_shared<FindObject>(dir_fd, std::move(names), std::move(links)), find_data);
}

}  // namespace

void platform::fs::ListWithoutEntryTypes(bool on) { g_without_entry_types = on; }

HANDLE FindFirstFile(LPCSTR file_name, WIN32_FIND_DATA* find_data) {
  if (file_name == nullptr || find_data == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string folder_text, mask_text;
  platform::fs::SplitFolderAndName(file_name, &folder_text, &mask_text);
  if (mask_text.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  if (platform::fs::HasWildcards(folder_text)) return Fail(ERROR_INVALID_NAME);
  if (!platform::fs::HasWildcards(mask_text)) return FindOne(file_name, find_data);

  std::string mask_without_wildcards = mask_text;
  std::erase_if(mask_without_wildcards, [](char c) { return c == '*' || c == '?'; });
  if (platform::fs::HasInvalidNameCharacters(mask_without_wildcards)) return Fail(ERROR_INVALID_NAME);

  std::optional<platform::fs::ResolvedPath> folder =
      platform::fs::ResolvePath(folder_text.empty() ? "." : folder_text.c_str());
  if (!folder) return INVALID_HANDLE_VALUE;
  if (!folder->exists || !folder->facts.is_directory) return Fail(ERROR_PATH_NOT_FOUND);
  const platform::fs::NameMask mask(mask_text);
  if (folder->cd_disc) return FindInCdRoot(*folder, mask, find_data);
  return FindInFolder(*folder, mask, find_data);
}

BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA* find_data) {
  std::shared_ptr<FindObject> object = platform::LookupObjectAs<FindObject>(find);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find_data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!object->Next(find_data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!platform::LookupObjectAs<FindObject>(find)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(find);
}
