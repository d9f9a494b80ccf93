#include "library/FileSearch.h"

#include <cmath>
#include <deque>
#include <string>
#include <utility>

#include "classlib/FileRoutines.h"
#include "platform/core/clock.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/fs/files.h"
#include "platform/fs/find_files.h"

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

template <class Masks>
bool MatchesAny(const Masks& masks, const String& name) {
  for (const auto& mask : masks) {
    if (mask.Matches(name)) return true;
  }
  return false;
}

// The entries of one folder, read through the platform's listing, which
// tells each entry's kind from the folder itself and looks up the rest of
// an entry only when the search reports it.
struct FolderEntries {
  bool opened = false;  // false when the folder could not be listed
  platform::fs::FolderListing listing;
};

// A folder given by its Linux path (a subfolder found by the walk).
FolderEntries ListFolder(const std::string& native_folder) {
  FolderEntries entries;
  entries.opened = entries.listing.ListNative(native_folder);
  return entries;
}

}  // namespace

TFileSearch::PreparedMask::PreparedMask(const String& mask) {
  plain_ = IsAscii(mask) && mask.find('[') == String::npos;
  if (plain_) {
    for (char c : mask) upper_ += UpperAscii(c);
    // Names beyond ASCII go through the full mask rules.
    mask_ = std::make_unique<TMask>(upper_);
  } else {
    mask_ = std::make_unique<TMask>(mask);
  }
}

bool TFileSearch::PreparedMask::Matches(const String& name) const {
  if (plain_ && IsAscii(name)) {
    return GlobMatch(upper_.data(), upper_.data() + upper_.size(), name.data(), name.data() + name.size());
  }
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
  {
    // The queued folders: as raised, and their Linux paths.
    std::deque<std::pair<String, std::string>> queue;
    String folder = RootPath;
    bool root = true;
    for (;;) {
      FolderEntries entries;
      if (root) {
        if (OnChangeFolder) OnChangeFolder(folder);
        if (folder.empty() || folder.back() != '\\') folder += '\\';
        entries.opened = entries.listing.List(folder);
        if (!entries.opened) {
          // Only the root decides the result.
          result = false;
          break;
        }
        root = false;
      } else {
        if (queue.empty()) break;
        folder = std::move(queue.front().first);
        const std::string native = std::move(queue.front().second);
        queue.pop_front();
        if (OnChangeFolder) OnChangeFolder(folder);
        folder += '\\';
        entries = ListFolder(native);
        // A subfolder that cannot be listed (unreadable, or removed since
        // it was queued) is passed over.
        if (!entries.opened) continue;
      }
      platform::fs::FolderListing& listing = entries.listing;
      bool found_here = false;
      for (std::size_t i = 0; i < listing.Count(); ++i) {
        const String& name = listing.Name(i);
        DWORD attributes = listing.KnownAttributes(i);
        const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (is_folder && IncludeSubfolder && (attributes & kReparsePoint) == 0) {
          queue.emplace_back(folder + name, listing.NativePath(i));
        }

        // The name decides first; only an entry it lets through is looked up.
        if (MatchesAny(masks.excluded, name)) continue;
        if (!MatchesAny(masks.names, name) && !(is_folder && masks.any_folder)) continue;
        const bool any_file = LookForAnyFile && !is_folder;
        // Whether an entry is read-only is known only once it is looked up.
        const bool may_be_read_only = (mask_bits & FILE_ATTRIBUTE_READONLY) != 0 && !listing.Described(i);
        if (!any_file && (attributes & mask_bits) == 0 && !may_be_read_only) continue;
        WIN32_FIND_DATA data;
        if (!listing.Describe(i, &data)) continue;  // gone meanwhile
        attributes = data.dwFileAttributes;
        if (!any_file && (attributes & mask_bits) == 0) continue;
        const std::int64_t size = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        if (FilterOnSize && !SizePasses(size)) continue;

        TFileInformations info;
        info.Name = name;
        info.Path = folder;
        info.Attributes = attributes;
        info.Size = size;
        info.CreationTime = LocalSystemTime(data.ftCreationTime);
        info.LastAccessTime = LocalSystemTime(data.ftLastAccessTime);
        info.LastWriteTime = LocalSystemTime(data.ftLastWriteTime);
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
  }
  stats.ElapsedMs = GetTickCount() - started;
  if (OnStatistics) OnStatistics(stats);
  return result;
}
