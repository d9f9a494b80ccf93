#include "library/FindFile.h"

#include <algorithm>
#include <cmath>

#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"

namespace {

constexpr DWORD kReparsePoint = 0x400;
constexpr int kFolderAttributes = faReadOnly | faHidden | faDirectory | faArchive;  // 51
constexpr std::size_t kBlockSize = 4096;

DWORD AttributeBits(TFileAttributes set) {
  DWORD bits = 0;
  if (set.Contains(ffArchive)) bits |= faArchive;
  if (set.Contains(ffReadonly)) bits |= faReadOnly;
  if (set.Contains(ffHidden)) bits |= faHidden;
  if (set.Contains(ffSystem)) bits |= faSysFile;
  if (set.Contains(ffDirectory)) bits |= faDirectory;
  return bits;
}

bool HasWildcard(const String& s) { return s.find_first_of("*?") != String::npos; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::int64_t SizeOf(const WIN32_FIND_DATA& entry) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
}

bool InRange(const FILETIME& time, TDateTime before, TDateTime after) {
  if (before == 0 && after == 0) return true;
  return DateInRange(FileTimeToLocalDateTime(time), before, after);
}

// Workers of finders deleted from their own OnComplete: still handing over
// then, they are joined later by the next finder that starts or goes (main
// thread only).
std::vector<TSearchThread*>& OrphanedWorkers() {
  // Never destroyed: a worker still listed at exit stays reachable.
  static auto* orphans = new std::vector<TSearchThread*>();
  return *orphans;
}

void JoinFinishedOrphans() {
  std::erase_if(OrphanedWorkers(), [](TSearchThread* t) {
    if (!t->Finished()) return false;
    delete t;
    return true;
  });
}

// Closes a find when it goes out of scope.
struct FindGuard {
  TSearchRec& rec;
  ~FindGuard() { FindClose(rec); }
};

}  // namespace

// --- Routines ---

bool DateInRange(TDateTime D, TDateTime Before, TDateTime After) {
  auto days = [](TDateTime t) { return std::trunc(t); };
  auto time_of = [](TDateTime t) { return t - std::trunc(t); };
  if (Before != 0) {
    bool ok;
    if (time_of(Before) == 0) {
      ok = days(D) <= Before;
    } else if (days(Before) == 0) {
      ok = time_of(D) <= Before;
    } else {
      ok = D <= Before;
    }
    if (!ok) return false;
  }
  if (After != 0) {
    bool ok;
    if (time_of(After) == 0) {
      ok = days(D) >= After;
    } else if (days(After) == 0) {
      ok = time_of(D) >= After;
    } else {
      ok = D >= After;
    }
    if (!ok) return false;
  }
  return true;
}

bool WildcardMatch(const String& Full, const String& Mask) {
  const String full_folder = UpperCase(ExtractFilePath(Full));
  const String name = UpperCase(ExtractFileName(Full));
  String mask_folder = UpperCase(ExtractFilePath(Mask));
  const String mask = UpperCase(ExtractFileName(Mask));

  if (!mask_folder.empty()) {
    if (mask_folder.size() >= 2 && mask_folder[1] == ':') {
      const char drive = mask_folder[0];
      if (drive != '*' && drive != '?' && (full_folder.empty() || drive != full_folder[0])) return false;
      mask_folder.erase(0, 2);
    }
    if (static_cast<std::int64_t>(mask_folder.size()) > static_cast<std::int64_t>(full_folder.size()) - 2) {
      return false;
    }
    if (full_folder.compare(full_folder.size() - mask_folder.size(), mask_folder.size(), mask_folder) != 0) {
      return false;
    }
  }
  if (mask.empty()) return true;

  std::size_t i = 0, j = 0;
  const std::size_t n = name.size(), m = mask.size();
  while (i < n && j < m) {
    const char nc = name[i];
    const char mc = mask[j];
    if (nc == '.' && mc == '?') {
      ++j;
    } else if (nc == '.' && mc == '*') {
      const std::size_t dot = mask.find('.', j);
      j = dot == String::npos ? m : dot;
    } else if (nc == mc || mc == '?') {
      ++i;
      ++j;
    } else if (mc == '*') {
      ++i;
    } else {
      return false;
    }
  }
  while (j < m && (mask[j] == '*' || mask[j] == '?')) ++j;
  return i == n && j == m;
}

String StripBackslash(const String& S) {
  if (S.size() > 1 && S.back() == '\\' && S[S.size() - 2] != ':') return S.substr(0, S.size() - 1);
  return S;
}

// --- Worker ---

TSearchThread::TSearchThread(TFindFile* Finder) : TThread(true), finder_(Finder) {}

void TSearchThread::Execute() {
  try {
    finder_->Walk(this);
  } catch (...) {
    finder_->aborted_ = true;
  }
}

// --- Finder ---

TFindFile::TFindFile(TComponent* AOwner)
    : TComponent(AOwner),
      include_files_(std::make_unique<TStringList>()),
      exclude_files_(std::make_unique<TStringList>()) {}

