// TFindFile: a non-visual component that walks one or more folders depth
// first (a folder's matches before its subfolders) and reports every entry
// that matches a file-name mask and the filters (attributes, size, three
// date ranges, exclude masks, contained text). It searches in the caller's
// thread or, with Threaded, in a worker thread of its own whose reports
// arrive in the main thread through synchronised calls.
//
// The finder owns its worker: deleting the finder during a search stops
// the worker, answers a report it is waiting on without raising any event,
// and joins it. Linked folders (reparse points) are never entered.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/Components.h"
#include "classlib/DateTime.h"
#include "classlib/Exceptions.h"
#include "classlib/Strings.h"
#include "classlib/Threads.h"
#include "platform/fs/files.h"

class EFindFileError : public Exception {
 public:
  using Exception::Exception;
};

enum TFileAttribute { ffArchive, ffReadonly, ffHidden, ffSystem, ffDirectory };
using TFileAttributes = Set<TFileAttribute>;

using TFoundEvent = std::function<void(TObject* Sender, const String& Folder, WIN32_FIND_DATA& FileInfo)>;
using TNewFolderEvent = std::function<void(TObject* Sender, const String& Folder, bool& IgnoreFolder)>;

class TFindFile;

// The worker of a threaded search.
class TSearchThread : public TThread {
 public:
  explicit TSearchThread(TFindFile* Finder);

  // Runs the finder's report in the main thread and waits for it.
  void Report(const TThreadMethod& Method) { Synchronize(Method); }

 protected:
  void Execute() override;

 private:
  TFindFile* finder_;
};

class TFindFile : public TComponent {
 public:
  explicit TFindFile(TComponent* AOwner);
  ~TFindFile() override;

  const String& Filename() const { return filename_; }
  // A bare name with "*" and "?"; anything with a folder part raises
  // EFindFileError "<value>\n\rInvalid filename specified".
  void SetFilename(const String& Value);
  const String& Location() const { return location_; }
  // Folders separated by ";"; wildcards raise EFindFileError
  // "<value>\n\rlocation cannot to be contained wildcards".
  void SetLocation(const String& Value);
  TStrings* IncludeFiles() const { return include_files_.get(); }
  void SetIncludeFiles(TStrings* Value);
  TStrings* ExcludeFiles() const { return exclude_files_.get(); }
  void SetExcludeFiles(TStrings* Value);
  TThreadPriority ThreadPriority() const { return thread_priority_; }
  // Also sets the priority of a running worker at once.
  void SetThreadPriority(TThreadPriority Value);

  bool Subfolders = true;
  TFileAttributes Attributes = {ffArchive, ffReadonly, ffHidden, ffSystem};
  bool ExactAttribute = false;
  TDateTime ModifiedBefore = 0, ModifiedAfter = 0;
  TDateTime CreatedBefore = 0, CreatedAfter = 0;
  TDateTime AccessedBefore = 0, AccessedAfter = 0;
  std::int64_t SizeMin = 0, SizeMax = 0;
  String Containing;
  bool IgnoreCase = true;
  bool Threaded = false;

  TFoundEvent OnFound;
  TNewFolderEvent OnNewFolder;
  TNotifyEvent OnComplete;

  // Starts a search; nothing while one runs.
  void Execute();
  // Stops the search at the next entry; OnComplete follows.
  void Abort();
  bool Busy() const { return busy_; }
  bool Aborted() const { return aborted_; }

 protected:
  // Raise the events (only when assigned and the finder is not being
  // destroyed); the folder goes through StripBackslash.
  virtual void DoFound(const String& Folder, WIN32_FIND_DATA& FindData);
  virtual bool DoNewFolder(const String& Folder);
  virtual void DoComplete();
  virtual void RunThreaded();
  virtual void RunDirect();

 private:
  friend class TSearchThread;

  void BuildFolderList(String L, const String& Name);
  // Worker is the thread the walk runs in (null: the caller's thread).
  void SearchFolder(const String& Folder, const String& Mask, TSearchThread* Worker);
  bool AcceptFile(const String& Folder, const WIN32_FIND_DATA& Entry, TSearchThread* Worker);
  bool FileContains(const String& Folder, const WIN32_FIND_DATA& Entry, TSearchThread* Worker);
  bool Stopped(TSearchThread* Worker) const;
  // Reports, through the worker's synchronised call when threaded.
  void ReportFound(const String& Folder, WIN32_FIND_DATA& Entry, TSearchThread* Worker);
  bool ReportNewFolder(const String& Folder, TSearchThread* Worker);
  // The walk of every folder-list entry.
  void Walk(TSearchThread* Worker);
  void ThreadDone(TObject* Sender);

  String filename_ = "*.*";
  String location_;
  std::unique_ptr<TStringList> include_files_;
  std::unique_ptr<TStringList> exclude_files_;
  TThreadPriority thread_priority_ = tpNormal;

  std::atomic<bool> busy_{false};
  std::atomic<bool> aborted_{false};
  std::atomic<bool> destroying_{false};
  TSearchThread* thread_ = nullptr;
  // Finished workers not yet joined (one may still be handing over its
  // completion when the next search starts from OnComplete).
  std::vector<TSearchThread*> retired_;
  // The worker whose completion is being handed over (OnComplete runs).
  TSearchThread* completing_ = nullptr;
  // False once the finder is being destroyed (read after OnComplete).
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  // Working copies of one search.
  DWORD attr_mask_ = 0;
  bool exact_ = false;
  bool recurse_ = false;
  std::unique_ptr<TStringList> folder_list_;
  std::unique_ptr<TStringList> exclude_list_;
  TDateTime modified_before_ = 0, modified_after_ = 0;
  TDateTime created_before_ = 0, created_after_ = 0;
  TDateTime accessed_before_ = 0, accessed_after_ = 0;
  std::int64_t size_min_ = 0, size_max_ = 0;
  bool ignore_case_ = true;
  String text_;
};

// True unless a bound that is not 0 fails: a bound without a time part
// compares whole days, one without a date part the time of day.
bool DateInRange(TDateTime D, TDateTime Before, TDateTime After);
// Matches a full name against a mask of an optional folder part and a name
// part ("?" never matches ".", "*" stops at ".").
bool WildcardMatch(const String& Full, const String& Mask);
// Removes a trailing backslash, except after ":" ("C:\" stays).
String StripBackslash(const String& S);
