// FindFirstFile, FindNextFile and FindClose.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

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
unsigned char EntryType(unsigned char d_type) {
  return g_without_entry_types.load(std::memory_order_relaxed) ? static_cast<unsigned char>(DT_UNKNOWN) : d_type;
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

bool IsAscii(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

unsigned char UpperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; }

// The platform lists by name, ignoring case (ties by the exact bytes).
// `name_of` gives an item's name. Folders of plain ASCII names, the usual
// case, are sorted without making a folded copy of each name.
template <class Item, class NameOf>
void SortLikeThePlatform(std::vector<Item>* items, NameOf name_of) {
  const bool ascii = std::all_of(items->begin(), items->end(), [&](const Item& item) { return IsAscii(name_of(item)); });
  if (ascii) {
    std::sort(items->begin(), items->end(), [&](const Item& a, const Item& b) {
      const std::string& x = name_of(a);
      const std::string& y = name_of(b);
      const std::size_t n = std::min(x.size(), y.size());
      for (std::size_t i = 0; i < n; ++i) {
        const unsigned char cx = UpperAscii(static_cast<unsigned char>(x[i]));
        const unsigned char cy = UpperAscii(static_cast<unsigned char>(y[i]));
        if (cx != cy) return cx < cy;
      }
      if (x.size() != y.size()) return x.size() < y.size();
      return x < y;
    });
    return;
  }
  std::vector<std::pair<std::pair<std::u32string, std::string>, Item>> keyed;
  keyed.reserve(items->size());
  for (Item& item : *items) {
    const std::string& name = name_of(item);
    std::pair<std::u32string, std::string> key(platform::fs::FoldedName(name), name);
    keyed.emplace_back(std::move(key), std::move(item));
  }
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  items->clear();
  for (auto& entry : keyed) items->push_back(std::move(entry.second));
}

// A name read from a folder, with the type its directory entry gives.
struct ListedName {
  std::string name;
  unsigned char type;
};

// Reads the names of the folder open as `dir_fd` ("." and ".." and names
// the platform could not show left out) that `mask` passes (all without
// one), in the directory's own order. False with errno set on a failure.
bool ReadNames(int dir_fd, const platform::fs::NameMask* mask, std::vector<ListedName>* names) {
  alignas(dirent64) char buffer[32768];
  for (;;) {
    const ssize_t got = getdents64(dir_fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t offset = 0; offset < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
      offset += entry->d_reclen;
      const std::string_view name = entry->d_name;
      if (name == "." || name == ".." || !IsListable(name)) continue;
      if (mask != nullptr && !mask->Matches(name)) continue;
      names->push_back({std::string(name), EntryType(entry->d_type)});
    }
  }
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
  std::vector<ListedName> listed;
  if (!ReadNames(dir_fd, &mask, &listed)) {
    const DWORD error = platform::ErrorFromErrno(errno);
    close(dir_fd);
    return Fail(error);
  }
  std::vector<std::string> names;
  std::vector<std::string> links;
  names.reserve(listed.size());
  for (ListedName& entry : listed) {
    if (IsLink(dir_fd, entry.name.c_str(), entry.type)) links.push_back(entry.name);
    names.push_back(std::move(entry.name));
  }
  SortLikeThePlatform(&names, [](const std::string& name) -> const std::string& { return name; });
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
  // Only the last name is a pattern: "*" and "?" before it are the bytes of
  // a folder's Linux name, as are the characters the platform reserves.
  if (!platform::fs::HasWildcards(mask_text)) return FindOne(file_name, find_data);
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

namespace platform::fs {

FolderListing::~FolderListing() { Close(); }

FolderListing::FolderListing(FolderListing&& other) noexcept
    : dir_fd_(std::exchange(other.dir_fd_, -1)), native_(std::move(other.native_)), entries_(std::move(other.entries_)) {}

FolderListing& FolderListing::operator=(FolderListing&& other) noexcept {
  if (this != &other) {
    Close();
    dir_fd_ = std::exchange(other.dir_fd_, -1);
    native_ = std::move(other.native_);
    entries_ = std::move(other.entries_);
  }
  return *this;
}

void FolderListing::Close() {
  if (dir_fd_ >= 0) close(dir_fd_);
  dir_fd_ = -1;
  native_.clear();
  entries_.clear();
}

bool FolderListing::List(const std::string& folder) {
  Close();
  // The folder is taken as spelled: a colon past a drive letter, "*" and "?"
  // are bytes of its Linux name. No folder at all is the current drive's root.
  std::optional<ResolvedPath> resolved = ResolvePath(folder.empty() ? "\\" : folder.c_str());
  if (!resolved) return false;
  if (!resolved->exists || !resolved->facts.is_directory) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (resolved->cd_disc) {
    for (const CdTrackInfo& track : resolved->cd_disc->tracks) {
      if (!track.audio) continue;
      Entry entry;
      entry.name = CdTrackFileName(track.number);
      entry.facts = std::make_unique<FileFacts>();
      entry.facts->is_regular = true;
      entry.facts->size = kCdTrackFileSize;
      entry.facts->attributes = FILE_ATTRIBUTE_READONLY;
      entry.attributes = FILE_ATTRIBUTE_READONLY;
      entry.described = true;
      entries_.push_back(std::move(entry));
    }
    return true;
  }
  return ListNative(resolved->native);
}

bool FolderListing::ListNative(const std::string& native_folder) {
  Close();
  const int dir_fd = open(native_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
    return false;
  }
  return Fill(dir_fd, native_folder);
}

bool FolderListing::Fill(int dir_fd, std::string native_folder) {
  dir_fd_ = dir_fd;
  native_ = std::move(native_folder);
  std::vector<ListedName> names;
  if (!ReadNames(dir_fd_, nullptr, &names)) {
    const DWORD error = platform::ErrorFromErrno(errno);
    Close();
    SetLastError(error);
    return false;
  }
  // Without the right to search the folder none of its entries can be
  // looked up, and a listing shows none of them.
  if (!names.empty() && faccessat(dir_fd_, ".", X_OK, AT_EACCESS) != 0) return true;
  entries_.reserve(names.size());
  for (ListedName& listed : names) {
    Entry entry;
    entry.name = std::move(listed.name);
    switch (listed.type) {
      case DT_DIR:
        entry.attributes = AttributesOf(true, false, 0222, entry.name);
        break;
      case DT_REG:
        entry.attributes = AttributesOf(false, true, 0222, entry.name);
        break;
      case DT_LNK:
      case DT_UNKNOWN: {
        // Links and entries of no known type are looked up now: their kind
        // decides how a walk treats them.
        auto facts = std::make_unique<FileFacts>();
        int error = 0;
        if (listed.type == DT_LNK) {
          entry.link = true;
          error = QueryFacts(dir_fd_, entry.name.c_str(), entry.name, facts.get());
        } else {
          error = QueryFactsAndLink(dir_fd_, entry.name.c_str(), entry.name, facts.get(), &entry.link);
        }
        if (error != 0) continue;  // gone meanwhile, or out of reach
        entry.attributes = facts->attributes | (entry.link ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
        entry.facts = std::move(facts);
        entry.described = true;
        break;
      }
      default:  // devices, pipes and sockets
        entry.attributes = AttributesOf(false, false, 0222, entry.name);
        break;
    }
    entries_.push_back(std::move(entry));
  }
  SortLikeThePlatform(&entries_, [](const Entry& entry) -> const std::string& { return entry.name; });
  return true;
}

std::string FolderListing::NativePath(std::size_t i) const { return JoinNative(native_, entries_[i].name); }

bool FolderListing::Describe(std::size_t i, WIN32_FIND_DATA* data) {
  Entry& entry = entries_[i];
  if (!entry.described) {
    auto facts = std::make_unique<FileFacts>();
    if (QueryFacts(dir_fd_, entry.name.c_str(), entry.name, facts.get()) != 0) return false;
    entry.attributes = facts->attributes;
    entry.facts = std::move(facts);
    entry.described = true;
  }
  FillFindData(entry.name, *entry.facts, data);
  data->dwFileAttributes = entry.attributes;
  return true;
}

}  // namespace platform::fs
