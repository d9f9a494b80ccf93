#include "library/FileSearch.h"

#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

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

template <class Masks>
bool MatchesAny(const Masks& masks, const String& name) {
  for (const auto& mask : masks) {
    if (mask.Matches(name)) return true;
  }
  return false;
}

// The entries of one folder, read through the platform's find.
struct FolderListing {
  bool opened = false;  // false when the folder could not be listed
  std::vector<WIN32_FIND_DATA> entries;
};

FolderListing ListFolder(const String& folder) {
  FolderListing listing;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile((folder + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    // An empty folder lists nothing and is no failure.
    const DWORD error = GetLastError();
    listing.opened = error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    return listing;
  }
  listing.opened = true;
  listing.entries.reserve(32);
  do {
    listing.entries.push_back(data);
  } while (FindNextFile(find, &data));
  FindClose(find);
  return listing;
}

// Lists the queued folders ahead of the walk on a few helper threads (the
// time goes into the file system's look-ups, which run side by side); the
// walk takes the listings in queue order, listing a folder itself when no
// helper has started on it. Events and results stay in the caller's thread
// and order.
class ListingPrefetcher {
 public:
  explicit ListingPrefetcher(int threads) {
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  }
  ~ListingPrefetcher() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  ListingPrefetcher(const ListingPrefetcher&) = delete;
  ListingPrefetcher& operator=(const ListingPrefetcher&) = delete;

  // Queues a folder (with its trailing backslash); returns its number.
  std::size_t Add(String folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(Job{std::move(folder), false, {}});
    if (idle_ > 0) wake_.notify_one();
    return jobs_.size() - 1;
  }

  // The listing of folder number k (taken out).
  FolderListing Take(std::size_t k) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (k >= next_) {
      // Not started: list it here, and let the helpers go on after it.
      next_ = k + 1;
      const String folder = jobs_[k].folder;
      lock.unlock();
      FolderListing listing = ListFolder(folder);
      lock.lock();
      Taken(k);
      return listing;
    }
    waiting_for_ = k;
    done_.wait(lock, [&] { return jobs_[k].done; });
    waiting_for_ = kNone;
    Taken(k);
    return std::move(jobs_[k].listing);
  }

 private:
  struct Job {
    String folder;
    bool done;
    FolderListing listing;
  };
  // At most this many folders are listed ahead of the walk.
  static constexpr std::size_t kAhead = 64;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Called with the lock held: helpers held back by the look-ahead limit
  // may go on.
  void Taken(std::size_t k) {
    const bool was_full = next_ >= taken_ + kAhead;
    taken_ = k + 1;
    if (was_full && idle_ > 0) wake_.notify_all();
  }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++idle_;
      wake_.wait(lock, [&] { return stop_ || (next_ < jobs_.size() && next_ < taken_ + kAhead); });
      --idle_;
      if (stop_) return;
      const std::size_t k = next_++;
      const String folder = jobs_[k].folder;
      lock.unlock();
      FolderListing listing = ListFolder(folder);
      lock.lock();
      jobs_[k].listing = std::move(listing);
      jobs_[k].done = true;
      if (waiting_for_ == k) done_.notify_one();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::deque<Job> jobs_;
  std::size_t next_ = 0;   // the next folder nobody has started on
  std::size_t taken_ = 0;  // folders the walk has taken
  std::size_t waiting_for_ = kNone;  // the folder the walk waits for
  int idle_ = 0;  // helpers waiting for work
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

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
  {
    const unsigned cores = std::thread::hardware_concurrency();
    ListingPrefetcher prefetcher(IncludeSubfolder ? static_cast<int>(std::min(4u, cores > 1 ? cores - 1 : 0u)) : 0);
    std::deque<String> queue;  // the queued folders, as raised
    std::size_t next_folder = 0;
    String folder = RootPath;
    bool root = true;
    for (;;) {
      FolderListing listing;
      if (root) {
        if (OnChangeFolder) OnChangeFolder(folder);
        if (folder.empty() || folder.back() != '\\') folder += '\\';
        listing = ListFolder(folder);
        if (!listing.opened) {
          // Only the root decides the result.
          result = false;
          break;
        }
        root = false;
      } else {
        if (queue.empty()) break;
        folder = std::move(queue.front());
        queue.pop_front();
        if (OnChangeFolder) OnChangeFolder(folder);
        folder += '\\';
        listing = prefetcher.Take(next_folder++);
        // A subfolder that cannot be listed (unreadable, or removed since
        // it was queued) is passed over.
        if (!listing.opened) continue;
      }
      bool found_here = false;
      for (const WIN32_FIND_DATA& entry_data : listing.entries) {
        const WIN32_FIND_DATA* entry = &entry_data;
        const char* raw = entry->cFileName;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0))) continue;
        const String name = raw;
        const DWORD attributes = entry->dwFileAttributes;
        const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (is_folder && IncludeSubfolder && (attributes & kReparsePoint) == 0) {
          queue.push_back(folder + name);
          prefetcher.Add(folder + name + '\\');
        }

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
  }
  stats.ElapsedMs = GetTickCount() - started;
  if (OnStatistics) OnStatistics(stats);
  return result;
}