TFindFile::~TFindFile() {
  // No event is raised from here on; a worker waiting on a report is
  // answered (without the event) while it is joined.
  destroying_ = true;
  *alive_ = false;
  aborted_ = true;
  if (thread_ != nullptr) {
    thread_->Terminate();
    retired_.push_back(thread_);
    thread_ = nullptr;
  }
  for (TSearchThread* t : retired_) {
    if (t == completing_) {
      // Deleted from its own OnComplete: the worker is still handing over.
      OrphanedWorkers().push_back(t);
    } else {
      delete t;
    }
  }
  JoinFinishedOrphans();
}

void TFindFile::SetFilename(const String& Value) {
  if (Value != ExtractFileName(Value)) throw EFindFileError(Format("%s\n\rInvalid filename specified", Value.c_str()));
  filename_ = Value;
}

void TFindFile::SetLocation(const String& Value) {
  if (HasWildcard(Value)) {
    throw EFindFileError(Format("%s\n\rlocation cannot to be contained wildcards", Value.c_str()));
  }
  location_ = Value;
}

void TFindFile::SetIncludeFiles(TStrings* Value) {
  if (Value == nullptr) {
    include_files_->Clear();
  } else {
    include_files_->Assign(Value);
  }
}

void TFindFile::SetExcludeFiles(TStrings* Value) {
  if (Value == nullptr) {
    exclude_files_->Clear();
  } else {
    exclude_files_->Assign(Value);
  }
}

void TFindFile::SetThreadPriority(TThreadPriority Value) {
  thread_priority_ = Value;
  if (thread_ != nullptr && !thread_->Finished()) thread_->SetPriority(Value);
}

void TFindFile::BuildFolderList(String L, const String& Name) {
  String mask = Name;
  if (mask.empty()) {
    mask = "*.*";
  } else if (mask.find('.') == String::npos) {
    mask += ".*";
  }
  do {
    String f;
    const std::size_t semi = L.find(';');
    if (semi == String::npos) {
      f = L;
      L.clear();
    } else {
      f = L.substr(0, semi);
      L.erase(0, semi + 1);
    }
    f = ExpandFileName(f.empty() ? String(".") : f);
    if (f.empty() || f.back() != '\\') f += '\\';
    f += mask;
    bool known = false;
    for (int i = 0; i < folder_list_->Count() && !known; ++i) known = SameText(folder_list_->Strings(i), f);
    if (!known) folder_list_->Add(f);
  } while (!L.empty() && L != ";");
}

void TFindFile::Execute() {
  if (busy_) return;
  busy_ = true;
  // Join workers that have finished handing over.
  JoinFinishedOrphans();
  std::erase_if(retired_, [this](TSearchThread* t) {
    if (t == completing_) return false;
    if (!t->Finished()) return false;
    delete t;
    return true;
  });
  attr_mask_ = AttributeBits(Attributes);
  exact_ = ExactAttribute;
  folder_list_ = std::make_unique<TStringList>();
  if (include_files_->Count() == 0) {
    BuildFolderList(location_, filename_);
  } else {
    folder_list_->Assign(include_files_.get());
  }
  recurse_ = Subfolders;
  exclude_list_ = std::make_unique<TStringList>();
  exclude_list_->Assign(exclude_files_.get());
  modified_before_ = ModifiedBefore;
  modified_after_ = ModifiedAfter;
  created_before_ = CreatedBefore;
  created_after_ = CreatedAfter;
  accessed_before_ = AccessedBefore;
  accessed_after_ = AccessedAfter;
  size_min_ = SizeMin;
  size_max_ = SizeMax;
  text_.clear();
  if (!Containing.empty()) {
    ignore_case_ = IgnoreCase;
    text_ = Containing;
  }
  aborted_ = false;
  if (Threaded) {
    RunThreaded();
  } else {
    RunDirect();
  }
}

void TFindFile::Abort() {
  aborted_ = true;
  if (thread_ != nullptr) thread_->Terminate();
}

bool TFindFile::Stopped(TSearchThread* Worker) const {
  return aborted_ || (Worker != nullptr && Worker->Terminated());
}

void TFindFile::Walk(TSearchThread* Worker) {
  for (int i = 0; i < folder_list_->Count() && !Stopped(Worker); ++i) {
    const String entry = folder_list_->Strings(i);
    const String full = ExpandFileName(entry);
    SearchFolder(ExtractFilePath(full), ExtractFileName(full), Worker);
  }
}

void TFindFile::RunDirect() {
  try {
    Walk(nullptr);
  } catch (...) {
    aborted_ = true;
  }
  DoComplete();
}

void TFindFile::RunThreaded() {
  thread_ = new TSearchThread(this);
  thread_->OnTerminate = [this](TObject* Sender) { ThreadDone(Sender); };
  thread_->Start();
}

