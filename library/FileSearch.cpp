#include "library/FileSearch.h"

#include <cmath>
#include <deque>

#include "classlib/FileRoutines.h"
#include "platform/core/clock.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/fs/files.h"

namespace {

constexpr DWORD kReparsePoint = 0x400;

SYSTEMTIME LocalSystemTime(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME st{};
  if (FileTimeToLocalFileTime(&utc, &local)) FileTimeToSystemTime(&local, &st);
  return st;
}

// The date of a local time, without its time of day.
double DayOf(const SYSTEMTIME& st) {
  TDateTime date = 0;
  TryEncodeDate(st.wYear, st.wMonth, st.wDay, date);
  return date;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsAscii(const String& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// "*" any run (also none), "?" one character, anything else itself; both in
// upper case (the mask) or compared in upper case (the name).
bool GlobMatch(const char* m, const char* me, const char* n, const char* ne) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (n < ne) {
    if (m < me && *m == '*') {
      star = ++m;
      resume = n;
    } else if (m < me && (*m == '?' || *m == UpperAscii(*n))) {
      ++m;
      ++n;
    } else if (star != nullptr) {
      m = star;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < me && *m == '*') ++m;
  return m == me;
}

// A listing of one folder through the platform's find.
class Listing {
 public:
  explicit Listing(const String& pattern) { handle_ = FindFirstFile(pattern.c_str(), &data_); }
  ~Listing() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  // False when the folder could not be listed; an empty folder lists.
  bool Opened() const {
    if (handle_ != INVALID_HANDLE_VALUE) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
  }
  // The next entry, or null at the end.
  const WIN32_FIND_DATA* Next() {
    if (handle_ == INVALID_HANDLE_VALUE) return nullptr;
    if (first_) {
      first_ = false;
      return &data_;
    }
    return FindNextFile(handle_, &data_) ? &data_ : nullptr;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATA data_{};
  bool first_ = true;
};

template <class Masks>
bool MatchesAny(const Masks& masks, const String& name) {
  for (const auto& mask : masks) {
    if (mask.Matches(name)) return true;
  }
  return false;
}

}  // namespace

TFileSearch::PreparedMask::PreparedMask(const String& mask) {
  if (IsAscii(mask) && mask.find('[') == String::npos) {
    for (char c : mask) upper_ += UpperAscii(c);
  } else {
    mask_ = std::make_unique<TMask>(mask);
  }
}

bool TFileSearch::PreparedMask::Matches(const String& name) const {
  if (mask_ == nullptr && IsAscii(name)) {
    return GlobMatch(upper_.data(), upper_.data() + upper_.size(), name.data(), name.data() + name.size());
  }
  if (mask_ == nullptr) return TMask(upper_).Matches(name);
  return mask_->Matches(name);
}

TFileSearch::TFileSearch()
    : FileNames(std::make_unique<TStringList>()), ExcludedFiles(std::make_unique<TStringList>()) {
  FileNames->Add("*.*");
}

TFileSearch::~TFileSearch() = default;

TFileSearch::PreparedMasks TFileSearch::PrepareMasks() const {
  PreparedMasks masks;
  for (int i = 0; i < FileNames->Count(); ++i) {
    masks.names.emplace_back(FileNames->Strings(i));
    if (FileNames->Strings(i) == "*.*") masks.any_folder = true;
  }
  for (int i = 0; i < ExcludedFiles->Count(); ++i) masks.excluded.emplace_back(ExcludedFiles->Strings(i));
  return masks;
}

bool TFileSearch::DatePasses(const TFileInformations& info) const {
  const double first = std::trunc(FirstDate);
  const double second = std::trunc(SecondDate);
  auto test = [&](const SYSTEMTIME& st) {
    const double day = DayOf(st);
    switch (DateKind) {
      case dfkBetween: return first <= day && day <= second;
      case dfkBefore: return day < first;
      case dfkAfter: return day > first;
      case dfkSame: return day == first;
    }
    return false;
  };
  switch (DateAccess) {
    case dfakCreatedFiles: return test(info.CreationTime);
    case dfakModifiedFiles: return test(info.LastWriteTime);
    case dfakOpenedFiles: return test(info.LastAccessTime);
    case dfakAnyFiles:
      return test(info.CreationTime) || test(info.LastWriteTime) || test(info.LastAccessTime);
  }
  return false;
}

bool TFileSearch::SizePasses(std::int64_t size) const {
  return SizeKind == sfkSmallerOrEqualTo ? size <= SizeBound : size >= SizeBound;
}

bool TFileSearch::Search() {
  const PreparedMasks masks = PrepareMasks();
  DWORD mask_bits = 0;
  if (LookForReadOnlyFile) mask_bits |= FILE_ATTRIBUTE_READONLY;
  if (LookForHiddenFile) mask_bits |= FILE_ATTRIBUTE_HIDDEN;
  if (LookForSystemFile) mask_bits |= FILE_ATTRIBUTE_SYSTEM;
  if (LookForDirectory) mask_bits |= FILE_ATTRIBUTE_DIRECTORY;
  if (LookForArchiveFile) mask_bits |= FILE_ATTRIBUTE_ARCHIVE;

  bool result = true;
  TStatistics stats;
  const DWORD started = GetTickCount();
  std::deque<String> queue;
  String folder = RootPath;
  bool root = true;
  for (;;) {
    if (!root) {
      if (queue.empty()) break;
      folder = std::move(queue.front());
      queue.pop_front();
    }
    if (OnChangeFolder) OnChangeFolder(folder);
    if (folder.empty() || folder.back() != '\\') folder += '\\';

    Listing listing(folder + "*.*");
    if (!listing.Opened()) {
      // Only the root decides the result; a subfolder that cannot be
      // listed (unreadable, or removed since it was queued) is passed over.
      if (root) {
        result = false;
        break;
      }
      continue;
    }
    root = false;
    bool found_here = false;
    while (const WIN32_FIND_DATA* entry = listing.Next()) {
      const char* raw = entry->cFileName;
      if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0))) continue;
      const String name = raw;
      const DWORD attributes = entry->dwFileAttributes;
      const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (is_folder && IncludeSubfolder && (attributes & kReparsePoint) == 0) queue.push_back(folder + name);

      if ((attributes & mask_bits) == 0 && !(LookForAnyFile && !is_folder)) continue;
      const std::int64_t size = static_cast<std::int64_t>(
          (static_cast<std::uint64_t>(entry->nFileSizeHigh) << 32) | entry->nFileSizeLow);
      if (FilterOnSize && !SizePasses(size)) continue;
      if (MatchesAny(masks.excluded, name)) continue;
      if (!MatchesAny(masks.names, name) && !(is_folder && masks.any_folder)) continue;

      TFileInformations info;
      info.Name = name;
      info.Path = folder;
      info.Attributes = attributes;
      info.Size = size;
      info.CreationTime = LocalSystemTime(entry->ftCreationTime);
      info.LastAccessTime = LocalSystemTime(entry->ftLastAccessTime);
      info.LastWriteTime = LocalSystemTime(entry->ftLastWriteTime);
      if (FilterOnDate && !DatePasses(info)) continue;
      const bool accept = OnAcceptFile ? OnAcceptFile(info) : true;
      if (!accept) continue;
      if (is_folder) {
        ++stats.DirectoriesFound;
      } else {
        ++stats.FilesFound;
        if (!found_here) {
          ++stats.FoldersWithFiles;
          found_here = true;
        }
      }
      if (OnFileFound) OnFileFound(info);
    }
  }
  stats.ElapsedMs = GetTickCount() - started;
  if (OnStatistics) OnStatistics(stats);
  return result;
}
