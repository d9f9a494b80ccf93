// TFileSearch: the engine of TEasyFileSearch. Walks a folder tree breadth
// first, level by level in listing order, in the caller's thread, and
// reports the entries whose names match one of the name masks and that
// pass the attribute, date, size and exclude filters.
//
// A subfolder that cannot be listed (unreadable, or gone meanwhile) is
// passed over; only a root that cannot be listed fails the search. Linked
// folders (reparse points) are reported but never entered, so a link loop
// ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/DateTime.h"
#include "classlib/Masks.h"
#include "classlib/Object.h"
#include "classlib/Strings.h"
#include "platform/core/types.h"

enum TOptionsKind {
  okIncludeSubfolder,
  okLookForReadOnlyFile,
  okLookForHiddenFile,
  okLookForSystemFile,
  okLookForDirectory,
  okLookForArchiveFile,
  okLookForAnyFile
};
using TOptions = Set<TOptionsKind>;

enum TFilterKind { fkFilterOnDate, fkFilterOnSize };
using TFilter = Set<TFilterKind>;

enum TDateFilterAccessKind { dfakCreatedFiles, dfakModifiedFiles, dfakOpenedFiles, dfakAnyFiles };
enum TDateFilterKind { dfkBetween, dfkBefore, dfkAfter, dfkSame };
enum TSizeFilterKind { sfkSmallerOrEqualTo, sfkBiggerOrEqualTo };

// One accepted entry.
struct TFileInformations {
  String Name;        // without folder
  String Path;        // the folder, with its trailing backslash
  DWORD Attributes = 0;
  std::int64_t Size = 0;
  SYSTEMTIME CreationTime{};  // local time
  SYSTEMTIME LastAccessTime{};
  SYSTEMTIME LastWriteTime{};
};

// What a search found.
struct TStatistics {
  DWORD FilesFound = 0;
  DWORD FoldersWithFiles = 0;  // folders holding at least one found file
  DWORD DirectoriesFound = 0;
  DWORD ElapsedMs = 0;
};

using TOnFileFound = std::function<void(const TFileInformations& FileFound)>;
using TOnAcceptFile = std::function<bool(const TFileInformations& FileFound)>;
using TOnChangeFolder = std::function<void(const String& NewPath)>;
using TOnStatistics = std::function<void(const TStatistics& Stats)>;

class TFileSearch : public TObject {
 public:
  TFileSearch();
  ~TFileSearch() override;

  // Runs the search; false when the root could not be listed (OnStatistics
  // has then reported what was found up to that point).
  bool Search();

  // One flag per TOptionsKind, in its order.
  bool IncludeSubfolder = true;
  bool LookForReadOnlyFile = true;
  bool LookForHiddenFile = true;
  bool LookForSystemFile = true;
  bool LookForDirectory = true;
  bool LookForArchiveFile = true;
  bool LookForAnyFile = true;

  bool FilterOnDate = false;
  TDateFilterAccessKind DateAccess = dfakAnyFiles;
  TDateFilterKind DateKind = dfkSame;
  TDateTime FirstDate = 0;
  TDateTime SecondDate = 0;

  bool FilterOnSize = false;
  TSizeFilterKind SizeKind = sfkSmallerOrEqualTo;
  std::int64_t SizeBound = 0;

  std::unique_ptr<TStringList> FileNames;
  String RootPath = ".\\";
  std::unique_ptr<TStringList> ExcludedFiles;

  TOnFileFound OnFileFound;
  TOnAcceptFile OnAcceptFile;
  TOnChangeFolder OnChangeFolder;
  TOnStatistics OnStatistics;

 private:
  // One name mask, made once per search: plain ASCII masks ("*", "?" and
  // letters) are matched directly, others through TMask.
  class PreparedMask {
   public:
    explicit PreparedMask(const String& mask);
    bool Matches(const String& name) const;

   private:
    bool plain_ = false;  // ASCII with "*" and "?" only
    String upper_;        // the mask in upper case, when plain
    std::unique_ptr<TMask> mask_;
  };
  // The masks of one search.
  struct PreparedMasks {
    std::vector<PreparedMask> names;
    std::vector<PreparedMask> excluded;
    bool any_folder = false;  // FileNames holds the line "*.*"
  };
  PreparedMasks PrepareMasks() const;
  bool DatePasses(const TFileInformations& info) const;
  bool SizePasses(std::int64_t size) const;
};