void TFindFile::ThreadDone(TObject* Sender) {
  // The worker is joined later: it is still inside this hand-over.
  auto* worker = static_cast<TSearchThread*>(Sender);
  if (thread_ == worker) {
    retired_.push_back(thread_);
    thread_ = nullptr;
  }
  completing_ = worker;
  const std::shared_ptr<bool> alive = alive_;
  DoComplete();
  if (*alive) completing_ = nullptr;  // else OnComplete deleted the finder
}

void TFindFile::ReportFound(const String& Folder, WIN32_FIND_DATA& Entry, TSearchThread* Worker) {
  if (Worker != nullptr) {
    Worker->Report([&] { DoFound(Folder, Entry); });
  } else {
    DoFound(Folder, Entry);
  }
}

bool TFindFile::ReportNewFolder(const String& Folder, TSearchThread* Worker) {
  if (Worker != nullptr) {
    bool search = true;
    Worker->Report([&] { search = DoNewFolder(Folder); });
    return search;
  }
  return DoNewFolder(Folder);
}

void TFindFile::SearchFolder(const String& Folder, const String& Mask, TSearchThread* Worker) {
  if (!ReportNewFolder(Folder, Worker)) return;
  if (Stopped(Worker)) return;
  {
    TSearchRec rec;
    if (FindFirst(Folder + Mask, static_cast<int>(attr_mask_), rec) == 0) {
      FindGuard guard{rec};
      do {
        if (rec.Name.empty() || rec.Name[0] == '.') continue;
        if (AcceptFile(Folder, rec.FindData, Worker)) ReportFound(Folder, rec.FindData, Worker);
      } while (!Stopped(Worker) && FindNext(rec) == 0);
    }
  }
  if (Stopped(Worker) || !recurse_) return;
  TSearchRec rec;
  if (FindFirst(Folder + "*.*", kFolderAttributes, rec) != 0) return;
  FindGuard guard{rec};
  do {
    if ((rec.Attr & faDirectory) == 0 || rec.Name.empty() || rec.Name[0] == '.') continue;
    if ((rec.FindData.dwFileAttributes & kReparsePoint) != 0) continue;
    SearchFolder(Folder + rec.Name + "\\", Mask, Worker);
  } while (!Stopped(Worker) && FindNext(rec) == 0);
}

bool TFindFile::AcceptFile(const String& Folder, const WIN32_FIND_DATA& Entry, TSearchThread* Worker) {
  const DWORD attributes = Entry.dwFileAttributes & ~kReparsePoint;
  if (exact_ ? attributes != attr_mask_ : (attributes & attr_mask_) == 0) return false;
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!is_folder) {
    const std::int64_t size = SizeOf(Entry);
    if (size_min_ != 0 && size_min_ > size) return false;
    if (size_max_ != 0 && size_max_ < size) return false;
  }
  if (!InRange(Entry.ftCreationTime, created_before_, created_after_)) return false;
  if (!InRange(Entry.ftLastWriteTime, modified_before_, modified_after_)) return false;
  if (!InRange(Entry.ftLastAccessTime, accessed_before_, accessed_after_)) return false;
  const String full = Folder + Entry.cFileName;
  for (int i = 0; i < exclude_list_->Count(); ++i) {
    if (WildcardMatch(full, exclude_list_->Strings(i))) return false;
  }
  if (!is_folder && !text_.empty()) return FileContains(Folder, Entry, Worker);
  return true;
}

bool TFindFile::FileContains(const String& Folder, const WIN32_FIND_DATA& Entry, TSearchThread* Worker) {
  // A file that cannot be opened does not match; the walk goes on.
  HANDLE file = CreateFile((Folder + Entry.cFileName).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  String text = text_;
  if (ignore_case_) std::transform(text.begin(), text.end(), text.begin(), Upper);
  const std::size_t n = text.size();
  // The window holds the last n - 1 bytes of the previous block before the
  // new one, so that a text spanning two blocks is found.
  String window;
  char block[kBlockSize];
  bool found = false;
  while (!found && !Stopped(Worker)) {
    DWORD got = 0;
    if (!ReadFile(file, block, sizeof block, &got, nullptr) || got == 0) break;
    window.append(block, got);
    if (ignore_case_) std::transform(window.end() - got, window.end(), window.end() - got, Upper);
    found = window.find(text) != String::npos;
    if (window.size() >= n) window.erase(0, window.size() - (n - 1));
  }
  CloseHandle(file);
  return found;
}

void TFindFile::DoFound(const String& Folder, WIN32_FIND_DATA& FindData) {
  if (OnFound && !destroying_ && !ComponentState().Contains(csDestroying)) {
    OnFound(this, StripBackslash(Folder), FindData);
  }
}

bool TFindFile::DoNewFolder(const String& Folder) {
  bool ignore = false;
  if (OnNewFolder && !destroying_ && !ComponentState().Contains(csDestroying)) {
    OnNewFolder(this, StripBackslash(Folder), ignore);
  }
  return !ignore;
}

void TFindFile::DoComplete() {
  folder_list_.reset();
  exclude_list_.reset();
  text_.clear();
  busy_ = false;
  if (OnComplete && !destroying_ && !ComponentState().Contains(csDestroying)) OnComplete(this);
}
